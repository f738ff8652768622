// Rotation conversions: Euler angles in degrees (the scene graph's convention) to the library's
// (w, x, y, z) quaternions and back, and the rotation matrix read-back of a body.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "CHandles.h"
#include "CRurIvaDevice.h"
#include "TestChecks.h"

using namespace varrik::test;

namespace {

// The same rotation within float rounding, whatever the Euler angles chosen to name it.
void expectSameRotation(const vector3df& a, const vector3df& b) {
  irr::core::matrix4 ma, mb;
  ma.setRotationDegrees(a);
  mb.setRotationDegrees(b);
  for (int i = 0; i < 16; ++i)
    EXPECT_NEAR(ma[i], mb[i], 1e-4f) << "element " << i << " of " << a.X << "," << a.Y << "," << a.Z;
}

}  // namespace

TEST(DeviceRotation, IdentityAndQuarterTurnAboutX) {
  f32 q[4];
  CRurIvaDevice::eulerToQuaternion(vector3df(0, 0, 0), q);
  EXPECT_FLOAT_EQ(q[0], 1.0f);
  EXPECT_FLOAT_EQ(q[1], 0.0f);
  EXPECT_FLOAT_EQ(q[2], 0.0f);
  EXPECT_FLOAT_EQ(q[3], 0.0f);
  vector3df e(5, 5, 5);
  const f32 qIdentity[4] = {1, 0, 0, 0};
  CRurIvaDevice::quaternionToEuler(qIdentity, e);
  EXPECT_EQ(e, vector3df(0, 0, 0));

  CRurIvaDevice::eulerToQuaternion(vector3df(90, 0, 0), q);
  EXPECT_NEAR(q[0], 0.7071068f, 1e-6f);
  EXPECT_NEAR(q[1], 0.7071068f, 1e-6f);
  EXPECT_NEAR(q[2], 0.0f, 1e-7f);
  EXPECT_NEAR(q[3], 0.0f, 1e-7f);
  CRurIvaDevice::quaternionToEuler(q, e);
  EXPECT_VEC_NEAR(e, vector3df(90, 0, 0), 1e-4f);
}

TEST(DeviceRotation, EulerQuaternionEulerRoundTripsWithinTheAngleRanges) {
  // X and Z in (-180, 180], Y in (-90, 90): the angles come back as they went in.
  for (f32 x = -170; x <= 180; x += 37.5f)
    for (f32 y = -85; y <= 85; y += 21.25f)
      for (f32 z = -175; z <= 180; z += 44.0f) {
        f32 q[4];
        CRurIvaDevice::eulerToQuaternion(vector3df(x, y, z), q);
        EXPECT_NEAR(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3], 1.0f, 1e-5f);
        vector3df e;
        CRurIvaDevice::quaternionToEuler(q, e);
        EXPECT_VEC_NEAR(e, vector3df(x, y, z), 2e-3f);
      }
}

TEST(DeviceRotation, QuaternionFollowsTheSceneGraphRotationOrder) {
  // A body turned by Euler angles moves its points as the engine's matrix of the same angles.
  CRurIvaDevice d;
  CHandles h(&d);
  const u32 b = h.body(d.bodyCreate(h.world(d.worldCreate())));
  const vector3df aAngles[] = {vector3df(30, 0, 0),   vector3df(0, 40, 0),      vector3df(0, 0, 50),
                               vector3df(30, 40, 50), vector3df(-120, 10, 170), vector3df(200, -60, 95)};
  for (const vector3df& cAngles : aAngles) {
    d.bodySetRotation(b, cAngles);
    irr::core::matrix4 m;
    m.setRotationDegrees(cAngles);
    for (const vector3df& v :
         {vector3df(1, 0, 0), vector3df(0, 1, 0), vector3df(0, 0, 1), vector3df(1, 2, 3)}) {
      vector3df cExpected = v;
      m.rotateVect(cExpected);
      EXPECT_VEC_NEAR(d.bodyGetRelPointPos(b, v), cExpected, 1e-5f);
    }
  }
}

TEST(DeviceRotation, MinusNinetyAboutZIsMinusNinetyByQuaternionAnd270ByMatrix) {
  f32 q[4];
  CRurIvaDevice::eulerToQuaternion(vector3df(0, 0, -90), q);
  vector3df e;
  CRurIvaDevice::quaternionToEuler(q, e);
  EXPECT_VEC_NEAR(e, vector3df(0, 0, -90), 1e-4f);

  CRurIvaDevice d;
  CHandles h(&d);
  const u32 b = h.body(d.bodyCreate(h.world(d.worldCreate())));
  d.bodySetRotation(b, vector3df(0, 0, -90));
  EXPECT_VEC_NEAR(d.bodyGetRotation(b), vector3df(0, 0, 270), 1e-3f);
}

TEST(DeviceRotation, BodyRotationReadBackGivesAnglesFrom0To360) {
  CRurIvaDevice d;
  CHandles h(&d);
  const u32 b = h.body(d.bodyCreate(h.world(d.worldCreate())));
  for (f32 x = -150; x <= 180; x += 55)
    for (f32 y = -80; y <= 80; y += 40)
      for (f32 z = -170; z <= 180; z += 65) {
        d.bodySetRotation(b, vector3df(x, y, z));
        const vector3df r = d.bodyGetRotation(b);
        for (f32 f : {r.X, r.Y, r.Z}) {
          EXPECT_GE(f, 0.0f);
          EXPECT_LT(f, 360.0f);
        }
        expectSameRotation(r, vector3df(x, y, z));
      }
}

TEST(DeviceRotation, BodySetQuaternionPassesTheQuaternionThrough) {
  CRurIvaDevice d;
  CHandles h(&d);
  const u32 b = h.body(d.bodyCreate(h.world(d.worldCreate())));
  // A quarter turn about y as (W, X, Y, Z); the components are not angles.
  irr::core::quaternion q;
  q.W = std::sqrt(0.5f);
  q.X = 0.0f;
  q.Y = std::sqrt(0.5f);
  q.Z = 0.0f;
  d.bodySetQuaternion(b, q);
  EXPECT_VEC_NEAR(d.bodyGetRotation(b), vector3df(0, 90, 0), 1e-3f);
  // An unnormalised quaternion names the same rotation.
  q.W = 2.0f;
  q.Y = 0.0f;
  d.bodySetQuaternion(b, q);
  EXPECT_VEC_NEAR(d.bodyGetRotation(b), vector3df(0, 0, 0), 1e-3f);
}

TEST(DeviceRotation, QuaternionWithOutOfRangeComponentsGivesNotANumberY) {
  // Not of unit length: asin is out of its range. The moved callback replaces such a result.
  const f32 q[4] = {2, 0, 2, 0};
  vector3df e;
  CRurIvaDevice::quaternionToEuler(q, e);
  EXPECT_TRUE(std::isnan(e.Y));
}

TEST(DeviceRotation, EulerAnglesOfAQuaternionAreThoseOfTheCLibrarysArcTangents) {
  // Every moved body's rotation is turned into Euler angles each step, with an arc tangent of the
  // layer's own: the angles are those the C library's atan2 gives, to the float's last place,
  // for rotations at rest (tiny parts), whole and half turns, signed zeros (a half turn with a
  // negative zero is minus 180) and a spread of others.
  std::vector<std::array<f32, 4>> aQuats = {{1, 0, 0, 0},
                                            {1, 1e-9f, -2e-9f, 3e-9f},
                                            {1, 1e-20f, 0, -1e-38f},
                                            {1, 1e-40f, -1e-40f, 0},
                                            {0, 1, 0, 0},
                                            {0, 0, 1, 0},
                                            {0, 0, 0, 1},
                                            {-1, 0, 0, 0},
                                            {1, -0.0f, -0.0f, 0},
                                            {0.7071068f, 0, 0.7071068f, 0},
                                            {0.5f, 0.5f, 0.5f, 0.5f},
                                            {0, 0, 0, 0},
                                            {-0.5f, 0.5f, -0.5f, 0.5f},
                                            {-0.0f, 1, -0.0f, 0},
                                            {0, -0.0f, 1, -0.0f}};
  std::uint32_t iSeed = 12345;  // a fixed spread of unit quaternions
  const auto next = [&] {
    iSeed = iSeed * 1664525u + 1013904223u;
    return static_cast<f32>(iSeed >> 8) / 8388608.0f - 1.0f;
  };
  for (int i = 0; i < 2000; ++i) {
    std::array<f32, 4> q = {next(), next(), next(), next()};
    const f32 fLen = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    for (f32& f : q) f /= fLen;
    aQuats.push_back(q);
  }
  const auto ulps = [](f32 a, f32 b) {
    if (a == b) return 0.0;
    return std::fabs(static_cast<double>(a) - b) / std::max(std::fabs(std::nextafter(b, 0.0f) - b), 1e-45f);
  };
  for (const auto& q : aQuats) {
    const double w = q[0], x = q[1], y = q[2], z = q[3];
    const double kDeg = 180.0 / 3.14159265358979323846;
    const f32 fZ = static_cast<f32>(std::atan2(2.0 * (x * y + w * z), w * w + x * x - y * y - z * z) * kDeg);
    const f32 fX = static_cast<f32>(std::atan2(2.0 * (y * z + w * x), w * w - x * x - y * y + z * z) * kDeg);
    vector3df e;
    CRurIvaDevice::quaternionToEuler(q.data(), e);
    EXPECT_LE(ulps(e.X, fX), 1.0) << q[0] << " " << q[1] << " " << q[2] << " " << q[3] << ": " << e.X << " "
                                  << fX;
    EXPECT_LE(ulps(e.Z, fZ), 1.0) << q[0] << " " << q[1] << " " << q[2] << " " << q[3] << ": " << e.Z << " "
                                  << fZ;
    EXPECT_EQ(std::signbit(e.X), std::signbit(fX));
    EXPECT_EQ(std::signbit(e.Z), std::signbit(fZ));
  }
}
