// Triangle data of the node kinds a level or a body may show (animated meshes, terrains), and a
// record built again while a geometry uses it. The device's own tests cover the layouts, formats
// and messages of plain mesh nodes; these add what levels need on top.
#include <gtest/gtest.h>
#include <irrlicht.h>
#include <CDynamicMeshBuffer.h>

#include <vector>

#include "CLevelScene.h"
#include "CRurIvaBody.h"
#include "CRurIvaGeomTrimesh.h"
#include "CTestScene.h"
#include "TestMeshes.h"

using namespace varrik::test;

namespace {

namespace scene = irr::scene;
namespace video = irr::video;

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

//! Two quads of 4 vertices and 6 indices each, the second one beside and above the first.
scene::SMesh* twoQuadMesh() { return meshOf({levelQuad(0, 0), levelQuad(5, 2)}); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Node kinds

TEST(LevelTrimeshData, AnimatedMeshNodeGivesAllTheTrianglesOfItsMeshOrOneBuffer) {
  CTestScene s;
  scene::SMesh* pMesh = twoQuadMesh();
  scene::SAnimatedMesh* pAnimated = new scene::SAnimatedMesh(pMesh);
  pMesh->drop();
  scene::IAnimatedMeshSceneNode* pAnimNode = s.m_pSmgr->addAnimatedMeshSceneNode(pAnimated);
  pAnimated->drop();

  const u32 dAll = s.m_pDevice->geomTrimeshDataCreate();
  s.m_pDevice->geomTrimeshDataBuildSimple(dAll, pAnimNode);
  EXPECT_EQ(s.m_pDevice->getTrimeshVertexCount(dAll), 8u);
  EXPECT_EQ(trimeshIndices(*s.m_pDevice, dAll), (std::vector<s32>{0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7}));
  EXPECT_VEC_NEAR(trimeshVertices(*s.m_pDevice, dAll)[6], vector3df(6, 2, 1), 0);

  const u32 dOne = s.m_pDevice->geomTrimeshDataCreate();
  s.m_pDevice->geomTrimeshDataBuildFromMeshBuffer(dOne, pAnimNode, 1);
  EXPECT_EQ(trimeshIndices(*s.m_pDevice, dOne), (std::vector<s32>{0, 1, 2, 0, 2, 3}));
  EXPECT_VEC_NEAR(trimeshVertices(*s.m_pDevice, dOne)[0], vector3df(5, 2, 0), 0);
}

TEST(LevelTrimeshData, TerrainNodeGivesItsFullDetailGrid) {
  CTestScene s;
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
  EXPECT_VEC_NEAR(trimeshVertices(*s.m_pDevice, d)[17 * 17 - 1], vector3df(16 * 2, 10 * 0.5f, 16 * 3), 1e-4f);
  for (s32 i : trimeshIndices(*s.m_pDevice, d)) ASSERT_LT(i, 17 * 17);
}

// ---------------------------------------------------------------------------------------------
// What ODE makes of the data

TEST(LevelTrimeshData, SphereRestsOnTheTrianglesWhereTheyWereBuiltAndOnTheirRebuiltOnes) {
  CLevelScene s;
  // A 40 x 40 floor of two triangles at y = 0 (the unit quad scaled by the node).
  CRurIvaGeomTrimesh* pFloor =
      s.addLevel(meshOf({levelQuad(0, 0)}), vector3df(0, 0, 0), vector3df(40, 1, 40));
  const f32 fRadius = 0.5f;
  CRurIvaBody* pBall = s.addBall(vector3df(20, 2, 20), fRadius);
  s.world()->initPhysics();
  ASSERT_EQ(pFloor->getGeomCount(), 1u);
  // The node's data record is made right before its geometry, so its handle is one less.
  const u32 d = pFloor->getGeomId(0) - 1;
  ASSERT_EQ(s.m_pDevice->getTrimeshIndexCount(d), 6u);

  s.steps(150);
  EXPECT_VEC_NEAR(pBall->getPosition(), vector3df(20, fRadius, 20), 0.02f);
  EXPECT_NEAR(pBall->getLinearVelocity().getLength(), 0, 0.01f);

  // The same record built again from a floor at y = 5 while the geometry uses it: the geometry
  // collides with the new triangles, also where the old ones never reached (their bounds).
  scene::IMeshSceneNode* pHigh = s.addMeshNode(nullptr, meshOf({levelQuad(0, 5)}), vector3df(0, 0, 0),
                                               vector3df(0, 0, 0), vector3df(40, 1, 40));
  s.m_pDevice->geomTrimeshDataBuildSimple(d, pHigh);
  pBall->setPosition(vector3df(10, 7, 10));
  s.steps(150);
  EXPECT_VEC_NEAR(pBall->getPosition(), vector3df(10, 5 + fRadius, 10), 0.02f);
}
