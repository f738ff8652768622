// Step motors acting on bodies in a weightless world: the force or torque each of them adds is
// read back from the change of the body's velocity over the step that applied it. A step
// motor adds its push after a step; the next step applies it, so after n steps a body has had
// n - 1 pushes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "CRurIvaAeroDrag.h"
#include "CRurIvaImpulseMotor.h"
#include "CRurIvaTorqueMotor.h"
#include "CJointScene.h"

using namespace irr;
using namespace irr::ode;
using namespace varrik::test;

namespace {

const f32 kMass = 2.0f;
const f32 kRadius = 0.5f;
//! A solid sphere: 2/5 m r^2.
const f32 kInertia = 0.4f * kMass * kRadius * kRadius;

//! The force that changed a body's velocity from cBefore to cAfter in one step.
vector3df forceOver(const vector3df& cBefore, const vector3df& cAfter) {
  return (cAfter - cBefore) * (kMass / kStep);
}

//! The torque that changed a sphere's angular velocity from cBefore to cAfter in one step.
vector3df torqueOver(const vector3df& cBefore, const vector3df& cAfter) {
  return (cAfter - cBefore) * (kInertia / kStep);
}

template <class T>
bool listed(const core::list<T*>& lList, const void* pWhat) {
  for (T* p : lList)
    if (p == pWhat) return true;
  return false;
}

class CWeightless : public CJointScene {
 public:
  CWeightless() : CJointScene(nullptr, vector3df(0, 0, 0)) {}

  CRurIvaBody* body(const vector3df& cAt, const vector3df& cVelocity = vector3df(0, 0, 0),
                    const vector3df& cRotation = vector3df(0, 0, 0)) {
    CRurIvaBody* pBody = addBody(world(), cAt, kMass, kRadius, cRotation);
    pBody->setLinearVelocity(cVelocity);
    return pBody;
  }
};

}  // namespace

TEST(StepMotorImpulse, TurnedBodyIsPushedAlongItsTurnedDirection) {
  CWeightless cScene;
  CRurIvaBody* pBody = cScene.body(vector3df(0, 0, 0), vector3df(0, 0, 0), vector3df(0, 90, 0));
  CRurIvaImpulseMotor* pMotor = cScene.add<CRurIvaImpulseMotor>(pBody);
  pMotor->setMaxPower(10.0f);
  pMotor->setPower(0.5f);
  pMotor->setIsActive(true);
  EXPECT_TRUE(listed(pBody->getStepMotors(), pMotor));
  EXPECT_TRUE(listed(cScene.m_pManager->getStepMotors(), pMotor));
  cScene.init();
  EXPECT_EQ(pMotor->getBody(), pBody);

  // Thrust (1, 0, 0) turned by 90 degrees about y points along -z: (0, 0, -5).
  cScene.steps(1);
  EXPECT_VEC_NEAR(pBody->getLinearVelocity(), vector3df(0, 0, 0), 1e-6f);
  for (int i = 0; i < 4; ++i) {
    const vector3df cBefore = pBody->getLinearVelocity();
    cScene.steps(1);
    EXPECT_VEC_NEAR(forceOver(cBefore, pBody->getLinearVelocity()), vector3df(0, 0, -5), 0.01f);
  }
}

TEST(StepMotorImpulse, InactiveOrNotDirectlyBelowItsBodyItDoesNothing) {
  CWeightless cScene;
  CRurIvaBody* pIdle = cScene.body(vector3df(0, 0, 0));
  CRurIvaImpulseMotor* pInactive = cScene.add<CRurIvaImpulseMotor>(pIdle);
  pInactive->setMaxPower(10.0f);
  pInactive->setPower(1.0f);

  // Below a visible node of its body: registered with the body, but acting on nothing.
  CRurIvaBody* pDeep = cScene.body(vector3df(0, 0, 10));
  scene::ISceneNode* pVisual = cScene.m_pSmgr->addEmptySceneNode(pDeep);
  CRurIvaImpulseMotor* pBuried = cScene.add<CRurIvaImpulseMotor>(pVisual);
  pBuried->setMaxPower(10.0f);
  pBuried->setPower(1.0f);
  pBuried->setIsActive(true);
  EXPECT_EQ(pBuried->getBody(), pDeep);
  cScene.init();
  pBuried->initPhysics();
  EXPECT_EQ(pBuried->getBody(), nullptr);

  cScene.steps(10);
  EXPECT_VEC_NEAR(pIdle->getLinearVelocity(), vector3df(0, 0, 0), 1e-6f);
  EXPECT_VEC_NEAR(pDeep->getLinearVelocity(), vector3df(0, 0, 0), 1e-6f);

  // Activated, the motor of the idle body pushes at once.
  pInactive->setIsActive(true);
  cScene.steps(2);
  EXPECT_VEC_NEAR(pIdle->getLinearVelocity(), vector3df(10, 0, 0) * (kStep / kMass), 1e-4f);
}

TEST(StepMotorTorque, ControlsTimesPowerTurnTheBody) {
  CWeightless cScene;
  CRurIvaBody* pBody = cScene.body(vector3df(0, 0, 0));
  CRurIvaTorqueMotor* pMotor = cScene.add<CRurIvaTorqueMotor>(pBody);
  pMotor->setFactors(1.0f, 0.0f, 0.0f);
  pMotor->setMaxPower(2.0f);
  pMotor->setPower(3.0f);
  // Without aero rudder mode the factors play no part.
  pMotor->setPitchFactor(5.0f);
  pMotor->setIsActive(true);
  cScene.init();

  cScene.steps(1);
  for (int i = 0; i < 4; ++i) {
    const vector3df cBefore = pBody->getAngularVelocity();
    cScene.steps(1);
    // Pitch about (0, 0, 1): turning about z keeps that axis where it is.
    EXPECT_VEC_NEAR(torqueOver(cBefore, pBody->getAngularVelocity()), vector3df(0, 0, 6), 0.01f);
  }
}

TEST(StepMotorTorque, AeroRudderScalesWithForwardSpeed) {
  CWeightless cScene;
  // Forward speed along the roll axis (1, 0, 0), and the torque scale it should give with
  // min_vel 5, max_vel 20 and max power 2.
  const f32 aSpeeds[] = {3.0f, 10.0f, 30.0f, -30.0f, -10.0f};
  const f32 aScales[] = {0.0f, (10.0f - 5.0f) * 2.0f, (20.0f - 5.0f) * 2.0f, (20.0f - 5.0f) * 2.0f,
                         (-10.0f - 5.0f) * 2.0f};
  std::vector<CRurIvaBody*> aBodies;
  for (int i = 0; i < 5; ++i) {
    aBodies.push_back(cScene.body(vector3df(0, 0, 10.0f * i), vector3df(aSpeeds[i], 0, 0)));
    CRurIvaTorqueMotor* pMotor = cScene.add<CRurIvaTorqueMotor>(aBodies.back());
    pMotor->setAeroRudder(true);
    pMotor->setMinVel(5.0f);
    pMotor->setMaxVel(20.0f);
    pMotor->setMaxPower(2.0f);
    pMotor->setPower(1.0f);
    pMotor->setFactors(1.0f, 0.0f, 0.0f);
    pMotor->setIsActive(true);
  }
  // The pitch factor scales the pitch input in this mode.
  CRurIvaBody* pHalf = cScene.body(vector3df(0, 0, 60), vector3df(10, 0, 0));
  CRurIvaTorqueMotor* pHalfMotor = cScene.add<CRurIvaTorqueMotor>(pHalf);
  pHalfMotor->setAeroRudder(true);
  pHalfMotor->setMinVel(5.0f);
  pHalfMotor->setMaxVel(20.0f);
  pHalfMotor->setMaxPower(2.0f);
  pHalfMotor->setPower(1.0f);
  pHalfMotor->setFactors(1.0f, 0.0f, 0.0f);
  pHalfMotor->setPitchFactor(0.5f);
  pHalfMotor->setIsActive(true);
  // With min_vel and max_vel left at 0 the torque is always zero.
  CRurIvaBody* pUnset = cScene.body(vector3df(0, 0, 70), vector3df(10, 0, 0));
  CRurIvaTorqueMotor* pUnsetMotor = cScene.add<CRurIvaTorqueMotor>(pUnset);
  pUnsetMotor->setAeroRudder(true);
  pUnsetMotor->setMaxPower(2.0f);
  pUnsetMotor->setPower(1.0f);
  pUnsetMotor->setFactors(1.0f, 0.0f, 0.0f);
  pUnsetMotor->setIsActive(true);
  cScene.init();

  cScene.steps(2);
  for (int i = 0; i < 5; ++i)
    EXPECT_VEC_NEAR(torqueOver(vector3df(0, 0, 0), aBodies[i]->getAngularVelocity()),
                    vector3df(0, 0, aScales[i]), 0.01f);
  EXPECT_VEC_NEAR(torqueOver(vector3df(0, 0, 0), pHalf->getAngularVelocity()), vector3df(0, 0, 5), 0.01f);
  EXPECT_VEC_NEAR(pUnset->getAngularVelocity(), vector3df(0, 0, 0), 1e-6f);
}

TEST(StepMotorAeroDrag, MovingBackwardsGetsNoForceAtAll) {
  CWeightless cScene;
  CRurIvaBody* pBackwards = cScene.body(vector3df(0, 0, 0), vector3df(-10, 0, 0));
  CRurIvaBody* pForwards = cScene.body(vector3df(0, 0, 10), vector3df(10, 0, 0));
  for (CRurIvaBody* pBody : {pBackwards, pForwards}) {
    CRurIvaAeroDrag* pDrag = cScene.add<CRurIvaAeroDrag>(pBody);
    pDrag->setForewardDamp(0.1f);
    pDrag->setSidewardDamp(1.0f);
    pDrag->setUpwardDamp(1.0f);
    pDrag->setUpFactor(2.0f);
    pDrag->setMaxUpSpeed(30.0f);
    pDrag->setPower(1.0f);
    pDrag->setMaxPower(1.0f);
    pDrag->setIsActive(true);
  }
  cScene.init();

  cScene.steps(10);
  EXPECT_VEC_NEAR(pBackwards->getLinearVelocity(), vector3df(-10, 0, 0), 1e-6f);
  // The same wing flying forwards has been braked (first 0.1 * 10^2 = 10 N) and lifted
  // (first 2 * 10 = 20 N) nine times.
  EXPECT_LT(pForwards->getLinearVelocity().X, 10.0f - 0.5f);
  EXPECT_GT(pForwards->getLinearVelocity().Y, 1.0f);
}

TEST(StepMotorAeroDrag, LiftGrowsFromStallSpeedUpToMaximumLiftSpeed) {
  CWeightless cScene;
  // Stall speed 10, maximum lift speed 30, lift factor 2, power 0.5, max power 3.
  const f32 aSpeeds[] = {5.0f, 20.0f, 40.0f};
  const f32 aLifts[] = {0.0f, 2.0f * (20.0f - 10.0f) * 0.5f * 3.0f, 2.0f * 30.0f * 0.5f * 3.0f};
  std::vector<CRurIvaBody*> aBodies;
  for (int i = 0; i < 3; ++i) {
    aBodies.push_back(cScene.body(vector3df(0, 0, 10.0f * i), vector3df(aSpeeds[i], 0, 0)));
    CRurIvaAeroDrag* pDrag = cScene.add<CRurIvaAeroDrag>(aBodies.back());
    pDrag->setStallSpeed(10.0f);
    pDrag->setMaxUpSpeed(30.0f);
    pDrag->setUpFactor(2.0f);
    pDrag->setPower(0.5f);
    pDrag->setMaxPower(3.0f);
    pDrag->setIsActive(true);
  }
  cScene.init();

  cScene.steps(2);
  for (int i = 0; i < 3; ++i)
    EXPECT_VEC_NEAR(forceOver(vector3df(aSpeeds[i], 0, 0), aBodies[i]->getLinearVelocity()),
                    vector3df(0, aLifts[i], 0), 0.01f);
}

TEST(StepMotorAeroDrag, SideDragOnlyBeyondItsThreshold) {
  CWeightless cScene;
  // Sideward direction (0, 0, 1): a cosine of 0.005 to the velocity gives no side drag, one
  // of about 0.0995 gives u K r d = 10 cos * 0.0995 * 2 against the sideways motion.
  CRurIvaBody* pStraight = cScene.body(vector3df(0, 0, 0), vector3df(10, 0, 0.05f));
  CRurIvaBody* pSlipping = cScene.body(vector3df(0, 0, 10), vector3df(10, 0, 1));
  for (CRurIvaBody* pBody : {pStraight, pSlipping}) {
    CRurIvaAeroDrag* pDrag = cScene.add<CRurIvaAeroDrag>(pBody);
    pDrag->setUpFactor(0.0f);
    pDrag->setSidewardDamp(2.0f);
    pDrag->setPower(1.0f);
    pDrag->setMaxPower(1.0f);
    pDrag->setIsActive(true);
  }
  cScene.init();

  cScene.steps(2);
  EXPECT_VEC_NEAR(pStraight->getLinearVelocity(), vector3df(10, 0, 0.05f), 1e-6f);
  const f32 fCos = 1.0f / std::sqrt(101.0f);
  const f32 fForward = std::sqrt(101.0f) * (10.0f / std::sqrt(101.0f));
  EXPECT_VEC_NEAR(forceOver(vector3df(10, 0, 1), pSlipping->getLinearVelocity()),
                  vector3df(0, 0, -fForward * fCos * 2.0f), 0.01f);
}

TEST(StepMotorTorque, CloneKeepsItsOwnFactorsAndFindsItsBodyAtInitialisation) {
  CWeightless cScene;
  CRurIvaBody* pBody = cScene.body(vector3df(0, 0, 0));
  CRurIvaTorqueMotor* pMotor = cScene.add<CRurIvaTorqueMotor>(pBody);
  pMotor->setName("rudder");
  pMotor->setPitchFactor(3.0f);
  pMotor->setYawFactor(4.0f);
  pMotor->setRollFactor(5.0f);
  pMotor->setAeroRudder(true);
  pMotor->setMinVel(2.0f);
  pMotor->setMaxVel(8.0f);
  pMotor->setFactors(1.0f, 0.0f, 0.0f);
  pMotor->setPower(0.5f);
  pMotor->setMaxPower(4.0f);
  pMotor->setIsActive(true);
  pMotor->setPosition(vector3df(1, 2, 3));

  CRurIvaTorqueMotor* pClone = static_cast<CRurIvaTorqueMotor*>(pMotor->clone());
  cScene.keep(pClone);
  EXPECT_EQ(pClone->getParent(), pBody);
  EXPECT_STREQ(pClone->getName(), "rudder");
  EXPECT_FLOAT_EQ(pClone->getPitchFactor(), 1.0f);
  EXPECT_FLOAT_EQ(pClone->getYawFactor(), 1.0f);
  EXPECT_FLOAT_EQ(pClone->getRollFactor(), 1.0f);
  EXPECT_TRUE(pClone->isAeroRudder());
  EXPECT_FLOAT_EQ(pClone->getMinVel(), 2.0f);
  EXPECT_FLOAT_EQ(pClone->getMaxVel(), 8.0f);
  EXPECT_FLOAT_EQ(pClone->getPitch(), 1.0f);
  EXPECT_FLOAT_EQ(pClone->getPower(), 0.5f);
  EXPECT_FLOAT_EQ(pClone->getMaxPower(), 4.0f);
  EXPECT_TRUE(pClone->isActive());
  EXPECT_EQ(pClone->getPosition(), vector3df(0, 0, 0));
  // Off its body's list and without a body until it is initialised.
  EXPECT_EQ(pClone->getBody(), nullptr);
  EXPECT_FALSE(listed(pBody->getStepMotors(), pClone));
  EXPECT_TRUE(listed(cScene.m_pManager->getStepMotors(), pClone));

  // Only the clone acts: at 5 m/s forward its scale is (5 - 2) * 4 with factor 1.
  pMotor->setIsActive(false);
  pBody->setLinearVelocity(vector3df(5, 0, 0));
  cScene.init();
  pClone->initPhysics();
  EXPECT_EQ(pClone->getBody(), pBody);
  cScene.steps(2);
  EXPECT_VEC_NEAR(torqueOver(vector3df(0, 0, 0), pBody->getAngularVelocity()),
                  vector3df(0, 0, (5.0f - 2.0f) * 4.0f * 0.5f), 0.01f);
}

TEST(StepMotorAttributes, RoundTripAndFactorsOnlyWhenPresent) {
  CWeightless cScene;
  CRurIvaTorqueMotor* pTorque = cScene.add<CRurIvaTorqueMotor>(cScene.world());
  pTorque->setIsActive(true);
  pTorque->setMaxPower(7.0f);
  pTorque->setPower(0.25f);
  pTorque->setRollAxis(vector3df(0, 0, 1));
  pTorque->setPitchFactor(2.0f);
  pTorque->setYawFactor(3.0f);
  pTorque->setRollFactor(4.0f);
  pTorque->setAeroRudder(true);
  pTorque->setMinVel(1.5f);
  pTorque->setMaxVel(9.5f);

  io::IAttributes* pOut = cScene.newAttributes();
  pTorque->serializeAttributes(pOut);
  const char* aOrder[] = {"Ident",       "active",   "max_power",   "power",        "roll_axis",
                          "pitch_axis",  "yaw_axis", "roll_factor", "pitch_factor", "yaw_factor",
                          "aero_rudder", "min_vel",  "max_vel"};
  for (size_t i = 1; i < sizeof(aOrder) / sizeof(aOrder[0]); ++i)
    EXPECT_EQ(pOut->findAttribute(aOrder[i]), pOut->findAttribute(aOrder[i - 1]) + 1) << aOrder[i];

  CRurIvaTorqueMotor* pRead = cScene.add<CRurIvaTorqueMotor>(cScene.world());
  pRead->deserializeAttributes(pOut);
  pOut->drop();
  EXPECT_TRUE(pRead->isActive());
  EXPECT_FLOAT_EQ(pRead->getMaxPower(), 7.0f);
  EXPECT_FLOAT_EQ(pRead->getPower(), 0.25f);
  EXPECT_EQ(pRead->getRollAxis(), vector3df(0, 0, 1));
  EXPECT_FLOAT_EQ(pRead->getPitchFactor(), 2.0f);
  EXPECT_FLOAT_EQ(pRead->getYawFactor(), 3.0f);
  EXPECT_FLOAT_EQ(pRead->getRollFactor(), 4.0f);
  EXPECT_TRUE(pRead->isAeroRudder());
  EXPECT_FLOAT_EQ(pRead->getMinVel(), 1.5f);
  EXPECT_FLOAT_EQ(pRead->getMaxVel(), 9.5f);

  // An older file without factors keeps the factors the node has.
  io::IAttributes* pOld = cScene.newAttributes();
  pOld->addBool("active", false);
  pOld->addFloat("max_power", 1.0f);
  pOld->addFloat("power", 1.0f);
  pOld->addBool("aero_rudder", false);
  pRead->deserializeAttributes(pOld);
  pOld->drop();
  EXPECT_FALSE(pRead->isActive());
  EXPECT_FLOAT_EQ(pRead->getPitchFactor(), 2.0f);
  EXPECT_FLOAT_EQ(pRead->getYawFactor(), 3.0f);
  EXPECT_FLOAT_EQ(pRead->getRollFactor(), 4.0f);

  CRurIvaImpulseMotor* pImpulse = cScene.add<CRurIvaImpulseMotor>(cScene.world());
  pImpulse->setForeward(vector3df(0, 1, 0));
  pImpulse->setMaxPower(3.0f);
  CRurIvaAeroDrag* pDrag = cScene.add<CRurIvaAeroDrag>(cScene.world());
  pDrag->setForeward(vector3df(0, 0, 1));
  pDrag->setSideward(vector3df(1, 0, 0));
  pDrag->setUpward(vector3df(0, -1, 0));
  pDrag->setStallSpeed(4.0f);
  pDrag->setMaxUpSpeed(40.0f);
  pDrag->setUpFactor(0.5f);
  pDrag->setForewardDamp(0.1f);
  pDrag->setSidewardDamp(0.2f);
  pDrag->setUpwardDamp(0.3f);
  io::IAttributes* pImpulseOut = cScene.newAttributes();
  pImpulse->serializeAttributes(pImpulseOut);
  io::IAttributes* pDragOut = cScene.newAttributes();
  pDrag->serializeAttributes(pDragOut);
  CRurIvaImpulseMotor* pImpulseRead = cScene.add<CRurIvaImpulseMotor>(cScene.world());
  pImpulseRead->deserializeAttributes(pImpulseOut);
  CRurIvaAeroDrag* pDragRead = cScene.add<CRurIvaAeroDrag>(cScene.world());
  pDragRead->deserializeAttributes(pDragOut);
  EXPECT_EQ(pImpulseOut->findAttribute("foreward"), pImpulseOut->findAttribute("power") + 1);
  EXPECT_EQ(pDragOut->findAttribute("upward_damp"), pDragOut->findAttribute("power") + 9);
  pImpulseOut->drop();
  pDragOut->drop();
  EXPECT_EQ(pImpulseRead->getForeward(), vector3df(0, 1, 0));
  EXPECT_FLOAT_EQ(pImpulseRead->getMaxPower(), 3.0f);
  EXPECT_EQ(pDragRead->getForeward(), vector3df(0, 0, 1));
  EXPECT_EQ(pDragRead->getSideward(), vector3df(1, 0, 0));
  EXPECT_EQ(pDragRead->getUpward(), vector3df(0, -1, 0));
  EXPECT_FLOAT_EQ(pDragRead->getStallSpeed(), 4.0f);
  EXPECT_FLOAT_EQ(pDragRead->getMaxUpSpeed(), 40.0f);
  EXPECT_FLOAT_EQ(pDragRead->getUpFactor(), 0.5f);
  EXPECT_FLOAT_EQ(pDragRead->getForewardDamp(), 0.1f);
  EXPECT_FLOAT_EQ(pDragRead->getSidewardDamp(), 0.2f);
  EXPECT_FLOAT_EQ(pDragRead->getUpwardDamp(), 0.3f);
}

// A step motor that acts on no body (not hanging from it directly, or out of the simulation)
// stays on the list of the body it was made below; one moved below another body acts on that one.
// Whichever of motor and body goes first, the other must not be left pointing at it.
TEST(StepMotorLifetime, MotorAndBodyOutliveEachOtherInAnyOrder) {
  enum EWhere { eBelowAVisualNode, eOutOfTheSimulation, eMovedToAnotherBody };
  for (EWhere eWhere : {eBelowAVisualNode, eOutOfTheSimulation, eMovedToAnotherBody}) {
    SCOPED_TRACE(eWhere);
    CWeightless cScene;
    CRurIvaBody* pFirst = cScene.body(vector3df(0, 0, 0));
    CRurIvaBody* pSecond = cScene.body(vector3df(0, 0, 10));
    scene::ISceneNode* pParent =
        eWhere == eBelowAVisualNode ? cScene.m_pSmgr->addEmptySceneNode(pFirst) : pFirst;
    CRurIvaImpulseMotor* pMotor = cScene.add<CRurIvaImpulseMotor>(pParent);
    pMotor->setMaxPower(10.0f);
    pMotor->setPower(1.0f);
    pMotor->setIsActive(true);
    if (eWhere == eMovedToAnotherBody) pMotor->setParent(pSecond);
    cScene.init();
    pMotor->initPhysics();
    if (eWhere == eOutOfTheSimulation) pMotor->removeFromPhysics();
    CRurIvaBody* pActedOn = eWhere == eMovedToAnotherBody ? pSecond : nullptr;
    EXPECT_EQ(pMotor->getBody(), pActedOn);
    if (pActedOn) {
      EXPECT_TRUE(listed(pActedOn->getStepMotors(), pMotor));
    }

    // The body it acts on goes while the game holds the motor: the motor acts on nothing, and
    // steps go on.
    pMotor->grab();
    if (pActedOn) {
      pActedOn->remove();
      EXPECT_EQ(pMotor->getBody(), nullptr);
      cScene.steps(2);
    }
    // The motor goes while its first body lives: that body's list forgets it.
    pMotor->remove();
    pMotor->drop();
    EXPECT_FALSE(listed(pFirst->getStepMotors(), pMotor));
    EXPECT_FALSE(listed(cScene.m_pManager->getStepMotors(), pMotor));
    cScene.steps(2);
  }
}
