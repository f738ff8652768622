#include "CRurIvaJointPR.h"

#include "CRurIvaWorld.h"
#include "IRurIvaDevice.h"

namespace irr {
namespace ode {

CRurIvaJointPR::CRurIvaJointPR(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id,
                               const core::vector3df& position, const core::vector3df& rotation,
                               const core::vector3df& scale)
    : CRurIvaJoint(parent, mgr, id, position, rotation, scale),
      m_cAxis1(0.0f, 0.0f, 1.0f),
      m_cAxis2(0.0f, 1.0f, 0.0f) {}

CRurIvaJointPR::~CRurIvaJointPR() {}

scene::ISceneNode* CRurIvaJointPR::clone(scene::ISceneNode* newParent, scene::ISceneManager* newManager) {
  scene::ISceneNode* pParent = newParent ? newParent : Parent;
  scene::ISceneManager* pManager = newManager ? newManager : m_pSceneManager;
  CRurIvaJointPR* pClone = new CRurIvaJointPR(pParent, pManager, -1);
  copyParams(pClone, true);
  cloneChildren(pClone, newManager);
  return pClone;
}

void CRurIvaJointPR::OnRegisterSceneNode() { registerWithChildren(); }

void CRurIvaJointPR::initPhysics() {
  if (m_bPhysicsInitialized) return;
  if (!prepareCreation()) return;
  const core::matrix4 cRotation = worldRotation();
  core::vector3df cWorldAxis1, cWorldAxis2;
  cRotation.rotateVect(cWorldAxis1, m_cAxis1);
  cRotation.rotateVect(cWorldAxis2, m_cAxis2);
  if (isZeroAxis(cWorldAxis1) || isZeroAxis(cWorldAxis2)) {
    reportNotCreated("a PR axis is zero");
    return;
  }

  CRurIvaJoint::initPhysics();
  m_iJointId = m_pOdeDevice->jointCreatePR(m_pWorld->getWorldId());
  if (!m_iJointId) return;
  m_pOdeDevice->jointAttach(m_iJointId, m_pBody1, m_pBody2);
  m_pOdeDevice->jointSetPrAnchor(m_iJointId, getAbsolutePosition());
  m_pOdeDevice->jointSetPrAxis1(m_iJointId, cWorldAxis1);
  m_pOdeDevice->jointSetPrAxis2(m_iJointId, cWorldAxis2);
  m_pOdeDevice->jointSetData(m_iJointId, this);
  // Group 0 is the sliding axis, group 1 the turning one.
  replayParameters(0);
  replayParameters(1);
}

void CRurIvaJointPR::copyParams(CRurIvaSceneNode* pDest, bool bRecurse) {
  if (!pDest) return;
  if (bRecurse) CRurIvaJoint::copyParams(pDest, true);
  CRurIvaJointPR* pDst = static_cast<CRurIvaJointPR*>(pDest);
  pDst->setPrAxis1(m_cAxis1);
  pDst->setPrAxis2(m_cAxis2);
}

f32 CRurIvaJointPR::getParameter(u16 iAxis, eJointParameter iParam) {
  return m_iJointId ? m_pOdeDevice->jointGetPrParam(m_iJointId, iAxis, iParam) : 0.0f;
}

void CRurIvaJointPR::setParameter(u16 iAxis, eJointParameter iParam, f32 fValue) {
  CRurIvaJoint::setParameter(iAxis, iParam, fValue);
  if (m_iJointId) m_pOdeDevice->jointSetPrParam(m_iJointId, iAxis, iParam, fValue);
}

void CRurIvaJointPR::setPrAxis1(core::vector3df cAxis) {
  m_cAxis1 = cAxis;
  // The library would abort on a zero axis; the stored one waits for the next creation.
  if (m_iJointId && !isZeroAxis(cAxis)) m_pOdeDevice->jointSetPrAxis1(m_iJointId, cAxis);
}

void CRurIvaJointPR::setPrAxis2(core::vector3df cAxis) {
  m_cAxis2 = cAxis;
  if (m_iJointId && !isZeroAxis(cAxis)) m_pOdeDevice->jointSetPrAxis2(m_iJointId, cAxis);
}

core::vector3df CRurIvaJointPR::getPrAxis1() {
  return m_iJointId ? m_pOdeDevice->jointGetPrAxis1(m_iJointId) : m_cAxis1;
}

core::vector3df CRurIvaJointPR::getPrAxis2() {
  return m_iJointId ? m_pOdeDevice->jointGetPrAxis2(m_iJointId) : m_cAxis2;
}

f32 CRurIvaJointPR::getPrPosition() {
  return m_iJointId ? m_pOdeDevice->jointGetPrPosition(m_iJointId) : 0.0f;
}

f32 CRurIvaJointPR::getPrAngle() { return m_iJointId ? m_pOdeDevice->jointGetPrAngle(m_iJointId) : 0.0f; }

f32 CRurIvaJointPR::getPrAngleRate() {
  return m_iJointId ? m_pOdeDevice->jointGetPrAngleRate(m_iJointId) : 0.0f;
}

void CRurIvaJointPR::serializeAttributes(io::IAttributes* out,
                                         io::SAttributeReadWriteOptions* options) const {
  CRurIvaJoint::serializeAttributes(out, options);
  out->addVector3d("Axis1", m_cAxis1);
  out->addVector3d("Axis2", m_cAxis2);
}

void CRurIvaJointPR::deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options) {
  CRurIvaJoint::deserializeAttributes(in, options);
  m_cAxis1 = in->getAttributeAsVector3d("Axis1");
  m_cAxis2 = in->getAttributeAsVector3d("Axis2");
}

}  // namespace ode
}  // namespace irr
