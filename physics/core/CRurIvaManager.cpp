#include "CRurIvaManager.h"

#include <cstdio>
#include <set>

#include "CRurIvaBody.h"
#include "CRurIvaDevice.h"
#include "CRurIvaEventBodyMoved.h"
#include "CRurIvaEventBodyRemoved.h"
#include "CRurIvaEventClose.h"
#include "CRurIvaEventInit.h"
#include "CRurIvaEventLoadScene.h"
#include "CRurIvaEventNodeCloned.h"
#include "CRurIvaEventNodeRemoved.h"
#include "CRurIvaEventProgress.h"
#include "CRurIvaEventQueue.h"
#include "CRurIvaGeom.h"
#include "CRurIvaGeomRay.h"
#include "CRurIvaSurfaceParameters.h"
#include "CRurIvaWorld.h"
#include "IRurIvaStepMotor.h"
#include "RurIvaLists.h"

namespace irr {
namespace ode {

CRurIvaManager* CRurIvaManager::getSharedInstance() {
  static CRurIvaManager cInstance;
  return &cInstance;
}

CRurIvaManager::CRurIvaManager()
    : m_iLastStep(0),
      m_iFrameNo(0),
      m_iInitializedNodes(0),
      m_iNodeId(20000),
      m_bPhysicsInitialized(false),
      m_pQueue(new CRurIvaEventQueue()),
      m_pTimer(0),
      m_pSmgr(0),
      m_pIrrDevice(0),
      m_pDevice(new CRurIvaDevice()) {}

CRurIvaManager::~CRurIvaManager() {
  if (m_bPhysicsInitialized) closeODE();
  m_lNodes.clear();
  m_lStepMotors.clear();
  m_lWorlds.clear();
  m_lParams.clear();
  delete m_pDevice;
  m_pDevice = 0;
  delete m_pQueue;
  m_pQueue = 0;
}

void CRurIvaManager::install(IrrlichtDevice* pDevice) {
  m_pIrrDevice = pDevice;
  m_pSmgr = pDevice ? pDevice->getSceneManager() : 0;
  m_pTimer = pDevice ? pDevice->getTimer() : 0;
  if (m_pTimer)
    while (m_pTimer->isStopped()) m_pTimer->start();
  // Time is measured on this device's timer from now on: a time kept from an earlier device's
  // timer would make the first difference arbitrary (up to 2^32 ms when that timer was ahead).
  // A fresh engine's timer reads 0 here, so the first step still measures from its time 0.
  m_iLastStep = m_pTimer ? m_pTimer->getTime() : 0;
  m_pQueue->addEventListener(this);
}

void CRurIvaManager::uninstall() {
  m_pIrrDevice = 0;
  m_pSmgr = 0;
  m_pTimer = 0;
  m_iLastStep = 0;
}

void CRurIvaManager::initODE() {
  m_pQueue->postEvent(new CRurIvaEventInit(), true);
  m_pDevice->initODE();
}

void CRurIvaManager::initPhysics() {
  m_iInitializedNodes = 0;
  m_bPhysicsInitialized = false;
  for (CRurIvaWorld* pWorld : m_lWorlds) pWorld->initPhysics();
  for (IRurIvaStepMotor* pMotor : m_lStepMotors) pMotor->initPhysics();
  m_bPhysicsInitialized = true;
}

// Closing and clearing discard every dynamics object, and the handles that named them name
// nothing any more. The nodes stay registered and forget their handles, so that the same set-up
// comes back with the next initPhysics (after initODE when the library was closed), and the
// manager steps its worlds again.
void CRurIvaManager::closeODE() {
  m_pDevice->closeODE();
  forgetPhysics();
  m_pQueue->postEvent(new CRurIvaEventClose(), true);
}

void CRurIvaManager::clearODE() {
  m_pDevice->clearODE();
  forgetPhysics();
  m_pQueue->postEvent(new CRurIvaEventClose(), true);
}

void CRurIvaManager::forgetPhysics() {
  std::set<CRurIvaSceneNode*> aDone;
  auto forget = [&](CRurIvaSceneNode* pNode) {
    if (aDone.insert(pNode).second) pNode->forgetPhysics();
  };
  for (CRurIvaWorld* pWorld : snapshot(m_lWorlds)) forget(pWorld);
  for (CRurIvaSceneNode* pNode : snapshot(m_lNodes)) forget(pNode);
  for (IRurIvaStepMotor* pMotor : snapshot(m_lStepMotors)) forget(pMotor);
  m_iInitializedNodes = 0;
  m_bPhysicsInitialized = false;
}

void CRurIvaManager::addWorld(CRurIvaWorld* pWorld) { appendOnce(m_lWorlds, pWorld); }

void CRurIvaManager::removeWorld(CRurIvaWorld* pWorld) { removeFirst(m_lWorlds, pWorld); }

void CRurIvaManager::addOdeSceneNode(CRurIvaSceneNode* pNode) {
  if (!pNode) return;
  updateNodeIdCounter(pNode->getID());
  m_lNodes.push_back(pNode);
}

void CRurIvaManager::removeOdeSceneNode(CRurIvaSceneNode* pNode) { removeFirst(m_lNodes, pNode); }

bool CRurIvaManager::isRegisteredOdeSceneNode(scene::ISceneNode* pNode) const {
  for (CRurIvaSceneNode* p : m_lNodes)
    if (p == pNode) return true;
  return false;
}

void CRurIvaManager::addSurfaceParameter(CRurIvaSurfaceParameters* pParam) {
  if (pParam) m_lParams.push_back(pParam);
}

void CRurIvaManager::removeSurfaceParameter(CRurIvaSurfaceParameters* pParam) {
  removeFirst(m_lParams, pParam);
}

CRurIvaSurfaceParameters* CRurIvaManager::getSurfaceParameter(core::stringw sName) const {
  if (sName.size() == 0) return 0;
  for (CRurIvaSurfaceParameters* p : m_lParams)
    if (sName == p->getName() && !p->doesUseDefined()) return p;
  return 0;
}

CRurIvaDampable* CRurIvaManager::getDampableWithParamName(const wchar_t* sName) const {
  // An empty name names no set: otherwise every unnamed world would "define" it.
  if (!sName || !*sName) return 0;
  const core::stringw sWanted(sName);
  for (CRurIvaWorld* pWorld : m_lWorlds)
    if (pWorld->getParamName() == sWanted) return pWorld;
  for (CRurIvaSceneNode* pNode : m_lNodes) {
    if (pNode->getType() != RUR_IVA_BODY_ID) continue;
    CRurIvaBody* pBody = static_cast<CRurIvaBody*>(pNode);
    if (pBody->getParamName() == sWanted && !pBody->doesUseDefined()) return pBody;
  }
  return 0;
}

void CRurIvaManager::addStepMotor(IRurIvaStepMotor* pMotor) { appendOnce(m_lStepMotors, pMotor); }

void CRurIvaManager::removeStepMotor(IRurIvaStepMotor* pMotor) { removeFirst(m_lStepMotors, pMotor); }

void CRurIvaManager::stepStepMotors() {
  for (IRurIvaStepMotor* pMotor : m_lStepMotors) pMotor->step();
}

f32 CRurIvaManager::elapsedSeconds(const c8* sCaller) {
  if (!m_pTimer) {
    printf("###### CRurIvaManager::%s: timer==NULL!\n", sCaller);
    return -1.0f;
  }
  const u32 iNow = m_pTimer->getTime();
  // Unsigned difference: a timer that wrapped past 2^32 still gives the small step.
  const u32 iElapsed = iNow - m_iLastStep;
  m_iLastStep = iNow;
  return static_cast<f32>(iElapsed) / 1000.0f;
}

void CRurIvaManager::step() {
  const f32 fElapsed = elapsedSeconds("step");
  if (fElapsed < 0.0f) return;  // no clock, no time to simulate
  ++m_iFrameNo;
  for (CRurIvaWorld* pWorld : m_lWorlds) pWorld->step(fElapsed);
}

void CRurIvaManager::quickStep() {
  const f32 fElapsed = elapsedSeconds("quickStep");
  if (fElapsed < 0.0f) return;
  ++m_iFrameNo;
  for (CRurIvaWorld* pWorld : m_lWorlds) pWorld->quickStep(fElapsed);
}

void CRurIvaManager::updateNodeIdCounter(s32 iId) {
  if (iId > m_iNodeId) m_iNodeId = iId;
}

scene::ISceneNode* CRurIvaManager::cloneOdeNode(scene::ISceneNode* pSource, scene::ISceneNode* pNewParent,
                                                scene::ISceneManager* pNewManager, s32 iNewId) {
  if (!pSource) return 0;
  scene::ISceneNode* pClone = pSource->clone(pNewParent, pNewManager);
  if (!pClone) return 0;
  if (iNewId == -1) iNewId = ++m_iNodeId;
  pClone->setID(iNewId);
  // Without a new parent the clone stays where clone() put it, beside its source.
  if (pNewParent) pClone->setParent(pNewParent);
  return pClone;
}

scene::ISceneNode* CRurIvaManager::cloneTree(scene::ISceneNode* pSource, scene::ISceneNode* pNewParent,
                                             scene::ISceneManager* pNewManager) {
  scene::ISceneNode* pClone = cloneOdeNode(pSource, pNewParent, pNewManager, -1);
  if (pClone) m_pQueue->postEvent(new CRurIvaEventNodeCloned(pSource->getID(), pClone->getID()), true);
  return pClone;
}

void CRurIvaManager::removeTreeFromPhysics(scene::ISceneNode* pNode) {
  if (!pNode) return;
  core::array<scene::ISceneNode*> aChildren;
  for (scene::ISceneNode* pChild : pNode->getChildren()) aChildren.push_back(pChild);
  for (u32 i = 0; i < aChildren.size(); ++i) {
    if (isRegisteredOdeSceneNode(aChildren[i]))
      static_cast<CRurIvaSceneNode*>(aChildren[i])->removeFromPhysics();
    removeTreeFromPhysics(aChildren[i]);
  }
}

void CRurIvaManager::removeSceneNode(scene::ISceneNode* pNode) {
  if (pNode) m_pQueue->postEvent(new CRurIvaEventNodeRemoved(pNode), true);
}

namespace {

void collectNodes(scene::ISceneNode* pNode, std::set<scene::ISceneNode*>& aNodes) {
  aNodes.insert(pNode);
  for (scene::ISceneNode* pChild : pNode->getChildren()) collectNodes(pChild, aNodes);
}

/**
 * The physics node factory hands every node it creates to its caller with one reference; the
 * engine's scene loader keeps none of them, so the nodes a load created would never die. The
 * new physics nodes are handed to the scene alone, except a fast body's guard ray, whose
 * reference belongs to its body.
 */
void releaseLoadedNodes(scene::ISceneNode* pNode, const std::set<scene::ISceneNode*>& aBefore) {
  for (scene::ISceneNode* pChild : snapshot(pNode->getChildren())) releaseLoadedNodes(pChild, aBefore);
  if (aBefore.count(pNode) || !CRurIvaSceneNode::isRurIvaType(pNode->getType())) return;
  if (pNode->getType() == RUR_IVA_GEOM_RAY_ID && static_cast<CRurIvaGeomRay*>(pNode)->getAttachedBody())
    return;
  if (pNode->getReferenceCount() > 1) pNode->drop();
}

}  // namespace

bool CRurIvaManager::loadScene(const c8* sFileName, scene::ISceneManager* pSceneManager) {
  if (!pSceneManager) pSceneManager = m_pSmgr;
  if (!pSceneManager || !sFileName) return false;
  std::set<scene::ISceneNode*> aBefore;
  collectNodes(pSceneManager->getRootSceneNode(), aBefore);
  const bool bLoaded = pSceneManager->loadScene(sFileName);
  releaseLoadedNodes(pSceneManager->getRootSceneNode(), aBefore);
  if (!bLoaded) return false;
  m_pQueue->postEvent(new CRurIvaEventLoadScene(sFileName), true);
  return true;
}

void CRurIvaManager::sceneNodeInitialized(CRurIvaSceneNode* pNode) {
  if (m_bPhysicsInitialized || !isRegisteredOdeSceneNode(pNode)) return;
  ++m_iInitializedNodes;
  m_pQueue->postEvent(new CRurIvaEventProgress(m_iInitializedNodes, m_lNodes.size()), true);
}

bool CRurIvaManager::handlesEvent(IRurIvaEvent* pEvent) {
  if (!pEvent) return false;
  const u16 iType = pEvent->getType();
  return iType == eRurIvaEventBodyMoved || iType == eRurIvaEventBodyRemoved ||
         iType == eRurIvaEventNodeRemoved;
}

bool CRurIvaManager::onEvent(IRurIvaEvent* pEvent) {
  if (!pEvent) return false;
  switch (pEvent->getType()) {
    case eRurIvaEventBodyMoved:
      applyBodyMoved(pEvent);
      return true;
    case eRurIvaEventBodyRemoved:
      applyBodyRemoved(pEvent);
      return false;
    case eRurIvaEventNodeRemoved:
      applyNodeRemoved(pEvent);
      return false;
    default:
      return false;
  }
}

void CRurIvaManager::applyBodyMoved(IRurIvaEvent* pEvent) {
  CRurIvaEventBodyMoved* pMoved = static_cast<CRurIvaEventBodyMoved*>(pEvent);
  CRurIvaBody* pBody = pMoved->getBody();
  if (!pBody && m_pSmgr) {
    scene::ISceneNode* pNode = m_pSmgr->getSceneNodeFromId(pMoved->getBodyId());
    if (pNode && pNode->getType() == RUR_IVA_BODY_ID) pBody = static_cast<CRurIvaBody*>(pNode);
  }
  if (!pBody) return;

  const u8 iFlags = pMoved->getFlags();
  if (iFlags & siRurIvaEventPosition) pBody->setNodePosition(pMoved->getPosition());
  if (iFlags & siRurIvaEventRotation) pBody->setNodeRotation(pMoved->getRotation());
  if (iFlags & siRurIvaEventLinearVel) pBody->setNodeLinearVelocity(pMoved->getLinearVelocity());
  if (iFlags & siRurIvaEventAngularVel) pBody->setNodeAngularVelocity(pMoved->getAngularVelocity());
  if (iFlags & siRurIvaEventDamping) {
    pBody->setNodeAngularDamping(pMoved->getAngularDamping());
    pBody->setNodeLinearDamping(pMoved->getLinearDamping());
  }

  CRurIvaGeom* pTouched = 0;
  if (pMoved->getTouchedId() != 0) {
    pTouched = pMoved->getTouched();
    if (!pTouched && m_pSmgr) {
      scene::ISceneNode* pNode = m_pSmgr->getSceneNodeFromId(pMoved->getTouchedId());
      if (pNode && CRurIvaGeom::isGeomType(pNode->getType())) pTouched = static_cast<CRurIvaGeom*>(pNode);
    }
  }
  pBody->setIsTouching(pTouched);
}

void CRurIvaManager::applyBodyRemoved(IRurIvaEvent* pEvent) {
  CRurIvaEventBodyRemoved* pRemoved = static_cast<CRurIvaEventBodyRemoved*>(pEvent);
  CRurIvaBody* pBody = pRemoved->getBody();
  if (!pBody && m_pSmgr) {
    scene::ISceneNode* pNode = m_pSmgr->getSceneNodeFromId(pRemoved->getBodyId());
    if (pNode && pNode->getType() == RUR_IVA_BODY_ID) pBody = static_cast<CRurIvaBody*>(pNode);
  }
  if (pBody) pBody->doRemoveFromPhysics();
}

void CRurIvaManager::applyNodeRemoved(IRurIvaEvent* pEvent) {
  CRurIvaEventNodeRemoved* pRemoved = static_cast<CRurIvaEventNodeRemoved*>(pEvent);
  scene::ISceneNode* pNode = pRemoved->getRemovedNode();
  if (!pNode) {
    if (pRemoved->getRemovedNodeId() == -1 || !m_pSmgr) return;
    pNode = m_pSmgr->getSceneNodeFromId(pRemoved->getRemovedNodeId());
    if (!pNode) return;
  }
  if (m_pSmgr) m_pSmgr->addToDeletionQueue(pNode);
}

}  // namespace ode
}  // namespace irr
