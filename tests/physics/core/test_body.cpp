// The rigid body node: its pose and velocities before and after the dynamics body exists, the
// forces it takes, its options (gravity mode, finite rotation), bodies placed below bodies,
// bodies outside a world, and its lookups by name.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "CRecordingDevice.h"
#include "CRurIvaBody.h"
#include "CRurIvaGeom.h"
#include "CRurIvaGeomBox.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaJointHinge.h"
#include "CRurIvaMotor.h"
#include "CRurIvaWorld.h"
#include "CTestScene.h"

namespace varrik {
namespace test {
namespace {

TEST(SimBody, AVelocityGivenBeforeTheStartIsTheVelocityItStartsWith) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  pWorld->setGravity(vector3df(0, 0, 0));
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 0, 0), 0.5f);
  pBody->setLinearVelocity(vector3df(2, 0, -1));
  pBody->setAngularVelocity(vector3df(0, 3, 0));
  EXPECT_EQ(pBody->getLinearVelocity(), vector3df(2, 0, -1));  // the stored value
  pWorld->initPhysics();
  EXPECT_VEC_NEAR(cScene.m_pDevice->bodyGetLinearVelocity(pBody->getBodyId()), vector3df(2, 0, -1), 1e-6f);
  cScene.simulate(pWorld, 1.0f);
  EXPECT_VEC_NEAR(pBody->getPosition(), vector3df(2, 0, -1), 0.02f);
  EXPECT_VEC_NEAR(pBody->getAngularVelocity(), vector3df(0, 3, 0), 1e-4f);
  // The node's copy of the velocities follows through the body-moved events.
  EXPECT_VEC_NEAR(pBody->getNodeLinearVelocity(), vector3df(2, 0, -1), 1e-4f);
  EXPECT_VEC_NEAR(pBody->getNodeAngularVelocity(), vector3df(0, 3, 0), 1e-4f);
}

TEST(SimBody, SetPositionMovesTheDynamicsBodyAndSetNodePositionOnlyTheNode) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  pWorld->setGravity(vector3df(0, 0, 0));
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 0, 0), 0.5f);
  pWorld->initPhysics();
  const u32 h = pBody->getBodyId();

  pBody->setPosition(vector3df(4, 5, 6));
  EXPECT_VEC_NEAR(cScene.m_pDevice->bodyGetPosition(h), vector3df(4, 5, 6), 1e-5f);
  EXPECT_EQ(pBody->getPosition(), vector3df(4, 5, 6));

  pBody->setNodePosition(vector3df(-1, -1, -1));
  EXPECT_EQ(pBody->getPosition(), vector3df(-1, -1, -1));
  EXPECT_VEC_NEAR(cScene.m_pDevice->bodyGetPosition(h), vector3df(4, 5, 6), 1e-5f);

  pBody->setRotation(vector3df(0, 0, 90));
  EXPECT_VEC_NEAR(cScene.m_pDevice->bodyGetRotation(h), vector3df(0, 0, 90), 1e-3f);
  pBody->setNodeRotation(vector3df(10, 0, 0));
  EXPECT_VEC_NEAR(cScene.m_pDevice->bodyGetRotation(h), vector3df(0, 0, 90), 1e-3f);

  // The next step brings the node back to the dynamics body.
  pBody->setLinearVelocity(vector3df(0, 0, 0.001f));
  cScene.steps(pWorld, 1);
  EXPECT_VEC_NEAR(pBody->getPosition(), vector3df(4, 5, 6), 1e-3f);
  EXPECT_VEC_NEAR(pBody->getRotation(), vector3df(0, 0, 90), 1e-3f);
}

TEST(SimBody, ANodePoseThatIsNoNumberLeavesTheNodeWhereItIs) {
  const f32 kNan = std::numeric_limits<f32>::quiet_NaN(), kInf = std::numeric_limits<f32>::infinity();
  struct SCase {
    const char* sName;
    vector3df cValue;
    bool bTaken;
  };
  const SCase aCases[] = {
      {"plain values", vector3df(1, -2, 3), true},
      {"the largest float", vector3df(-3.4e38f, 0, 3.4e38f), true},
      {"not-a-number in x", vector3df(kNan, 0, 0), false},
      {"infinity in y", vector3df(0, kInf, 0), false},
      {"minus infinity in z", vector3df(0, 0, -kInf), false},
      {"all three broken", vector3df(kInf, kNan, -kInf), false},
  };
  for (const bool bPlacedParent : {false, true}) {
    for (const SCase& c : aCases) {
      SCOPED_TRACE(std::string(c.sName) + (bPlacedParent ? ", below a placed parent" : ""));
      CTestScene cScene;
      CRurIvaWorld* pWorld = cScene.addWorld();
      // A parent moved by whole units keeps every finite world value finite in its frame.
      ISceneNode* pParent = bPlacedParent ? cScene.addEmpty(pWorld, vector3df(1, 0, 0)) : pWorld;
      CRurIvaBody* pBody = cScene.addSphereBody(pParent, vector3df(0, 0, 0), 0.5f);
      pWorld->initPhysics();
      pBody->setNodePosition(vector3df(5, 6, 7));
      pBody->setNodeRotation(vector3df(10, 20, 30));
      const vector3df cPosition = pBody->getPosition(), cRotation = pBody->getRotation();
      pBody->setNodePose(&c.cValue, &c.cValue);
      if (c.bTaken) {
        EXPECT_NE(pBody->getPosition(), cPosition);
        continue;
      }
      EXPECT_EQ(pBody->getPosition(), cPosition);
      EXPECT_EQ(pBody->getRotation(), cRotation);
    }
  }
}

TEST(SimBody, APoseGivenBeforeTheStartPlacesTheBody) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld(cScene.addEmpty(cScene.m_pRoot, vector3df(0, 100, 0)));
  pWorld->setGravity(vector3df(0, 0, 0));
  ISceneNode* pHolder = cScene.addEmpty(pWorld, vector3df(10, 0, 0), vector3df(0, 90, 0));
  CRurIvaBody* pBody = cScene.addSphereBody(pHolder, vector3df(0, 0, 5), 0.5f);
  pBody->setPosition(vector3df(0, 0, 2));  // before the start: a plain node move
  pWorld->initPhysics();
  // The absolute pose: (10, 100, 0) plus (0, 0, 2) turned 90 degrees about Y.
  EXPECT_VEC_NEAR(cScene.m_pDevice->bodyGetPosition(pBody->getBodyId()), vector3df(12, 100, 0), 1e-4f);
  EXPECT_VEC_NEAR(cScene.m_pDevice->bodyGetRotation(pBody->getBodyId()), vector3df(0, 90, 0), 1e-3f);
}

TEST(SimBody, ForcesAccelerateAndWakeTheBody) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  pWorld->setGravity(vector3df(0, 0, 0));
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 0, 0), 0.5f, 2.0f);
  pWorld->initPhysics();
  cScene.steps(pWorld, 1);
  pBody->setEnabled(false);
  cScene.steps(pWorld, 1);
  EXPECT_FALSE(pBody->isEnabled());

  pBody->addForce(vector3df(0, 0, 4));  // wakes it
  cScene.steps(pWorld, 1);
  EXPECT_TRUE(pBody->isEnabled());
  EXPECT_NEAR(pBody->getLinearVelocity().Z, 4.0f / 2.0f * 0.016f, 1e-6f);

  // A force off the centre also turns the body; a torque only turns it.
  pBody->setLinearVelocity(vector3df(0, 0, 0));
  pBody->addForceAtPosition(vector3df(0, 1, 0), vector3df(10, 0, 0));
  cScene.steps(pWorld, 1);
  EXPECT_GT(pBody->getLinearVelocity().X, 0.0f);
  EXPECT_LT(pBody->getAngularVelocity().Z, -0.1f);

  pBody->setLinearVelocity(vector3df(0, 0, 0));
  pBody->setAngularVelocity(vector3df(0, 0, 0));
  pBody->addTorque(vector3df(0, 1, 0));
  cScene.steps(pWorld, 1);
  EXPECT_NEAR(pBody->getLinearVelocity().getLength(), 0.0f, 1e-6f);
  // A solid sphere: I = 2/5 m r^2 = 0.2, so dw = 1 * 0.016 / 0.2.
  EXPECT_NEAR(pBody->getAngularVelocity().Y, 0.08f, 1e-4f);
}

TEST(SimBody, WithGravityModeOffTheBodyFloats) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pFloating = cScene.addSphereBody(pWorld, vector3df(0, 0, 0), 0.5f);
  CRurIvaBody* pFalling = cScene.addSphereBody(pWorld, vector3df(5, 0, 0), 0.5f);
  pFloating->setGravityMode(0);
  pWorld->initPhysics();
  EXPECT_EQ(pFloating->getGravityMode(), 0);
  cScene.simulate(pWorld, 1.0f);
  EXPECT_EQ(pFloating->getPosition(), vector3df(0, 0, 0));
  EXPECT_LT(pFalling->getPosition().Y, -4.0f);
  pFloating->setGravityMode(1);
  cScene.simulate(pWorld, 0.5f);
  EXPECT_LT(pFloating->getPosition().Y, -1.0f);
}

TEST(SimBody, FiniteRotationSettingsReachTheDynamicsBody) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  pWorld->setGravity(vector3df(0, 0, 0));
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 0, 0), 0.5f);
  pBody->setFiniteRotationMode(true);
  pBody->setFiniteRotationAxis(vector3df(1, 0, 0));
  EXPECT_TRUE(pBody->getFiniteRotationMode());
  pWorld->initPhysics();
  const u32 h = pBody->getBodyId();
  EXPECT_TRUE(cScene.m_pDevice->bodyGetFiniteRotationMode(h));
  EXPECT_VEC_NEAR(pBody->getFiniteRotationAxis(), vector3df(1, 0, 0), 1e-6f);

  // The axis is given in body coordinates: as the body turns about Z, the axis handed to the
  // dynamics library turns with it (taken from the pose of the step before).
  pBody->setAngularVelocity(vector3df(0, 0, irr::core::HALF_PI));
  for (int i = 0; i < 4; ++i) {
    cScene.steps(pWorld, 16);
    irr::core::matrix4 cTurn;
    cTurn.setRotationDegrees(pBody->getRotation());
    vector3df cExpected(1, 0, 0);
    cTurn.rotateVect(cExpected);
    const vector3df cAxis = pBody->getFiniteRotationAxis();
    EXPECT_NEAR(cAxis.getLength(), 1.0f, 1e-4f);
    EXPECT_GT(cAxis.dotProduct(cExpected), 0.999f) << pBody->getRotation().Z;
  }
  EXPECT_GT(pBody->getRotation().Z, 20.0f);
}

TEST(SimBody, AStaticGeometryBelowAMovedParentIsWhereItsNodeIs) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  // The holder is moved after it was built, as code that sets up a scene does; the engine has
  // not drawn a frame since, so its absolute transformation is not up to date yet.
  ISceneNode* pHolder = cScene.addEmpty(pWorld, vector3df(0, 5, 0));
  CRurIvaGeomBox* pTable = cScene.add<CRurIvaGeomBox>(cScene.addEmpty(pHolder));
  pTable->setWidth(2);
  pTable->setHeight(2);
  pTable->setDepht(2);
  CRurIvaBody* pBall =
      cScene.addSphereBody(cScene.addEmpty(pWorld, vector3df(0, 10, 0)), vector3df(0, 0, 0), 1.0f);
  pWorld->initPhysics();
  EXPECT_VEC_NEAR(cScene.m_pDevice->bodyGetPosition(pBall->getBodyId()), vector3df(0, 10, 0), 1e-5f);
  cScene.steps(pWorld, 60);
  // The ball lies on the table's top at 6.
  EXPECT_NEAR(cScene.m_pDevice->bodyGetPosition(pBall->getBodyId()).Y, 7.0f, 0.02f);
}

TEST(SimBody, TheRotationReadBackMatchesTheNode) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  pWorld->setGravity(vector3df(0, 0, 0));
  CRurIvaBody* pBody =
      cScene.addBoxBody(pWorld, vector3df(0, 0, 0), vector3df(1, 2, 3), vector3df(10, 20, 30));
  pBody->setAngularVelocity(vector3df(0.3f, -0.2f, 0.1f));
  pWorld->initPhysics();
  cScene.simulate(pWorld, 0.5f);
  vector3df cOde;
  pBody->getOdeRotation(cOde);
  // Both are rotations in degrees, perhaps in different ranges: compare the matrices.
  irr::core::matrix4 a, b;
  a.setRotationDegrees(cOde);
  b.setRotationDegrees(pBody->getRotation());
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(a[i], b[i], 1e-4f) << i;
  EXPECT_GT(pBody->getRotation().getDistanceFrom(vector3df(10, 20, 30)), 1.0f);
}

TEST(SimBody, ABodyBelowABodyMovesOnItsOwnFromWhereItWas) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  cScene.addGround(pWorld, 0.0f);
  CRurIvaBody* pParent = cScene.addSphereBody(pWorld, vector3df(0, 5, 0), 0.5f);
  pParent->setGravityMode(0);
  CRurIvaBody* pChild = cScene.addSphereBody(pParent, vector3df(3, 0, 0), 0.5f);
  EXPECT_EQ(pChild->getParentBody(), pParent);
  ASSERT_EQ(pParent->getChildBodies().size(), 1u);
  EXPECT_EQ(pWorld->getBodyCount(), 2u);
  pWorld->initPhysics();

  // It hangs from the world now, at the place it had below its parent.
  EXPECT_EQ(pChild->getParent(), pWorld);
  EXPECT_VEC_NEAR(cScene.m_pDevice->bodyGetPosition(pChild->getBodyId()), vector3df(3, 5, 0), 1e-5f);
  cScene.simulate(pWorld, 2.0f);
  EXPECT_VEC_NEAR(pParent->getPosition(), vector3df(0, 5, 0), 1e-5f);
  EXPECT_VEC_NEAR(pChild->getPosition(), vector3df(3, 0.5f, 0), 0.02f);
}

// The scene can be rearranged so that a world lies below one of its own bodies (here below a body
// that hangs from a body taken out of the scene). Starting it must not make the body hang from
// the world: that would make each the other's parent, a cycle the scene never frees.
TEST(SimBody, ABodyWhoseWorldLiesBelowItIsNotCreated) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pParent = cScene.addSphereBody(pWorld, vector3df(0, 5, 0), 0.5f);
  CRurIvaBody* pChild = cScene.addSphereBody(pParent, vector3df(3, 0, 0), 0.5f);
  pParent->grab();
  pParent->remove();
  ASSERT_EQ(pChild->getWorld(), pWorld);
  pWorld->setParent(pChild);

  const std::string sOut = captured([&] { pWorld->initPhysics(); });
  EXPECT_NE(sOut.find("the body's world lies below the body, no dynamics body created"), std::string::npos)
      << sOut;
  EXPECT_EQ(pChild->getBodyId(), 0u);
  EXPECT_EQ(pChild->getParent(), pParent);
  EXPECT_EQ(pWorld->getParent(), pChild);
  pParent->drop();  // the whole rearranged tree goes with it
}

TEST(SimBody, ABodyOutsideAWorldHasNoDynamicsBodyAndStoresItsSettings) {
  CRecordingDevice* pRec = new CRecordingDevice();
  CTestScene cScene(pRec);
  CRurIvaBody* pBody = cScene.add<CRurIvaBody>(cScene.m_pRoot, vector3df(1, 2, 3));
  EXPECT_EQ(pBody->getWorld(), nullptr);
  pBody->setLinearDamping(0.5f);
  pBody->setGravityMode(0);
  pBody->setLinearVelocity(vector3df(1, 0, 0));
  pBody->initPhysics();
  EXPECT_EQ(pRec->count("bodyCreate"), 0);
  EXPECT_EQ(pBody->getBodyId(), 0u);
  EXPECT_FLOAT_EQ(pBody->getLinearDamping(), 0.5f);
  EXPECT_EQ(pBody->getGravityMode(), 0);
  pBody->setPosition(vector3df(4, 4, 4));
  EXPECT_EQ(pBody->getPosition(), vector3df(4, 4, 4));
}

TEST(SimBody, GeometriesAndChildBodiesAreFoundByName) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaGeomSphere* pFirst = nullptr;
  CRurIvaBody* pCar = cScene.addSphereBody(pWorld, vector3df(0, 0, 0), 1.0f, 1.0f, &pFirst);
  pCar->setName("car");
  pFirst->setName("hull");
  CRurIvaGeomBox* pSecond = cScene.add<CRurIvaGeomBox>(cScene.addEmpty(pCar));
  pSecond->setName("roof");
  CRurIvaBody* pWheel = cScene.addSphereBody(pCar, vector3df(1, 0, 0), 0.3f);
  pWheel->setName("wheel");

  CRurIvaGeom* pFound = nullptr;
  const std::string sOut = captured([&] { pFound = pCar->getGeomFromName("roof"); });
  EXPECT_EQ(pFound, pSecond);
  EXPECT_EQ(sOut, "find geom: \"hull\" -- \"roof\"\nfind geom: \"roof\" -- \"roof\"\n");
  captured([&] { pFound = pCar->getGeomFromName("tyre"); });
  EXPECT_EQ(pFound, nullptr);

  EXPECT_EQ(pCar->getChildBodyFromName("car"), pCar);
  EXPECT_EQ(pCar->getChildBodyFromName("wheel"), pWheel);
  EXPECT_EQ(pCar->getChildBodyFromName("boat"), nullptr);
}

TEST(SimBody, LookupsAcrossJointsVisitEachBodyOnce) {
  // A car-shaped set-up: once it runs, the wheel lists its joint, whose body 1 is the car,
  // which lists the wheel as a child body.
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pCar = cScene.addSphereBody(pWorld, vector3df(0, 5, 0), 1.0f);
  pCar->setName("car");
  irr::ode::CRurIvaJointHinge* pAxle = cScene.add<irr::ode::CRurIvaJointHinge>(pCar, vector3df(2, 0, 0));
  pAxle->setName("axle");
  CRurIvaBody* pWheel = cScene.addSphereBody(pAxle, vector3df(0, 0, 0), 0.5f);
  pWheel->setName("wheel");
  pAxle->setBody2(pWheel);
  captured([&] { cScene.add<irr::ode::CRurIvaMotor>(pCar)->setName("drive"); });
  pWorld->initPhysics();
  ASSERT_EQ(pWheel->getJoints().size(), 1u);
  ASSERT_EQ((*pWheel->getJoints().begin())->getBody1(), pCar);

  EXPECT_EQ(pCar->getChildBodyFromName("boat"), nullptr);
  EXPECT_EQ(pCar->getChildBodyFromName("wheel"), pWheel);
  EXPECT_EQ(pWheel->getChildBodyFromName("car"), pCar);
  EXPECT_EQ(captured([&] { EXPECT_EQ(pCar->getJointFromName("none"), nullptr); }),
            "find joint: \"axle\" -- \"none\"\nfind joint: \"axle\" -- \"none\"\n");
  EXPECT_EQ(captured([&] { EXPECT_EQ(pWheel->getJointFromName("axle"), pAxle); }),
            "find joint: \"axle\" -- \"axle\"\n");
  EXPECT_EQ(captured([&] { EXPECT_EQ(pCar->getMotorFromName("none"), nullptr); }),
            "find motor: \"drive\" -- \"none\"\n");
  EXPECT_EQ(captured([&] { EXPECT_EQ(pCar->getStepMotorFromName("none"), nullptr); }), "");
  EXPECT_EQ(lineCount(captured([&] { EXPECT_EQ(pCar->getGeomFromName("none"), nullptr); })), 2);
}

TEST(SimBody, RemovingAGeometryFromPhysicsDetachesIt) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  cScene.addGround(pWorld, 0.0f);
  CRurIvaGeomSphere* pSphere = nullptr;
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 1, 0), 1.0f, 1.0f, &pSphere);
  pWorld->initPhysics();
  cScene.simulate(pWorld, 0.5f);
  EXPECT_NEAR(pBody->getPosition().Y, 1.0f, 0.02f);
  pSphere->removeFromPhysics();
  EXPECT_EQ(pSphere->getGeomId(), 0u);
  EXPECT_TRUE(pBody->getGeoms().empty());
  EXPECT_EQ(pBody->getFirstGeom(), nullptr);
  cScene.simulate(pWorld, 0.5f);
  EXPECT_LT(pBody->getPosition().Y, 0.0f);  // nothing holds it up any more
}

TEST(SimBody, GeometriesThatComeAndGoWhileTheBodyRunsHoldItUpWhileTheyLast) {
  // The geometries below a running body are destroyed and added in every order (the first of
  // its list, one added while it runs, the last one): each time the body rests on what is left,
  // and on nothing once none is.
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  cScene.addGround(pWorld, 0.0f);
  CRurIvaGeomSphere* pFirst = nullptr;
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 1, 0), 1.0f, 1.0f, &pFirst);
  CRurIvaGeomBox* pSecond = cScene.add<CRurIvaGeomBox>(cScene.addEmpty(pBody));
  pSecond->setWidth(1.0f);
  pSecond->setHeight(1.0f);
  pSecond->setDepht(1.0f);
  pWorld->initPhysics();
  cScene.simulate(pWorld, 0.5f);
  EXPECT_NEAR(pBody->getPosition().Y, 1.0f, 0.02f);

  pFirst->getParent()->remove();  // the first geometry goes: the box holds the body up
  EXPECT_EQ(pBody->getFirstGeom(), pSecond);
  cScene.simulate(pWorld, 1.0f);
  EXPECT_NEAR(pBody->getPosition().Y, 0.5f, 0.02f);

  CRurIvaGeomSphere* pThird = cScene.add<CRurIvaGeomSphere>(cScene.addEmpty(pBody));
  pThird->setRadius(1.0f);
  pThird->initPhysics();
  cScene.simulate(pWorld, 4.0f);  // it pushes the body out of the ground, which lands again
  EXPECT_NEAR(pBody->getPosition().Y, 1.0f, 0.02f);

  pThird->getParent()->remove();  // the last one listed goes
  cScene.simulate(pWorld, 1.0f);
  EXPECT_NEAR(pBody->getPosition().Y, 0.5f, 0.02f);
  pSecond->getParent()->remove();  // and the only one left
  EXPECT_EQ(pBody->getFirstGeom(), nullptr);
  cScene.simulate(pWorld, 0.5f);
  EXPECT_LT(pBody->getPosition().Y, 0.0f);  // nothing holds it up any more
}

}  // namespace
}  // namespace test
}  // namespace varrik
