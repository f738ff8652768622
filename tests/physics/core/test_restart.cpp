// Physics restarted in one process (closeODE then initODE, or clearODE): the nodes built before
// neither reach nor pass for the objects built after, and the same set-up comes back to life.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "CRurIvaJointHinge.h"
#include "CRurIvaMotor.h"
#include "CTestScene.h"

using irr::ode::CRurIvaJointHinge;
using irr::ode::CRurIvaMotor;

namespace varrik {
namespace test {
namespace {

//! Restarts by closing and initialising the library again (true) or by clearing it (false).
class Restart : public testing::TestWithParam<bool> {
 protected:
  void restart(CTestScene& cScene) {
    if (GetParam()) {
      cScene.m_pManager->closeODE();
      cScene.m_pManager->initODE();
    } else {
      cScene.m_pManager->clearODE();
    }
  }
};

TEST_P(Restart, TheSameSetUpComesBackAndIsSteppedAfterEveryRestart) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.world();
  cScene.addGround(pWorld);
  CRurIvaBody* pBall = cScene.addSphereBody(pWorld, vector3df(0, 3, 0), 0.5f);
  // A wheel on an axle fixed in the world, turned by a motor.
  CRurIvaJointHinge* pAxle = cScene.add<CRurIvaJointHinge>(pWorld, vector3df(5, 3, 0));
  pAxle->setHingeAxis(vector3df(1, 0, 0));
  cScene.addSphereBody(pAxle, vector3df(0, 0, 0), 0.5f);
  CRurIvaMotor* pMotor = cScene.add<CRurIvaMotor>(pAxle);
  pMotor->setVelocity(2.0f);
  pMotor->setForce(50.0f);
  pMotor->setEnabled(true);

  u32 iTime = 0;
  for (int iRun = 0; iRun < 3; ++iRun) {
    SCOPED_TRACE(iRun);
    if (iRun > 0) restart(cScene);
    EXPECT_FALSE(pWorld->physicsInitialized());
    pBall->setPosition(vector3df(0, 3, 0));
    const std::string sOut = captured([&] {
      pWorld->initPhysics();
      for (int i = 0; i < 120; ++i) cScene.frameAt(iTime += 16);
    });
    EXPECT_EQ(sOut.find("nothing stepped"), std::string::npos) << sOut;
    // The ball fell and rests on the ground; the wheel turns at the motor's speed.
    EXPECT_NEAR(pBall->getPosition().Y, 0.5f, 0.05f);
    EXPECT_NEAR(std::fabs(pAxle->getHingeAngleRate()), 2.0f, 0.05f);
  }
}

TEST_P(Restart, NodesFromBeforeTouchNothingOfASetUpBuiltAfter) {
  CTestScene cScene;
  CRurIvaWorld* pOld = cScene.addWorld();
  CRurIvaBody* pOldBody = cScene.addSphereBody(pOld, vector3df(0, 10, 0), 0.5f);
  pOld->initPhysics();
  cScene.steps(pOld, 10);
  restart(cScene);
  EXPECT_FALSE(pOldBody->physicsInitialized());
  EXPECT_EQ(pOldBody->getBodyId(), 0u);
  EXPECT_EQ(pOld->getWorldId(), 0u);

  CRurIvaWorld* pNew = cScene.addWorld();
  CRurIvaBody* pNewBody = cScene.addSphereBody(pNew, vector3df(0, 10, 0), 0.5f);
  pNew->initPhysics();
  // The old set-up goes and takes nothing of the new one with it.
  pOld->grab();
  pOld->remove();
  pOld->drop();
  const std::string sOut = captured([&] {
    for (u32 t = 16; t <= 1000; t += 16) cScene.frameAt(t);
  });
  EXPECT_EQ(sOut.find("nothing stepped"), std::string::npos) << sOut;
  EXPECT_LT(pNewBody->getPosition().Y, 6.0f);  // it fell for a second
}

INSTANTIATE_TEST_SUITE_P(CloseOrClear, Restart, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& i) { return i.param ? "Close" : "Clear"; });

}  // namespace
}  // namespace test
}  // namespace varrik
