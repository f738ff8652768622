// Stepping on the dynamics library's own threads: the same simulation as on one thread, the
// layer's callbacks and events on the thread that steps, and a pool that lives from the first
// threaded step until closeODE.
#include <gtest/gtest.h>
// The dynamics library itself, for its random numbers (see run()) and the bodies' state in
// its own double precision.
#include <ode/ode.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <thread>
#include <tuple>
#include <vector>

#include "CDeviceScene.h"
#include "CRurIvaBody.h"
#include "CRurIvaDevice.h"
#include "CRurIvaEventBodyMoved.h"
#include "CRurIvaEventQueue.h"
#include "CRurIvaGeomBox.h"
#include "CRurIvaManager.h"
#include "IRurIvaEventListener.h"
#include "TestChecks.h"

using namespace varrik::test;

namespace {

//! The number of threads of this process.
int processThreads() {
  FILE* f = fopen("/proc/self/status", "r");
  if (!f) return -1;
  char sLine[256];
  int n = -1;
  while (fgets(sLine, sizeof(sLine), f))
    if (strncmp(sLine, "Threads:", 8) == 0) n = atoi(sLine + 8);
  fclose(f);
  return n;
}

//! The number of threads once it has come down to iExpected, or what it is after five seconds.
//! A joined thread leaves the process's count a moment after the join returns (the kernel wakes
//! the joiner before it has taken the thread out of the group), so a count read right after the
//! pool went may still hold its threads.
int processThreadsAfterExits(int iExpected) {
  int n = processThreads();
  for (int i = 0; i < 5000 && n != iExpected; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    n = processThreads();
  }
  return n;
}

//! A vector's three floats as they are, for comparisons bit for bit (the engine's vectors
//! compare with a tolerance).
using TExact = std::array<f32, 3>;
TExact exact(const vector3df& v) { return {v.X, v.Y, v.Z}; }

//! Every body-moved event: which body, in which step, what it carried, and on which thread.
class CMovedLog : public irr::ode::IRurIvaEventListener {
 public:
  explicit CMovedLog(const std::vector<CRurIvaBody*>& aBodies) : m_aBodies(aBodies) {
    CRurIvaManager::getSharedInstance()->getQueue()->addEventListener(this);
  }
  ~CMovedLog() { CRurIvaManager::getSharedInstance()->getQueue()->removeEventListener(this); }
  bool handlesEvent(irr::ode::IRurIvaEvent* p) override {
    return p->getType() == irr::ode::eRurIvaEventBodyMoved || p->getType() == irr::ode::eRurIvaEventStep;
  }
  bool onEvent(irr::ode::IRurIvaEvent* p) override {
    m_aThreads.push_back(std::this_thread::get_id());
    if (p->getType() == irr::ode::eRurIvaEventStep) {
      ++m_iStep;
      return false;
    }
    irr::ode::CRurIvaEventBodyMoved* pMoved = static_cast<irr::ode::CRurIvaEventBodyMoved*>(p);
    const int iBody = static_cast<int>(std::find(m_aBodies.begin(), m_aBodies.end(), pMoved->getBody()) -
                                       m_aBodies.begin());
    m_aEvents.emplace_back(m_iStep, iBody, pMoved->getFlags(), exact(pMoved->getPosition()),
                           exact(pMoved->getRotation()), exact(pMoved->getLinearVelocity()),
                           exact(pMoved->getAngularVelocity()));
    return true;
  }

  using TEntry = std::tuple<int, int, u8, TExact, TExact, TExact, TExact>;
  const std::vector<CRurIvaBody*>& m_aBodies;
  int m_iStep = 0;
  std::vector<TEntry> m_aEvents;
  std::vector<std::thread::id> m_aThreads;
};

//! A body's whole state in the library, as bits: position, quaternion, linear and angular
//! velocity, accumulated force and torque, and whether it is enabled.
using TLibraryState = std::array<uint64_t, 21>;
TLibraryState libraryState(dBodyID b) {
  dReal a[21] = {};
  const dReal* aParts[] = {dBodyGetPosition(b),   dBodyGetQuaternion(b), dBodyGetLinearVel(b),
                           dBodyGetAngularVel(b), dBodyGetForce(b),      dBodyGetTorque(b)};
  const int aSizes[] = {3, 4, 3, 3, 3, 3};
  int n = 0;
  for (int iPart = 0; iPart < 6; ++iPart)
    for (int k = 0; k < aSizes[iPart]; ++k) a[n++] = aParts[iPart][k];
  a[n] = dBodyIsEnabled(b);
  TLibraryState s;
  static_assert(sizeof(s) == sizeof(a), "one word per value");
  memcpy(s.data(), a, sizeof(a));
  return s;
}

//! A node's absolute transformation, as bits.
std::array<uint32_t, 16> absoluteBits(const CRurIvaBody* p) {
  std::array<uint32_t, 16> a;
  memcpy(a.data(), p->getAbsoluteTransformation().pointer(), sizeof(a));
  return a;
}

struct SRun {
  std::vector<TExact> aNodes, aPositions, aRotations, aLinear, aAngular;
  std::vector<TLibraryState> aLibrary;
  std::vector<std::array<uint32_t, 16>> aAbsolute;
  std::vector<CMovedLog::TEntry> aEvents;
  std::vector<std::thread::id> aThreads;
};

/**
 * The same scene every time, stepped 60 frames on iThreads threads: boxes falling on the ground
 * apart from each other (an island each), a pile of boxes (one island) and two bodies on a hinge.
 */
SRun run(u32 iThreads, bool bQuick) {
  SRun r;
  // The library's iterative solver shuffles the constraints with the library's global random
  // numbers, so two runs in one process only compare when both start from the same seed.
  dRandSetSeed(0);
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  cScene.m_pManager->setStepThreads(iThreads);
  cScene.addGround(cScene.world())->initPhysics();
  std::vector<CRurIvaBody*> aBodies;
  for (int i = 0; i < 12; ++i)
    aBodies.push_back(cScene.addBoxBody(cScene.world(), vector3df(3.0f * i, 1.0f + 0.3f * i, 0),
                                        vector3df(1, 0.5f, 0.8f), vector3df(7.0f * i, 11.0f * i, 3)));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 3; ++x)
      aBodies.push_back(cScene.addBoxBody(
          cScene.world(), vector3df(x * 1.001f + 0.5f * (y % 2), 0.5f + y, 10), vector3df(1, 1, 1)));
  CRurIvaBody* pA = cScene.addBoxBody(cScene.world(), vector3df(-5, 3, 5), vector3df(1, 1, 1));
  CRurIvaBody* pB = cScene.addBoxBody(cScene.world(), vector3df(-3.5f, 3, 5), vector3df(1, 1, 1));
  aBodies.push_back(pA);
  aBodies.push_back(pB);
  for (CRurIvaBody* p : aBodies) p->initPhysics();
  const u32 j = cScene.m_cHandles.joint(d.jointCreateHinge(cScene.worldId()));
  d.jointAttach(j, pA, pB);
  d.jointSetHingeAnchor(j, vector3df(-4.25f, 3, 5));
  d.jointSetHingeAxis(j, vector3df(0, 0, 1));

  {
    CMovedLog cLog(aBodies);
    for (u32 i = 1; i <= 60; ++i) cScene.frameAt(16 * i, bQuick);
    r.aEvents = cLog.m_aEvents;
    r.aThreads = cLog.m_aThreads;
  }
  for (CRurIvaBody* p : aBodies) {
    r.aNodes.push_back(exact(p->getPosition()));
    r.aNodes.push_back(exact(p->getRotation()));
    r.aPositions.push_back(exact(d.bodyGetPosition(p->getBodyId())));
    r.aRotations.push_back(exact(d.bodyGetRotation(p->getBodyId())));
    r.aLinear.push_back(exact(d.bodyGetLinearVelocity(p->getBodyId())));
    r.aAngular.push_back(exact(d.bodyGetAngularVelocity(p->getBodyId())));
    r.aLibrary.push_back(libraryState(d.getBodyId(p->getBodyId())));
    r.aAbsolute.push_back(absoluteBits(p));
  }
  cScene.m_pManager->setStepThreads(0);
  // Within a step the threads may report bodies in another order than one thread does.
  std::sort(r.aEvents.begin(), r.aEvents.end(), [](const CMovedLog::TEntry& a, const CMovedLog::TEntry& b) {
    if (std::get<0>(a) != std::get<0>(b)) return std::get<0>(a) < std::get<0>(b);
    return std::get<1>(a) < std::get<1>(b);
  });
  return r;
}

}  // namespace

TEST(DeviceStepThreads, TwoThreadsSimulateExactlyWhatOneDoes) {
  for (bool bQuick : {false, true}) {
    SCOPED_TRACE(bQuick ? "quick step" : "step");
    const SRun cOne = run(1, bQuick);
    const SRun cTwo = run(2, bQuick);
    // Bit for bit: every body's whole state in the library's double precision, its pose and
    // velocities as the layer reads them, every node (relative and absolute), every body-moved
    // event.
    ASSERT_EQ(cOne.aLibrary.size(), 26u);
    EXPECT_TRUE(cTwo.aLibrary == cOne.aLibrary);
    EXPECT_TRUE(cTwo.aAbsolute == cOne.aAbsolute);
    EXPECT_EQ(cTwo.aPositions, cOne.aPositions);
    EXPECT_EQ(cTwo.aRotations, cOne.aRotations);
    EXPECT_EQ(cTwo.aLinear, cOne.aLinear);
    EXPECT_EQ(cTwo.aAngular, cOne.aAngular);
    EXPECT_EQ(cTwo.aNodes, cOne.aNodes);
    EXPECT_TRUE(cTwo.aEvents == cOne.aEvents);
    // The bodies did move: the comparison is not one of two scenes at rest.
    EXPECT_GT(cOne.aEvents.size(), 60u * 20u);
  }
}

TEST(DeviceStepThreads, CallbacksAndEventsStayOnTheSteppingThread) {
  const SRun cTwo = run(2, false);
  ASSERT_FALSE(cTwo.aThreads.empty());
  for (const std::thread::id& id : cTwo.aThreads) EXPECT_EQ(id, std::this_thread::get_id());
}

TEST(DeviceStepThreads, ThePoolLivesFromTheFirstThreadedStepUntilCloseODE) {
  const int iBefore = processThreads();
  ASSERT_GT(iBefore, 0);
  CRurIvaManager* pManager = CRurIvaManager::getSharedInstance();
  {
    CDeviceScene cScene;
    pManager->setStepThreads(2);
    EXPECT_EQ(pManager->getStepThreads(), 2u);
    EXPECT_EQ(processThreads(), iBefore);  // nothing made before a world steps
    cScene.addBoxBody(cScene.world(), vector3df(0, 2, 0), vector3df(1, 1, 1))->initPhysics();
    cScene.steps(2);
    EXPECT_EQ(processThreads(), iBefore + 2);
    // One thread again: the pool goes, and comes back with the next number above one.
    pManager->setStepThreads(1);
    cScene.steps(1);
    EXPECT_EQ(processThreadsAfterExits(iBefore), iBefore);
    pManager->setStepThreads(2);
    cScene.steps(1);
    EXPECT_EQ(processThreads(), iBefore + 2);
  }  // the scene closes the dynamics library
  EXPECT_EQ(processThreadsAfterExits(iBefore), iBefore);
  EXPECT_EQ(pManager->getStepThreads(), 2u);  // the number stays for the next start
  pManager->setStepThreads(0);
}

TEST(DeviceStepThreads, ANumberOfThreadsBeyondTheLimitIsCutToIt) {
  // A count that came from a negative number, and one far above any machine's cores: the
  // library would start threads until the system refused one, for minutes.
  const int iBefore = processThreads();
  CRurIvaManager* pManager = CRurIvaManager::getSharedInstance();
  for (u32 iAsked : {0xFFFFFFFFu, 100000u, irr::ode::IRurIvaDevice::kMaxStepThreads + 1}) {
    SCOPED_TRACE(iAsked);
    CDeviceScene cScene;
    const std::string sOut = captured([&] { pManager->setStepThreads(iAsked); });
    EXPECT_EQ(countOf(sOut, "threads asked, a world steps on at most 64\n"), 1) << sOut;
    EXPECT_EQ(pManager->getStepThreads(), irr::ode::IRurIvaDevice::kMaxStepThreads);
    CRurIvaBody* pBox = cScene.addBoxBody(cScene.world(), vector3df(0, 2, 0), vector3df(1, 1, 1));
    pBox->initPhysics();
    cScene.steps(2);
    EXPECT_EQ(processThreads(), iBefore + static_cast<int>(irr::ode::IRurIvaDevice::kMaxStepThreads));
    EXPECT_LT(pBox->getPosition().Y, 2.0f);
    pManager->setStepThreads(0);
  }
  EXPECT_EQ(processThreadsAfterExits(iBefore), iBefore);
}
