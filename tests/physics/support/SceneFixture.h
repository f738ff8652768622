// Shared set-up of the core and simulation tests: an engine device on the null driver with the
// physics manager installed, helpers that build physics nodes the way a scene file does (a
// visible node below the body, the geometry below the visible node), an event log, a device
// that records the calls it receives, and meshes with known bounding boxes.
//
// Each test runs in a process of its own, so a test may replace the manager's device and build
// its scene freely. The scene is torn down by dropping the engine device, which destroys the
// nodes; the fixture then checks that every node, world and surface set left the manager.
#ifndef VARRIK_TESTS_PHYSICS_SCENE_FIXTURE_H
#define VARRIK_TESTS_PHYSICS_SCENE_FIXTURE_H

#include <gtest/gtest.h>
#include <irrlicht.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "CRurIvaBody.h"
#include "CRurIvaContactParameters.h"
#include "CRurIvaDevice.h"
#include "CRurIvaEventActivationChanged.h"
#include "CRurIvaEventBodyMoved.h"
#include "CRurIvaEventQueue.h"
#include "CRurIvaEventStep.h"
#include "CRurIvaGeomBox.h"
#include "CRurIvaGeomCapsule.h"
#include "CRurIvaGeomCylinder.h"
#include "CRurIvaGeomPlane.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaManager.h"
#include "CRurIvaSpace.h"
#include "CRurIvaSurfaceParameters.h"
#include "CRurIvaWorld.h"
#include "IRurIvaEvent.h"
#include "IRurIvaEventListener.h"

namespace varrik_core_test {

using irr::f32;
using irr::s32;
using irr::u16;
using irr::u32;
using irr::u8;
using irr::core::aabbox3df;
using irr::core::vector3df;
using irr::ode::CRurIvaBody;
using irr::ode::CRurIvaDevice;
using irr::ode::CRurIvaGeom;
using irr::ode::CRurIvaGeomBox;
using irr::ode::CRurIvaGeomCapsule;
using irr::ode::CRurIvaGeomCylinder;
using irr::ode::CRurIvaGeomPlane;
using irr::ode::CRurIvaGeomSphere;
using irr::ode::CRurIvaManager;
using irr::ode::CRurIvaSpace;
using irr::ode::CRurIvaSurfaceParameters;
using irr::ode::CRurIvaWorld;
using irr::scene::ISceneNode;

//! The device's default fixed step.
const f32 kCoreStep = 0.016f;

#define CORE_EXPECT_VEC_NEAR(a, b, tol)   \
  do {                                    \
    const vector3df cA_ = (a), cB_ = (b); \
    EXPECT_NEAR(cA_.X, cB_.X, tol) << #a; \
    EXPECT_NEAR(cA_.Y, cB_.Y, tol) << #a; \
    EXPECT_NEAR(cA_.Z, cB_.Z, tol) << #a; \
  } while (0)

//! What a piece of code printed on standard output.
template <class F>
std::string coreCaptured(F f) {
  testing::internal::CaptureStdout();
  f();
  return testing::internal::GetCapturedStdout();
}

inline int coreCount(const std::string& sText, const std::string& sWhat) {
  int n = 0;
  for (size_t i = sText.find(sWhat); i != std::string::npos; i = sText.find(sWhat, i + sWhat.size())) ++n;
  return n;
}

/**
 * The real device, recording the calls the layer makes through it before passing them on, so
 * that a test can see the order of a set-up and the values it hands to the dynamics library.
 */
class CoreRecordingDevice : public CRurIvaDevice {
 public:
  std::vector<std::string> m_aCalls;
  std::vector<f32> m_aStepTimes;

  //! Index of the first call whose text starts with sPrefix, or -1.
  int indexOf(const std::string& sPrefix) const {
    for (size_t i = 0; i < m_aCalls.size(); ++i)
      if (m_aCalls[i].compare(0, sPrefix.size(), sPrefix) == 0) return static_cast<int>(i);
    return -1;
  }
  int count(const std::string& sPrefix) const {
    int n = 0;
    for (const std::string& s : m_aCalls) n += s.compare(0, sPrefix.size(), sPrefix) == 0;
    return n;
  }
  std::string first(const std::string& sPrefix) const {
    const int i = indexOf(sPrefix);
    return i < 0 ? std::string() : m_aCalls[i];
  }

  u32 worldCreate() override { return rec("worldCreate", CRurIvaDevice::worldCreate()); }
  u32 jointGroupCreate(int iMax) override {
    return rec("jointGroupCreate", CRurIvaDevice::jointGroupCreate(iMax));
  }
  u32 spaceCreateSimple(u32 iParent) override {
    return rec("spaceCreateSimple(" + num(iParent) + ")", CRurIvaDevice::spaceCreateSimple(iParent));
  }
  u32 spaceCreateHash(u32 iParent) override {
    return rec("spaceCreateHash(" + num(iParent) + ")", CRurIvaDevice::spaceCreateHash(iParent));
  }
  u32 spaceCreateQuadTree(u32 iParent, vector3df cCenter, vector3df cExtents, int iDepth) override {
    return rec("spaceCreateQuadTree(" + num(iParent) + "," + vec(cCenter) + "," + vec(cExtents) + "," +
                   num(iDepth) + ")",
               CRurIvaDevice::spaceCreateQuadTree(iParent, cCenter, cExtents, iDepth));
  }
  void worldSetLinearDamping(u32 w, f32 f) override {
    add("worldSetLinearDamping(" + num(f) + ")");
    CRurIvaDevice::worldSetLinearDamping(w, f);
  }
  void worldSetAngularDamping(u32 w, f32 f) override {
    add("worldSetAngularDamping(" + num(f) + ")");
    CRurIvaDevice::worldSetAngularDamping(w, f);
  }
  void worldSetLinearDampingThreshold(u32 w, f32 f) override {
    add("worldSetLinearDampingThreshold(" + num(f) + ")");
    CRurIvaDevice::worldSetLinearDampingThreshold(w, f);
  }
  void worldSetAngularDampingThreshold(u32 w, f32 f) override {
    add("worldSetAngularDampingThreshold(" + num(f) + ")");
    CRurIvaDevice::worldSetAngularDampingThreshold(w, f);
  }
  void worldSetMaxAngularSpeed(u32 w, f32 f) override {
    add("worldSetMaxAngularSpeed(" + num(f) + ")");
    CRurIvaDevice::worldSetMaxAngularSpeed(w, f);
  }
  void worldSetAutoDisableFlag(u32 w, int i) override {
    add("worldSetAutoDisableFlag(" + num(i) + ")");
    CRurIvaDevice::worldSetAutoDisableFlag(w, i);
  }
  void worldSetAutoDisableLinearThreshold(u32 w, f32 f) override {
    add("worldSetAutoDisableLinearThreshold(" + num(f) + ")");
    CRurIvaDevice::worldSetAutoDisableLinearThreshold(w, f);
  }
  void worldSetAutoDisableAngularThreshold(u32 w, f32 f) override {
    add("worldSetAutoDisableAngularThreshold(" + num(f) + ")");
    CRurIvaDevice::worldSetAutoDisableAngularThreshold(w, f);
  }
  void worldSetAutoDisableSteps(u32 w, int i) override {
    add("worldSetAutoDisableSteps(" + num(i) + ")");
    CRurIvaDevice::worldSetAutoDisableSteps(w, i);
  }
  void worldSetAutoDisableTime(u32 w, f32 f) override {
    add("worldSetAutoDisableTime(" + num(f) + ")");
    CRurIvaDevice::worldSetAutoDisableTime(w, f);
  }
  void worldSetGravity(u32 w, vector3df g) override {
    add("worldSetGravity(" + vec(g) + ")");
    CRurIvaDevice::worldSetGravity(w, g);
  }
  void worldSetERP(u32 w, f32 f) override {
    add("worldSetERP(" + num(f) + ")");
    CRurIvaDevice::worldSetERP(w, f);
  }
  void worldSetCFM(u32 w, f32 f) override {
    add("worldSetCFM(" + num(f) + ")");
    CRurIvaDevice::worldSetCFM(w, f);
  }
  u32 geomCreateBox(u32 s, f32 x, f32 y, f32 z) override {
    return rec("geomCreateBox(" + num(x) + "," + num(y) + "," + num(z) + ")",
               CRurIvaDevice::geomCreateBox(s, x, y, z));
  }
  u32 geomCreateSphere(u32 s, f32 r) override {
    return rec("geomCreateSphere(" + num(r) + ")", CRurIvaDevice::geomCreateSphere(s, r));
  }
  u32 geomCreateCapsule(u32 s, f32 r, f32 l) override {
    return rec("geomCreateCapsule(" + num(r) + "," + num(l) + ")", CRurIvaDevice::geomCreateCapsule(s, r, l));
  }
  u32 geomCreateCylinder(u32 s, f32 r, f32 l) override {
    return rec("geomCreateCylinder(" + num(r) + "," + num(l) + ")",
               CRurIvaDevice::geomCreateCylinder(s, r, l));
  }
  u32 geomCreatePlane(u32 s, f32 a, f32 b, f32 c, f32 d) override {
    return rec("geomCreatePlane", CRurIvaDevice::geomCreatePlane(s, a, b, c, d));
  }
  u32 bodyCreate(u32 w) override { return rec("bodyCreate", CRurIvaDevice::bodyCreate(w)); }
  void bodySetMass(u32 b, u32 m) override {
    add("bodySetMass");
    CRurIvaDevice::bodySetMass(b, m);
  }
  void massAdd(u32 a, u32 b) override {
    add("massAdd");
    CRurIvaDevice::massAdd(a, b);
  }
  void massSetParameters(u32 m, f32 f, vector3df c, vector3df i1, vector3df i2) override {
    add("massSetParameters(" + num(f) + ")");
    CRurIvaDevice::massSetParameters(m, f, c, i1, i2);
  }
  void massSetSphereTotal(u32 m, f32 f, f32 r) override {
    add("massSetSphereTotal(" + num(f) + "," + num(r) + ")");
    CRurIvaDevice::massSetSphereTotal(m, f, r);
  }
  void geomSetOffsetPosition(u32 g, vector3df p) override {
    add("geomSetOffsetPosition(" + vec(p) + ")");
    CRurIvaDevice::geomSetOffsetPosition(g, p);
  }
  void geomSetRotation(u32 g, vector3df r) override {
    add("geomSetRotation(" + vec(r) + ")");
    CRurIvaDevice::geomSetRotation(g, r);
  }
  void geomSetPosition(u32 g, vector3df p) override {
    add("geomSetPosition(" + vec(p) + ")");
    CRurIvaDevice::geomSetPosition(g, p);
  }
  void step(f32 fTime, CRurIvaWorld* pWorld) override {
    m_aStepTimes.push_back(fTime);
    CRurIvaDevice::step(fTime, pWorld);
  }

  static std::string num(double f) {
    char s[64];
    snprintf(s, sizeof(s), "%g", f);
    return s;
  }
  static std::string vec(const vector3df& v) { return num(v.X) + "," + num(v.Y) + "," + num(v.Z); }

 private:
  void add(const std::string& s) { m_aCalls.push_back(s); }
  u32 rec(const std::string& s, u32 iHandle) {
    m_aCalls.push_back(s);
    return iHandle;
  }
};

//! Records every event the manager's queue delivers, from construction to destruction.
class CoreEventLog : public irr::ode::IRurIvaEventListener {
 public:
  struct SEntry {
    u16 iType;
    u32 iStepNo;
    u32 iFrameNo;
    bool bActive;
    CRurIvaBody* pBody;
    u8 iFlags;
  };

  CoreEventLog() { CRurIvaManager::getSharedInstance()->getQueue()->addEventListener(this); }
  ~CoreEventLog() { CRurIvaManager::getSharedInstance()->getQueue()->removeEventListener(this); }
  CoreEventLog(const CoreEventLog&) = delete;
  CoreEventLog& operator=(const CoreEventLog&) = delete;

  bool handlesEvent(irr::ode::IRurIvaEvent*) override { return true; }
  bool onEvent(irr::ode::IRurIvaEvent* pEvent) override {
    SEntry e = {pEvent->getType(), 0, 0, false, nullptr, 0};
    if (e.iType == irr::ode::eRurIvaEventStep) {
      irr::ode::CRurIvaEventStep* p = static_cast<irr::ode::CRurIvaEventStep*>(pEvent);
      e.iStepNo = p->getStepNo();
      e.iFrameNo = p->getFrameNo();
    } else if (e.iType == irr::ode::eRurIvaEventActivationChanged) {
      irr::ode::CRurIvaEventActivationChanged* p =
          static_cast<irr::ode::CRurIvaEventActivationChanged*>(pEvent);
      e.bActive = p->isActive();
      e.pBody = p->getBody();
    } else if (e.iType == irr::ode::eRurIvaEventBodyMoved) {
      irr::ode::CRurIvaEventBodyMoved* p = static_cast<irr::ode::CRurIvaEventBodyMoved*>(pEvent);
      e.pBody = p->getBody();
      e.iFlags = p->getFlags();
    }
    m_aEntries.push_back(e);
    return true;
  }

  std::vector<u16> types() const {
    std::vector<u16> a;
    for (const SEntry& e : m_aEntries) a.push_back(e.iType);
    return a;
  }
  int count(u16 iType) const {
    int n = 0;
    for (const SEntry& e : m_aEntries) n += e.iType == iType;
    return n;
  }
  void clear() { m_aEntries.clear(); }

  std::vector<SEntry> m_aEntries;
};

/**
 * An engine device on the null driver with the physics manager installed (or not) and the
 * dynamics library initialised. A device given to the constructor replaces the manager's own
 * (the manager owns it from then on); nodes cache the device when they are built, so this
 * happens before any node exists.
 */
class CoreScene {
 public:
  explicit CoreScene(CRurIvaDevice* pDevice = nullptr, bool bInstall = true) {
    m_pManager = CRurIvaManager::getSharedInstance();
    if (pDevice) {
      irr::ode::IRurIvaDevice* pOld = m_pManager->getOdeDevice();
      m_pManager->setOdeDevice(pDevice);
      delete pOld;
    }
    m_pDevice = static_cast<CRurIvaDevice*>(m_pManager->getOdeDevice());
    m_pIrr = irr::createDevice(irr::video::EDT_NULL);
    m_pSmgr = m_pIrr->getSceneManager();
    m_pRoot = m_pSmgr->getRootSceneNode();
    if (bInstall) m_pManager->install(m_pIrr);
    m_pManager->initODE();
  }

  ~CoreScene() {
    m_pManager->uninstall();
    m_pIrr->drop();
    // Every node unregisters itself when it is destroyed; anything left would be a dangling
    // pointer in the manager.
    EXPECT_TRUE(m_pManager->getRurIvaNodes().empty()) << "nodes left registered";
    EXPECT_TRUE(m_pManager->getWorlds().empty()) << "worlds left registered";
    EXPECT_TRUE(m_pManager->getSurfaceParameters().empty()) << "surface sets left registered";
    m_pManager->closeODE();
  }

  CoreScene(const CoreScene&) = delete;
  CoreScene& operator=(const CoreScene&) = delete;

  CRurIvaWorld* addWorld(ISceneNode* pParent = nullptr) {
    return add<CRurIvaWorld>(pParent ? pParent : m_pRoot);
  }

  //! A physics node below pParent; the parent holds the only reference.
  template <class T>
  T* add(ISceneNode* pParent, const vector3df& cPos = vector3df(0, 0, 0),
         const vector3df& cRot = vector3df(0, 0, 0), const vector3df& cScale = vector3df(1, 1, 1)) {
    T* p = new T(pParent, m_pSmgr, -1, cPos, cRot, cScale);
    p->drop();
    return p;
  }

  //! A visible node without a mesh, as the parent a geometry takes its offset from.
  ISceneNode* addEmpty(ISceneNode* pParent, const vector3df& cPos = vector3df(0, 0, 0),
                       const vector3df& cRot = vector3df(0, 0, 0),
                       const vector3df& cScale = vector3df(1, 1, 1)) {
    ISceneNode* p = m_pSmgr->addEmptySceneNode(pParent);
    p->setPosition(cPos);
    p->setRotation(cRot);
    p->setScale(cScale);
    return p;
  }

  //! A mesh of one buffer per box, each buffer holding the eight corners of its box.
  static irr::scene::SMesh* makeMesh(const std::vector<aabbox3df>& aBoxes) {
    irr::scene::SMesh* pMesh = new irr::scene::SMesh();
    for (const aabbox3df& cBox : aBoxes) {
      irr::scene::SMeshBuffer* pBuffer = new irr::scene::SMeshBuffer();
      vector3df aCorners[8];
      cBox.getEdges(aCorners);
      for (const vector3df& c : aCorners)
        pBuffer->Vertices.push_back(irr::video::S3DVertex(
            c, vector3df(0, 1, 0), irr::video::SColor(255, 255, 255, 255), irr::core::vector2df(0, 0)));
      const u16 aIndices[] = {0, 1, 2, 2, 1, 3, 4, 5, 6, 6, 5, 7};
      for (u16 i : aIndices) pBuffer->Indices.push_back(i);
      pBuffer->recalculateBoundingBox();
      pMesh->addMeshBuffer(pBuffer);
      pBuffer->drop();
    }
    pMesh->recalculateBoundingBox();
    return pMesh;
  }

  irr::scene::IMeshSceneNode* addMeshNode(ISceneNode* pParent, const std::vector<aabbox3df>& aBoxes,
                                          const vector3df& cPos = vector3df(0, 0, 0),
                                          const vector3df& cScale = vector3df(1, 1, 1)) {
    irr::scene::SMesh* pMesh = makeMesh(aBoxes);
    irr::scene::IMeshSceneNode* p =
        m_pSmgr->addMeshSceneNode(pMesh, pParent, -1, cPos, vector3df(0, 0, 0), cScale);
    pMesh->drop();
    return p;
  }

  irr::scene::IAnimatedMeshSceneNode* addAnimatedMeshNode(ISceneNode* pParent,
                                                          const std::vector<aabbox3df>& aBoxes,
                                                          const vector3df& cPos = vector3df(0, 0, 0),
                                                          const vector3df& cScale = vector3df(1, 1, 1)) {
    irr::scene::SMesh* pMesh = makeMesh(aBoxes);
    irr::scene::SAnimatedMesh* pAnimated = new irr::scene::SAnimatedMesh(pMesh);
    pAnimated->recalculateBoundingBox();
    irr::scene::IAnimatedMeshSceneNode* p =
        m_pSmgr->addAnimatedMeshSceneNode(pAnimated, pParent, -1, cPos, vector3df(0, 0, 0), cScale);
    pAnimated->drop();
    pMesh->drop();
    return p;
  }

  //! The ground: the plane y = fHeight, a static geometry of the world.
  CRurIvaGeomPlane* addGround(CRurIvaWorld* pWorld, f32 fHeight = 0.0f) {
    CRurIvaGeomPlane* p = add<CRurIvaGeomPlane>(pWorld);
    p->setParams(0, 1, 0, fHeight);
    return p;
  }

  //! A body at cPos with a sphere geometry of its own (below an empty visible node at its origin).
  CRurIvaBody* addSphereBody(ISceneNode* pParent, const vector3df& cPos, f32 fRadius, f32 fMass = 1.0f,
                             CRurIvaGeomSphere** ppGeom = nullptr) {
    CRurIvaBody* pBody = add<CRurIvaBody>(pParent, cPos);
    CRurIvaGeomSphere* pSphere = add<CRurIvaGeomSphere>(addEmpty(pBody));
    pSphere->setRadius(fRadius);
    pSphere->setMassTotal(fMass);
    if (ppGeom) *ppGeom = pSphere;
    return pBody;
  }

  //! A body at cPos with a box geometry of the given size.
  CRurIvaBody* addBoxBody(ISceneNode* pParent, const vector3df& cPos, const vector3df& cSize,
                          const vector3df& cRot = vector3df(0, 0, 0), f32 fMass = 1.0f,
                          CRurIvaGeomBox** ppGeom = nullptr) {
    CRurIvaBody* pBody = add<CRurIvaBody>(pParent, cPos, cRot);
    CRurIvaGeomBox* pBox = add<CRurIvaGeomBox>(addEmpty(pBody));
    pBox->setWidth(cSize.X);
    pBox->setHeight(cSize.Y);
    pBox->setDepht(cSize.Z);
    pBox->setMassTotal(fMass);
    if (ppGeom) *ppGeom = pBox;
    return pBody;
  }

  //! Runs n fixed steps of the world.
  void steps(CRurIvaWorld* pWorld, int n) {
    for (int i = 0; i < n; ++i) pWorld->step(m_pDevice->getStepSize());
  }
  //! Runs the fixed steps of about fSeconds of simulated time.
  void simulate(CRurIvaWorld* pWorld, f32 fSeconds) {
    steps(pWorld, static_cast<int>(std::lround(fSeconds / m_pDevice->getStepSize())));
  }

  CRurIvaManager* m_pManager;
  CRurIvaDevice* m_pDevice;
  irr::IrrlichtDevice* m_pIrr;
  irr::scene::ISceneManager* m_pSmgr;
  ISceneNode* m_pRoot;
};

}  // namespace varrik_core_test

#endif
