#include "CRurIvaJointPiston.h"

#include "CRurIvaWorld.h"
#include "IRurIvaDevice.h"

namespace irr {
namespace ode {

CRurIvaJointPiston::CRurIvaJointPiston(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id,
                                       const core::vector3df& position, const core::vector3df& rotation,
                                       const core::vector3df& scale)
    : CRurIvaJoint(parent, mgr, id, position, rotation, scale), m_cAxis(0.0f, 0.0f, 0.0f) {}

CRurIvaJointPiston::~CRurIvaJointPiston() {}

scene::ISceneNode* CRurIvaJointPiston::clone(scene::ISceneNode* newParent, scene::ISceneManager* newManager) {
  scene::ISceneNode* pParent = newParent ? newParent : Parent;
  scene::ISceneManager* pManager = newManager ? newManager : m_pSceneManager;
  CRurIvaJointPiston* pClone = new CRurIvaJointPiston(pParent, pManager, -1);
  copyParams(pClone, true);
  cloneChildren(pClone, newManager);
  return pClone;
}

void CRurIvaJointPiston::OnRegisterSceneNode() { registerWithChildren(); }

void CRurIvaJointPiston::initPhysics() {
  if (m_bPhysicsInitialized) return;
  if (!prepareCreation()) return;
  if (isAbsentAxis(m_cAxis)) m_cAxis = derivedAxis();
  const core::vector3df cWorldAxis = toWorldAxis(m_cAxis);
  if (isZeroAxis(cWorldAxis)) {
    reportNotCreated("the piston axis is zero");
    return;
  }

  CRurIvaJoint::initPhysics();
  m_iJointId = m_pOdeDevice->jointCreatePiston(m_pWorld->getWorldId());
  if (!m_iJointId) return;
  m_pOdeDevice->jointAttach(m_iJointId, m_pBody1, m_pBody2);
  m_pOdeDevice->jointSetPistonAnchor(m_iJointId, getAbsolutePosition());
  m_pOdeDevice->jointSetPistonAxis(m_iJointId, cWorldAxis);
  m_pOdeDevice->jointSetData(m_iJointId, this);
  replayParameters(0);
}

void CRurIvaJointPiston::copyParams(CRurIvaSceneNode* pDest, bool bRecurse) {
  if (!pDest) return;
  if (bRecurse) CRurIvaJoint::copyParams(pDest, true);
  static_cast<CRurIvaJointPiston*>(pDest)->setAxis(m_cAxis);
}

f32 CRurIvaJointPiston::getParameter(u16 iAxis, eJointParameter iParam) {
  return m_iJointId ? m_pOdeDevice->jointGetPistonParam(m_iJointId, iAxis, iParam) : 0.0f;
}

void CRurIvaJointPiston::setParameter(u16 iAxis, eJointParameter iParam, f32 fValue) {
  CRurIvaJoint::setParameter(iAxis, iParam, fValue);
  if (m_iJointId) m_pOdeDevice->jointSetPistonParam(m_iJointId, iAxis, iParam, fValue);
}

void CRurIvaJointPiston::setAxis(core::vector3df cAxis) {
  m_cAxis = cAxis;
  // The library would abort on a zero axis; the stored one waits for the next creation.
  if (m_iJointId && !isZeroAxis(cAxis)) m_pOdeDevice->jointSetPistonAxis(m_iJointId, cAxis);
}

core::vector3df CRurIvaJointPiston::getAxis() {
  if (m_iJointId) m_cAxis = m_pOdeDevice->jointGetPistonAxis(m_iJointId);
  return m_cAxis;
}

void CRurIvaJointPiston::setAnchor(core::vector3df cAnchor) {
  setPosition(cAnchor);
  if (m_iJointId) m_pOdeDevice->jointSetPistonAnchor(m_iJointId, getAbsolutePosition());
}

core::vector3df CRurIvaJointPiston::getAnchor() { return getAbsolutePosition(); }

f32 CRurIvaJointPiston::getPistonPosition() {
  return m_iJointId ? m_pOdeDevice->jointGetPistonPosition(m_iJointId) : 0.0f;
}

f32 CRurIvaJointPiston::getPistonPositionRate() {
  return m_iJointId ? m_pOdeDevice->jointGetPistonPositionRate(m_iJointId) : 0.0f;
}

void CRurIvaJointPiston::serializeAttributes(io::IAttributes* out,
                                             io::SAttributeReadWriteOptions* options) const {
  CRurIvaJoint::serializeAttributes(out, options);
  out->addVector3d("Axis", m_cAxis);
}

void CRurIvaJointPiston::deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options) {
  CRurIvaJoint::deserializeAttributes(in, options);
  readFinite(in, "Axis", m_cAxis);
}

}  // namespace ode
}  // namespace irr
