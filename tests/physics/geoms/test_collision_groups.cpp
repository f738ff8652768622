// Which geometry pairs become contacts: collision groups, the collide flag, static pairs and
// geometries of one body. Measured on the bodies (touching flags, motion) and by counting the
// surface combinations asked for the contacts that pairs make.
#include <gtest/gtest.h>

#include "CCountingCalculator.h"
#include "CRurIvaBody.h"
#include "CRurIvaDevice.h"
#include "CRurIvaGeomBox.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaWorld.h"
#include "CTestScene.h"
#include "IRurIvaContactParameters.h"

namespace varrik {
namespace test {
namespace {

//! A device that hands out the counting calculator (which stays the test's).
class CCountingDevice : public CRurIvaDevice {
 public:
  explicit CCountingDevice(CCountingCalculator* p) : m_pCounter(p) {}
  irr::ode::IRurIvaContactParameters* getContactCalculator() override { return m_pCounter; }

 private:
  CCountingCalculator* m_pCounter;
};

//! Two spheres of radius 1 overlapping by half a unit, without gravity.
struct SPair {
  CRurIvaBody* pA;
  CRurIvaBody* pB;
  CRurIvaGeomSphere* pGeomA;
  CRurIvaGeomSphere* pGeomB;
};

SPair buildPair(CTestScene& cScene, CRurIvaWorld* pWorld) {
  pWorld->setGravity(vector3df(0, 0, 0));
  SPair p;
  p.pA = cScene.addSphereBody(pWorld, vector3df(0, 0, 0), 1.0f, 1.0f, &p.pGeomA);
  p.pB = cScene.addSphereBody(pWorld, vector3df(1.5f, 0, 0), 1.0f, 1.0f, &p.pGeomB);
  return p;
}

bool touched(CTestScene& cScene, CRurIvaWorld* pWorld, s32 iGroupA, s32 iGroupB) {
  SPair p = buildPair(cScene, pWorld);
  p.pGeomA->setCollisionGroup(iGroupA);
  p.pGeomB->setCollisionGroup(iGroupB);
  pWorld->initPhysics();
  cScene.steps(pWorld, 1);
  const bool bTouched = p.pA->getCollision();
  EXPECT_EQ(p.pB->getCollision(), bTouched);
  // Touching spheres are pushed apart along the line between them.
  if (bTouched) {
    EXPECT_EQ(p.pA->getTouched(), p.pGeomB);
    EXPECT_EQ(p.pB->getTouched(), p.pGeomA);
    EXPECT_LT(p.pA->getLinearVelocity().X, -0.01f);
    EXPECT_GT(p.pB->getLinearVelocity().X, 0.01f);
    EXPECT_NEAR(p.pA->getCollisionPoint().Y, 0.0f, 1e-4f);
    EXPECT_GT(p.pA->getCollisionPoint().X, 0.4f);
    EXPECT_LT(p.pA->getCollisionPoint().X, 1.1f);
  } else {
    EXPECT_EQ(p.pA->getLinearVelocity(), vector3df(0, 0, 0));
    EXPECT_EQ(p.pA->getTouched(), nullptr);
  }
  return bTouched;
}

TEST(SimCollisionGroups, WithoutGroupsOverlappingBodiesTouch) {
  CTestScene cScene;
  EXPECT_TRUE(touched(cScene, cScene.addWorld(), 0, 0));
}

TEST(SimCollisionGroups, TwoMembersOfOneNonZeroGroupNeverTouch) {
  CTestScene cScene;
  EXPECT_FALSE(touched(cScene, cScene.addWorld(), 3, 3));
}

TEST(SimCollisionGroups, GroupThreeTouchesGroupZero) {
  CTestScene cScene;
  EXPECT_TRUE(touched(cScene, cScene.addWorld(), 3, 0));
}

TEST(SimCollisionGroups, GroupThreeTouchesGroupFour) {
  CTestScene cScene;
  EXPECT_TRUE(touched(cScene, cScene.addWorld(), 3, 4));
}

TEST(SimCollisionGroups, AGroupOrCollideFlagReadFromTheSceneAttributesKeepsBodiesApart) {
  // Read into geometries that collided until then (and in between: a flag read again).
  struct SCase {
    const char* sWhat;
    s32 iGroup;
    bool bCollides;
  };
  const SCase kCases[] = {{"both in group 7", 7, true}, {"neither collides", 0, false}};
  for (const SCase& c : kCases) {
    SCOPED_TRACE(c.sWhat);
    CTestScene cScene;
    CRurIvaWorld* pWorld = cScene.addWorld();
    SPair p = buildPair(cScene, pWorld);
    irr::io::IAttributes* pAttr = cScene.newAttributes();
    p.pGeomA->serializeAttributes(pAttr);
    pAttr->setAttribute("collisionGroup", c.iGroup);
    pAttr->setAttribute("collides", c.bCollides);
    p.pGeomA->deserializeAttributes(pAttr);
    p.pGeomB->deserializeAttributes(pAttr);
    pAttr->drop();
    EXPECT_EQ(p.pGeomB->getCollisionGroup(), c.iGroup);
    EXPECT_EQ(p.pGeomB->doesCollide(), c.bCollides);
    pWorld->initPhysics();
    cScene.simulate(pWorld, 0.5f);
    EXPECT_FALSE(p.pA->getCollision());
    EXPECT_VEC_NEAR(p.pB->getPosition(), vector3df(1.5f, 0, 0), 0.0f);

    // Back to colliding without a group: the pair touches and is pushed apart.
    for (CRurIvaGeomSphere* pGeom : {p.pGeomA, p.pGeomB}) {
      pGeom->setCollisionGroup(0);
      pGeom->setCollide(true);
    }
    cScene.steps(pWorld, 1);
    EXPECT_TRUE(p.pA->getCollision());
  }
}

TEST(SimCollisionGroups, AGeometryThatDoesNotCollideFallsThroughTheGround) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  cScene.addGround(pWorld);
  CRurIvaGeomSphere* pSphere = nullptr;
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 2, 0), 1.0f, 1.0f, &pSphere);
  pSphere->setCollide(false);
  pWorld->initPhysics();
  cScene.simulate(pWorld, 1.0f);
  EXPECT_LT(pBody->getPosition().Y, -2.0f);
  EXPECT_FALSE(pBody->getCollision());
}

TEST(SimCollisionGroups, TwoStaticGeometriesNeverReachTheContactStage) {
  CCountingCalculator cCounter;
  CTestScene cScene(new CCountingDevice(&cCounter));
  CRurIvaWorld* pWorld = cScene.addWorld();
  // Two overlapping static boxes and a plane through both.
  for (f32 x : {0.0f, 0.5f}) {
    CRurIvaGeomBox* pBox = cScene.add<CRurIvaGeomBox>(cScene.addEmpty(pWorld, vector3df(x, 0, 0)));
    pBox->setWidth(1);
    pBox->setHeight(1);
    pBox->setDepht(1);
  }
  cScene.addGround(pWorld, 0.0f);
  pWorld->initPhysics();
  cScene.steps(pWorld, 5);
  EXPECT_EQ(cCounter.m_iCalls, 0);

  // A body resting on the ground makes exactly one pair per step.
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(20, 1, 0), 1.0f);
  pBody->initPhysics();
  cScene.steps(pWorld, 5);
  // A sphere meets the ground in one point: one contact, so one combination, per step.
  EXPECT_EQ(cCounter.m_iCalls, 5);
  EXPECT_TRUE(pBody->getCollision());
}

TEST(SimCollisionGroups, GeometriesOfOneBodyNeverTouchEachOther) {
  CCountingCalculator cCounter;
  CTestScene cScene(new CCountingDevice(&cCounter));
  CRurIvaWorld* pWorld = cScene.addWorld();
  pWorld->setGravity(vector3df(0, 0, 0));
  CRurIvaBody* pBody = cScene.add<CRurIvaBody>(pWorld);
  for (f32 x : {-0.25f, 0.25f}) {
    CRurIvaGeomSphere* pSphere = cScene.add<CRurIvaGeomSphere>(cScene.addEmpty(pBody, vector3df(x, 0, 0)));
    pSphere->setRadius(1.0f);
  }
  pWorld->initPhysics();
  cScene.steps(pWorld, 5);
  EXPECT_EQ(cCounter.m_iCalls, 0);
  EXPECT_FALSE(pBody->getCollision());
  EXPECT_VEC_NEAR(pBody->getPosition(), vector3df(0, 0, 0), 1e-6f);
}

TEST(SimCollisionGroups, TheTouchingStateIsClearedBeforeEveryStep) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  cScene.addGround(pWorld, 0.0f);
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 1, 0), 1.0f);
  pBody->setLinearVelocity(vector3df(0, 20, 0));  // it leaves the ground at once
  pWorld->initPhysics();
  cScene.steps(pWorld, 1);
  EXPECT_TRUE(pBody->getCollision());
  cScene.steps(pWorld, 1);
  EXPECT_FALSE(pBody->getCollision());
  EXPECT_EQ(pBody->getTouched(), nullptr);
  EXPECT_EQ(pBody->getCollisionPoint(), vector3df(0, 0, 0));
}

}  // namespace
}  // namespace test
}  // namespace varrik
