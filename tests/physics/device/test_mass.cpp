// A body whose mass centre lies away from its node origin: the library body sits at the centre
// of mass, the geometries and joints keep their places in the world, and every position the
// layer reads or writes stays in node-origin terms.
#include <gtest/gtest.h>

#include <vector>

#include "CDeviceScene.h"
#include "CEventLog.h"
#include "CHandles.h"
#include "CRurIvaBody.h"
#include "CRurIvaDevice.h"
#include "CRurIvaGeomSphere.h"
#include "IRurIvaEvent.h"

using namespace varrik::test;

namespace {

// A body node with a sphere geometry below a visible node at an offset from the body; and a
// floor plane at y = 0.
struct SOffsetBody {
  SOffsetBody(CDeviceScene& cScene, const vector3df& cPos, const vector3df& cOffset, f32 fRadius, f32 fMass,
              bool bCollide = true) {
    m_pBody = cScene.add<CRurIvaBody>(cScene.world(), cPos);
    m_pSphere = cScene.add<CRurIvaGeomSphere>(cScene.addEmpty(m_pBody, cOffset));
    m_pSphere->setRadius(fRadius);
    m_pSphere->setMassTotal(fMass);
    m_pSphere->setCollide(bCollide);
    m_pBody->initPhysics();
  }
  u32 id() const { return m_pBody->getBodyId(); }
  CRurIvaBody* m_pBody;
  CRurIvaGeomSphere* m_pSphere;
};

void addFloor(CDeviceScene& cScene) { cScene.addGround(cScene.world())->initPhysics(); }

//! The positions the body-moved events of one body carried.
std::vector<vector3df> movedPositions(const CEventLog& cLog, CRurIvaBody* pBody) {
  std::vector<vector3df> a;
  for (const CEventLog::SEntry& e : cLog.of(irr::ode::eRurIvaEventBodyMoved))
    if (e.pBody == pBody) a.push_back(e.cPosition);
  return a;
}

}  // namespace

TEST(DeviceCentreOfMass, BodySitsAtItsCentreOfMassWhilePositionsStayAtTheNodeOrigin) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  // The mass of a sphere 5 below the node origin; the library would abort on it as it is.
  SOffsetBody cBody(cScene, vector3df(0, 10, 0), vector3df(0, -5, 0), 1.0f, 1.0f);
  const u32 b = cBody.id();
  EXPECT_VEC_NEAR(d.getBodyCenterOfMass(b), vector3df(0, -5, 0), 1e-6f);
  EXPECT_VEC_NEAR(d.bodyGetPosition(b), vector3df(0, 10, 0), 1e-5f);
  // Body points are given from the node origin.
  EXPECT_VEC_NEAR(d.bodyGetRelPointPos(b, vector3df(0, -5, 0)), vector3df(0, 5, 0), 1e-5f);
  EXPECT_VEC_NEAR(d.bodyGetPosRelPoint(b, vector3df(0, 5, 0)), vector3df(0, -5, 0), 1e-5f);

  d.bodySetPosition(b, vector3df(1, 10, 0));
  EXPECT_VEC_NEAR(d.bodyGetPosition(b), vector3df(1, 10, 0), 1e-5f);
  EXPECT_VEC_NEAR(d.bodyGetRelPointPos(b, vector3df(0, -5, 0)), vector3df(1, 5, 0), 1e-5f);

  // Turning the body keeps the node origin in place; the centre swings round it.
  d.bodySetRotation(b, vector3df(0, 0, 90));
  EXPECT_VEC_NEAR(d.bodyGetPosition(b), vector3df(1, 10, 0), 1e-5f);
  EXPECT_VEC_NEAR(d.bodyGetRelPointPos(b, vector3df(0, -5, 0)), vector3df(6, 10, 0), 1e-5f);
  irr::core::quaternion q;
  q.W = 1;
  q.X = q.Y = q.Z = 0;
  d.bodySetQuaternion(b, q);
  EXPECT_VEC_NEAR(d.bodyGetPosition(b), vector3df(1, 10, 0), 1e-5f);
  EXPECT_VEC_NEAR(d.bodyGetRelPointPos(b, vector3df(0, -5, 0)), vector3df(1, 5, 0), 1e-5f);
}

TEST(DeviceCentreOfMass, GeometryKeepsItsPlaceAndTheBodyRestsOnIt) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  addFloor(cScene);
  SOffsetBody cBody(cScene, vector3df(0, 10, 0), vector3df(0, -5, 0), 1.0f, 1.0f);
  cScene.steps(250);
  // The sphere's centre rests one radius above the floor, the node origin 5 above that.
  EXPECT_NEAR(d.bodyGetPosition(cBody.id()).Y, 6.0f, 0.05f);
  EXPECT_NEAR(cBody.m_pBody->getPosition().Y, 6.0f, 0.05f);  // the node follows through the events
  EXPECT_VEC_NEAR(d.bodyGetRotation(cBody.id()), vector3df(0, 0, 0), 0.01f);
}

TEST(DeviceCentreOfMass, ASecondMassRebasesFromTheFirst) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  addFloor(cScene);
  SOffsetBody cBody(cScene, vector3df(0, 10, 0), vector3df(0, -5, 0), 1.0f, 1.0f);
  const u32 b = cBody.id();
  // A new mass centred 2 to the side of the node origin.
  const u32 m = d.massCreate();
  d.massSetSphereTotal(m, 3.0f, 1.0f);
  d.massTranslate(m, vector3df(0, -5, 0));
  d.bodySetMass(b, m);
  EXPECT_VEC_NEAR(d.getBodyCenterOfMass(b), vector3df(0, -5, 0), 1e-6f);
  d.massSetZero(m);
  d.massSetSphereTotal(m, 3.0f, 1.0f);
  d.massTranslate(m, vector3df(0, -4, 0));
  d.bodySetMass(b, m);
  EXPECT_VEC_NEAR(d.getBodyCenterOfMass(b), vector3df(0, -4, 0), 1e-6f);
  EXPECT_VEC_NEAR(d.bodyGetPosition(b), vector3df(0, 10, 0), 1e-5f);
  EXPECT_VEC_NEAR(d.bodyGetRelPointPos(b, vector3df(0, -5, 0)), vector3df(0, 5, 0), 1e-5f);
  // The geometry has not moved either: the body comes to rest as before.
  cScene.steps(250);
  EXPECT_NEAR(d.bodyGetPosition(b).Y, 6.0f, 0.05f);
}

TEST(DeviceCentreOfMass, OffsetsSetLaterAreGivenFromTheNodeOrigin) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  addFloor(cScene);
  SOffsetBody cBody(cScene, vector3df(0, 10, 0), vector3df(0, -5, 0), 1.0f, 1.0f);
  // Move the sphere up to 3 below the node origin: the origin now rests 4 above the floor.
  d.geomSetOffsetPosition(cBody.m_pSphere->getGeomId(), vector3df(0, -3, 0));
  cScene.steps(250);
  EXPECT_NEAR(d.bodyGetPosition(cBody.id()).Y, 4.0f, 0.05f);
}

TEST(DeviceCentreOfMass, AForceThroughTheCentreOfMassDoesNotTurnTheBody) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  SOffsetBody cBody(cScene, vector3df(0, 10, 0), vector3df(0, -5, 0), 1.0f, 1.0f);
  const u32 b = cBody.id();
  d.bodySetGravityMode(b, 0);
  d.bodyAddForceAtPosition(b, vector3df(1, 0, 0), vector3df(0, 5, 0));  // through the centre
  cScene.steps(1);
  EXPECT_VEC_NEAR(d.bodyGetAngularVelocity(b), vector3df(0, 0, 0), 1e-6f);
  EXPECT_NEAR(d.bodyGetLinearVelocity(b).X, 0.016f, 1e-6f);

  // The same force at the node origin, 5 above the centre, turns the sphere (I = 0.4) too.
  d.bodySetLinearVelocity(b, vector3df(0, 0, 0));
  d.bodyAddForceAtPosition(b, vector3df(1, 0, 0), d.bodyGetPosition(b));
  cScene.steps(1);
  EXPECT_NEAR(d.bodyGetAngularVelocity(b).Z, -5.0f / 0.4f * 0.016f, 1e-4f);
}

TEST(DeviceCentreOfMass, VelocityIsThatOfTheCentreAndPointVelocitiesUseNodePoints) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  SOffsetBody cBody(cScene, vector3df(0, 10, 0), vector3df(0, -5, 0), 1.0f, 1.0f);
  const u32 b = cBody.id();
  d.bodySetLinearVelocity(b, vector3df(1, 0, 0));
  d.bodySetAngularVelocity(b, vector3df(0, 0, 1));
  EXPECT_VEC_NEAR(d.bodyGetLinearVelocity(b), vector3df(1, 0, 0), 1e-6f);
  // The node origin lies 5 above the centre: turning about z moves it by -5 along x.
  EXPECT_VEC_NEAR(d.bodyGetRelPointVel(b, vector3df(0, 0, 0)), vector3df(-4, 0, 0), 1e-5f);
  EXPECT_VEC_NEAR(d.bodyGetPointVel(b, vector3df(0, -5, 0)), vector3df(1, 0, 0), 1e-5f);
}

TEST(DeviceCentreOfMass, JointsKeepTheirWorldAnchorsWhenTheBodyIsRebased) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  CHandles& h = cScene.m_cHandles;
  CRurIvaBody* pA = cScene.addBodyNode(vector3df(0, 0, 0));
  CRurIvaBody* pB = cScene.addBodyNode(vector3df(0, -2, 0));
  const u32 w = cScene.worldId();
  const u32 jHinge = h.joint(d.jointCreateHinge(w));
  d.jointAttach(jHinge, pA, pB);
  d.jointSetHingeAnchor(jHinge, vector3df(0, -1, 0));
  d.jointSetHingeAxis(jHinge, vector3df(0, 0, 1));
  const u32 jBall = h.joint(d.jointCreateBallSocket(w));
  d.jointAttach(jBall, pA, nullptr);
  d.jointSetBallAnchor(jBall, vector3df(0, 1, 0));
  const u32 jSlider = h.joint(d.jointCreateSlider(w));
  d.jointAttach(jSlider, pB, nullptr);
  d.jointSetSliderAxis(jSlider, vector3df(0, 1, 0));

  const u32 m = d.massCreate();
  d.massSetSphereTotal(m, 2.0f, 0.5f);
  d.massTranslate(m, vector3df(3, 0, 0));
  d.bodySetMass(pA->getBodyId(), m);
  d.bodySetMass(pB->getBodyId(), m);
  EXPECT_VEC_NEAR(d.jointGetHingeAnchor1(jHinge), vector3df(0, -1, 0), 1e-5f);
  EXPECT_VEC_NEAR(d.jointGetHingeAnchor2(jHinge), vector3df(0, -1, 0), 1e-5f);
  EXPECT_VEC_NEAR(d.jointGetBallAnchor(jBall), vector3df(0, 1, 0), 1e-5f);
  EXPECT_VEC_NEAR(d.jointGetBallAnchor2(jBall), vector3df(0, 1, 0), 1e-5f);
  EXPECT_NEAR(d.jointGetSliderPosition(jSlider), 0.0f, 1e-5f);

  // Nothing jumps when the world steps without gravity.
  d.worldSetGravity(w, vector3df(0, 0, 0));
  cScene.steps(20);
  EXPECT_VEC_NEAR(d.bodyGetPosition(pA->getBodyId()), vector3df(0, 0, 0), 1e-4f);
  EXPECT_VEC_NEAR(d.bodyGetPosition(pB->getBodyId()), vector3df(0, -2, 0), 1e-4f);
}

TEST(DeviceCentreOfMass, BodyMovedEventsCarryTheNodeOrigin) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  SOffsetBody cBody(cScene, vector3df(0, 10, 0), vector3df(0, -5, 0), 1.0f, 1.0f);
  std::vector<vector3df> aPositions;
  {
    CEventLog cLog;
    cScene.steps(3);
    aPositions = movedPositions(cLog, cBody.m_pBody);
  }
  ASSERT_EQ(aPositions.size(), 3u);
  EXPECT_VEC_NEAR(aPositions.back(), d.bodyGetPosition(cBody.id()), 1e-5f);
  EXPECT_NEAR(aPositions.back().Y, 10.0f, 0.1f);  // not the centre, 5 below
  EXPECT_LT(aPositions.back().Y, 10.0f);          // falling
}

TEST(DeviceCentreOfMass, MovedEventsOfATurningBodyGiveTheLibrarysOriginToTheBit) {
  // The step works the origin out from the body's rotation itself; it must be the value the
  // library gives for the node origin as a point of the body, or nodes would drift from it.
  struct SCase {
    const char* sName;
    vector3df cOffset, cSpin;
  };
  const SCase aCases[] = {
      {"centre below, spinning about x", vector3df(0, -5, 0), vector3df(3, 0, 0)},
      {"centre off every axis, tumbling", vector3df(0.3f, -5, 0.7f), vector3df(1.5f, -2.5f, 4)},
      {"centre far to the side, spinning fast", vector3df(40, 0.5f, -3), vector3df(-7, 11, 2)},
  };
  for (const SCase& c : aCases) {
    SCOPED_TRACE(c.sName);
    CDeviceScene cScene;
    CRurIvaDevice& d = *cScene.m_pDevice;
    SOffsetBody cBody(cScene, vector3df(0, 10, 0), c.cOffset, 1.0f, 1.0f, false);
    d.bodySetAngularVelocity(cBody.id(), c.cSpin);
    for (int i = 0; i < 30; ++i) {
      CEventLog cLog;
      cScene.steps(1);
      const std::vector<vector3df> a = movedPositions(cLog, cBody.m_pBody);
      ASSERT_EQ(a.size(), 1u);
      const vector3df cRead = d.bodyGetRelPointPos(cBody.id(), vector3df(0, 0, 0));
      ASSERT_EQ(a[0].X, cRead.X) << "step " << i;
      ASSERT_EQ(a[0].Y, cRead.Y) << "step " << i;
      ASSERT_EQ(a[0].Z, cRead.Z) << "step " << i;
    }
  }
}

TEST(DeviceCentreOfMass, AGeometryAttachedAfterTheMassSitsAtTheNodeOrigin) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  addFloor(cScene);
  // The mass sits 5 below the node origin in a sphere that touches nothing.
  SOffsetBody cBody(cScene, vector3df(0, 10, 0), vector3df(0, -5, 0), 1.0f, 1.0f, false);
  // A sphere attached afterwards, without an offset; a geometry node that is never initialised
  // stands in as its user data, so that contacts find a surface for it.
  CRurIvaGeomSphere* pCarrier = cScene.add<CRurIvaGeomSphere>(cScene.world());
  const u32 g = cScene.m_cHandles.geom(d.geomCreateSphere(cScene.spaceId(), 0.5f));
  d.geomSetData(g, pCarrier);
  d.geomSetBody(g, cBody.m_pBody);
  cScene.steps(250);
  // It sits at the node origin, which therefore rests half a unit above the floor.
  EXPECT_NEAR(d.bodyGetPosition(cBody.id()).Y, 0.5f, 0.05f);
  d.geomDestroy(g);
}
