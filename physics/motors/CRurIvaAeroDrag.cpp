#include "CRurIvaAeroDrag.h"

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

CRurIvaAeroDrag::CRurIvaAeroDrag(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id,
                                 const core::vector3df& position, const core::vector3df& rotation,
                                 const core::vector3df& scale)
    : IRurIvaStepMotor(parent, mgr, id, position, rotation, scale),
      m_cForeward(1.0f, 0.0f, 0.0f),
      m_cSideward(0.0f, 0.0f, 1.0f),
      m_cUpward(0.0f, 1.0f, 0.0f),
      m_fStallSpeed(0.0f),
      m_fMaxUpSpeed(0.0f),
      m_fUpFactor(1.0f),
      m_fForewardDamp(0.0f),
      m_fSidewardDamp(0.0f),
      m_fUpwardDamp(0.0f) {}

CRurIvaAeroDrag::~CRurIvaAeroDrag() {}

scene::ISceneNode* CRurIvaAeroDrag::clone(scene::ISceneNode* newParent, scene::ISceneManager* newManager) {
  CRurIvaAeroDrag* pClone = createClone<CRurIvaAeroDrag>(newParent, newManager);
  pClone->m_cForeward = m_cForeward;
  pClone->m_cSideward = m_cSideward;
  pClone->m_cUpward = m_cUpward;
  pClone->m_fStallSpeed = m_fStallSpeed;
  pClone->m_fMaxUpSpeed = m_fMaxUpSpeed;
  pClone->m_fUpFactor = m_fUpFactor;
  pClone->m_fForewardDamp = m_fForewardDamp;
  pClone->m_fSidewardDamp = m_fSidewardDamp;
  pClone->m_fUpwardDamp = m_fUpwardDamp;
  finishClone(pClone, newManager);
  return pClone;
}

void CRurIvaAeroDrag::step() {
  if (!m_pBody || !m_pBody->physicsInitialized() || !m_bActive) return;
  const core::vector3df cRotation = m_pBody->getRotation();
  const core::vector3df cVel = m_pBody->getLinearVelocity();
  const core::vector3df cDir = direction(cVel);
  const f32 fSpeed = cVel.getLength();

  const core::vector3df cForeward = cRotation.rotationToDirection(m_cForeward);
  const f32 fCos = cDir.dotProduct(cForeward);
  const f32 fForewardSpeed = fSpeed * fCos;
  // Moving backwards the wing neither lifts nor brakes.
  if (fForewardSpeed < 0.0f) return;

  core::vector3df cLift(0.0f, 0.0f, 0.0f);
  if (m_fUpFactor != 0.0f && fForewardSpeed >= m_fStallSpeed) {
    const f32 fScale = fForewardSpeed < m_fMaxUpSpeed ? m_fUpFactor * (fForewardSpeed - m_fStallSpeed)
                                                      : m_fUpFactor * m_fMaxUpSpeed;
    cLift = cRotation.rotationToDirection(m_cUpward) * fScale * m_fPower * m_fMaxPower * fCos;
  }

  core::vector3df cDrag(0.0f, 0.0f, 0.0f);
  if (m_fForewardDamp != 0.0f) cDrag = cForeward * fForewardSpeed * fForewardSpeed * m_fForewardDamp;

  core::vector3df cSide(0.0f, 0.0f, 0.0f);
  if (m_fSidewardDamp != 0.0f) {
    const core::vector3df cSideward = cRotation.rotationToDirection(m_cSideward);
    const f32 fSideCos = cSideward.dotProduct(cDir);
    if (fSideCos >= 0.01f || fSideCos <= -0.01f)
      cSide = cSideward * fForewardSpeed * fSideCos * m_fSidewardDamp;
  }

  core::vector3df cVertical(0.0f, 0.0f, 0.0f);
  if (m_fUpwardDamp != 0.0f) {
    const core::vector3df cUpward = cRotation.rotationToDirection(m_cUpward);
    const f32 fUpCos = cUpward.dotProduct(cDir);
    if (fUpCos >= 0.1f || fUpCos <= -0.1f) cVertical = cUpward * fForewardSpeed * fUpCos * m_fUpwardDamp;
  }

  m_pBody->addForce(cLift - cDrag - cSide - cVertical);
}

void CRurIvaAeroDrag::serializeAttributes(io::IAttributes* out,
                                          io::SAttributeReadWriteOptions* options) const {
  IRurIvaStepMotor::serializeAttributes(out, options);
  out->addVector3d("foreward", m_cForeward);
  out->addVector3d("sideward", m_cSideward);
  out->addVector3d("upward", m_cUpward);
  out->addFloat("stall_speed", m_fStallSpeed);
  out->addFloat("max_up_speed", m_fMaxUpSpeed);
  out->addFloat("up_factor", m_fUpFactor);
  out->addFloat("foreward_damp", m_fForewardDamp);
  out->addFloat("sideward_damp", m_fSidewardDamp);
  out->addFloat("upward_damp", m_fUpwardDamp);
}

void CRurIvaAeroDrag::deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options) {
  IRurIvaStepMotor::deserializeAttributes(in, options);
  readFinite(in, "foreward", m_cForeward);
  readFinite(in, "sideward", m_cSideward);
  readFinite(in, "upward", m_cUpward);
  readFinite(in, "stall_speed", m_fStallSpeed);
  readFinite(in, "max_up_speed", m_fMaxUpSpeed);
  readFinite(in, "up_factor", m_fUpFactor);
  readFinite(in, "foreward_damp", m_fForewardDamp);
  readFinite(in, "sideward_damp", m_fSidewardDamp);
  readFinite(in, "upward_damp", m_fUpwardDamp);
}

}  // namespace ode
}  // namespace irr
