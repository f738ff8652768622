// Joint motors and servos on real hinges: a motor turns a wheel at its velocity only as far
// as its force allows, keeps acting when disabled, wakes resting bodies when changed; a servo
// holds its arm at its angle. Also the calls they make, guards, cloning and attributes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "CRurIvaDevice.h"
#include "CRurIvaJointHinge.h"
#include "CRurIvaMotor.h"
#include "CRurIvaServo.h"
#include "CJointScene.h"

using namespace irr;
using namespace irr::ode;
using namespace varrik::test;

namespace {

const f64 kPi = 3.141592653589793;

//! The real device, writing down the hinge parameter calls in order.
class CHingeParamRecorder : public CRurIvaDevice {
 public:
  void jointSetHingeParam(u32 iJoint, int iParam, f32 fValue) override {
    std::ostringstream s;
    s << iParam << " " << fValue;
    m_aCalls.push_back(s.str());
    CRurIvaDevice::jointSetHingeParam(iJoint, iParam, fValue);
  }
  std::vector<std::string> m_aCalls;
};

/**
 * A body on a hinge (axis +z) to the static environment, the hinge placed at fPivot relative
 * to the body; a motor or servo may hang below the hinge.
 */
struct SHingeRig {
  SHingeRig(CJointScene& cScene, const vector3df& cAt, const vector3df& cPivot, f32 fMass,
            f32 fRadius = 0.1f) {
    m_pBody = cScene.addBody(cScene.world(), cAt, fMass, fRadius);
    m_pHinge = cScene.add<CRurIvaJointHinge>(m_pBody, cPivot);
    m_pHinge->setHingeAxis(vector3df(0, 0, 1));
  }
  CRurIvaBody* m_pBody;
  CRurIvaJointHinge* m_pHinge;
};

CRurIvaMotor* addMotor(CJointScene& cScene, scene::ISceneNode* pParent, f32 fVelocity, f32 fForce) {
  CRurIvaMotor* pMotor = cScene.add<CRurIvaMotor>(pParent);
  pMotor->setVelocity(fVelocity);
  pMotor->setForce(fForce);
  pMotor->setEnabled(true);
  return pMotor;
}

}  // namespace

TEST(JointMotor, VelocityTwoWithEnoughForceTurnsAFreeWheelAtTwo) {
  CJointScene cScene;
  SHingeRig cWheel(cScene, vector3df(0, 2, 0), vector3df(0, 0, 0), 1.0f, 0.3f);
  CRurIvaMotor* pMotor = addMotor(cScene, cWheel.m_pHinge, 2.0f, 10.0f);
  cScene.init();
  EXPECT_EQ(pMotor->getJoint(), cWheel.m_pHinge);
  EXPECT_TRUE(pMotor->physicsInitialized());

  cScene.steps(30);
  const f32 fAngle = cWheel.m_pHinge->getHingeAngle();
  cScene.steps(30);
  EXPECT_NEAR(cWheel.m_pHinge->getHingeAngleRate(), 2.0f, 0.01f);
  EXPECT_NEAR(cWheel.m_pBody->getAngularVelocity().Z, 2.0f, 0.01f);
  EXPECT_NEAR(cWheel.m_pHinge->getHingeAngle() - fAngle, 2.0f * 30 * kStep, 0.01f);
  // The wheel turns in place.
  EXPECT_LT((cWheel.m_pBody->getPosition() - vector3df(0, 2, 0)).getLength(), 1e-3f);
}

TEST(JointMotor, SmallForceCannotLiftAHeavyArm) {
  CJointScene cScene;
  // Two 10 kg arms reaching 1 m out along +x from their pivots: holding one level takes
  // 100 N m; turning at +2 rad/s about +z lifts it.
  SHingeRig cWeak(cScene, vector3df(1, 2, 0), vector3df(-1, 0, 0), 10.0f);
  addMotor(cScene, cWeak.m_pHinge, 2.0f, 20.0f);
  SHingeRig cStrong(cScene, vector3df(1, 2, 5), vector3df(-1, 0, 0), 10.0f);
  addMotor(cScene, cStrong.m_pHinge, 2.0f, 500.0f);
  cScene.init();

  cScene.steps(30);
  EXPECT_GT(cStrong.m_pBody->getPosition().Y, 2.7f);
  EXPECT_NEAR(cStrong.m_pHinge->getHingeAngleRate(), 2.0f, 0.05f);
  EXPECT_LT(cWeak.m_pBody->getPosition().Y, 1.7f);
  EXPECT_LT(cWeak.m_pHinge->getHingeAngleRate(), 0.0f);
}

TEST(JointMotor, DisablingLeavesTheJointsVelocityAndForceInPlace) {
  CHingeParamRecorder* pDevice = new CHingeParamRecorder();
  CJointScene cScene(pDevice);
  SHingeRig cWheel(cScene, vector3df(0, 2, 0), vector3df(0, 0, 0), 1.0f, 0.3f);
  CRurIvaMotor* pMotor = addMotor(cScene, cWheel.m_pHinge, 2.0f, 10.0f);
  cScene.init();
  cScene.steps(30);

  const size_t iCallsBefore = pDevice->m_aCalls.size();
  pMotor->setEnabled(false);
  EXPECT_FALSE(pMotor->isEnabled());
  EXPECT_EQ(pDevice->m_aCalls.size(), iCallsBefore);
  EXPECT_FLOAT_EQ(cWheel.m_pHinge->getParameter(0, CRurIvaJoint::eVelocity), 2.0f);
  EXPECT_FLOAT_EQ(cWheel.m_pHinge->getParameter(0, CRurIvaJoint::eMaxForce), 10.0f);

  // Stopped by hand, the wheel is brought back to 2 rad/s by the joint's motor.
  cWheel.m_pBody->setAngularVelocity(vector3df(0, 0, 0));
  cScene.steps(30);
  EXPECT_NEAR(cWheel.m_pHinge->getHingeAngleRate(), 2.0f, 0.01f);

  // Changes while disabled are only stored; enabling sends velocity, then force.
  pMotor->setVelocity(-1.0f);
  pMotor->setForce(30.0f);
  EXPECT_EQ(pDevice->m_aCalls.size(), iCallsBefore);
  EXPECT_FLOAT_EQ(cWheel.m_pHinge->getParameter(0, CRurIvaJoint::eVelocity), 2.0f);
  pMotor->setEnabled(true);
  const std::vector<std::string> aSent(pDevice->m_aCalls.begin() + iCallsBefore, pDevice->m_aCalls.end());
  EXPECT_EQ(aSent, (std::vector<std::string>{"2 -1", "3 30"}));
  cScene.steps(30);
  EXPECT_NEAR(cWheel.m_pHinge->getHingeAngleRate(), -1.0f, 0.01f);
}

TEST(JointMotor, SettingsBeforeInitialisationReachTheJointOnceInOrder) {
  CHingeParamRecorder* pDevice = new CHingeParamRecorder();
  CJointScene cScene(pDevice);
  SHingeRig cWheel(cScene, vector3df(0, 2, 0), vector3df(0, 0, 0), 1.0f, 0.3f);
  CRurIvaMotor* pMotor = addMotor(cScene, cWheel.m_pHinge, 1.0f, 500.0f);
  cScene.init();
  EXPECT_EQ(pDevice->m_aCalls, (std::vector<std::string>{"2 1", "3 500"}));

  // A force change of a running motor goes straight to the joint.
  pMotor->setForce(300.0f);
  EXPECT_EQ(pDevice->m_aCalls.back(), "3 300");
  EXPECT_FLOAT_EQ(cWheel.m_pHinge->getParameter(0, CRurIvaJoint::eMaxForce), 300.0f);
}

TEST(JointMotor, ChangeWakesARestingWheel) {
  CJointScene cScene;
  SHingeRig cWheel(cScene, vector3df(0, 2, 0), vector3df(0, 0, 0), 1.0f, 0.3f);
  CRurIvaMotor* pMotor = addMotor(cScene, cWheel.m_pHinge, 2.0f, 10.0f);
  cScene.init();
  cScene.steps(30);

  // Put to sleep, the wheel stands still although its motor runs.
  cWheel.m_pBody->setEnabled(false);
  cScene.steps(1);
  ASSERT_FALSE(cWheel.m_pBody->isEnabled());
  const f32 fAngle = cWheel.m_pHinge->getHingeAngle();
  cScene.steps(10);
  EXPECT_FLOAT_EQ(cWheel.m_pHinge->getHingeAngle(), fAngle);

  pMotor->setVelocity(3.0f);
  cScene.steps(30);
  EXPECT_TRUE(cWheel.m_pBody->isEnabled());
  EXPECT_NEAR(cWheel.m_pHinge->getHingeAngleRate(), 3.0f, 0.01f);
}

TEST(JointServo, AtNinetyDegreesHoldsItsArmAgainstGravity) {
  CJointScene cScene;
  // The arm hangs 1 m below its pivot; at +90 degrees about +z it reaches out along +x,
  // where gravity pulls on it hardest.
  SHingeRig cArm(cScene, vector3df(0, 1, 0), vector3df(0, 1, 0), 1.0f);
  CRurIvaServo* pServo = cScene.add<CRurIvaServo>(cArm.m_pHinge);
  pServo->setServoPos(90.0f);
  cScene.init();
  EXPECT_EQ(pServo->getJoint(), cArm.m_pHinge);

  cScene.steps(200);
  EXPECT_NEAR(cArm.m_pHinge->getHingeAngle(), kPi / 2.0, 0.02);
  const vector3df cPos = cArm.m_pBody->getPosition();
  EXPECT_NEAR(cPos.X, 1.0f, 0.02f);
  EXPECT_NEAR(cPos.Y, 2.0f, 0.02f);
  EXPECT_NEAR(cArm.m_pHinge->getHingeAngleRate(), 0.0f, 0.01f);
}

TEST(JointServo, NewAngleSendsLowHighLowAndMovesTheArm) {
  CHingeParamRecorder* pDevice = new CHingeParamRecorder();
  CJointScene cScene(pDevice);
  SHingeRig cArm(cScene, vector3df(0, 1, 0), vector3df(0, 1, 0), 1.0f);
  CRurIvaServo* pServo = cScene.add<CRurIvaServo>(cArm.m_pHinge);
  pServo->setServoPos(90.0f);
  cScene.init();
  cScene.steps(100);

  pDevice->m_aCalls.clear();
  pServo->setServoPos(-45.0f);
  const f32 fTarget = static_cast<f32>(-45.0 * kPi / 180.0);
  std::ostringstream s;
  s << fTarget;
  EXPECT_EQ(pDevice->m_aCalls, (std::vector<std::string>{"1 " + s.str(), "0 " + s.str(), "1 " + s.str()}));

  cScene.steps(200);
  EXPECT_NEAR(cArm.m_pHinge->getHingeAngle(), fTarget, 0.02);
  EXPECT_NEAR(cArm.m_pBody->getPosition().X, std::sin(-kPi / 4.0), 0.02);
}

TEST(JointServo, AngleIsFoldedBySteps180) {
  CJointScene cScene;
  CRurIvaServo* pServo = cScene.add<CRurIvaServo>(cScene.world());
  pServo->setServoPos(270.0f);
  EXPECT_FLOAT_EQ(pServo->getServoPos(), 90.0f);
  pServo->setServoPos(-200.0f);
  EXPECT_FLOAT_EQ(pServo->getServoPos(), -20.0f);
  pServo->setServoPos(180.0f);
  EXPECT_FLOAT_EQ(pServo->getServoPos(), 180.0f);
  pServo->setServoPos(360.0f);
  EXPECT_FLOAT_EQ(pServo->getServoPos(), 180.0f);
  pServo->setServoPos(-370.0f);
  EXPECT_FLOAT_EQ(pServo->getServoPos(), -10.0f);
  // So large that taking away 180 changes nothing: still folded, at once.
  pServo->setServoPos(1e20f);
  EXPECT_GE(pServo->getServoPos(), -180.0f);
  EXPECT_LE(pServo->getServoPos(), 180.0f);
  pServo->setServoPos(30.0f);
  pServo->setServoPos(std::numeric_limits<f32>::infinity());
  EXPECT_FLOAT_EQ(pServo->getServoPos(), 30.0f);
}

TEST(JointMotor, WithoutJointOrBodyItDoesNothing) {
  CJointScene cScene;
  CRurIvaBody* pBody = cScene.addBody(cScene.world(), vector3df(0, 2, 0), 1.0f);
  // Below a body but without a joint, and below the world with no body above at all.
  CRurIvaMotor* pLoose = cScene.add<CRurIvaMotor>(pBody);
  CRurIvaServo* pLooseServo = cScene.add<CRurIvaServo>(pBody);
  CRurIvaMotor* pOrphan = nullptr;
  CRurIvaServo* pOrphanServo = nullptr;
  EXPECT_EQ(captured([&] {
              pOrphan = cScene.add<CRurIvaMotor>(cScene.world());
              pOrphanServo = cScene.add<CRurIvaServo>(cScene.world());
            }),
            "");
  EXPECT_EQ(pBody->getMotors().size(), 2u);

  for (CRurIvaMotor* pMotor : {pLoose, pOrphan}) {
    pMotor->setEnabled(true);
    pMotor->setVelocity(1.0f);
    pMotor->initPhysics();
    pMotor->setForce(5.0f);
    pMotor->setEnabled(true);
    EXPECT_TRUE(pMotor->physicsInitialized());
    EXPECT_FLOAT_EQ(pMotor->getForce(), 5.0f);
  }
  for (CRurIvaServo* pServo : {pLooseServo, pOrphanServo}) {
    pServo->initPhysics();
    pServo->setServoPos(45.0f);
    EXPECT_FLOAT_EQ(pServo->getServoPos(), 45.0f);
  }
  cScene.init();
  cScene.steps(5);
  EXPECT_LT(pBody->getPosition().Y, 2.0f);
}

TEST(JointMotor, StaysAtItsParentsOrigin) {
  CJointScene cScene;
  CRurIvaMotor* pMotor = cScene.add<CRurIvaMotor>(cScene.world());
  pMotor->setPosition(vector3df(5, 5, 5));
  EXPECT_EQ(pMotor->getPosition(), vector3df(0, 0, 0));
  CRurIvaServo* pServo = cScene.add<CRurIvaServo>(cScene.world());
  pServo->setPosition(vector3df(5, 5, 5));
  EXPECT_EQ(pServo->getPosition(), vector3df(0, 0, 0));
}

TEST(JointMotor, CloneCopiesTheSettingsButNotTheJoint) {
  CJointScene cScene;
  SHingeRig cWheel(cScene, vector3df(0, 2, 0), vector3df(0, 0, 0), 1.0f);
  CRurIvaMotor* pMotor = addMotor(cScene, cWheel.m_pHinge, 1.5f, 40.0f);
  pMotor->setName("drive");
  pMotor->setAxis(1);
  CRurIvaServo* pServo = cScene.add<CRurIvaServo>(cWheel.m_pHinge);
  pServo->setName("steer");
  pServo->setAxis(1);
  pServo->setServoPos(-30.0f);
  cScene.init();

  CRurIvaMotor* pMotorClone = static_cast<CRurIvaMotor*>(pMotor->clone(cScene.world()));
  cScene.keep(pMotorClone);
  EXPECT_EQ(pMotorClone->getType(), RUR_IVA_MOTOR_ID);
  EXPECT_STREQ(pMotorClone->getName(), "drive");
  EXPECT_EQ(pMotorClone->getAxis(), 1);
  EXPECT_FLOAT_EQ(pMotorClone->getVelocity(), 1.5f);
  EXPECT_FLOAT_EQ(pMotorClone->getForce(), 40.0f);
  EXPECT_TRUE(pMotorClone->isEnabled());
  EXPECT_EQ(pMotorClone->getJoint(), nullptr);
  EXPECT_EQ(pMotorClone->getID(), -1);

  CRurIvaServo* pServoClone = static_cast<CRurIvaServo*>(pServo->clone(cScene.world()));
  cScene.keep(pServoClone);
  EXPECT_STREQ(pServoClone->getName(), "steer");
  EXPECT_EQ(pServoClone->getAxis(), 1);
  EXPECT_FLOAT_EQ(pServoClone->getServoPos(), -30.0f);
  EXPECT_EQ(pServoClone->getJoint(), nullptr);
}

TEST(JointMotor, AttributesRoundTrip) {
  CJointScene cScene;
  CRurIvaMotor* pMotor = cScene.add<CRurIvaMotor>(cScene.world());
  pMotor->setAxis(1);
  pMotor->setForce(300.0f);
  pMotor->setVelocity(-2.5f);
  pMotor->setEnabled(true);
  CRurIvaServo* pServo = cScene.add<CRurIvaServo>(cScene.world());
  pServo->setAxis(1);
  pServo->setServoPos(60.0f);

  io::IAttributes* pMotorAttributes = cScene.newAttributes();
  pMotor->serializeAttributes(pMotorAttributes);
  EXPECT_EQ(pMotorAttributes->getAttributeAsInt("Axis"), 1);
  EXPECT_FLOAT_EQ(pMotorAttributes->getAttributeAsFloat("Force"), 300.0f);
  EXPECT_FLOAT_EQ(pMotorAttributes->getAttributeAsFloat("Velocity"), -2.5f);
  EXPECT_TRUE(pMotorAttributes->getAttributeAsBool("Enabled"));
  // The keys come after the base keys, in this order.
  const s32 iAxis = pMotorAttributes->findAttribute("Axis");
  EXPECT_GT(iAxis, pMotorAttributes->findAttribute("Ident"));
  EXPECT_EQ(pMotorAttributes->findAttribute("Force"), iAxis + 1);
  EXPECT_EQ(pMotorAttributes->findAttribute("Velocity"), iAxis + 2);
  EXPECT_EQ(pMotorAttributes->findAttribute("Enabled"), iAxis + 3);

  CRurIvaMotor* pRead = cScene.add<CRurIvaMotor>(cScene.world());
  pRead->deserializeAttributes(pMotorAttributes);
  pMotorAttributes->drop();
  EXPECT_EQ(pRead->getAxis(), 1);
  EXPECT_FLOAT_EQ(pRead->getForce(), 300.0f);
  EXPECT_FLOAT_EQ(pRead->getVelocity(), -2.5f);
  EXPECT_TRUE(pRead->isEnabled());

  io::IAttributes* pServoAttributes = cScene.newAttributes();
  pServo->serializeAttributes(pServoAttributes);
  EXPECT_FLOAT_EQ(pServoAttributes->getAttributeAsFloat("ServoPos"), 60.0f);
  // A read angle is taken as it is, not folded.
  pServoAttributes->setAttribute("ServoPos", 270.0f);
  CRurIvaServo* pReadServo = cScene.add<CRurIvaServo>(cScene.world());
  pReadServo->deserializeAttributes(pServoAttributes);
  pServoAttributes->drop();
  EXPECT_EQ(pReadServo->getAxis(), 1);
  EXPECT_FLOAT_EQ(pReadServo->getServoPos(), 270.0f);
}

// A motor may outlive the joint it drives: the game holds it, or it hangs beside the joint (below
// the body, naming the joint by its place in the body's list). It then drives nothing, and its
// settings still change without reaching a joint that is gone.
TEST(JointMotor, AMotorThatOutlivesItsJointDrivesNothing) {
  for (bool bBeside : {false, true}) {
    SCOPED_TRACE(bBeside ? "beside the joint" : "below the joint, held");
    CJointScene cScene;
    SHingeRig cWheel(cScene, vector3df(0, 2, 0), vector3df(0, 0, 0), 1.0f);
    CRurIvaMotor* pMotor = addMotor(cScene,
                                    bBeside ? static_cast<scene::ISceneNode*>(cWheel.m_pBody)
                                            : static_cast<scene::ISceneNode*>(cWheel.m_pHinge),
                                    1.0f, 10.0f);
    if (bBeside) {
      io::IAttributes* pAttributes = cScene.m_pSmgr->getFileSystem()->createEmptyAttributes();
      pMotor->serializeAttributes(pAttributes);
      pAttributes->setAttribute("JointIndex", 0);
      pMotor->deserializeAttributes(pAttributes);
      pAttributes->drop();
    }
    cScene.init();
    pMotor->initPhysics();
    ASSERT_EQ(pMotor->getJoint(), cWheel.m_pHinge);

    pMotor->grab();
    cWheel.m_pHinge->remove();
    EXPECT_EQ(pMotor->getJoint(), nullptr);
    pMotor->setVelocity(2.0f);
    pMotor->setForce(20.0f);
    pMotor->setEnabled(true);
    cScene.steps(2);
    pMotor->drop();
  }
}
