// The step limit per frame: after a long stall the simulation runs at most the allowed number of
// fixed steps and drops the rest of the time, counting it, without a word on the console.
#include <gtest/gtest.h>

#include "CRurIvaBody.h"
#include "CRurIvaManager.h"
#include "CRurIvaWorld.h"
#include "CTestScene.h"

namespace varrik {
namespace test {
namespace {

struct SStall {
  const char* sName;
  u32 iMaxSteps;
  bool bQuick;
  s32 iStepsOfStall;
  double fDropped;
};

void PrintTo(const SStall& c, std::ostream* pOut) { *pOut << c.sName; }

class CoreStepCap : public testing::TestWithParam<SStall> {};

TEST_P(CoreStepCap, ATwoSecondStallRunsTheAllowedStepsAndDropsTheRest) {
  const SStall& c = GetParam();
  CTestScene cScene;
  CRurIvaBody* pBody = cScene.addSphereBody(cScene.world(), vector3df(0, 1000, 0), 0.5f);
  cScene.init();
  cScene.m_pManager->setMaxStepsPerFrame(c.iMaxSteps);
  EXPECT_EQ(cScene.m_pManager->getMaxStepsPerFrame(), c.iMaxSteps);
  cScene.frameAt(0, c.bQuick);
  cScene.frameAt(16, c.bQuick);
  ASSERT_EQ(cScene.m_pDevice->getStepCounter(), 1);

  const f32 fBefore = pBody->getPosition().Y;
  const std::string sOut = captured([&] { cScene.frameAt(2016, c.bQuick); });
  EXPECT_EQ(cScene.m_pDevice->getStepCounter() - 1, c.iStepsOfStall);
  EXPECT_NEAR(cScene.m_pManager->getDroppedTime(), c.fDropped, 1e-4);
  EXPECT_EQ(sOut, "") << "a dropped stall is not reported on the console";
  // The body fell for the simulated steps only.
  const f32 fSimulated = c.iStepsOfStall * kStep;
  EXPECT_LT(pBody->getPosition().Y, fBefore);
  EXPECT_GT(pBody->getPosition().Y, fBefore - kGravity * (0.016f + fSimulated) * fSimulated - 1.0f);

  // The next ordinary frame runs as usual: the program resumes at once.
  const s32 iSteps = cScene.m_pDevice->getStepCounter();
  cScene.frameAt(2032, c.bQuick);
  EXPECT_EQ(cScene.m_pDevice->getStepCounter() - iSteps, 1);
  EXPECT_NEAR(cScene.m_pManager->getDroppedTime(), c.fDropped, 1e-4);
}

INSTANTIATE_TEST_SUITE_P(Stalls, CoreStepCap,
                         testing::Values(SStall{"Eight", 8, false, 8, 2.0 - 8 * 0.016},
                                         SStall{"EightQuick", 8, true, 8, 2.0 - 8 * 0.016},
                                         // No limit, the default: two seconds of 16 ms steps are caught up.
                                         SStall{"None", 0, false, 125, 0.0}),
                         [](const testing::TestParamInfo<SStall>& i) { return std::string(i.param.sName); });

TEST(CoreStepCapDefault, NoLimitUntilOneIsSet) {
  CTestScene cScene;
  EXPECT_EQ(cScene.m_pManager->getMaxStepsPerFrame(), 0u);
  EXPECT_EQ(cScene.m_pManager->getDroppedTime(), 0.0);
}

}  // namespace
}  // namespace test
}  // namespace varrik
