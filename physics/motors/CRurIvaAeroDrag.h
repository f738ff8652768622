#ifndef C_RUR_IVA_AERO_DRAG_H
#define C_RUR_IVA_AERO_DRAG_H

#include "IRurIvaStepMotor.h"

namespace irr {
namespace ode {

/**
 * Lift and drag from the forward speed and from the angle between the body's axes and its
 * velocity. A body moving backwards gets no force at all.
 */
class CRurIvaAeroDrag : public IRurIvaStepMotor {
 public:
  CRurIvaAeroDrag(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id = -1,
                  const core::vector3df& position = core::vector3df(0, 0, 0),
                  const core::vector3df& rotation = core::vector3df(0, 0, 0),
                  const core::vector3df& scale = core::vector3df(1.0f, 1.0f, 1.0f));
  ~CRurIvaAeroDrag() override;

  void render() override {}
  scene::ESCENE_NODE_TYPE getType() const override { return RUR_IVA_AERO_DRAG_ID; }
  const wchar_t* getTypeName() override { return RUR_IVA_AERO_DRAG_NAME; }
  scene::ISceneNode* clone(scene::ISceneNode* newParent = 0, scene::ISceneManager* newManager = 0) override;
  void serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions* options = 0) const override;
  void deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options = 0) override;

  void step() override;

  // Directions in body coordinates.
  void setForeward(const core::vector3df& cDirection) { m_cForeward = cDirection; }
  const core::vector3df& getForeward() const { return m_cForeward; }
  void setSideward(const core::vector3df& cDirection) { m_cSideward = cDirection; }
  const core::vector3df& getSideward() const { return m_cSideward; }
  void setUpward(const core::vector3df& cDirection) { m_cUpward = cDirection; }
  const core::vector3df& getUpward() const { return m_cUpward; }

  void setStallSpeed(f32 fSpeed) { m_fStallSpeed = fSpeed; }
  f32 getStallSpeed() const { return m_fStallSpeed; }
  void setMaxUpSpeed(f32 fSpeed) { m_fMaxUpSpeed = fSpeed; }
  f32 getMaxUpSpeed() const { return m_fMaxUpSpeed; }
  void setUpFactor(f32 fFactor) { m_fUpFactor = fFactor; }
  f32 getUpFactor() const { return m_fUpFactor; }
  void setForewardDamp(f32 fDamp) { m_fForewardDamp = fDamp; }
  f32 getForewardDamp() const { return m_fForewardDamp; }
  void setSidewardDamp(f32 fDamp) { m_fSidewardDamp = fDamp; }
  f32 getSidewardDamp() const { return m_fSidewardDamp; }
  void setUpwardDamp(f32 fDamp) { m_fUpwardDamp = fDamp; }
  f32 getUpwardDamp() const { return m_fUpwardDamp; }

 private:
  core::vector3df m_cForeward;
  core::vector3df m_cSideward;
  core::vector3df m_cUpward;
  f32 m_fStallSpeed;
  f32 m_fMaxUpSpeed;
  f32 m_fUpFactor;
  f32 m_fForewardDamp;
  f32 m_fSidewardDamp;
  f32 m_fUpwardDamp;
};

}  // namespace ode
}  // namespace irr

#endif
