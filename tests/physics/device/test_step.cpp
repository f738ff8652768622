// Stepping: the time accumulator, the events around every fixed step, the collision callback
// (groups, joined bodies, static pairs, rays, contact damping), fast collisions and the moved
// callback.
#include <gtest/gtest.h>
// The dynamics library itself, to deny a world the memory of its steps.
#include <ode/ode.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <utility>
#include <vector>

#include "CActingListener.h"
#include "CCountingCalculator.h"
#include "CDeviceScene.h"
#include "CEventLog.h"
#include "CRurIvaBody.h"
#include "CRurIvaDevice.h"
#include "CRurIvaEventQueue.h"
#include "CRurIvaGeomPlane.h"
#include "CRurIvaGeomRay.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaManager.h"
#include "CRurIvaSurfaceParameters.h"
#include "IRurIvaEvent.h"
#include "IRurIvaEventListener.h"

using namespace varrik::test;

namespace {

struct SSphereBody {
  CRurIvaBody* m_pBody;
  CRurIvaGeomSphere* m_pSphere;
  u32 id() const { return m_pBody->getBodyId(); }
};

// A sphere body of mass 1 whose node origin is the sphere's centre; initialise it with init().
SSphereBody sphereBody(CDeviceScene& cScene, const vector3df& cPos, f32 fRadius) {
  SSphereBody s;
  s.m_pBody = cScene.addSphereBody(cScene.world(), cPos, fRadius, 1.0f, &s.m_pSphere);
  return s;
}

// Contacts counted by a calculator of the device's (which owns it), in a world without gravity.
CCountingCalculator* countContactsWithoutGravity(CDeviceScene& cScene) {
  CCountingCalculator* pCalculator = new CCountingCalculator();
  cScene.m_pDevice->setContactCalculator(pCalculator);
  cScene.world()->setGravity(vector3df(0, 0, 0));
  return pCalculator;
}

irr::ode::CRurIvaGeomPlane* floorPlane(CDeviceScene& cScene) {
  irr::ode::CRurIvaGeomPlane* pPlane = cScene.addGround(cScene.world());
  pPlane->initPhysics();
  return pPlane;
}

}  // namespace

TEST(DeviceStep, AccumulatorRunsWholeStepsAndCarriesTheRest) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  CEventLog cEvents;
  d.step(0.01f, cScene.world());
  EXPECT_EQ(d.getStepCounter(), 1);
  EXPECT_NEAR(d.getTimeAccumulator(), -0.006f, 1e-6f);
  d.step(0.005f, cScene.world());
  EXPECT_EQ(d.getStepCounter(), 1);
  EXPECT_NEAR(d.getTimeAccumulator(), -0.001f, 1e-6f);
  d.step(0.05f, cScene.world());
  EXPECT_EQ(d.getStepCounter(), 5);
  EXPECT_NEAR(d.getTimeAccumulator(), -0.015f, 1e-6f);
  // No cap: a long frame runs all its steps (0.985 s in steps of 0.016 s: 62).
  d.step(1.0f, cScene.world());
  EXPECT_EQ(d.getStepCounter(), 5 + 62);
  EXPECT_NEAR(d.getTimeAccumulator(), -0.007f, 1e-5f);
  EXPECT_EQ(cEvents.count(irr::ode::eRurIvaEventStep), 67);
  EXPECT_EQ(cEvents.count(irr::ode::eRurIvaEventBeforeStep), 67);
  // Quick steps share the accumulator and the counter.
  d.quickStep(0.016f, cScene.world());
  EXPECT_EQ(d.getStepCounter(), 68);
}

TEST(DeviceStep, EveryStepIsFramedByABeforeStepAndAStepEvent) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  SSphereBody cBall = sphereBody(cScene, vector3df(0, 5, 0), 0.5f);
  cBall.m_pBody->initPhysics();
  CEventLog cEvents;
  d.step(0.032f, cScene.world());
  using namespace irr::ode;
  // The body moves during the dynamics step; the world reports its activation after the step
  // event (the body is enabled from the first step on).
  const std::vector<irr::u16> aExpected = {
      eRurIvaEventBeforeStep, eRurIvaEventBodyMoved, eRurIvaEventStep, eRurIvaEventActivationChanged,
      eRurIvaEventBeforeStep, eRurIvaEventBodyMoved, eRurIvaEventStep};
  EXPECT_EQ(cEvents.types(), aExpected);
  std::vector<u32> aStepNumbers, aFrameNumbers;
  for (const CEventLog::SEntry& e : cEvents.of(eRurIvaEventStep)) {
    aStepNumbers.push_back(e.iStepNo);
    aFrameNumbers.push_back(e.iFrameNo);
  }
  EXPECT_EQ(aStepNumbers, (std::vector<u32>{0, 1}));
  EXPECT_EQ(aFrameNumbers,
            (std::vector<u32>{cScene.m_pManager->getFrameNo(), cScene.m_pManager->getFrameNo()}));
}

TEST(DeviceStep, MovedBodiesReportTheirStateUnlessTheirGraphicsStayPut) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  SSphereBody cShown = sphereBody(cScene, vector3df(0, 5, 0), 0.5f);
  SSphereBody cHidden = sphereBody(cScene, vector3df(3, 5, 0), 0.5f);
  cHidden.m_pBody->setUpdateGraphics(false);
  cShown.m_pBody->initPhysics();
  cHidden.m_pBody->initPhysics();
  CEventLog cEvents;
  cScene.steps(10);
  const std::vector<CEventLog::SEntry> aMoved = cEvents.of(irr::ode::eRurIvaEventBodyMoved);
  ASSERT_EQ(aMoved.size(), 10u);
  for (const CEventLog::SEntry& e : aMoved) EXPECT_EQ(e.pBody, cShown.m_pBody);
  // The shown node follows the simulation, the hidden one is simulated but stays.
  EXPECT_VEC_NEAR(cShown.m_pBody->getPosition(), d.bodyGetPosition(cShown.id()), 1e-5f);
  EXPECT_LT(cShown.m_pBody->getPosition().Y, 5.0f);
  EXPECT_LT(d.bodyGetPosition(cHidden.id()).Y, 5.0f);
  EXPECT_EQ(cHidden.m_pBody->getPosition(), vector3df(3, 5, 0));
}

TEST(DeviceStep, ABodyWithoutAPositionKeepsItsNodePosition) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  cScene.world()->setGravity(vector3df(0, 0, 0));
  SSphereBody cBall = sphereBody(cScene, vector3df(1, 2, 3), 0.5f);
  cBall.m_pBody->initPhysics();
  CEventLog cEvents;
  const f32 fNan = std::numeric_limits<f32>::quiet_NaN();
  captured([&] { d.bodySetPosition(cBall.id(), vector3df(fNan, fNan, fNan)); });  // refused
  cScene.steps(1);
  const std::vector<CEventLog::SEntry> aMoved = cEvents.of(irr::ode::eRurIvaEventBodyMoved);
  ASSERT_EQ(aMoved.size(), 1u);
  EXPECT_EQ(aMoved[0].cPosition, vector3df(1, 2, 3));
  EXPECT_EQ(cBall.m_pBody->getPosition(), vector3df(1, 2, 3));
}

TEST(DeviceStep, CollisionGroupsStaticPairsAndJoinedBodies) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  CCountingCalculator* pCalculator = countContactsWithoutGravity(cScene);

  // Two overlapping spheres in one non-zero group never touch.
  SSphereBody a = sphereBody(cScene, vector3df(0, 0, 0), 1.0f);
  SSphereBody b = sphereBody(cScene, vector3df(1, 0, 0), 1.0f);
  a.m_pSphere->setCollisionGroup(3);
  b.m_pSphere->setCollisionGroup(3);
  a.m_pBody->initPhysics();
  b.m_pBody->initPhysics();
  // Two static spheres overlapping each other never touch either.
  CRurIvaGeomSphere* pStatic1 = cScene.add<CRurIvaGeomSphere>(cScene.world(), vector3df(20, 0, 0));
  CRurIvaGeomSphere* pStatic2 = cScene.add<CRurIvaGeomSphere>(cScene.world(), vector3df(20.5f, 0, 0));
  pStatic1->setRadius(1.0f);
  pStatic2->setRadius(1.0f);
  pStatic1->initPhysics();
  pStatic2->initPhysics();
  cScene.steps(1);
  EXPECT_EQ(pCalculator->m_iCalls, 0);
  EXPECT_FALSE(a.m_pBody->getCollision());

  // Group 3 with group 4 touch; their one contact gets the combined surface.
  b.m_pSphere->setCollisionGroup(4);
  cScene.steps(1);
  EXPECT_EQ(pCalculator->m_iCalls, 1);
  EXPECT_TRUE(a.m_pBody->getCollision());
  EXPECT_TRUE(b.m_pBody->getCollision());
  EXPECT_EQ(a.m_pBody->getTouched(), b.m_pSphere);
  EXPECT_EQ(b.m_pBody->getTouched(), a.m_pSphere);

  // Group 3 with group 0 touch as well.
  b.m_pSphere->setCollisionGroup(0);
  pCalculator->m_iCalls = 0;
  cScene.steps(1);
  EXPECT_EQ(pCalculator->m_iCalls, 1);

  // Bodies joined by a hinge do not collide with each other.
  const u32 j = cScene.m_cHandles.joint(d.jointCreateHinge(cScene.worldId()));
  d.jointAttach(j, a.m_pBody, b.m_pBody);
  d.jointSetHingeAnchor(j, d.bodyGetPosition(a.id()));
  d.jointSetHingeAxis(j, vector3df(0, 0, 1));
  pCalculator->m_iCalls = 0;
  cScene.steps(1);
  EXPECT_EQ(pCalculator->m_iCalls, 0);
  EXPECT_FALSE(a.m_pBody->getCollision());  // cleared before every step

  // A geometry that does not collide takes part in nothing.
  d.jointDestroy(j);
  a.m_pSphere->setCollide(false);
  cScene.steps(1);
  EXPECT_EQ(pCalculator->m_iCalls, 0);
}

TEST(DeviceStep, RaysReportHitsAndMakeNoContacts) {
  CDeviceScene cScene;
  CCountingCalculator* pCalculator = countContactsWithoutGravity(cScene);
  SSphereBody cBall = sphereBody(cScene, vector3df(0, 0, 0), 1.0f);
  cBall.m_pBody->initPhysics();
  irr::ode::CRurIvaGeomRay* pRay = cScene.add<irr::ode::CRurIvaGeomRay>(cScene.world());
  pRay->initPhysics();
  pRay->set(vector3df(0, 10, 0), vector3df(0, -1, 0), 20);

  CEventLog cEvents;
  cScene.steps(1);
  EXPECT_EQ(pCalculator->m_iCalls, 0);
  const std::vector<CEventLog::SEntry> aHits = cEvents.of(irr::ode::eRurIvaEventRayHit);
  ASSERT_EQ(aHits.size(), 1u);
  EXPECT_NEAR(aHits[0].fDistance, 9.0f, 1e-4f);  // from the ray's start to the sphere
  EXPECT_EQ(aHits[0].pBody, cBall.m_pBody);
  EXPECT_FALSE(cBall.m_pBody->getCollision());
  EXPECT_EQ(CRurIvaDevice::getFastCollisionCount(), 0u);  // a ray of no body records nothing
}

TEST(DeviceStep, AFastBodysRayHitIsCollidedAfterTheStepButNotByQuickStep) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  cScene.world()->setGravity(vector3df(0, 0, 0));
  floorPlane(cScene);
  SSphereBody cFast = sphereBody(cScene, vector3df(0, 5, 0), 0.5f);
  cFast.m_pBody->initPhysics();
  // The ray spans the body's last move; here it reaches through the floor.
  irr::ode::CRurIvaGeomRay* pRay = cScene.add<irr::ode::CRurIvaGeomRay>(cScene.world());
  pRay->initPhysics();
  pRay->setAttachedBody(cFast.m_pBody);
  pRay->set(vector3df(0, 5, 0), vector3df(0, -1, 0), 10);

  d.quickStep(0.016f, cScene.world());
  EXPECT_EQ(CRurIvaDevice::getFastCollisionCount(), 1u);
  d.quickStep(0.016f, cScene.world());
  EXPECT_EQ(CRurIvaDevice::getFastCollisionCount(), 2u);

  // A full step handles them: the body is put at the hit point and collided there.
  d.step(0.016f, cScene.world());
  EXPECT_EQ(CRurIvaDevice::getFastCollisionCount(), 0u);
  EXPECT_NEAR(d.bodyGetPosition(cFast.id()).Y, 0.0f, 1e-4f);
  EXPECT_TRUE(cFast.m_pBody->getCollision());

  // The next step's collision makes those contacts again, and only its own reach the solver:
  // the ball's one contact with the floor. Twice over, contact rows are ones the exact solver
  // cannot tell apart (a fuzzed scene of two fast bodies held where their rays hit made it abort
  // on a zero pivot).
  EXPECT_GT(dBodyGetNumJoints(d.getBodyId(cFast.id())), 0);
  int iInTheStep = -1;
  CActingListener cCount(irr::ode::eRurIvaEventBodyMoved,
                         [&] { iInTheStep = dBodyGetNumJoints(d.getBodyId(cFast.id())); });
  cCount.m_bOn = true;
  d.step(0.016f, cScene.world());
  EXPECT_EQ(iInTheStep, 1);

  // Destroying the body removes its waiting records.
  pRay->set(vector3df(0, 5, 0), vector3df(0, -1, 0), 10);
  d.quickStep(0.016f, cScene.world());
  EXPECT_EQ(CRurIvaDevice::getFastCollisionCount(), 1u);
  CRurIvaDevice::addFastCollision(nullptr, nullptr, vector3df(0, 0, 0));
  d.bodyDestroy(cFast.id());
  EXPECT_EQ(CRurIvaDevice::getFastCollisionCount(), 1u);  // only the other record is left
  d.step(0.016f, cScene.world());
  EXPECT_EQ(CRurIvaDevice::getFastCollisionCount(), 0u);
}

// A game may attach a ray of its own to a body. Whichever of the two goes first, the other is
// left pointing at nothing: a ray whose body went catches nothing for it, and a body whose ray
// went (or moved to another body) is not reached through it.
TEST(DeviceStep, ARayAndTheBodyItIsAttachedToOutliveEachOtherInAnyOrder) {
  enum EGoes { eTheBody, eTheRay, eTheRayMovesOn };
  for (EGoes eGoes : {eTheBody, eTheRay, eTheRayMovesOn}) {
    SCOPED_TRACE(eGoes);
    CDeviceScene cScene;
    cScene.world()->setGravity(vector3df(0, 0, 0));
    floorPlane(cScene);
    SSphereBody cFast = sphereBody(cScene, vector3df(0, 5, 0), 0.5f);
    SSphereBody cOther = sphereBody(cScene, vector3df(3, 5, 0), 0.5f);
    cFast.m_pBody->initPhysics();
    cOther.m_pBody->initPhysics();
    irr::ode::CRurIvaGeomRay* pRay = cScene.add<irr::ode::CRurIvaGeomRay>(cScene.world());
    pRay->initPhysics();
    pRay->setAttachedBody(cFast.m_pBody);
    pRay->set(vector3df(0, 5, 0), vector3df(0, -1, 0), 10);
    CRurIvaBody* pFast = cFast.m_pBody;
    pFast->grab();
    if (eGoes == eTheBody) {
      pFast->remove();
      pFast->drop();  // gone
      EXPECT_EQ(pRay->getAttachedBody(), nullptr);
      cScene.steps(2);  // the ray still hits the floor
      EXPECT_EQ(CRurIvaDevice::getFastCollisionCount(), 0u);
      continue;
    }
    if (eGoes == eTheRay) {
      pRay->remove();  // the world held it alone
    } else {
      pRay->setAttachedBody(cOther.m_pBody);
      EXPECT_EQ(pRay->getAttachedBody(), cOther.m_pBody);
    }
    pFast->remove();
    pFast->drop();  // lets go of no ray
    cScene.steps(2);
    if (eGoes == eTheRayMovesOn) {
      // The ray now catches the other body's collisions: it was put where the ray hits.
      EXPECT_NEAR(cOther.m_pBody->getPosition().X, 0.0f, 1e-3f);
      EXPECT_NEAR(cOther.m_pBody->getPosition().Y, 0.0f, 1e-3f);
    }
  }
}

namespace {
// The library's step takes the memory of its islands first and then that of its solver; ODE
// 0.16.2 ends the process when it has none for the islands, and fails the step when it has none
// for the solver. So the first block is given, later ones are not.
int g_iBlocks = 0;
void* firstBlockOnly(dsizeint iSize) { return g_iBlocks++ == 0 ? malloc(iSize) : nullptr; }
void* sameBlock(void* p, dsizeint, dsizeint) { return p; }
void freeBlock(void* p, dsizeint) { free(p); }
}  // namespace

// The library may find no memory for a step (the exact solver's matrices grow with the square of
// an island's contact rows): the step says so when the steps start failing, and moves nothing.
TEST(DeviceStep, AStepTheLibraryHasNoMemoryForSaysSoAndMovesNothing) {
  CDeviceScene cScene;
  SSphereBody cBall = sphereBody(cScene, vector3df(0, 5, 0), 0.5f);
  cBall.m_pBody->initPhysics();
  dWorldID w = cScene.m_pDevice->getWorldId(cScene.world()->getWorldId());
  ASSERT_NE(w, nullptr);
  const dWorldStepMemoryFunctionsInfo cNone = {sizeof(dWorldStepMemoryFunctionsInfo), firstBlockOnly,
                                               sameBlock, freeBlock};
  ASSERT_NE(dWorldSetStepMemoryManager(w, &cNone), 0);
  const std::string sMessage =
      "CRurIvaDevice::step: the dynamics library had no memory for this step, nothing moved";
  for (bool bQuick : {false, true}) {
    const std::string sOut = captured([&] {
      for (int i = 0; i < 3; ++i)
        bQuick ? cScene.m_pDevice->quickStep(0.016f, cScene.world()) : cScene.steps(1);
    });
    EXPECT_EQ(sOut, bQuick ? "" : sMessage + "\n");  // said once while the steps keep failing
    EXPECT_EQ(cBall.m_pBody->getPosition().Y, 5.0f);
  }
  ASSERT_NE(dWorldSetStepMemoryManager(w, nullptr), 0);  // the library's own again
  EXPECT_EQ(captured([&] { cScene.steps(2); }), "");
  EXPECT_LT(cBall.m_pBody->getPosition().Y, 5.0f);
}

TEST(DeviceStep, StaticDampingSurfaceSlowsTouchingBodiesToTheirLimit) {
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  cScene.world()->setGravity(vector3df(0, 0, 0));
  irr::ode::CRurIvaGeomPlane* pFloor = floorPlane(cScene);
  irr::ode::CRurIvaSurfaceParameters* p = pFloor->getSurfaceParameters(0);
  p->m_bDamps = true;
  p->m_fMaxLinearVelocity = 10.0f;
  p->m_fMaxLinearVelocityDamping = 0.5f;
  SSphereBody cBall = sphereBody(cScene, vector3df(0, 0.45f, 0), 0.5f);  // just touching
  cBall.m_pBody->initPhysics();

  // 12 * 0.5 = 6 is below the limit: the speed is cut to the limit of 10.
  d.bodySetLinearVelocity(cBall.id(), vector3df(12, 0, 0));
  cScene.steps(1);
  EXPECT_NEAR(d.bodyGetLinearVelocity(cBall.id()).X, 10.0f, 1e-3f);
  // 30 * 0.5 = 15 is still above it: the speed is halved.
  d.bodySetPosition(cBall.id(), vector3df(0, 0.45f, 0));
  d.bodySetLinearVelocity(cBall.id(), vector3df(30, 0, 0));
  cScene.steps(1);
  EXPECT_NEAR(d.bodyGetLinearVelocity(cBall.id()).X, 15.0f, 1e-3f);

  // Without the switch nothing is damped.
  p->m_bDamps = false;
  d.bodySetPosition(cBall.id(), vector3df(0, 0.45f, 0));
  d.bodySetLinearVelocity(cBall.id(), vector3df(30, 0, 0));
  cScene.steps(1);
  EXPECT_NEAR(d.bodyGetLinearVelocity(cBall.id()).X, 30.0f, 1e-3f);
}

TEST(DeviceStep, GeometriesInANestedSpaceCollideWithTheWorldsSpace) {
  // A space has no geometry node as its user data; the collision still enters it.
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  floorPlane(cScene);
  const u32 s = cScene.m_cHandles.space(d.spaceCreateSimple(cScene.spaceId()));
  CRurIvaGeomSphere* pCarrier = cScene.add<CRurIvaGeomSphere>(cScene.world());
  CRurIvaBody* pBody = cScene.addBodyNode(vector3df(0, 3, 0));
  const u32 g = cScene.m_cHandles.geom(d.geomCreateSphere(s, 1.0f));
  d.geomSetData(g, pCarrier);
  d.geomSetBody(g, pBody);
  cScene.steps(250);
  EXPECT_NEAR(d.bodyGetPosition(pBody->getBodyId()).Y, 1.0f, 0.05f);
}

TEST(DeviceStep, ContactsJoinTheBodiesGeometriesAreOnNow) {
  // The collision reads a geometry's body from its node, which may carry several geometries (a
  // mesh carries one per material): after every attach, detach, body or world destroyed and node
  // gone, a ball's contacts with a box carried by a node follow where the box is now; with the
  // node's own sphere as well (the node cannot name one body) and with the box alone.
  for (const bool bShared : {true, false}) {
    SCOPED_TRACE(bShared ? "a node with a sphere of its own" : "a node carrying the box alone");
    CDeviceScene cScene;
    CRurIvaDevice& d = *cScene.m_pDevice;
    CCountingCalculator* pCalculator = countContactsWithoutGravity(cScene);
    SSphereBody a = sphereBody(cScene, vector3df(0, 0, 0), 1.0f);
    a.m_pBody->initPhysics();
    CRurIvaGeomSphere* pCarrier = cScene.add<CRurIvaGeomSphere>(cScene.world(), vector3df(50, 0, 0));
    if (bShared) pCarrier->initPhysics();
    const u32 box = cScene.m_cHandles.geom(d.geomCreateBox(cScene.spaceId(), 1, 1, 1));
    d.geomSetPosition(box, vector3df(1, 0, 0));
    d.geomSetData(box, pCarrier);
    CRurIvaBody* pOther = cScene.addBodyNode(vector3df(1, 0, 0));
    // A body of a second world, which the library destroys with its bodies.
    CRurIvaWorld* pFarWorld = cScene.addWorld();
    pFarWorld->initPhysics();
    pFarWorld->setGravity(vector3df(0, 0, 0));
    CRurIvaBody* pFar = cScene.add<CRurIvaBody>(pFarWorld, vector3df(1, 0, 0));
    pFar->initPhysics();

    // Each row: what happens to the box, then whether the ball touches it and the other body the
    // ball (a contact joins the box's body as it is now).
    const struct {
      const char* sWhat;
      std::function<void()> fChange;
      bool bTouches;
      bool bOtherTouches;
    } aRows[] = {
        {"static", [] {}, true, false},
        {"on the ball's body", [&] { d.geomSetBody(box, a.m_pBody); }, false, false},
        {"taken off it", [&] { d.geomSetBody(box, 0); }, true, false},
        {"on another body", [&] { d.geomSetBody(box, pOther); }, true, true},
        {"its body destroyed", [&] { d.bodyDestroy(pOther->getBodyId()); }, true, false},
        // No contact joins two worlds; once the far world is gone with its body the box is static.
        {"on a body of another world", [&] { d.geomSetBody(box, pFar); }, false, false},
        {"that world destroyed", [&] { d.worldDestroy(pFarWorld->getWorldId()); }, true, false},
        {"its node gone", [&] { pCarrier->remove(); }, false, false},
    };
    for (const auto& r : aRows) {
      r.fChange();
      pCalculator->m_iCalls = 0;
      cScene.steps(1);
      EXPECT_EQ(pCalculator->m_iCalls > 0, r.bTouches) << r.sWhat;
      EXPECT_EQ(a.m_pBody->getTouched() == pCarrier, r.bTouches) << r.sWhat;
      EXPECT_EQ(pOther->getTouched() == a.m_pSphere, r.bOtherTouches) << r.sWhat;
      d.bodySetPosition(a.id(), vector3df(0, 0, 0));  // back where it touches the box, at rest
      d.bodySetLinearVelocity(a.id(), vector3df(0, 0, 0));
      d.bodySetAngularVelocity(a.id(), vector3df(0, 0, 0));
    }
  }
}

namespace {

//! Thresholds no resting body stays above, counted from one idle step: the library lays the body
//! to rest within some steps (it must lie on something: never in mid-air).
void layToRestAtOnce(CRurIvaDevice& d, const SSphereBody& b) {
  d.bodySetLinearAutoDisableThreshold(b.id(), 10.0f);
  d.bodySetAngularAutoDisableThreshold(b.id(), 10.0f);
  d.bodySetAutoDisableSteps(b.id(), 1);
  d.bodySetAutoDisableTime(b.id(), 0.0f);
  d.bodySetAutoDisableFlag(b.id(), 1);
}

}  // namespace

TEST(DeviceStep, ActivationEventsFollowTheLibraryWhateverListenersDoAfterTheMoves) {
  // Two balls lie side by side on the ground. After five steps a listener disables or destroys
  // them in the sixth, or the library lays them to rest; the bodies' activation events must say
  // so, however sure the step is that the bodies it moved are enabled.
  using namespace irr::ode;
  enum EAct { eRest, eDisableOnFirstMove, eDisableOnStep, eDestroyOnStep };
  struct SCase {
    const char* sWhat;
    EAct iAct;
  };
  const SCase kCases[] = {
      {"the library lays them to rest (automatic disabling)", eRest},
      {"a listener of the first moved body disables both, the one reported after it too",
       eDisableOnFirstMove},
      {"a listener of the step event disables both", eDisableOnStep},
      {"a listener of the step event destroys both through the device", eDestroyOnStep},
  };
  for (const SCase& c : kCases) {
    SCOPED_TRACE(c.sWhat);
    CDeviceScene cScene;
    CRurIvaDevice& d = *cScene.m_pDevice;
    floorPlane(cScene);
    SSphereBody aBalls[2] = {sphereBody(cScene, vector3df(0, 0.45f, 0), 0.5f),
                             sphereBody(cScene, vector3df(3, 0.45f, 0), 0.5f)};
    for (SSphereBody& b : aBalls) b.m_pBody->initPhysics();
    const auto act = [&] {
      for (SSphereBody& b : aBalls) {
        if (c.iAct == eDestroyOnStep)
          d.bodyDestroy(b.id());
        else
          d.bodyDisable(b.id());
      }
    };
    CActingListener cOnMove(eRurIvaEventBodyMoved, act), cOnStep(eRurIvaEventStep, act);
    cScene.steps(5);
    for (SSphereBody& b : aBalls) ASSERT_TRUE(b.m_pBody->isEnabled());
    CEventLog cEvents;
    if (c.iAct == eRest) {
      // Resting on the ground (the library never lays a body to rest in mid-air), below the
      // thresholds at once.
      for (SSphereBody& b : aBalls) layToRestAtOnce(d, b);
    }
    cOnMove.m_bOn = c.iAct == eDisableOnFirstMove;
    cOnStep.m_bOn = c.iAct == eDisableOnStep || c.iAct == eDestroyOnStep;
    cScene.steps(c.iAct == eRest ? 20 : 1);  // the library counts idle steps from the body's start
    const std::vector<CEventLog::SEntry> aChanges = cEvents.of(eRurIvaEventActivationChanged);
    EXPECT_EQ(aChanges.size(), 2u);
    for (const CEventLog::SEntry& e : aChanges) EXPECT_FALSE(e.bActive);
    for (SSphereBody& b : aBalls) {
      EXPECT_FALSE(b.m_pBody->isEnabled());
      EXPECT_FALSE(d.bodyIsEnabled(b.id()));
    }
  }
}

TEST(DeviceStep, AListenerMayRemoveTheNodeOfABodyLaidToRest) {
  // A game that clears away what has come to rest removes the node from the listener of its
  // deactivation, while the world is still going through its bodies after the step: the other
  // balls are still looked at and reported, and nothing reads the removed node.
  using namespace irr::ode;
  CDeviceScene cScene;
  CRurIvaDevice& d = *cScene.m_pDevice;
  floorPlane(cScene);
  std::vector<SSphereBody> aBalls;
  for (int i = 0; i < 3; ++i) aBalls.push_back(sphereBody(cScene, vector3df(3.0f * i, 0.45f, 0), 0.5f));
  for (SSphereBody& b : aBalls) b.m_pBody->initPhysics();
  cScene.steps(5);
  for (SSphereBody& b : aBalls) layToRestAtOnce(d, b);
  std::vector<CRurIvaBody*> aRemoved;
  struct CRemover final : IRurIvaEventListener {
    std::vector<CRurIvaBody*>* pRemoved;
    bool handlesEvent(IRurIvaEvent* p) override { return p->getType() == eRurIvaEventActivationChanged; }
    bool onEvent(IRurIvaEvent* p) override {
      CRurIvaBody* pBody = static_cast<CRurIvaEventActivationChanged*>(p)->getBody();
      if (!static_cast<CRurIvaEventActivationChanged*>(p)->isActive() && pBody) {
        pRemoved->push_back(pBody);
        pBody->remove();
      }
      return false;
    }
  } cRemover;
  cRemover.pRemoved = &aRemoved;
  CRurIvaManager::getSharedInstance()->getQueue()->addEventListener(&cRemover);
  cScene.steps(20);
  CRurIvaManager::getSharedInstance()->getQueue()->removeEventListener(&cRemover);
  EXPECT_EQ(aRemoved.size(), 3u);
  EXPECT_EQ(cScene.world()->getBodyCount(), 0u);
}

TEST(DeviceStep, AListenerMayRemoveAWorldNodeDuringTheFrame) {
  // A game changing its level removes a world from a listener while the manager is stepping its
  // worlds: the removed world stops stepping and goes, the other one steps on in every frame (the
  // first frame included), and nothing reads the removed node.
  using namespace irr::ode;
  const struct {
    const char* sWhat;
    u16 iEvent;
    bool bQuick;
    bool bRemoveStepping;  // the world being stepped, else the one that steps after it
  } kCases[] = {
      {"the stepping world, from its step event", eRurIvaEventStep, false, true},
      {"the stepping world, from its step event, iterative solver", eRurIvaEventStep, true, true},
      {"the stepping world, from its before-step event", eRurIvaEventBeforeStep, false, true},
      {"the stepping world, from a body-moved event", eRurIvaEventBodyMoved, false, true},
      {"the next world, from the stepping world's body-moved event", eRurIvaEventBodyMoved, false, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.sWhat);
    CDeviceScene cScene;
    CRurIvaWorld* aWorlds[2] = {cScene.world(), cScene.addWorld()};
    CRurIvaBody* aBalls[2];
    for (int i = 0; i < 2; ++i) {
      aWorlds[i]->initPhysics();
      aBalls[i] = cScene.add<CRurIvaBody>(aWorlds[i], vector3df(0, 2, 0));
      aBalls[i]->initPhysics();
    }
    const int iGone = c.bRemoveStepping ? 0 : 1;
    CActingListener cRemover(c.iEvent, [&] { aWorlds[iGone]->remove(); });
    cRemover.m_bOn = true;
    CRurIvaBody* pKept = aBalls[1 - iGone];
    f32 fLast = pKept->getPosition().Y;
    for (u32 t = 16; t < 200; t += 16) {
      cScene.frameAt(t, c.bQuick);
      EXPECT_LT(pKept->getPosition().Y, fLast) << "frame at " << t << " ms";
      fLast = pKept->getPosition().Y;
    }
    ASSERT_EQ(cScene.m_pManager->getWorlds().getSize(), 1u);
    EXPECT_EQ(*cScene.m_pManager->getWorlds().begin(), aWorlds[1 - iGone]);
  }
}
