#include "CRurIvaServo.h"

#include <cmath>

#include "CRurIvaBody.h"
#include "CRurIvaJoint.h"
#include "CRurIvaManager.h"

namespace irr {
namespace ode {

namespace {

const f64 kPi = 3.141592653589793;

/**
 * Folds an angle into [-180, 180] by whole steps of 180 degrees, as repeated subtraction or
 * addition of 180 would, but in one step: repeated steps never end for an angle so large that
 * subtracting 180 no longer changes it.
 */
f64 foldBy180(f64 fDegrees) {
  if (fDegrees > 180.0) {
    const f64 fRest = std::fmod(fDegrees - 180.0, 180.0);
    return fRest == 0.0 ? 180.0 : fRest;
  }
  if (fDegrees < -180.0) {
    const f64 fRest = std::fmod(fDegrees + 180.0, 180.0);
    return fRest == 0.0 ? -180.0 : fRest;
  }
  return fDegrees;
}

}  // namespace

CRurIvaServo::CRurIvaServo(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id,
                           const core::vector3df& position, const core::vector3df& rotation,
                           const core::vector3df& scale)
    : IRurIvaMotor(parent, mgr, id, position, rotation, scale), m_fServoPos(0.0f) {}

CRurIvaServo::~CRurIvaServo() {}

scene::ISceneNode* CRurIvaServo::clone(scene::ISceneNode* newParent, scene::ISceneManager* newManager) {
  scene::ISceneNode* pParent = newParent ? newParent : Parent;
  scene::ISceneManager* pManager = newManager ? newManager : m_pSceneManager;
  CRurIvaServo* pClone = new CRurIvaServo(pParent, pManager, -1);
  copyParams(pClone, true);
  cloneChildren(pClone, newManager);
  return pClone;
}

void CRurIvaServo::sendStops() {
  const f32 fRadians = static_cast<f32>(m_fServoPos * kPi / 180.0);
  const u16 iAxis = static_cast<u16>(m_iAxis);
  m_pJoint->setParameter(iAxis, CRurIvaJoint::eLoStop, fRadians);
  m_pJoint->setParameter(iAxis, CRurIvaJoint::eHiStop, fRadians);
  m_pJoint->setParameter(iAxis, CRurIvaJoint::eLoStop, fRadians);
}

void CRurIvaServo::initPhysics() {
  if (m_bPhysicsInitialized) return;
  CRurIvaSceneNode::initPhysics();
  resolveJoint();
  if (m_pJoint) sendStops();
}

void CRurIvaServo::setServoPos(f32 fDegrees) {
  // An infinite or undefined angle has no place in [-180, 180]; it would reach the library as
  // a stop it cannot hold.
  if (!std::isfinite(fDegrees)) return;
  m_fServoPos = static_cast<f32>(foldBy180(fDegrees));
  if (!m_bPhysicsInitialized || !m_pJoint) return;
  sendStops();
  m_pJoint->activateBodies();
}

void CRurIvaServo::copyParams(CRurIvaSceneNode* pDest, bool bRecurse) {
  if (!pDest) return;
  if (bRecurse) CRurIvaSceneNode::copyParams(pDest, true);
  CRurIvaServo* pDst = static_cast<CRurIvaServo*>(pDest);
  pDst->setName(getName());
  pDst->setAxis(m_iAxis);
  pDst->setServoPos(m_fServoPos);
}

void CRurIvaServo::serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions* options) const {
  CRurIvaSceneNode::serializeAttributes(out, options);
  out->addInt("Axis", m_iAxis);
  out->addFloat("ServoPos", m_fServoPos);
  writeJointIndex(out);
}

void CRurIvaServo::deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options) {
  CRurIvaSceneNode::deserializeAttributes(in, options);
  m_iAxis = in->getAttributeAsInt("Axis");
  readFinite(in, "ServoPos", m_fServoPos);
  readJointIndex(in);
}

}  // namespace ode
}  // namespace irr
