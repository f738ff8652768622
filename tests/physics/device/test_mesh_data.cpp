// Triangle data from real engine meshes built in memory, and heightfields fed by a callback.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "CDeviceScene.h"
#include "CRurIvaBody.h"
#include "CRurIvaDevice.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaGeomTrimesh.h"
#include "TestMeshes.h"

using namespace varrik::test;
using irr::scene::CDynamicMeshBuffer;
using irr::scene::IMeshSceneNode;
using irr::scene::SMesh;
using irr::scene::SMeshBuffer;
using irr::video::S3DVertex;

namespace {

// A square in the plane y = fY from (x0, z0) to (x1, z1) as two triangles whose normals point
// up in the library's winding.
template <class TBuffer, class TVertex>
void fillQuad(TBuffer* b, f32 x0, f32 z0, f32 x1, f32 z1, f32 fY) {
  b->Vertices.push_back(TVertex());
  b->Vertices.push_back(TVertex());
  b->Vertices.push_back(TVertex());
  b->Vertices.push_back(TVertex());
  b->Vertices[0].Pos = vector3df(x0, fY, z0);
  b->Vertices[1].Pos = vector3df(x1, fY, z0);
  b->Vertices[2].Pos = vector3df(x1, fY, z1);
  b->Vertices[3].Pos = vector3df(x0, fY, z1);
  for (irr::u16 i : {0, 3, 2, 0, 2, 1}) b->Indices.push_back(i);
  b->recalculateBoundingBox();
}

SMeshBuffer* quad(f32 x0, f32 z0, f32 x1, f32 z1, f32 fY = 0) {
  SMeshBuffer* b = new SMeshBuffer();
  fillQuad<SMeshBuffer, S3DVertex>(b, x0, z0, x1, z1, fY);
  return b;
}

// A dynamic buffer of any vertex and index type, filled with the quad's vertices and indices.
CDynamicMeshBuffer* dynamicQuad(irr::video::E_VERTEX_TYPE eVertex, irr::video::E_INDEX_TYPE eIndex, f32 fY) {
  CDynamicMeshBuffer* b = new CDynamicMeshBuffer(eVertex, eIndex);
  const vector3df aPos[4] = {vector3df(-1, fY, -1), vector3df(1, fY, -1), vector3df(1, fY, 1),
                             vector3df(-1, fY, 1)};
  for (const vector3df& p : aPos) {
    if (eVertex == irr::video::EVT_TANGENTS) {
      irr::video::S3DVertexTangents v;
      v.Pos = p;
      b->getVertexBuffer().push_back(v);
    } else if (eVertex == irr::video::EVT_2TCOORDS) {
      irr::video::S3DVertex2TCoords v;
      v.Pos = p;
      b->getVertexBuffer().push_back(v);
    } else {
      S3DVertex v;
      v.Pos = p;
      b->getVertexBuffer().push_back(v);
    }
  }
  for (u32 i : {0u, 3u, 2u, 0u, 2u, 1u}) b->getIndexBuffer().push_back(i);
  b->recalculateBoundingBox();
  return b;
}

// An initialised sphere body of mass 1 whose node origin is the sphere's centre.
CRurIvaBody* sphereBody(CDeviceScene& cScene, const vector3df& cPos, f32 fRadius) {
  CRurIvaBody* pBody = cScene.addSphereBody(cScene.world(), cPos, fRadius);
  pBody->initPhysics();
  return pBody;
}

}  // namespace

TEST(DeviceTrimesh, TwoBuffersGiveOneMeshWithTheSecondBuffersIndicesShifted) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  IMeshSceneNode* pNode = cScene.addMeshNode(nullptr, meshOf({quad(-1, -1, 1, 1), quad(2, -1, 4, 1, 3)}));
  const u32 t = d.geomTrimeshDataCreate();
  d.geomTrimeshDataBuildSimple(t, pNode);
  EXPECT_EQ(d.getTrimeshVertexCount(t), 8u);
  EXPECT_EQ(d.getTrimeshIndexCount(t), 12u);
  EXPECT_EQ(trimeshIndices(d, t), (std::vector<s32>{0, 3, 2, 0, 2, 1, 4, 7, 6, 4, 6, 5}));
  const std::vector<vector3df> v = trimeshVertices(d, t);
  ASSERT_EQ(v.size(), 8u);
  EXPECT_EQ(v[0], vector3df(-1, 0, -1));
  EXPECT_EQ(v[5], vector3df(4, 3, -1));
}

TEST(DeviceTrimesh, OneBufferKeepsItsOwnIndices) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  IMeshSceneNode* pNode = cScene.addMeshNode(nullptr, meshOf({quad(-1, -1, 1, 1), quad(2, -1, 4, 1, 3)}));
  const u32 t = d.geomTrimeshDataCreate();
  d.geomTrimeshDataBuildFromMeshBuffer(t, pNode, 1);
  EXPECT_EQ(d.getTrimeshVertexCount(t), 4u);
  EXPECT_EQ(trimeshIndices(d, t), (std::vector<s32>{0, 3, 2, 0, 2, 1}));
  EXPECT_EQ(trimeshVertices(d, t)[1], vector3df(4, 3, -1));
}

TEST(DeviceTrimesh, OnlyTheNodesScaleIsApplied) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  SMeshBuffer* b = quad(-1, -1, 1, 1);
  b->Vertices[2].Pos = vector3df(1, 1, 1);
  IMeshSceneNode* pNode = cScene.addMeshNode(nullptr, meshOf({b}));
  pNode->setScale(vector3df(2, 1, 0.5f));
  pNode->setPosition(vector3df(100, 200, 300));
  pNode->setRotation(vector3df(0, 45, 0));
  const u32 t = d.geomTrimeshDataCreate();
  d.geomTrimeshDataBuildSimple(t, pNode);
  EXPECT_EQ(trimeshVertices(d, t)[2], vector3df(2, 1, 0.5f));
  EXPECT_EQ(trimeshVertices(d, t)[0], vector3df(-2, 0, -0.5f));
}

TEST(DeviceTrimesh, ThirtyTwoBitIndicesAreReadAsSuch) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  // A buffer of 70000 vertices, whose last triangle names vertices beyond 16 bits.
  CDynamicMeshBuffer* b = dynamicQuad(irr::video::EVT_STANDARD, irr::video::EIT_32BIT, 0);
  for (u32 i = 4; i < 70000; ++i) {
    S3DVertex v;
    v.Pos = vector3df(0, static_cast<f32>(i), 0);
    b->getVertexBuffer().push_back(v);
  }
  for (u32 i : {69997u, 69998u, 69999u}) b->getIndexBuffer().push_back(i);
  IMeshSceneNode* pNode = cScene.addMeshNode(nullptr, meshOf({b}));
  const u32 t = d.geomTrimeshDataCreate();
  d.geomTrimeshDataBuildSimple(t, pNode);
  EXPECT_EQ(d.getTrimeshVertexCount(t), 70000u);
  const std::vector<s32> i = trimeshIndices(d, t);
  ASSERT_EQ(i.size(), 9u);
  EXPECT_EQ(std::vector<s32>(i.begin(), i.begin() + 6), (std::vector<s32>{0, 3, 2, 0, 2, 1}));
  EXPECT_EQ(std::vector<s32>(i.begin() + 6, i.end()), (std::vector<s32>{69997, 69998, 69999}));
  EXPECT_EQ(trimeshVertices(d, t)[69999], vector3df(0, 69999, 0));
}

TEST(DeviceTrimesh, EveryVertexTypeGivesItsPositions) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  irr::scene::SMeshBufferLightMap* pTwo = new irr::scene::SMeshBufferLightMap();
  fillQuad<irr::scene::SMeshBufferLightMap, irr::video::S3DVertex2TCoords>(pTwo, -1, -1, 1, 1, 1);
  irr::scene::SMeshBufferTangents* pTangents = new irr::scene::SMeshBufferTangents();
  fillQuad<irr::scene::SMeshBufferTangents, irr::video::S3DVertexTangents>(pTangents, -1, -1, 1, 1, 2);
  IMeshSceneNode* pNode =
      cScene.addMeshNode(nullptr, meshOf({quad(-1, -1, 1, 1, 0), pTwo, pTangents,
                                          dynamicQuad(irr::video::EVT_TANGENTS, irr::video::EIT_32BIT, 3),
                                          dynamicQuad(irr::video::EVT_2TCOORDS, irr::video::EIT_16BIT, 4)}));
  const u32 t = d.geomTrimeshDataCreate();
  d.geomTrimeshDataBuildSimple(t, pNode);
  const std::vector<vector3df> v = trimeshVertices(d, t);
  ASSERT_EQ(v.size(), 20u);
  for (u32 k = 0; k < 5; ++k) {
    EXPECT_EQ(v[4 * k], vector3df(-1, static_cast<f32>(k), -1)) << "buffer " << k;
    EXPECT_EQ(v[4 * k + 2], vector3df(1, static_cast<f32>(k), 1)) << "buffer " << k;
  }
  const std::vector<s32> i = trimeshIndices(d, t);
  ASSERT_EQ(i.size(), 30u);
  EXPECT_EQ(std::vector<s32>(i.begin() + 18, i.begin() + 24), (std::vector<s32>{12, 15, 14, 12, 14, 13}));
}

TEST(DeviceTrimesh, BuildingAgainReplacesTheData) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  IMeshSceneNode* pNode = cScene.addMeshNode(nullptr, meshOf({quad(-1, -1, 1, 1), quad(2, -1, 4, 1)}));
  const u32 t = d.geomTrimeshDataCreate();
  d.geomTrimeshDataBuildSimple(t, pNode);
  d.geomTrimeshDataBuildSimple(t, pNode);
  EXPECT_EQ(d.getTrimeshVertexCount(t), 8u);
  EXPECT_EQ(d.getTrimeshIndexCount(t), 12u);
  d.geomTrimeshDataBuildFromMeshBuffer(t, pNode, 0);
  EXPECT_EQ(d.getTrimeshVertexCount(t), 4u);
  EXPECT_EQ(trimeshIndices(d, t), (std::vector<s32>{0, 3, 2, 0, 2, 1}));
  // A failed build leaves the data as it was.
  captured([&] { d.geomTrimeshDataBuildFromMeshBuffer(t, pNode, 5); });
  EXPECT_EQ(d.getTrimeshVertexCount(t), 4u);
}

TEST(DeviceTrimesh, UnsupportedNodesAndMissingMeshesAreReportedWithTheirMessages) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  irr::scene::ISceneManager* pSmgr = cScene.m_pSmgr;
  const u32 t = d.geomTrimeshDataCreate();

  irr::scene::ISceneNode* pCamera = pSmgr->addCameraSceneNode();
  irr::scene::ISceneNode* pLight = pSmgr->addLightSceneNode();
  EXPECT_EQ(captured([&] { d.geomTrimeshDataBuildSimple(t, pCamera); }),
            "Non supported scene node type detected!\n");
  EXPECT_EQ(captured([&] { d.geomTrimeshDataBuildFromMeshBuffer(t, pLight, 0); }),
            "Non supported scene node type detected!\n");
  EXPECT_EQ(captured([&] { d.geomTrimeshDataBuildSimple(t, nullptr); }),
            "Non supported scene node type detected!\n");

  IMeshSceneNode* pEmpty = pSmgr->addMeshSceneNode(nullptr, nullptr, -1, vector3df(0, 0, 0),
                                                   vector3df(0, 0, 0), vector3df(1, 1, 1), true);
  ASSERT_NE(pEmpty, nullptr);
  EXPECT_EQ(captured([&] { d.geomTrimeshDataBuildSimple(t, pEmpty); }), "Mesh==NULL!\n");
  EXPECT_EQ(captured([&] { d.geomTrimeshDataBuildFromMeshBuffer(t, pEmpty, 0); }), "Mesh==NULL!\n");

  IMeshSceneNode* pNode = cScene.addMeshNode(nullptr, meshOf({quad(-1, -1, 1, 1)}));
  EXPECT_EQ(captured([&] { d.geomTrimeshDataBuildFromMeshBuffer(t, pNode, 1); }), "no meshbuffer found!\n");

  // An animated mesh of one frame without a second buffer.
  irr::scene::SAnimatedMesh* pAnimated = new irr::scene::SAnimatedMesh(meshOf({quad(-1, -1, 1, 1)}));
  pAnimated->getMesh(0)->drop();
  irr::scene::IAnimatedMeshSceneNode* pAnimatedNode = pSmgr->addAnimatedMeshSceneNode(pAnimated);
  pAnimated->drop();
  EXPECT_EQ(captured([&] { d.geomTrimeshDataBuildFromMeshBuffer(t, pAnimatedNode, 1); }), "pBuffer==NULL!\n");
  EXPECT_EQ(captured([&] { d.geomTrimeshDataBuildFromMeshBuffer(t, pAnimatedNode, 0); }), "");
  EXPECT_EQ(d.getTrimeshIndexCount(t), 6u);

  // An animated mesh without frames.
  irr::scene::SAnimatedMesh* pNoFrames = new irr::scene::SAnimatedMesh();
  irr::scene::IAnimatedMeshSceneNode* pNoFramesNode = pSmgr->addAnimatedMeshSceneNode(pNoFrames);
  pNoFrames->drop();
  EXPECT_EQ(captured([&] { d.geomTrimeshDataBuildFromMeshBuffer(t, pNoFramesNode, 0); }),
            "no meshbuffer found!\n");

  // An octree node gives its buffers one by one, but not all at once.
  SMesh* pOctreeMesh = meshOf({quad(-1, -1, 1, 1)});
  irr::scene::IMeshSceneNode* pOctree = pSmgr->addOctreeSceneNode(pOctreeMesh);
  pOctreeMesh->drop();
  ASSERT_EQ(pOctree->getType(), irr::scene::ESNT_OCTREE);
  EXPECT_EQ(captured([&] { d.geomTrimeshDataBuildSimple(t, pOctree); }),
            "Non supported scene node type detected!\n");
  const u32 t2 = d.geomTrimeshDataCreate();
  EXPECT_EQ(captured([&] { d.geomTrimeshDataBuildFromMeshBuffer(t2, pOctree, 0); }), "");
  EXPECT_EQ(d.getTrimeshIndexCount(t2), 6u);
}

TEST(DeviceTrimesh, MeshesWithoutTrianglesOrWithBrokenIndicesAreNotBuilt) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  const u32 t = d.geomTrimeshDataCreate();
  // The library aborts on a build without triangles.
  IMeshSceneNode* pEmpty = cScene.addMeshNode(nullptr, meshOf({new SMeshBuffer()}));
  std::string sOut = captured([&] { d.geomTrimeshDataBuildSimple(t, pEmpty); });
  EXPECT_EQ(lineCount(sOut), 1) << sOut;
  SMeshBuffer* pBroken = quad(-1, -1, 1, 1);
  pBroken->Indices[4] = 9;
  IMeshSceneNode* pBrokenNode = cScene.addMeshNode(nullptr, meshOf({pBroken}));
  sOut = captured([&] { d.geomTrimeshDataBuildSimple(t, pBrokenNode); });
  EXPECT_EQ(lineCount(sOut), 1) << sOut;
  EXPECT_EQ(d.getTrimeshIndexCount(t), 0u);
  // No geometry is made of unbuilt data (the library would compute its bounds from memory it
  // never set); the ball falls through where it would have been.
  sOut = captured([&] { EXPECT_EQ(d.geomCreateTrimesh(cScene.spaceId(), t), 0u); });
  EXPECT_EQ(lineCount(sOut), 1) << sOut;
  CRurIvaBody* pBall = sphereBody(cScene, vector3df(0, 0.2f, 0), 0.5f);
  cScene.steps(5);
  EXPECT_LT(d.bodyGetPosition(pBall->getBodyId()).Y, 0.2f);
}

TEST(DeviceTrimesh, ASmallMeshFarOutOrUnbuiltIsNoGeometryInAHashSpace) {
  // A hash space numbers its smallest cells (1/8 unit) in 32-bit integers: a small mesh 3e8 away
  // overflowed them and the library aborted in the collision pass; so did, now and then, a mesh
  // of data that was never built (its bounds are whatever the memory held).
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  const u32 s = cScene.m_cHandles.space(d.spaceCreateHash(cScene.spaceId()));
  CRurIvaGeomSphere* pCarrier = cScene.add<CRurIvaGeomSphere>(cScene.world());
  d.geomSetData(cScene.m_cHandles.geom(d.geomCreateBox(s, 1, 1, 1)), pCarrier);  // a neighbour
  for (f32 fY : {3e8f, std::numeric_limits<f32>::quiet_NaN()}) {
    SCOPED_TRACE(fY);
    const u32 t = d.geomTrimeshDataCreate();
    IMeshSceneNode* pFar = cScene.addMeshNode(nullptr, meshOf({quad(-0.01f, -0.01f, 0.01f, 0.01f, fY)}));
    std::string sOut = captured([&] { d.geomTrimeshDataBuildSimple(t, pFar); });
    EXPECT_EQ(lineCount(sOut), 1) << sOut;
    EXPECT_EQ(d.getTrimeshIndexCount(t), 0u);
    sOut = captured([&] { EXPECT_EQ(d.geomCreateTrimesh(s, t), 0u); });
    EXPECT_EQ(lineCount(sOut), 1) << sOut;
    cScene.steps(2);
  }
}

TEST(DeviceTrimesh, ABallRestsOnTheScaledTriangles) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  // A 2 x 2 floor scaled to 20 x 20: a ball dropped at x = 5 lands on it only if the scale is in.
  IMeshSceneNode* pFloor = cScene.addMeshNode(nullptr, meshOf({quad(-1, -1, 1, 1)}));
  pFloor->setScale(vector3df(10, 1, 10));
  const u32 t = d.geomTrimeshDataCreate();
  d.geomTrimeshDataBuildSimple(t, pFloor);
  const u32 g = cScene.m_cHandles.geom(d.geomCreateTrimesh(cScene.spaceId(), t));
  CRurIvaGeomSphere* pCarrier = cScene.add<CRurIvaGeomSphere>(cScene.world());
  d.geomSetData(g, pCarrier);
  CRurIvaBody* pBall = sphereBody(cScene, vector3df(5, 2, 5), 0.5f);
  cScene.steps(200);
  EXPECT_NEAR(d.bodyGetPosition(pBall->getBodyId()).Y, 0.5f, 0.05f);
  d.trimeshDrawDebug(t, cScene.m_pIrr->getVideoDriver());
  d.geomDestroy(g);
}

TEST(DeviceTrimesh, ContactsFindTheMaterialOfTheTouchedGeometry) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  // A level of two materials side by side; a static triangle mesh makes one geometry each.
  IMeshSceneNode* pLevel = cScene.addMeshNode(nullptr, meshOf({quad(-10, -10, 0, 10), quad(0, -10, 10, 10)}));
  pLevel->setParent(cScene.world());
  CRurIvaGeomTrimesh* pMesh = cScene.add<CRurIvaGeomTrimesh>(pLevel);
  pMesh->initPhysics();
  ASSERT_EQ(pMesh->getGeomCount(), 2u);
  EXPECT_EQ(d.getHandleOfGeom(d.getGeomId(pMesh->getGeomId(1))), pMesh->getGeomId(1));

  CRurIvaBody* pLeft = sphereBody(cScene, vector3df(-5, 1, 0), 0.5f);
  CRurIvaBody* pRight = sphereBody(cScene, vector3df(5, 1, 0), 0.5f);
  // The mesh is then built again: its new geometries may lie where the old ones lay, in another
  // order, and the material is still the touched one.
  for (int iBuild = 0; iBuild < 2; ++iBuild) {
    SCOPED_TRACE(iBuild == 0 ? "first build" : "built again");
    if (iBuild == 1) {
      pMesh->removeFromPhysics();
      pMesh->initPhysics();
      ASSERT_EQ(pMesh->getGeomCount(), 2u);
    }
    cScene.steps(60);
    EXPECT_TRUE(pLeft->getCollision());
    EXPECT_TRUE(pRight->getCollision());
    EXPECT_EQ(pLeft->getCollisionMaterial(), 0);
    EXPECT_EQ(pRight->getCollisionMaterial(), 1);
    EXPECT_EQ(pRight->getTouched(), pMesh);
  }
}

namespace {

struct SHeights {
  f32 fHeight;
  int iMinX = 1000, iMaxX = -1, iMinZ = 1000, iMaxZ = -1;
};

f32 sampleHeight(void* pData, int x, int z) {
  SHeights* p = static_cast<SHeights*>(pData);
  p->iMinX = std::min(p->iMinX, x);
  p->iMaxX = std::max(p->iMaxX, x);
  p->iMinZ = std::min(p->iMinZ, z);
  p->iMaxZ = std::max(p->iMaxZ, z);
  return p->fHeight;
}

}  // namespace

TEST(DeviceTrimesh, HeightfieldAsksTheLayersCallbackForItsHeights) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  SHeights cHeights;
  cHeights.fHeight = 2.0f;
  const u32 hd = d.geomHeightfieldDataCreate();
  d.geomHeightfieldDataCallback(hd, &cHeights, reinterpret_cast<void*>(&sampleHeight), 10, 10, 5, 5, 1, 0, 1,
                                0);
  d.geomHeightfieldSetBounds(hd, -1000, 1000);
  const u32 g = cScene.m_cHandles.geom(d.geomCreateHeightfield(cScene.spaceId(), hd));
  ASSERT_NE(g, 0u);
  d.geomSetPosition(g, vector3df(0, 0, 0));
  CRurIvaGeomSphere* pCarrier = cScene.add<CRurIvaGeomSphere>(cScene.world());
  d.geomSetData(g, pCarrier);
  CRurIvaBody* pBall = sphereBody(cScene, vector3df(1, 4, 1), 0.5f);
  cScene.steps(200);
  // The float height reaches the library intact: the ball rests on 2.
  EXPECT_NEAR(d.bodyGetPosition(pBall->getBodyId()).Y, 2.5f, 0.05f);
  EXPECT_GE(cHeights.iMinX, 0);
  EXPECT_LE(cHeights.iMaxX, 4);
  EXPECT_GE(cHeights.iMinZ, 0);
  EXPECT_LE(cHeights.iMaxZ, 4);
  EXPECT_LE(cHeights.iMinX, cHeights.iMaxX);
  d.geomDestroy(g);
}
