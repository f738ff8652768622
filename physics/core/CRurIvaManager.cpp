#include "CRurIvaManager.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <limits>
#include <set>

#include "CRurIvaBody.h"
#include "CRurIvaDebugView.h"
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
#include "CRurIvaXmlCheck.h"
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
      m_pDevice(new CRurIvaDevice()),
      m_bInterpolation(false),
      m_fAlpha(1.0f),
      m_iMaxSteps(0),
      m_pSteppingWorld(0) {}

CRurIvaManager::~CRurIvaManager() {
  if (m_bPhysicsInitialized) closeODE();
  m_cNodeIndex.clear(m_lNodes);
  m_lStepMotors.clear();
  m_lWorlds.clear();
  m_cParamIndex.clear(m_lParams);
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
  // A listener of the progress events may take worlds or motors out of the scene (see startEach).
  startEach(
      m_lWorlds, [this](CRurIvaWorld* p) { return contains(m_lWorlds, p); },
      [](CRurIvaWorld* p) { p->initPhysics(); });
  startEach(
      m_lStepMotors, [this](IRurIvaStepMotor* p) { return contains(m_lStepMotors, p); },
      [](IRurIvaStepMotor* p) { p->initPhysics(); });
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

//! How many nodes of one id a removal looks through for its entry in the index by id.
const size_t kSearchedIdList = 16;

void CRurIvaManager::addOdeSceneNode(CRurIvaSceneNode* pNode) {
  if (!pNode) return;
  updateNodeIdCounter(pNode->getID());
  m_cNodeIndex.append(m_lNodes, pNode);
  if (m_bNodesByIdCurrent) m_mNodesById[pNode->getID()].push_back(pNode);
}

void CRurIvaManager::removeOdeSceneNode(CRurIvaSceneNode* pNode) {
  if (!m_cNodeIndex.remove(m_lNodes, pNode) || !m_bNodesByIdCurrent) return;
  // Its entry is listed under its id, among few others unless many nodes share it (the default
  // id -1): a long list is not searched, nor is a node found whose id was written directly; the
  // index is then built again when next asked.
  const auto it = m_mNodesById.find(pNode->getID());
  if (it != m_mNodesById.end() && it->second.size() <= kSearchedIdList) {
    std::vector<CRurIvaSceneNode*>& aNodes = it->second;
    const auto itNode = std::find(aNodes.begin(), aNodes.end(), pNode);
    if (itNode != aNodes.end()) {
      aNodes.erase(itNode);
      if (aNodes.empty()) m_mNodesById.erase(it);
      return;
    }
  }
  m_bNodesByIdCurrent = false;
}

bool CRurIvaManager::isRegisteredOdeSceneNode(scene::ISceneNode* pNode) const {
  return m_cNodeIndex.contains(pNode);
}

namespace {

//! Whether pNode hangs below pSmgr's root (a node taken out of the scene, or of another scene
//! manager, is not found by the engine's search either).
bool inScene(const scene::ISceneNode* pNode, scene::ISceneManager* pSmgr) {
  while (pNode->getParent()) pNode = pNode->getParent();
  return pNode == pSmgr->getRootSceneNode();
}

}  // namespace

scene::ISceneNode* CRurIvaManager::findNodeById(scene::ISceneManager* pSmgr, s32 iId) {
  if (!pSmgr) return 0;
  // The physics nodes the index lists under iId that hang in this scene (a node registered twice
  // counts once); a listed node that no longer has the id had it written directly (copied by a
  // clone, read from attributes), and the index is built again.
  CRurIvaSceneNode* pOnly = 0;
  u32 iFound = 0;
  for (bool bStale = true; bStale;) {
    if (!m_bNodesByIdCurrent) {
      m_mNodesById.clear();
      for (CRurIvaSceneNode* pNode : m_lNodes) m_mNodesById[pNode->getID()].push_back(pNode);
      m_bNodesByIdCurrent = true;
    }
    bStale = false;
    pOnly = 0;
    iFound = 0;
    const auto it = m_mNodesById.find(iId);
    if (it == m_mNodesById.end()) break;
    for (CRurIvaSceneNode* pNode : it->second) {
      if (pNode->getID() != iId) {
        bStale = true;
        m_bNodesByIdCurrent = false;
      } else if (pNode != pOnly && inScene(pNode, pSmgr)) {
        pOnly = pNode;
        ++iFound;
      }
    }
  }
  if (iFound == 1) return pOnly;
  scene::ISceneNode* pNode = pSmgr->getSceneNodeFromId(iId);
  // A physics node the index does not list under this id had it written directly: the index is
  // built again at the next search.
  if (iFound == 0 && pNode && isRegisteredOdeSceneNode(pNode)) m_bNodesByIdCurrent = false;
  return pNode;
}

void CRurIvaManager::addSurfaceParameter(CRurIvaSurfaceParameters* pParam) {
  if (pParam) m_cParamIndex.append(m_lParams, pParam);
}

void CRurIvaManager::removeSurfaceParameter(CRurIvaSurfaceParameters* pParam) {
  m_cParamIndex.remove(m_lParams, pParam);
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

void CRurIvaManager::step() { advance("step", false); }

void CRurIvaManager::quickStep() { advance("quickStep", true); }

void CRurIvaManager::advance(const c8* sCaller, bool bQuick) {
  const f32 fElapsed = elapsedSeconds(sCaller);
  if (fElapsed < 0.0f) return;  // no clock, no time to simulate
  ++m_iFrameNo;
  // The manager's limit holds for whatever device it has now.
  m_pDevice->setMaxSteps(m_iMaxSteps);
  if (m_bInterpolation) beginInterpolatedFrame();
  // By place, not by iterator: a listener may add or remove worlds while one steps, and a world
  // whose node was removed goes with the end of its step (the device holds it until then). The
  // walk goes on after the world just stepped, wherever it is now.
  for (u32 i = 0; i < m_lWorlds.size();) {
    auto it = m_lWorlds.begin();
    for (u32 k = 0; k < i; ++k) ++it;
    CRurIvaWorld* pWorld = *it;
    m_pSteppingWorld = pWorld;
    if (bQuick)
      pWorld->quickStep(fElapsed);
    else
      pWorld->step(fElapsed);
    m_pSteppingWorld = 0;
    u32 iNow = 0;
    for (it = m_lWorlds.begin(); it != m_lWorlds.end() && *it != pWorld; ++it) ++iNow;
    // Gone from the list (and maybe destroyed: pWorld is only compared): the next world has
    // taken its place.
    if (it != m_lWorlds.end()) i = iNow + 1;
  }
  if (m_bInterpolation) showInterpolatedFrame();
}

void CRurIvaManager::setMaxStepsPerFrame(u32 iMaxSteps) {
  m_iMaxSteps = iMaxSteps;
  m_pDevice->setMaxSteps(iMaxSteps);
}

f64 CRurIvaManager::getDroppedTime() const { return m_pDevice->getDroppedTime(); }

void CRurIvaManager::setInterpolation(bool bOn) {
  if (bOn == m_bInterpolation) return;
  m_bInterpolation = bOn;
  m_fAlpha = 1.0f;
  if (bOn) return;  // the first frame takes every body's pose as it is
  for (CRurIvaWorld* pWorld : m_lWorlds)
    for (CRurIvaBody* pBody : pWorld->getBodyList()) pBody->endInterpolation();
}

void CRurIvaManager::beginInterpolatedFrame() {
  for (CRurIvaWorld* pWorld : m_lWorlds)
    for (CRurIvaBody* pBody : pWorld->getBodyList()) pBody->beginInterpolatedFrame();
}

void CRurIvaManager::recordSimulatedPoses() {
  for (CRurIvaBody* pBody : m_pSteppingWorld->getBodyList()) pBody->recordSimulatedPose();
}

void CRurIvaManager::showInterpolatedFrame() {
  // After a frame's steps the accumulator a is zero or below: the last step ends -a seconds
  // after the frame's time, so the frame's time lies (h + a) / h of the way from the pose one
  // step before the last to the last (h the step size).
  const f32 fStep = m_pDevice->getStepSize();
  const f32 fAhead = m_pDevice->getTimeAccumulator();
  m_fAlpha = fStep > 0.0f ? core::clamp(1.0f + fAhead / fStep, 0.0f, 1.0f) : 1.0f;
  for (CRurIvaWorld* pWorld : m_lWorlds)
    for (CRurIvaBody* pBody : pWorld->getBodyList()) pBody->showInterpolatedPose(m_fAlpha);
}

void CRurIvaManager::setDebugView(scene::ISceneNode* pNode, bool bOn) {
  CRurIvaDebugView::setSubtree(pNode, bOn);
}

void CRurIvaManager::setStepThreads(u32 iThreads) {
  if (m_pDevice) m_pDevice->setStepThreads(iThreads);
}

u32 CRurIvaManager::getStepThreads() const { return m_pDevice ? m_pDevice->getStepThreads() : 0; }

void CRurIvaManager::updateNodeIdCounter(s32 iId) {
  if (iId > m_iNodeId) m_iNodeId = iId;
}

s32 CRurIvaManager::takeNodeId() {
  if (m_iNodeId == std::numeric_limits<s32>::max()) {
    printf("CRurIvaManager: no node id is left above %d, the node gets id -1\n", m_iNodeId);
    return -1;
  }
  return ++m_iNodeId;
}

scene::ISceneNode* CRurIvaManager::cloneOdeNode(scene::ISceneNode* pSource, scene::ISceneNode* pNewParent,
                                                scene::ISceneManager* pNewManager, s32 iNewId) {
  if (!pSource) return 0;
  // A copy placed inside what it copies would be copied again while it is made, without end.
  if (CRurIvaSceneNode::isWithin(pNewParent, pSource)) {
    printf("CRurIvaManager::cloneTree: a node cannot be cloned into its own subtree, nothing cloned\n");
    return 0;
  }
  scene::ISceneNode* pClone = pSource->clone(pNewParent, pNewManager);
  if (!pClone) return 0;
  // An engine node's clone drops what its physics children's clones handed back: the new
  // parents hold them, and nothing else may (they would never go).
  if (!CRurIvaSceneNode::isRurIvaType(pSource->getType()))
    for (scene::ISceneNode* pChild : pClone->getChildren()) CRurIvaSceneNode::releaseCloneReferences(pChild);
  if (iNewId == -1) iNewId = takeNodeId();
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

/**
 * The engine (1.8.5) writes a material's missing texture as "0" and, reading the file back,
 * looks for a texture file of that name for every such layer of every node: thousands of file
 * look-ups and warnings ("Could not open file of texture: 0") for a scene of a thousand bodies,
 * and with a file of that name in the working folder every untextured node would wear it. While
 * the layer loads a scene, "0" names a stand-in texture, which the nodes give up again after.
 */
class CMissingTextureStandIn {
 public:
  CMissingTextureStandIn(video::IVideoDriver* pDriver, io::IFileSystem* pFileSystem) : m_pDriver(pDriver) {
    if (!m_pDriver || !pFileSystem) return;
    // The engine looks a name up as its absolute path first.
    const io::path sName = pFileSystem->getAbsolutePath("0");
    if (m_pDriver->findTexture(sName) || m_pDriver->findTexture("0")) return;  // the program's own
    video::IImage* pImage = m_pDriver->createImage(video::ECF_A8R8G8B8, core::dimension2du(1, 1));
    if (!pImage) return;
    m_pTexture = m_pDriver->addTexture(sName, pImage);
    pImage->drop();
    if (m_pTexture && m_pDriver->findTexture(sName) != m_pTexture) {
      m_pDriver->removeTexture(m_pTexture);
      m_pTexture = 0;
    }
  }

  //! The stand-in goes; takeFrom has left no material holding it.
  ~CMissingTextureStandIn() {
    if (!m_pTexture) return;
    m_pDriver->removeTexture(m_pTexture);
  }

  //! Every material layer of the node and its subtree that holds the stand-in holds no texture.
  void takeFrom(scene::ISceneNode* pNode) {
    if (!m_pTexture) return;
    for (u32 i = 0; i < pNode->getMaterialCount(); ++i) {
      video::SMaterial& cMaterial = pNode->getMaterial(i);
      for (u32 k = 0; k < video::MATERIAL_MAX_TEXTURES; ++k)
        if (cMaterial.getTexture(k) == m_pTexture) cMaterial.setTexture(k, 0);
    }
    for (scene::ISceneNode* pChild : pNode->getChildren()) takeFrom(pChild);
  }

  CMissingTextureStandIn(const CMissingTextureStandIn&) = delete;
  CMissingTextureStandIn& operator=(const CMissingTextureStandIn&) = delete;

 private:
  video::IVideoDriver* m_pDriver;
  video::ITexture* m_pTexture = 0;
};

/**
 * Scene files written before the guard ray of a fast body was kept out of them hold that ray as
 * a plain ray below the world: unnamed, without an id, attached to nothing and never placed.
 * Read back it would sit at the library's default pose and report hits there beside the ray the
 * body makes for itself, one more with every save; a world that got a fast body from the file
 * drops such rays. Returns how many were dropped.
 */
u32 dropStrayGuardRays(scene::ISceneNode* pNode, const std::set<scene::ISceneNode*>& aBefore) {
  u32 iDropped = 0;
  for (scene::ISceneNode* pChild : snapshot(pNode->getChildren()))
    iDropped += dropStrayGuardRays(pChild, aBefore);
  if (pNode->getType() != RUR_IVA_WORLD_ID) return iDropped;
  bool bFastBody = false;
  for (CRurIvaBody* pBody : static_cast<CRurIvaWorld*>(pNode)->getBodyList())
    if (pBody->isFastMoving() && !aBefore.count(pBody)) bFastBody = true;
  if (!bFastBody) return iDropped;
  for (scene::ISceneNode* pChild : snapshot(pNode->getChildren())) {
    if (aBefore.count(pChild) || pChild->getType() != RUR_IVA_GEOM_RAY_ID) continue;
    CRurIvaGeomRay* pRay = static_cast<CRurIvaGeomRay*>(pChild);
    if (pRay->getAttachedBody() || pRay->getID() != -1 || pRay->getName()[0] || !pRay->getChildren().empty())
      continue;
    pRay->grab();
    pRay->remove();
    pRay->drop();
    ++iDropped;
  }
  return iDropped;
}

/**
 * The engine hands every scene file to its own scene loader (the first one registered), which
 * reads it with the engine's XML reader; that reader runs past the end of unfinished XML. A file
 * that a loader the program added takes instead is that loader's business.
 */
bool isSafeSceneFile(scene::ISceneManager* pSceneManager, io::IReadFile* pFile) {
  for (u32 i = pSceneManager->getSceneLoaderCount(); i-- > 1;) {
    pFile->seek(0);
    const bool bTaken = pSceneManager->getSceneLoader(i)->isALoadableFileFormat(pFile);
    pFile->seek(0);
    if (bTaken) return true;
  }
  return CRurIvaXmlCheck::isComplete(pFile, CRurIvaXmlCheck::eWideReader);
}

//! The attributes the engine's scene nodes open as files: every texture, and meshes, terrain
//! height maps and fonts named by strings.
bool namesAFile(const wchar_t* sElement, const wchar_t* sName) {
  if (wcscmp(sElement, L"texture") == 0) return true;
  if (wcscmp(sElement, L"string") != 0 || !sName) return false;
  return wcscmp(sName, L"Mesh") == 0 || wcscmp(sName, L"Heightmap") == 0 || wcscmp(sName, L"Font") == 0;
}

/**
 * Whether the engine (1.8.5) can build a sphere of these polygon counts: it takes each as a
 * 32-bit integer, raises it to 2, then halves both while their 32-bit product is above 32767. A
 * product that wraps round below that ends the halving early, and a count halved to 0 wraps round
 * later; the engine then writes outside the mesh it allocated. Counts beyond a 32-bit integer are
 * refused too.
 */
bool sphereCountsBuildable(f64 fX, f64 fY) {
  const f64 fMin = -2147483648.0, fMax = 2147483647.0;
  if (!(fX >= fMin && fX <= fMax && fY >= fMin && fY <= fMax)) return false;
  u32 x = core::max_(2u, static_cast<u32>(static_cast<s32>(fX)));
  u32 y = core::max_(2u, static_cast<u32>(static_cast<s32>(fY)));
  while (x * y > 32767) {  // as the engine computes it, wrapping round
    x /= 2;
    y /= 2;
  }
  return x > 0 && y > 0 && static_cast<u64>(x) * y <= 32767;
}

//! What a scene file (complete XML) holds that the engine's loader must not be given.
struct SSceneFileDangers {
  /**
   * The first file name that names something other than a file: the engine opens a folder as a
   * file of the largest size there is and its mesh loaders ask for that much memory (the program
   * ends on std::bad_alloc); a pipe would never end. Names of nothing are the engine's business
   * (it says it cannot load them and goes on).
   */
  core::stringc sNotAFile;
  //! Whether it gives an engine sphere polygon counts it cannot build (see sphereCountsBuildable);
  //! a count that is no number counts as 0, as the engine reads it.
  bool bUnbuildableSphere = false;
};

/**
 * Reads the file once for both dangers. Every node's material names its textures, mostly the
 * same ones (the engine writes "0" for none), so each name is looked up on disk once.
 */
SSceneFileDangers findDangers(scene::ISceneManager* pSceneManager, io::IReadFile* pFile) {
  SSceneFileDangers cFound;
  io::IFileSystem* pFileSystem = pSceneManager->getFileSystem();
  pFile->seek(0);
  if (io::IXMLReader* pReader = pFileSystem->createXMLReader(pFile)) {
    std::set<core::stringc> aLookedUp;
    bool bSphere = false;
    f64 aCount[3] = {0, 0, 0};  // PolyCountX, PolyCountY and the older PolyCount of one for both
    const auto checkSphere = [&] {
      // The engine takes the older count when the two are 0.
      if (bSphere && aCount[0] == 0 && aCount[1] == 0) aCount[0] = aCount[1] = aCount[2];
      if (bSphere && !sphereCountsBuildable(aCount[0], aCount[1])) cFound.bUnbuildableSphere = true;
    };
    // A name that is not a file refuses the file whatever else it holds.
    while (cFound.sNotAFile.empty() && pReader->read()) {
      if (pReader->getNodeType() != io::EXN_ELEMENT) continue;
      if (wcscmp(pReader->getNodeName(), L"node") == 0) {
        checkSphere();
        bSphere = wcscmp(pReader->getAttributeValueSafe(L"type"), L"sphere") == 0;
        aCount[0] = aCount[1] = aCount[2] = 0;
        continue;
      }
      const wchar_t* sName = pReader->getAttributeValueSafe(L"name");
      const int i = wcscmp(sName, L"PolyCountX") == 0   ? 0
                    : wcscmp(sName, L"PolyCountY") == 0 ? 1
                    : wcscmp(sName, L"PolyCount") == 0  ? 2
                                                        : -1;
      // Read as the engine reads it: a float as a float cut to an integer, anything else as atoi
      // does ("-1e-6" is -1, a count in the billions, not 0).
      if (i >= 0) {
        const wchar_t* sValue = pReader->getAttributeValueSafe(L"value");
        aCount[i] = wcscmp(pReader->getNodeName(), L"float") == 0
                        ? wcstod(sValue, 0)
                        : static_cast<f64>(static_cast<s32>(wcstol(sValue, 0, 10)));
      }
      if (!namesAFile(pReader->getNodeName(), pReader->getAttributeValue(L"name"))) continue;
      const core::stringc sValue(pReader->getAttributeValueSafe(L"value"));
      if (sValue.empty() || !aLookedUp.insert(sValue).second) continue;
      if (CRurIvaXmlCheck::namesSomethingButAFile(pFileSystem, sValue)) cFound.sNotAFile = sValue;
    }
    checkSphere();
    pReader->drop();
  }
  pFile->seek(0);
  return cFound;
}

}  // namespace

bool CRurIvaManager::loadScene(const c8* sFileName, scene::ISceneManager* pSceneManager) {
  if (!pSceneManager) pSceneManager = m_pSmgr;
  if (!pSceneManager || !sFileName) return false;
  io::IFileSystem* pFileSystem = pSceneManager->getFileSystem();
  io::IReadFile* pFile = CRurIvaXmlCheck::namesSomethingButAFile(pFileSystem, sFileName)
                             ? nullptr
                             : pFileSystem->createAndOpenFile(sFileName);
  if (!pFile) {
    printf("CRurIvaManager::loadScene: \"%s\" cannot be opened, nothing loaded\n", sFileName);
    return false;
  }
  if (!isSafeSceneFile(pSceneManager, pFile)) {
    printf("CRurIvaManager::loadScene: \"%s\" is not complete XML, nothing loaded\n", sFileName);
    pFile->drop();
    return false;
  }
  const SSceneFileDangers cDangers = findDangers(pSceneManager, pFile);
  if (!cDangers.sNotAFile.empty()) {
    printf("CRurIvaManager::loadScene: \"%s\" names \"%s\" as a file, which is not one; nothing loaded\n",
           sFileName, cDangers.sNotAFile.c_str());
    pFile->drop();
    return false;
  }
  if (cDangers.bUnbuildableSphere) {
    printf(
        "CRurIvaManager::loadScene: \"%s\" gives a sphere polygon counts the engine cannot build; nothing "
        "loaded\n",
        sFileName);
    pFile->drop();
    return false;
  }
  std::set<scene::ISceneNode*> aBefore;
  collectNodes(pSceneManager->getRootSceneNode(), aBefore);
  bool bLoaded = false;
  {
    CMissingTextureStandIn cStandIn(pSceneManager->getVideoDriver(), pSceneManager->getFileSystem());
    bLoaded = pSceneManager->loadScene(pFile);
    cStandIn.takeFrom(pSceneManager->getRootSceneNode());
  }
  pFile->drop();
  releaseLoadedNodes(pSceneManager->getRootSceneNode(), aBefore);
  if (const u32 iStray = dropStrayGuardRays(pSceneManager->getRootSceneNode(), aBefore))
    printf("CRurIvaManager::loadScene: %u stray guard ray(s) of an older scene file dropped\n", iStray);
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
  const u16 iType = pEvent->type();
  return iType == eRurIvaEventBodyMoved || iType == eRurIvaEventBodyRemoved ||
         iType == eRurIvaEventNodeRemoved ||
         (iType == eRurIvaEventStep && m_pSteppingWorld && m_bInterpolation);
}

bool CRurIvaManager::onEvent(IRurIvaEvent* pEvent) {
  if (!pEvent) return false;
  switch (pEvent->type()) {
    case eRurIvaEventBodyMoved:
      applyBodyMoved(pEvent);
      return true;
    case eRurIvaEventBodyRemoved:
      applyBodyRemoved(pEvent);
      return false;
    case eRurIvaEventNodeRemoved:
      applyNodeRemoved(pEvent);
      return false;
    case eRurIvaEventStep:
      // Every step of a frame's steps ends here: interpolation keeps its last two poses.
      if (m_pSteppingWorld && m_bInterpolation) recordSimulatedPoses();
      return false;
    default:
      return false;
  }
}

void CRurIvaManager::applyBodyMoved(IRurIvaEvent* pEvent) {
  CRurIvaEventBodyMoved* pMoved = static_cast<CRurIvaEventBodyMoved*>(pEvent);
  CRurIvaBody* pBody = pMoved->getBody();
  if (!pBody && m_pSmgr) {
    scene::ISceneNode* pNode = findNodeById(m_pSmgr, pMoved->getBodyId());
    if (pNode && pNode->getType() == RUR_IVA_BODY_ID) pBody = static_cast<CRurIvaBody*>(pNode);
  }
  if (!pBody) return;

  const u8 iFlags = pMoved->getFlags();
  // Position and rotation together: the parent's transformation is inverted once for both.
  if (iFlags & (siRurIvaEventPosition | siRurIvaEventRotation))
    pBody->setNodePose(iFlags & siRurIvaEventPosition ? &pMoved->getPosition() : 0,
                       iFlags & siRurIvaEventRotation ? &pMoved->getRotation() : 0);
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
      scene::ISceneNode* pNode = findNodeById(m_pSmgr, pMoved->getTouchedId());
      if (pNode && CRurIvaGeom::isGeomType(pNode->getType())) pTouched = static_cast<CRurIvaGeom*>(pNode);
    }
  }
  pBody->setIsTouching(pTouched);
}

void CRurIvaManager::applyBodyRemoved(IRurIvaEvent* pEvent) {
  CRurIvaEventBodyRemoved* pRemoved = static_cast<CRurIvaEventBodyRemoved*>(pEvent);
  CRurIvaBody* pBody = pRemoved->getBody();
  if (!pBody && m_pSmgr) {
    scene::ISceneNode* pNode = findNodeById(m_pSmgr, pRemoved->getBodyId());
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
