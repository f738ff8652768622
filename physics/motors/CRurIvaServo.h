#ifndef C_RUR_IVA_SERVO_H
#define C_RUR_IVA_SERVO_H

#include "IRurIvaMotor.h"

namespace irr {
namespace ode {

class CRurIvaBody;
class CRurIvaJoint;

/**
 * Holds one axis of a joint at a target angle by setting the joint's low and high stop to
 * that angle. Like the motor it works only through the joint's parameters.
 */
class CRurIvaServo : public IRurIvaMotor {
 public:
  CRurIvaServo(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id = -1,
               const core::vector3df& position = core::vector3df(0, 0, 0),
               const core::vector3df& rotation = core::vector3df(0, 0, 0),
               const core::vector3df& scale = core::vector3df(1.0f, 1.0f, 1.0f));
  ~CRurIvaServo() override;

  void serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions* options = 0) const override;
  void deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options = 0) override;
  scene::ESCENE_NODE_TYPE getType() const override { return RUR_IVA_SERVO_ID; }
  scene::ISceneNode* clone(scene::ISceneNode* newParent = 0, scene::ISceneManager* newManager = 0) override;
  void initPhysics() override;
  const wchar_t* getTypeName() override { return RUR_IVA_SERVO_NAME; }
  void copyParams(CRurIvaSceneNode* pDest, bool bRecurse = true) override;

  //! The target angle in degrees, folded into [-180, 180] by steps of 180.
  void setServoPos(f32 fDegrees);
  f32 getServoPos() const { return m_fServoPos; }

 private:
  //! Both stops to the target angle: low, high, low, so that the order of the old stops
  //! cannot keep one of them from taking the new value.
  void sendStops();

  f32 m_fServoPos;
};

}  // namespace ode
}  // namespace irr

#endif
