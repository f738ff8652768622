// The benchmark scenes, each built once through the physics layer and once with plain
// dynamics-library calls.
//
// What one step does on each side:
//
// Layer: the game's frame. The engine clock advances by one step size (16 ms) and the manager's
// step() (quickStep() for the pile) runs exactly one fixed step of the world: the world clears
// its bodies' touching state, the before-step event, dSpaceCollide with the layer's collision
// callback (every broad-phase pair: user data, collide flags, collision groups, joined bodies,
// rays; dCollide; for touching pairs the combined surface of the two geometries' surface sets,
// the bodies' touching state and contact damping, the contact joints), dWorldStep (or
// dWorldQuickStep) during which the moved callback reads every moved body back (rotation to
// Euler angles, node origin, velocities), updates the body node's absolute transformation and
// posts a body-moved event that the manager applies to the node, dJointGroupEmpty, the fast
// collisions, the step motors, the step event and every body's activation check.
//
// Plain: what a game written against the library alone does per step. dSpaceCollide with a near
// callback that skips static pairs, bodies of one body and bodies joined by a joint, calls
// dCollide and, for the contacts that exist, combines the two geometries' surfaces (kept as the
// geometries' user data, combined by the same rule as the layer's default: flags both sides ask
// for, the friction pyramid if either does, geometric means of the values) and creates and
// attaches the contact joints; dWorldStep (or dWorldQuickStep); dJointGroupEmpty; then every
// body's position and orientation are copied into its own scene node of the same engine
// (position, and the quaternion turned into Euler angles).
//
// Both sides use the same space kind (a hash space, or the demo's simple space for the car), the
// same shapes, masses, poses, surfaces, gravity and step size, joint parameters and motor
// settings, and make the same contacts; the bodies' mean coordinates (check(), compared by
// physics_bench --compare) show that they simulate the same thing.
#include "BenchScenes.h"

#include <irrlicht.h>
#include <ode/ode.h>

#include <cmath>
#include <deque>
#include <set>

#include "../tools/assetgen/AssetDesign.h"
#include "CPhysicsScene.h"
#include "CRurIvaGeom.h"
#include "CRurIvaSpace.h"
#include "CRurIvaSurfaceParameters.h"
#include "DemoScene.h"

namespace varrik {
namespace bench {

namespace {

using irr::f32;
using irr::s32;
using irr::u16;
using irr::u32;
using irr::core::vector3df;
using irr::ode::CRurIvaBody;
using irr::ode::CRurIvaGeom;
using irr::ode::CRurIvaGeomBox;
using irr::ode::CRurIvaGeomSphere;
using irr::ode::CRurIvaGeomTrimesh;
using irr::ode::CRurIvaSpace;
using irr::ode::CRurIvaSurfaceParameters;
using irr::ode::CRurIvaWorld;
using test::CPhysicsScene;
namespace scene = irr::scene;
namespace video = irr::video;

const f32 kStep = 0.016f;
const u32 kFrameMilliseconds = 16;

// ---------------------------------------------------------------------------------------------
// Surfaces

//! A surface as the layer's sets hold it: mode bits and the eleven contact values.
struct SSurface {
  s32 iMode;
  f32 fMu, fMu2, fBounce, fBounceVel, fSoftErp, fSoftCfm, fMotion1, fMotion2, fMotionN, fSlip1, fSlip2;
};

const SSurface kNoFriction = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const SSurface kBall = {dContactBounce, 50, 0, 0.2f, 0, 0, 0, 0, 0, 0, 0, 0};
const SSurface kPileBox = {dContactApprox1, 0.8f, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
//! The demo level's surface (the demo gives it to every material of its level).
const SSurface kDemoLevel = {dContactBounce, 100, 0, 0.2f, 0, 0, 0, 0, 0, 0, 0, 0};

//! Material i of the generated level.
SSurface generatedMaterial(u32 i) {
  SSurface s = kNoFriction;
  s.iMode = dContactBounce | (i % 2 ? dContactSoftERP : 0);
  s.fMu = 20.0f + static_cast<f32>(i);
  s.fBounce = 0.1f + 0.01f * static_cast<f32>(i);
  s.fSoftErp = 0.5f;
  return s;
}

//! check() of either side: the mean over aBodies of the coordinates' sum of the position
//! fPosition gives for each (a body without one counts as 0), so that a move along any axis
//! changes it by as much.
template <class TBody, class TPosition>
double meanCoordinateSum(const std::vector<TBody>& aBodies, TPosition fPosition) {
  double f = 0;
  for (const TBody& b : aBodies)
    if (const dReal* p = fPosition(b)) f += p[0] + p[1] + p[2];
  return aBodies.empty() ? 0.0 : f / static_cast<double>(aBodies.size());
}

void applySurface(CRurIvaSurfaceParameters* p, const SSurface& s) {
  p->setMode(s.iMode);
  p->setMu(s.fMu);
  p->setMu2(s.fMu2);
  p->setBounce(s.fBounce);
  p->setBounceVel(s.fBounceVel);
  p->setSoftErp(s.fSoftErp);
  p->setSoftCfm(s.fSoftCfm);
  p->setMotion1(s.fMotion1);
  p->setMotion2(s.fMotion2);
  p->setMotionN(s.fMotionN);
  p->setSlip1(s.fSlip1);
  p->setSlip2(s.fSlip2);
}

SSurface surfaceOf(CRurIvaSurfaceParameters* p) {
  return {p->getMode(),      p->getMu(),      p->getMu2(),     p->getBounce(),
          p->getBounceVel(), p->getSoftErp(), p->getSoftCfm(), p->getMotion1(),
          p->getMotion2(),   p->getMotionN(), p->getSlip1(),   p->getSlip2()};
}

// ---------------------------------------------------------------------------------------------
// Scene layouts shared by both sides

//! Boxes resting apart on the plane y = 0: a square grid, 3 apart.
std::vector<vector3df> restingBoxes(int iCount) {
  std::vector<vector3df> a;
  const int iSide = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(iCount))));
  for (int i = 0; i < iCount; ++i) a.push_back(vector3df((i % iSide) * 3.0f, 0.5f, (i / iSide) * 3.0f));
  return a;
}

//! 1000 boxes in one pile: ten layers of 10 x 10, each layer shifted by half a box against the
//! one below, so that every box rests on up to four others and the pile is one island.
std::vector<vector3df> pileBoxes() {
  std::vector<vector3df> a;
  for (int y = 0; y < 10; ++y) {
    const f32 fShift = (y % 2) * 0.5f;
    for (int z = 0; z < 10; ++z)
      for (int x = 0; x < 10; ++x) a.push_back(vector3df(x * 1.001f + fShift, y + 0.5f, z * 1.001f + fShift));
  }
  return a;
}

//! 500 balls of radius 5 on the demo level: 10 across the road, 50 along it, just above the floor.
const f32 kDemoBallRadius = 5.0f;
std::vector<vector3df> demoLevelBalls() {
  std::vector<vector3df> a;
  const f32 fAbove = static_cast<f32>(assetgen::design::kFloorWorldY) + kDemoBallRadius + 1.0f;
  for (int iRow = 0; iRow < 50; ++iRow)
    for (int iColumn = 0; iColumn < 10; ++iColumn)
      a.push_back(vector3df(-67.5f + 15.0f * iColumn, fAbove, 250.0f - 30.0f * iRow));
  return a;
}

//! The generated level: a flat floor of 2 x 2 cells, 30 x 25 of them, whose cells take 24
//! materials in turn. Every material's mesh spans the whole floor, so every ball meets all 24
//! material geometries in the broad phase and touches one of them.
const u32 kGeneratedMaterials = 24;
const f32 kCell = 2.0f;
const f32 kSmallBallRadius = 0.5f;

scene::SMesh* generatedLevelMesh() {
  scene::SMesh* pMesh = new scene::SMesh();
  std::vector<scene::SMeshBuffer*> aBuffers;
  for (u32 i = 0; i < kGeneratedMaterials; ++i) {
    aBuffers.push_back(new scene::SMeshBuffer());
    pMesh->addMeshBuffer(aBuffers.back());
    aBuffers.back()->drop();
  }
  for (u32 z = 0; z < 25; ++z)
    for (u32 x = 0; x < 30; ++x) {
      scene::SMeshBuffer* b = aBuffers[(x + 7 * z) % kGeneratedMaterials];
      const u16 iBase = static_cast<u16>(b->Vertices.size());
      const f32 x0 = x * kCell, x1 = x0 + kCell, z0 = z * kCell, z1 = z0 + kCell;
      for (const vector3df& c :
           {vector3df(x0, 0, z0), vector3df(x1, 0, z0), vector3df(x1, 0, z1), vector3df(x0, 0, z1)})
        b->Vertices.push_back(
            video::S3DVertex(c, vector3df(0, 1, 0), video::SColor(255, 255, 255, 255), {0, 0}));
      // Counter-clockwise seen from above: the faces look up.
      for (u16 k : {0, 2, 1, 0, 3, 2}) b->Indices.push_back(static_cast<u16>(iBase + k));
    }
  for (scene::SMeshBuffer* b : aBuffers) b->recalculateBoundingBox();
  pMesh->recalculateBoundingBox();
  return pMesh;
}

std::vector<vector3df> generatedLevelBalls() {
  std::vector<vector3df> a;
  for (u32 z = 0; z < 20; ++z)
    for (u32 x = 0; x < 25; ++x)
      a.push_back(vector3df((x + 2.5f) * kCell, kSmallBallRadius + 0.01f, (z + 2.5f) * kCell));
  return a;
}

// ---------------------------------------------------------------------------------------------
// The plain side

class CPlainScene : public IBenchScene {
 public:
  CPlainScene(bool bQuick, bool bHashSpace, const vector3df& cGravity = vector3df(0, -10, 0))
      : m_bQuick(bQuick) {
    dInitODE2(0);
    dAllocateODEDataForThread(dAllocateMaskAll);
    m_pIrr = irr::createDevice(video::EDT_NULL);
    m_pSmgr = m_pIrr->getSceneManager();
    m_pIrr->getFileSystem()->addFileArchive(VARRIK_DATA_DIR "/", true, true, irr::io::EFAT_FOLDER);
    m_pWorld = dWorldCreate();
    dWorldSetGravity(m_pWorld, cGravity.X, cGravity.Y, cGravity.Z);
    m_pSpace = bHashSpace ? dHashSpaceCreate(0) : dSimpleSpaceCreate(0);
    m_pContacts = dJointGroupCreate(0);
  }

  ~CPlainScene() override {
    dJointGroupDestroy(m_pContacts);
    dSpaceDestroy(m_pSpace);  // with its geometries
    dWorldDestroy(m_pWorld);  // with its bodies and joints
    for (dTriMeshDataID d : m_aMeshData) dGeomTriMeshDataDestroy(d);
    dCloseODE();
    m_pIrr->drop();
  }

  void step() override {
    dSpaceCollide(m_pSpace, this, &CPlainScene::nearCallback);
    if (m_bQuick)
      dWorldQuickStep(m_pWorld, kStep);
    else
      dWorldStep(m_pWorld, kStep);
    dJointGroupEmpty(m_pContacts);
    for (const SBody& b : m_aBodies) {
      const dReal* p = dBodyGetPosition(b.pBody);
      const dReal* q = dBodyGetQuaternion(b.pBody);
      b.pNode->setPosition(vector3df(static_cast<f32>(p[0]), static_cast<f32>(p[1]), static_cast<f32>(p[2])));
      vector3df cEuler;
      irr::core::quaternion(static_cast<f32>(q[1]), static_cast<f32>(q[2]), static_cast<f32>(q[3]),
                            static_cast<f32>(q[0]))
          .toEuler(cEuler);
      b.pNode->setRotation(cEuler * irr::core::RADTODEG);
    }
  }

  double check() override {
    return meanCoordinateSum(m_aBodies, [](const SBody& b) { return dBodyGetPosition(b.pBody); });
  }

  //! A body with its own scene node, at cPos.
  dBodyID addBody(const vector3df& cPos, const dMass& cMass) {
    dBodyID b = dBodyCreate(m_pWorld);
    dBodySetPosition(b, cPos.X, cPos.Y, cPos.Z);
    dBodySetMass(b, &cMass);
    m_aBodies.push_back({b, m_pSmgr->addEmptySceneNode(0, -1)});
    m_aBodies.back().pNode->setPosition(cPos);
    return b;
  }

  //! Puts a geometry into the scene with its surface as user data, on a body or static.
  dGeomID addGeom(dGeomID g, dBodyID b, const SSurface& cSurface) {
    m_aSurfaces.push_back(cSurface);
    dGeomSetData(g, &m_aSurfaces.back());
    if (b) dGeomSetBody(g, b);
    return g;
  }

  dGeomID addBox(dBodyID b, const vector3df& cSize, const SSurface& s) {
    return addGeom(dCreateBox(m_pSpace, cSize.X, cSize.Y, cSize.Z), b, s);
  }
  dGeomID addSphere(dBodyID b, f32 fRadius, const SSurface& s) {
    return addGeom(dCreateSphere(m_pSpace, fRadius), b, s);
  }

  //! A static level: one triangle mesh per mesh buffer (that is, per material) at cPosition, the
  //! vertices as the mesh has them, four floats each.
  void addLevel(scene::IMesh* pMesh, const vector3df& cPosition, const std::vector<SSurface>& aSurfaces) {
    for (u32 i = 0; i < pMesh->getMeshBufferCount(); ++i) {
      scene::IMeshBuffer* pBuffer = pMesh->getMeshBuffer(i);
      m_aVertices.emplace_back();
      m_aIndices.emplace_back();
      std::vector<f32>& aVertices = m_aVertices.back();
      std::vector<s32>& aIndices = m_aIndices.back();
      for (u32 k = 0; k < pBuffer->getVertexCount(); ++k) {
        const vector3df& v = pBuffer->getPosition(k);
        aVertices.insert(aVertices.end(), {v.X, v.Y, v.Z, 0.0f});
      }
      const u32 iIndices = pBuffer->getIndexCount() / 3 * 3;
      for (u32 k = 0; k < iIndices; ++k)
        aIndices.push_back(pBuffer->getIndexType() == video::EIT_32BIT
                               ? static_cast<s32>(reinterpret_cast<const u32*>(pBuffer->getIndices())[k])
                               : static_cast<s32>(pBuffer->getIndices()[k]));
      if (aIndices.empty()) continue;
      dTriMeshDataID d = dGeomTriMeshDataCreate();
      dGeomTriMeshDataBuildSingle(d, aVertices.data(), 4 * sizeof(f32),
                                  static_cast<int>(aVertices.size() / 4), aIndices.data(),
                                  static_cast<int>(aIndices.size()), 3 * sizeof(s32));
      m_aMeshData.push_back(d);
      dGeomID g = addGeom(dCreateTriMesh(m_pSpace, d, 0, 0, 0), 0, aSurfaces[i < aSurfaces.size() ? i : 0]);
      dGeomSetPosition(g, cPosition.X, cPosition.Y, cPosition.Z);
    }
  }

  scene::ISceneManager* sceneManager() const { return m_pSmgr; }
  dWorldID world() const { return m_pWorld; }
  dSpaceID space() const { return m_pSpace; }

  void warmUp(int iSteps) {
    for (int i = 0; i < iSteps; ++i) step();
  }

 private:
  struct SBody {
    dBodyID pBody;
    scene::ISceneNode* pNode;
  };

  static f32 geometricMean(f32 a, f32 b) {
    const double f = static_cast<double>(a) * b;
    return f > 0.0 ? static_cast<f32>(std::sqrt(f)) : 0.0f;
  }

  static void combine(const SSurface& a, const SSurface& b, dSurfaceParameters& s) {
    s.mode = a.iMode & b.iMode;
    if ((a.iMode | b.iMode) & dContactApprox1) s.mode |= dContactApprox1;
    s.mu = geometricMean(a.fMu, b.fMu);
    s.mu2 = geometricMean(a.fMu2, b.fMu2);
    s.bounce = geometricMean(a.fBounce, b.fBounce);
    s.bounce_vel = geometricMean(a.fBounceVel, b.fBounceVel);
    s.soft_erp = geometricMean(a.fSoftErp, b.fSoftErp);
    s.soft_cfm = geometricMean(a.fSoftCfm, b.fSoftCfm);
    s.motion1 = geometricMean(a.fMotion1, b.fMotion1);
    s.motion2 = geometricMean(a.fMotion2, b.fMotion2);
    s.motionN = geometricMean(a.fMotionN, b.fMotionN);
    s.slip1 = geometricMean(a.fSlip1, b.fSlip1);
    s.slip2 = geometricMean(a.fSlip2, b.fSlip2);
  }

  static void nearCallback(void* pData, dGeomID o1, dGeomID o2) {
    CPlainScene* p = static_cast<CPlainScene*>(pData);
    dBodyID b1 = dGeomGetBody(o1);
    dBodyID b2 = dGeomGetBody(o2);
    if (b1 == b2) return;  // two static geometries, or two of one body
    if (b1 && b2 && dAreConnectedExcluding(b1, b2, dJointTypeContact)) return;
    dContact aContacts[16];
    const int n = dCollide(o1, o2, 16, &aContacts[0].geom, sizeof(dContact));
    if (n == 0) return;
    dSurfaceParameters cSurface;
    combine(*static_cast<const SSurface*>(dGeomGetData(o1)), *static_cast<const SSurface*>(dGeomGetData(o2)),
            cSurface);
    for (int i = 0; i < n; ++i) {
      aContacts[i].surface = cSurface;
      dJointAttach(dJointCreateContact(p->m_pWorld, p->m_pContacts, &aContacts[i]), b1, b2);
    }
  }

  bool m_bQuick;
  irr::IrrlichtDevice* m_pIrr;
  scene::ISceneManager* m_pSmgr;
  dWorldID m_pWorld;
  dSpaceID m_pSpace;
  dJointGroupID m_pContacts;
  std::vector<SBody> m_aBodies;
  std::deque<SSurface> m_aSurfaces;
  std::deque<std::vector<f32>> m_aVertices;
  std::deque<std::vector<s32>> m_aIndices;
  std::vector<dTriMeshDataID> m_aMeshData;
};

dMass boxMass(f32 fMass, const vector3df& cSize) {
  dMass m;
  dMassSetBoxTotal(&m, fMass, cSize.X, cSize.Y, cSize.Z);
  return m;
}

dMass sphereMass(f32 fMass, f32 fRadius) {
  dMass m;
  dMassSetSphereTotal(&m, fMass, fRadius);
  return m;
}

// ---------------------------------------------------------------------------------------------
// The layer side

class CLayerScene : public IBenchScene {
 public:
  CLayerScene(unsigned iThreads, bool bQuick) : m_cScene(nullptr, CPhysicsScene::eFactory), m_bQuick(bQuick) {
    m_cScene.m_pIrr->getFileSystem()->addFileArchive(VARRIK_DATA_DIR "/", true, true, irr::io::EFAT_FOLDER);
    m_cScene.m_pManager->setStepThreads(iThreads);
    // The engine's clock is one for all its devices: a scene built after another starts from the
    // time the last one reached (setting it back would be a frame of 2^32 ms to the manager).
    m_iNow = m_cScene.m_pIrr->getTimer()->getTime();
  }

  ~CLayerScene() override {
    releaseNodes();
    m_cScene.close();
    m_cScene.m_pManager->setStepThreads(0);
  }

  void step() override { m_cScene.frameAt(m_iNow += kFrameMilliseconds, m_bQuick); }

  double check() override {
    return meanCoordinateSum(m_aBodies, [this](CRurIvaBody* p) -> const dReal* {
      dBodyID b = m_cScene.m_pDevice->getBodyId(p->getBodyId());
      return b ? dBodyGetPosition(b) : nullptr;
    });
  }

  //! The scene's world, colliding in a hash space.
  CRurIvaWorld* hashWorld() {
    CRurIvaWorld* pWorld = m_cScene.world();
    CRurIvaSpace* pSpace = m_cScene.add<CRurIvaSpace>(pWorld);
    pSpace->setSpaceType(irr::ode::eRurIvaSpaceHash);
    pWorld->setSpace(pSpace);
    return pWorld;
  }

  //! Initialises the world and runs the steps before the measurement (the manager's clock
  //! starts here).
  void start(CRurIvaWorld* pWorld, int iWarmUp) {
    if (pWorld) pWorld->initPhysics();
    m_cScene.frameAt(m_iNow, m_bQuick);
    for (int i = 0; i < iWarmUp; ++i) step();
  }

  CPhysicsScene m_cScene;
  std::vector<CRurIvaBody*> m_aBodies;

 protected:
  //! Gives up the references a scene holds besides the scene graph's.
  virtual void releaseNodes() {}

 private:
  bool m_bQuick;
  u32 m_iNow = 0;
};

// ---------------------------------------------------------------------------------------------
// Scene 1: boxes resting apart on a plane

std::unique_ptr<IBenchScene> boxes(ESide eSide, unsigned iThreads, int iCount) {
  const vector3df cSize(1, 1, 1);
  if (eSide == ESide::ePlain) {
    auto p = std::make_unique<CPlainScene>(false, true);
    p->addGeom(dCreatePlane(p->space(), 0, 1, 0, 0), 0, kNoFriction);
    for (const vector3df& c : restingBoxes(iCount))
      p->addBox(p->addBody(c, boxMass(1, cSize)), cSize, kNoFriction);
    p->warmUp(10);
    return p;
  }
  auto p = std::make_unique<CLayerScene>(iThreads, false);
  CRurIvaWorld* pWorld = p->hashWorld();
  p->m_cScene.addGround(pWorld);
  for (const vector3df& c : restingBoxes(iCount))
    p->m_aBodies.push_back(p->m_cScene.addBoxBody(pWorld, c, cSize));
  p->start(pWorld, 10);
  return p;
}

// ---------------------------------------------------------------------------------------------
// Scene 2: 500 balls on the demo level, and on a generated level of 24 materials

std::unique_ptr<IBenchScene> demoLevelBallsScene(ESide eSide, unsigned iThreads) {
  if (eSide == ESide::ePlain) {
    auto p = std::make_unique<CPlainScene>(false, true);
    scene::IAnimatedMesh* pMap = p->sceneManager()->getMesh("map.bsp");
    if (!pMap) return nullptr;
    p->addLevel(pMap->getMesh(0), vector3df(0, static_cast<f32>(assetgen::design::kLevelNodeY), 0),
                {kDemoLevel});
    for (const vector3df& c : demoLevelBalls())
      p->addSphere(p->addBody(c, sphereMass(1, kDemoBallRadius)), kDemoBallRadius, kBall);
    p->warmUp(60);
    return p;
  }
  auto p = std::make_unique<CLayerScene>(iThreads, false);
  CRurIvaWorld* pWorld = p->hashWorld();
  if (!p->m_cScene.m_pSmgr->getMesh("map.bsp")) return nullptr;
  demo::createLevel(p->m_cScene.m_pSmgr, pWorld);  // the demo's own level, surfaces included
  for (const vector3df& c : demoLevelBalls()) {
    CRurIvaGeomSphere* pSphere = nullptr;
    p->m_aBodies.push_back(p->m_cScene.addSphereBody(pWorld, c, kDemoBallRadius, 1.0f, &pSphere));
    applySurface(pSphere->getSurfaceParameters(0), kBall);
  }
  p->start(pWorld, 60);
  return p;
}

std::unique_ptr<IBenchScene> generatedLevelBallsScene(ESide eSide, unsigned iThreads) {
  std::vector<SSurface> aMaterials;
  for (u32 i = 0; i < kGeneratedMaterials; ++i) aMaterials.push_back(generatedMaterial(i));
  scene::SMesh* pMesh = generatedLevelMesh();
  if (eSide == ESide::ePlain) {
    auto p = std::make_unique<CPlainScene>(false, true);
    p->addLevel(pMesh, vector3df(0, 0, 0), aMaterials);
    pMesh->drop();
    for (const vector3df& c : generatedLevelBalls())
      p->addSphere(p->addBody(c, sphereMass(1, kSmallBallRadius)), kSmallBallRadius, kBall);
    p->warmUp(60);
    return p;
  }
  auto p = std::make_unique<CLayerScene>(iThreads, false);
  CRurIvaWorld* pWorld = p->hashWorld();
  CRurIvaGeomTrimesh* pLevel =
      p->m_cScene.add<CRurIvaGeomTrimesh>(p->m_cScene.addMeshNode(pWorld, pMesh));  // takes the mesh
  for (u32 i = 0; i < kGeneratedMaterials; ++i) applySurface(pLevel->getSurfaceParameters(i), aMaterials[i]);
  for (const vector3df& c : generatedLevelBalls()) {
    CRurIvaGeomSphere* pSphere = nullptr;
    p->m_aBodies.push_back(p->m_cScene.addSphereBody(pWorld, c, kSmallBallRadius, 1.0f, &pSphere));
    applySurface(pSphere->getSurfaceParameters(0), kBall);
  }
  p->start(pWorld, 60);
  return p;
}

// ---------------------------------------------------------------------------------------------
// Scene 3: 1000 boxes in one pile (the iterative solver, as a game uses for piles)

std::unique_ptr<IBenchScene> pile(ESide eSide, unsigned iThreads) {
  const vector3df cSize(1, 1, 1);
  // The iterative solver shuffles the constraints with the library's global random numbers: both
  // sides start from the same seed.
  dRandSetSeed(0);
  if (eSide == ESide::ePlain) {
    auto p = std::make_unique<CPlainScene>(true, true);
    p->addGeom(dCreatePlane(p->space(), 0, 1, 0, 0), 0, kPileBox);
    for (const vector3df& c : pileBoxes()) p->addBox(p->addBody(c, boxMass(1, cSize)), cSize, kPileBox);
    p->warmUp(30);
    return p;
  }
  auto p = std::make_unique<CLayerScene>(iThreads, true);
  CRurIvaWorld* pWorld = p->hashWorld();
  applySurface(p->m_cScene.addGround(pWorld)->getSurfaceParameters(0), kPileBox);
  for (const vector3df& c : pileBoxes()) {
    CRurIvaGeomBox* pBox = nullptr;
    p->m_aBodies.push_back(p->m_cScene.addBoxBody(pWorld, c, cSize, vector3df(0, 0, 0), 1.0f, &pBox));
    applySurface(pBox->getSurfaceParameters(0), kPileBox);
  }
  p->start(pWorld, 30);
  return p;
}

// ---------------------------------------------------------------------------------------------
// Scene 4: the demo car driving on the demo level

//! The car starts in the air, lands after about 1.4 s and drives at its steady speed from about
//! 3 s on: both sides run five seconds before they are measured, so that the steps measured are
//! the driving (after one second they were the fall, without a contact).
const int kCarWarmUpSteps = 300;

class CDemoCarScene : public CLayerScene {
 public:
  using CLayerScene::CLayerScene;
  ~CDemoCarScene() override { releaseNodes(); }
  demo::DemoScene m_cDemo;

 protected:
  void releaseNodes() override {
    if (m_cDemo.worldNode) demo::releaseDemoScene(m_cDemo);
  }
};

//! Everything the plain side needs to build the same car: read from the dynamics objects the
//! demo's own construction made, so that both sides start from the same state.
struct SCarDescription {
  struct SGeom {
    int iClass;
    dVector3 cBox;
    dReal fRadius;
    bool bOffset;
    dVector3 cOffset;
    dQuaternion cOffsetRotation;
    SSurface cSurface;
  };
  struct SBody {
    dVector3 cPosition;
    dQuaternion cRotation;
    dVector3 cLinear, cAngular;
    dMass cMass;
    dReal fMaxAngularSpeed;
    std::vector<SGeom> aGeoms;
  };
  struct SJoint {
    int iType;
    int aBodies[2];
    dVector3 cAnchor, cAxis1, cAxis2;
    dReal aParams[2][dParamGroup];
  };
  dVector3 cGravity;
  dReal fErp, fCfm;
  bool bHashSpace;
  std::vector<SBody> aBodies;
  std::vector<SJoint> aJoints;
  std::vector<SSurface> aLevelSurfaces;
  vector3df cLevelPosition;
  bool bValid = false;
};

//! Every parameter of a joint axis the plain car copies. The motors' velocity is dParamVel: the
//! installed library keeps it apart from dParamLoVel and dParamHiVel (reading those gives 0), and
//! without it the plain car stood still while the layer's drove.
const int kJointParams[] = {dParamLoStop,        dParamHiStop,  dParamVel,         dParamLoVel,
                            dParamHiVel,         dParamFMax,    dParamFudgeFactor, dParamBounce,
                            dParamCFM,           dParamStopERP, dParamStopCFM,     dParamSuspensionERP,
                            dParamSuspensionCFM, dParamERP};

CRurIvaGeomTrimesh* findTrimesh(scene::ISceneNode* pNode) {
  if (pNode->getType() == irr::ode::RUR_IVA_GEOM_TRIMESH_ID) return static_cast<CRurIvaGeomTrimesh*>(pNode);
  for (scene::ISceneNode* pChild : pNode->getChildren())
    if (CRurIvaGeomTrimesh* p = findTrimesh(pChild)) return p;
  return nullptr;
}

SCarDescription describeDemoCar() {
  SCarDescription d;
  CDemoCarScene s(0, false);
  demo::buildDemoScene(s.m_cScene.m_pSmgr, s.m_cDemo, nullptr);
  irr::ode::CRurIvaDevice* pDevice = s.m_cScene.m_pDevice;
  const demo::Varrik_Car& c = s.m_cDemo.MyCar;
  CRurIvaGeomTrimesh* pLevel = findTrimesh(s.m_cDemo.worldNode);
  if (!c.Car_OdeBody || !pLevel) return d;

  dWorldID w = pDevice->getWorldId(s.m_cDemo.worldNode->getWorldId());
  dWorldGetGravity(w, d.cGravity);
  d.fErp = dWorldGetERP(w);
  d.fCfm = dWorldGetCFM(w);
  d.bHashSpace =
      dSpaceGetClass(pDevice->getSpaceId(s.m_cDemo.worldNode->getSpace()->getSpaceId())) == dHashSpaceClass;
  for (u32 i = 0; i < pLevel->getSurfaceParametersCount(); ++i)
    d.aLevelSurfaces.push_back(surfaceOf(pLevel->getSurfaceParameters(i)));
  d.cLevelPosition = pLevel->getAbsolutePosition();

  const std::vector<CRurIvaBody*> aNodes = {c.Car_OdeBody, c.Car_whell_1_OdeBody, c.Car_whell_2_OdeBody,
                                            c.Car_whell_3_OdeBody, c.Car_whell_4_OdeBody};
  std::vector<dBodyID> aBodies;
  for (CRurIvaBody* pNode : aNodes) {
    dBodyID b = pNode ? pDevice->getBodyId(pNode->getBodyId()) : 0;
    if (!b) return d;
    aBodies.push_back(b);
    SCarDescription::SBody cBody;
    dCopyVector3(cBody.cPosition, dBodyGetPosition(b));
    for (int k = 0; k < 4; ++k) cBody.cRotation[k] = dBodyGetQuaternion(b)[k];
    dCopyVector3(cBody.cLinear, dBodyGetLinearVel(b));
    dCopyVector3(cBody.cAngular, dBodyGetAngularVel(b));
    dBodyGetMass(b, &cBody.cMass);
    cBody.fMaxAngularSpeed = dBodyGetMaxAngularSpeed(b);
    for (dGeomID g = dBodyGetFirstGeom(b); g; g = dBodyGetNextGeom(g)) {
      SCarDescription::SGeom cGeom = {};
      cGeom.iClass = dGeomGetClass(g);
      if (cGeom.iClass == dBoxClass) dGeomBoxGetLengths(g, cGeom.cBox);
      if (cGeom.iClass == dSphereClass) cGeom.fRadius = dGeomSphereGetRadius(g);
      const dReal* o = dGeomGetOffsetPosition(g);
      dQuaternion q;
      dGeomGetOffsetQuaternion(g, q);
      cGeom.bOffset = o[0] != 0 || o[1] != 0 || o[2] != 0 || q[0] != 1;
      dCopyVector3(cGeom.cOffset, o);
      for (int k = 0; k < 4; ++k) cGeom.cOffsetRotation[k] = q[k];
      CRurIvaGeom* pGeom = static_cast<CRurIvaGeom*>(dGeomGetData(g));
      cGeom.cSurface = pGeom ? surfaceOf(pGeom->getSurfaceParameters(0)) : kNoFriction;
      cBody.aGeoms.push_back(cGeom);
    }
    d.aBodies.push_back(cBody);
  }

  std::set<dJointID> aSeen;
  for (dBodyID b : aBodies)
    for (int i = 0; i < dBodyGetNumJoints(b); ++i) {
      dJointID j = dBodyGetJoint(b, i);
      if (!aSeen.insert(j).second) continue;
      SCarDescription::SJoint cJoint = {};
      cJoint.iType = dJointGetType(j);
      for (int k = 0; k < 2; ++k) {
        cJoint.aBodies[k] = -1;
        for (size_t m = 0; m < aBodies.size(); ++m)
          if (dJointGetBody(j, k) == aBodies[m]) cJoint.aBodies[k] = static_cast<int>(m);
      }
      if (cJoint.iType == dJointTypeHinge2) {
        dJointGetHinge2Anchor(j, cJoint.cAnchor);
        dJointGetHinge2Axis1(j, cJoint.cAxis1);
        dJointGetHinge2Axis2(j, cJoint.cAxis2);
        for (int iGroup = 0; iGroup < 2; ++iGroup)
          for (int p : kJointParams)
            cJoint.aParams[iGroup][p] = dJointGetHinge2Param(j, p + iGroup * dParamGroup);
      } else if (cJoint.iType == dJointTypeHinge) {
        dJointGetHingeAnchor(j, cJoint.cAnchor);
        dJointGetHingeAxis(j, cJoint.cAxis1);
        for (int p : kJointParams) cJoint.aParams[0][p] = dJointGetHingeParam(j, p);
      } else {
        continue;  // the demo car has hinges and hinge-2 joints only
      }
      d.aJoints.push_back(cJoint);
    }
  d.bValid = true;
  return d;
}

std::unique_ptr<IBenchScene> demoCar(ESide eSide, unsigned iThreads) {
  if (eSide == ESide::eLayer) {
    auto p = std::make_unique<CDemoCarScene>(iThreads, false);
    if (!p->m_cScene.m_pSmgr->getMesh("map.bsp")) return nullptr;
    demo::buildDemoScene(p->m_cScene.m_pSmgr, p->m_cDemo, nullptr);
    const demo::Varrik_Car& c = p->m_cDemo.MyCar;
    for (CRurIvaBody* pBody : {c.Car_OdeBody, c.Car_whell_1_OdeBody, c.Car_whell_2_OdeBody,
                               c.Car_whell_3_OdeBody, c.Car_whell_4_OdeBody})
      if (pBody) p->m_aBodies.push_back(pBody);
    p->start(nullptr, kCarWarmUpSteps);
    return p;
  }

  const SCarDescription d = describeDemoCar();
  if (!d.bValid) return nullptr;
  auto p = std::make_unique<CPlainScene>(
      false, d.bHashSpace,
      vector3df(static_cast<f32>(d.cGravity[0]), static_cast<f32>(d.cGravity[1]),
                static_cast<f32>(d.cGravity[2])));
  dWorldSetERP(p->world(), d.fErp);
  dWorldSetCFM(p->world(), d.fCfm);
  scene::IAnimatedMesh* pMap = p->sceneManager()->getMesh("map.bsp");
  if (!pMap) return nullptr;
  p->addLevel(pMap->getMesh(0), d.cLevelPosition, d.aLevelSurfaces);

  std::vector<dBodyID> aBodies;
  for (const SCarDescription::SBody& cBody : d.aBodies) {
    dBodyID b =
        p->addBody(vector3df(static_cast<f32>(cBody.cPosition[0]), static_cast<f32>(cBody.cPosition[1]),
                             static_cast<f32>(cBody.cPosition[2])),
                   cBody.cMass);
    dBodySetPosition(b, cBody.cPosition[0], cBody.cPosition[1], cBody.cPosition[2]);
    dBodySetQuaternion(b, cBody.cRotation);
    dBodySetLinearVel(b, cBody.cLinear[0], cBody.cLinear[1], cBody.cLinear[2]);
    dBodySetAngularVel(b, cBody.cAngular[0], cBody.cAngular[1], cBody.cAngular[2]);
    dBodySetMaxAngularSpeed(b, cBody.fMaxAngularSpeed);
    for (const SCarDescription::SGeom& cGeom : cBody.aGeoms) {
      dGeomID g = 0;
      if (cGeom.iClass == dBoxClass)
        g = dCreateBox(p->space(), cGeom.cBox[0], cGeom.cBox[1], cGeom.cBox[2]);
      else if (cGeom.iClass == dSphereClass)
        g = dCreateSphere(p->space(), cGeom.fRadius);
      if (!g) continue;
      p->addGeom(g, b, cGeom.cSurface);
      if (cGeom.bOffset) {
        dGeomSetOffsetPosition(g, cGeom.cOffset[0], cGeom.cOffset[1], cGeom.cOffset[2]);
        dGeomSetOffsetQuaternion(g, cGeom.cOffsetRotation);
      }
    }
    aBodies.push_back(b);
  }
  for (const SCarDescription::SJoint& cJoint : d.aJoints) {
    dBodyID b1 = cJoint.aBodies[0] >= 0 ? aBodies[cJoint.aBodies[0]] : 0;
    dBodyID b2 = cJoint.aBodies[1] >= 0 ? aBodies[cJoint.aBodies[1]] : 0;
    if (cJoint.iType == dJointTypeHinge2) {
      dJointID j = dJointCreateHinge2(p->world(), 0);
      dJointAttach(j, b1, b2);
      dJointSetHinge2Anchor(j, cJoint.cAnchor[0], cJoint.cAnchor[1], cJoint.cAnchor[2]);
      dJointSetHinge2Axes(j, cJoint.cAxis1, cJoint.cAxis2);
      for (int iGroup = 0; iGroup < 2; ++iGroup)
        for (int k : kJointParams)
          dJointSetHinge2Param(j, k + iGroup * dParamGroup, cJoint.aParams[iGroup][k]);
    } else {
      dJointID j = dJointCreateHinge(p->world(), 0);
      dJointAttach(j, b1, b2);
      dJointSetHingeAnchor(j, cJoint.cAnchor[0], cJoint.cAnchor[1], cJoint.cAnchor[2]);
      dJointSetHingeAxis(j, cJoint.cAxis1[0], cJoint.cAxis1[1], cJoint.cAxis1[2]);
      for (int k : kJointParams) dJointSetHingeParam(j, k, cJoint.aParams[0][k]);
    }
  }
  p->warmUp(kCarWarmUpSteps);
  return p;
}

}  // namespace

const std::vector<SSceneDef>& scenes() {
  static const std::vector<SSceneDef> aScenes = {
      {"boxes/100", [](ESide e, unsigned t) { return boxes(e, t, 100); }, true},
      {"boxes/1000", [](ESide e, unsigned t) { return boxes(e, t, 1000); }, true},
      {"boxes/10000", [](ESide e, unsigned t) { return boxes(e, t, 10000); }, true},
      {"balls/demo_level", demoLevelBallsScene, true},
      {"balls/24_materials", generatedLevelBallsScene, true},
      {"pile/1000", pile, true},
      {"car/demo", demoCar, false},
  };
  return aScenes;
}

}  // namespace bench
}  // namespace varrik
