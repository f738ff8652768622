// The broad phase of hash spaces against the dynamics library's own: every pair whose bounds
// meet, each once, those the library finds in its order (a scene then simulates to the same bit),
// and no abort where the library's would abort.
#include <gtest/gtest.h>
#include <ode/ode.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "BroadPhasePairs.h"
#include "CRurIvaBroadPhase.h"

using irr::ode::CRurIvaBroadPhase;
using namespace varrik::test;

namespace {

struct SSceneDef {
  const char* sName;
  unsigned iSeed;
  int iCount;
  //! Sides (or radii) between these, spread log-uniformly.
  double fMinSize, fMaxSize;
  //! Positions within +-fSpread on every axis.
  double fSpread;
  //! The space's levels; none set where iMinLevel > iMaxLevel.
  int iMinLevel, iMaxLevel;
  //! Positions and sizes in quarters, so that bounds fall on cell edges.
  bool bOnEdges;
  //! Positions from 0 up only, where the library's bucket numbers wrap (see below).
  bool bPositive;
  //! A plane, a box larger than the top level, and a nested space among the geometries.
  bool bExtras;
  //! A geometry so far out that the library's hash space aborts (compared by brute force only).
  bool bFar;
};

struct SScene {
  dWorldID w = 0;
  dSpaceID s = 0;
  //! The geometries that take part: enabled and of some size.
  std::vector<dGeomID> aTaking;
  std::vector<dBodyID> aBodies;
  ~SScene() {
    dSpaceDestroy(s);
    dWorldDestroy(w);
  }
};

void build(const SSceneDef& d, SScene& c) {
  std::mt19937 cRandom(d.iSeed);
  auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(cRandom); };
  auto quarter = [&](double f) { return d.bOnEdges ? std::round(f * 4) / 4 : f; };
  auto size = [&](double f) { return d.bOnEdges ? std::max(0.25, quarter(f)) : f; };
  c.w = dWorldCreate();
  c.s = dHashSpaceCreate(0);
  dSpaceSetCleanup(c.s, 1);
  if (d.iMinLevel <= d.iMaxLevel) dHashSpaceSetLevels(c.s, d.iMinLevel, d.iMaxLevel);
  for (int i = 0; i < d.iCount; ++i) {
    const double fSize = size(d.fMinSize * std::pow(d.fMaxSize / d.fMinSize, uniform(0, 1)));
    dGeomID g = 0;
    bool bSized = true;
    switch (i % 4) {
      case 0:
        g = dCreateBox(c.s, fSize, size(fSize * uniform(0.3, 1)), fSize);
        break;
      case 1:
        g = dCreateSphere(c.s, fSize / 2);
        break;
      case 2:
        g = dCreateCapsule(c.s, fSize / 4, fSize / 2);
        break;
      default:
        g = dCreateCylinder(c.s, fSize / 4, fSize / 2);
        break;
    }
    // Every 11th has no size: a flat box, a point, a capsule without length (which still has a
    // size: it is a sphere), a cylinder without length.
    if (i % 11 == 5) {
      switch (i % 4) {
        case 0:
          dGeomBoxSetLengths(g, fSize, 0, fSize);
          break;
        case 1:
          dGeomSphereSetRadius(g, 0);
          break;
        case 2:
          dGeomCapsuleSetParams(g, fSize / 4, 0);
          break;
        default:
          dGeomCylinderSetParams(g, fSize / 4, 0);
          break;
      }
      bSized = i % 4 == 2;
    }
    const double fLow = d.bPositive ? 0 : -d.fSpread;
    const double x = quarter(uniform(fLow, d.fSpread)), y = quarter(uniform(fLow, d.fSpread)),
                 z = quarter(uniform(fLow, d.fSpread));
    // Half on bodies, and every sixth on the body before it (a pair of one body is no pair).
    if (i % 2 == 0) {
      dBodyID b = 0;
      if (i % 6 == 0 && !c.aBodies.empty()) {
        b = c.aBodies.back();
      } else {
        b = dBodyCreate(c.w);
        c.aBodies.push_back(b);
        dBodySetPosition(b, x, y, z);
      }
      dGeomSetBody(g, b);
    } else {
      dGeomSetPosition(g, x, y, z);
      if (!d.bOnEdges) {
        dMatrix3 r;
        dRFromEulerAngles(r, uniform(0, 3), uniform(0, 3), uniform(0, 3));
        dGeomSetRotation(g, r);
      }
    }
    // Two groups that do not meet each other, and the rest that meet both.
    if (i % 5 == 1) {
      dGeomSetCategoryBits(g, 1);
      dGeomSetCollideBits(g, 1);
    } else if (i % 5 == 2) {
      dGeomSetCategoryBits(g, 2);
      dGeomSetCollideBits(g, 2);
    }
    const bool bEnabled = i % 7 != 3;
    if (!bEnabled) dGeomDisable(g);
    if (bEnabled && bSized) c.aTaking.push_back(g);
  }
  if (d.bExtras) {
    c.aTaking.push_back(dCreatePlane(c.s, 0, 1, 0, -d.fSpread / 2));
    c.aTaking.push_back(dCreateBox(c.s, 5000, 1, 1));
    dSpaceID pNested = dSimpleSpaceCreate(c.s);
    for (int i = 0; i < 3; ++i) dGeomSetPosition(dCreateSphere(pNested, 1), i, uniform(0, 2), 0);
    c.aTaking.push_back(reinterpret_cast<dGeomID>(pNested));
  }
  if (d.bFar) {
    dGeomID g = dCreateSphere(c.s, 0.5);
    dGeomSetPosition(g, 1e12, 0, 0);
    c.aTaking.push_back(g);
    g = dCreateSphere(c.s, 0.5);
    dGeomSetPosition(g, 1e12, 0.5, 0);
    c.aTaking.push_back(g);
  }
}

class BroadPhase : public ::testing::TestWithParam<SSceneDef> {
 protected:
  static void SetUpTestSuite() { dInitODE2(0); }
  static void TearDownTestSuite() { dCloseODE(); }
  //! One broad phase for every scene, as a device keeps one: the buffers of the scenes before
  //! are used again.
  static CRurIvaBroadPhase s_cBroadPhase;
};
CRurIvaBroadPhase BroadPhase::s_cBroadPhase;

const SSceneDef kScenes[] = {
    // name, seed, count, sizes, spread, levels, on edges, positive, extras, far
    {"MixedSizes", 1, 300, 0.05, 40, 30, 1, 0, false, false, true, false},
    {"SmallAndCrowded", 2, 400, 0.2, 1.5, 4, 1, 0, false, false, false, false},
    {"OnCellEdges", 3, 300, 0.25, 8, 10, 1, 0, true, false, true, false},
    {"NearTheOrigin", 9, 200, 0.25, 1.5, 3, 1, 0, true, true, false, false},
    {"FewLevels", 4, 250, 0.1, 60, 40, 0, 2, false, false, true, false},
    {"OneLevel", 5, 200, 0.5, 3, 8, 1, 1, false, false, false, false},
    {"FineLevels", 6, 200, 0.01, 0.5, 2, -12, -4, false, false, true, false},
    {"Two", 7, 2, 1, 1, 0.3, 1, 0, false, false, false, false},
    {"FarOut", 8, 100, 0.5, 4, 10, 1, 0, false, false, true, true},
};

TEST_P(BroadPhase, FindsTheLibrarysPairsInItsOrder) {
  const SSceneDef& d = GetParam();
  SScene c;
  build(d, c);
  for (int iPass = 0; iPass < 3; ++iPass) {
    SCOPED_TRACE("pass " + std::to_string(iPass));
    std::vector<TPair> aOurs;
    s_cBroadPhase.collide(c.s, &aOurs, recordPair);
    const std::set<TPair> cOurs = asSet(aOurs);
    EXPECT_EQ(cOurs.size(), aOurs.size()) << "a pair was handed on twice";
    EXPECT_EQ(cOurs, everyPair(c.aTaking));
    if (!d.bFar) {
      // The library's hash space loses some pairs whose cells cross from -1 to 0 near the origin
      // (its buckets are numbered in unsigned longs that wrap there): every other pair comes in
      // the library's order.
      std::vector<TPair> aLibrary;
      dSpaceCollide(c.s, &aLibrary, recordPair);
      EXPECT_EQ(foundByBoth(aOurs, aLibrary), aLibrary);
      // Geometries on quarter steps from the origin up meet the pairs the library loses.
      if (d.bPositive) {
        EXPECT_GT(aOurs.size(), aLibrary.size());
      }
    }
    // Bodies that move leave their geometries first in the space's list for the next pass.
    for (size_t i = 0; i < c.aBodies.size(); i += 3) {
      const dReal* p = dBodyGetPosition(c.aBodies[i]);
      dBodySetPosition(c.aBodies[i], p[0] + 0.3, p[1] - 0.2, p[2]);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Scenes, BroadPhase, ::testing::ValuesIn(kScenes),
                         [](const ::testing::TestParamInfo<SSceneDef>& i) {
                           return std::string(i.param.sName);
                         });

// A pass started from the near callback of another (a callback colliding a space of its own) is
// the library's: both passes find what they would alone.
TEST(BroadPhaseNested, APassFromItsOwnCallbackIsTheLibrarys) {
  dInitODE2(0);
  {
    SScene cOuter, cInner;
    build(kScenes[1], cOuter);
    build(kScenes[5], cInner);
    struct SState {
      CRurIvaBroadPhase* p;
      dSpaceID pInner;
      std::vector<TPair> aOuter, aInner;
    };
    CRurIvaBroadPhase cBroadPhase;
    SState s{&cBroadPhase, cInner.s, {}, {}};
    cBroadPhase.collide(cOuter.s, &s, [](void* pData, dGeomID a, dGeomID b) {
      SState* p = static_cast<SState*>(pData);
      if (p->aOuter.empty()) p->p->collide(p->pInner, &p->aInner, recordPair);
      p->aOuter.push_back({a, b});
    });
    std::vector<TPair> aOuter, aInner;
    dSpaceCollide(cOuter.s, &aOuter, recordPair);
    dSpaceCollide(cInner.s, &aInner, recordPair);
    EXPECT_FALSE(aOuter.empty());
    EXPECT_EQ(s.aOuter, aOuter);
    EXPECT_EQ(s.aInner, aInner);
    // And the next pass is its own again.
    std::vector<TPair> aAgain;
    cBroadPhase.collide(cInner.s, &aAgain, recordPair);
    EXPECT_EQ(aAgain, aInner);
  }
  dCloseODE();
}

}  // namespace
