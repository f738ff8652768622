// The device's handle registry: numbering, kinds, lookups, clearing and what the device owns.
#include <gtest/gtest.h>

#include "CHandles.h"
#include "CRurIvaContactParameters.h"
#include "CRurIvaDevice.h"
#include "TestChecks.h"

using namespace varrik::test;

namespace {

// Counts how many calculators have been destroyed, to see who deletes them.
struct CCountedCalculator : public irr::ode::CRurIvaContactParameters {
  explicit CCountedCalculator(int* pDeleted) : m_pDeleted(pDeleted) {}
  ~CCountedCalculator() override { ++*m_pDeleted; }
  int* m_pDeleted;
};

}  // namespace

TEST(DeviceRegistry, FirstHandleIsOneAndAllKindsShareOneNumbering) {
  CRurIvaDevice cDevice;
  CHandles h(&cDevice);
  EXPECT_EQ(h.world(cDevice.worldCreate()), 1u);
  EXPECT_EQ(h.space(cDevice.spaceCreateSimple(0)), 2u);
  EXPECT_EQ(h.body(cDevice.bodyCreate(1)), 3u);
  EXPECT_EQ(cDevice.massCreate(), 4u);
  EXPECT_EQ(h.group(cDevice.jointGroupCreate(0)), 5u);
  EXPECT_EQ(cDevice.geomTrimeshDataCreate(), 6u);
  EXPECT_EQ(cDevice.geomHeightfieldDataCreate(), 7u);
  EXPECT_EQ(h.geom(cDevice.geomCreateBox(2, 1, 1, 1)), 8u);
  EXPECT_EQ(h.joint(cDevice.jointCreateHinge(1)), 9u);
  EXPECT_EQ(h.space(cDevice.spaceCreateHash(2)), 10u);
  EXPECT_EQ(cDevice.getRecordCount(), 10u);
}

TEST(DeviceRegistry, DestroyKeepsTheRecordAndTheNextObjectGetsANewHandle) {
  CRurIvaDevice cDevice;
  CHandles h(&cDevice);
  const u32 w = h.world(cDevice.worldCreate());
  const u32 b1 = cDevice.bodyCreate(w);
  cDevice.bodySetPosition(b1, vector3df(1, 2, 3));
  cDevice.bodyDestroy(b1);
  EXPECT_EQ(cDevice.getBodyId(b1), nullptr);
  EXPECT_EQ(cDevice.getRecordCount(), 2u);

  const u32 b2 = h.body(cDevice.bodyCreate(w));
  EXPECT_EQ(b2, 3u);
  EXPECT_NE(cDevice.getBodyId(b2), nullptr);
  // The old handle stays invalid: it reaches neither the old body nor the new one.
  cDevice.bodySetPosition(b1, vector3df(7, 7, 7));
  EXPECT_VEC_NEAR(cDevice.bodyGetPosition(b2), vector3df(0, 0, 0), 1e-6f);
  cDevice.bodyDestroy(b1);  // a second destroy does nothing
  EXPECT_NE(cDevice.getBodyId(b2), nullptr);
}

TEST(DeviceRegistry, ClearingOrClosingDiscardsEveryRecordAndOldHandlesNameNothingNew) {
  for (bool bClose : {false, true}) {
    SCOPED_TRACE(bClose ? "closeODE" : "clearODE");
    CRurIvaDevice cDevice;
    cDevice.initODE();
    const u32 w = cDevice.worldCreate();
    const u32 b = cDevice.bodyCreate(w);
    const u32 g = cDevice.geomCreateSphere(cDevice.spaceCreateHash(0), 1);
    const dGeomID pGeom = cDevice.getGeomId(g);
    // What the records still held goes with them (nothing could reach it any more).
    bClose ? cDevice.closeODE() : cDevice.clearODE();
    EXPECT_EQ(cDevice.isInitialized(), !bClose);  // clearing leaves the library up
    EXPECT_EQ(cDevice.getRecordCount(), 0u);
    EXPECT_EQ(cDevice.getData(0), nullptr);
    EXPECT_EQ(cDevice.getHandleOfGeom(pGeom), 0u);
    cDevice.initODE();
    EXPECT_EQ(cDevice.getStepCounter(), 0);

    // Numbering goes on: a handle from before names nothing, never one of the new objects.
    CHandles h(&cDevice);
    const u32 w2 = h.world(cDevice.worldCreate());
    const u32 b2 = h.body(cDevice.bodyCreate(w2));
    EXPECT_GT(w2, g);
    for (u32 iOld : {w, b}) {
      EXPECT_EQ(cDevice.getWorldId(iOld), nullptr);
      EXPECT_EQ(cDevice.getBodyId(iOld), nullptr);
    }
    cDevice.bodySetPosition(b, vector3df(7, 7, 7));
    cDevice.bodyDestroy(b);
    cDevice.worldDestroy(w);
    EXPECT_VEC_NEAR(cDevice.bodyGetPosition(b2), vector3df(0, 0, 0), 1e-6f);
    EXPECT_NE(cDevice.getBodyId(b2), nullptr);
  }
}

TEST(DeviceRegistry, CloseODEEndsTheInitialisedStateAndMayBeRepeated) {
  CRurIvaDevice cDevice;
  EXPECT_FALSE(cDevice.isInitialized());
  cDevice.initODE();
  EXPECT_TRUE(cDevice.isInitialized());
  EXPECT_EQ(cDevice.worldCreate(), 1u);
  cDevice.closeODE();
  EXPECT_FALSE(cDevice.isInitialized());
  // A second close, and creating after the close, are both safe.
  cDevice.closeODE();
  CHandles h(&cDevice);
  EXPECT_NE(h.world(cDevice.worldCreate()), 0u);
  cDevice.initODE();
  EXPECT_TRUE(cDevice.isInitialized());
}

TEST(DeviceRegistry, LookupsAnswerNullForZeroOutOfRangeOtherKindsAndDestroyedObjects) {
  CRurIvaDevice cDevice;
  CHandles h(&cDevice);
  const u32 w = h.world(cDevice.worldCreate());
  const u32 s = h.space(cDevice.spaceCreateSimple(0));
  const u32 b = h.body(cDevice.bodyCreate(w));
  const u32 g = h.geom(cDevice.geomCreateSphere(s, 1));
  const u32 j = h.joint(cDevice.jointCreateBallSocket(w));
  const u32 jg = h.group(cDevice.jointGroupCreate(0));
  const u32 m = cDevice.massCreate();

  EXPECT_NE(cDevice.getWorldId(w), nullptr);
  EXPECT_NE(cDevice.getSpaceId(s), nullptr);
  EXPECT_NE(cDevice.getBodyId(b), nullptr);
  EXPECT_NE(cDevice.getGeomId(g), nullptr);
  EXPECT_NE(cDevice.getJointId(j), nullptr);
  EXPECT_NE(cDevice.getJGroupId(jg), nullptr);

  for (u32 iBad : {0u, 99u, 0xffffffffu, m}) {
    EXPECT_EQ(cDevice.getWorldId(iBad), nullptr);
    EXPECT_EQ(cDevice.getSpaceId(iBad), nullptr);
    EXPECT_EQ(cDevice.getBodyId(iBad), nullptr);
    EXPECT_EQ(cDevice.getGeomId(iBad), nullptr);
    EXPECT_EQ(cDevice.getJointId(iBad), nullptr);
    EXPECT_EQ(cDevice.getJGroupId(iBad), nullptr);
  }
  // Each lookup accepts its own kind only.
  EXPECT_EQ(cDevice.getWorldId(b), nullptr);
  EXPECT_EQ(cDevice.getBodyId(w), nullptr);
  EXPECT_EQ(cDevice.getGeomId(s), nullptr);
  EXPECT_EQ(cDevice.getSpaceId(g), nullptr);
  EXPECT_EQ(cDevice.getJointId(jg), nullptr);
  EXPECT_EQ(cDevice.getJGroupId(j), nullptr);

  EXPECT_NE(cDevice.getData(0), nullptr);
  EXPECT_NE(cDevice.getData(m - 1), nullptr);
  EXPECT_EQ(cDevice.getData(m), nullptr);

  cDevice.geomDestroy(g);
  cDevice.jointDestroy(j);
  cDevice.spaceDestroy(s);
  EXPECT_EQ(cDevice.getGeomId(g), nullptr);
  EXPECT_EQ(cDevice.getJointId(j), nullptr);
  EXPECT_EQ(cDevice.getSpaceId(s), nullptr);
  EXPECT_NE(cDevice.getData(g - 1), nullptr);  // the record stays
}

TEST(DeviceRegistry, GeometryMapFollowsCreationAndDestruction) {
  CRurIvaDevice cDevice;
  CHandles h(&cDevice);
  const u32 s = h.space(cDevice.spaceCreateHash(0));
  const u32 g1 = h.geom(cDevice.geomCreateBox(s, 1, 2, 3));
  const u32 g2 = h.geom(cDevice.geomCreateSphere(s, 1));
  const dGeomID p1 = cDevice.getGeomId(g1);
  EXPECT_EQ(cDevice.getHandleOfGeom(p1), g1);
  EXPECT_EQ(cDevice.getHandleOfGeom(cDevice.getGeomId(g2)), g2);
  EXPECT_EQ(cDevice.getHandleOfGeom(nullptr), 0u);
  cDevice.geomDestroy(g1);
  EXPECT_EQ(cDevice.getHandleOfGeom(p1), 0u);
  EXPECT_EQ(cDevice.getHandleOfGeom(cDevice.getGeomId(g2)), g2);
}

TEST(DeviceRegistry, WorldDestroyInvalidatesTheBodiesAndJointsTheLibraryDestroysWithIt) {
  CRurIvaDevice cDevice;
  CHandles h(&cDevice);
  const u32 w = cDevice.worldCreate();
  const u32 b = cDevice.bodyCreate(w);
  const u32 j = cDevice.jointCreateHinge(w);
  const u32 g = h.geom(cDevice.geomCreateSphere(0, 1));
  cDevice.geomSetBody(g, nullptr);
  cDevice.worldDestroy(w);
  EXPECT_EQ(cDevice.getBodyId(b), nullptr);
  EXPECT_EQ(cDevice.getJointId(j), nullptr);
  // Destroying them now would free them a second time: the device ignores the handles.
  cDevice.bodyDestroy(b);
  cDevice.jointDestroy(j);
  cDevice.worldDestroy(w);
  EXPECT_NE(cDevice.getGeomId(g), nullptr);
}

TEST(DeviceRegistry, ContactCalculatorBelongsToTheDevice) {
  int iDeleted = 0;
  {
    CRurIvaDevice cDevice;
    ASSERT_NE(cDevice.getContactCalculator(), nullptr);
    CCountedCalculator* p1 = new CCountedCalculator(&iDeleted);
    cDevice.setContactCalculator(p1);
    EXPECT_EQ(cDevice.getContactCalculator(), p1);
    EXPECT_EQ(iDeleted, 0);
    cDevice.setContactCalculator(new CCountedCalculator(&iDeleted));
    EXPECT_EQ(iDeleted, 1);                                        // the previous one is deleted
    cDevice.setContactCalculator(cDevice.getContactCalculator());  // the same one again stays
    EXPECT_EQ(iDeleted, 1);
  }
  EXPECT_EQ(iDeleted, 2);  // the device deletes the one it holds
}

TEST(DeviceRegistry, StepSizeStartsAt16MillisecondsAndRefusesNonPositiveAndHugeValues) {
  CRurIvaDevice cDevice;
  EXPECT_FLOAT_EQ(cDevice.getStepSize(), 0.016f);
  cDevice.setStepSize(0.01f);
  EXPECT_FLOAT_EQ(cDevice.getStepSize(), 0.01f);
  const std::string sOut = captured([&] {
    cDevice.setStepSize(0.0f);
    cDevice.setStepSize(-1.0f);
    // Steps of many seconds turned contacts into impulses beyond the library's numbers.
    cDevice.setStepSize(1.5f);
    cDevice.setStepSize(1e20f);
  });
  EXPECT_FLOAT_EQ(cDevice.getStepSize(), 0.01f);
  EXPECT_EQ(lineCount(sOut), 4);
  cDevice.setStepSize(1.0f);  // a second is still a step
  EXPECT_FLOAT_EQ(cDevice.getStepSize(), 1.0f);
}

TEST(DeviceRegistry, JointParametersMapToTheLibraryParametersOfTheSameMeaning) {
  // The numbers of this library (0.16): low stop 0, high stop 1, velocity 2, then the low and
  // high velocity limits (3, 4) that older versions did not have, maximum force 5, fudge factor
  // 6, bounce 7, CFM 8, stop ERP 9, stop CFM 10, suspension ERP 11 and CFM 12; each axis adds
  // 256. The layer lists high stop before low stop and has no velocity limits.
  const int aAxis0[11] = {1, 0, 2, 5, 6, 7, 8, 9, 10, 11, 12};
  for (irr::u16 iAxis = 0; iAxis < 3; ++iAxis)
    for (int p = 0; p <= 10; ++p) {
      const int iParam = p;
      EXPECT_EQ(CRurIvaDevice::convertToOdeJointParam(iAxis, iParam), aAxis0[p] + 256 * iAxis)
          << "axis " << iAxis << " parameter " << p;
      EXPECT_EQ(iParam, p);  // the argument is left alone
    }
  EXPECT_EQ(CRurIvaDevice::convertToOdeJointParam(1, 3), 261);  // maximum force of axis 1
  EXPECT_EQ(CRurIvaDevice::convertToOdeJointParam(2, 10), 524);
  EXPECT_EQ(CRurIvaDevice::convertToOdeJointParam(0, 11), -1);
  EXPECT_EQ(CRurIvaDevice::convertToOdeJointParam(3, 0), -1);
  EXPECT_EQ(CRurIvaDevice::convertToOdeJointParam(0, -1), -1);
  EXPECT_EQ(CRurIvaDevice::convertToOdeJointParam(0xffff, 5), -1);
}
