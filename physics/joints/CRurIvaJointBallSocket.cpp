#include "CRurIvaJointBallSocket.h"

#include "CRurIvaWorld.h"
#include "IRurIvaDevice.h"

namespace irr {
namespace ode {

CRurIvaJointBallSocket::CRurIvaJointBallSocket(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id,
                                               const core::vector3df& position,
                                               const core::vector3df& rotation, const core::vector3df& scale)
    : CRurIvaJoint(parent, mgr, id, position, rotation, scale),
      m_cAnchor1(0.0f, 0.0f, 0.0f),
      m_cAnchor2(0.0f, 0.0f, 0.0f) {}

CRurIvaJointBallSocket::~CRurIvaJointBallSocket() {}

scene::ISceneNode* CRurIvaJointBallSocket::clone(scene::ISceneNode* newParent,
                                                 scene::ISceneManager* newManager) {
  scene::ISceneNode* pParent = newParent ? newParent : Parent;
  scene::ISceneManager* pManager = newManager ? newManager : m_pSceneManager;
  CRurIvaJointBallSocket* pClone = new CRurIvaJointBallSocket(pParent, pManager, -1);
  copyParams(pClone, true);
  cloneChildren(pClone, newManager);
  return pClone;
}

void CRurIvaJointBallSocket::OnRegisterSceneNode() { registerWithChildren(); }

void CRurIvaJointBallSocket::initPhysics() {
  if (m_bPhysicsInitialized) return;
  if (!prepareCreation()) return;
  const core::vector3df cAnchor = getAbsolutePosition();

  CRurIvaJoint::initPhysics();
  m_iJointId = m_pOdeDevice->jointCreateBallSocket(m_pWorld->getWorldId());
  if (!m_iJointId) return;
  m_pOdeDevice->jointAttach(m_iJointId, m_pBody1, m_pBody2);
  m_pOdeDevice->jointSetBallAnchor(m_iJointId, cAnchor);
  m_pOdeDevice->jointSetData(m_iJointId, this);
}

void CRurIvaJointBallSocket::copyParams(CRurIvaSceneNode* pDest, bool bRecurse) {
  if (!pDest) return;
  if (bRecurse) CRurIvaJoint::copyParams(pDest, true);
}

core::vector3df CRurIvaJointBallSocket::getAnchor1() {
  if (m_iJointId) m_cAnchor1 = m_pOdeDevice->jointGetBallAnchor(m_iJointId);
  return m_cAnchor1;
}

core::vector3df CRurIvaJointBallSocket::getAnchor2() {
  if (m_iJointId) m_cAnchor2 = m_pOdeDevice->jointGetBallAnchor2(m_iJointId);
  return m_cAnchor2;
}

void CRurIvaJointBallSocket::serializeAttributes(io::IAttributes* out,
                                                 io::SAttributeReadWriteOptions* options) const {
  CRurIvaJoint::serializeAttributes(out, options);
}

void CRurIvaJointBallSocket::deserializeAttributes(io::IAttributes* in,
                                                   io::SAttributeReadWriteOptions* options) {
  CRurIvaJoint::deserializeAttributes(in, options);
}

}  // namespace ode
}  // namespace irr
