#ifndef C_RUR_IVA_IMPULSE_MOTOR_H
#define C_RUR_IVA_IMPULSE_MOTOR_H

#include "IRurIvaStepMotor.h"

namespace irr {
namespace ode {

//! A constant thrust along a direction fixed in the body (an engine), max power times power.
class CRurIvaImpulseMotor : public IRurIvaStepMotor {
 public:
  CRurIvaImpulseMotor(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id = -1,
                      const core::vector3df& position = core::vector3df(0, 0, 0),
                      const core::vector3df& rotation = core::vector3df(0, 0, 0),
                      const core::vector3df& scale = core::vector3df(1.0f, 1.0f, 1.0f));
  ~CRurIvaImpulseMotor() override;

  void render() override {}
  scene::ESCENE_NODE_TYPE getType() const override { return RUR_IVA_IMPULSE_MOTOR_ID; }
  const wchar_t* getTypeName() override { return RUR_IVA_IMPULSE_MOTOR_NAME; }
  scene::ISceneNode* clone(scene::ISceneNode* newParent = 0, scene::ISceneManager* newManager = 0) override;
  void serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions* options = 0) const override;
  void deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options = 0) override;

  void step() override;

  //! The thrust direction in body coordinates ("foreward" in scene files).
  void setForeward(const core::vector3df& cDirection) { m_cForeward = cDirection; }
  const core::vector3df& getForeward() const { return m_cForeward; }

 private:
  core::vector3df m_cForeward;
};

}  // namespace ode
}  // namespace irr

#endif
