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
  void OnRegisterSceneNode() override;
  void render() override {}
  s32 getID() const override { return ID; }
  //! Motor nodes always sit at their parent's origin: the argument is ignored.
  void setPosition(const core::vector3df& newpos) override;
  scene::ESCENE_NODE_TYPE getType() const override { return RUR_IVA_MOTOR_ID; }
  scene::ISceneNode* clone(scene::ISceneNode* newParent = 0, scene::ISceneManager* newManager = 0) override;
  void initPhysics() override;
  const wchar_t* getTypeName() override { return RUR_IVA_MOTOR_NAME; }
  void removeFromPhysics() override;
  void copyParams(CRurIvaSceneNode* pDest, bool bRecurse = true) override;

  void setJoint(CRurIvaJoint* pJoint) { m_pJoint = pJoint; }
  void detachBody(CRurIvaBody* pBody) override {
    if (m_pBody == pBody) m_pBody = 0;
  }
  CRurIvaJoint* getJoint() const { return m_pJoint; }
  void setAxis(s32 iAxis) { m_iAxis = iAxis; }
  s32 getAxis() const { return m_iAxis; }
  void setVelocity(f32 fVelocity);
  f32 getVelocity() const { return m_fVelocity; }
  void setForce(f32 fForce);
  f32 getForce() const { return m_fForce; }
  //! Enabling hands velocity and force to the joint; disabling leaves the joint as it is.
  void setEnabled(bool bEnabled);
  bool isEnabled() const { return m_bEnabled; }

 private:
  //! The body whose motor list holds this node (the nearest body above it at construction).
  CRurIvaBody* m_pBody;
  CRurIvaJoint* m_pJoint;
  //! A joint read from a scene file: its position in the body's joint list, until resolved.
  s32 m_iJointIndex;
  s32 m_iAxis;
  f32 m_fVelocity;
  f32 m_fForce;
  bool m_bEnabled;
};

}  // namespace ode
}  // namespace irr

#endif
