#include "CRurIvaMotor.h"

#include "CRurIvaBody.h"
#include "CRurIvaJoint.h"
#include "CRurIvaManager.h"

namespace irr {
namespace ode {

CRurIvaMotor::CRurIvaMotor(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id,
                           const core::vector3df& position, const core::vector3df& rotation,
                           const core::vector3df& scale)
    : IRurIvaMotor(parent, mgr, id, position, rotation, scale),
      m_fVelocity(0.0f),
      m_fForce(0.0f),
      m_bEnabled(false) {}

CRurIvaMotor::~CRurIvaMotor() {}

scene::ISceneNode* CRurIvaMotor::clone(scene::ISceneNode* newParent, scene::ISceneManager* newManager) {
  scene::ISceneNode* pParent = newParent ? newParent : Parent;
  scene::ISceneManager* pManager = newManager ? newManager : m_pSceneManager;
  CRurIvaMotor* pClone = new CRurIvaMotor(pParent, pManager, -1);
  copyParams(pClone, true);
  cloneChildren(pClone, newManager);
  return pClone;
}

void CRurIvaMotor::initPhysics() {
  if (m_bPhysicsInitialized) return;
  CRurIvaSceneNode::initPhysics();
  resolveJoint();
  if (m_bEnabled && m_pJoint) {
    const u16 iAxis = static_cast<u16>(m_iAxis);
    m_pJoint->setParameter(iAxis, CRurIvaJoint::eVelocity, m_fVelocity);
    m_pJoint->setParameter(iAxis, CRurIvaJoint::eMaxForce, m_fForce);
  }
}

void CRurIvaMotor::setEnabled(bool bEnabled) {
  m_bEnabled = bEnabled;
  // Disabling sends nothing: the joint goes on with the velocity and force it was given.
  if (!m_bPhysicsInitialized || !bEnabled || !m_pJoint) return;
  const u16 iAxis = static_cast<u16>(m_iAxis);
  m_pJoint->setParameter(iAxis, CRurIvaJoint::eVelocity, m_fVelocity);
  m_pJoint->setParameter(iAxis, CRurIvaJoint::eMaxForce, m_fForce);
  m_pJoint->activateBodies();
}

void CRurIvaMotor::setVelocity(f32 fVelocity) {
  m_fVelocity = fVelocity;
  if (!m_bPhysicsInitialized || !m_pJoint || !m_bEnabled) return;
  m_pJoint->setParameter(static_cast<u16>(m_iAxis), CRurIvaJoint::eVelocity, fVelocity);
  m_pJoint->activateBodies();
}

void CRurIvaMotor::setForce(f32 fForce) {
  m_fForce = fForce;
  if (!m_bPhysicsInitialized || !m_pJoint || !m_bEnabled) return;
  m_pJoint->setParameter(static_cast<u16>(m_iAxis), CRurIvaJoint::eMaxForce, fForce);
  m_pJoint->activateBodies();
}

void CRurIvaMotor::copyParams(CRurIvaSceneNode* pDest, bool bRecurse) {
  if (!pDest) return;
  if (bRecurse) CRurIvaSceneNode::copyParams(pDest, true);
  CRurIvaMotor* pDst = static_cast<CRurIvaMotor*>(pDest);
  pDst->setName(getName());
  pDst->setAxis(m_iAxis);
  pDst->setVelocity(m_fVelocity);
  pDst->setForce(m_fForce);
  pDst->setEnabled(m_bEnabled);
}

void CRurIvaMotor::serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions* options) const {
  CRurIvaSceneNode::serializeAttributes(out, options);
  out->addInt("Axis", m_iAxis);
  out->addFloat("Force", m_fForce);
  out->addFloat("Velocity", m_fVelocity);
  out->addBool("Enabled", m_bEnabled);
  writeJointIndex(out);
}

void CRurIvaMotor::deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options) {
  CRurIvaSceneNode::deserializeAttributes(in, options);
  m_iAxis = in->getAttributeAsInt("Axis");
  readFinite(in, "Force", m_fForce);
  readFinite(in, "Velocity", m_fVelocity);
  m_bEnabled = in->getAttributeAsBool("Enabled");
  readJointIndex(in);
}

}  // namespace ode
}  // namespace irr
