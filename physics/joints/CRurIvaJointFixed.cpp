#include "CRurIvaJointFixed.h"

#include "CRurIvaWorld.h"
#include "IRurIvaDevice.h"

namespace irr {
namespace ode {

CRurIvaJointFixed::CRurIvaJointFixed(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id,
                                     const core::vector3df& position, const core::vector3df& rotation,
                                     const core::vector3df& scale)
    : CRurIvaJoint(parent, mgr, id, position, rotation, scale) {}

CRurIvaJointFixed::~CRurIvaJointFixed() {}

scene::ISceneNode* CRurIvaJointFixed::clone(scene::ISceneNode* newParent, scene::ISceneManager* newManager) {
  scene::ISceneNode* pParent = newParent ? newParent : Parent;
  scene::ISceneManager* pManager = newManager ? newManager : m_pSceneManager;
  CRurIvaJointFixed* pClone = new CRurIvaJointFixed(pParent, pManager, -1);
  copyParams(pClone, true);
  cloneChildren(pClone, newManager);
  return pClone;
}

void CRurIvaJointFixed::OnRegisterSceneNode() { registerWithChildren(); }

void CRurIvaJointFixed::initPhysics() {
  if (m_bPhysicsInitialized) return;
  if (!prepareCreation()) return;

  CRurIvaJoint::initPhysics();
  m_iJointId = m_pOdeDevice->jointCreateFixed(m_pWorld->getWorldId());
  if (!m_iJointId) return;
  m_pOdeDevice->jointAttach(m_iJointId, m_pBody1, m_pBody2);
  // From here on the bodies keep the relative pose they have now.
  m_pOdeDevice->jointSetFixed(m_iJointId);
  m_pOdeDevice->jointSetData(m_iJointId, this);
}

void CRurIvaJointFixed::copyParams(CRurIvaSceneNode* pDest, bool bRecurse) {
  if (!pDest) return;
  if (bRecurse) CRurIvaJoint::copyParams(pDest, true);
}

void CRurIvaJointFixed::serializeAttributes(io::IAttributes* out,
                                            io::SAttributeReadWriteOptions* options) const {
  CRurIvaJoint::serializeAttributes(out, options);
}

void CRurIvaJointFixed::deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options) {
  CRurIvaJoint::deserializeAttributes(in, options);
}

}  // namespace ode
}  // namespace irr
