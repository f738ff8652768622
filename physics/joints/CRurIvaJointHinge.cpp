#include "CRurIvaJointHinge.h"

#include "IRurIvaDevice.h"
#include "CRurIvaWorld.h"

namespace irr {
namespace ode {

CRurIvaJointHinge::CRurIvaJointHinge(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id,
                                     const core::vector3df& position, const core::vector3df& rotation,
                                     const core::vector3df& scale)
    : CRurIvaJoint(parent, mgr, id, position, rotation, scale),
      m_cAxis(0.0f, 0.0f, 1.0f),
      m_cAnchor1(0.0f, 0.0f, 0.0f),
      m_cAnchor2(0.0f, 0.0f, 0.0f) {}

CRurIvaJointHinge::~CRurIvaJointHinge() {}

scene::ISceneNode* CRurIvaJointHinge::clone(scene::ISceneNode* newParent, scene::ISceneManager* newManager) {
  scene::ISceneNode* pParent = newParent ? newParent : Parent;
  scene::ISceneManager* pManager = newManager ? newManager : m_pSceneManager;
  CRurIvaJointHinge* pClone = new CRurIvaJointHinge(pParent, pManager, -1);
  copyParams(pClone, true);
  cloneChildren(pClone, newManager);
  return pClone;
}

void CRurIvaJointHinge::OnRegisterSceneNode() { registerWithChildren(); }

void CRurIvaJointHinge::initPhysics() {
  if (m_bPhysicsInitialized) return;
  if (!prepareCreation()) return;
  const core::vector3df cWorldAxis = toWorldAxis(m_cAxis);
  if (isZeroAxis(cWorldAxis)) {
    reportNotCreated("the hinge axis is zero");
    return;
  }

  CRurIvaJoint::initPhysics();
  m_iJointId = m_pOdeDevice->jointCreateHinge(m_pWorld->getWorldId());
  if (!m_iJointId) return;
  m_pOdeDevice->jointAttach(m_iJointId, m_pBody1, m_pBody2);
  m_pOdeDevice->jointSetHingeAnchor(m_iJointId, getAbsolutePosition());
  m_pOdeDevice->jointSetHingeAxis(m_iJointId, cWorldAxis);
  m_pOdeDevice->jointSetData(m_iJointId, this);
  replayParameters(0);
}

void CRurIvaJointHinge::copyParams(CRurIvaSceneNode* pDest, bool bRecurse) {
  if (!pDest) return;
  if (bRecurse) CRurIvaJoint::copyParams(pDest, true);
  static_cast<CRurIvaJointHinge*>(pDest)->setHingeAxis(m_cAxis);
}

f32 CRurIvaJointHinge::getParameter(u16, eJointParameter iParam) {
  return m_iJointId ? m_pOdeDevice->jointGetHingeParam(m_iJointId, iParam) : 0.0f;
}

void CRurIvaJointHinge::setParameter(u16 iAxis, eJointParameter iParam, f32 fValue) {
  CRurIvaJoint::setParameter(iAxis, iParam, fValue);
  // A hinge has one axis: whatever group the caller names, the value is for that axis.
  if (m_iJointId) m_pOdeDevice->jointSetHingeParam(m_iJointId, iParam, fValue);
}

void CRurIvaJointHinge::setHingeAxis(core::vector3df cAxis) { m_cAxis = normalisedAxis(cAxis); }

core::vector3df CRurIvaJointHinge::getHingeAxis() {
  if (m_iJointId) m_cAxis = m_pOdeDevice->jointGetHingeAxis(m_iJointId);
  return m_cAxis;
}

core::vector3df CRurIvaJointHinge::getAnchor1() {
  if (m_iJointId) m_cAnchor1 = m_pOdeDevice->jointGetHingeAnchor1(m_iJointId);
  return m_cAnchor1;
}

core::vector3df CRurIvaJointHinge::getAnchor2() {
  if (m_iJointId) m_cAnchor2 = m_pOdeDevice->jointGetHingeAnchor2(m_iJointId);
  return m_cAnchor2;
}

f32 CRurIvaJointHinge::getHingeAngle() {
  return m_iJointId ? m_pOdeDevice->jointGetHingeAngle(m_iJointId) : 0.0f;
}

f32 CRurIvaJointHinge::getHingeAngleRate() {
  return m_iJointId ? m_pOdeDevice->jointGetHingeAngleRate(m_iJointId) : 0.0f;
}

void CRurIvaJointHinge::serializeAttributes(io::IAttributes* out,
                                            io::SAttributeReadWriteOptions* options) const {
  CRurIvaJoint::serializeAttributes(out, options);
  out->addVector3d("Axis", m_cAxis);
}

void CRurIvaJointHinge::deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options) {
  CRurIvaJoint::deserializeAttributes(in, options);
  readFinite(in, "Axis", m_cAxis);
}

}  // namespace ode
}  // namespace irr
