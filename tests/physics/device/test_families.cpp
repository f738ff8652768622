// The mechanical families of device operations against the real dynamics library: what a
// setter hands over comes back through the matching reader, and the listed departures from
// the naming rule reach the right library call.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "CDeviceScene.h"
#include "CHandles.h"
#include "CRurIvaBody.h"
#include "CRurIvaDevice.h"

using namespace varrik::test;

TEST(DeviceFamilies, WorldSettersAndGettersRoundTrip) {
  CRurIvaDevice cDevice;
  CHandles h(&cDevice);
  const u32 w = h.world(cDevice.worldCreate());
  cDevice.worldSetLinearDamping(w, 0.25f);
  cDevice.worldSetAngularDamping(w, 0.125f);
  cDevice.worldSetLinearDampingThreshold(w, 0.5f);
  cDevice.worldSetAngularDampingThreshold(w, 0.75f);
  cDevice.worldSetMaxAngularSpeed(w, 12.0f);
  cDevice.worldSetAutoDisableFlag(w, 1);
  cDevice.worldSetAutoDisableLinearThreshold(w, 0.03f);
  cDevice.worldSetAutoDisableAngularThreshold(w, 0.04f);
  cDevice.worldSetAutoDisableSteps(w, 17);
  cDevice.worldSetAutoDisableTime(w, 1.5f);
  cDevice.worldSetQuickStepNumIterations(w, 33);
  cDevice.worldSetQuickStepW(w, 1.25f);
  cDevice.worldSetERP(w, 0.3f);
  cDevice.worldSetCFM(w, 1e-4f);
  EXPECT_FLOAT_EQ(cDevice.worldGetLinearDamping(w), 0.25f);
  EXPECT_FLOAT_EQ(cDevice.worldGetAngularDamping(w), 0.125f);
  EXPECT_FLOAT_EQ(cDevice.worldGetLinearDampingThreshold(w), 0.5f);
  EXPECT_FLOAT_EQ(cDevice.worldGetAngularDampingThreshold(w), 0.75f);
  EXPECT_FLOAT_EQ(cDevice.worldGetMaxAngularSpeed(w), 12.0f);
  EXPECT_EQ(cDevice.worldGetAutoDisableFlag(w), 1);
  EXPECT_FLOAT_EQ(cDevice.worldGetAutoDisableLinearThreshold(w), 0.03f);
  EXPECT_FLOAT_EQ(cDevice.worldGetAutoDisableAngularThreshold(w), 0.04f);
  EXPECT_EQ(cDevice.worldGetAutoDisableSteps(w), 17);
  EXPECT_FLOAT_EQ(cDevice.worldGetAutoDisableTime(w), 1.5f);
  EXPECT_EQ(cDevice.worldGetQuickStepNumIterations(w), 33);
  EXPECT_FLOAT_EQ(cDevice.worldGetQuickStepW(w), 1.25f);
  EXPECT_FLOAT_EQ(cDevice.worldGetERP(w), 0.3f);
  EXPECT_FLOAT_EQ(cDevice.worldGetCFM(w), 1e-4f);
}

TEST(DeviceFamilies, BodySettersAndGettersRoundTripOnAnInitialisedDevice) {
  CRurIvaDevice cDevice;
  cDevice.initODE();
  CHandles h(&cDevice);
  const u32 w = h.world(cDevice.worldCreate());
  const u32 b = h.body(cDevice.bodyCreate(w));
  cDevice.bodySetLinearDamping(b, 0.2f);
  cDevice.bodySetAngularDamping(b, 0.3f);
  cDevice.bodySetLinearDampingThreshold(b, 0.4f);
  cDevice.bodySetAngularDampingThreshold(b, 0.6f);
  cDevice.bodySetMaxAngularSpeed(b, 9.0f);
  cDevice.bodySetAutoDisableFlag(b, 1);
  cDevice.bodySetLinearAutoDisableThreshold(b, 0.07f);
  cDevice.bodySetAngularAutoDisableThreshold(b, 0.08f);
  cDevice.bodySetAutoDisableSteps(b, 21);
  cDevice.bodySetAutoDisableTime(b, 2.5f);
  cDevice.bodySetFiniteRotationMode(b, true);
  cDevice.bodySetFiniteRotationAxis(b, vector3df(0, 1, 0));
  cDevice.bodySetGravityMode(b, 0);
  cDevice.bodySetLinearVelocity(b, vector3df(1, 2, 3));
  cDevice.bodySetAngularVelocity(b, vector3df(-1, 0.5f, 0.25f));
  cDevice.bodySetPosition(b, vector3df(4, 5, 6));

  EXPECT_FLOAT_EQ(cDevice.bodyGetLinearDamping(b), 0.2f);
  EXPECT_FLOAT_EQ(cDevice.bodyGetAngularDamping(b), 0.3f);
  EXPECT_FLOAT_EQ(cDevice.bodyGetLinearDampingThreshold(b), 0.4f);
  EXPECT_FLOAT_EQ(cDevice.bodyGetAngularDampingThreshold(b), 0.6f);
  EXPECT_FLOAT_EQ(cDevice.bodyGetMaxAngularSpeed(b), 9.0f);
  EXPECT_EQ(cDevice.bodyGetAutoDisableFlag(b), 1);
  EXPECT_FLOAT_EQ(cDevice.bodyGetLinearAutoDisableThreshold(b), 0.07f);
  EXPECT_FLOAT_EQ(cDevice.bodyGetAngularAutoDisableThreshold(b), 0.08f);
  EXPECT_EQ(cDevice.bodyGetAutoDisableSteps(b), 21);
  EXPECT_FLOAT_EQ(cDevice.bodyGetAutoDisableTime(b), 2.5f);
  EXPECT_TRUE(cDevice.bodyGetFiniteRotationMode(b));
  EXPECT_VEC_NEAR(cDevice.bodyGetFiniteRotationAxis(b), vector3df(0, 1, 0), 1e-6f);
  EXPECT_EQ(cDevice.bodyGetGravityMode(b), 0);
  EXPECT_VEC_NEAR(cDevice.bodyGetLinearVelocity(b), vector3df(1, 2, 3), 1e-6f);
  EXPECT_VEC_NEAR(cDevice.bodyGetAngularVelocity(b), vector3df(-1, 0.5f, 0.25f), 1e-6f);
  EXPECT_VEC_NEAR(cDevice.bodyGetPosition(b), vector3df(4, 5, 6), 1e-6f);

  EXPECT_TRUE(cDevice.bodyIsEnabled(b));
  cDevice.bodyDisable(b);
  EXPECT_FALSE(cDevice.bodyIsEnabled(b));
  cDevice.bodyEnable(b);
  EXPECT_TRUE(cDevice.bodyIsEnabled(b));
}

TEST(DeviceFamilies, BodyPointQueriesUseBodyCoordinates) {
  CRurIvaDevice cDevice;
  cDevice.initODE();
  CHandles h(&cDevice);
  const u32 w = h.world(cDevice.worldCreate());
  const u32 b = h.body(cDevice.bodyCreate(w));
  cDevice.bodySetPosition(b, vector3df(10, 0, 0));
  cDevice.bodySetRotation(b, vector3df(0, 0, 90));  // body x points along world y
  cDevice.bodySetAngularVelocity(b, vector3df(0, 0, 2));
  cDevice.bodySetLinearVelocity(b, vector3df(1, 0, 0));

  EXPECT_VEC_NEAR(cDevice.bodyGetRelPointPos(b, vector3df(1, 0, 0)), vector3df(10, 1, 0), 1e-5f);
  EXPECT_VEC_NEAR(cDevice.bodyGetPosRelPoint(b, vector3df(10, 1, 0)), vector3df(1, 0, 0), 1e-5f);
  EXPECT_VEC_NEAR(cDevice.bodyVectorFromWorld(b, vector3df(0, 1, 0)), vector3df(1, 0, 0), 1e-5f);
  // The body point (1,0,0) sits at world offset (0,1,0); turning about z at 2 rad/s moves it
  // with (-2, 0, 0), on top of the body's own (1, 0, 0).
  EXPECT_VEC_NEAR(cDevice.bodyGetRelPointVel(b, vector3df(1, 0, 0)), vector3df(-1, 0, 0), 1e-5f);
  // bodyGetPointVel takes its point in body coordinates as well.
  EXPECT_VEC_NEAR(cDevice.bodyGetPointVel(b, vector3df(1, 0, 0)), vector3df(-1, 0, 0), 1e-5f);
}

TEST(DeviceFamilies, ScalarReadersAnswerZeroBeforeTheDeviceIsInitialised) {
  CRurIvaDevice cDevice;
  CHandles h(&cDevice);
  const u32 w = h.world(cDevice.worldCreate());
  const u32 b = h.body(cDevice.bodyCreate(w));
  cDevice.bodySetAutoDisableTime(b, 3.0f);
  cDevice.bodySetLinearVelocity(b, vector3df(1, 2, 3));
  EXPECT_EQ(cDevice.bodyGetAutoDisableTime(b), 0.0f);
  EXPECT_VEC_NEAR(cDevice.bodyGetLinearVelocity(b), vector3df(0, 0, 0), 0.0f);
  EXPECT_EQ(cDevice.bodyGetGravityMode(b), 0);
  cDevice.initODE();
  EXPECT_EQ(cDevice.bodyGetAutoDisableTime(b), 3.0f);
  EXPECT_VEC_NEAR(cDevice.bodyGetLinearVelocity(b), vector3df(1, 2, 3), 1e-6f);
  EXPECT_EQ(cDevice.bodyGetGravityMode(b), 1);
}

TEST(DeviceFamilies, JointAnchorsAndAxesRoundTripInWorldSpace) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  CHandles& h = cScene.m_cHandles;
  irr::ode::CRurIvaBody* pA = cScene.addBodyNode(vector3df(0, 0, 0));
  irr::ode::CRurIvaBody* pB = cScene.addBodyNode(vector3df(0, -2, 0));
  const u32 w = cScene.worldId();

  const u32 jHinge = h.joint(d.jointCreateHinge(w));
  d.jointAttach(jHinge, pA, pB);
  d.jointSetHingeAnchor(jHinge, vector3df(0, -1, 0));
  d.jointSetHingeAxis(jHinge, vector3df(0, 0, 2));
  EXPECT_VEC_NEAR(d.jointGetHingeAnchor1(jHinge), vector3df(0, -1, 0), 1e-6f);
  EXPECT_VEC_NEAR(d.jointGetHingeAnchor2(jHinge), vector3df(0, -1, 0), 1e-6f);
  EXPECT_VEC_NEAR(d.jointGetHingeAxis(jHinge), vector3df(0, 0, 1), 1e-6f);
  EXPECT_NEAR(d.jointGetHingeAngle(jHinge), 0.0f, 1e-6f);

  const u32 jHinge2 = h.joint(d.jointCreateHinge2(w));
  d.jointAttach(jHinge2, pA, pB);
  d.jointSetHinge2Anchor(jHinge2, vector3df(0, -2, 0));
  d.jointSetHinge2Axes(jHinge2, vector3df(0, 1, 0), vector3df(1, 0, 0));
  EXPECT_VEC_NEAR(d.jointGetHinge2Anchor(jHinge2), vector3df(0, -2, 0), 1e-6f);
  EXPECT_VEC_NEAR(d.jointGetHinge2Anchor2(jHinge2), vector3df(0, -2, 0), 1e-6f);
  EXPECT_VEC_NEAR(d.jointGetHinge2Axis1(jHinge2), vector3df(0, 1, 0), 1e-6f);
  EXPECT_VEC_NEAR(d.jointGetHinge2Axis2(jHinge2), vector3df(1, 0, 0), 1e-6f);
  // One axis at a time goes through the same library call with the other axis kept.
  d.jointSetHinge2Axis2(jHinge2, vector3df(0, 0, 1));
  EXPECT_VEC_NEAR(d.jointGetHinge2Axis1(jHinge2), vector3df(0, 1, 0), 1e-6f);
  EXPECT_VEC_NEAR(d.jointGetHinge2Axis2(jHinge2), vector3df(0, 0, 1), 1e-6f);
  d.jointSetHinge2Axis1(jHinge2, vector3df(1, 0, 0));
  EXPECT_VEC_NEAR(d.jointGetHinge2Axis1(jHinge2), vector3df(1, 0, 0), 1e-6f);
  EXPECT_VEC_NEAR(d.jointGetHinge2Axis2(jHinge2), vector3df(0, 0, 1), 1e-6f);
  d.jointDestroy(jHinge2);

  const u32 jSlider = h.joint(d.jointCreateSlider(w));
  d.jointAttach(jSlider, pA, pB);
  d.jointSetSliderAxis(jSlider, vector3df(0, 3, 0));
  EXPECT_VEC_NEAR(d.jointGetSliderAxis(jSlider), vector3df(0, 1, 0), 1e-6f);
  EXPECT_NEAR(d.jointGetSliderPosition(jSlider), 0.0f, 1e-6f);
  d.jointDestroy(jSlider);

  const u32 jPiston = h.joint(d.jointCreatePiston(w));
  d.jointAttach(jPiston, pA, pB);
  d.jointSetPistonAnchor(jPiston, vector3df(0, -1, 0));
  d.jointSetPistonAxis(jPiston, vector3df(0, 1, 0));
  EXPECT_VEC_NEAR(d.jointGetPistonAnchor(jPiston), vector3df(0, -1, 0), 1e-6f);
  EXPECT_VEC_NEAR(d.jointGetPistonAxis(jPiston), vector3df(0, 1, 0), 1e-6f);
  d.jointDestroy(jPiston);

  const u32 jUniversal = h.joint(d.jointCreateUniversal(w));
  d.jointAttach(jUniversal, pA, pB);
  d.jointSetUniversalAnchor(jUniversal, vector3df(0, -1, 0));
  d.jointSetUniversalAxis1(jUniversal, vector3df(0, 0, 1));
  d.jointSetUniversalAxis2(jUniversal, vector3df(1, 0, 0));
  EXPECT_VEC_NEAR(d.jointGetUniversalAnchor(jUniversal), vector3df(0, -1, 0), 1e-6f);
  EXPECT_VEC_NEAR(d.jointGetUniversalAnchor2(jUniversal), vector3df(0, -1, 0), 1e-6f);
  EXPECT_VEC_NEAR(d.jointGetUniversalAxis1(jUniversal), vector3df(0, 0, 1), 1e-6f);
  EXPECT_VEC_NEAR(d.jointGetUniversalAxis2(jUniversal), vector3df(1, 0, 0), 1e-6f);
  d.jointDestroy(jUniversal);

  const u32 jPr = h.joint(d.jointCreatePR(w));
  d.jointAttach(jPr, pA, pB);
  d.jointSetPrAnchor(jPr, vector3df(0, -1, 0));
  d.jointSetPrAxis1(jPr, vector3df(0, 1, 0));
  d.jointSetPrAxis2(jPr, vector3df(1, 0, 0));
  EXPECT_VEC_NEAR(d.jointGetPrAnchor(jPr), vector3df(0, -1, 0), 1e-6f);
  EXPECT_VEC_NEAR(d.jointGetPrAxis1(jPr), vector3df(0, 1, 0), 1e-6f);
  EXPECT_VEC_NEAR(d.jointGetPrAxis2(jPr), vector3df(1, 0, 0), 1e-6f);
  EXPECT_NEAR(d.jointGetPrPosition(jPr), 0.0f, 1e-6f);
  d.jointDestroy(jPr);

  const u32 jBall = h.joint(d.jointCreateBallSocket(w));
  d.jointAttach(jBall, pA, pB);
  d.jointSetBallAnchor(jBall, vector3df(0, -1, 0));
  EXPECT_VEC_NEAR(d.jointGetBallAnchor(jBall), vector3df(0, -1, 0), 1e-6f);
  EXPECT_VEC_NEAR(d.jointGetBallAnchor2(jBall), vector3df(0, -1, 0), 1e-6f);
}

TEST(DeviceFamilies, JointsAttachedToNothingReportNoPose) {
  CRurIvaDevice cDevice;
  CHandles h(&cDevice);
  const u32 w = h.world(cDevice.worldCreate());
  // Some of the library's readers dereference the first body unchecked (slider and PR
  // position, piston rate) or abort (hinge-2 axes).
  const u32 jHinge = h.joint(cDevice.jointCreateHinge(w));
  const u32 jSlider = h.joint(cDevice.jointCreateSlider(w));
  const u32 jPiston = h.joint(cDevice.jointCreatePiston(w));
  const u32 jPr = h.joint(cDevice.jointCreatePR(w));
  const u32 jHinge2 = h.joint(cDevice.jointCreateHinge2(w));
  EXPECT_VEC_NEAR(cDevice.jointGetHingeAxis(jHinge), vector3df(0, 0, 0), 0.0f);
  EXPECT_EQ(cDevice.jointGetSliderPosition(jSlider), 0.0f);
  EXPECT_EQ(cDevice.jointGetSliderPositionRate(jSlider), 0.0f);
  EXPECT_EQ(cDevice.jointGetPrPosition(jPr), 0.0f);
  EXPECT_EQ(cDevice.jointGetPistonPositionRate(jPiston), 0.0f);
  EXPECT_VEC_NEAR(cDevice.jointGetHinge2Axis1(jHinge2), vector3df(0, 0, 0), 0.0f);
  EXPECT_VEC_NEAR(cDevice.jointGetHinge2Axis2(jHinge2), vector3df(0, 0, 0), 0.0f);
  // Parameters belong to the joint itself and can be read without bodies.
  cDevice.jointSetHinge2Param(jHinge2, 0, 3, 4.0f);
  EXPECT_FLOAT_EQ(cDevice.jointGetHinge2Param(jHinge2, 0, 3), 4.0f);
}

TEST(DeviceFamilies, LayerParameterZeroIsTheHighStopOfEveryJoint) {
  CRurIvaDevice cDevice;
  CHandles h(&cDevice);
  const u32 w = h.world(cDevice.worldCreate());
  const f32 fInf = std::numeric_limits<f32>::infinity();

  const u32 jHinge = h.joint(cDevice.jointCreateHinge(w));
  cDevice.jointSetHingeParam(jHinge, 0, 0.5f);
  EXPECT_FLOAT_EQ(cDevice.jointGetHingeParam(jHinge, 0), 0.5f);
  EXPECT_EQ(cDevice.jointGetHingeParam(jHinge, 1), -fInf);  // the low stop is untouched

  const u32 jSlider = h.joint(cDevice.jointCreateSlider(w));
  cDevice.jointSetSliderParam(jSlider, 1, -0.25f);
  EXPECT_FLOAT_EQ(cDevice.jointGetSliderParam(jSlider, 1), -0.25f);
  EXPECT_EQ(cDevice.jointGetSliderParam(jSlider, 0), fInf);

  const u32 jPr = h.joint(cDevice.jointCreatePR(w));
  cDevice.jointSetPrParam(jPr, 0, 0, -0.3f);
  EXPECT_FLOAT_EQ(cDevice.jointGetPrParam(jPr, 0, 0), -0.3f);
  EXPECT_EQ(cDevice.jointGetPrParam(jPr, 0, 1), -fInf);  // the low stop is untouched

  // Axis 1 of a two-axis joint is its own group.
  const u32 jHinge2 = h.joint(cDevice.jointCreateHinge2(w));
  cDevice.jointSetHinge2Param(jHinge2, 1, 3, 5.0f);
  EXPECT_FLOAT_EQ(cDevice.jointGetHinge2Param(jHinge2, 1, 3), 5.0f);
  EXPECT_EQ(cDevice.jointGetHinge2Param(jHinge2, 0, 3), 0.0f);
  const u32 jUniversal = h.joint(cDevice.jointCreateUniversal(w));
  cDevice.jointSetUniversalParam(jUniversal, 1, 2, 1.5f);
  EXPECT_FLOAT_EQ(cDevice.jointGetUniversalParam(jUniversal, 1, 2), 1.5f);
  EXPECT_EQ(cDevice.jointGetUniversalParam(jUniversal, 0, 2), 0.0f);
  const u32 jPiston = h.joint(cDevice.jointCreatePiston(w));
  cDevice.jointSetPistonParam(jPiston, 1, 0, 0.75f);
  EXPECT_FLOAT_EQ(cDevice.jointGetPistonParam(jPiston, 1, 0), 0.75f);
  EXPECT_EQ(cDevice.jointGetPistonParam(jPiston, 0, 0), fInf);
  cDevice.jointSetPrParam(jPr, 1, 3, 6.0f);
  EXPECT_FLOAT_EQ(cDevice.jointGetPrParam(jPr, 1, 3), 6.0f);
  EXPECT_EQ(cDevice.jointGetPrParam(jPr, 0, 3), 0.0f);
}

TEST(DeviceFamilies, HingeHighStopStopsTheTurn) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  irr::ode::CRurIvaBody* pBody = cScene.addBodyNode(vector3df(0, 0, 0));
  const u32 b = pBody->getBodyId();
  d.bodySetGravityMode(b, 0);
  const u32 j = cScene.m_cHandles.joint(d.jointCreateHinge(cScene.worldId()));
  d.jointAttach(j, pBody, nullptr);
  d.jointSetHingeAnchor(j, vector3df(0, 0, 0));
  d.jointSetHingeAxis(j, vector3df(0, 0, 1));
  d.jointSetHingeParam(j, 0, 0.2f);   // high stop
  d.jointSetHingeParam(j, 1, -0.1f);  // low stop
  for (int i = 0; i < 200; ++i) {
    d.bodyAddTorque(b, vector3df(0, 0, 5));
    cScene.steps(1);
  }
  EXPECT_NEAR(d.jointGetHingeAngle(j), 0.2f, 0.02f);
  for (int i = 0; i < 200; ++i) {
    d.bodyAddTorque(b, vector3df(0, 0, -5));
    cScene.steps(1);
  }
  EXPECT_NEAR(d.jointGetHingeAngle(j), -0.1f, 0.02f);
}

TEST(DeviceFamilies, MassOperationsShapeTheBodysResponse) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  const u32 b = cScene.m_cHandles.body(d.bodyCreate(cScene.worldId()));
  d.bodySetGravityMode(b, 0);

  // Two masses of 1.5 and 2.5 added: a force of 8 for one step gives 8 / 4 * dt.
  const u32 m = d.massCreate();
  const u32 m2 = d.massCreate();
  d.massSetBoxTotal(m, 1.5f, 1, 1, 1);
  d.massSetCapsuleTotal(m2, 2.5f, 3, 0.5f, 1.0f);
  d.massAdd(m, m2);
  d.bodySetMass(b, m);
  d.bodyAddForce(b, vector3df(8, 0, 0));
  cScene.steps(1);
  EXPECT_NEAR(d.bodyGetLinearVelocity(b).X, 8.0f / 4.0f * 0.016f, 1e-6f);

  // A sphere of mass 2 and radius 1 has I = 0.8: a torque of 4 for one step turns it at
  // 4 / 0.8 * dt.
  d.bodySetLinearVelocity(b, vector3df(0, 0, 0));
  d.massSetZero(m);
  d.massSetSphereTotal(m, 2.0f, 1.0f);
  d.bodySetMass(b, m);
  d.bodyAddTorque(b, vector3df(0, 4, 0));
  cScene.steps(1);
  EXPECT_NEAR(d.bodyGetAngularVelocity(b).Y, 4.0f / 0.8f * 0.016f, 1e-5f);

  // Explicit parameters: mass 3, inertia diag (1, 2, 0.5).
  d.bodySetAngularVelocity(b, vector3df(0, 0, 0));
  d.massSetParameters(m, 3.0f, vector3df(0, 0, 0), vector3df(1, 2, 0.5f), vector3df(0, 0, 0));
  d.bodySetMass(b, m);
  d.bodyAddForce(b, vector3df(0, 0, 3));
  d.bodyAddTorque(b, vector3df(0, 0, 1));
  cScene.steps(1);
  EXPECT_NEAR(d.bodyGetLinearVelocity(b).Z, 1.0f * 0.016f, 1e-6f);
  EXPECT_NEAR(d.bodyGetAngularVelocity(b).Z, 2.0f * 0.016f, 1e-5f);

  // A cylinder of the same mass as the capsule: just check it is taken.
  d.massSetCylinderTotal(m, 2.0f, 2, 0.5f, 1.0f);
  d.bodySetMass(b, m);
  d.bodySetLinearVelocity(b, vector3df(0, 0, 0));
  d.bodyAddForce(b, vector3df(2, 0, 0));
  cScene.steps(1);
  EXPECT_NEAR(d.bodyGetLinearVelocity(b).X, 0.016f, 1e-6f);
}

TEST(DeviceFamilies, BodyForcesAndTorquesReachTheLibrary) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  const u32 b = cScene.addBody(vector3df(0, 0, 0), 1.0f, 1.0f);
  d.bodySetGravityMode(b, 0);
  // A force at a point one unit above the centre pushes and turns the body.
  d.bodyAddForceAtPosition(b, vector3df(1, 0, 0), vector3df(0, 1, 0));
  cScene.steps(1);
  EXPECT_NEAR(d.bodyGetLinearVelocity(b).X, 0.016f, 1e-6f);
  EXPECT_LT(d.bodyGetAngularVelocity(b).Z, -1e-3f);
  // bodySetTorque replaces the accumulated torque.
  d.bodySetAngularVelocity(b, vector3df(0, 0, 0));
  d.bodyAddTorque(b, vector3df(0, 100, 0));
  d.bodySetTorque(b, vector3df(0, 0, 0));
  cScene.steps(1);
  EXPECT_NEAR(d.bodyGetAngularVelocity(b).Y, 0.0f, 1e-7f);
}

TEST(DeviceFamilies, WorldGravityMovesItsBodies) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  const u32 b = cScene.addBody(vector3df(0, 0, 0));
  d.worldSetGravity(cScene.worldId(), vector3df(0, 0, -2));
  cScene.steps(10);
  EXPECT_NEAR(d.bodyGetLinearVelocity(b).Z, -2.0f * 10 * 0.016f, 1e-5f);
  EXPECT_NEAR(d.bodyGetLinearVelocity(b).Y, 0.0f, 1e-7f);
}
