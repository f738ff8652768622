// Fixed-size stepping: how elapsed time becomes steps, and the events that frame every step.
#include <gtest/gtest.h>

#include "CEventLog.h"
#include "CRurIvaBody.h"
#include "CRurIvaDevice.h"
#include "CRurIvaWorld.h"
#include "CTestScene.h"
#include "IRurIvaEvent.h"

namespace varrik {
namespace test {
namespace {

using irr::ode::eRurIvaEventActivationChanged;
using irr::ode::eRurIvaEventBeforeStep;
using irr::ode::eRurIvaEventBodyMoved;
using irr::ode::eRurIvaEventStep;

TEST(SimStepping, AccumulatorRunsWholeStepsAndCarriesTheRest) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 100, 0), 0.5f);
  pWorld->initPhysics();
  CRurIvaDevice* d = cScene.m_pDevice;
  ASSERT_FLOAT_EQ(d->getStepSize(), 0.016f);
  ASSERT_EQ(d->getStepCounter(), 0);

  pWorld->step(0.01f);  // 0.01 > 0: one step, -0.006 left
  EXPECT_EQ(d->getStepCounter(), 1);
  EXPECT_NEAR(d->getTimeAccumulator(), -0.006f, 1e-6f);
  const f32 fAfterOne = pBody->getPosition().Y;
  EXPECT_LT(fAfterOne, 100.0f);

  pWorld->step(0.005f);  // -0.001: nothing runs, nothing moves
  EXPECT_EQ(d->getStepCounter(), 1);
  EXPECT_NEAR(d->getTimeAccumulator(), -0.001f, 1e-6f);
  EXPECT_EQ(pBody->getPosition().Y, fAfterOne);

  pWorld->step(0.05f);  // 0.049 takes four steps, -0.015 left
  EXPECT_EQ(d->getStepCounter(), 5);
  EXPECT_NEAR(d->getTimeAccumulator(), -0.015f, 1e-6f);

  // Five steps of 0.016 s of free fall from rest: y = 100 - g dt^2 (1 + 2 + ... + 5).
  EXPECT_NEAR(pBody->getPosition().Y, 100.0f - 10.0f * 0.016f * 0.016f * 15.0f, 1e-3f);
}

TEST(SimStepping, QuickStepUsesTheSameAccumulator) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 100, 0), 0.5f);
  pWorld->initPhysics();

  pWorld->quickStep(0.01f);
  pWorld->quickStep(0.005f);
  pWorld->quickStep(0.05f);
  EXPECT_EQ(cScene.m_pDevice->getStepCounter(), 5);
  EXPECT_NEAR(cScene.m_pDevice->getTimeAccumulator(), -0.015f, 1e-6f);
  EXPECT_NEAR(pBody->getPosition().Y, 100.0f - 10.0f * 0.016f * 0.016f * 15.0f, 1e-3f);
}

TEST(SimStepping, OneStepPostsBeforeStepBodyMovedStepAndOnTheFirstStepActivationChanged) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 100, 0), 0.5f);
  pWorld->initPhysics();
  EXPECT_FALSE(pBody->isEnabled());

  CEventLog cLog;
  cScene.steps(pWorld, 1);
  ASSERT_EQ(cLog.types(), (std::vector<u16>{eRurIvaEventBeforeStep, eRurIvaEventBodyMoved, eRurIvaEventStep,
                                            eRurIvaEventActivationChanged}));
  EXPECT_EQ(cLog.m_aEntries[1].pBody, pBody);
  EXPECT_EQ(cLog.m_aEntries[2].iStepNo, 0u);
  EXPECT_EQ(cLog.m_aEntries[3].pBody, pBody);
  EXPECT_TRUE(cLog.m_aEntries[3].bActive);
  EXPECT_TRUE(pBody->isEnabled());

  cLog.clear();
  cScene.steps(pWorld, 2);
  ASSERT_EQ(cLog.types(),
            (std::vector<u16>{eRurIvaEventBeforeStep, eRurIvaEventBodyMoved, eRurIvaEventStep,
                              eRurIvaEventBeforeStep, eRurIvaEventBodyMoved, eRurIvaEventStep}));
  EXPECT_EQ(cLog.m_aEntries[2].iStepNo, 1u);
  EXPECT_EQ(cLog.m_aEntries[5].iStepNo, 2u);
}

TEST(SimStepping, DisablingABodyPostsAnActivationChangeAtTheNextStep) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 100, 0), 0.5f);
  pWorld->initPhysics();
  cScene.steps(pWorld, 1);
  ASSERT_TRUE(pBody->isEnabled());

  CEventLog cLog;
  pBody->setEnabled(false);
  cScene.steps(pWorld, 3);
  ASSERT_EQ(cLog.count(eRurIvaEventActivationChanged), 1);
  // A disabled body does not move, so no body-moved event either.
  EXPECT_EQ(cLog.count(eRurIvaEventBodyMoved), 0);
  for (const CEventLog::SEntry& e : cLog.m_aEntries)
    if (e.iType == eRurIvaEventActivationChanged) {
      EXPECT_FALSE(e.bActive);
    }
  EXPECT_FALSE(pBody->isEnabled());
}

TEST(SimStepping, StepEventsCarryTheManagersFrameNumber) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  cScene.addSphereBody(pWorld, vector3df(0, 100, 0), 0.5f);
  pWorld->initPhysics();

  CEventLog cLog;
  cScene.frameAt(0);  // frame 1, no time passed
  EXPECT_EQ(cLog.count(eRurIvaEventStep), 0);
  cScene.frameAt(16);  // frame 2, one step
  cScene.frameAt(48);  // frame 3, two steps

  const std::vector<CEventLog::SEntry> aSteps = cLog.of(eRurIvaEventStep);
  ASSERT_EQ(aSteps.size(), 3u);
  EXPECT_EQ(aSteps[0].iFrameNo - cScene.m_iFirstFrame, 2u);
  EXPECT_EQ(aSteps[1].iFrameNo - cScene.m_iFirstFrame, 3u);
  EXPECT_EQ(aSteps[2].iFrameNo - cScene.m_iFirstFrame, 3u);
  EXPECT_EQ(aSteps[0].iStepNo, 0u);
  EXPECT_EQ(aSteps[2].iStepNo, 2u);
  EXPECT_EQ(cScene.frames(), 3u);
}

TEST(SimStepping, BodyWithoutGraphicsUpdateIsSimulatedButItsNodeStays) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pFollowing = cScene.addSphereBody(pWorld, vector3df(-5, 100, 0), 0.5f);
  CRurIvaBody* pStill = cScene.addSphereBody(pWorld, vector3df(5, 100, 0), 0.5f);
  pStill->setUpdateGraphics(false);
  pWorld->initPhysics();

  CEventLog cLog;
  cScene.simulate(pWorld, 1.0f);
  for (const CEventLog::SEntry& e : cLog.m_aEntries)
    if (e.iType == eRurIvaEventBodyMoved) {
      EXPECT_EQ(e.pBody, pFollowing);
    }
  EXPECT_GT(cLog.count(eRurIvaEventBodyMoved), 0);

  EXPECT_LT(pFollowing->getPosition().Y, 96.0f);
  EXPECT_EQ(pStill->getPosition(), vector3df(5, 100, 0));
  // The dynamics library moved it all the same.
  EXPECT_LT(cScene.m_pDevice->bodyGetPosition(pStill->getBodyId()).Y, 96.0f);
}

TEST(SimStepping, AWorldThatWasNeverInitialisedIsNotStepped) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CEventLog cLog;
  captured([&] { pWorld->step(0.1f); });
  EXPECT_EQ(cScene.m_pDevice->getStepCounter(), 0);
  EXPECT_EQ(cLog.count(eRurIvaEventStep), 0);
  // Time offered to a world that cannot step is not saved up for later.
  EXPECT_EQ(cScene.m_pDevice->getTimeAccumulator(), 0.0f);
}

}  // namespace
}  // namespace test
}  // namespace varrik
