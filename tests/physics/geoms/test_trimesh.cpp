// Triangle-mesh geometries of levels and bodies: one geometry and one surface per material of a
// static level, the surface a contact picks up (measured by how fast a ball slides on it), the
// material a body reports, and the demo level's floor where it was designed to be.
#include <gtest/gtest.h>
#include <irrlicht.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "AssetDesign.h"
#include "CLevelScene.h"
#include "CRurIvaBody.h"
#include "CRurIvaGeomPlane.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaGeomTrimesh.h"
#include "CRurIvaSurfaceParameters.h"

using namespace varrik::test;

namespace {

namespace scene = irr::scene;
namespace video = irr::video;

//! A flat rectangle at y = 0 from (x0, z0) to (x1, z1), facing up, as one mesh buffer.
scene::SMeshBuffer* levelStrip(f32 x0, f32 x1, f32 z0, f32 z1) {
  scene::SMeshBuffer* b = new scene::SMeshBuffer();
  const vector3df aCorners[4] = {vector3df(x0, 0, z0), vector3df(x0, 0, z1), vector3df(x1, 0, z1),
                                 vector3df(x1, 0, z0)};
  for (const vector3df& c : aCorners) b->Vertices.push_back(video::S3DVertex(c, vector3df(0, 1, 0), 0, {}));
  const u16 aIndices[6] = {0, 1, 2, 0, 2, 3};
  for (u16 i : aIndices) b->Indices.push_back(i);
  b->recalculateBoundingBox();
  return b;
}

//! Strips along X, one mesh buffer (one material) each; strip i runs from aEdges[i] to aEdges[i + 1].
scene::SMesh* levelStrips(const std::vector<f32>& aEdges, f32 fHalfWidth = 5.0f) {
  scene::SMesh* m = new scene::SMesh();
  for (size_t i = 0; i + 1 < aEdges.size(); ++i) {
    scene::SMeshBuffer* b = levelStrip(aEdges[i], aEdges[i + 1], -fHalfWidth, fHalfWidth);
    // Distinct materials, as a level's textures would make them.
    b->Material.DiffuseColor = video::SColor(255, static_cast<u32>(40 * i), 0, 0);
    m->addMeshBuffer(b);
    b->drop();
  }
  m->recalculateBoundingBox();
  return m;
}

//! Five strips of 6 units from x = 0, the first with a run-up of 10 behind it.
scene::SMesh* fiveMaterialLevel() { return levelStrips({-10, 6, 12, 18, 24, 40}); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// One geometry and one surface per material

TEST(LevelTrimesh, StaticLevelOfFiveMaterialsHasFiveSetsAndFiveHandles) {
  CLevelScene s;
  const size_t iSetsBefore = s.m_pManager->getSurfaceParameters().size();
  CRurIvaGeomTrimesh* pLevel = s.addLevel(fiveMaterialLevel());
  EXPECT_EQ(pLevel->getSurfaceParametersCount(), 5u);
  EXPECT_EQ(s.m_pManager->getSurfaceParameters().size(), iSetsBefore + 5);
  for (u32 i = 0; i < 5; ++i) EXPECT_TRUE(pLevel->getSurfaceParameters(i)->m_bStatic) << i;
  EXPECT_EQ(pLevel->getGeomCount(), 0u);
  CRurIvaGeomSphere* pSphere = nullptr;
  s.addBall(vector3df(0, 5, 0), 1, &pSphere);

  s.init();
  ASSERT_EQ(pLevel->getGeomCount(), 5u);
  for (u32 i = 0; i < 5; ++i) {
    EXPECT_NE(pLevel->getGeomId(i), 0u) << i;
    EXPECT_NE(s.m_pDevice->getGeomId(pLevel->getGeomId(i)), nullptr) << i;
    EXPECT_EQ(pLevel->getIndexOfGeom(pLevel->getGeomId(i)), static_cast<s32>(i));
    for (u32 j = 0; j < i; ++j) EXPECT_NE(pLevel->getGeomId(i), pLevel->getGeomId(j));
  }
  // Past the last material: the first geometry and the first surface.
  EXPECT_EQ(pLevel->getGeomId(7), pLevel->getGeomId(0));
  EXPECT_EQ(pLevel->getSurfaceParameters(7), pLevel->getSurfaceParameters(0));

  // Each geometry holds exactly its material's two triangles: its data record is made right
  // before it.
  for (u32 i = 0; i < 5; ++i) EXPECT_EQ(s.m_pDevice->getTrimeshIndexCount(pLevel->getGeomId(i) - 1), 6u) << i;

  // A handle of another node is not one of this node's.
  ASSERT_NE(pSphere->getGeomId(), 0u);
  EXPECT_EQ(pLevel->getIndexOfGeom(pSphere->getGeomId()), -1);
}

TEST(LevelTrimesh, StaticMeshMovedUnderABodyKeepsOneSetAndBackUnderTheLevelGetsFiveAgain) {
  CLevelScene s;
  const size_t iSetsBefore = s.m_pManager->getSurfaceParameters().size();
  CRurIvaGeomTrimesh* pLevel = s.addLevel(fiveMaterialLevel());
  scene::ISceneNode* pLevelNode = pLevel->getParent();
  CRurIvaSurfaceParameters* pFirst = pLevel->getSurfaceParameters(0);

  CRurIvaBody* pBody = s.add<CRurIvaBody>(s.world(), vector3df(0, 5, 0));
  scene::ISceneNode* pVisual = s.m_pSmgr->addEmptySceneNode(pBody);
  pLevel->setParent(pVisual);
  EXPECT_EQ(pLevel->getParent(), pVisual);
  EXPECT_EQ(pLevel->getSurfaceParametersCount(), 1u);
  EXPECT_EQ(pLevel->getSurfaceParameters(0), pFirst);
  EXPECT_EQ(s.m_pManager->getSurfaceParameters().size(), iSetsBefore + 1);

  pLevel->setParent(pLevelNode);
  EXPECT_EQ(pLevel->getSurfaceParametersCount(), 5u);
  EXPECT_EQ(pLevel->getSurfaceParameters(0), pFirst);
  for (u32 i = 1; i < 5; ++i) EXPECT_TRUE(pLevel->getSurfaceParameters(i)->m_bStatic) << i;
  EXPECT_EQ(s.m_pManager->getSurfaceParameters().size(), iSetsBefore + 5);

  // Still a working level: five geometries once initialised.
  s.init();
  EXPECT_EQ(pLevel->getGeomCount(), 5u);
}

TEST(LevelTrimesh, RemovedStaticLevelIsBuiltAgainByTheNextInitialisation) {
  CLevelScene s;
  CRurIvaGeomTrimesh* pLevel = s.addLevel(fiveMaterialLevel());
  CRurIvaBody* pBall = s.addBall(vector3df(3, 2, 0), 0.5f);
  s.init();
  const u32 iFirst = pLevel->getGeomId(0);
  ASSERT_NE(s.m_pDevice->getGeomId(iFirst), nullptr);

  pLevel->removeFromPhysics();
  EXPECT_EQ(pLevel->getGeomCount(), 0u);
  EXPECT_EQ(s.m_pDevice->getGeomId(iFirst), nullptr);
  EXPECT_FALSE(pLevel->physicsInitialized());
  // Without its level the ball falls.
  s.steps(60);
  EXPECT_LT(pBall->getPosition().Y, 0.0f);

  pLevel->initPhysics();
  EXPECT_EQ(pLevel->getGeomCount(), 5u);
  EXPECT_TRUE(pLevel->physicsInitialized());
  pBall->setPosition(vector3df(3, 2, 0));
  pBall->setLinearVelocity(vector3df(0, 0, 0));
  s.steps(120);
  EXPECT_VEC_NEAR(pBall->getPosition(), vector3df(3, 0.5f, 0), 0.02f);
}

// ---------------------------------------------------------------------------------------------
// The surface of the touched material

TEST(LevelTrimesh, BallSlidingAcrossFiveMaterialsTakesEachMaterialsFrictionAndReportsIt) {
  CLevelScene s;
  CRurIvaGeomTrimesh* pLevel = s.addLevel(fiveMaterialLevel());
  // Friction in proportion to the load (the friction pyramid), so that the deceleration of a
  // sliding body is mu x g. Two surfaces meet with the geometric mean of their mu; the ball's
  // own mu is 1, so a material of mu m slides with sqrt(m).
  const f32 aMu[5] = {0.05f, 0.3f, 0.1f, 0.4f, 0.02f};
  for (u32 i = 0; i < 5; ++i) pLevel->getSurfaceParameters(i)->setMu(aMu[i] * aMu[i]);

  CRurIvaGeomSphere* pSphere = nullptr;
  const f32 fRadius = 0.5f;
  CRurIvaBody* pBall = s.addBall(vector3df(-8, fRadius, 0), fRadius, &pSphere);
  pSphere->getSurfaceParameters(0)->setMu(1.0f);
  pSphere->getSurfaceParameters(0)->setModeApprox1(true);
  // The ball may not turn, so it slides all the way instead of rolling without friction.
  pBall->setMaxAngularSpeed(1e-4f);
  pBall->setLinearVelocity(vector3df(12, 0, 0));
  s.init();

  // Per material: the speeds of the steps taken well inside its strip.
  const f32 aEdges[6] = {-10, 6, 12, 18, 24, 40};
  std::vector<f32> aSpeeds[5];
  for (int iStep = 0; iStep < 600 && pBall->getPosition().X < aEdges[5] - 1.0f; ++iStep) {
    s.steps(1);
    const f32 x = pBall->getPosition().X;
    for (u32 i = 0; i < 5; ++i) {
      if (x < aEdges[i] + 1.0f || x > aEdges[i + 1] - 1.0f) continue;
      // Right after the step the body tells what it touched during it.
      EXPECT_TRUE(pBall->getCollision());
      EXPECT_EQ(pBall->getTouched(), pLevel);
      EXPECT_EQ(pBall->getCollisionMaterial(), static_cast<s32>(i)) << "at x = " << x;
      aSpeeds[i].push_back(pBall->getLinearVelocity().X);
    }
  }
  ASSERT_GT(pBall->getPosition().X, aEdges[4] + 6.0f) << "the ball must slide well into the last material";
  for (u32 i = 0; i < 5; ++i) {
    ASSERT_GE(aSpeeds[i].size(), 5u) << i;
    const f32 fDeceleration =
        (aSpeeds[i].front() - aSpeeds[i].back()) / (kStep * static_cast<f32>(aSpeeds[i].size() - 1));
    EXPECT_NEAR(fDeceleration, aMu[i] * kGravity, 0.03f * aMu[i] * kGravity) << "material " << i;
  }
}

TEST(LevelTrimesh, MaterialBeyondTheParentsSetsUsesTheFirstSetButIsStillReported) {
  CLevelScene s;
  // The geometry takes its triangles from its child (two materials) while its parent, an empty
  // node, has no material: one surface set for two geometries.
  scene::ISceneNode* pHolder = s.m_pSmgr->addEmptySceneNode(s.world());
  CRurIvaGeomTrimesh* pLevel = s.add<CRurIvaGeomTrimesh>(pHolder);
  scene::IMeshSceneNode* pShown = s.addMeshNode(pLevel, levelStrips({-10, 0, 30}));
  ASSERT_EQ(pLevel->getSurfaceParametersCount(), 1u);
  pLevel->getSurfaceParameters(0)->setMu(0.09f);

  CRurIvaGeomSphere* pSphere = nullptr;
  CRurIvaBody* pBall = s.addBall(vector3df(2, 0.5f, 0), 0.5f, &pSphere);
  pSphere->getSurfaceParameters(0)->setMu(1.0f);
  pSphere->getSurfaceParameters(0)->setModeApprox1(true);
  pBall->setMaxAngularSpeed(1e-4f);
  pBall->setLinearVelocity(vector3df(6, 0, 0));
  s.init();
  EXPECT_FALSE(pShown->isVisible());
  ASSERT_EQ(pLevel->getGeomCount(), 2u);

  s.steps(2);
  const f32 fBefore = pBall->getLinearVelocity().X;
  s.steps(20);
  EXPECT_EQ(pBall->getCollisionMaterial(), 1);
  EXPECT_EQ(pBall->getTouched(), pLevel);
  EXPECT_NEAR((fBefore - pBall->getLinearVelocity().X) / (20 * kStep), 0.3f * kGravity, 0.1f);
}

// ---------------------------------------------------------------------------------------------
// Dynamic meshes

TEST(LevelTrimesh, MeshUnderABodyFallsAndRestsOnItsFaces) {
  CLevelScene s;
  CRurIvaGeomPlane* pGround = s.add<CRurIvaGeomPlane>(s.world());
  pGround->setParams(0, 1, 0, 0);

  CRurIvaBody* pBody = s.add<CRurIvaBody>(s.world(), vector3df(3, 4, -2));
  // A 2 x 2 x 2 cube centred on the body.
  scene::IMesh* pCube = s.m_pSmgr->getGeometryCreator()->createCubeMesh(vector3df(2, 2, 2));
  scene::IMeshSceneNode* pShown = s.addMeshNode(pBody, pCube);
  CRurIvaGeomTrimesh* pMesh = s.add<CRurIvaGeomTrimesh>(pShown);
  pMesh->setMassTotal(2.0f);
  EXPECT_EQ(pMesh->getSurfaceParametersCount(), 1u);
  s.init();
  // A cube's mesh repeats its corners (one vertex per face), so the plane meets it at points
  // that coincide; a little constraint softness keeps such a set of contacts solvable.
  s.world()->setCFM(1e-5f);

  ASSERT_EQ(pMesh->getGeomCount(), 1u);
  EXPECT_EQ(pMesh->getGeomId(0), pMesh->getGeomId(3));
  EXPECT_NE(pMesh->getGeomId(0), 0u);
  EXPECT_EQ(pMesh->getBody(), pBody);
  EXPECT_EQ(s.m_pDevice->getTrimeshIndexCount(pMesh->getGeomId(0) - 1), 36u);

  s.steps(200);
  EXPECT_VEC_NEAR(pBody->getPosition(), vector3df(3, 1, -2), 0.03f);
  EXPECT_NEAR(pBody->getLinearVelocity().getLength(), 0, 0.05f);
  EXPECT_TRUE(pBody->getCollision());
}

TEST(LevelTrimesh, MeshMovedToTheScenesRootWaitsForAMeshInsteadOfMeasuringTheRoot) {
  // The engine's root has no bounding box to read (it hands out a null one); a body's mesh with a
  // mass measured it for its inertia. Both kinds of mesh geometry stay unbuilt there and build
  // once they are back under a mesh.
  for (const bool bOnBody : {true, false}) {
    SCOPED_TRACE(bOnBody ? "on a body" : "static");
    CLevelScene s;
    scene::IMesh* pCube = s.m_pSmgr->getGeometryCreator()->createCubeMesh(vector3df(2, 2, 2));
    scene::ISceneNode* pOwner =
        bOnBody ? static_cast<scene::ISceneNode*>(s.add<CRurIvaBody>(s.world(), vector3df(0, 4, 0)))
                : s.world();
    scene::IMeshSceneNode* pShown = s.addMeshNode(pOwner, pCube);
    CRurIvaGeomTrimesh* pMesh = s.add<CRurIvaGeomTrimesh>(pShown);
    pMesh->setMassTotal(2.0f);

    pMesh->setParent(s.m_pSmgr->getRootSceneNode());
    pMesh->initPhysics();
    EXPECT_FALSE(pMesh->physicsInitialized());
    EXPECT_EQ(pMesh->getGeomCount(), 0u);

    pMesh->setParent(pShown);
    pMesh->initPhysics();
    EXPECT_TRUE(pMesh->physicsInitialized());
    EXPECT_EQ(pMesh->getGeomCount(), 1u);
  }
}

// ---------------------------------------------------------------------------------------------
// The demo level

TEST(LevelTrimesh, SphereDroppedOnTheDemoLevelRestsOnTheDesignedFloor) {
  namespace design = varrik::assetgen::design;
  CLevelScene s;
  struct stat cInfo;
  ASSERT_EQ(stat(VARRIK_DATA_DIR "/map.bsp", &cInfo), 0) << "build the varrik-data target first";
  ASSERT_TRUE(
      s.m_pIrr->getFileSystem()->addFileArchive(VARRIK_DATA_DIR "/", true, true, irr::io::EFAT_FOLDER));
  scene::IAnimatedMesh* pMap = s.m_pSmgr->getMesh("map.bsp");
  ASSERT_NE(pMap, nullptr);
  scene::IMeshSceneNode* pLevelNode = s.m_pSmgr->addOctreeSceneNode(pMap->getMesh(0), s.world(), -1, 512);
  ASSERT_NE(pLevelNode, nullptr);
  pLevelNode->setPosition(vector3df(0, static_cast<f32>(design::kLevelNodeY), 0));
  CRurIvaGeomTrimesh* pLevel = s.add<CRurIvaGeomTrimesh>(pLevelNode);

  // One under the car's start, one farther along the flat start of the track.
  const f32 fRadius = 9.0f;
  const f32 fFloor = static_cast<f32>(design::kFloorWorldY);
  CRurIvaBody* pAtStart = s.addBall(vector3df(0, -100, 0), fRadius);
  CRurIvaBody* pAhead = s.addBall(vector3df(40, -90, -250), fRadius);
  s.init();
  EXPECT_EQ(pLevel->getGeomCount(), pLevelNode->getMaterialCount());
  EXPECT_GT(pLevel->getGeomCount(), 1u);

  s.steps(250);
  EXPECT_VEC_NEAR(pAtStart->getPosition(), vector3df(0, fFloor + fRadius, 0), 0.05f);
  EXPECT_VEC_NEAR(pAhead->getPosition(), vector3df(40, fFloor + fRadius, -250), 0.05f);
  EXPECT_NEAR(pAtStart->getLinearVelocity().getLength(), 0, 0.05f);
  EXPECT_EQ(pAtStart->getTouched(), pLevel);
}
