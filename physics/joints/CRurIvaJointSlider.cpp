#include "CRurIvaJointSlider.h"

#include "CRurIvaBody.h"
#include "CRurIvaWorld.h"
#include "IRurIvaDevice.h"

namespace irr {
namespace ode {

CRurIvaJointSlider::CRurIvaJointSlider(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id,
                                       const core::vector3df& position, const core::vector3df& rotation,
                                       const core::vector3df& scale)
    : CRurIvaJoint(parent, mgr, id, position, rotation, scale), m_cAxis(0.0f, 0.0f, 0.0f) {}

CRurIvaJointSlider::~CRurIvaJointSlider() {}

scene::ISceneNode* CRurIvaJointSlider::clone(scene::ISceneNode* newParent, scene::ISceneManager* newManager) {
  scene::ISceneNode* pParent = newParent ? newParent : Parent;
  scene::ISceneManager* pManager = newManager ? newManager : m_pSceneManager;
  CRurIvaJointSlider* pClone = new CRurIvaJointSlider(pParent, pManager, -1);
  copyParams(pClone, true);
  cloneChildren(pClone, newManager);
  return pClone;
}

void CRurIvaJointSlider::OnRegisterSceneNode() { registerWithChildren(); }

void CRurIvaJointSlider::initPhysics() {
  if (m_bPhysicsInitialized) return;
  if (!prepareCreation()) return;
  if (isAbsentAxis(m_cAxis)) m_cAxis = derivedAxis();
  const core::vector3df cWorldAxis = toWorldAxis(m_cAxis);
  if (isZeroAxis(cWorldAxis)) {
    reportNotCreated("the slider axis is zero");
    return;
  }

  CRurIvaJoint::initPhysics();
  m_iJointId = m_pOdeDevice->jointCreateSlider(m_pWorld->getWorldId());
  if (!m_iJointId) return;
  m_pOdeDevice->jointAttach(m_iJointId, m_pBody1, m_pBody2);
  m_pOdeDevice->jointSetSliderAxis(m_iJointId, cWorldAxis);
  m_pOdeDevice->jointSetData(m_iJointId, this);
  replayParameters(0);
  // Versions of the dynamics library have refused a low stop above the high stop they held
  // (and the reverse); high, low, high once more makes both take effect whatever was before.
  if (isParameterSet(0, eHiStop) && isParameterSet(0, eLoStop)) {
    setParameter(0, eHiStop, getStoredParameter(0, eHiStop));
    setParameter(0, eLoStop, getStoredParameter(0, eLoStop));
    setParameter(0, eHiStop, getStoredParameter(0, eHiStop));
  }
}

void CRurIvaJointSlider::copyParams(CRurIvaSceneNode* pDest, bool bRecurse) {
  if (!pDest) return;
  if (bRecurse) CRurIvaJoint::copyParams(pDest, true);
  static_cast<CRurIvaJointSlider*>(pDest)->setAxis(m_cAxis);
}

f32 CRurIvaJointSlider::getParameter(u16, eJointParameter iParam) {
  return m_iJointId ? m_pOdeDevice->jointGetSliderParam(m_iJointId, iParam) : 0.0f;
}

void CRurIvaJointSlider::setParameter(u16 iAxis, eJointParameter iParam, f32 fValue) {
  CRurIvaJoint::setParameter(iAxis, iParam, fValue);
  if (m_iJointId) m_pOdeDevice->jointSetSliderParam(m_iJointId, iParam, fValue);
}

void CRurIvaJointSlider::setAxis(core::vector3df cAxis) {
  m_cAxis = cAxis;
  // The library would abort on a zero axis; the stored one waits for the next creation.
  if (m_iJointId && !isZeroAxis(cAxis)) m_pOdeDevice->jointSetSliderAxis(m_iJointId, cAxis);
}

core::vector3df CRurIvaJointSlider::getAxis() {
  if (m_iJointId) m_cAxis = m_pOdeDevice->jointGetSliderAxis(m_iJointId);
  return m_cAxis;
}

f32 CRurIvaJointSlider::getSliderPosition() {
  return m_iJointId ? m_pOdeDevice->jointGetSliderPosition(m_iJointId) : 0.0f;
}

f32 CRurIvaJointSlider::getSliderPositionRate() {
  return m_iJointId ? m_pOdeDevice->jointGetSliderPositionRate(m_iJointId) : 0.0f;
}

void CRurIvaJointSlider::serializeAttributes(io::IAttributes* out,
                                             io::SAttributeReadWriteOptions* options) const {
  CRurIvaJoint::serializeAttributes(out, options);
  out->addVector3d("Axis", m_cAxis);
}

void CRurIvaJointSlider::deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options) {
  CRurIvaJoint::deserializeAttributes(in, options);
  readFinite(in, "Axis", m_cAxis);
}

}  // namespace ode
}  // namespace irr
