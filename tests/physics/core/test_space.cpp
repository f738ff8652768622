// Collision spaces: their kinds, which space a space is created in, the quad-tree parameters
// read from scene attributes, and that geometries in nested spaces still collide.
#include <gtest/gtest.h>

#include "CRecordingDevice.h"
#include "CRurIvaBody.h"
#include "CRurIvaGeomBox.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaSpace.h"
#include "CRurIvaWorld.h"
#include "CTestScene.h"

namespace varrik {
namespace test {
namespace {

TEST(CoreSpace, EachKindCreatesItsSpaceAndAnUnknownKindNone) {
  CRecordingDevice* pRec = new CRecordingDevice();
  CTestScene cScene(pRec);
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaSpace* aSpaces[4];
  for (s32 i = 0; i < 4; ++i) {
    aSpaces[i] = cScene.add<CRurIvaSpace>(cScene.m_pRoot);  // outside every world: top-level
    aSpaces[i]->setSpaceType(i == 3 ? 7 : i);
  }
  aSpaces[2]->setQuadTreeParams(vector3df(0, 0, 0), vector3df(100, 10, 100), 3);
  pRec->m_aCalls.clear();
  for (CRurIvaSpace* p : aSpaces) p->initPhysics();

  EXPECT_EQ(pRec->m_aCalls, (std::vector<std::string>{"spaceCreateSimple(0)", "spaceCreateHash(0)",
                                                      "spaceCreateQuadTree(0,0,0,0,100,10,100,3)"}));
  EXPECT_NE(aSpaces[0]->getSpaceId(), 0u);
  EXPECT_NE(aSpaces[1]->getSpaceId(), 0u);
  EXPECT_NE(aSpaces[2]->getSpaceId(), 0u);
  EXPECT_EQ(aSpaces[3]->getSpaceId(), 0u);
  EXPECT_TRUE(aSpaces[3]->physicsInitialized());
  (void)pWorld;
}

TEST(CoreSpace, InitialisingTwiceCreatesOneSpace) {
  CRecordingDevice* pRec = new CRecordingDevice();
  CTestScene cScene(pRec);
  CRurIvaSpace* pSpace = cScene.add<CRurIvaSpace>(cScene.m_pRoot);
  pSpace->initPhysics();
  const u32 iId = pSpace->getSpaceId();
  pSpace->initPhysics();
  EXPECT_EQ(pRec->count("spaceCreate"), 1);
  EXPECT_EQ(pSpace->getSpaceId(), iId);
}

TEST(CoreSpace, SpacesBelowAWorldBeforeItsInitialisationCollideInTheWorldsSpace) {
  // As a scene file has them: no code calls setSpace. The first space that sits in no other
  // space is the world's; every other one is nested in it, so its geometries collide.
  CRecordingDevice* pRec = new CRecordingDevice();
  CTestScene cScene(pRec);
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaSpace* pFirst = cScene.add<CRurIvaSpace>(pWorld);
  CRurIvaSpace* pSecond = cScene.add<CRurIvaSpace>(pWorld);
  pSecond->setSpaceType(1);
  EXPECT_EQ(pFirst->getParentSpace(), nullptr);
  EXPECT_EQ(pSecond->getParentSpace(), nullptr);
  cScene.addGround(pWorld);
  CRurIvaBody* pBody = cScene.addSphereBody(pSecond, vector3df(0, 3, 0), 1.0f);
  pWorld->initPhysics();

  EXPECT_EQ(pWorld->getSpace(), pFirst);
  EXPECT_EQ(pSecond->getParentSpace(), pFirst);
  EXPECT_EQ(pWorld->getSpaceList().size(), 2u);  // no default space beside them
  EXPECT_EQ(pRec->count("spaceCreateSimple(0)"), 1);
  EXPECT_EQ(pRec->count("spaceCreateHash(" + CRecordingDevice::num(pFirst->getSpaceId()) + ")"), 1);
  cScene.simulate(pWorld, 2.0f);
  EXPECT_NEAR(pBody->getPosition().Y, 1.0f, 0.02f);
}

TEST(CoreSpace, SpacesCreatedLaterOrNestedGetTheRightParent) {
  CRecordingDevice* pRec = new CRecordingDevice();
  CTestScene cScene(pRec);
  CRurIvaWorld* pWorld = cScene.addWorld();
  pWorld->initPhysics();
  CRurIvaSpace* pTop = pWorld->getSpace();
  ASSERT_NE(pTop, nullptr);

  CRurIvaSpace* pLater = cScene.add<CRurIvaSpace>(pWorld);
  EXPECT_EQ(pLater->getParentSpace(), pTop);
  CRurIvaSpace* pNested = cScene.add<CRurIvaSpace>(cScene.addEmpty(pLater));
  EXPECT_EQ(pNested->getParentSpace(), pLater);  // the nearer space wins over the top space

  pRec->m_aCalls.clear();
  pLater->initPhysics();
  pNested->initPhysics();
  ASSERT_EQ(pRec->m_aCalls.size(), 2u);
  EXPECT_EQ(pRec->m_aCalls[0], "spaceCreateSimple(" + CRecordingDevice::num(pTop->getSpaceId()) + ")");
  EXPECT_EQ(pRec->m_aCalls[1], "spaceCreateSimple(" + CRecordingDevice::num(pLater->getSpaceId()) + ")");

  // The parent space was fixed at construction; moving the node does not change it.
  pNested->setParent(pWorld);
  EXPECT_EQ(pNested->getParentSpace(), pLater);
}

// A game holds a nested space it took out of the scene before its start, and the space it sat in
// goes meanwhile. Started later, the held space sits in the world's top space, as a space without
// a parent does, and not in the one that has gone.
TEST(CoreSpace, AHeldSpaceWhoseParentSpaceWentStartsInTheWorldsTopSpace) {
  CTestScene cScene;
  cScene.init();
  CRurIvaWorld* pWorld = cScene.world();
  CRurIvaSpace* pOuter = cScene.add<CRurIvaSpace>(cScene.addEmpty(pWorld));
  CRurIvaSpace* pInner = cScene.add<CRurIvaSpace>(pOuter);
  ASSERT_EQ(pInner->getParentSpace(), pOuter);

  pInner->grab();
  pInner->remove();
  pOuter->getParent()->remove();
  EXPECT_EQ(pInner->getParentSpace(), nullptr);
  pInner->initPhysics();
  EXPECT_NE(pInner->getSpaceId(), 0u);
  EXPECT_EQ(pInner->getParentSpace(), pWorld->getSpace());
  pInner->drop();
}

TEST(CoreSpace, QuadTreeParametersComeFromTheAttributes) {
  CRecordingDevice* pRec = new CRecordingDevice();
  CTestScene cScene(pRec);
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaSpace* pSource = cScene.add<CRurIvaSpace>(pWorld);
  pSource->setSpaceType(2);
  pSource->setQuadTreeParams(vector3df(0, 0, 0), vector3df(1000, 100, 1000), 4);

  irr::io::IAttributes* pAttr = cScene.newAttributes();
  pSource->serializeAttributes(pAttr);
  EXPECT_EQ(pAttr->getAttributeAsInt("SpaceType"), 2);
  EXPECT_EQ(pAttr->getAttributeAsInt("Depth"), 4);
  EXPECT_VEC_NEAR(pAttr->getAttributeAsVector3d("Extents"), vector3df(1000, 100, 1000), 0.0f);

  CRurIvaSpace* pRead = cScene.add<CRurIvaSpace>(cScene.m_pRoot);
  pRead->deserializeAttributes(pAttr);
  EXPECT_EQ(pRead->getSpaceType(), 2);
  EXPECT_EQ(pRead->getDepth(), 4);
  EXPECT_VEC_NEAR(pRead->getCenter(), vector3df(0, 0, 0), 0.0f);
  EXPECT_VEC_NEAR(pRead->getExtents(), vector3df(1000, 100, 1000), 0.0f);
  pRec->m_aCalls.clear();
  pRead->initPhysics();
  EXPECT_EQ(pRec->m_aCalls, (std::vector<std::string>{"spaceCreateQuadTree(0,0,0,0,1000,100,1000,4)"}));
  EXPECT_NE(pRead->getSpaceId(), 0u);
  pAttr->drop();

  // Copying takes the kind and the tree, not the dynamics space.
  CRurIvaSpace* pCopy = cScene.add<CRurIvaSpace>(cScene.m_pRoot);
  pRead->copyParams(pCopy, true);
  EXPECT_EQ(pCopy->getSpaceType(), 2);
  EXPECT_EQ(pCopy->getDepth(), 4);
  EXPECT_EQ(pCopy->getSpaceId(), 0u);
}

TEST(CoreSpace, GeometriesInAHashTopSpaceCollide) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaSpace* pTop = cScene.add<CRurIvaSpace>(pWorld);
  pTop->setSpaceType(1);
  pWorld->setSpace(pTop);
  cScene.addGround(pWorld);
  CRurIvaBody* pBody = cScene.addSphereBody(pTop, vector3df(0, 3, 0), 1.0f);
  pWorld->initPhysics();
  EXPECT_EQ(pWorld->getSpace(), pTop);
  EXPECT_EQ(pWorld->getSpaceList().size(), 1u);  // no default space beside it
  cScene.simulate(pWorld, 2.0f);
  EXPECT_NEAR(pBody->getPosition().Y, 1.0f, 0.02f);
}

// The library's own hash space numbers a cell's buckets in a way that breaks where the cell
// numbers of a geometry cross from -1 to 0 near the origin: a ball falling there onto a box at the
// origin met nothing and fell through. Every drop point must land on the box, in a hash space
// and (as a nested space, which the step collides on its own) below one.
TEST(CoreSpace, ABallDroppedNearTheOriginLandsOnABoxThere) {
  const vector3df aDrops[] = {{0.25f, 1, 0.25f}, {0.1f, 1, 0.1f}, {0.25f, 1, -0.25f}, {-0.3f, 1, 0.2f}};
  for (bool bNested : {false, true})
    for (const vector3df& cDrop : aDrops) {
      SCOPED_TRACE(testing::Message()
                   << (bNested ? "nested" : "top") << " space, dropped at " << cDrop.X << ", " << cDrop.Z);
      CTestScene cScene;
      CRurIvaWorld* pWorld = cScene.addWorld();
      CRurIvaSpace* pTop = cScene.add<CRurIvaSpace>(pWorld);
      pTop->setSpaceType(1);
      pWorld->setSpace(pTop);
      CRurIvaSpace* pSpace = pTop;
      if (bNested) {
        pSpace = cScene.add<CRurIvaSpace>(pTop);
        pSpace->setSpaceType(1);
      }
      CRurIvaGeomBox* pBox = cScene.add<CRurIvaGeomBox>(pSpace);
      pBox->setWidth(0.75f);
      pBox->setHeight(0.75f);
      pBox->setDepht(0.75f);
      CRurIvaBody* pBall = cScene.addSphereBody(pSpace, cDrop, 0.2f);
      pWorld->initPhysics();
      cScene.simulate(pWorld, 1.5f);
      EXPECT_NEAR(pBall->getPosition().Y, 0.575f, 0.02f);
    }
}

// Disabled: the collision callback gives up on every pair whose user data is not a geometry
// node before it looks for spaces, and a space has none, so a nested space is never entered
// and its geometries collide with nothing (reported to the device's owner).
TEST(CoreSpace, GeometriesInANestedSpaceCollideWithTheRestOfTheWorld) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaSpace* pTop = cScene.add<CRurIvaSpace>(pWorld);
  pWorld->setSpace(pTop);
  CRurIvaSpace* pInner = cScene.add<CRurIvaSpace>(pTop);
  cScene.addGround(pWorld);  // in the top space
  CRurIvaGeomSphere* pSphere = nullptr;
  CRurIvaBody* pBody = cScene.addSphereBody(pInner, vector3df(0, 3, 0), 1.0f, 1.0f, &pSphere);
  pWorld->initPhysics();
  EXPECT_EQ(pInner->getParentSpace(), pTop);
  EXPECT_EQ(pSphere->getSpace(), pInner);

  cScene.simulate(pWorld, 2.0f);
  EXPECT_NEAR(pBody->getPosition().Y, 1.0f, 0.02f);
}

TEST(CoreSpace, ANestedSpaceWithNothingWithinReachSitsOutUntilItHasAgain) {
  // A hash space numbers the cells of small geometries in 32-bit integers; a nested space holding
  // only a body far out of reach is such a small geometry far out. Whatever the kinds of the two
  // spaces, the step must go on, and the body brought back must land on the ground again.
  for (int iTop = 0; iTop < 3; ++iTop) {
    for (int iInner = 0; iInner < 3; ++iInner) {
      SCOPED_TRACE(testing::Message() << "top space kind " << iTop << ", nested space kind " << iInner);
      CTestScene cScene;
      CRurIvaWorld* pWorld = cScene.addWorld();
      CRurIvaSpace* pTop = cScene.add<CRurIvaSpace>(pWorld);
      pTop->setSpaceType(iTop);
      pWorld->setSpace(pTop);
      CRurIvaSpace* pInner = cScene.add<CRurIvaSpace>(pTop);
      pInner->setSpaceType(iInner);
      cScene.addGround(pWorld);
      CRurIvaBody* pBall = cScene.addSphereBody(pInner, vector3df(0, 2, 0), 0.5f);
      pWorld->initPhysics();
      pBall->setPosition(vector3df(0, -4e16f, 0));
      cScene.simulate(pWorld, 0.1f);
      pBall->setPosition(vector3df(0, 2, 0));
      pBall->setLinearVelocity(vector3df(0, 0, 0));
      cScene.simulate(pWorld, 2.0f);
      EXPECT_NEAR(pBall->getPosition().Y, 0.5f, 0.02f);
    }
  }
}

TEST(CoreSpace, RemovedFromPhysicsASpaceDestroysItsDynamicsSpace) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaSpace* pSpace = cScene.add<CRurIvaSpace>(pWorld);
  pSpace->initPhysics();
  const u32 iId = pSpace->getSpaceId();
  ASSERT_NE(cScene.m_pDevice->getSpaceId(iId), nullptr);
  pSpace->removeFromPhysics();
  EXPECT_EQ(pSpace->getSpaceId(), 0u);
  EXPECT_EQ(cScene.m_pDevice->getSpaceId(iId), nullptr);
  EXPECT_FALSE(cScene.m_pManager->isRegisteredOdeSceneNode(pSpace));
}

}  // namespace
}  // namespace test
}  // namespace varrik
