#include "CRurIvaTorqueMotor.h"

#include "CRurIvaBody.h"

namespace irr {
namespace ode {

namespace {

//! The velocity's direction; a velocity of (nearly) no length is kept as it is.
core::vector3df direction(const core::vector3df& cVel) {
  const f32 fLengthSQ = cVel.getLengthSQ();
  if (core::equals(fLengthSQ, 0.0f, 1e-8f)) return cVel;
  return cVel / core::squareroot(fLengthSQ);
}

}  // namespace

CRurIvaTorqueMotor::CRurIvaTorqueMotor(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id,
                                       const core::vector3df& position, const core::vector3df& rotation,
                                       const core::vector3df& scale)
    : IRurIvaStepMotor(parent, mgr, id, position, rotation, scale),
      m_cRollAxis(1.0f, 0.0f, 0.0f),
      m_cPitchAxis(0.0f, 0.0f, 1.0f),
      m_cYawAxis(0.0f, 1.0f, 0.0f),
      m_bAeroRudder(false),
      m_fMinVel(0.0f),
      m_fMaxVel(0.0f),
      m_fPitch(0.0f),
      m_fYaw(0.0f),
      m_fRoll(0.0f),
      m_fPitchFactor(1.0f),
      m_fYawFactor(1.0f),
      m_fRollFactor(1.0f) {}

CRurIvaTorqueMotor::~CRurIvaTorqueMotor() {}

scene::ISceneNode* CRurIvaTorqueMotor::clone(scene::ISceneNode* newParent, scene::ISceneManager* newManager) {
  CRurIvaTorqueMotor* pClone = createClone<CRurIvaTorqueMotor>(newParent, newManager);
  // The factors stay at their defaults in a clone.
  pClone->m_cRollAxis = m_cRollAxis;
  pClone->m_cPitchAxis = m_cPitchAxis;
  pClone->m_cYawAxis = m_cYawAxis;
  pClone->m_bAeroRudder = m_bAeroRudder;
  pClone->m_fMinVel = m_fMinVel;
  pClone->m_fMaxVel = m_fMaxVel;
  pClone->m_fPitch = m_fPitch;
  pClone->m_fYaw = m_fYaw;
  pClone->m_fRoll = m_fRoll;
  finishClone(pClone, newManager);
  return pClone;
}

void CRurIvaTorqueMotor::step() {
  if (!m_pBody || !m_pBody->physicsInitialized() || !m_bActive) return;
  const core::vector3df cRotation = m_pBody->getRotation();
  const core::vector3df cVel = m_pBody->getLinearVelocity();
  // Forward speed along the roll axis as the body is turned now.
  const f32 fSpeed =
      cVel.getLength() * direction(cVel).dotProduct(cRotation.rotationToDirection(m_cRollAxis));

  core::vector3df cTorque(0.0f, 0.0f, 0.0f);
  if (!m_bAeroRudder) {
    const core::vector3df cControl = m_cPitchAxis * m_fPitch + m_cYawAxis * m_fYaw + m_cRollAxis * m_fRoll;
    cTorque = cRotation.rotationToDirection(cControl) * m_fMaxPower * m_fPower;
  } else if (fSpeed >= m_fMinVel || fSpeed <= -m_fMinVel) {
    const core::vector3df cControl = m_cPitchAxis * (m_fPitch * m_fPitchFactor) +
                                     m_cYawAxis * (m_fYaw * m_fYawFactor) +
                                     m_cRollAxis * (m_fRoll * m_fRollFactor);
    const f32 fScale = (fSpeed >= m_fMaxVel || fSpeed <= -m_fMaxVel) ? (m_fMaxVel - m_fMinVel) * m_fMaxPower
                                                                     : (fSpeed - m_fMinVel) * m_fMaxPower;
    cTorque = cRotation.rotationToDirection(cControl) * fScale * m_fPower;
  }
  m_pBody->addTorque(cTorque);
}

void CRurIvaTorqueMotor::serializeAttributes(io::IAttributes* out,
                                             io::SAttributeReadWriteOptions* options) const {
  IRurIvaStepMotor::serializeAttributes(out, options);
  out->addVector3d("roll_axis", m_cRollAxis);
  out->addVector3d("pitch_axis", m_cPitchAxis);
  out->addVector3d("yaw_axis", m_cYawAxis);
  out->addFloat("roll_factor", m_fRollFactor);
  out->addFloat("pitch_factor", m_fPitchFactor);
  out->addFloat("yaw_factor", m_fYawFactor);
  out->addBool("aero_rudder", m_bAeroRudder);
  out->addFloat("min_vel", m_fMinVel);
  out->addFloat("max_vel", m_fMaxVel);
}

void CRurIvaTorqueMotor::deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options) {
  IRurIvaStepMotor::deserializeAttributes(in, options);
  readFinite(in, "roll_axis", m_cRollAxis);
  readFinite(in, "pitch_axis", m_cPitchAxis);
  readFinite(in, "yaw_axis", m_cYawAxis);
  // Older files have no factors; they keep the ones the node has.
  readFinite(in, "roll_factor", m_fRollFactor);
  readFinite(in, "pitch_factor", m_fPitchFactor);
  readFinite(in, "yaw_factor", m_fYawFactor);
  m_bAeroRudder = in->getAttributeAsBool("aero_rudder");
  readFinite(in, "min_vel", m_fMinVel);
  readFinite(in, "max_vel", m_fMaxVel);
}

}  // namespace ode
}  // namespace irr
