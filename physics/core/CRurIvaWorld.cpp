#include "CRurIvaWorld.h"

#include <algorithm>
#include <cstdio>

#include "CRurIvaBody.h"
#include "CRurIvaDebugView.h"
#include "CRurIvaGeom.h"
#include "CRurIvaManager.h"
#include "CRurIvaSpace.h"
#include "CRurIvaSurfaceParameters.h"
#include "CRurIvaXmlCheck.h"
#include "IRurIvaDevice.h"
#include "RurIvaLists.h"

namespace irr {
namespace ode {

CRurIvaWorld::CRurIvaWorld(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id,
                           const core::vector3df& position, const core::vector3df& rotation,
                           const core::vector3df& scale)
    : CRurIvaDampable(parent, mgr, id, position, rotation, scale),
      m_iJointGroupId(0),
      m_iWorldId(0),
      m_fStepSize(m_pOdeDevice->getStepSize()),
      m_bDrawEditorMesh(true),
      m_pSpace(0),
      m_cGravity(0.0f, -10.0f, 0.0f) {
  m_pOdeManager->addWorld(this);
}

CRurIvaWorld::~CRurIvaWorld() {
  if (m_iJointGroupId) m_pOdeDevice->jointGroupDestroy(m_iJointGroupId);
  if (m_iWorldId) m_pOdeDevice->worldDestroy(m_iWorldId);
  m_iJointGroupId = 0;
  m_iWorldId = 0;

  // Members of the set-up must not reach the world from now on: those held by someone else
  // outlive it, and its children are destroyed after its own members. (What has left the
  // simulation is no longer listed and no longer names it.)
  for (CRurIvaBody* pBody : m_lBodies) pBody->forgetWorld();
  std::vector<CRurIvaBody*>().swap(m_aBodies);
  for (CRurIvaGeom* pGeom : m_lGeoms) pGeom->forgetWorld();
  for (CRurIvaSpace* pSpace : m_lSpaces) pSpace->forgetWorld();
  m_pOdeManager->removeWorld(this);

  // Geometries copied what they needed from the loaded sets when their physics started.
  // A set handed to a geometry stays until the geometry goes.
  for (u32 i = 0; i < m_aLoadedParams.size(); ++i) {
    if (!m_aLoadedParams[i]->letGo()) continue;
    m_pOdeManager->removeSurfaceParameter(m_aLoadedParams[i]);
    delete m_aLoadedParams[i];
  }
  m_aLoadedParams.clear();
}

scene::ISceneNode* CRurIvaWorld::clone(scene::ISceneNode* newParent, scene::ISceneManager* newManager) {
  if (!newParent) newParent = Parent;
  if (!newManager) newManager = m_pSceneManager;
  CRurIvaWorld* pClone = new CRurIvaWorld(newParent, newManager, -1);
  copyParams(pClone, true);
  cloneChildren(pClone, newManager);
  return pClone;
}

void CRurIvaWorld::initPhysics() {
  if (m_bPhysicsInitialized) return;
  // Starting posts events (the progress of the start, a body's creation) whose listeners may
  // take this world or its members out of the scene: the world holds itself until it is done,
  // and each member while it starts (see startEach).
  grab();
  CRurIvaSceneNode::initPhysics();

  m_iWorldId = m_pOdeDevice->worldCreate();
  m_iJointGroupId = m_pOdeDevice->jointGroupCreate(0);

  // The world's collision space: the one it was given, else the first space of its subtree that
  // sits in no other space (a scene file holds the space the world made when it was saved),
  // else a new one. Every other space of the subtree is nested in it when it initialises.
  if (!m_pSpace) {
    for (CRurIvaSpace* pSpace : m_lSpaces)
      if (!pSpace->getParentSpace()) {
        m_pSpace = pSpace;
        break;
      }
  }
  if (!m_pSpace) {
    CRurIvaSpace* pSpace = new CRurIvaSpace(this, m_pSceneManager, -1);
    pSpace->drop();  // the world, its parent, keeps it
    m_pSpace = pSpace;
  }
  CRurIvaSpace* pSpace = m_pSpace;
  pSpace->grab();
  pSpace->initPhysics();  // a listener may take it out of the scene: the world then has none
  pSpace->drop();

  setLinearDamping(m_fLinearDamping);
  setAngularDamping(m_fAngularDamping);
  setLinearDampingThreshold(m_fLinearDampingThreshold);
  setAngularDampingThreshold(m_fAngularDampingThreshold);
  setAutoDisableFlag(m_iAutoDisableFlag);
  setAutoDisableLinearThreshold(m_fAutoDisableLinearThreshold);
  setAutoDisableAngularThreshold(m_fAutoDisableAngularThreshold);
  setAutoDisableSteps(m_iAutoDisableSteps);
  setAutoDisableTime(m_fAutoDisableTime);
  setGravity(m_cGravity);
  if (m_fMaxAngularSpeed != 0.0f) setMaxAngularSpeed(m_fMaxAngularSpeed);

  // Initialising a member may add members (a space, a body's ray).
  startEach(
      m_lSpaces, [this](CRurIvaSpace* p) { return contains(m_lSpaces, p); },
      [](CRurIvaSpace* p) { p->initPhysics(); });
  startEach(
      m_lGeoms, [this](CRurIvaGeom* p) { return p->getWorld() == this; },
      [](CRurIvaGeom* p) { p->initPhysics(); });
  const std::vector<CRurIvaBody*> aBodies = snapshot(m_lBodies);
  startEach(
      m_lBodies, [this](CRurIvaBody* p) { return p->getWorld() == this; },
      [&](CRurIvaBody* pBody) {
        pBody->initPhysics();
        if (!pBody->isParamMaster() || pBody->getWorld() != this) return;
        for (CRurIvaBody* pOther : aBodies)
          if (pOther->getWorld() == this && pOther->getOdeClassname() == pBody->getOdeClassname())
            pBody->copyParams(pOther, false);
      });
  drop();
}

void CRurIvaWorld::removeFromPhysics() {
  CRurIvaSceneNode::removeFromPhysics();
  if (m_iWorldId) {
    m_pOdeDevice->worldDestroy(m_iWorldId);
    m_iWorldId = 0;
  }
}

void CRurIvaWorld::copyParams(CRurIvaSceneNode* pDest, bool bRecurse) {
  if (!pDest) return;
  if (bRecurse) CRurIvaDampable::copyParams(pDest, true);
  CRurIvaWorld* pDst = static_cast<CRurIvaWorld*>(pDest);
  // The space is not shared: two worlds stepping one space would collide each other's bodies,
  // and the copy would step a destroyed space once this world is gone. A cloned world has the
  // clones of this world's spaces below it and takes its own at initialisation.
  pDst->setGravity(m_cGravity);
}

// Damping and auto-disable: stored, and passed on once the dynamics world exists.
void CRurIvaWorld::setLinearDamping(f32 fScale) {
  m_fLinearDamping = fScale;
  if (m_iWorldId) m_pOdeDevice->worldSetLinearDamping(m_iWorldId, fScale);
}
f32 CRurIvaWorld::getLinearDamping() {
  return m_iWorldId ? m_pOdeDevice->worldGetLinearDamping(m_iWorldId) : m_fLinearDamping;
}
void CRurIvaWorld::setAngularDamping(f32 fScale) {
  m_fAngularDamping = fScale;
  if (m_iWorldId) m_pOdeDevice->worldSetAngularDamping(m_iWorldId, fScale);
}
f32 CRurIvaWorld::getAngularDamping() {
  return m_iWorldId ? m_pOdeDevice->worldGetAngularDamping(m_iWorldId) : m_fAngularDamping;
}
void CRurIvaWorld::setLinearDampingThreshold(f32 fThreshold) {
  m_fLinearDampingThreshold = fThreshold;
  if (m_iWorldId) m_pOdeDevice->worldSetLinearDampingThreshold(m_iWorldId, fThreshold);
}
f32 CRurIvaWorld::getLinearDampingThreshold() {
  return m_iWorldId ? m_pOdeDevice->worldGetLinearDampingThreshold(m_iWorldId) : m_fLinearDampingThreshold;
}
void CRurIvaWorld::setAngularDampingThreshold(f32 fThreshold) {
  m_fAngularDampingThreshold = fThreshold;
  if (m_iWorldId) m_pOdeDevice->worldSetAngularDampingThreshold(m_iWorldId, fThreshold);
}
f32 CRurIvaWorld::getAngularDampingThreshold() {
  return m_iWorldId ? m_pOdeDevice->worldGetAngularDampingThreshold(m_iWorldId) : m_fAngularDampingThreshold;
}
void CRurIvaWorld::setMaxAngularSpeed(f32 fMaxSpeed) {
  m_fMaxAngularSpeed = fMaxSpeed;
  if (m_iWorldId) m_pOdeDevice->worldSetMaxAngularSpeed(m_iWorldId, fMaxSpeed);
}
f32 CRurIvaWorld::getMaxAngularSpeed() {
  return m_iWorldId ? m_pOdeDevice->worldGetMaxAngularSpeed(m_iWorldId) : m_fMaxAngularSpeed;
}
void CRurIvaWorld::setAutoDisableFlag(s32 iFlag) {
  m_iAutoDisableFlag = iFlag;
  if (m_iWorldId) m_pOdeDevice->worldSetAutoDisableFlag(m_iWorldId, iFlag);
}
s32 CRurIvaWorld::getAutoDisableFlag() {
  return m_iWorldId ? m_pOdeDevice->worldGetAutoDisableFlag(m_iWorldId) : m_iAutoDisableFlag;
}
void CRurIvaWorld::setAutoDisableLinearThreshold(f32 fThreshold) {
  m_fAutoDisableLinearThreshold = fThreshold;
  if (m_iWorldId) m_pOdeDevice->worldSetAutoDisableLinearThreshold(m_iWorldId, fThreshold);
}
f32 CRurIvaWorld::getAutoDisableLinearThreshold() {
  return m_iWorldId ? m_pOdeDevice->worldGetAutoDisableLinearThreshold(m_iWorldId)
                    : m_fAutoDisableLinearThreshold;
}
void CRurIvaWorld::setAutoDisableAngularThreshold(f32 fThreshold) {
  m_fAutoDisableAngularThreshold = fThreshold;
  if (m_iWorldId) m_pOdeDevice->worldSetAutoDisableAngularThreshold(m_iWorldId, fThreshold);
}
f32 CRurIvaWorld::getAutoDisableAngularThreshold() {
  return m_iWorldId ? m_pOdeDevice->worldGetAutoDisableAngularThreshold(m_iWorldId)
                    : m_fAutoDisableAngularThreshold;
}
void CRurIvaWorld::setAutoDisableSteps(s32 iSteps) {
  m_iAutoDisableSteps = iSteps;
  if (m_iWorldId) m_pOdeDevice->worldSetAutoDisableSteps(m_iWorldId, iSteps);
}
s32 CRurIvaWorld::getAutoDisableSteps() {
  return m_iWorldId ? m_pOdeDevice->worldGetAutoDisableSteps(m_iWorldId) : m_iAutoDisableSteps;
}
void CRurIvaWorld::setAutoDisableTime(f32 fTime) {
  m_fAutoDisableTime = fTime;
  if (m_iWorldId) m_pOdeDevice->worldSetAutoDisableTime(m_iWorldId, fTime);
}
f32 CRurIvaWorld::getAutoDisableTime() {
  return m_iWorldId ? m_pOdeDevice->worldGetAutoDisableTime(m_iWorldId) : m_fAutoDisableTime;
}

void CRurIvaWorld::OnRegisterSceneNode() {
  m_aDebugLines.set_used(0);
  if (IsVisible && DebugDataVisible && !m_aContactPoints.empty()) {
    // A cross of three lines per point, of a size that looks the same at any distance.
    scene::ICameraSceneNode* pCamera = m_pSceneManager->getActiveCamera();
    for (u32 i = 0; i < m_aContactPoints.size(); ++i) {
      const core::vector3df& p = m_aContactPoints[i];
      const f32 fDistance = pCamera ? p.getDistanceFrom(pCamera->getAbsolutePosition()) : 100.0f;
      const f32 s = core::max_(0.01f * fDistance, 1e-3f);
      m_aDebugLines.push_back(core::line3df(p - core::vector3df(s, 0, 0), p + core::vector3df(s, 0, 0)));
      m_aDebugLines.push_back(core::line3df(p - core::vector3df(0, s, 0), p + core::vector3df(0, s, 0)));
      m_aDebugLines.push_back(core::line3df(p - core::vector3df(0, 0, s), p + core::vector3df(0, 0, s)));
    }
    m_cDebugBox = CRurIvaDebugView::localBox(m_aDebugLines, getAbsoluteTransformation());
    m_pSceneManager->registerNodeForRendering(this, scene::ESNRP_TRANSPARENT_EFFECT);
  } else if (m_aDebugLines.allocated_size() > 0) {
    m_aDebugLines.clear();
  }
  scene::ISceneNode::OnRegisterSceneNode();
}

void CRurIvaWorld::render() {
  CRurIvaDebugView::drawLines(m_pSceneManager->getVideoDriver(), m_aDebugLines, CRurIvaDebugView::kContact,
                              true);
}

const core::aabbox3df& CRurIvaWorld::getBoundingBox() const {
  return m_aDebugLines.empty() ? m_cBoundingBox : m_cDebugBox;
}

void CRurIvaWorld::forgetPhysics() {
  CRurIvaDampable::forgetPhysics();
  m_iWorldId = 0;
  m_iJointGroupId = 0;
}

void CRurIvaWorld::step(f32 fTime) { m_pOdeDevice->step(fTime, this); }
void CRurIvaWorld::quickStep(f32 fTime) { m_pOdeDevice->quickStep(fTime, this); }

void CRurIvaWorld::setStepSize(f32 fStepSize) {
  m_fStepSize = fStepSize;
  m_pOdeDevice->setStepSize(fStepSize);
}

void CRurIvaWorld::setGravity(core::vector3df cGravity) {
  m_cGravity = cGravity;
  if (m_iWorldId) m_pOdeDevice->worldSetGravity(m_iWorldId, cGravity);
}

// The solver settings have no stored copy; without a dynamics world there is nothing to ask.
void CRurIvaWorld::setERP(f32 fErp) {
  if (m_iWorldId) m_pOdeDevice->worldSetERP(m_iWorldId, fErp);
}
f32 CRurIvaWorld::getERP() { return m_iWorldId ? m_pOdeDevice->worldGetERP(m_iWorldId) : 0.0f; }
void CRurIvaWorld::setCFM(f32 fCfm) {
  if (m_iWorldId) m_pOdeDevice->worldSetCFM(m_iWorldId, fCfm);
}
f32 CRurIvaWorld::getCFM() { return m_iWorldId ? m_pOdeDevice->worldGetCFM(m_iWorldId) : 0.0f; }
void CRurIvaWorld::setQuickStepNumIterations(s32 iNum) {
  if (m_iWorldId) m_pOdeDevice->worldSetQuickStepNumIterations(m_iWorldId, iNum);
}
s32 CRurIvaWorld::getQuickStepNumIterations() {
  return m_iWorldId ? m_pOdeDevice->worldGetQuickStepNumIterations(m_iWorldId) : -1;
}
void CRurIvaWorld::setQuickStepSOR(f32 fSor) {
  if (m_iWorldId) m_pOdeDevice->worldSetQuickStepW(m_iWorldId, fSor);
}
f32 CRurIvaWorld::getQuickStepSOR() {
  return m_iWorldId ? m_pOdeDevice->worldGetQuickStepW(m_iWorldId) : 0.0f;
}

void CRurIvaWorld::setContactCalculator(IRurIvaContactParameters* pCalculator) {
  m_pOdeDevice->setContactCalculator(pCalculator);
}
IRurIvaContactParameters* CRurIvaWorld::getContactCalculator() {
  return m_pOdeDevice->getContactCalculator();
}

void CRurIvaWorld::addBody(CRurIvaBody* pBody) {
  if (!pBody) return;
  m_cBodyIndex.append(m_lBodies, pBody);
  m_aBodies.push_back(pBody);
}

void CRurIvaWorld::removeBody(CRurIvaBody* pBody) {
  if (!m_cBodyIndex.remove(m_lBodies, pBody)) return;
  auto it = std::find(m_aBodies.begin(), m_aBodies.end(), pBody);
  if (it == m_aBodies.end()) return;
  if (m_iWalks) {
    *it = 0;
    m_bHoles = true;
  } else {
    m_aBodies.erase(it);
  }
}

template <class TVisit>
void CRurIvaWorld::walkBodies(TVisit fVisit) {
  ++m_iWalks;
  // By place, not by iterator: a visit may add bodies (the vector grows) or remove them.
  for (size_t i = 0; i < m_aBodies.size(); ++i) {
    // The body a few places on is asked for now; the walk would otherwise wait for every
    // body's memory in turn.
    if (i + 4 < m_aBodies.size() && m_aBodies[i + 4]) m_aBodies[i + 4]->prefetchStepState();
    if (CRurIvaBody* pBody = m_aBodies[i]) fVisit(pBody);
  }
  if (--m_iWalks == 0 && m_bHoles) {
    m_aBodies.erase(std::remove(m_aBodies.begin(), m_aBodies.end(), nullptr), m_aBodies.end());
    m_bHoles = false;
  }
}

void CRurIvaWorld::addGeom(CRurIvaGeom* pGeom) {
  if (pGeom) m_cGeomIndex.append(m_lGeoms, pGeom);
}

void CRurIvaWorld::removeGeom(CRurIvaGeom* pGeom) { m_cGeomIndex.remove(m_lGeoms, pGeom); }

void CRurIvaWorld::addSpace(CRurIvaSpace* pSpace) {
  if (pSpace) m_lSpaces.push_back(pSpace);
}

void CRurIvaWorld::removeSpace(CRurIvaSpace* pSpace) {
  // Spaces stay listed for the world's life; a destroyed space only leaves its pointer here,
  // so forget it to keep the list safe to walk.
  removeFirst(m_lSpaces, pSpace);
  if (m_pSpace == pSpace) m_pSpace = 0;
}

void CRurIvaWorld::resetCollisionAttributes() {
  m_aContactPoints.set_used(0);
  walkBodies([](CRurIvaBody* pBody) {
    pBody->setCollision(false);
    pBody->setIsTouching(0);
    pBody->setCollisionPoint(core::vector3df(0.0f, 0.0f, 0.0f));
    pBody->setCollisionMaterial(0);
  });
}

void CRurIvaWorld::frameUpdate(u64 iToken) {
  // A listener of an activation event may remove nodes, this body's or others'.
  walkBodies([iToken](CRurIvaBody* pBody) { pBody->frameUpdate(iToken); });
}

s32 CRurIvaWorld::setSurfaceXml(const wchar_t* sFileName) {
  m_sSurfaceDefinitions = sFileName ? sFileName : L"";
  return loadFromFile(sFileName);
}

s32 CRurIvaWorld::loadFromFile(const wchar_t* sFileName) {
  printf("load from file!\n");
  const core::stringc sName = nodeNameToC8(sFileName);

  io::IFileSystem* pFileSystem = m_pSceneManager ? m_pSceneManager->getFileSystem() : 0;
  io::IReadFile* pFile = pFileSystem && !CRurIvaXmlCheck::namesSomethingButAFile(pFileSystem, sName.c_str())
                             ? pFileSystem->createAndOpenFile(sName.c_str())
                             : 0;
  if (!pFile) {
    printf("unable to open \"%s\"\n", sName.c_str());
    return 0;
  }

  // The engine's reader runs past the end of unfinished XML: such a file is not handed to it.
  io::IXMLReader* pReader = CRurIvaXmlCheck::isComplete(pFile, CRurIvaXmlCheck::eWideReader)
                                ? pFileSystem->createXMLReader(pFile)
                                : 0;
  if (!pReader) {
    printf("\"%s\" is an invalid XML file\n", sName.c_str());
    pFile->drop();
    return 0;
  }

  s32 iCount = 0;
  while (pReader->read()) {
    if (pReader->getNodeType() == io::EXN_ELEMENT && core::stringw(L"parameters") == pReader->getNodeName()) {
      printf("parameter!\n");
      // An empty element has no attribute block; reading on would steal the next set's block.
      if (!pReader->isEmptyElement()) loadParameter(pReader);
      ++iCount;
    }
  }

  pReader->drop();
  pFile->drop();
  printf("%i surface parameter sets loaded from \"%s\"\n", iCount, sName.c_str());
  return iCount;
}

void CRurIvaWorld::loadParameter(io::IXMLReader* pReader) {
  while (pReader->read()) {
    const core::stringw sNode = pReader->getNodeName();
    if (pReader->getNodeType() == io::EXN_ELEMENT && sNode == L"attributes") {
      io::IAttributes* pAttributes = m_pSceneManager->getFileSystem()->createEmptyAttributes();
      // An empty block has no end element to stop at: read it as an empty set.
      if (!pReader->isEmptyElement()) pAttributes->read(pReader, true);
      CRurIvaSurfaceParameters* pParams = new CRurIvaSurfaceParameters();
      pParams->hold();
      m_aLoadedParams.push_back(pParams);
      m_pOdeManager->addSurfaceParameter(pParams);
      pParams->m_bStatic = true;
      pParams->deserializeAttributes(pAttributes, 0, 0);
      pAttributes->drop();
      // Reading the block consumed its end element; the set's end element is skipped by the caller.
      return;
    }
    if (pReader->getNodeType() == io::EXN_ELEMENT_END && (sNode == L"attributes" || sNode == L"parameters"))
      return;
  }
}

void CRurIvaWorld::serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions* options) const {
  if (!out) return;
  CRurIvaDampable::serializeAttributes(out, options);
  out->addFloat("StepSize", m_pOdeDevice->getStepSize());
  out->addVector3d("Gravity", m_cGravity);
  out->addString("surfaceDefinitions", nodeNameToC8(m_sSurfaceDefinitions.c_str()));
  out->addBool("DrawEditorMesh", m_bDrawEditorMesh);
}

void CRurIvaWorld::deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options) {
  if (!in) return;
  CRurIvaDampable::deserializeAttributes(in, options);
  f32 fStepSize = m_fStepSize;
  // A broken step size would stall or freeze the simulation: keep the current one.
  if (readFinite(in, "StepSize", fStepSize) && fStepSize > 0.0f) setStepSize(fStepSize);
  readFinite(in, "Gravity", m_cGravity);
  m_sSurfaceDefinitions = core::stringw(in->getAttributeAsString("surfaceDefinitions").c_str());
  if (m_sSurfaceDefinitions.size() > 0) loadFromFile(m_sSurfaceDefinitions.c_str());
  if (in->existsAttribute("DrawEditorMesh")) m_bDrawEditorMesh = in->getAttributeAsBool("DrawEditorMesh");
}

}  // namespace ode
}  // namespace irr
