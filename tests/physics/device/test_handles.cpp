// Handle 0 and invalid handles: every operation checks its handle, calls nothing in the
// dynamics library for a handle that is 0, out of range, of another kind or already destroyed,
// and answers 0 (the body position readers: the value they returned last).
#include <gtest/gtest.h>

#include "CHandles.h"
#include "CRurIvaDevice.h"
#include "TestChecks.h"

using namespace varrik::test;

namespace {

const vector3df kZero(0, 0, 0);
const vector3df kOne(1, 1, 1);

// What a bad handle is valid for, if anything: those operations are left out.
enum EValidFor { eNothing, eMass, eTrimeshData, eHeightfieldData };

// Calls every operation that takes a handle with the given bad handle in the handle's place
// and checks that each answers nothing.
void callEverything(CRurIvaDevice& d, u32 bad, EValidFor eValid = eNothing) {
  SCOPED_TRACE(testing::Message() << "handle " << bad);
  const u32 iRecords = d.getRecordCount();

  d.worldDestroy(bad);
  d.worldSetLinearDamping(bad, 1);
  EXPECT_EQ(d.worldGetLinearDamping(bad), 0.0f);
  d.worldSetAngularDamping(bad, 1);
  EXPECT_EQ(d.worldGetAngularDamping(bad), 0.0f);
  d.worldSetLinearDampingThreshold(bad, 1);
  EXPECT_EQ(d.worldGetLinearDampingThreshold(bad), 0.0f);
  d.worldSetAngularDampingThreshold(bad, 1);
  EXPECT_EQ(d.worldGetAngularDampingThreshold(bad), 0.0f);
  d.worldSetMaxAngularSpeed(bad, 1);
  EXPECT_EQ(d.worldGetMaxAngularSpeed(bad), 0.0f);
  d.worldSetAutoDisableFlag(bad, 1);
  EXPECT_EQ(d.worldGetAutoDisableFlag(bad), 0);
  d.worldSetAutoDisableLinearThreshold(bad, 1);
  EXPECT_EQ(d.worldGetAutoDisableLinearThreshold(bad), 0.0f);
  d.worldSetAutoDisableAngularThreshold(bad, 1);
  EXPECT_EQ(d.worldGetAutoDisableAngularThreshold(bad), 0.0f);
  d.worldSetAutoDisableSteps(bad, 1);
  EXPECT_EQ(d.worldGetAutoDisableSteps(bad), 0);
  d.worldSetAutoDisableTime(bad, 1);
  EXPECT_EQ(d.worldGetAutoDisableTime(bad), 0.0f);
  d.worldSetQuickStepNumIterations(bad, 1);
  EXPECT_EQ(d.worldGetQuickStepNumIterations(bad), 0);
  d.worldSetQuickStepW(bad, 1);
  EXPECT_EQ(d.worldGetQuickStepW(bad), 0.0f);
  d.worldSetGravity(bad, kOne);
  d.worldSetERP(bad, 1);
  EXPECT_EQ(d.worldGetERP(bad), 0.0f);
  d.worldSetCFM(bad, 1);
  EXPECT_EQ(d.worldGetCFM(bad), 0.0f);

  d.jointAttach(bad, nullptr, nullptr);
  d.jointSetData(bad, &d);
  d.jointDestroy(bad);
  EXPECT_EQ(d.jointCreateBallSocket(bad), 0u);
  EXPECT_EQ(d.jointCreateFixed(bad), 0u);
  EXPECT_EQ(d.jointCreateHinge(bad), 0u);
  EXPECT_EQ(d.jointCreateHinge2(bad), 0u);
  EXPECT_EQ(d.jointCreatePiston(bad), 0u);
  EXPECT_EQ(d.jointCreateSlider(bad), 0u);
  EXPECT_EQ(d.jointCreateUniversal(bad), 0u);
  EXPECT_EQ(d.jointCreatePR(bad), 0u);
  d.jointSetBallAnchor(bad, kOne);
  EXPECT_EQ(d.jointGetBallAnchor(bad), kZero);
  EXPECT_EQ(d.jointGetBallAnchor2(bad), kZero);
  d.jointSetFixed(bad);
  d.jointSetHingeAnchor(bad, kOne);
  d.jointSetHingeAxis(bad, kOne);
  EXPECT_EQ(d.jointGetHingeAxis(bad), kZero);
  EXPECT_EQ(d.jointGetHingeAnchor1(bad), kZero);
  EXPECT_EQ(d.jointGetHingeAnchor2(bad), kZero);
  EXPECT_EQ(d.jointGetHingeAngle(bad), 0.0f);
  EXPECT_EQ(d.jointGetHingeAngleRate(bad), 0.0f);
  d.jointSetHingeParam(bad, 0, 1);
  EXPECT_EQ(d.jointGetHingeParam(bad, 0), 0.0f);
  d.jointSetHinge2Anchor(bad, kOne);
  d.jointSetHinge2Axis1(bad, kOne);
  d.jointSetHinge2Axis2(bad, kOne);
  d.jointSetHinge2Axes(bad, vector3df(1, 0, 0), vector3df(0, 1, 0));
  EXPECT_EQ(d.jointGetHinge2Axis1(bad), kZero);
  EXPECT_EQ(d.jointGetHinge2Axis2(bad), kZero);
  EXPECT_EQ(d.jointGetHinge2Anchor(bad), kZero);
  EXPECT_EQ(d.jointGetHinge2Anchor2(bad), kZero);
  EXPECT_EQ(d.jointGetHinge2Angle1(bad), 0.0f);
  EXPECT_EQ(d.jointGetHinge2Angle1Rate(bad), 0.0f);
  EXPECT_EQ(d.jointGetHinge2Angle2Rate(bad), 0.0f);
  d.jointSetHinge2Param(bad, 1, 0, 1);
  EXPECT_EQ(d.jointGetHinge2Param(bad, 1, 0), 0.0f);
  d.jointSetPistonAnchor(bad, kOne);
  d.jointSetPistonAxis(bad, kOne);
  EXPECT_EQ(d.jointGetPistonPosition(bad), 0.0f);
  EXPECT_EQ(d.jointGetPistonPositionRate(bad), 0.0f);
  EXPECT_EQ(d.jointGetPistonAnchor(bad), kZero);
  EXPECT_EQ(d.jointGetPistonAxis(bad), kZero);
  d.jointSetPistonParam(bad, 0, 0, 1);
  EXPECT_EQ(d.jointGetPistonParam(bad, 0, 0), 0.0f);
  d.jointSetSliderAxis(bad, kOne);
  EXPECT_EQ(d.jointGetSliderAxis(bad), kZero);
  EXPECT_EQ(d.jointGetSliderPosition(bad), 0.0f);
  EXPECT_EQ(d.jointGetSliderPositionRate(bad), 0.0f);
  d.jointSetSliderParam(bad, 0, 1);
  EXPECT_EQ(d.jointGetSliderParam(bad, 0), 0.0f);
  d.jointSetUniversalAnchor(bad, kOne);
  d.jointSetUniversalAxis1(bad, kOne);
  d.jointSetUniversalAxis2(bad, kOne);
  EXPECT_EQ(d.jointGetUniversalAnchor(bad), kZero);
  EXPECT_EQ(d.jointGetUniversalAnchor2(bad), kZero);
  EXPECT_EQ(d.jointGetUniversalAxis1(bad), kZero);
  EXPECT_EQ(d.jointGetUniversalAxis2(bad), kZero);
  EXPECT_EQ(d.jointGetUniversalAngle1(bad), 0.0f);
  EXPECT_EQ(d.jointGetUniversalAngle2(bad), 0.0f);
  EXPECT_EQ(d.jointGetUniversalAngle1Rate(bad), 0.0f);
  EXPECT_EQ(d.jointGetUniversalAngle2Rate(bad), 0.0f);
  d.jointSetUniversalParam(bad, 0, 0, 1);
  EXPECT_EQ(d.jointGetUniversalParam(bad, 0, 0), 0.0f);
  d.jointSetPrAxis1(bad, kOne);
  d.jointSetPrAxis2(bad, kOne);
  d.jointSetPrAnchor(bad, kOne);
  EXPECT_EQ(d.jointGetPrAxis1(bad), kZero);
  EXPECT_EQ(d.jointGetPrAxis2(bad), kZero);
  EXPECT_EQ(d.jointGetPrAnchor(bad), kZero);
  EXPECT_EQ(d.jointGetPrPosition(bad), 0.0f);
  EXPECT_EQ(d.jointGetPrAngle(bad), 0.0f);
  EXPECT_EQ(d.jointGetPrAngleRate(bad), 0.0f);
  d.jointSetPrParam(bad, 0, 0, 1);
  EXPECT_EQ(d.jointGetPrParam(bad, 0, 0), 0.0f);

  EXPECT_EQ(d.bodyCreate(bad), 0u);
  d.bodyDestroy(bad);
  d.bodySetPosition(bad, kOne);
  d.bodySetQuaternion(bad, irr::core::quaternion(0, 0, 0, 1));
  d.bodySetRotation(bad, kOne);
  d.bodySetData(bad, &d);
  d.bodySetLinearDamping(bad, 1);
  EXPECT_EQ(d.bodyGetLinearDamping(bad), 0.0f);
  d.bodySetAngularDamping(bad, 1);
  EXPECT_EQ(d.bodyGetAngularDamping(bad), 0.0f);
  d.bodySetLinearDampingThreshold(bad, 1);
  EXPECT_EQ(d.bodyGetLinearDampingThreshold(bad), 0.0f);
  d.bodySetAngularDampingThreshold(bad, 1);
  EXPECT_EQ(d.bodyGetAngularDampingThreshold(bad), 0.0f);
  d.bodySetMaxAngularSpeed(bad, 1);
  EXPECT_EQ(d.bodyGetMaxAngularSpeed(bad), 0.0f);
  d.bodySetAutoDisableFlag(bad, 1);
  EXPECT_EQ(d.bodyGetAutoDisableFlag(bad), 0);
  d.bodySetLinearAutoDisableThreshold(bad, 1);
  EXPECT_EQ(d.bodyGetLinearAutoDisableThreshold(bad), 0.0f);
  d.bodySetAngularAutoDisableThreshold(bad, 1);
  EXPECT_EQ(d.bodyGetAngularAutoDisableThreshold(bad), 0.0f);
  d.bodySetAutoDisableSteps(bad, 1);
  EXPECT_EQ(d.bodyGetAutoDisableSteps(bad), 0);
  d.bodySetAutoDisableTime(bad, 1);
  EXPECT_EQ(d.bodyGetAutoDisableTime(bad), 0.0f);
  d.bodySetFiniteRotationMode(bad, true);
  EXPECT_FALSE(d.bodyGetFiniteRotationMode(bad));
  d.bodySetFiniteRotationAxis(bad, kOne);
  EXPECT_EQ(d.bodyGetFiniteRotationAxis(bad), kZero);
  d.bodySetGravityMode(bad, 0);
  EXPECT_EQ(d.bodyGetGravityMode(bad), 0);
  EXPECT_EQ(d.bodyGetFirstGeom(bad), nullptr);
  EXPECT_EQ(d.bodyGetNextGeom(nullptr), nullptr);
  EXPECT_FALSE(d.bodyIsEnabled(bad));
  d.bodyAddForce(bad, kOne);
  d.bodyAddForceAtPosition(bad, kOne, kOne);
  d.bodyAddTorque(bad, kOne);
  d.bodySetTorque(bad, kOne);
  d.bodyEnable(bad);
  d.bodyDisable(bad);
  d.bodySetLinearVelocity(bad, kOne);
  EXPECT_EQ(d.bodyGetLinearVelocity(bad), kZero);
  d.bodySetAngularVelocity(bad, kOne);
  EXPECT_EQ(d.bodyGetAngularVelocity(bad), kZero);
  d.bodySetMass(bad, bad);
  EXPECT_EQ(d.getBodyCenterOfMass(bad), kZero);

  d.geomSetBody(bad, nullptr);
  d.geomDestroy(bad);
  d.geomSetOffsetPosition(bad, kOne);
  d.geomSetOffsetQuaternion(bad, kOne);
  d.geomSetPosition(bad, kOne);
  d.geomSetRotation(bad, kOne);
  d.geomSetData(bad, &d);
  d.geomRaySetData(bad, kOne, kOne, 1);
  d.geomSetBackfaceCull(bad, true);
  if (bad) {
    // Handle 0 is a valid "no space" for geometries and spaces.
    EXPECT_EQ(d.geomCreateBox(bad, 1, 1, 1), 0u);
    EXPECT_EQ(d.geomCreateCapsule(bad, 1, 1), 0u);
    EXPECT_EQ(d.geomCreateCylinder(bad, 1, 1), 0u);
    EXPECT_EQ(d.geomCreatePlane(bad, 0, 1, 0, 0), 0u);
    EXPECT_EQ(d.geomCreateRay(bad, 1), 0u);
    EXPECT_EQ(d.geomCreateSphere(bad, 1), 0u);
    EXPECT_EQ(d.spaceCreateSimple(bad), 0u);
    EXPECT_EQ(d.spaceCreateHash(bad), 0u);
    EXPECT_EQ(d.spaceCreateQuadTree(bad, kZero, kOne, 2), 0u);
  }
  if (eValid != eTrimeshData) {
    EXPECT_EQ(d.geomCreateTrimesh(0, bad), 0u);
    d.geomTrimeshDataBuildSimple(bad, nullptr);
    d.geomTrimeshDataBuildFromMeshBuffer(bad, nullptr, 0);
    d.trimeshDrawDebug(bad, nullptr);
  }
  if (eValid != eHeightfieldData) {
    EXPECT_EQ(d.geomCreateHeightfield(0, bad), 0u);
    d.geomHeightfieldSetBounds(bad, -1, 1);
    d.geomHeightfieldDataCallback(bad, nullptr, nullptr, 1, 1, 2, 2, 1, 0, 1, 0);
  }
  EXPECT_EQ(d.getTrimeshVertexCount(bad), 0u);
  EXPECT_EQ(d.getTrimeshIndexCount(bad), 0u);
  EXPECT_EQ(d.getTrimeshVertices(bad), nullptr);
  EXPECT_EQ(d.getTrimeshIndices(bad), nullptr);

  if (eValid != eMass) {
    d.massAdd(bad, bad);
    d.massSetZero(bad);
    d.massSetParameters(bad, 1, kZero, kOne, kZero);
    d.massTranslate(bad, kOne);
    d.massSetBoxTotal(bad, 1, 1, 1, 1);
    d.massSetCapsuleTotal(bad, 1, 3, 1, 1);
    d.massSetCylinderTotal(bad, 1, 3, 1, 1);
    d.massSetSphereTotal(bad, 1, 1);
  }

  d.spaceDestroy(bad);
  d.jointGroupDestroy(bad);
  d.jointGroupEmtpy(bad);

  EXPECT_EQ(d.getRecordCount(), iRecords);
}

}  // namespace

TEST(DeviceHandles, HandleZeroAndInvalidHandlesOfEveryKindDoNothing) {
  CRurIvaDevice d;
  d.initODE();
  CHandles h(&d);
  const u32 w = h.world(d.worldCreate());
  const u32 s = h.space(d.spaceCreateSimple(0));
  const u32 b = h.body(d.bodyCreate(w));
  const u32 g = h.geom(d.geomCreateSphere(s, 1));
  const u32 j = h.joint(d.jointCreateHinge(w));
  const u32 jg = h.group(d.jointGroupCreate(0));
  const u32 m = d.massCreate();
  const u32 td = d.geomTrimeshDataCreate();
  const u32 hd = d.geomHeightfieldDataCreate();
  d.bodySetPosition(b, vector3df(1, 2, 3));
  d.bodySetLinearVelocity(b, vector3df(4, 5, 6));
  d.worldSetERP(w, 0.5f);
  d.massSetSphereTotal(m, 2, 1);
  d.bodySetMass(b, m);

  // Dead objects of every kind that can die, plus a world that took its body and joint along.
  const u32 deadWorld = d.worldCreate();
  const u32 deadBody = d.bodyCreate(w);
  const u32 deadGeom = d.geomCreateBox(s, 1, 1, 1);
  const u32 deadJoint = d.jointCreateSlider(w);
  const u32 deadSpace = d.spaceCreateHash(s);
  const u32 deadGroup = d.jointGroupCreate(0);
  const u32 goneBody = d.bodyCreate(deadWorld);
  const u32 goneJoint = d.jointCreateFixed(deadWorld);
  d.bodyDestroy(deadBody);
  d.geomDestroy(deadGeom);
  d.jointDestroy(deadJoint);
  d.spaceDestroy(deadSpace);
  d.jointGroupDestroy(deadGroup);
  d.worldDestroy(deadWorld);

  const std::string sOut = captured([&] {
    for (u32 bad : {0u, 9999u, 0xffffffffu, deadWorld, deadBody, deadGeom, deadJoint, deadSpace, deadGroup,
                    goneBody, goneJoint})
      callEverything(d, bad);
    // Live records of the kinds that the other operations must not take.
    callEverything(d, m, eMass);
    callEverything(d, td, eTrimeshData);
    callEverything(d, hd, eHeightfieldData);
  });
  // Invalid handles are silent; nothing reached the library, so nothing needed a warning.
  EXPECT_EQ(sOut, "");
  EXPECT_NE(d.getGeomId(g), nullptr);

  // The valid objects are untouched.
  EXPECT_VEC_NEAR(d.bodyGetPosition(b), vector3df(1, 2, 3), 1e-6f);
  EXPECT_VEC_NEAR(d.bodyGetLinearVelocity(b), vector3df(4, 5, 6), 1e-6f);
  EXPECT_FLOAT_EQ(d.worldGetERP(w), 0.5f);
  EXPECT_NE(d.getSpaceId(s), nullptr);
  EXPECT_NE(d.getJointId(j), nullptr);
  EXPECT_NE(d.getJGroupId(jg), nullptr);
}

TEST(DeviceHandles, LiveHandlesOfAnotherKindLeaveTheirObjectsAlone) {
  CRurIvaDevice d;
  d.initODE();
  CHandles h(&d);
  const u32 w = h.world(d.worldCreate());
  const u32 s = h.space(d.spaceCreateSimple(0));
  const u32 b = h.body(d.bodyCreate(w));
  const u32 g = h.geom(d.geomCreateSphere(s, 1));
  const u32 j = h.joint(d.jointCreateHinge(w));
  const u32 jg = h.group(d.jointGroupCreate(0));
  d.worldSetERP(w, 0.25f);
  d.bodySetPosition(b, vector3df(1, 2, 3));

  // Destroy operations of one kind ignore the other kinds.
  d.worldDestroy(b);
  d.bodyDestroy(g);
  d.geomDestroy(b);
  d.jointDestroy(w);
  d.spaceDestroy(b);
  d.jointGroupDestroy(s);
  d.jointGroupEmtpy(j);
  EXPECT_NE(d.getWorldId(w), nullptr);
  EXPECT_NE(d.getBodyId(b), nullptr);
  EXPECT_NE(d.getGeomId(g), nullptr);
  EXPECT_NE(d.getJointId(j), nullptr);
  EXPECT_NE(d.getSpaceId(s), nullptr);
  EXPECT_NE(d.getJGroupId(jg), nullptr);

  d.worldSetERP(b, 0.9f);
  EXPECT_FLOAT_EQ(d.worldGetERP(w), 0.25f);
  EXPECT_EQ(d.worldGetERP(b), 0.0f);
  d.bodySetPosition(w, vector3df(9, 9, 9));
  d.bodySetPosition(g, vector3df(9, 9, 9));
  EXPECT_VEC_NEAR(d.bodyGetPosition(b), vector3df(1, 2, 3), 1e-6f);
  EXPECT_EQ(d.bodyCreate(b), 0u);
  EXPECT_EQ(d.geomCreateBox(w, 1, 1, 1), 0u);
  EXPECT_EQ(d.jointCreateHinge(s), 0u);

  // A joint of another joint type: the library would abort on the type check.
  d.jointAttach(j, nullptr, nullptr);
  d.jointSetSliderAxis(j, vector3df(1, 0, 0));
  d.jointSetHinge2Axes(j, vector3df(1, 0, 0), vector3df(0, 1, 0));
  d.jointSetPrParam(j, 0, 0, 1.0f);
  EXPECT_EQ(d.jointGetSliderPosition(j), 0.0f);
  EXPECT_EQ(d.jointGetPrParam(j, 0, 0), 0.0f);
}

TEST(DeviceHandles, ScalarAndVelocityReadersAnswerZeroForHandleZero) {
  CRurIvaDevice d;
  d.initODE();
  CHandles h(&d);
  const u32 b = h.body(d.bodyCreate(h.world(d.worldCreate())));
  d.bodySetLinearVelocity(b, vector3df(1, 1, 1));
  d.bodySetAngularVelocity(b, vector3df(1, 1, 1));
  d.bodySetMaxAngularSpeed(b, 3);
  d.bodyGetLinearVelocity(b);
  EXPECT_EQ(d.bodyGetLinearVelocity(0), kZero);
  EXPECT_EQ(d.bodyGetAngularVelocity(0), kZero);
  EXPECT_EQ(d.bodyGetMaxAngularSpeed(0), 0.0f);
  EXPECT_EQ(d.bodyGetFiniteRotationAxis(0), kZero);
  EXPECT_FALSE(d.bodyGetFiniteRotationMode(0));
  EXPECT_EQ(d.bodyGetGravityMode(0), 0);
}

TEST(DeviceHandles, PositionReadersAnswerTheirLastValueForHandleZero) {
  CRurIvaDevice d;
  CHandles h(&d);
  // Before any valid call the last value is the zero vector.
  EXPECT_EQ(d.bodyGetPosition(0), kZero);
  EXPECT_EQ(d.bodyGetRotation(0), kZero);
  EXPECT_EQ(d.bodyGetPointVel(0, kOne), kZero);

  const u32 b = h.body(d.bodyCreate(h.world(d.worldCreate())));
  d.bodySetPosition(b, vector3df(1, 2, 3));
  d.bodySetRotation(b, vector3df(0, 0, 90));
  d.bodySetLinearVelocity(b, vector3df(0, 0, 1));
  d.bodySetAngularVelocity(b, vector3df(0, 1, 0));
  const vector3df aValid[7] = {d.bodyGetPosition(b),
                               d.bodyGetRotation(b),
                               d.bodyGetPointVel(b, vector3df(1, 0, 0)),
                               d.bodyGetRelPointVel(b, vector3df(0, 1, 0)),
                               d.bodyGetRelPointPos(b, vector3df(1, 0, 0)),
                               d.bodyGetPosRelPoint(b, vector3df(0, 0, 1)),
                               d.bodyVectorFromWorld(b, vector3df(1, 0, 0))};
  EXPECT_VEC_NEAR(aValid[0], vector3df(1, 2, 3), 1e-6f);
  EXPECT_VEC_NEAR(aValid[1], vector3df(0, 0, 90), 1e-3f);

  // Each reader remembers its own value, for handle 0 and for any other invalid handle.
  for (u32 bad : {0u, 77u}) {
    EXPECT_EQ(d.bodyGetPosition(bad), aValid[0]);
    EXPECT_EQ(d.bodyGetRotation(bad), aValid[1]);
    EXPECT_EQ(d.bodyGetPointVel(bad, kZero), aValid[2]);
    EXPECT_EQ(d.bodyGetRelPointVel(bad, kZero), aValid[3]);
    EXPECT_EQ(d.bodyGetRelPointPos(bad, kZero), aValid[4]);
    EXPECT_EQ(d.bodyGetPosRelPoint(bad, kZero), aValid[5]);
    EXPECT_EQ(d.bodyVectorFromWorld(bad, kZero), aValid[6]);
  }
}

TEST(DeviceHandles, WritersIgnoreHandleZero) {
  CRurIvaDevice d;
  d.initODE();
  CHandles h(&d);
  const u32 b = h.body(d.bodyCreate(h.world(d.worldCreate())));
  d.bodySetPosition(0, vector3df(5, 5, 5));
  d.bodySetRotation(0, vector3df(45, 0, 0));
  d.bodySetLinearVelocity(0, vector3df(5, 5, 5));
  d.bodySetData(0, &d);
  d.geomSetData(0, &d);
  d.geomSetRotation(0, vector3df(10, 0, 0));
  EXPECT_EQ(d.bodyGetPosition(b), kZero);
  EXPECT_EQ(d.bodyGetRotation(b), kZero);
  EXPECT_EQ(d.bodyGetLinearVelocity(b), kZero);
}
