// Primitive geometries: the sizes they take from the mesh of their visible parent, what they
// hand to the dynamics library, and how they sit in the simulation.
#include <gtest/gtest.h>

#include "CRecordingDevice.h"
#include "CRurIvaBody.h"
#include "CRurIvaGeomBox.h"
#include "CRurIvaGeomCapsule.h"
#include "CRurIvaGeomCylinder.h"
#include "CRurIvaGeomPlane.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaSurfaceParameters.h"
#include "CRurIvaWorld.h"
#include "CTestScene.h"

namespace varrik {
namespace test {
namespace {

using irr::scene::IAnimatedMeshSceneNode;
using irr::scene::IMeshSceneNode;

TEST(SimPrimitives, ABoxTakesTheFrameZeroBoxOfItsAnimatedMeshTimesTheScale) {
  CRecordingDevice* pRec = new CRecordingDevice();
  CTestScene cScene(pRec);
  CRurIvaWorld* pWorld = cScene.addWorld();
  cScene.addGround(pWorld, 0.0f);
  CRurIvaBody* pBody = cScene.add<CRurIvaBody>(pWorld, vector3df(0, 3, 0));
  IAnimatedMeshSceneNode* pModel = cScene.addAnimatedMeshNode(pBody, {aabbox3df(-1, -0.5f, -2, 1, 0.5f, 2)},
                                                              vector3df(0, 0, 0), vector3df(2, 1, 1));
  CRurIvaGeomBox* pBox = cScene.add<CRurIvaGeomBox>(pModel);
  pWorld->initPhysics();

  EXPECT_EQ(pRec->count("geomCreateBox"), 1);
  EXPECT_EQ(pRec->first("geomCreateBox"), "geomCreateBox(4,1,4)");
  EXPECT_FLOAT_EQ(pBox->getWidth(), 4.0f);  // written back into the node
  EXPECT_FLOAT_EQ(pBox->getHeight(), 1.0f);
  EXPECT_FLOAT_EQ(pBox->getDepth(), 4.0f);
  EXPECT_TRUE(pBox->physicsInitialized());

  // The box is half a unit high: it comes to rest with its centre at 0.5.
  cScene.simulate(pWorld, 2.0f);
  EXPECT_NEAR(pBody->getPosition().Y, 0.5f, 0.02f);
}

TEST(SimPrimitives, ABoxBelowAStaticMeshNodeTakesItsMeshBox) {
  CRecordingDevice* pRec = new CRecordingDevice();
  CTestScene cScene(pRec);
  CRurIvaWorld* pWorld = cScene.addWorld();
  IMeshSceneNode* pModel =
      cScene.addMeshNode(pWorld, {aabbox3df(0, 0, 0, 2, 3, 4)}, vector3df(0, 0, 0), vector3df(1, 0.5f, 2));
  cScene.add<CRurIvaGeomBox>(pModel);
  pWorld->initPhysics();
  EXPECT_EQ(pRec->first("geomCreateBox"), "geomCreateBox(2,1.5,8)");
}

TEST(SimPrimitives, AnyGivenSizeIsUsedAsItStands) {
  CRecordingDevice* pRec = new CRecordingDevice();
  CTestScene cScene(pRec);
  CRurIvaWorld* pWorld = cScene.addWorld();
  IMeshSceneNode* pModel = cScene.addMeshNode(pWorld, {aabbox3df(-5, -5, -5, 5, 5, 5)});
  CRurIvaGeomBox* pBox = cScene.add<CRurIvaGeomBox>(pModel);
  pBox->setWidth(2);
  pWorld->initPhysics();
  EXPECT_EQ(pRec->first("geomCreateBox"), "geomCreateBox(2,0,0)");
  EXPECT_EQ(pBox->getHeight(), 0.0f);
}

TEST(SimPrimitives, WithSelectedMaterialsOnlyTheSelectedBuffersAndTheOriginCount) {
  CRecordingDevice* pRec = new CRecordingDevice();
  CTestScene cScene(pRec);
  CRurIvaWorld* pWorld = cScene.addWorld();
  IMeshSceneNode* pModel = cScene.addMeshNode(
      pWorld,
      {aabbox3df(1, 0, 0, 2, 1, 1), aabbox3df(-10, -10, -10, -9, -9, -9), aabbox3df(2, -1, -1, 3, 0, 0)},
      vector3df(0, 0, 0), vector3df(2, 1, 1));
  CRurIvaGeomBox* pBox = cScene.add<CRurIvaGeomBox>(pModel);
  pBox->setUseAllMaterials(false);
  pBox->setUseMaterial(0, true);
  pBox->setUseMaterial(1, false);  // the third buffer is beyond the flags: selected
  pWorld->initPhysics();

  // Buffers 0 and 2 with the origin: (0, -1, -1) to (3, 1, 1), times the scale.
  EXPECT_EQ(pRec->first("geomCreateBox"), "geomCreateBox(6,2,2)");
  EXPECT_VEC_NEAR(pBox->getBoundingBox().MinEdge, vector3df(0, -1, -1), 0.0f);
  EXPECT_VEC_NEAR(pBox->getBoundingBox().MaxEdge, vector3df(3, 1, 1), 0.0f);
}

TEST(SimPrimitives, SelectedMaterialsNeedAMeshParentOrNoBoxIsMade) {
  CRecordingDevice* pRec = new CRecordingDevice();
  CTestScene cScene(pRec);
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaGeomBox* pBox = cScene.add<CRurIvaGeomBox>(cScene.addEmpty(pWorld));
  pBox->setUseAllMaterials(false);
  const std::string sOut = captured([&] { pWorld->initPhysics(); });
  EXPECT_NE(sOut.find("Non supported scene node type detected!\n"), std::string::npos);
  EXPECT_EQ(pRec->count("geomCreateBox"), 0);
  EXPECT_FALSE(pBox->physicsInitialized());
  EXPECT_EQ(pBox->getGeomId(), 0u);
  EXPECT_TRUE(pWorld->physicsInitialized());
  cScene.steps(pWorld, 2);
}

TEST(SimPrimitives, SphereAndCylinderTakeTheirRadiusFromTheMeshWidth) {
  CRecordingDevice* pRec = new CRecordingDevice();
  CTestScene cScene(pRec);
  CRurIvaWorld* pWorld = cScene.addWorld();
  cScene.addGround(pWorld, 0.0f);
  CRurIvaBody* pBody = cScene.add<CRurIvaBody>(pWorld, vector3df(0, 5, 0));
  const aabbox3df cBox(-1.5f, -1.5f, -2, 1.5f, 1.5f, 2);  // 3 wide, 4 deep
  IAnimatedMeshSceneNode* pModel =
      cScene.addAnimatedMeshNode(pBody, {cBox}, vector3df(0, 0, 0), vector3df(2, 2, 2));
  CRurIvaGeomSphere* pSphere = cScene.add<CRurIvaGeomSphere>(pModel);
  CRurIvaGeomCylinder* pCylinder = cScene.add<CRurIvaGeomCylinder>(
      cScene.addAnimatedMeshNode(pWorld, {cBox}, vector3df(50, 0, 0), vector3df(2, 2, 2)));
  pWorld->initPhysics();

  EXPECT_FLOAT_EQ(pSphere->getRadius(), 3.0f);
  EXPECT_EQ(pRec->first("geomCreateSphere"), "geomCreateSphere(3)");
  EXPECT_FLOAT_EQ(pCylinder->getRadius(), 6.0f);  // the full width: no halving
  EXPECT_FLOAT_EQ(pCylinder->getLength(), 8.0f);
  EXPECT_EQ(pRec->first("geomCreateCylinder"), "geomCreateCylinder(6,8)");

  cScene.simulate(pWorld, 2.0f);
  EXPECT_NEAR(pBody->getPosition().Y, 3.0f, 0.02f);
}

TEST(SimPrimitives, ACapsuleTakesItsLengthFromTheDepthLessBothCaps) {
  CRecordingDevice* pRec = new CRecordingDevice();
  CTestScene cScene(pRec);
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pBody = cScene.add<CRurIvaBody>(pWorld);
  CRurIvaGeomCapsule* pCapsule = cScene.add<CRurIvaGeomCapsule>(
      cScene.addAnimatedMeshNode(pBody, {aabbox3df(-0.5f, -0.5f, -2, 0.5f, 0.5f, 2)}));
  pWorld->initPhysics();
  EXPECT_FLOAT_EQ(pCapsule->getRadius(), 1.0f);
  EXPECT_FLOAT_EQ(pCapsule->getLength(), 2.0f);
  EXPECT_EQ(pRec->first("geomCreateCapsule"), "geomCreateCapsule(1,2)");
}

TEST(SimPrimitives, ACapsuleLyingOnTheGroundRestsOnItsRadius) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  cScene.addGround(pWorld, 0.0f);
  CRurIvaBody* pBody = cScene.add<CRurIvaBody>(pWorld, vector3df(0, 2, 0));
  CRurIvaGeomCapsule* pCapsule = cScene.add<CRurIvaGeomCapsule>(cScene.addEmpty(pBody));
  pCapsule->setRadius(0.5f);
  pCapsule->setLength(3.0f);  // along Z: it lies on its side
  pWorld->initPhysics();
  cScene.simulate(pWorld, 2.0f);
  EXPECT_NEAR(pBody->getPosition().Y, 0.5f, 0.02f);
}

TEST(SimPrimitives, AGeometryStaysAtItsParentsOrigin) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaGeomSphere* pSphere = cScene.add<CRurIvaGeomSphere>(cScene.addEmpty(pWorld, vector3df(1, 1, 1)));
  pSphere->setPosition(vector3df(3, 4, 5));
  EXPECT_EQ(pSphere->getPosition(), vector3df(0, 0, 0));
  // Also when built with a position.
  CRurIvaGeomBox* pBox = cScene.add<CRurIvaGeomBox>(pWorld, vector3df(7, 8, 9));
  pBox->setPosition(pBox->getPosition());
  EXPECT_EQ(pBox->getPosition(), vector3df(0, 0, 0));
}

TEST(SimPrimitives, AZeroMassSphereIsAttachedButAddsNoMass) {
  CRecordingDevice* pRec = new CRecordingDevice();
  CTestScene cScene(pRec);
  CRurIvaWorld* pWorld = cScene.addWorld();
  cScene.addGround(pWorld, 0.0f);
  CRurIvaGeomSphere* pSphere = nullptr;
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 3, 0), 1.0f, 0.0f, &pSphere);
  captured([&] { pWorld->initPhysics(); });
  EXPECT_EQ(pRec->count("massSetSphereTotal"), 0);
  EXPECT_EQ(pRec->count("massAdd"), 0);
  EXPECT_EQ(pSphere->getBody(), pBody);
  EXPECT_EQ(pBody->getFirstGeom(), pSphere);
  // Attached, it carries the body: the body lands on it.
  cScene.simulate(pWorld, 2.0f);
  EXPECT_NEAR(pBody->getPosition().Y, 1.0f, 0.02f);
}

TEST(SimPrimitives, OffsetsBelowAMillionthAreNoOffsets) {
  CRecordingDevice* pRec = new CRecordingDevice();
  CTestScene cScene(pRec);
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pBody = cScene.add<CRurIvaBody>(pWorld);
  cScene.add<CRurIvaGeomSphere>(cScene.addEmpty(pBody, vector3df(0.0000005f, 0, 0)))->setRadius(1);
  cScene.add<CRurIvaGeomSphere>(cScene.addEmpty(pBody, vector3df(0, 2, 0)))->setRadius(1);
  pWorld->initPhysics();
  EXPECT_EQ(pRec->count("geomSetOffsetPosition"), 1);
  EXPECT_EQ(pRec->first("geomSetOffsetPosition"), "geomSetOffsetPosition(0,2,0)");
}

TEST(SimPrimitives, EveryIndexGivesSetZeroOfAPrimitive) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaGeomBox* pBox = cScene.add<CRurIvaGeomBox>(pWorld);
  EXPECT_EQ(pBox->getSurfaceParametersCount(), 1u);
  EXPECT_EQ(pBox->getSurfaceParameters(5), pBox->getSurfaceParameters(0));
  EXPECT_TRUE(pBox->getSurfaceParameters(0)->m_bStatic);
  CRurIvaGeomBox* pDynamic = nullptr;
  cScene.addBoxBody(pWorld, vector3df(0, 0, 0), vector3df(1, 1, 1), vector3df(0, 0, 0), 1.0f, &pDynamic);
  EXPECT_FALSE(pDynamic->getSurfaceParameters(0)->m_bStatic);
}

TEST(SimPrimitives, APlaneInitialisedTwiceIsCreatedOnceAndNeverPlaced) {
  CRecordingDevice* pRec = new CRecordingDevice();
  CTestScene cScene(pRec);
  CRurIvaWorld* pWorld = cScene.addWorld();
  pWorld->initPhysics();
  CRurIvaGeomPlane* pPlane =
      cScene.add<CRurIvaGeomPlane>(cScene.addEmpty(pWorld, vector3df(0, 5, 0), vector3df(30, 0, 0)));
  pPlane->setParams(0, 1, 0, -2);
  pRec->m_aCalls.clear();
  const std::string sOut = captured([&] {
    pPlane->initPhysics();
    pPlane->initPhysics();
  });
  EXPECT_EQ(pRec->count("geomCreatePlane"), 1);
  EXPECT_EQ(pRec->count("geomSetRotation"), 0);
  EXPECT_EQ(pRec->count("geomSetPosition"), 0);
  EXPECT_EQ(sOut, "");
  EXPECT_EQ(pPlane->getBody(), nullptr);

  // The plane is where its parameters say, whatever its parent's pose: y = -2.
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 0, 0), 1.0f);
  pBody->initPhysics();
  cScene.simulate(pWorld, 2.0f);
  EXPECT_NEAR(pBody->getPosition().Y, -1.0f, 0.02f);
}

TEST(SimPrimitives, CopyParamsCopiesSizesSurfacesAndMassButNotTheGroup) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaGeomBox* pSource = cScene.add<CRurIvaGeomBox>(pWorld);
  pSource->setName("crate");
  pSource->setWidth(1);
  pSource->setHeight(2);
  pSource->setDepht(3);
  pSource->setUseAllMaterials(false);
  pSource->setUseMaterial(1, false);
  pSource->setCollide(false);
  pSource->setCollisionGroup(5);
  pSource->setMassTotal(7.0f);
  pSource->getSurfaceParameters(0)->setMu(0.7f);
  CRurIvaGeomBox* pDest = cScene.add<CRurIvaGeomBox>(pWorld);
  pSource->copyParams(pDest, true);

  EXPECT_STREQ(pDest->getName(), "crate");
  EXPECT_FLOAT_EQ(pDest->getDepth(), 3.0f);
  EXPECT_FALSE(pDest->getUseAllMaterials());
  ASSERT_EQ(pDest->getUseMaterials().size(), 2u);
  EXPECT_FALSE(pDest->getUseMaterials()[1]);
  EXPECT_FALSE(pDest->doesCollide());
  EXPECT_EQ(pDest->getCollisionGroup(), 0);
  EXPECT_FLOAT_EQ(pDest->getMass(), 7.0f);
  EXPECT_FLOAT_EQ(pDest->getSurfaceParameters(0)->getMu(), 0.7f);
  EXPECT_NE(pDest->getSurfaceParameters(0), pSource->getSurfaceParameters(0));
}

TEST(SimPrimitives, AClonedSphereBodySimulatesLikeItsSource) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  cScene.addGround(pWorld, 0.0f);
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 4, 0), 0.75f);
  ISceneNode* pClone = cScene.m_pManager->cloneTree(pBody, pWorld, nullptr);
  pClone->drop();
  pClone->setPosition(vector3df(10, 4, 0));
  pWorld->initPhysics();
  cScene.simulate(pWorld, 2.0f);
  EXPECT_NEAR(pBody->getPosition().Y, 0.75f, 0.02f);
  EXPECT_NEAR(pClone->getPosition().Y, 0.75f, 0.02f);
  EXPECT_NEAR(pClone->getPosition().X, 10.0f, 1e-3f);
}

}  // namespace
}  // namespace test
}  // namespace varrik
