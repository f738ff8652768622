// The manager at work: engine time turned into simulated seconds, the events it applies to the
// scene (body moved, body removed, node removed), and its lookups by name.
#include <gtest/gtest.h>

#include <limits>

#include "CEventLog.h"
#include "CRecordingDevice.h"
#include "CRurIvaBody.h"
#include "CRurIvaEventBodyMoved.h"
#include "CRurIvaEventBodyRemoved.h"
#include "CRurIvaEventNodeRemoved.h"
#include "CRurIvaEventStep.h"
#include "CRurIvaGeomPlane.h"
#include "CRurIvaManager.h"
#include "CRurIvaSceneNode.h"
#include "CRurIvaSurfaceParameters.h"
#include "CRurIvaWorld.h"
#include "CSerializer.h"
#include "CTestScene.h"
#include "IRurIvaEvent.h"
#include "IRurIvaEventQueue.h"

namespace varrik {
namespace test {
namespace {

TEST(CoreManagerTime, FiftyMillisecondsOfEngineTimeReachTheWorldAsFiveHundredthsOfASecond) {
  CRecordingDevice* pRec = new CRecordingDevice();
  CTestScene cScene(pRec);
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 100, 0), 0.5f);
  pWorld->initPhysics();

  cScene.frameAt(1000);  // the first call measures from 0: one second, 63 steps
  const s32 iAfterFirst = pRec->getStepCounter();
  EXPECT_EQ(iAfterFirst, 63);
  const f32 fRest = pRec->getTimeAccumulator();

  cScene.frameAt(1050);
  ASSERT_EQ(pRec->m_aStepTimes.size(), 2u);
  EXPECT_FLOAT_EQ(pRec->m_aStepTimes[0], 1.0f);
  EXPECT_FLOAT_EQ(pRec->m_aStepTimes[1], 0.05f);
  EXPECT_NEAR(pRec->getTimeAccumulator(), fRest + 0.05f - 0.016f * (pRec->getStepCounter() - iAfterFirst),
              1e-5f);
  EXPECT_EQ(pRec->getStepCounter() - iAfterFirst, 3);  // -0.008 + 0.05 = 0.042: three steps
  EXPECT_EQ(cScene.frames(), 2u);
  EXPECT_LT(pBody->getPosition().Y, 95.0f);
}

TEST(CoreManagerTime, ATimerThatWrappedPastTwoToTheThirtySecondStillGivesTheSmallStep) {
  CRecordingDevice* pRec = new CRecordingDevice();
  CTestScene cScene(pRec);
  CRurIvaWorld* pWorld = cScene.addWorld();

  // The world is not initialised yet, so the first, huge measurement steps nothing.
  captured([&] { cScene.frameAt(std::numeric_limits<u32>::max() - 9); });  // 2^32 - 10
  ASSERT_EQ(pRec->getStepCounter(), 0);
  pWorld->initPhysics();

  cScene.frameAt(40);  // 50 ms later, past the wrap
  ASSERT_EQ(pRec->m_aStepTimes.size(), 2u);
  EXPECT_FLOAT_EQ(pRec->m_aStepTimes[1], 0.05f);
  EXPECT_EQ(pRec->getStepCounter(), 4);  // 0.05 = 3 * 0.016 + 0.002
  EXPECT_NEAR(pRec->getTimeAccumulator(), 0.05f - 4 * 0.016f, 1e-6f);
}

TEST(CoreManagerTime, AnotherEngineDeviceIsMeasuredFromItsTimeAtInstall) {
  CRecordingDevice* pRec = new CRecordingDevice();
  CTestScene cScene(pRec);
  CRurIvaWorld* pWorld = cScene.addWorld();
  captured([&] { cScene.frameAt(100000); });  // nothing to step yet
  pWorld->initPhysics();

  // A second engine device takes over (a new video mode, say), its clock behind the first's.
  irr::IrrlichtDevice* pSecond = irr::createDevice(irr::video::EDT_NULL);
  pSecond->getTimer()->setTime(500);
  cScene.m_pManager->install(pSecond);
  pSecond->getTimer()->setTime(516);
  const std::string sOut = captured([&] { cScene.m_pManager->step(); });
  EXPECT_FLOAT_EQ(pRec->m_aStepTimes.back(), 0.016f);
  EXPECT_EQ(pRec->getStepCounter(), 1);
  EXPECT_EQ(sOut, "");

  cScene.m_pManager->install(cScene.m_pIrr);
  pSecond->drop();
}

TEST(CoreManagerTime, QuickStepMeasuresTimeTheSameWay) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  pWorld->initPhysics();
  cScene.frameAt(0, /*bQuick=*/true);
  cScene.frameAt(50, /*bQuick=*/true);
  EXPECT_EQ(cScene.m_pDevice->getStepCounter(), 4);
  EXPECT_EQ(cScene.frames(), 2u);
}

TEST(CoreManagerTime, ASimulationStartedAgainRunsAsTheFirstDid) {
  // A ball falls for 4 frames of 41 ms, the simulation is closed (or cleared) and started again,
  // and the ball falls the same 4 frames from the same place. The first run's 11 steps end 12 ms
  // ahead of the clock; time left over by a closed simulation put the second one out of step with
  // its frames (10 steps), and the ball ended elsewhere.
  for (bool bClose : {true, false}) {
    SCOPED_TRACE(bClose ? "closeODE" : "clearODE");
    CTestScene cScene;
    CRurIvaWorld* pWorld = cScene.addWorld();
    CRurIvaBody* pBall = cScene.addSphereBody(pWorld, vector3df(0, 100, 0), 0.5f);
    const auto fall = [&](u32 iStartMs) {
      pWorld->initPhysics();
      for (u32 i = 0; i <= 4; ++i) cScene.frameAt(iStartMs + 41 * i);
      return pBall->getPosition();
    };
    const vector3df cFirst = fall(0);
    EXPECT_LT(cFirst.Y, 99.95f);
    if (bClose) {
      cScene.m_pManager->closeODE();
      cScene.m_pManager->initODE();
    } else {
      cScene.m_pManager->clearODE();
    }
    pBall->setPosition(vector3df(0, 100, 0));
    pBall->setLinearVelocity(vector3df(0, 0, 0));
    EXPECT_EQ(fall(164), cFirst);
  }
}

TEST(CoreManagerTime, WithoutATimerStepPrintsItsLineAndDoesNotStep) {
  CTestScene cScene(nullptr, CTestScene::eNotInstalled);
  CRurIvaWorld* pWorld = cScene.addWorld();
  pWorld->initPhysics();
  const std::string sStep = captured([&] { cScene.m_pManager->step(); });
  const std::string sQuick = captured([&] { cScene.m_pManager->quickStep(); });
  EXPECT_EQ(sStep, "###### CRurIvaManager::step: timer==NULL!\n");
  EXPECT_EQ(sQuick, "###### CRurIvaManager::quickStep: timer==NULL!\n");
  EXPECT_EQ(cScene.m_pDevice->getStepCounter(), 0);
  EXPECT_EQ(cScene.frames(), 0u);
}

//! A body-moved event built by hand, as a remote peer would deliver it.
irr::ode::CRurIvaEventBodyMoved* movedEvent(CRurIvaBody* pBody, u8 iFlags) {
  irr::ode::CRurIvaEventBodyMoved* e = new irr::ode::CRurIvaEventBodyMoved();
  e->setBody(pBody);
  e->setFlags(iFlags);
  e->setPosition(vector3df(1, 2, 3));
  e->setRotation(vector3df(10, 20, 30));
  e->setLinearVelocity(vector3df(4, 5, 6));
  e->setAngularVelocity(vector3df(7, 8, 9));
  e->setLinearDamping(0.25f);
  e->setAngularDamping(0.5f);
  return e;
}

TEST(CoreManagerEvents, BodyMovedAppliesOnlyTheFlaggedGroups) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pBody = cScene.add<CRurIvaBody>(pWorld, vector3df(-1, -1, -1));
  pBody->setNodeLinearVelocity(vector3df(0.5f, 0, 0));

  cScene.m_pManager->getQueue()->postEvent(
      movedEvent(pBody, irr::ode::siRurIvaEventPosition | irr::ode::siRurIvaEventRotation));
  EXPECT_VEC_NEAR(pBody->getPosition(), vector3df(1, 2, 3), 0.0f);
  EXPECT_VEC_NEAR(pBody->getRotation(), vector3df(10, 20, 30), 0.0f);
  EXPECT_VEC_NEAR(pBody->getNodeLinearVelocity(), vector3df(0.5f, 0, 0), 0.0f);
  EXPECT_VEC_NEAR(pBody->getNodeAngularVelocity(), vector3df(0, 0, 0), 0.0f);
  EXPECT_EQ(pBody->getNodeLinearDamping(), 0.0f);
  EXPECT_FALSE(pBody->dampingChanged());

  cScene.m_pManager->getQueue()->postEvent(
      movedEvent(pBody, irr::ode::siRurIvaEventAngularVel | irr::ode::siRurIvaEventDamping));
  EXPECT_VEC_NEAR(pBody->getNodeLinearVelocity(), vector3df(0.5f, 0, 0), 0.0f);
  EXPECT_VEC_NEAR(pBody->getNodeAngularVelocity(), vector3df(7, 8, 9), 0.0f);
  EXPECT_NEAR(pBody->getNodeLinearDamping(), 0.25f, 1e-4f);
  EXPECT_NEAR(pBody->getNodeAngularDamping(), 0.5f, 1e-4f);
  EXPECT_TRUE(pBody->dampingChanged());

  cScene.m_pManager->getQueue()->postEvent(movedEvent(pBody, irr::ode::siRurIvaEventLinearVel));
  EXPECT_VEC_NEAR(pBody->getNodeLinearVelocity(), vector3df(4, 5, 6), 0.0f);
  EXPECT_VEC_NEAR(pBody->getPosition(), vector3df(1, 2, 3), 0.0f);
}

TEST(CoreManagerEvents, BodyMovedFindsTheBodyByIdAndSetsOrClearsTheTouchedGeometry) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pBody = new CRurIvaBody(pWorld, cScene.m_pSmgr, 4711);
  pBody->drop();
  CRurIvaGeomPlane* pGround = new CRurIvaGeomPlane(pWorld, cScene.m_pSmgr, 4712);
  pGround->drop();

  irr::ode::CRurIvaEventBodyMoved* e = movedEvent(nullptr, irr::ode::siRurIvaEventPosition);
  e->setBodyId(4711);
  e->setTouchedId(4712);
  cScene.m_pManager->getQueue()->postEvent(e);
  EXPECT_VEC_NEAR(pBody->getPosition(), vector3df(1, 2, 3), 0.0f);
  EXPECT_EQ(pBody->getTouched(), pGround);

  // An event without a touched geometry clears the last one.
  e = movedEvent(nullptr, 0);
  e->setBodyId(4711);
  cScene.m_pManager->getQueue()->postEvent(e);
  EXPECT_EQ(pBody->getTouched(), nullptr);

  // An id that names no body is ignored.
  e = movedEvent(nullptr, irr::ode::siRurIvaEventPosition);
  e->setBodyId(999);
  e->setPosition(vector3df(9, 9, 9));
  cScene.m_pManager->getQueue()->postEvent(e);
  EXPECT_VEC_NEAR(pBody->getPosition(), vector3df(1, 2, 3), 0.0f);
}

TEST(CoreManagerEvents, SimulatedMotionReachesTheNodeOnlyThroughTheInstalledManager) {
  CTestScene cScene(nullptr, CTestScene::eNotInstalled);
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 10, 0), 0.5f);
  pWorld->initPhysics();
  cScene.simulate(pWorld, 0.5f);
  // Nobody applies the body-moved events: the node stays, the dynamics body fell.
  EXPECT_EQ(pBody->getPosition(), vector3df(0, 10, 0));
  EXPECT_LT(cScene.m_pDevice->bodyGetPosition(pBody->getBodyId()).Y, 9.0f);

  cScene.m_pManager->install(cScene.m_pIrr);
  cScene.steps(pWorld, 1);
  EXPECT_VEC_NEAR(pBody->getPosition(), cScene.m_pDevice->bodyGetPosition(pBody->getBodyId()), 1e-5f);
}

TEST(CoreManagerEvents, NodeRemovedQueuesTheNodeForDeletionButIgnoresIdMinusOne) {
  CTestScene cScene;
  CRurIvaManager* m = cScene.m_pManager;
  CRurIvaWorld* pWorld = cScene.addWorld();
  ISceneNode* pAnonymous = cScene.addEmpty(cScene.m_pRoot);  // id -1, like the root itself
  CRurIvaBody* pNamed = new CRurIvaBody(pWorld, cScene.m_pSmgr, 77);
  pNamed->drop();
  CRurIvaBody* pByPointer = cScene.addSphereBody(pWorld, vector3df(0, 5, 0), 1.0f);
  pWorld->initPhysics();
  const u32 iHandle = pByPointer->getBodyId();
  ASSERT_EQ(pWorld->getChildren().size(), 3u);  // the two bodies and the default space

  irr::ode::IRurIvaEventQueue* pQueue = m->getQueue();
  pQueue->postEvent(new irr::ode::CRurIvaEventNodeRemoved(-1));
  pQueue->postEvent(new irr::ode::CRurIvaEventNodeRemoved(77));
  m->removeSceneNode(pByPointer);
  // Nothing is deleted during the events; the scene manager does it when it next draws.
  EXPECT_EQ(pNamed->getParent(), pWorld);
  EXPECT_EQ(pByPointer->getParent(), pWorld);
  EXPECT_EQ(pWorld->getBodyCount(), 2u);
  cScene.m_pSmgr->drawAll();

  EXPECT_EQ(pAnonymous->getParent(), cScene.m_pRoot);
  EXPECT_EQ(cScene.m_pSmgr->getSceneNodeFromId(77), nullptr);
  EXPECT_EQ(pWorld->getChildren().size(), 1u);
  // The deleted bodies left the world and the physics, the initialised one its dynamics body.
  EXPECT_EQ(pWorld->getBodyCount(), 0u);
  EXPECT_EQ(cScene.m_pDevice->getBodyId(iHandle), nullptr);
  for (irr::ode::CRurIvaSceneNode* p : m->getRurIvaNodes())
    EXPECT_EQ(p->getType(), irr::ode::RUR_IVA_SPACE_ID);
  cScene.steps(pWorld, 2);
}

TEST(CoreManagerEvents, BodyRemovedByIdDestroysTheDynamicsBody) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pBody = new CRurIvaBody(pWorld, cScene.m_pSmgr, 88, vector3df(0, 5, 0));
  pBody->drop();
  pWorld->initPhysics();
  const u32 iHandle = pBody->getBodyId();
  ASSERT_NE(cScene.m_pDevice->getBodyId(iHandle), nullptr);

  // A removal that names the body by its id only, as a message from elsewhere does.
  irr::ode::CSerializer cMessage;
  cMessage.addU16(irr::ode::eRurIvaEventBodyRemoved);
  cMessage.addS32(88);
  irr::ode::CRurIvaEventBodyRemoved* e = new irr::ode::CRurIvaEventBodyRemoved(&cMessage, nullptr);
  ASSERT_EQ(e->getBody(), nullptr);
  ASSERT_EQ(e->getBodyId(), 88);
  cScene.m_pManager->getQueue()->postEvent(e);
  EXPECT_EQ(pBody->getBodyId(), 0u);
  EXPECT_EQ(cScene.m_pDevice->getBodyId(iHandle), nullptr);
  EXPECT_EQ(pWorld->getBodyCount(), 0u);
  EXPECT_FALSE(cScene.m_pManager->isRegisteredOdeSceneNode(pBody));
  EXPECT_EQ(pBody->getParent(), pWorld);  // the node itself stays in the scene
}

TEST(CoreManagerEvents, RemoveFromPhysicsWorksAlsoWithoutTheManagerListening) {
  CTestScene cScene(nullptr, CTestScene::eNotInstalled);
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 5, 0), 1.0f);
  pWorld->initPhysics();
  const u32 iHandle = pBody->getBodyId();

  CEventLog cLog;
  pBody->removeFromPhysics();
  EXPECT_EQ(cLog.count(irr::ode::eRurIvaEventBodyRemoved), 1);  // other listeners still hear of it
  EXPECT_EQ(pBody->getBodyId(), 0u);
  EXPECT_EQ(cScene.m_pDevice->getBodyId(iHandle), nullptr);
  EXPECT_EQ(pWorld->getBodyCount(), 0u);
  EXPECT_TRUE(pBody->getGeoms().empty());
  cScene.steps(pWorld, 2);
}

TEST(CoreManagerEvents, TheManagerHandlesOnlyItsThreeEventTypes) {
  CTestScene cScene;
  CRurIvaManager* m = cScene.m_pManager;
  irr::ode::CRurIvaEventStep cStep(0u);
  irr::ode::CRurIvaEventNodeRemoved cRemoved(-1);
  irr::ode::CRurIvaEventBodyMoved cMoved;
  EXPECT_FALSE(m->handlesEvent(&cStep));
  EXPECT_TRUE(m->handlesEvent(&cRemoved));
  EXPECT_TRUE(m->handlesEvent(&cMoved));
  EXPECT_TRUE(m->onEvent(&cMoved));  // handled, even without a body to apply it to
  EXPECT_FALSE(m->onEvent(&cRemoved));
  EXPECT_FALSE(m->onEvent(&cStep));
  EXPECT_FALSE(m->onEvent(nullptr));
}

TEST(CoreManagerLookup, SurfaceParametersAreFoundByNameOnlyWhenDefined) {
  CTestScene cScene;
  CRurIvaManager* m = cScene.m_pManager;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaGeomPlane* pGround = cScene.addGround(pWorld);
  CRurIvaSurfaceParameters* pUnnamed = pGround->getSurfaceParameters(0);
  ASSERT_EQ(m->getSurfaceParameters().size(), 1u);

  CRurIvaSurfaceParameters cUser, cDefinition, cLater;
  cUser.setName(L"ice");
  cUser.setUseDefined(true);
  cDefinition.setName(L"ice");
  cLater.setName(L"ice");
  m->addSurfaceParameter(&cUser);
  EXPECT_EQ(m->getSurfaceParameter(L"ice"), nullptr);  // a user is never a definition
  m->addSurfaceParameter(&cDefinition);
  m->addSurfaceParameter(&cLater);
  EXPECT_EQ(m->getSurfaceParameter(L"ice"), &cDefinition);
  EXPECT_EQ(m->getSurfaceParameter(L"snow"), nullptr);
  EXPECT_EQ(m->getSurfaceParameter(L""), nullptr);  // though the ground's set has that name
  EXPECT_STREQ(pUnnamed->getName(), L"");

  m->removeSurfaceParameter(&cDefinition);
  EXPECT_EQ(m->getSurfaceParameter(L"ice"), &cLater);
  m->removeSurfaceParameter(&cUser);
  m->removeSurfaceParameter(&cLater);
}

TEST(CoreManagerLookup, DampingSetsAreFoundInWorldsFirstThenInDefiningBodies) {
  CTestScene cScene;
  CRurIvaManager* m = cScene.m_pManager;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pUser = cScene.add<CRurIvaBody>(pWorld);
  CRurIvaBody* pDefiner = cScene.add<CRurIvaBody>(pWorld);
  pUser->setParamName(L"heavy");
  pUser->setUseDefined(true);
  pDefiner->setParamName(L"heavy");

  EXPECT_EQ(m->getDampableWithParamName(L"heavy"), pDefiner);  // the user is skipped
  pWorld->setParamName(L"heavy");
  EXPECT_EQ(m->getDampableWithParamName(L"heavy"), pWorld);  // worlds come first
  EXPECT_EQ(m->getDampableWithParamName(L"light"), nullptr);
  EXPECT_EQ(m->getDampableWithParamName(L""), nullptr);  // every unnamed node would match
  EXPECT_EQ(m->getDampableWithParamName(nullptr), nullptr);

  // A body outside every world is not registered and defines nothing.
  CRurIvaBody* pLoose = cScene.add<CRurIvaBody>(cScene.m_pRoot);
  pLoose->setParamName(L"loose");
  EXPECT_EQ(m->getDampableWithParamName(L"loose"), nullptr);
}

TEST(CoreManagerLookup, LoadSceneReportsAMissingFileAsFailure) {
  CTestScene cScene;
  CEventLog cLog;
  EXPECT_FALSE(cScene.m_pManager->loadScene("/nonexistent/folder/scene.irr", nullptr));
  EXPECT_EQ(cLog.count(irr::ode::eRurIvaEventLoadScene), 0);
}

}  // namespace
}  // namespace test
}  // namespace varrik
