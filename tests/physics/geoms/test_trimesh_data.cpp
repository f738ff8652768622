// Triangle data of the node kinds a level or a body may show (animated meshes, terrains), and a
// record built again while a geometry uses it. The device's own tests cover the layouts, formats
// and messages of plain mesh nodes; these add what levels need on top.
#include <gtest/gtest.h>
#include <irrlicht.h>
#include <CDynamicMeshBuffer.h>

#include <vector>

#include "CRurIvaBody.h"
#include "CRurIvaDevice.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaGeomTrimesh.h"
#include "CRurIvaManager.h"
#include "CRurIvaWorld.h"

namespace {

using irr::f32;
using irr::s32;
using irr::u16;
using irr::u32;
using irr::core::vector3df;
using irr::ode::CRurIvaDevice;
using irr::ode::CRurIvaManager;
namespace scene = irr::scene;
namespace video = irr::video;

const char* const kUnsupported = "Non supported scene node type detected!\n";

//! An engine on the null driver with the physics manager installed; the device builds the data.
class LevelDataScene {
 public:
  LevelDataScene() {
    m_pIrr = irr::createDevice(video::EDT_NULL);
    m_pSmgr = m_pIrr->getSceneManager();
    m_pManager = CRurIvaManager::getSharedInstance();
    m_pManager->install(m_pIrr);
    m_pManager->initODE();
    m_pDevice = static_cast<CRurIvaDevice*>(m_pManager->getOdeDevice());
  }
  ~LevelDataScene() {
    m_pManager->uninstall();
    m_pIrr->drop();
    m_pManager->closeODE();
  }
  LevelDataScene(const LevelDataScene&) = delete;
  LevelDataScene& operator=(const LevelDataScene&) = delete;

  //! A mesh node that holds the mesh (the mesh's creation reference is released).
  scene::IMeshSceneNode* addMeshNode(scene::IMesh* pMesh, const vector3df& cPos = vector3df(0, 0, 0),
                                     const vector3df& cRot = vector3df(0, 0, 0),
                                     const vector3df& cScale = vector3df(1, 1, 1)) {
    scene::IMeshSceneNode* p = m_pSmgr->addMeshSceneNode(pMesh, 0, -1, cPos, cRot, cScale);
    pMesh->drop();
    return p;
  }

  //! The vertex of index i as ODE reads it (x, y, z of a four-float vertex).
  vector3df vertex(u32 iData, u32 i) const {
    const f32* v = m_pDevice->getTrimeshVertices(iData) + 4 * i;
    return vector3df(v[0], v[1], v[2]);
  }
  std::vector<s32> indices(u32 iData) const {
    const s32* p = m_pDevice->getTrimeshIndices(iData);
    return p ? std::vector<s32>(p, p + m_pDevice->getTrimeshIndexCount(iData)) : std::vector<s32>();
  }

  irr::IrrlichtDevice* m_pIrr;
  scene::ISceneManager* m_pSmgr;
  CRurIvaManager* m_pManager;
  CRurIvaDevice* m_pDevice;
};

//! A unit quad (two triangles) in the plane y = fY, its corner at (fX, fY, 0).
scene::SMeshBuffer* levelQuad(f32 fX, f32 fY) {
  scene::SMeshBuffer* b = new scene::SMeshBuffer();
  const vector3df aCorners[4] = {vector3df(fX, fY, 0), vector3df(fX, fY, 1), vector3df(fX + 1, fY, 1),
                                 vector3df(fX + 1, fY, 0)};
  for (const vector3df& c : aCorners) b->Vertices.push_back(video::S3DVertex(c, vector3df(0, 1, 0), 0, {}));
  const u16 aIndices[6] = {0, 1, 2, 0, 2, 3};
  for (u16 i : aIndices) b->Indices.push_back(i);
  b->recalculateBoundingBox();
  return b;
}

//! A mesh of the given buffers (their creation references go to the mesh).
scene::SMesh* levelMesh(std::initializer_list<scene::IMeshBuffer*> lBuffers) {
  scene::SMesh* m = new scene::SMesh();
  for (scene::IMeshBuffer* b : lBuffers) {
    m->addMeshBuffer(b);
    b->drop();
  }
  m->recalculateBoundingBox();
  return m;
}

//! Two quads of 4 vertices and 6 indices each, the second one beside and above the first.
scene::SMesh* twoQuadMesh() { return levelMesh({levelQuad(0, 0), levelQuad(5, 2)}); }

#define LEVEL_EXPECT_VEC_NEAR(a, b, tol)  \
  do {                                    \
    const vector3df cA_ = (a), cB_ = (b); \
    EXPECT_NEAR(cA_.X, cB_.X, tol) << #a; \
    EXPECT_NEAR(cA_.Y, cB_.Y, tol) << #a; \
    EXPECT_NEAR(cA_.Z, cB_.Z, tol) << #a; \
  } while (0)

}  // namespace

// ---------------------------------------------------------------------------------------------
// Node kinds

TEST(LevelTrimeshData, AnimatedMeshNodeGivesAllTheTrianglesOfItsMeshOrOneBuffer) {
  LevelDataScene s;
  scene::SMesh* pMesh = twoQuadMesh();
  scene::SAnimatedMesh* pAnimated = new scene::SAnimatedMesh(pMesh);
  pMesh->drop();
  scene::IAnimatedMeshSceneNode* pAnimNode = s.m_pSmgr->addAnimatedMeshSceneNode(pAnimated);
  pAnimated->drop();

  const u32 dAll = s.m_pDevice->geomTrimeshDataCreate();
  s.m_pDevice->geomTrimeshDataBuildSimple(dAll, pAnimNode);
  EXPECT_EQ(s.m_pDevice->getTrimeshVertexCount(dAll), 8u);
  EXPECT_EQ(s.indices(dAll), (std::vector<s32>{0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7}));
  LEVEL_EXPECT_VEC_NEAR(s.vertex(dAll, 6), vector3df(6, 2, 1), 0);

  const u32 dOne = s.m_pDevice->geomTrimeshDataCreate();
  s.m_pDevice->geomTrimeshDataBuildFromMeshBuffer(dOne, pAnimNode, 1);
  EXPECT_EQ(s.indices(dOne), (std::vector<s32>{0, 1, 2, 0, 2, 3}));
  LEVEL_EXPECT_VEC_NEAR(s.vertex(dOne, 0), vector3df(5, 2, 0), 0);
}

TEST(LevelTrimeshData, TerrainNodeGivesItsFullDetailGrid) {
  LevelDataScene s;
  // A 17 x 17 heightmap, flat at grey 10, written and read back through memory files.
  video::IVideoDriver* pDriver = s.m_pIrr->getVideoDriver();
  video::IImage* pImage = pDriver->createImage(video::ECF_R8G8B8, irr::core::dimension2du(17, 17));
  pImage->fill(video::SColor(255, 10, 10, 10));
  std::vector<char> aBytes(64 * 1024);
  irr::io::IWriteFile* pOut = s.m_pIrr->getFileSystem()->createMemoryWriteFile(
      aBytes.data(), static_cast<s32>(aBytes.size()), "hm.bmp");
  ASSERT_TRUE(pDriver->writeImageToFile(pImage, pOut));
  const s32 iSize = static_cast<s32>(pOut->getPos());
  pOut->drop();
  pImage->drop();
  irr::io::IReadFile* pIn = s.m_pIrr->getFileSystem()->createMemoryReadFile(aBytes.data(), iSize, "hm.bmp");
  scene::ITerrainSceneNode* pTerrain = s.m_pSmgr->addTerrainSceneNode(
      pIn, 0, -1, vector3df(100, 0, 0), vector3df(0, 0, 0), vector3df(2, 0.5f, 3));
  pIn->drop();
  ASSERT_NE(pTerrain, nullptr);

  const u32 d = s.m_pDevice->geomTrimeshDataCreate();
  s.m_pDevice->geomTrimeshDataBuildSimple(d, pTerrain);
  EXPECT_EQ(s.m_pDevice->getTrimeshVertexCount(d), 17u * 17u);
  EXPECT_EQ(s.m_pDevice->getTrimeshIndexCount(d), 16u * 16u * 6u);
  // The terrain's own grid (unit spacing, grey value as height), scaled but not moved.
  LEVEL_EXPECT_VEC_NEAR(s.vertex(d, 17 * 17 - 1), vector3df(16 * 2, 10 * 0.5f, 16 * 3), 1e-4f);
  for (s32 i : s.indices(d)) ASSERT_LT(i, 17 * 17);
}

// ---------------------------------------------------------------------------------------------
// What ODE makes of the data

namespace {

//! A world whose static triangle meshes and sphere bodies are layer nodes, so that collision
//! handling finds them.
class LevelDropScene : public LevelDataScene {
 public:
  LevelDropScene() { m_pWorld = new irr::ode::CRurIvaWorld(m_pSmgr->getRootSceneNode(), m_pSmgr); }
  ~LevelDropScene() {
    for (scene::ISceneNode* p : m_aKept) p->drop();
    m_pWorld->remove();
    m_pWorld->drop();
  }

  //! A static triangle mesh of a mesh node below the world.
  irr::ode::CRurIvaGeomTrimesh* addLevel(scene::IMesh* pMesh, const vector3df& cScale) {
    scene::IMeshSceneNode* pNode =
        m_pSmgr->addMeshSceneNode(pMesh, m_pWorld, -1, vector3df(0, 0, 0), vector3df(0, 0, 0), cScale);
    pMesh->drop();
    return keep(new irr::ode::CRurIvaGeomTrimesh(pNode, m_pSmgr));
  }
  //! A sphere body of the given radius and mass 1.
  irr::ode::CRurIvaBody* addBall(const vector3df& cPos, f32 fRadius) {
    irr::ode::CRurIvaBody* pBody = keep(new irr::ode::CRurIvaBody(m_pWorld, m_pSmgr, -1, cPos));
    irr::ode::CRurIvaGeomSphere* pSphere =
        keep(new irr::ode::CRurIvaGeomSphere(m_pSmgr->addEmptySceneNode(pBody), m_pSmgr));
    pSphere->setRadius(fRadius);
    return pBody;
  }
  template <class T>
  T* keep(T* p) {
    m_aKept.push_back(p);
    return p;
  }
  void steps(int n) {
    for (int i = 0; i < n; ++i) m_pWorld->step(m_pDevice->getStepSize());
  }

  irr::ode::CRurIvaWorld* m_pWorld;
  std::vector<scene::ISceneNode*> m_aKept;
};

}  // namespace

TEST(LevelTrimeshData, SphereRestsOnTheTrianglesWhereTheyWereBuiltAndOnTheirRebuiltOnes) {
  LevelDropScene s;
  // A 40 x 40 floor of two triangles at y = 0 (the unit quad scaled by the node).
  irr::ode::CRurIvaGeomTrimesh* pFloor = s.addLevel(levelMesh({levelQuad(0, 0)}), vector3df(40, 1, 40));
  const f32 fRadius = 0.5f;
  irr::ode::CRurIvaBody* pBall = s.addBall(vector3df(20, 2, 20), fRadius);
  s.m_pWorld->initPhysics();
  ASSERT_EQ(pFloor->getGeomCount(), 1u);
  // The node's data record is made right before its geometry, so its handle is one less.
  const u32 d = pFloor->getGeomId(0) - 1;
  ASSERT_EQ(s.m_pDevice->getTrimeshIndexCount(d), 6u);

  s.steps(150);
  LEVEL_EXPECT_VEC_NEAR(pBall->getPosition(), vector3df(20, fRadius, 20), 0.02f);
  EXPECT_NEAR(pBall->getLinearVelocity().getLength(), 0, 0.01f);

  // The same record built again from a floor at y = 5 while the geometry uses it: the geometry
  // collides with the new triangles, also where the old ones never reached (their bounds).
  scene::IMeshSceneNode* pHigh = s.m_pSmgr->addMeshSceneNode(
      levelMesh({levelQuad(0, 5)}), 0, -1, vector3df(0, 0, 0), vector3df(0, 0, 0), vector3df(40, 1, 40));
  pHigh->getMesh()->drop();
  s.m_pDevice->geomTrimeshDataBuildSimple(d, pHigh);
  pBall->setPosition(vector3df(10, 7, 10));
  s.steps(150);
  LEVEL_EXPECT_VEC_NEAR(pBall->getPosition(), vector3df(10, 5 + fRadius, 10), 0.02f);
}
