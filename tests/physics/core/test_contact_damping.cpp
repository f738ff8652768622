// Contact damping: a static geometry whose surface has damping switched on slows the bodies
// that touch it, and limits their speed; bodies touching each other are never damped this way.
#include <gtest/gtest.h>

#include "CRurIvaBody.h"
#include "CRurIvaGeomPlane.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaSurfaceParameters.h"
#include "CRurIvaWorld.h"
#include "CTestScene.h"

namespace varrik {
namespace test {
namespace {

struct SDamping {
  f32 fLinear = 0.0f;
  f32 fAngular = 0.0f;
  f32 fMaxLinear = 0.0f;
  f32 fMaxAngular = 0.0f;
  f32 fMaxLinearDamping = 0.0f;
  f32 fMaxAngularDamping = 0.0f;
  bool bOn = true;
};

void apply(CRurIvaSurfaceParameters* p, const SDamping& d) {
  p->m_bDamps = d.bOn;
  p->m_fLinearDamping = d.fLinear;
  p->m_fAngularDamping = d.fAngular;
  p->m_fMaxLinearVelocity = d.fMaxLinear;
  p->m_fMaxAngularVelocity = d.fMaxAngular;
  p->m_fMaxLinearVelocityDamping = d.fMaxLinearDamping;
  p->m_fMaxAngularVelocityDamping = d.fMaxAngularDamping;
}

/**
 * A sphere of radius 1 lying on frictionless ground (no gravity), thrown along the ground with
 * a velocity and a spin about the vertical; returns its velocities after one step.
 */
std::pair<vector3df, vector3df> afterOneStep(const SDamping& d, const vector3df& v, const vector3df& w) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  pWorld->setGravity(vector3df(0, 0, 0));
  CRurIvaGeomPlane* pGround = cScene.addGround(pWorld, 0.0f);
  EXPECT_TRUE(pGround->getSurfaceParameters(0)->m_bStatic);
  apply(pGround->getSurfaceParameters(0), d);
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 0.99f, 0), 1.0f);
  pBody->setLinearVelocity(v);
  pBody->setAngularVelocity(w);
  pWorld->initPhysics();
  cScene.steps(pWorld, 1);
  EXPECT_TRUE(pBody->getCollision());
  return {pBody->getLinearVelocity(), pBody->getAngularVelocity()};
}

TEST(SimContactDamping, ASpeedJustAboveTheLimitIsCutToTheLimit) {
  SDamping d;
  d.fMaxLinear = 10.0f;
  d.fMaxLinearDamping = 0.5f;
  // 12 * 0.5 = 6 would be below the limit: the speed becomes 10.
  EXPECT_NEAR(afterOneStep(d, vector3df(12, 0, 0), vector3df(0, 0, 0)).first.X, 10.0f, 1e-3f);
}

TEST(SimContactDamping, AFarHigherSpeedIsReducedByTheFactor) {
  SDamping d;
  d.fMaxLinear = 10.0f;
  d.fMaxLinearDamping = 0.5f;
  EXPECT_NEAR(afterOneStep(d, vector3df(30, 0, 0), vector3df(0, 0, 0)).first.X, 15.0f, 1e-3f);
  // The direction is kept.
  const vector3df v = afterOneStep(d, vector3df(0, 0, -30), vector3df(0, 0, 0)).first;
  EXPECT_NEAR(v.Z, -15.0f, 1e-3f);
  EXPECT_NEAR(v.X, 0.0f, 1e-4f);
}

TEST(SimContactDamping, PlainDampingComesFirstAndTheLimitActsOnWhatIsLeft) {
  SDamping d;
  d.fLinear = 0.25f;
  d.fMaxLinear = 10.0f;
  d.fMaxLinearDamping = 0.5f;
  EXPECT_NEAR(afterOneStep(d, vector3df(12, 0, 0), vector3df(0, 0, 0)).first.X, 9.0f, 1e-3f);
  EXPECT_NEAR(afterOneStep(d, vector3df(40, 0, 0), vector3df(0, 0, 0)).first.X, 15.0f, 1e-3f);
}

TEST(SimContactDamping, TheAngularSpeedIsDampedAndLimitedTheSameWay) {
  SDamping d;
  d.fAngular = 0.5f;
  EXPECT_NEAR(afterOneStep(d, vector3df(0, 0, 0), vector3df(0, 4, 0)).second.Y, 2.0f, 1e-3f);
  SDamping l;
  l.fMaxAngular = 2.0f;
  l.fMaxAngularDamping = 0.5f;
  EXPECT_NEAR(afterOneStep(l, vector3df(0, 0, 0), vector3df(0, 3, 0)).second.Y, 2.0f, 1e-3f);
  EXPECT_NEAR(afterOneStep(l, vector3df(0, 0, 0), vector3df(0, 10, 0)).second.Y, 5.0f, 1e-3f);
}

TEST(SimContactDamping, WithTheSwitchOffNothingIsDamped) {
  SDamping d;
  d.bOn = false;
  d.fLinear = 0.5f;
  d.fMaxLinear = 10.0f;
  d.fMaxLinearDamping = 0.5f;
  EXPECT_NEAR(afterOneStep(d, vector3df(12, 0, 0), vector3df(0, 0, 0)).first.X, 12.0f, 1e-3f);
}

TEST(SimContactDamping, ABodyTouchingAnotherBodyIsNotDamped) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  pWorld->setGravity(vector3df(0, 0, 0));
  // Two spheres, one on top of the other, sliding along together; the lower one's surface
  // carries a damping that would cut the speed to 10 if it were static.
  CRurIvaGeomSphere* pLowerGeom = nullptr;
  CRurIvaBody* pLower = cScene.addSphereBody(pWorld, vector3df(0, 0, 0), 1.0f, 1.0f, &pLowerGeom);
  CRurIvaBody* pUpper = cScene.addSphereBody(pWorld, vector3df(0, 1.99f, 0), 1.0f);
  SDamping d;
  d.fLinear = 0.5f;
  d.fMaxLinear = 10.0f;
  d.fMaxLinearDamping = 0.5f;
  apply(pLowerGeom->getSurfaceParameters(0), d);
  pLowerGeom->getSurfaceParameters(0)->m_bStatic = true;
  pLower->setLinearVelocity(vector3df(12, 0, 0));
  pUpper->setLinearVelocity(vector3df(12, 0, 0));
  pWorld->initPhysics();
  cScene.steps(pWorld, 1);
  ASSERT_TRUE(pUpper->getCollision());
  EXPECT_NEAR(pUpper->getLinearVelocity().X, 12.0f, 1e-3f);
  EXPECT_NEAR(pLower->getLinearVelocity().X, 12.0f, 1e-3f);
}

TEST(SimContactDamping, ADampingGroundSlowsASlidingBodyStepByStep) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaGeomPlane* pGround = cScene.addGround(pWorld, 0.0f);
  SDamping d;
  d.fLinear = 0.1f;
  apply(pGround->getSurfaceParameters(0), d);
  CRurIvaBody* pBody = cScene.addBoxBody(pWorld, vector3df(0, 0.5f, 0), vector3df(1, 1, 1));
  pBody->setLinearVelocity(vector3df(10, 0, 0));
  pWorld->initPhysics();
  cScene.steps(pWorld, 10);
  EXPECT_NEAR(pBody->getLinearVelocity().X, 10.0f * std::pow(0.9f, 10.0f), 0.05f);
}

}  // namespace
}  // namespace test
}  // namespace varrik
