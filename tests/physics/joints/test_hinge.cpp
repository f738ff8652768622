// Hinge joints in a real dynamics world: a pendulum's period and the angle getters, the axis in
// world space, joints that cannot be created, the scene-file layout in which the joint hangs
// from the world, and removal.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "CRurIvaJointHinge.h"
#include "CJointScene.h"

using namespace irr;
using namespace irr::ode;
using namespace varrik::test;

namespace {

const f64 kPi = 3.141592653589793;

//! The bob's swing angle seen from the pivot, positive counter-clockwise about +z.
f64 swingAngle(CRurIvaBody* pBob, const vector3df& cPivot) {
  const vector3df cArm = pBob->getPosition() - cPivot;
  return std::atan2(static_cast<f64>(cArm.X), -static_cast<f64>(cArm.Y));
}

//! Times (s) at which a sampled signal crosses zero upwards, interpolated between samples.
std::vector<f64> upwardCrossings(const std::vector<f64>& aSignal, f64 fDt) {
  std::vector<f64> aTimes;
  for (size_t i = 1; i < aSignal.size(); ++i)
    if (aSignal[i - 1] < 0.0 && aSignal[i] >= 0.0)
      aTimes.push_back(fDt * (static_cast<f64>(i - 1) + aSignal[i - 1] / (aSignal[i - 1] - aSignal[i])));
  return aTimes;
}

/**
 * A pendulum of length L hanging from a pivot fixed in the static environment: the bob is a
 * small sphere, the hinge a child of the bob placed at the pivot, axis +z, released at
 * angle fStart from the vertical.
 */
struct SPendulum {
  SPendulum(CJointScene& cScene, f32 fLength, f64 fStart, const vector3df& cPivot = vector3df(0, 5, 0))
      : m_cPivot(cPivot), m_fLength(fLength) {
    const vector3df cBobPos = cPivot + vector3df(static_cast<f32>(fLength * std::sin(fStart)),
                                                 static_cast<f32>(-fLength * std::cos(fStart)), 0.0f);
    m_pBob = cScene.addBody(cScene.world(), cBobPos, 1.0f, kBobRadius);
    m_pHinge = cScene.add<CRurIvaJointHinge>(m_pBob, cPivot - cBobPos);
    m_pHinge->setName("pivot");
    m_pHinge->setHingeAxis(vector3df(0, 0, 1));
  }

  static constexpr f32 kBobRadius = 0.05f;
  vector3df m_cPivot;
  f32 m_fLength;
  CRurIvaBody* m_pBob;
  CRurIvaJointHinge* m_pHinge;
};

}  // namespace

TEST(JointHinge, PendulumSwingsWithThePeriodOfItsLength) {
  CJointScene cScene;
  const f32 fLength = 1.5f;
  const f64 fStart = 0.1;
  SPendulum cPendulum(cScene, fLength, fStart);
  cScene.init();
  ASSERT_NE(cPendulum.m_pHinge->getJointId(), 0u);

  std::vector<f64> aAngles;
  for (int i = 0; i < 1000; ++i) {
    cScene.steps(1);
    aAngles.push_back(swingAngle(cPendulum.m_pBob, cPendulum.m_cPivot));
  }

  // A small sphere on a massless rod: I = m L^2 + 2/5 m r^2 about the pivot; the amplitude
  // lengthens the period by theta0^2 / 16.
  const f64 fRadius = SPendulum::kBobRadius;
  const f64 fExpected = 2.0 * kPi *
                        std::sqrt((fLength * fLength + 0.4 * fRadius * fRadius) / (10.0 * fLength)) *
                        (1.0 + fStart * fStart / 16.0);
  const std::vector<f64> aCrossings = upwardCrossings(aAngles, kStep);
  ASSERT_GE(aCrossings.size(), 5u);
  const f64 fPeriod = (aCrossings.back() - aCrossings.front()) / static_cast<f64>(aCrossings.size() - 1);
  EXPECT_NEAR(fPeriod, fExpected, 0.02 * fExpected);

  // It swings, it does not fall: the bob stays on its circle and keeps its amplitude.
  const f32 fDistance = (cPendulum.m_pBob->getPosition() - cPendulum.m_cPivot).getLength();
  EXPECT_NEAR(fDistance, fLength, 0.01f);
  f64 fMax = 0.0;
  for (f64 fAngle : aAngles) fMax = std::max(fMax, std::fabs(fAngle));
  EXPECT_NEAR(fMax, fStart, 0.01);
}

TEST(JointHinge, AngleAndRateGettersFollowTheSwing) {
  CJointScene cScene;
  const f64 fStart = 0.3;
  SPendulum cPendulum(cScene, 1.0f, fStart);
  EXPECT_EQ(cPendulum.m_pHinge->getHingeAngle(), 0.0f);
  EXPECT_EQ(cPendulum.m_pHinge->getHingeAngleRate(), 0.0f);
  cScene.init();

  f64 fPrevious = swingAngle(cPendulum.m_pBob, cPendulum.m_cPivot);
  f64 fLargestRate = 0.0;
  for (int i = 0; i < 150; ++i) {
    cScene.steps(1);
    const f64 fSwing = swingAngle(cPendulum.m_pBob, cPendulum.m_cPivot);
    // The hinge angle is the bob's turn about +z since the joint was made.
    EXPECT_NEAR(cPendulum.m_pHinge->getHingeAngle(), fSwing - fStart, 0.01) << "step " << i;
    const f64 fRate = cPendulum.m_pHinge->getHingeAngleRate();
    EXPECT_NEAR(fRate, cPendulum.m_pBob->getAngularVelocity().Z, 1e-3) << "step " << i;
    // The rate agrees with the change of the angle over the step (to the step's curvature).
    EXPECT_NEAR(fRate, (fSwing - fPrevious) / kStep, 0.05) << "step " << i;
    fLargestRate = std::max(fLargestRate, std::fabs(fRate));
    fPrevious = fSwing;
  }
  // Released at 0.3 rad from 1 m: the fastest swing is sqrt(2 g L (1 - cos 0.3)) / L.
  EXPECT_NEAR(fLargestRate, std::sqrt(2.0 * 10.0 * (1.0 - std::cos(fStart))), 0.03);
}

TEST(JointHinge, AxisIsTurnedIntoWorldSpaceByTheNodeRotation) {
  CJointScene cScene;
  // The bob hangs 1 m below the pivot; the hinge node is turned by 90 degrees about y, so its
  // axis (0, 0, 1) is the world's x axis and the bob can only swing in the y-z plane.
  CRurIvaBody* pBob = cScene.addBody(cScene.world(), vector3df(0, 4, 0), 1.0f);
  CRurIvaJointHinge* pHinge = cScene.add<CRurIvaJointHinge>(pBob, vector3df(0, 1, 0), vector3df(0, 90, 0));
  pHinge->setHingeAxis(vector3df(0, 0, 1));
  pBob->setLinearVelocity(vector3df(2, 0, 2));
  cScene.init();

  const vector3df cAxis = pHinge->getHingeAxis();
  EXPECT_NEAR(cAxis.X, 1.0f, 1e-5f);
  EXPECT_NEAR(cAxis.Y, 0.0f, 1e-5f);
  EXPECT_NEAR(cAxis.Z, 0.0f, 1e-5f);
  EXPECT_NEAR(pHinge->getAnchor1().Y, 5.0f, 1e-4f);

  // The push along x is taken by the joint; the push along z starts a swing about x.
  f32 fLargestZ = 0.0f;
  for (int i = 0; i < 60; ++i) {
    cScene.steps(1);
    EXPECT_NEAR(pBob->getPosition().X, 0.0f, 1e-3f) << "step " << i;
    EXPECT_NEAR((pBob->getPosition() - vector3df(0, 5, 0)).getLength(), 1.0f, 0.01f) << "step " << i;
    fLargestZ = std::max(fLargestZ, pBob->getPosition().Z);
  }
  // 2 m/s at the bottom of a 1 m pendulum swings out to acos(1 - 4 / 20) = 0.64 rad.
  EXPECT_NEAR(fLargestZ, std::sin(std::acos(1.0f - 4.0f / 20.0f)), 0.02f);
}

TEST(JointHinge, ZeroAxisLeavesTheJointUncreatedWithOneLine) {
  CJointScene cScene;
  SPendulum cPendulum(cScene, 1.0f, 0.3);
  cPendulum.m_pHinge->setHingeAxis(vector3df(0, 0, 0));

  const std::string sOut = captured([&] { cScene.init(); });

  EXPECT_EQ(cPendulum.m_pHinge->getJointId(), 0u);
  EXPECT_EQ(countOf(sOut, "\"pivot\" not created"), 1) << sOut;
  // Without the joint the bob simply falls.
  const f32 fStartY = cPendulum.m_pBob->getPosition().Y;
  cScene.steps(30);
  EXPECT_LT(cPendulum.m_pBob->getPosition().Y, fStartY - 1.0f);
}

TEST(JointHinge, JointBeforeItsWorldWaitsForTheWorld) {
  CJointScene cScene;
  SPendulum cPendulum(cScene, 1.0f, 0.3);

  const std::string sOut = captured([&] { cPendulum.m_pHinge->initPhysics(); });
  EXPECT_EQ(cPendulum.m_pHinge->getJointId(), 0u);
  EXPECT_EQ(countOf(sOut, "\"pivot\" not created"), 1) << sOut;
  EXPECT_FALSE(cPendulum.m_pHinge->physicsInitialized());

  // Once the world exists the joint is made with it, and the bob swings.
  cScene.init();
  ASSERT_NE(cPendulum.m_pHinge->getJointId(), 0u);
  cScene.steps(30);
  EXPECT_NEAR((cPendulum.m_pBob->getPosition() - cPendulum.m_cPivot).getLength(), 1.0f, 0.01f);
}

TEST(JointHinge, JointHangingFromTheWorldLinksTheBodyBelowIt) {
  // The layout of a scene file: world, joint, body below the joint. No body lists the joint,
  // so the body below it brings it to life.
  CJointScene cScene;
  CRurIvaJointHinge* pHinge = cScene.add<CRurIvaJointHinge>(cScene.world(), vector3df(0, 5, 0));
  pHinge->setHingeAxis(vector3df(0, 0, 1));
  const f64 fStart = 0.3;
  CRurIvaBody* pBob = cScene.addBody(
      pHinge, vector3df(static_cast<f32>(std::sin(fStart)), static_cast<f32>(-std::cos(fStart)), 0), 1.0f);
  cScene.init();

  EXPECT_EQ(pHinge->getBody1(), nullptr);
  EXPECT_EQ(pHinge->getBody2(), pBob);
  ASSERT_NE(pHinge->getJointId(), 0u);

  f64 fMin = 1.0;
  for (int i = 0; i < 60; ++i) {
    cScene.steps(1);
    // The node below the joint shows the body where the simulation has it in the world.
    pBob->updateAbsolutePosition();
    const vector3df cArm = pBob->getAbsolutePosition() - vector3df(0, 5, 0);
    EXPECT_NEAR(cArm.getLength(), 1.0f, 0.01f) << "step " << i;
    fMin = std::min(fMin, static_cast<f64>(cArm.X));
  }
  // Half a period of 2 s later it has swung through to the other side.
  EXPECT_LT(fMin, -0.2);
}

TEST(JointHinge, RemovedJointNoLongerHoldsTheBob) {
  CJointScene cScene;
  SPendulum cPendulum(cScene, 1.0f, 0.3);
  cScene.init();
  cScene.steps(10);
  ASSERT_NEAR((cPendulum.m_pBob->getPosition() - cPendulum.m_cPivot).getLength(), 1.0f, 0.01f);

  cPendulum.m_pHinge->removeFromPhysics();
  EXPECT_EQ(cPendulum.m_pHinge->getJointId(), 0u);
  EXPECT_EQ(cPendulum.m_pHinge->getHingeAngle(), 0.0f);
  cScene.steps(30);
  EXPECT_GT((cPendulum.m_pBob->getPosition() - cPendulum.m_cPivot).getLength(), 1.5f);
}

TEST(JointHinge, DestroyedJointLeavesTheBodysListAndTheBob) {
  CJointScene cScene;
  SPendulum cPendulum(cScene, 1.0f, 0.3);
  cScene.init();
  ASSERT_EQ(cPendulum.m_pBob->getJoints().size(), 1u);

  // The bob, its parent, holds the only reference to the hinge: taking it out of the graph
  // destroys it.
  cPendulum.m_pHinge->remove();

  EXPECT_EQ(cPendulum.m_pBob->getJoints().size(), 0u);
  EXPECT_EQ(cPendulum.m_pBob->getJointFromName("pivot"), nullptr);
  cScene.steps(30);
  EXPECT_GT((cPendulum.m_pBob->getPosition() - cPendulum.m_cPivot).getLength(), 1.5f);
}

TEST(JointHinge, OneAxisTakesTheParameterWhateverGroupIsNamed) {
  CJointScene cScene;
  SPendulum cPendulum(cScene, 1.0f, 0.3);
  cScene.init();
  cPendulum.m_pHinge->setParameter(1, CRurIvaJoint::eVelocity, 3.0f);
  EXPECT_TRUE(cPendulum.m_pHinge->isParameterSet(1, CRurIvaJoint::eVelocity));
  EXPECT_FALSE(cPendulum.m_pHinge->isParameterSet(0, CRurIvaJoint::eVelocity));
  EXPECT_FLOAT_EQ(cPendulum.m_pHinge->getParameter(0, CRurIvaJoint::eVelocity), 3.0f);
}
