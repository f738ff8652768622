// Bodies falling onto, bouncing off and sliding along static ground: what the contacts made
// from the geometries' surface parameters do to the motion, measured on the body nodes.
#include <gtest/gtest.h>

#include <algorithm>

#include "CRurIvaBody.h"
#include "CRurIvaGeomBox.h"
#include "CRurIvaGeomPlane.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaSurfaceParameters.h"
#include "CRurIvaWorld.h"
#include "CTestScene.h"

namespace varrik {
namespace test {
namespace {

f32 horizontalSpeed(const vector3df& v) { return std::sqrt(v.X * v.X + v.Z * v.Z); }

TEST(SimFalling, SphereDroppedOnPlaneComesToRestOnItsSurfaceAndTheNodeFollows) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  cScene.addGround(pWorld, 0.0f);
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 10, 0), 1.0f);
  pWorld->initPhysics();

  cScene.simulate(pWorld, 0.5f);
  // Half a second of free fall: 10 - 5 * 0.25 = 8.75 (the integrator is first order).
  EXPECT_NEAR(pBody->getPosition().Y, 8.75f, 0.15f);
  EXPECT_LT(pBody->getLinearVelocity().Y, -4.5f);

  cScene.simulate(pWorld, 4.5f);
  EXPECT_NEAR(pBody->getPosition().Y, 1.0f, 0.02f);
  EXPECT_NEAR(pBody->getPosition().X, 0.0f, 1e-3f);
  EXPECT_NEAR(pBody->getPosition().Z, 0.0f, 1e-3f);
  EXPECT_LT(pBody->getLinearVelocity().getLength(), 0.05f);
  // The node shows where the dynamics library has the body.
  EXPECT_VEC_NEAR(pBody->getPosition(), cScene.m_pDevice->bodyGetPosition(pBody->getBodyId()), 1e-4f);
  pBody->updateAbsolutePosition();
  EXPECT_NEAR(pBody->getAbsolutePosition().Y, 1.0f, 0.02f);
}

TEST(SimFalling, WithBounceTheSphereRisesAgainAfterTheImpact) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaGeomPlane* pGround = cScene.addGround(pWorld, 0.0f);
  CRurIvaGeomSphere* pSphere = nullptr;
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 10, 0), 1.0f, 1.0f, &pSphere);
  for (CRurIvaSurfaceParameters* p : {pGround->getSurfaceParameters(0), pSphere->getSurfaceParameters(0)}) {
    p->setModeBounce(true);
    p->setBounce(0.8f);
    p->setBounceVel(0.1f);
  }
  pWorld->initPhysics();

  // Fall until the first impact, then watch the highest point of the way back up.
  f32 fLowest = 10.0f, fHighestAfter = 0.0f;
  bool bRebounded = false;
  for (int i = 0; i < 250; ++i) {
    cScene.steps(pWorld, 1);
    const f32 y = pBody->getPosition().Y;
    if (!bRebounded) {
      fLowest = std::min(fLowest, y);
      bRebounded = pBody->getLinearVelocity().Y > 1.0f;
    } else {
      fHighestAfter = std::max(fHighestAfter, y);
    }
  }
  ASSERT_TRUE(bRebounded);
  // One step at the impact speed covers 0.2 m; the sphere never passes through the ground.
  EXPECT_GT(fLowest, 0.75f);
  // 9 m of fall with restitution 0.8 rise 0.64 * 9 = 5.8 m: the top is near 6.8.
  EXPECT_GT(fHighestAfter, 5.5f);
  EXPECT_LT(fHighestAfter, 8.0f);
}

TEST(SimFalling, WithoutBounceModeTheSphereStaysDown) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaGeomPlane* pGround = cScene.addGround(pWorld, 0.0f);
  CRurIvaGeomSphere* pSphere = nullptr;
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 10, 0), 1.0f, 1.0f, &pSphere);
  // Restitution values without the bounce flag on both sides do nothing.
  pGround->getSurfaceParameters(0)->setModeBounce(true);
  pGround->getSurfaceParameters(0)->setBounce(0.8f);
  pSphere->getSurfaceParameters(0)->setBounce(0.8f);
  pWorld->initPhysics();

  cScene.simulate(pWorld, 1.5f);  // the impact is at about 1.34 s
  f32 fHighest = 0.0f;
  for (int i = 0; i < 60; ++i) {
    cScene.steps(pWorld, 1);
    fHighest = std::max(fHighest, pBody->getPosition().Y);
  }
  EXPECT_LT(fHighest, 1.1f);
}

// A sphere thrown along the ground: without friction it slides on and never turns; with
// friction the contact point comes to rest, the sphere rolls (v = w r).
TEST(SimFalling, ContactFrictionStopsASphereSliding) {
  for (f32 fMu : {0.0f, 1.0f}) {
    SCOPED_TRACE(fMu);
    CTestScene cScene;
    CRurIvaWorld* pWorld = cScene.addWorld();
    CRurIvaGeomPlane* pGround = cScene.addGround(pWorld, 0.0f);
    CRurIvaGeomSphere* pSphere = nullptr;
    CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 1.0f, 0), 1.0f, 1.0f, &pSphere);
    for (CRurIvaSurfaceParameters* p : {pGround->getSurfaceParameters(0), pSphere->getSurfaceParameters(0)}) {
      p->setModeApprox1(true);  // mu is a friction coefficient, not a force limit
      p->setMu(fMu);
    }
    pBody->setLinearVelocity(vector3df(5, 0, 0));
    pWorld->initPhysics();
    cScene.simulate(pWorld, 2.0f);

    const vector3df v = pBody->getLinearVelocity();
    const vector3df w = pBody->getAngularVelocity();
    // Velocity of the sphere's lowest point: v + w x (0, -r, 0).
    const vector3df cSlip = v + w.crossProduct(vector3df(0, -1, 0));
    if (fMu == 0.0f) {
      EXPECT_NEAR(v.X, 5.0f, 0.05f);
      EXPECT_NEAR(w.getLength(), 0.0f, 1e-3f);
      EXPECT_NEAR(horizontalSpeed(cSlip), 5.0f, 0.05f);
      EXPECT_NEAR(pBody->getPosition().X, 10.0f, 0.2f);
    } else {
      EXPECT_LT(horizontalSpeed(cSlip), 0.05f);
      // Rolling keeps 5/7 of the speed for a solid sphere.
      EXPECT_NEAR(v.X, 5.0f * 5.0f / 7.0f, 0.1f);
      EXPECT_NEAR(w.Z, -v.X, 0.1f);
    }
  }
}

TEST(SimFalling, ContactFrictionBringsASlidingBoxToRest) {
  for (f32 fMu : {0.0f, 1.0f}) {
    SCOPED_TRACE(fMu);
    CTestScene cScene;
    CRurIvaWorld* pWorld = cScene.addWorld();
    CRurIvaGeomPlane* pGround = cScene.addGround(pWorld, 0.0f);
    CRurIvaGeomBox* pBox = nullptr;
    CRurIvaBody* pBody =
        cScene.addBoxBody(pWorld, vector3df(0, 0.5f, 0), vector3df(1, 1, 1), vector3df(0, 0, 0), 1.0f, &pBox);
    for (CRurIvaSurfaceParameters* p : {pGround->getSurfaceParameters(0), pBox->getSurfaceParameters(0)}) {
      p->setModeApprox1(true);
      p->setMu(fMu);
    }
    pBody->setLinearVelocity(vector3df(4, 0, 0));
    pWorld->initPhysics();
    cScene.simulate(pWorld, 1.0f);

    if (fMu == 0.0f) {
      EXPECT_NEAR(pBody->getLinearVelocity().X, 4.0f, 0.05f);
      EXPECT_NEAR(pBody->getPosition().X, 4.0f, 0.1f);
    } else {
      // mu g = 10 m/s^2 stops it after 0.4 s and 0.8 m.
      EXPECT_LT(pBody->getLinearVelocity().getLength(), 0.05f);
      EXPECT_NEAR(pBody->getPosition().X, 0.8f, 0.1f);
    }
    EXPECT_NEAR(pBody->getPosition().Y, 0.5f, 0.02f);
  }
}

// A ramp: a static box turned by 20 degrees about Z under a visible node, with a box body lying
// on its slope.
struct SRamp {
  CRurIvaBody* pBody;
  vector3df cStart;
  vector3df cDownSlope;
};

SRamp buildRamp(CTestScene& cScene, CRurIvaWorld* pWorld, f32 fMu) {
  const vector3df cRampRot(0, 0, 20);
  const vector3df cRampPos(0, 5, 0);
  irr::core::matrix4 cTurn;
  cTurn.setRotationDegrees(cRampRot);
  vector3df cUp(0, 1, 0), cAlong(1, 0, 0);
  cTurn.rotateVect(cUp);
  cTurn.rotateVect(cAlong);

  ISceneNode* pRampVisual = cScene.addEmpty(pWorld, cRampPos, cRampRot);
  CRurIvaGeomBox* pRamp = cScene.add<CRurIvaGeomBox>(pRampVisual);
  pRamp->setWidth(30);
  pRamp->setHeight(1);
  pRamp->setDepht(6);

  SRamp r;
  // The body's centre is half a ramp and half a body above the ramp's centre, perpendicular to it.
  r.cStart = cRampPos + cUp * 1.0f;
  CRurIvaGeomBox* pBox = nullptr;
  r.pBody = cScene.addBoxBody(pWorld, r.cStart, vector3df(1, 1, 1), cRampRot, 1.0f, &pBox);
  for (CRurIvaSurfaceParameters* p : {pRamp->getSurfaceParameters(0), pBox->getSurfaceParameters(0)}) {
    p->setModeApprox1(true);
    p->setMu(fMu);
  }
  r.cDownSlope = -cAlong * (cAlong.Y > 0 ? 1.0f : -1.0f);
  return r;
}

TEST(SimFalling, BoxSlidesDownAFrictionlessRamp) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  SRamp r = buildRamp(cScene, pWorld, 0.0f);
  pWorld->initPhysics();
  cScene.simulate(pWorld, 1.0f);

  const vector3df cMoved = r.pBody->getPosition() - r.cStart;
  // g sin 20 = 3.42 m/s^2: about 1.7 m down the slope after one second.
  EXPECT_NEAR(cMoved.dotProduct(r.cDownSlope), 0.5f * 10.0f * std::sin(20.0f * irr::core::DEGTORAD), 0.15f);
  EXPECT_LT(cMoved.Y, -0.4f);
}

TEST(SimFalling, BoxStaysOnARampWithHighFriction) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  SRamp r = buildRamp(cScene, pWorld, 1.0f);  // tan 20 = 0.36 < 1
  pWorld->initPhysics();
  cScene.simulate(pWorld, 2.0f);

  EXPECT_LT((r.pBody->getPosition() - r.cStart).getLength(), 0.05f);
  EXPECT_LT(r.pBody->getLinearVelocity().getLength(), 0.05f);
}

}  // namespace
}  // namespace test
}  // namespace varrik
