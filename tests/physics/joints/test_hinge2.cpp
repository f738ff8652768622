// The hinge-2 wheel joint: a motor on the spin axis turns the wheel, the suspension along the
// steering axis springs, stored parameters reach the library axis by axis, and set-ups the
// library would abort on are never handed to it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "CRurIvaDevice.h"
#include "CRurIvaJointFixed.h"
#include "CRurIvaJointHinge2.h"
#include "CRurIvaMotor.h"
#include "CJointScene.h"

using namespace irr;
using namespace irr::ode;
using namespace varrik::test;

namespace {

//! The real device, writing down the joint calls of interest in the order they are made.
class CHinge2RecordingDevice : public CRurIvaDevice {
 public:
  u32 jointCreateHinge2(u32 iWorld) override {
    m_aCalls.push_back("create");
    m_aHinge2s.push_back(CRurIvaDevice::jointCreateHinge2(iWorld));
    return m_aHinge2s.back();
  }
  void jointAttach(u32 iJoint, CRurIvaBody* pBody1, CRurIvaBody* pBody2) override {
    for (u32 iHinge2 : m_aHinge2s)
      if (iHinge2 == iJoint) m_aCalls.push_back("attach");
    CRurIvaDevice::jointAttach(iJoint, pBody1, pBody2);
  }
  void jointSetHinge2Anchor(u32 iJoint, core::vector3df cAnchor) override {
    m_aCalls.push_back("anchor");
    CRurIvaDevice::jointSetHinge2Anchor(iJoint, cAnchor);
  }
  void jointSetHinge2Axis1(u32 iJoint, core::vector3df cAxis) override {
    m_aCalls.push_back("axis1");
    CRurIvaDevice::jointSetHinge2Axis1(iJoint, cAxis);
  }
  void jointSetHinge2Axis2(u32 iJoint, core::vector3df cAxis) override {
    m_aCalls.push_back("axis2");
    CRurIvaDevice::jointSetHinge2Axis2(iJoint, cAxis);
  }
  void jointSetHinge2Axes(u32 iJoint, core::vector3df cAxis1, core::vector3df cAxis2) override {
    m_aCalls.push_back("axes");
    m_cAxis1 = cAxis1;
    m_cAxis2 = cAxis2;
    CRurIvaDevice::jointSetHinge2Axes(iJoint, cAxis1, cAxis2);
  }
  void jointSetHinge2Param(u32 iJoint, u32 iAxis, int iParam, f32 fValue) override {
    std::ostringstream s;
    s << "param " << iAxis << " " << iParam << " " << fValue;
    m_aCalls.push_back(s.str());
    CRurIvaDevice::jointSetHinge2Param(iJoint, iAxis, iParam, fValue);
  }

  size_t count(const std::string& sCall) const {
    size_t iCount = 0;
    for (const std::string& s : m_aCalls)
      if (s == sCall) ++iCount;
    return iCount;
  }
  std::vector<std::string> params() const {
    std::vector<std::string> a;
    for (const std::string& s : m_aCalls)
      if (s.compare(0, 6, "param ") == 0) a.push_back(s);
    return a;
  }

  std::vector<std::string> m_aCalls;
  std::vector<u32> m_aHinge2s;
  core::vector3df m_cAxis1;
  core::vector3df m_cAxis2;
};

/**
 * A chassis held still by a fixed joint to the static environment, and a wheel on a hinge-2
 * whose node sits at the wheel's centre: axis 1 (steering, suspension) vertical, axis 2
 * (spin) along x.
 */
struct SWheelRig {
  SWheelRig(CJointScene& cScene, const vector3df& cAt, f32 fWheelMass = 1.0f) {
    m_pChassis = cScene.addBody(cScene.world(), cAt, 10.0f, 0.2f);
    cScene.add<CRurIvaJointFixed>(m_pChassis);
    m_cWheelAt = cAt + vector3df(1, 0, 0);
    m_pWheel = cScene.addBody(cScene.world(), m_cWheelAt, fWheelMass, 0.3f);
    m_pJoint = cScene.add<CRurIvaJointHinge2>(m_pChassis, vector3df(1, 0, 0));
    m_pJoint->setName("front");
    m_pJoint->setHingeAxis1(vector3df(0, 1, 0));
    m_pJoint->setHingeAxis2(vector3df(1, 0, 0));
    m_pJoint->setBody2(m_pWheel);
  }

  //! Steering locked: both stops of axis 1 at 0.
  void lockSteering() {
    m_pJoint->setParameter(0, CRurIvaJoint::eLoStop, 0.0f);
    m_pJoint->setParameter(0, CRurIvaJoint::eHiStop, 0.0f);
  }

  CRurIvaBody* m_pChassis;
  CRurIvaBody* m_pWheel;
  CRurIvaJointHinge2* m_pJoint;
  vector3df m_cWheelAt;
};

}  // namespace

TEST(JointHinge2, MotorOnTheSpinAxisTurnsTheWheel) {
  CJointScene cScene;
  SWheelRig cRig(cScene, vector3df(0, 2, 0));
  cRig.lockSteering();
  CRurIvaMotor* pMotor = cScene.add<CRurIvaMotor>(cRig.m_pChassis);
  pMotor->setJoint(cRig.m_pJoint);
  pMotor->setAxis(1);
  pMotor->setVelocity(3.0f);
  pMotor->setForce(50.0f);
  pMotor->setEnabled(true);
  cScene.init();
  // A motor below the body is not reached by the world's initialisation.
  pMotor->initPhysics();
  ASSERT_NE(cRig.m_pJoint->getJointId(), 0u);

  cScene.steps(60);
  EXPECT_NEAR(cRig.m_pJoint->getHingeAngle2Rate(), 3.0f, 0.03f);
  const vector3df cSpin = cRig.m_pWheel->getAngularVelocity();
  EXPECT_NEAR(std::fabs(cSpin.X), 3.0f, 0.03f);
  EXPECT_NEAR(cSpin.Y, 0.0f, 0.01f);
  EXPECT_NEAR(cSpin.Z, 0.0f, 0.01f);
  // The wheel turns in place: it neither steers nor leaves its anchor.
  EXPECT_NEAR(cRig.m_pJoint->getHingeAngle1(), 0.0f, 0.01f);
  EXPECT_NEAR(cRig.m_pJoint->getHingeAngle1Rate(), 0.0f, 0.01f);
  EXPECT_LT((cRig.m_pWheel->getPosition() - cRig.m_cWheelAt).getLength(), 0.01f);
}

TEST(JointHinge2, SuspensionAlongTheSteeringAxisSprings) {
  CJointScene cScene;
  // Spring rate k and damping c become the library's ERP and CFM for the fixed step h.
  const f32 fSpring = 200.0f, fDamping = 20.0f;
  const f32 fErp = kStep * fSpring / (kStep * fSpring + fDamping);
  const f32 fCfm = 1.0f / (kStep * fSpring + fDamping);

  SWheelRig cSoft(cScene, vector3df(0, 2, 0), 1.0f);
  cSoft.lockSteering();
  cSoft.m_pJoint->setParameter(0, CRurIvaJoint::eSuspensionERP, fErp);
  cSoft.m_pJoint->setParameter(0, CRurIvaJoint::eSuspensionCFM, fCfm);
  SWheelRig cStiff(cScene, vector3df(0, 2, 10), 1.0f);
  cStiff.lockSteering();
  cScene.init();

  // Settled under gravity, the soft wheel hangs m g / k below its anchor.
  cScene.steps(250);
  const f32 fSag = cSoft.m_cWheelAt.Y - cSoft.m_pWheel->getPosition().Y;
  EXPECT_NEAR(fSag, 1.0f * 10.0f / fSpring, 0.1f * 10.0f / fSpring);
  EXPECT_NEAR(cSoft.m_pWheel->getPosition().X, cSoft.m_cWheelAt.X, 1e-3f);
  EXPECT_LT(cStiff.m_cWheelAt.Y - cStiff.m_pWheel->getPosition().Y, 0.002f);

  // Pushed up at 2 m/s, it swings out by about v / sqrt(k / m), damped, comes back and
  // settles again.
  const f32 fRest = cSoft.m_pWheel->getPosition().Y;
  cSoft.m_pWheel->setLinearVelocity(vector3df(0, 2, 0));
  f32 fHighest = fRest;
  for (int i = 0; i < 20; ++i) {
    cScene.steps(1);
    fHighest = std::max(fHighest, cSoft.m_pWheel->getPosition().Y);
  }
  EXPECT_GT(fHighest - fRest, 0.04f);
  EXPECT_LT(fHighest - fRest, 2.0f / std::sqrt(fSpring));
  cScene.steps(250);
  EXPECT_NEAR(cSoft.m_cWheelAt.Y - cSoft.m_pWheel->getPosition().Y, fSag, 0.005f);
}

TEST(JointHinge2, StoredParametersReachTheLibraryAxisZeroFirstInEnumerationOrder) {
  CHinge2RecordingDevice* pDevice = new CHinge2RecordingDevice();
  CJointScene cScene(pDevice);
  SWheelRig cRig(cScene, vector3df(0, 2, 0));
  // Set in a muddled order, before the joint exists.
  cRig.m_pJoint->setParameter(1, CRurIvaJoint::eMaxForce, 5.0f);
  cRig.m_pJoint->setParameter(0, CRurIvaJoint::eSuspensionCFM, 0.25f);
  cRig.m_pJoint->setParameter(1, CRurIvaJoint::eVelocity, 1.5f);
  cRig.m_pJoint->setParameter(0, CRurIvaJoint::eLoStop, -0.5f);
  cRig.m_pJoint->setParameter(0, CRurIvaJoint::eHiStop, 0.5f);
  cRig.m_pJoint->setParameter(0, CRurIvaJoint::eSuspensionERP, 0.75f);
  EXPECT_TRUE(pDevice->params().empty());
  EXPECT_EQ(cRig.m_pJoint->getParameter(1, CRurIvaJoint::eMaxForce), 0.0f);
  cScene.init();

  const std::vector<std::string> aExpected = {"param 0 0 0.5",   "param 0 1 -0.5", "param 0 9 0.75",
                                              "param 0 10 0.25", "param 1 2 1.5",  "param 1 3 5"};
  EXPECT_EQ(pDevice->params(), aExpected);
  // All of them after the joint was made and placed.
  const std::vector<std::string>& aCalls = pDevice->m_aCalls;
  ASSERT_GE(aCalls.size(), 4u);
  EXPECT_EQ(aCalls[0], "create");
  EXPECT_EQ(aCalls[1], "attach");
  EXPECT_EQ(aCalls[2], "anchor");
  EXPECT_EQ(aCalls[3], "axes");

  // And the library holds them.
  EXPECT_FLOAT_EQ(cRig.m_pJoint->getParameter(0, CRurIvaJoint::eHiStop), 0.5f);
  EXPECT_FLOAT_EQ(cRig.m_pJoint->getParameter(0, CRurIvaJoint::eLoStop), -0.5f);
  EXPECT_FLOAT_EQ(cRig.m_pJoint->getParameter(0, CRurIvaJoint::eSuspensionERP), 0.75f);
  EXPECT_FLOAT_EQ(cRig.m_pJoint->getParameter(0, CRurIvaJoint::eSuspensionCFM), 0.25f);
  EXPECT_FLOAT_EQ(cRig.m_pJoint->getParameter(1, CRurIvaJoint::eVelocity), 1.5f);
  EXPECT_FLOAT_EQ(cRig.m_pJoint->getParameter(1, CRurIvaJoint::eMaxForce), 5.0f);
}

TEST(JointHinge2, AxesGoToTheLibraryInOneCallInWorldSpace) {
  CHinge2RecordingDevice* pDevice = new CHinge2RecordingDevice();
  CJointScene cScene(pDevice);
  SWheelRig cRig(cScene, vector3df(0, 2, 0));
  // Turned by 90 degrees about z: the vertical axis 1 points along -x, axis 2 along +y.
  cRig.m_pJoint->setRotation(vector3df(0, 0, 90));
  cRig.m_pJoint->setHingeAxis1(vector3df(0, 3, 0));
  EXPECT_FLOAT_EQ(cRig.m_pJoint->getHingeAxis1().Y, 1.0f);
  cScene.init();

  EXPECT_EQ(pDevice->count("axes"), 1u);
  EXPECT_EQ(pDevice->count("axis1"), 0u);
  EXPECT_EQ(pDevice->count("axis2"), 0u);
  const vector3df cAxis1 = cRig.m_pJoint->getHingeAxis1();
  const vector3df cAxis2 = cRig.m_pJoint->getHingeAxis2();
  EXPECT_NEAR(cAxis1.X, -1.0f, 1e-5f);
  EXPECT_NEAR(cAxis1.Y, 0.0f, 1e-5f);
  EXPECT_NEAR(cAxis2.X, 0.0f, 1e-5f);
  EXPECT_NEAR(cAxis2.Y, 1.0f, 1e-5f);
  const vector3df cAnchor = cRig.m_pJoint->getAnchor1();
  EXPECT_NEAR(cAnchor.X, 1.0f, 1e-4f);
  EXPECT_NEAR(cAnchor.Y, 2.0f, 1e-4f);
  EXPECT_NEAR((cRig.m_pJoint->getAnchor2() - cAnchor).getLength(), 0.0f, 1e-4f);
}

TEST(JointHinge2, WithOneBodyItIsNotCreatedAndSaysSoOnce) {
  CHinge2RecordingDevice* pDevice = new CHinge2RecordingDevice();
  CJointScene cScene(pDevice);
  CRurIvaBody* pChassis = cScene.addBody(cScene.world(), vector3df(0, 2, 0), 10.0f);
  CRurIvaJointHinge2* pJoint = cScene.add<CRurIvaJointHinge2>(pChassis, vector3df(1, 0, 0));
  pJoint->setName("front");
  pJoint->setHingeAxis1(vector3df(0, 1, 0));

  const std::string sOut = captured([&] {
    cScene.init();
    cScene.steps(10);
  });

  EXPECT_EQ(pJoint->getJointId(), 0u);
  EXPECT_EQ(pDevice->count("create"), 0u);
  EXPECT_EQ(countOf(sOut, "CRurIvaJointHinge2 \"front\" not created"), 1) << sOut;
  EXPECT_EQ(pJoint->getHingeAngle1(), 0.0f);
  // The chassis carries on without it.
  EXPECT_LT(pChassis->getPosition().Y, 2.0f);
}

TEST(JointHinge2, ParallelAxesAreNotCreated) {
  CHinge2RecordingDevice* pDevice = new CHinge2RecordingDevice();
  CJointScene cScene(pDevice);
  SWheelRig cRig(cScene, vector3df(0, 2, 0));
  cRig.m_pJoint->setHingeAxis2(vector3df(0, -2, 0));

  const std::string sOut = captured([&] {
    cScene.init();
    cScene.steps(10);
  });

  EXPECT_EQ(cRig.m_pJoint->getJointId(), 0u);
  EXPECT_EQ(pDevice->count("create"), 0u);
  EXPECT_EQ(countOf(sOut, "\"front\" not created"), 1) << sOut;
  // Nothing holds the wheel.
  EXPECT_LT(cRig.m_pWheel->getPosition().Y, 1.95f);
}

TEST(JointHinge2, ZeroAxisIsNotCreated) {
  CHinge2RecordingDevice* pDevice = new CHinge2RecordingDevice();
  CJointScene cScene(pDevice);
  SWheelRig cRig(cScene, vector3df(0, 2, 0));
  cRig.m_pJoint->setHingeAxis1(vector3df(0, 0, 0));

  const std::string sOut = captured([&] { cScene.init(); });

  EXPECT_EQ(cRig.m_pJoint->getJointId(), 0u);
  EXPECT_EQ(pDevice->count("create"), 0u);
  EXPECT_EQ(countOf(sOut, "\"front\" not created"), 1) << sOut;
}

TEST(JointHinge2, WheelBelowItsJointIsLinkedAndItsMotorBound) {
  // The layout of a scene file: the wheel body and the motor hang below the joint.
  CJointScene cScene;
  CRurIvaBody* pChassis = cScene.addBody(cScene.world(), vector3df(0, 2, 0), 10.0f, 0.2f);
  cScene.add<CRurIvaJointFixed>(pChassis);
  CRurIvaJointHinge2* pJoint = cScene.add<CRurIvaJointHinge2>(pChassis, vector3df(1, 0, 0));
  pJoint->setHingeAxis1(vector3df(0, 1, 0));
  pJoint->setHingeAxis2(vector3df(1, 0, 0));
  pJoint->setParameter(0, CRurIvaJoint::eLoStop, 0.0f);
  pJoint->setParameter(0, CRurIvaJoint::eHiStop, 0.0f);
  // A body below another body starts in that body's frame (the joint between places only its
  // anchor), then hangs from the world: 1 to the side of the chassis, where the anchor is.
  CRurIvaBody* pWheel = cScene.addBody(pJoint, vector3df(1, 0, 0), 1.0f, 0.3f);
  CRurIvaMotor* pMotor = cScene.add<CRurIvaMotor>(pJoint);
  pMotor->setAxis(1);
  pMotor->setVelocity(-2.0f);
  pMotor->setForce(50.0f);
  pMotor->setEnabled(true);
  cScene.init();

  EXPECT_EQ(pJoint->getBody1(), pChassis);
  EXPECT_EQ(pJoint->getBody2(), pWheel);
  EXPECT_EQ(pMotor->getJoint(), pJoint);
  EXPECT_TRUE(pMotor->physicsInitialized());
  ASSERT_NE(pJoint->getJointId(), 0u);
  EXPECT_EQ(pWheel->getParent(), cScene.world());
  EXPECT_VEC_NEAR(pWheel->getPosition(), pJoint->getAnchor1(), 1e-5f);
  cScene.steps(60);
  EXPECT_NEAR(pJoint->getHingeAngle2Rate(), -2.0f, 0.02f);
}
