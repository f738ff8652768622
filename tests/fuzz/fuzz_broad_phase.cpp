// The broad phase of hash spaces against every pair tried one by one and against the dynamics
// library's own hash space.
// The bytes choose the space's levels and up to 64 geometries: kind (box, sphere, capsule,
// cylinder, ray, plane), size (down to none at all), place (on quarter steps near the origin,
// anywhere within a thousand units, or far out), body (none, a new one, the one before),
// category and collide bits, enabled or not; then bodies move between passes.
//
// What is promised: every pair of geometries whose bounds meet and whose rules let them meet is
// handed on once and no other; the pairs the library's hash space finds come in its order (where
// it would not abort on a geometry far out); and nothing aborts.
#include <ode/ode.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <utility>
#include <vector>

#include "../physics/support/BroadPhasePairs.h"
#include "CRurIvaBroadPhase.h"
#include "FuzzSupport.h"

using irr::ode::CRurIvaBroadPhase;
using namespace varrik::test;

namespace {

class CBytes {
 public:
  CBytes(const std::uint8_t* pData, size_t iSize) : m_pData(pData), m_iSize(iSize) {}
  std::uint8_t byte() { return m_iPos < m_iSize ? m_pData[m_iPos++] : 0; }
  unsigned pick(unsigned n) { return byte() % n; }
  bool done() const { return m_iPos >= m_iSize; }
  //! A size: none, quarters up to 4, or 10 to a power from -3 to 3.
  double size() {
    switch (pick(4)) {
      case 0:
        return byte() < 32 ? 0.0 : 0.25 * (1 + pick(16));
      case 1:
        return 0.25 * (1 + pick(16));
      default:
        return std::pow(10.0, -3.0 + 6.0 * byte() / 255.0);
    }
  }
  //! A coordinate: quarters near the origin, anywhere within a thousand, or far out.
  double coordinate() {
    switch (pick(8)) {
      case 0:
        return (byte() - 127.5) * 1e3 / 127.5;
      case 1:
        return (byte() < 128 ? -1.0 : 1.0) * std::pow(10.0, 6.0 + 7.0 * byte() / 255.0);
      default:
        return 0.25 * (static_cast<int>(pick(17)) - 8);
    }
  }

 private:
  const std::uint8_t* m_pData;
  size_t m_iSize;
  size_t m_iPos = 0;
};

//! Whether the library's hash space can number the cells of every geometry (it aborts otherwise).
bool libraryCanNumber(const std::vector<dGeomID>& aTaking, int iMinLevel, int iMaxLevel) {
  for (dGeomID g : aTaking) {
    dReal b[6];
    dGeomGetAABB(g, b);
    if (b[0] <= -dInfinity || b[1] >= dInfinity || b[2] <= -dInfinity || b[3] >= dInfinity ||
        b[4] <= -dInfinity || b[5] >= dInfinity)
      continue;
    const double q = std::max({b[1] - b[0], b[3] - b[2], b[5] - b[4]});
    int iLevel = 0;
    std::frexp(q, &iLevel);
    iLevel = std::max(iLevel, iMinLevel);
    if (iLevel > iMaxLevel) continue;
    const double fRecip = 1.0 / std::ldexp(1.0, iLevel);
    for (int i = 0; i < 6; ++i) {
      const double f = b[i] * fRecip;
      if (!(f >= static_cast<double>(INT_MIN) && f < static_cast<double>(INT_MAX))) return false;
    }
  }
  return true;
}

const unsigned long kBits[] = {~0ul, 1, 2, 3, 0};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, size_t iSize) {
  static const bool bInit = [] { return dInitODE2(0) != 0; }();
  (void)bInit;
  static CRurIvaBroadPhase s_cBroadPhase;
  CBytes c(pData, iSize);

  dWorldID w = dWorldCreate();
  dSpaceID s = dHashSpaceCreate(0);
  dSpaceSetCleanup(s, 1);
  const int iMinLevel = static_cast<int>(c.pick(13)) - 8;
  const int iMaxLevel = iMinLevel + static_cast<int>(c.pick(15));
  dHashSpaceSetLevels(s, iMinLevel, iMaxLevel);

  std::vector<dGeomID> aTaking;
  std::vector<dBodyID> aBodies;
  const unsigned iCount = 2 + c.pick(63);
  for (unsigned i = 0; i < iCount && !c.done(); ++i) {
    const unsigned iKind = c.pick(12);
    const double a = c.size(), b = c.size(), d = c.size();
    dGeomID g = 0;
    bool bSized = true;
    if (iKind < 3) {
      g = dCreateBox(s, a, b, d);
      bSized = a != 0 && b != 0 && d != 0;
    } else if (iKind < 6) {
      g = dCreateSphere(s, a);
      bSized = a != 0;
    } else if (iKind < 8) {
      g = dCreateCapsule(s, a, b);
      bSized = a != 0;
    } else if (iKind < 10) {
      g = dCreateCylinder(s, a, b);
      bSized = a != 0 && b != 0;
    } else if (iKind < 11) {
      g = dCreateRay(s, a);
    } else {
      g = dCreatePlane(s, 0, 1, 0, c.coordinate());
    }
    const bool bPlane = iKind == 11;
    const double x = c.coordinate(), y = c.coordinate(), z = c.coordinate();
    const unsigned iBody = bPlane ? 0 : c.pick(3);
    if (iBody == 0) {
      if (!bPlane) {
        dGeomSetPosition(g, x, y, z);
        if (c.byte() & 1) {
          dMatrix3 r;
          dRFromEulerAngles(r, c.byte() / 40.0, c.byte() / 40.0, c.byte() / 40.0);
          dGeomSetRotation(g, r);
        }
      }
    } else {
      if (iBody == 1 || aBodies.empty()) {
        aBodies.push_back(dBodyCreate(w));
        dBodySetPosition(aBodies.back(), x, y, z);
      }
      dGeomSetBody(g, aBodies.back());
    }
    const std::uint8_t iBits = c.byte();
    dGeomSetCategoryBits(g, kBits[iBits % 5]);
    dGeomSetCollideBits(g, kBits[(iBits / 5) % 5]);
    const bool bEnabled = c.pick(8) != 0;
    if (!bEnabled) dGeomDisable(g);
    if (bEnabled && bSized) aTaking.push_back(g);
  }
  bool bLibrary = libraryCanNumber(aTaking, iMinLevel, iMaxLevel);

  for (int iPass = 0; iPass < 3; ++iPass) {
    std::vector<TPair> aOurs;
    s_cBroadPhase.collide(s, &aOurs, recordPair);
    const std::set<TPair> cOurs = asSet(aOurs);
    FUZZ_CHECK(cOurs.size() == aOurs.size(), "pass %d: a pair was handed on twice", iPass);
    const std::set<TPair> cEvery = everyPair(aTaking);
    FUZZ_CHECK(cOurs == cEvery, "pass %d: %zu pairs handed on, %zu meet", iPass, cOurs.size(), cEvery.size());
    if (bLibrary && dSpaceGetNumGeoms(s) >= 2) {
      std::vector<TPair> aLibrary;
      dSpaceCollide(s, &aLibrary, recordPair);
      FUZZ_CHECK(foundByBoth(aOurs, aLibrary) == aLibrary,
                 "pass %d: the library's %zu pairs come in another order", iPass, aLibrary.size());
    }
    // Some bodies move: their geometries go first in the space's list for the next pass.
    for (size_t i = iPass % 2; i < aBodies.size(); i += 2) {
      const dReal* p = dBodyGetPosition(aBodies[i]);
      dBodySetPosition(aBodies[i], p[0] + 0.25 * (c.pick(5) - 2.0), p[1], p[2] - 0.25);
    }
    bLibrary = libraryCanNumber(aTaking, iMinLevel, iMaxLevel);
  }
  dSpaceDestroy(s);
  dWorldDestroy(w);
  return 0;
}
