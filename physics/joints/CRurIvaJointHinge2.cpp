#include "CRurIvaJointHinge2.h"

#include "IRurIvaDevice.h"
#include "CRurIvaWorld.h"

namespace irr {
namespace ode {

namespace {

//! Axes closer to parallel than this (squared sine of their angle) span no plane.
const f32 kParallelSineSQ = 1e-10f;

bool areParallel(const core::vector3df& cA, const core::vector3df& cB) {
  const f32 fCrossSQ = cA.crossProduct(cB).getLengthSQ();
  return fCrossSQ <= kParallelSineSQ * cA.getLengthSQ() * cB.getLengthSQ();
}

}  // namespace

CRurIvaJointHinge2::CRurIvaJointHinge2(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id,
                                       const core::vector3df& position, const core::vector3df& rotation,
                                       const core::vector3df& scale)
    : CRurIvaJoint(parent, mgr, id, position, rotation, scale),
      m_cAxis1(0.0f, 0.0f, 1.0f),
      m_cAxis2(1.0f, 0.0f, 0.0f),
      m_cAnchor1(0.0f, 0.0f, 0.0f),
      m_cAnchor2(0.0f, 0.0f, 0.0f) {}

CRurIvaJointHinge2::~CRurIvaJointHinge2() {}

scene::ISceneNode* CRurIvaJointHinge2::clone(scene::ISceneNode* newParent, scene::ISceneManager* newManager) {
  scene::ISceneNode* pParent = newParent ? newParent : Parent;
  scene::ISceneManager* pManager = newManager ? newManager : m_pSceneManager;
  CRurIvaJointHinge2* pClone = new CRurIvaJointHinge2(pParent, pManager, -1);
  copyParams(pClone, true);
  cloneChildren(pClone, newManager);
  return pClone;
}

void CRurIvaJointHinge2::OnRegisterSceneNode() { registerWithChildren(); }

void CRurIvaJointHinge2::initPhysics() {
  if (m_bPhysicsInitialized) return;
  if (!prepareCreation()) return;
  // The dynamics library aborts the process on a hinge-2 with fewer than two bodies and on
  // parallel or zero axes, so none of these may reach it.
  if (!m_pBody1 || !m_pBody2) {
    reportNotCreated("a hinge-2 joint needs two bodies");
    return;
  }
  const core::matrix4 cRotation = worldRotation();
  core::vector3df cWorldAxis1, cWorldAxis2;
  cRotation.rotateVect(cWorldAxis1, m_cAxis1);
  cRotation.rotateVect(cWorldAxis2, m_cAxis2);
  if (isZeroAxis(cWorldAxis1) || isZeroAxis(cWorldAxis2)) {
    reportNotCreated("a hinge-2 axis is zero");
    return;
  }
  if (areParallel(cWorldAxis1, cWorldAxis2)) {
    reportNotCreated("the hinge-2 axes are parallel");
    return;
  }

  CRurIvaJoint::initPhysics();
  m_iJointId = m_pOdeDevice->jointCreateHinge2(m_pWorld->getWorldId());
  if (!m_iJointId) return;
  m_pOdeDevice->jointAttach(m_iJointId, m_pBody1, m_pBody2);
  m_pOdeDevice->jointSetHinge2Anchor(m_iJointId, getAbsolutePosition());
  // Both axes in one call: set one at a time, the library would check the new axis against
  // the other's stale default and may find them parallel.
  m_pOdeDevice->jointSetHinge2Axes(m_iJointId, cWorldAxis1, cWorldAxis2);
  m_pOdeDevice->jointSetData(m_iJointId, this);
  replayParameters(0);
  replayParameters(1);
}

void CRurIvaJointHinge2::copyParams(CRurIvaSceneNode* pDest, bool bRecurse) {
  if (!pDest) return;
  if (bRecurse) CRurIvaJoint::copyParams(pDest, true);
  CRurIvaJointHinge2* pDst = static_cast<CRurIvaJointHinge2*>(pDest);
  pDst->setHingeAxis1(m_cAxis1);
  pDst->setHingeAxis2(m_cAxis2);
}

f32 CRurIvaJointHinge2::getParameter(u16 iAxis, eJointParameter iParam) {
  return m_iJointId ? m_pOdeDevice->jointGetHinge2Param(m_iJointId, iAxis, iParam) : 0.0f;
}

void CRurIvaJointHinge2::setParameter(u16 iAxis, eJointParameter iParam, f32 fValue) {
  CRurIvaJoint::setParameter(iAxis, iParam, fValue);
  if (m_iJointId) m_pOdeDevice->jointSetHinge2Param(m_iJointId, iAxis, iParam, fValue);
}

void CRurIvaJointHinge2::setHingeAxis1(core::vector3df cAxis) { m_cAxis1 = normalisedAxis(cAxis); }

void CRurIvaJointHinge2::setHingeAxis2(core::vector3df cAxis) { m_cAxis2 = normalisedAxis(cAxis); }

core::vector3df CRurIvaJointHinge2::getHingeAxis1() {
  if (m_iJointId) m_cAxis1 = m_pOdeDevice->jointGetHinge2Axis1(m_iJointId);
  return m_cAxis1;
}

core::vector3df CRurIvaJointHinge2::getHingeAxis2() {
  if (m_iJointId) m_cAxis2 = m_pOdeDevice->jointGetHinge2Axis2(m_iJointId);
  return m_cAxis2;
}

core::vector3df CRurIvaJointHinge2::getAnchor1() {
  if (m_iJointId) m_cAnchor1 = m_pOdeDevice->jointGetHinge2Anchor(m_iJointId);
  return m_cAnchor1;
}

core::vector3df CRurIvaJointHinge2::getAnchor2() {
  if (m_iJointId) m_cAnchor2 = m_pOdeDevice->jointGetHinge2Anchor2(m_iJointId);
  return m_cAnchor2;
}

f32 CRurIvaJointHinge2::getHingeAngle1() {
  return m_iJointId ? m_pOdeDevice->jointGetHinge2Angle1(m_iJointId) : 0.0f;
}

f32 CRurIvaJointHinge2::getHingeAngle1Rate() {
  return m_iJointId ? m_pOdeDevice->jointGetHinge2Angle1Rate(m_iJointId) : 0.0f;
}

f32 CRurIvaJointHinge2::getHingeAngle2Rate() {
  return m_iJointId ? m_pOdeDevice->jointGetHinge2Angle2Rate(m_iJointId) : 0.0f;
}

void CRurIvaJointHinge2::serializeAttributes(io::IAttributes* out,
                                             io::SAttributeReadWriteOptions* options) const {
  CRurIvaJoint::serializeAttributes(out, options);
  out->addVector3d("Axis1", m_cAxis1);
  out->addVector3d("Axis2", m_cAxis2);
}

void CRurIvaJointHinge2::deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options) {
  CRurIvaJoint::deserializeAttributes(in, options);
  readFinite(in, "Axis1", m_cAxis1);
  readFinite(in, "Axis2", m_cAxis2);
}

}  // namespace ode
}  // namespace irr
