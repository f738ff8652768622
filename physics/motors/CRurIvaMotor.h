#ifndef C_RUR_IVA_MOTOR_H
#define C_RUR_IVA_MOTOR_H

#include "IRurIvaMotor.h"

namespace irr {
namespace ode {

class CRurIvaBody;
class CRurIvaJoint;

/**
 * Drives one axis of a joint at a target velocity with a limited force. It does no work per
 * step: it hands velocity and force to the joint as joint parameters, which the joint keeps
 * and replays, so it does not matter whether the motor or the joint is initialised first.
 */
class CRurIvaMotor : public IRurIvaMotor {
 public:
  CRurIvaMotor(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id = -1,
               const core::vector3df& position = core::vector3df(0, 0, 0),
               const core::vector3df& rotation = core::vector3df(0, 0, 0),
               const core::vector3df& scale = core::vector3df(1.0f, 1.0f, 1.0f));
  ~CRurIvaMotor() override;

  void serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions* options = 0) const override;
  void deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options = 0) override;
  scene::ESCENE_NODE_TYPE getType() const override { return RUR_IVA_MOTOR_ID; }
  scene::ISceneNode* clone(scene::ISceneNode* newParent = 0, scene::ISceneManager* newManager = 0) override;
  void initPhysics() override;
  const wchar_t* getTypeName() override { return RUR_IVA_MOTOR_NAME; }
  void copyParams(CRurIvaSceneNode* pDest, bool bRecurse = true) override;

  void setVelocity(f32 fVelocity);
  f32 getVelocity() const { return m_fVelocity; }
  void setForce(f32 fForce);
  f32 getForce() const { return m_fForce; }
  //! Enabling hands velocity and force to the joint; disabling leaves the joint as it is.
  void setEnabled(bool bEnabled);
  bool isEnabled() const { return m_bEnabled; }

 private:
  f32 m_fVelocity;
  f32 m_fForce;
  bool m_bEnabled;
};

}  // namespace ode
}  // namespace irr

#endif
