// Physics restarted in one process (closeODE then initODE, or clearODE): the same set-up comes
// back to life each time, and nodes from before touch nothing of a set-up built after.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "CRurIvaJointHinge.h"
#include "CRurIvaMotor.h"
#include "CTestScene.h"

namespace varrik {
namespace test {
namespace {

//! Restarts by closing and initialising the library again (true) or by clearing it (false).
class Restart : public testing::TestWithParam<bool> {};

TEST_P(Restart, TheSetUpComesBackAndOldNodesTouchNothingNew) {
  CTestScene cScene;
  CRurIvaManager* m = cScene.m_pManager;
  auto restart = [&] { GetParam() ? (m->closeODE(), m->initODE()) : m->clearODE(); };
  CRurIvaWorld* pWorld = cScene.world();
  cScene.addGround(pWorld);
  CRurIvaBody* pBall = cScene.addSphereBody(pWorld, vector3df(0, 3, 0), 0.5f);
  // A wheel on an axle fixed in the world, turned by a motor.
  auto* pAxle = cScene.add<irr::ode::CRurIvaJointHinge>(pWorld, vector3df(5, 3, 0));
  pAxle->setHingeAxis(vector3df(1, 0, 0));
  cScene.addSphereBody(pAxle, vector3df(0, 0, 0), 0.5f);
  auto* pMotor = cScene.add<irr::ode::CRurIvaMotor>(pAxle);
  pMotor->setVelocity(2.0f);
  pMotor->setForce(50.0f);
  pMotor->setEnabled(true);

  u32 iTime = 0;
  auto runFor = [&](CRurIvaWorld* pStart, int iFrames) {
    const std::string sOut = captured([&] {
      if (pStart) pStart->initPhysics();
      for (int i = 0; i < iFrames; ++i) cScene.frameAt(iTime += 16);
    });
    EXPECT_EQ(sOut.find("nothing stepped"), std::string::npos) << sOut;
  };
  for (int iRun = 0; iRun < 3; ++iRun) {
    SCOPED_TRACE(iRun);
    if (iRun > 0) restart();
    EXPECT_FALSE(pWorld->physicsInitialized());
    EXPECT_EQ(pBall->getBodyId(), 0u);
    pBall->setPosition(vector3df(0, 3, 0));
    runFor(pWorld, 120);
    // The ball fell and rests on the ground; the wheel turns at the motor's speed.
    EXPECT_NEAR(pBall->getPosition().Y, 0.5f, 0.05f);
    EXPECT_NEAR(std::fabs(pAxle->getHingeAngleRate()), 2.0f, 0.05f);
  }

  // A set-up built after a restart: the old one goes and takes nothing of the new one along.
  restart();
  CRurIvaWorld* pNew = cScene.addWorld();
  CRurIvaBody* pNewBody = cScene.addSphereBody(pNew, vector3df(0, 10, 0), 0.5f);
  pNew->initPhysics();
  pWorld->grab();
  pWorld->remove();
  pWorld->drop();
  runFor(nullptr, 60);
  EXPECT_LT(pNewBody->getPosition().Y, 6.0f);  // it fell for a second
}

INSTANTIATE_TEST_SUITE_P(CloseOrClear, Restart, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& i) { return i.param ? "Close" : "Clear"; });

}  // namespace
}  // namespace test
}  // namespace varrik
