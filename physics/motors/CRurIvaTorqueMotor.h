#ifndef C_RUR_IVA_TORQUE_MOTOR_H
#define C_RUR_IVA_TORQUE_MOTOR_H

#include "IRurIvaStepMotor.h"

namespace irr {
namespace ode {

/**
 * A torque about the body's roll, pitch and yaw axes from three control inputs (control
 * surfaces). In aero rudder mode the torque grows with the forward speed between a minimum
 * and a maximum velocity, and each input is scaled by its factor.
 */
class CRurIvaTorqueMotor : public IRurIvaStepMotor {
 public:
  CRurIvaTorqueMotor(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id = -1,
                     const core::vector3df& position = core::vector3df(0, 0, 0),
                     const core::vector3df& rotation = core::vector3df(0, 0, 0),
                     const core::vector3df& scale = core::vector3df(1.0f, 1.0f, 1.0f));
  ~CRurIvaTorqueMotor() override;

  void render() override {}
  scene::ESCENE_NODE_TYPE getType() const override { return RUR_IVA_TORQUE_MOTOR_ID; }
  const wchar_t* getTypeName() override { return RUR_IVA_TORQUE_MOTOR_NAME; }
  scene::ISceneNode* clone(scene::ISceneNode* newParent = 0, scene::ISceneManager* newManager = 0) override;
  void serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions* options = 0) const override;
  void deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options = 0) override;

  void step() override;

  //! The three control inputs (not the factors).
  void setFactors(f32 fPitch, f32 fYaw, f32 fRoll) {
    m_fPitch = fPitch;
    m_fYaw = fYaw;
    m_fRoll = fRoll;
  }
  f32 getPitch() const { return m_fPitch; }
  f32 getYaw() const { return m_fYaw; }
  f32 getRoll() const { return m_fRoll; }

  void setRollAxis(const core::vector3df& cAxis) { m_cRollAxis = cAxis; }
  const core::vector3df& getRollAxis() const { return m_cRollAxis; }
  void setPitchAxis(const core::vector3df& cAxis) { m_cPitchAxis = cAxis; }
  const core::vector3df& getPitchAxis() const { return m_cPitchAxis; }
  void setYawAxis(const core::vector3df& cAxis) { m_cYawAxis = cAxis; }
  const core::vector3df& getYawAxis() const { return m_cYawAxis; }
  void setAeroRudder(bool bAeroRudder) { m_bAeroRudder = bAeroRudder; }
  bool isAeroRudder() const { return m_bAeroRudder; }
  void setMinVel(f32 fVel) { m_fMinVel = fVel; }
  f32 getMinVel() const { return m_fMinVel; }
  void setMaxVel(f32 fVel) { m_fMaxVel = fVel; }
  f32 getMaxVel() const { return m_fMaxVel; }
  void setPitchFactor(f32 fFactor) { m_fPitchFactor = fFactor; }
  f32 getPitchFactor() const { return m_fPitchFactor; }
  void setYawFactor(f32 fFactor) { m_fYawFactor = fFactor; }
  f32 getYawFactor() const { return m_fYawFactor; }
  void setRollFactor(f32 fFactor) { m_fRollFactor = fFactor; }
  f32 getRollFactor() const { return m_fRollFactor; }

 private:
  core::vector3df m_cRollAxis;
  core::vector3df m_cPitchAxis;
  core::vector3df m_cYawAxis;
  bool m_bAeroRudder;
  f32 m_fMinVel;
  f32 m_fMaxVel;
  f32 m_fPitch;
  f32 m_fYaw;
  f32 m_fRoll;
  f32 m_fPitchFactor;
  f32 m_fYawFactor;
  f32 m_fRollFactor;
};

}  // namespace ode
}  // namespace irr

#endif
