// Slider, piston, PR, fixed and ball-socket joints in a real dynamics world: what each of
// them lets a body do, and what it keeps it from doing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "CRurIvaDevice.h"
#include "CRurIvaJointBallSocket.h"
#include "CRurIvaJointFixed.h"
#include "CRurIvaJointPR.h"
#include "CRurIvaJointPiston.h"
#include "CRurIvaJointSlider.h"
#include "CRurIvaMotor.h"
#include "CJointScene.h"

using namespace irr;
using namespace irr::ode;
using namespace varrik::test;

namespace {

//! The real device, writing down the slider and PR parameter calls in order.
class CParamRecordingDevice : public CRurIvaDevice {
 public:
  void jointSetSliderParam(u32 iJoint, int iParam, f32 fValue) override {
    record("slider", iParam, fValue);
    CRurIvaDevice::jointSetSliderParam(iJoint, iParam, fValue);
  }
  void jointSetPrParam(u32 iJoint, u32 iAxis, int iParam, f32 fValue) override {
    record("pr", iParam, fValue, static_cast<int>(iAxis));
    CRurIvaDevice::jointSetPrParam(iJoint, iAxis, iParam, fValue);
  }

  void record(const char* sKind, int iParam, f32 fValue, int iAxis = -1) {
    std::ostringstream s;
    s << sKind << " ";
    if (iAxis >= 0) s << "axis " << iAxis << " ";
    s << iParam << " " << fValue;
    m_aCalls.push_back(s.str());
  }

  std::vector<std::string> m_aCalls;
};

}  // namespace

TEST(JointSlider, StopsKeepTheBodyBetweenThem) {
  CJointScene cScene;
  CRurIvaBody* pBody = cScene.addBody(cScene.world(), vector3df(0, 5, 0), 1.0f);
  CRurIvaJointSlider* pSlider = cScene.add<CRurIvaJointSlider>(pBody);
  pSlider->setAxis(vector3df(0, 1, 0));
  pSlider->setParameter(0, CRurIvaJoint::eHiStop, 1.0f);
  pSlider->setParameter(0, CRurIvaJoint::eLoStop, -1.0f);
  // Thrown up hard enough to rise 11 m, and sideways.
  pBody->setLinearVelocity(vector3df(3, 15, 2));
  cScene.init();

  f32 fHighest = 5.0f, fLowest = 5.0f, fHighestLater = 0.0f;
  for (int i = 0; i < 300; ++i) {
    cScene.steps(1);
    const vector3df cPos = pBody->getPosition();
    fHighest = std::max(fHighest, cPos.Y);
    fLowest = std::min(fLowest, cPos.Y);
    if (i >= 30) fHighestLater = std::max(fHighestLater, cPos.Y);
    EXPECT_NEAR(cPos.X, 0.0f, 1e-3f) << "step " << i;
    EXPECT_NEAR(cPos.Z, 0.0f, 1e-3f) << "step " << i;
  }
  // It reached the high stop (a stop acts once it is passed: the first step beyond it may
  // carry the body one step's travel further), was pushed back, fell onto the low stop and
  // rests there.
  EXPECT_GT(fHighest, 5.95f);
  EXPECT_LT(fHighest, 6.0f + 15.0f * kStep);
  EXPECT_LT(fHighestLater, 6.01f);
  EXPECT_GT(fLowest, 3.9f);
  EXPECT_NEAR(pBody->getPosition().Y, 4.0f, 0.01f);
  EXPECT_NEAR(pSlider->getSliderPosition(), -1.0f, 0.01f);
  EXPECT_NEAR(pSlider->getSliderPositionRate(), 0.0f, 0.01f);
}

TEST(JointSlider, BothStopsAreSentOnceMoreHighLowHigh) {
  CParamRecordingDevice* pDevice = new CParamRecordingDevice();
  CJointScene cScene(pDevice);
  CRurIvaBody* pBody = cScene.addBody(cScene.world(), vector3df(0, 5, 0), 1.0f);
  CRurIvaJointSlider* pSlider = cScene.add<CRurIvaJointSlider>(pBody);
  pSlider->setAxis(vector3df(0, 1, 0));
  pSlider->setParameter(0, CRurIvaJoint::eLoStop, -1.0f);
  pSlider->setParameter(0, CRurIvaJoint::eBounce, 0.5f);
  pSlider->setParameter(0, CRurIvaJoint::eHiStop, 1.0f);
  cScene.init();

  const std::vector<std::string> aExpected = {"slider 0 1", "slider 1 -1", "slider 5 0.5",
                                              "slider 0 1", "slider 1 -1", "slider 0 1"};
  EXPECT_EQ(pDevice->m_aCalls, aExpected);
  EXPECT_FLOAT_EQ(pSlider->getParameter(0, CRurIvaJoint::eHiStop), 1.0f);
  EXPECT_FLOAT_EQ(pSlider->getParameter(0, CRurIvaJoint::eLoStop), -1.0f);
}

TEST(JointSlider, ZeroAxisIsDerivedFromTheBodies) {
  CJointScene cScene(nullptr, vector3df(0, 0, 0));
  // Body 1 at (0, 5, 0), no body 2, joint node at (0, 1, 0): the axis is (0, 4, 0).
  CRurIvaBody* pBody = cScene.addBody(cScene.world(), vector3df(0, 5, 0), 1.0f);
  CRurIvaJointSlider* pSlider = cScene.add<CRurIvaJointSlider>(pBody, vector3df(0, -4, 0));
  pBody->setLinearVelocity(vector3df(3, 3, 3));
  cScene.init();
  ASSERT_NE(pSlider->getJointId(), 0u);

  io::IAttributes* pAttributes = cScene.newAttributes();
  pSlider->serializeAttributes(pAttributes);
  const vector3df cStored = pAttributes->getAttributeAsVector3d("Axis");
  pAttributes->drop();
  EXPECT_VEC_NEAR(cStored, vector3df(0, 4, 0), 1e-5f);

  // Only the motion along that axis survives.
  cScene.steps(60);
  const vector3df cPos = pBody->getPosition();
  EXPECT_NEAR(cPos.X, 0.0f, 1e-3f);
  EXPECT_NEAR(cPos.Z, 0.0f, 1e-3f);
  EXPECT_NEAR(cPos.Y, 5.0f + 3.0f * 60 * kStep, 0.01f);
  EXPECT_VEC_NEAR(pSlider->getAxis(), vector3df(0, 1, 0), 1e-5f);
}

TEST(JointSlider, AxisIsRotatedAtCreationButNotWhenSetLater) {
  CJointScene cScene(nullptr, vector3df(0, 0, 0));
  CRurIvaBody* pBody = cScene.addBody(cScene.world(), vector3df(0, 5, 0), 1.0f);
  CRurIvaJointSlider* pSlider =
      cScene.add<CRurIvaJointSlider>(pBody, vector3df(0, 0, 0), vector3df(0, 0, 90));
  pSlider->setAxis(vector3df(0, 1, 0));
  cScene.init();
  EXPECT_VEC_NEAR(pSlider->getAxis(), vector3df(-1, 0, 0), 1e-5f);

  pSlider->setAxis(vector3df(0, 0, 1));
  EXPECT_VEC_NEAR(pSlider->getAxis(), vector3df(0, 0, 1), 1e-5f);
  pBody->setLinearVelocity(vector3df(1, 1, 1));
  cScene.steps(30);
  EXPECT_NEAR(pBody->getPosition().X, 0.0f, 1e-3f);
  EXPECT_NEAR(pBody->getPosition().Y, 5.0f, 1e-3f);
  EXPECT_NEAR(pBody->getPosition().Z, 30 * kStep, 1e-3f);
}

TEST(JointSlider, BodiesInOnePlaceGiveNoAxisAndNoJoint) {
  CJointScene cScene;
  CRurIvaBody* pBody = cScene.addBody(cScene.world(), vector3df(0, 5, 0), 1.0f);
  CRurIvaJointSlider* pSlider = cScene.add<CRurIvaJointSlider>(pBody);
  pSlider->setName("rail");
  const std::string sOut = captured([&] { cScene.init(); });
  EXPECT_EQ(pSlider->getJointId(), 0u);
  EXPECT_NE(sOut.find("\"rail\" not created"), std::string::npos) << sOut;
}

TEST(JointPiston, BodySlidesAlongAndTurnsAboutItsAxisOnly) {
  CJointScene cScene(nullptr, vector3df(0, 0, 0));
  CRurIvaBody* pBody = cScene.addBody(cScene.world(), vector3df(0, 5, 0), 1.0f);
  CRurIvaJointPiston* pPiston = cScene.add<CRurIvaJointPiston>(pBody);
  pPiston->setAxis(vector3df(0, 1, 0));
  pBody->setLinearVelocity(vector3df(2, 1, 0));
  pBody->setAngularVelocity(vector3df(1, 1, 0));
  cScene.init();
  ASSERT_NE(pPiston->getJointId(), 0u);
  EXPECT_VEC_NEAR(pPiston->getAnchor(), vector3df(0, 5, 0), 1e-5f);

  cScene.steps(60);
  const vector3df cPos = pBody->getPosition();
  EXPECT_NEAR(cPos.X, 0.0f, 1e-3f);
  EXPECT_NEAR(cPos.Z, 0.0f, 1e-3f);
  EXPECT_NEAR(cPos.Y, 5.0f + 60 * kStep, 0.01f);
  EXPECT_NEAR(pPiston->getPistonPosition(), 60 * kStep, 0.01f);
  EXPECT_NEAR(pPiston->getPistonPositionRate(), 1.0f, 0.01f);
  const vector3df cSpin = pBody->getAngularVelocity();
  EXPECT_NEAR(cSpin.X, 0.0f, 0.01f);
  EXPECT_NEAR(cSpin.Y, 1.0f, 0.01f);
}

TEST(JointPR, ParametersOfBothAxesAreReplayedAndReadBackByMeaning) {
  CParamRecordingDevice* pDevice = new CParamRecordingDevice();
  CJointScene cScene(pDevice);
  CRurIvaBody* pBody = cScene.addBody(cScene.world(), vector3df(0, 5, 0), 1.0f);
  CRurIvaJointPR* pPR = cScene.add<CRurIvaJointPR>(pBody);
  pPR->setParameter(1, CRurIvaJoint::eLoStop, -2.0f);
  pPR->setParameter(0, CRurIvaJoint::eVelocity, 0.5f);
  pPR->setParameter(0, CRurIvaJoint::eHiStop, 0.25f);
  cScene.init();
  ASSERT_NE(pPR->getJointId(), 0u);

  const std::vector<std::string> aExpected = {"pr axis 0 0 0.25", "pr axis 0 2 0.5", "pr axis 1 1 -2"};
  EXPECT_EQ(pDevice->m_aCalls, aExpected);
  EXPECT_FLOAT_EQ(pPR->getParameter(0, CRurIvaJoint::eHiStop), 0.25f);
  EXPECT_FLOAT_EQ(pPR->getParameter(0, CRurIvaJoint::eVelocity), 0.5f);
  EXPECT_FLOAT_EQ(pPR->getParameter(1, CRurIvaJoint::eLoStop), -2.0f);
  EXPECT_EQ(pPR->getParameter(0, CRurIvaJoint::eLoStop), -std::numeric_limits<f32>::infinity());
  // The axes: the defaults, along z and y.
  EXPECT_VEC_NEAR(pPR->getPrAxis1(), vector3df(0, 0, 1), 1e-5f);
  EXPECT_VEC_NEAR(pPR->getPrAxis2(), vector3df(0, 1, 0), 1e-5f);
}

TEST(JointPR, AMotorDrivesTheSlideOnAxisZeroAndTheTurnOnAxisOne) {
  for (int iAxis : {0, 1}) {
    SCOPED_TRACE(iAxis);
    CJointScene cScene(nullptr, vector3df(0, 0, 0));
    CRurIvaBody* pBody = cScene.addBody(cScene.world(), vector3df(0, 5, 0), 1.0f);
    CRurIvaJointPR* pPR = cScene.add<CRurIvaJointPR>(pBody);
    pPR->setPrAxis1(vector3df(1, 0, 0));
    pPR->setPrAxis2(vector3df(0, 1, 0));
    CRurIvaMotor* pMotor = cScene.add<CRurIvaMotor>(pPR);
    pMotor->setAxis(iAxis);
    pMotor->setVelocity(1.0f);
    pMotor->setForce(100.0f);
    pMotor->setEnabled(true);
    cScene.init();
    ASSERT_NE(pPR->getJointId(), 0u);
    cScene.steps(60);

    // The body slides along x at the motor's speed, or turns about y at it, and does nothing else.
    const f32 fSlide = std::fabs(pBody->getPosition().X);
    const f32 fTurn = std::fabs(pBody->getAngularVelocity().Y);
    EXPECT_NEAR(fSlide, iAxis == 0 ? 60 * kStep : 0.0f, 0.01f);
    EXPECT_NEAR(fTurn, iAxis == 1 ? 1.0f : 0.0f, 0.01f);
    EXPECT_NEAR(std::fabs(pPR->getPrAngleRate()), iAxis == 1 ? 1.0f : 0.0f, 0.01f);
  }
}

TEST(JointFixed, KeepsTheRelativePoseOfTwoBodiesUnderGravity) {
  CJointScene cScene;
  // A hangs from a ball-socket 1 m above it; B sits 1 m beside A, fixed to it.
  CRurIvaBody* pA = cScene.addBody(cScene.world(), vector3df(0, 3, 0), 1.0f);
  cScene.add<CRurIvaJointBallSocket>(pA, vector3df(0, 1, 0));
  CRurIvaBody* pB = cScene.addBody(cScene.world(), vector3df(1, 3, 0), 1.0f);
  CRurIvaJointFixed* pFixed = cScene.add<CRurIvaJointFixed>(pA);
  pFixed->setBody2(pB);
  cScene.init();
  ASSERT_NE(pFixed->getJointId(), 0u);

  f32 fLowestB = 3.0f;
  for (int i = 0; i < 120; ++i) {
    cScene.steps(1);
    const vector3df cRotA = pA->getRotation();
    const vector3df cRotB = pB->getRotation();
    // B stays where A's frame puts it, turned as A is turned.
    EXPECT_VEC_NEAR(pB->getPosition() - pA->getPosition(), cRotA.rotationToDirection(vector3df(1, 0, 0)),
                    0.01f)
        << "step " << i;
    EXPECT_VEC_NEAR(cRotB.rotationToDirection(vector3df(1, 0, 0)),
                    cRotA.rotationToDirection(vector3df(1, 0, 0)), 0.01f)
        << "step " << i;
    EXPECT_VEC_NEAR(cRotB.rotationToDirection(vector3df(0, 1, 0)),
                    cRotA.rotationToDirection(vector3df(0, 1, 0)), 0.01f)
        << "step " << i;
    fLowestB = std::min(fLowestB, pB->getPosition().Y);
  }
  // The pair swung (B went down) but did not fall: everything stays within reach of the pivot.
  EXPECT_LT(fLowestB, 2.8f);
  EXPECT_LT((pB->getPosition() - vector3df(0, 4, 0)).getLength(), 1.5f);
}

TEST(JointBallSocket, KeepsTheAnchorsTogether) {
  CJointScene cScene;
  // A hangs 1 m below a pivot in the static environment; B hangs 0.75 m below a second
  // ball-socket that sits 0.75 m below A.
  CRurIvaBody* pA = cScene.addBody(cScene.world(), vector3df(0, 3, 0), 1.0f);
  CRurIvaJointBallSocket* pTop = cScene.add<CRurIvaJointBallSocket>(pA, vector3df(0, 1, 0));
  CRurIvaBody* pB = cScene.addBody(cScene.world(), vector3df(0, 1.5f, 0), 1.0f);
  CRurIvaJointBallSocket* pLink = cScene.add<CRurIvaJointBallSocket>(pA, vector3df(0, -0.75f, 0));
  pLink->setBody2(pB);
  pA->setLinearVelocity(vector3df(1, 0, 0.5f));
  pB->setLinearVelocity(vector3df(0, 0, -1.5f));
  cScene.init();
  ASSERT_NE(pTop->getJointId(), 0u);
  ASSERT_NE(pLink->getJointId(), 0u);

  f32 fFarthestB = 0.0f;
  for (int i = 0; i < 120; ++i) {
    cScene.steps(1);
    EXPECT_VEC_NEAR(pTop->getAnchor1(), vector3df(0, 4, 0), 0.01f) << "step " << i;
    EXPECT_VEC_NEAR(pTop->getAnchor2(), vector3df(0, 4, 0), 0.01f) << "step " << i;
    EXPECT_NEAR((pA->getPosition() - vector3df(0, 4, 0)).getLength(), 1.0f, 0.01f) << "step " << i;
    const vector3df cLink = pLink->getAnchor1();
    EXPECT_LT((pLink->getAnchor2() - cLink).getLength(), 0.01f) << "step " << i;
    EXPECT_NEAR((pA->getPosition() - cLink).getLength(), 0.75f, 0.01f) << "step " << i;
    EXPECT_NEAR((pB->getPosition() - cLink).getLength(), 0.75f, 0.01f) << "step " << i;
    fFarthestB = std::max(fFarthestB, std::fabs(pB->getPosition().Z));
  }
  // B really swung about the link.
  EXPECT_GT(fFarthestB, 0.1f);
}
