// The state hash of the headless runner: equal for set-ups that end alike bit for bit, different
// for any difference in any body's state or in the order of the bodies.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>

#include "CPhysicsScene.h"
#include "StateHash.h"

using namespace irr;
using namespace irr::ode;
using irr::core::vector3df;
using varrik::sim::fnv1a;
using varrik::sim::kFnvOffsetBasis;
using varrik::sim::stateHash;
using varrik::test::CPhysicsScene;

namespace {

//! A ball and a box falling onto the ground side by side for iSteps steps, the ball first unless
//! asked otherwise; the hash of the end state, after fChange has been applied to it.
std::uint64_t fallingHash(int iSteps, bool bBoxFirst = false,
                          const std::function<void(CPhysicsScene&, CRurIvaBody*)>& fChange = {}) {
  CPhysicsScene s;
  s.addGround(s.world());
  CRurIvaBody* pBall = nullptr;
  CRurIvaBody* pBox = nullptr;
  if (bBoxFirst)
    pBox = s.addBoxBody(s.world(), vector3df(2, 3, 0), vector3df(1, 1, 1), vector3df(10, 20, 30));
  pBall = s.addSphereBody(s.world(), vector3df(0, 2, 0), 0.5f);
  if (!bBoxFirst)
    pBox = s.addBoxBody(s.world(), vector3df(2, 3, 0), vector3df(1, 1, 1), vector3df(10, 20, 30));
  s.init();
  s.steps(iSteps);
  if (fChange) fChange(s, pBall);
  (void)pBox;
  const std::uint64_t iHash = stateHash();
  s.close();
  return iHash;
}

}  // namespace

TEST(StateHash, IsTheFnv1aHashOfItsBytes) {
  EXPECT_EQ(fnv1a(kFnvOffsetBasis, "", 0), 0xcbf29ce484222325ull);
  EXPECT_EQ(fnv1a(kFnvOffsetBasis, "a", 1), 0xaf63dc4c8601ec8cull);
  EXPECT_EQ(fnv1a(kFnvOffsetBasis, "foobar", 6), 0x85944171f73967e8ull);
  // Hashing in pieces is hashing the whole.
  EXPECT_EQ(fnv1a(fnv1a(kFnvOffsetBasis, "foo", 3), "bar", 3), 0x85944171f73967e8ull);
}

TEST(StateHash, RunsThatEndAlikeHashAlikeAndAnyDifferenceShows) {
  const std::uint64_t iFirst = fallingHash(40);
  EXPECT_EQ(fallingHash(40), iFirst);
  // One more step, the bodies in the other order, a velocity one float step off, a body
  // without dynamics object: each changes the hash.
  EXPECT_NE(fallingHash(41), iFirst);
  EXPECT_NE(fallingHash(40, true), iFirst);
  EXPECT_NE(fallingHash(40, false,
                        [](CPhysicsScene& s, CRurIvaBody* pBall) {
                          vector3df v = s.m_pDevice->bodyGetLinearVelocity(pBall->getBodyId());
                          v.Y = std::nextafter(v.Y, 0.0f);
                          s.m_pDevice->bodySetLinearVelocity(pBall->getBodyId(), v);
                        }),
            iFirst);
  EXPECT_NE(fallingHash(40, false, [](CPhysicsScene& s, CRurIvaBody*) { s.add<CRurIvaBody>(s.world()); }),
            iFirst);
}

TEST(StateHash, WithoutBodiesItIsTheStartOfTheHash) {
  CPhysicsScene s;
  s.addGround(s.world());
  s.init();
  EXPECT_EQ(stateHash(), kFnvOffsetBasis);
}
