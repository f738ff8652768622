// The physics node factory: creating nodes by type and by type name, through the factory and
// through the scene manager it is registered with.

#include <gtest/gtest.h>

#include <irrlicht.h>

#include <string>

#include "CRurIvaBody.h"
#include "CRurIvaManager.h"
#include "CRurIvaSceneNodeFactory.h"
#include "CRurIvaWorld.h"
#include "CTestScene.h"

using namespace irr;
using namespace irr::ode;

namespace {

const c8* const kTableOrder[] = {"CRurIvaBody",
                                 "CRurIvaGeomBox",
                                 "CRurIvaGeomCapsule",
                                 "CRurIvaGeomCylinder",
                                 "CRurIvaGeomHeightfield",
                                 "CRurIvaGeomPlane",
                                 "CRurIvaGeomRay",
                                 "CRurIvaGeomSphere",
                                 "CRurIvaGeomTrimesh",
                                 "CRurIvaJointBallSocket",
                                 "CRurIvaJointFixed",
                                 "CRurIvaJointHinge",
                                 "CRurIvaJointHinge2",
                                 "CRurIvaJointPiston",
                                 "CRurIvaJointSlider",
                                 "CRurIvaSpace",
                                 "CRurIvaWorld",
                                 "CRurIvaMotor",
                                 "CRurIvaServo",
                                 "CRurIvaImpulseMotor",
                                 "CRurIvaTorqueMotor",
                                 "CRurIvaAeroDrag",
                                 "CRurIvaJointPR"};

class FactoryTest : public ::testing::Test {
 protected:
  //! The wide type name of a node, narrowed.
  static std::string typeNameOf(scene::ISceneNode* pNode) {
    return CRurIvaSceneNode::nodeNameToC8(static_cast<CRurIvaSceneNode*>(pNode)->getTypeName());
  }

  varrik::test::CTestScene m_cScene;
  scene::ISceneManager* smgr = m_cScene.m_pSmgr;
};

TEST_F(FactoryTest, OffersTheTwentyThreeKindsInTableOrder) {
  CRurIvaSceneNodeFactory factory(smgr);
  ASSERT_EQ(factory.getCreatableSceneNodeTypeCount(), 23u);
  for (u32 i = 0; i < 23; ++i) {
    EXPECT_STREQ(factory.getCreateableSceneNodeTypeName(i), kTableOrder[i]) << "entry " << i;
    // The type of each entry names the same entry back.
    EXPECT_STREQ(factory.getCreateableSceneNodeTypeName(factory.getCreateableSceneNodeType(i)),
                 kTableOrder[i]);
  }
  EXPECT_EQ(factory.getCreateableSceneNodeType(23), scene::ESNT_UNKNOWN);
  EXPECT_EQ(factory.getCreateableSceneNodeTypeName(23u), nullptr);
}

TEST_F(FactoryTest, EveryEntryCreatesANodeOfItsOwnTypeBelowTheParent) {
  CRurIvaSceneNodeFactory factory(smgr);
  CRurIvaWorld* world = static_cast<CRurIvaWorld*>(factory.addSceneNode("CRurIvaWorld", 0));
  ASSERT_NE(world, nullptr);
  CRurIvaBody* body = static_cast<CRurIvaBody*>(factory.addSceneNode("CRurIvaBody", world));
  ASSERT_NE(body, nullptr);

  for (u32 i = 0; i < factory.getCreatableSceneNodeTypeCount(); ++i) {
    scene::ISceneNode* pNode = factory.addSceneNode(factory.getCreateableSceneNodeType(i), body);
    ASSERT_NE(pNode, nullptr) << kTableOrder[i];
    EXPECT_EQ(pNode->getType(), factory.getCreateableSceneNodeType(i));
    EXPECT_EQ(typeNameOf(pNode), kTableOrder[i]);
    EXPECT_EQ(pNode->getParent(), body);
    EXPECT_EQ(pNode->getID(), -1);
    EXPECT_EQ(pNode->getPosition(), core::vector3df(0, 0, 0));
    EXPECT_EQ(pNode->getScale(), core::vector3df(1, 1, 1));
    // Held by the parent and by the creation reference that the caller owns.
    EXPECT_EQ(pNode->getReferenceCount(), 2);
    pNode->drop();
  }
  body->drop();
  world->drop();
}

TEST_F(FactoryTest, UnknownAbstractAndWrongCaseNamesCreateNothing) {
  CRurIvaSceneNodeFactory factory(smgr);
  const u32 iChildren = smgr->getRootSceneNode()->getChildren().size();
  EXPECT_EQ(factory.addSceneNode("CRurIvaGeom", 0), nullptr);
  EXPECT_EQ(factory.addSceneNode("CRurIvaJointUniversal", 0), nullptr);
  EXPECT_EQ(factory.addSceneNode("crurivaworld", 0), nullptr);
  EXPECT_EQ(factory.addSceneNode("CRurIvaWorl", 0), nullptr);
  EXPECT_EQ(factory.addSceneNode("CRurIvaWorldX", 0), nullptr);
  EXPECT_EQ(factory.addSceneNode(static_cast<const c8*>(0), 0), nullptr);
  EXPECT_EQ(factory.addSceneNode(RUR_IVA_JOINT_UNIVERSAL_ID, 0), nullptr);
  EXPECT_EQ(factory.addSceneNode(RUR_IVA_GEOM_ID, 0), nullptr);
  EXPECT_EQ(smgr->getRootSceneNode()->getChildren().size(), iChildren);
}

TEST_F(FactoryTest, TheSpaceTypeNamesTheSpace) {
  CRurIvaSceneNodeFactory factory(smgr);
  // The surface parameter type shares the space's value; the first entry with it is the space.
  EXPECT_STREQ(factory.getCreateableSceneNodeTypeName(RUR_IVA_SPACE_ID), "CRurIvaSpace");
  EXPECT_STREQ(factory.getCreateableSceneNodeTypeName(RUR_IVA_SURFACE_PARAMETERS_ID), "CRurIvaSpace");
  EXPECT_EQ(factory.getCreateableSceneNodeTypeName(scene::ESNT_CUBE), nullptr);
}

TEST_F(FactoryTest, AWorldCreatedByNameWithoutParentHangsBelowTheRoot) {
  CRurIvaSceneNodeFactory factory(smgr);
  scene::ISceneNode* pWorld = factory.addSceneNode("CRurIvaWorld", 0);
  ASSERT_NE(pWorld, nullptr);
  EXPECT_EQ(pWorld->getParent(), smgr->getRootSceneNode());
  EXPECT_EQ(pWorld->getType(), RUR_IVA_WORLD_ID);
  pWorld->drop();
}

TEST_F(FactoryTest, TheSceneManagerCreatesPhysicsNodesOnlyOnceTheFactoryIsRegistered) {
  EXPECT_EQ(smgr->addSceneNode("CRurIvaWorld"), nullptr);

  CRurIvaSceneNodeFactory* pFactory = new CRurIvaSceneNodeFactory(smgr);
  smgr->registerSceneNodeFactory(pFactory);
  pFactory->drop();

  scene::ISceneNode* pWorld = smgr->addSceneNode("CRurIvaWorld");
  ASSERT_NE(pWorld, nullptr);
  scene::ISceneNode* pBody = smgr->addSceneNode("CRurIvaBody", pWorld);
  ASSERT_NE(pBody, nullptr);
  EXPECT_EQ(pBody->getType(), RUR_IVA_BODY_ID);
  // The body knows its world as soon as it exists: it joined the world's set-up.
  EXPECT_EQ(static_cast<CRurIvaBody*>(pBody)->getWorld(), pWorld);
  EXPECT_TRUE(CRurIvaManager::getSharedInstance()->isRegisteredOdeSceneNode(pBody));
  pBody->drop();
  pWorld->drop();
}

}  // namespace
