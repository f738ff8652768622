// The scene every physics test and benchmark builds on: an engine device on the null driver, the
// physics manager installed on it (unless asked not to) with the dynamics library initialised, a
// world, helpers that build physics nodes the way a scene file does (a visible node below the
// body, the geometry below the visible node), and a clock that runs the world's fixed steps.
//
// Each test runs in a process of its own, so a scene may replace the manager's device and build
// freely. Nodes belong to the scene graph: a node made by add() is held by its parent alone, and a
// creation reference handed to keep() is given up when the scene closes. Closing drops the engine
// device, which destroys the nodes, and then closes the dynamics library.
//
// This header needs no test framework, so that the benchmarks can share it; CTestScene adds the
// checks a test makes when its scene closes.
#ifndef VARRIK_TESTS_PHYSICS_C_PHYSICS_SCENE_H
#define VARRIK_TESTS_PHYSICS_C_PHYSICS_SCENE_H

#include <irrlicht.h>

#include <cmath>
#include <vector>

#include "CRurIvaBody.h"
#include "CRurIvaDevice.h"
#include "CRurIvaEventQueue.h"
#include "CRurIvaGeomBox.h"
#include "CRurIvaGeomPlane.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaGeomTrimesh.h"
#include "CRurIvaManager.h"
#include "CRurIvaSceneNodeFactory.h"
#include "CRurIvaWorld.h"
#include "TestMeshes.h"
#include "TestTypes.h"

namespace varrik {
namespace test {

//! The device's default fixed step: a world stepped by exactly this time runs one step.
const f32 kStep = 0.016f;
//! The strength of a world's default gravity, (0, -kGravity, 0).
const f32 kGravity = 10.0f;

class CPhysicsScene {
 public:
  //! What a scene sets up besides the engine and the dynamics library.
  enum EOption : u32 {
    eNone = 0,
    //! The manager is not installed: it has no engine device, timer or scene manager.
    eNotInstalled = 1,
    //! The physics node factory is registered with the scene manager.
    eFactory = 2,
  };

  /**
   * A device given here, or else a new plain one, replaces the manager's own (the manager owns
   * it from then on): a scene never inherits an earlier scene's device, whose settings, clock
   * and (for a test's own device, a counting one say) pointers to what that test kept on its
   * stack would reach into this one. Nodes keep the device they find when they are built, so
   * this happens before any node exists.
   */
  explicit CPhysicsScene(CRurIvaDevice* pDevice = nullptr, u32 iOptions = eNone) {
    m_pManager = CRurIvaManager::getSharedInstance();
    irr::ode::IRurIvaDevice* pOld = m_pManager->getOdeDevice();
    if (!pDevice) pDevice = new CRurIvaDevice();
    if (pDevice != pOld) {
      m_pManager->setOdeDevice(pDevice);
      delete pOld;
    }
    m_pDevice = static_cast<CRurIvaDevice*>(m_pManager->getOdeDevice());
    m_pIrr = irr::createDevice(irr::video::EDT_NULL);
    // The engine's clock is one for the whole process: an earlier scene left it where its last
    // frame set it. Every scene starts at time 0, as in a process of its own.
    m_pIrr->getTimer()->setTime(0);
    m_pSmgr = m_pIrr->getSceneManager();
    m_pRoot = m_pSmgr->getRootSceneNode();
    if (iOptions & eFactory) {
      irr::ode::CRurIvaSceneNodeFactory* pFactory = new irr::ode::CRurIvaSceneNodeFactory(m_pSmgr);
      m_pSmgr->registerSceneNodeFactory(pFactory);
      pFactory->drop();
    }
    if (!(iOptions & eNotInstalled))
      m_pManager->install(m_pIrr);
    else
      // As if it never was: an earlier scene's install left the manager listening to the queue.
      m_pManager->getQueue()->removeEventListener(m_pManager);
    m_iFirstFrame = m_pManager->getFrameNo();
    m_pManager->initODE();
  }

  //! The manager's frames since the scene began (the manager counts the process's frames).
  u32 frames() const { return m_pManager->getFrameNo() - m_iFirstFrame; }

  virtual ~CPhysicsScene() { close(); }

  CPhysicsScene(const CPhysicsScene&) = delete;
  CPhysicsScene& operator=(const CPhysicsScene&) = delete;

  /**
   * Gives up the kept references, drops the engine device (and with it every node) and closes
   * the dynamics library. Whatever the manager still had registered when the nodes were gone is
   * counted in m_iNodesLeft, m_iWorldsLeft and m_iSurfacesLeft. Closing twice does nothing.
   */
  void close() {
    if (!m_pIrr) return;
    for (ISceneNode* p : m_aKept) p->drop();
    m_aKept.clear();
    m_pManager->uninstall();
    m_pIrr->drop();
    m_pIrr = nullptr;
    m_iNodesLeft = m_pManager->getRurIvaNodes().size();
    m_iWorldsLeft = m_pManager->getWorlds().size();
    m_iSurfacesLeft = m_pManager->getSurfaceParameters().size();
    m_pManager->closeODE();
  }

  //! The scene's world: the first world added, added now below the root if there is none yet.
  CRurIvaWorld* world() { return m_pWorld ? m_pWorld : addWorld(); }

  //! Another world below pParent (the root if none).
  CRurIvaWorld* addWorld(ISceneNode* pParent = nullptr, s32 iId = -1) {
    CRurIvaWorld* p = new CRurIvaWorld(pParent ? pParent : m_pRoot, m_pSmgr, iId);
    p->drop();
    if (!m_pWorld) m_pWorld = p;
    return p;
  }

  //! A physics node below pParent; the parent holds the only reference.
  template <class T>
  T* add(ISceneNode* pParent, const vector3df& cPos = vector3df(0, 0, 0),
         const vector3df& cRot = vector3df(0, 0, 0), const vector3df& cScale = vector3df(1, 1, 1)) {
    T* p = new T(pParent, m_pSmgr, -1, cPos, cRot, cScale);
    p->drop();
    return p;
  }

  //! Takes over a creation reference (of a clone, say) until the scene closes.
  template <class T>
  T* keep(T* p) {
    m_aKept.push_back(p);
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

  //! A mesh node below pParent (the root if none) showing pMesh, whose creation reference it takes.
  irr::scene::IMeshSceneNode* addMeshNode(ISceneNode* pParent, irr::scene::IMesh* pMesh,
                                          const vector3df& cPos = vector3df(0, 0, 0),
                                          const vector3df& cRot = vector3df(0, 0, 0),
                                          const vector3df& cScale = vector3df(1, 1, 1)) {
    irr::scene::IMeshSceneNode* p = m_pSmgr->addMeshSceneNode(pMesh, pParent, -1, cPos, cRot, cScale);
    pMesh->drop();
    return p;
  }

  //! A mesh node of one buffer per box, each buffer holding the eight corners of its box.
  irr::scene::IMeshSceneNode* addMeshNode(ISceneNode* pParent, const std::vector<aabbox3df>& aBoxes,
                                          const vector3df& cPos = vector3df(0, 0, 0),
                                          const vector3df& cScale = vector3df(1, 1, 1)) {
    return addMeshNode(pParent, meshOfBoxes(aBoxes), cPos, vector3df(0, 0, 0), cScale);
  }

  //! An animated mesh node of one frame, the mesh of one buffer per box.
  irr::scene::IAnimatedMeshSceneNode* addAnimatedMeshNode(ISceneNode* pParent,
                                                          const std::vector<aabbox3df>& aBoxes,
                                                          const vector3df& cPos = vector3df(0, 0, 0),
                                                          const vector3df& cScale = vector3df(1, 1, 1)) {
    irr::scene::SMesh* pMesh = meshOfBoxes(aBoxes);
    irr::scene::SAnimatedMesh* pAnimated = new irr::scene::SAnimatedMesh(pMesh);
    pAnimated->recalculateBoundingBox();
    irr::scene::IAnimatedMeshSceneNode* p =
        m_pSmgr->addAnimatedMeshSceneNode(pAnimated, pParent, -1, cPos, vector3df(0, 0, 0), cScale);
    pAnimated->drop();
    pMesh->drop();
    return p;
  }

  //! The ground: the plane y = fHeight, a static geometry of pWorld.
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

  //! An empty attribute container of the engine, as a scene file's node block reads; the caller
  //! drops it.
  irr::io::IAttributes* newAttributes() const { return m_pIrr->getFileSystem()->createEmptyAttributes(); }

  //! Brings the scene's world and everything below it to life.
  void init() { world()->initPhysics(); }

  //! Runs n fixed steps of the scene's world, or of pWorld.
  void steps(int n) { steps(world(), n); }
  void steps(CRurIvaWorld* pWorld, int n) {
    for (int i = 0; i < n; ++i) pWorld->step(m_pDevice->getStepSize());
  }
  //! Runs the fixed steps of about fSeconds of simulated time.
  void simulate(f32 fSeconds) { simulate(world(), fSeconds); }
  void simulate(CRurIvaWorld* pWorld, f32 fSeconds) {
    steps(pWorld, static_cast<int>(std::lround(fSeconds / m_pDevice->getStepSize())));
  }
  //! Sets the engine's clock to iMilliseconds and runs the manager's frame (a quick step if asked).
  void frameAt(u32 iMilliseconds, bool bQuick = false) {
    m_pIrr->getTimer()->setTime(iMilliseconds);
    if (bQuick)
      m_pManager->quickStep();
    else
      m_pManager->step();
  }

  CRurIvaManager* m_pManager;
  u32 m_iFirstFrame = 0;
  CRurIvaDevice* m_pDevice;
  irr::IrrlichtDevice* m_pIrr;
  irr::scene::ISceneManager* m_pSmgr;
  ISceneNode* m_pRoot;
  //! What the manager still had registered when close() had dropped the engine.
  size_t m_iNodesLeft = 0, m_iWorldsLeft = 0, m_iSurfacesLeft = 0;

 private:
  CRurIvaWorld* m_pWorld = nullptr;
  std::vector<ISceneNode*> m_aKept;
};

}  // namespace test
}  // namespace varrik

#endif
