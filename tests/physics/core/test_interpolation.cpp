// Interpolated motion: with frames shorter than the fixed step, bodies are shown where they were
// at each frame's time, between their last two simulated poses; without it they move in jumps
// of whole steps. A body placed by hand or created during the run starts from its new pose.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "CRurIvaBody.h"
#include "CRurIvaManager.h"
#include "CRurIvaWorld.h"
#include "CTestScene.h"

namespace varrik {
namespace test {
namespace {

//! Frames of 10 ms against the device's 16 ms steps.
const u32 kFrameMs = 10;
const vector3df kStart(0, 10, 0);
const vector3df kVelocity(10, 0, 0);
//! Turns about the z axis, radians per second.
const f32 kSpin = 1.0f;

//! A body flying without gravity at a constant velocity while it spins.
class CFlightScene : public CTestScene {
 public:
  explicit CFlightScene(bool bInterpolate) {
    world()->setGravity(vector3df(0, 0, 0));
    m_pBody = addSphereBody(world(), kStart, 0.5f);
    init();
    m_pBody->setLinearVelocity(kVelocity);
    m_pBody->setAngularVelocity(vector3df(0, 0, kSpin));
    m_pManager->setInterpolation(bInterpolate);
    frameAt(0);
  }
  //! Runs frame number iFrame (its time iFrame * 10 ms) and returns the body's shown position.
  vector3df frame(u32 iFrame) {
    frameAt(iFrame * kFrameMs);
    return m_pBody->getPosition();
  }
  CRurIvaBody* m_pBody;
};

TEST(CoreInterpolation, IsOffUntilSwitchedOn) {
  CTestScene cScene;
  EXPECT_FALSE(cScene.m_pManager->getInterpolation());
  cScene.m_pManager->setInterpolation(true);
  EXPECT_TRUE(cScene.m_pManager->getInterpolation());
}

TEST(CoreInterpolation, ABodyAtConstantVelocityAdvancesByVelocityTimesTheFrameTimeEveryFrame) {
  CFlightScene cScene(true);
  vector3df cLast = kStart;
  for (u32 i = 1; i <= 40; ++i) {
    const vector3df cNow = cScene.frame(i);
    const f32 t = i * kFrameMs / 1000.0f;
    EXPECT_VEC_NEAR(cNow, kStart + kVelocity * t, 1e-3) << "frame " << i;
    // Every frame shows motion, never a whole step of it.
    EXPECT_NEAR(cNow.X - cLast.X, kVelocity.X * kFrameMs / 1000.0f, 1e-3) << "frame " << i;
    // The turn is interpolated as well (slerp): the angle of the frame's time.
    EXPECT_NEAR(cScene.m_pBody->getRotation().Z, kSpin * t * irr::core::RADTODEG, 1e-2) << "frame " << i;
    cLast = cNow;
  }
}

TEST(CoreInterpolation, WithoutItABodyMovesInStepSizedJumps) {
  CFlightScene cScene(false);
  const f32 fStepMove = kVelocity.X * kStep;
  vector3df cLast = kStart;
  int iStill = 0, iJumps = 0;
  for (u32 i = 1; i <= 40; ++i) {
    const vector3df cNow = cScene.frame(i);
    const f32 fMove = cNow.X - cLast.X;
    if (std::fabs(fMove) < 1e-4f)
      ++iStill;
    else if (std::fabs(fMove - fStepMove) < 1e-3f)
      ++iJumps;
    else
      ADD_FAILURE() << "frame " << i << " moved by " << fMove << ", neither 0 nor a step";
    cLast = cNow;
  }
  // 400 ms of 16 ms steps: 25 jumps, and the other frames show the same position again.
  EXPECT_EQ(iJumps, 25);
  EXPECT_EQ(iStill, 15);
}

TEST(CoreInterpolation, TheSimulatedPoseStaysAvailableAndReturnsWhenSwitchedOff) {
  CFlightScene cScene(true);
  cScene.frame(1);  // 10 ms shown, one 16 ms step simulated
  const vector3df cSimulated = kStart + kVelocity * kStep;
  EXPECT_VEC_NEAR(cScene.m_pBody->getSimulatedPosition(), cSimulated, 1e-3);
  EXPECT_NEAR(cScene.m_pBody->getSimulatedRotation().Z, kSpin * kStep * irr::core::RADTODEG, 1e-2);
  EXPECT_NEAR(cScene.m_pManager->getInterpolationFraction(), 10.0f / 16.0f, 1e-4);

  cScene.m_pManager->setInterpolation(false);
  EXPECT_VEC_NEAR(cScene.m_pBody->getPosition(), cSimulated, 1e-3);
  EXPECT_VEC_NEAR(cScene.m_pBody->getSimulatedPosition(), cScene.m_pBody->getPosition(), 0);
}

TEST(CoreInterpolation, ABodyPlacedByHandShowsItsNewPoseAtOnceAndMovesOnFromThere) {
  CFlightScene cScene(true);
  for (u32 i = 1; i <= 5; ++i) cScene.frame(i);
  const vector3df cFar(500, 10, 0);
  cScene.m_pBody->setPosition(cFar);
  EXPECT_VEC_NEAR(cScene.m_pBody->getPosition(), cFar, 0);
  // The next frames start from the new place: nothing between the old and the new one is shown.
  vector3df cLast = cFar;
  for (u32 i = 6; i <= 10; ++i) {
    const vector3df cNow = cScene.frame(i);
    EXPECT_GE(cNow.X, cLast.X) << "frame " << i;
    EXPECT_LE(cNow.X - cLast.X, kVelocity.X * kStep + 1e-3f) << "frame " << i;
    cLast = cNow;
  }
}

TEST(CoreInterpolation, ABodyCreatedDuringTheRunStartsWhereItWasPut) {
  CFlightScene cScene(true);
  for (u32 i = 1; i <= 3; ++i) cScene.frame(i);
  const vector3df cPut(-40, 10, 5);
  CRurIvaBody* pNew = cScene.addSphereBody(cScene.world(), cPut, 0.5f);
  pNew->initPhysics();
  pNew->setLinearVelocity(kVelocity);
  EXPECT_VEC_NEAR(pNew->getPosition(), cPut, 0);
  cScene.frame(4);
  EXPECT_GE(pNew->getPosition().X, cPut.X);
  EXPECT_LE(pNew->getPosition().X - cPut.X, kVelocity.X * kStep + 1e-3f);
}

}  // namespace
}  // namespace test
}  // namespace varrik
