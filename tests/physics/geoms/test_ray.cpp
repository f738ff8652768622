// Rays: what they hit is reported, never pushed, and a body that moves too fast for one step's
// collision pass is still stopped by a thin wall through the ray that spans its last movement.
#include <gtest/gtest.h>
#include <irrlicht.h>

#include <vector>

#include "CEventLog.h"
#include "CLevelScene.h"
#include "CRurIvaBody.h"
#include "CRurIvaEventBeforeStep.h"
#include "CRurIvaGeomBox.h"
#include "CRurIvaGeomRay.h"
#include "CRurIvaGeomTrimesh.h"
#include "CRurIvaSpace.h"
#include "IRurIvaEvent.h"
#include "TestChecks.h"
#include "TestMeshes.h"

using namespace varrik::test;

namespace {

using irr::ode::CRurIvaGeomRay;
namespace scene = irr::scene;
namespace video = irr::video;

//! The ray hits posted during step iStep (counted from 0).
std::vector<CEventLog::SEntry> hitsDuring(const CEventLog& cLog, u32 iStep) {
  std::vector<CEventLog::SEntry> a;
  for (const CEventLog::SEntry& e : cLog.of(irr::ode::eRurIvaEventRayHit))
    if (e.iSteps == iStep) a.push_back(e);
  return a;
}

//! A level scene (with the physics node factory registered, when asked) and a log of its events.
class RayScene : public CLevelScene {
 public:
  explicit RayScene(bool bFactory = false) : CLevelScene(bFactory ? eFactory : eNone) {}

  //! A box geometry of the given size below an empty node at cPos below pParent.
  CRurIvaGeomBox* addBox(ISceneNode* pParent, const vector3df& cPos, const vector3df& cSize) {
    CRurIvaGeomBox* pBox = add<CRurIvaGeomBox>(m_pSmgr->addEmptySceneNode(pParent, -1));
    pBox->getParent()->setPosition(cPos);
    pBox->setWidth(cSize.X);
    pBox->setHeight(cSize.Y);
    pBox->setDepht(cSize.Z);
    return pBox;
  }
  //! A weightless ball (gravity off) of mass 1.
  CRurIvaBody* addBall(const vector3df& cPos, f32 fRadius) {
    CRurIvaBody* pBody = CLevelScene::addBall(cPos, fRadius);
    pBody->setGravityMode(0);
    return pBody;
  }

  CEventLog m_cLog;
};

//! A quad of two triangles whose front faces the given normal: in the plane x = fAt (normal
//! -X or +X) or y = fAt (normal +Y or -Y), spanning -fHalf to fHalf in the other two axes.
scene::SMeshBuffer* rayQuad(const vector3df& cNormal, f32 fAt, f32 fHalf) {
  scene::SMeshBuffer* b = new scene::SMeshBuffer();
  const bool bWall = cNormal.X != 0;
  for (int i = 0; i < 4; ++i) {
    const f32 u = (i == 0 || i == 3) ? -fHalf : fHalf;
    const f32 v = (i < 2) ? -fHalf : fHalf;
    const vector3df c = bWall ? vector3df(fAt, u, v) : vector3df(u, fAt, v);
    b->Vertices.push_back(video::S3DVertex(c, cNormal, 0, {}));
  }
  // The winding that makes the geometric normal (v1 - v0) x (v2 - v0) the wanted one.
  const vector3df n =
      (b->Vertices[1].Pos - b->Vertices[0].Pos).crossProduct(b->Vertices[2].Pos - b->Vertices[0].Pos);
  const bool bFlip = n.dotProduct(cNormal) < 0;
  const u16 aFront[6] = {0, 1, 2, 0, 2, 3};
  const u16 aBack[6] = {0, 2, 1, 0, 3, 2};
  for (u16 i : bFlip ? aBack : aFront) b->Indices.push_back(i);
  b->recalculateBoundingBox();
  return b;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Ray hits

TEST(LevelRay, ARayThroughTheCentreOfABallFarAwayHitsItUnlessTheBallIsTooSmallToResolve) {
  // From 22000 below, a ball of radius 1e-4 is lost to the rounding of the library's ray test:
  // it found the hit exactly at the centre and aborted on a normal of length 0. Such a ball is
  // not hit; one that can be resolved is, near or far.
  struct SCase {
    f32 fRadius, fDistance;
    bool bHit;
  };
  const SCase kCases[] = {{1e-4f, 22000.0f, false}, {0.5f, 22000.0f, true}, {1e-4f, 10.0f, true}};
  for (const SCase& c : kCases) {
    SCOPED_TRACE(testing::Message() << "radius " << c.fRadius << " at " << c.fDistance);
    RayScene s;
    CRurIvaBody* pBall = s.addBall(vector3df(0, -110000.0f + c.fDistance, 0), c.fRadius);
    CRurIvaGeomRay* pRay = s.add<CRurIvaGeomRay>(s.world());
    captured([&] { s.init(); });
    pRay->set(vector3df(0, -110000.0f, 0), vector3df(0, 1, 0), 30000.0f);
    s.steps(2);
    const std::vector<CEventLog::SEntry> aHits = hitsDuring(s.m_cLog, 1);
    ASSERT_EQ(aHits.size(), c.bHit ? 1u : 0u);
    if (c.bHit) {
      EXPECT_EQ(aHits[0].pBody, pBall);
      EXPECT_NEAR(aHits[0].fDistance, c.fDistance - c.fRadius, 1e-2f);
    }
  }
}

TEST(LevelRay, FreshRayIsTenLongAndDoesNotCullBackFaces) {
  RayScene s;
  CRurIvaGeomRay* pRay = s.add<CRurIvaGeomRay>(s.world());
  EXPECT_FALSE(pRay->getBackfaceCull());
  EXPECT_EQ(pRay->getLength(), 10.0f);
  EXPECT_EQ(pRay->getAttachedBody(), nullptr);
}

TEST(LevelRay, RayDownAtABoxReportsOneHitPerStepAtItsDistanceAndPushesNothing) {
  RayScene s;
  CRurIvaBody* pBody = s.add<CRurIvaBody>(s.world(), vector3df(2, 0, 3));
  pBody->setGravityMode(0);
  CRurIvaGeomBox* pBox = s.addBox(pBody, vector3df(0, 0, 0), vector3df(2, 2, 2));
  CRurIvaGeomRay* pRay = s.add<CRurIvaGeomRay>(s.world());
  s.init();
  ASSERT_NE(pRay->getGeomId(), 0u);
  // From 10 above the box's centre straight down: the top face is 9 away.
  pRay->set(vector3df(2, 10, 3), vector3df(0, -1, 0), 20);

  s.steps(30);
  ASSERT_EQ(s.m_cLog.count(irr::ode::eRurIvaEventStep), 30);
  for (u32 i = 0; i < 30; ++i) {
    const std::vector<CEventLog::SEntry> aHits = hitsDuring(s.m_cLog, i);
    ASSERT_EQ(aHits.size(), 1u) << "step " << i;
    EXPECT_EQ(aHits[0].pRay, pRay);
    EXPECT_EQ(aHits[0].pGeom, pBox);
    EXPECT_EQ(aHits[0].pBody, pBody);
    EXPECT_NEAR(aHits[0].fDistance, 9.0f, 1e-4f);
    EXPECT_NEAR(aHits[0].cPosition.X, 2.0f, 1e-4f);
    EXPECT_NEAR(aHits[0].cPosition.Y, 1.0f, 1e-4f);
    EXPECT_NEAR(aHits[0].cPosition.Z, 3.0f, 1e-4f);
  }
  // A contact 9 deep would have thrown the box away; the box felt nothing.
  EXPECT_FALSE(pBody->getCollision());
  EXPECT_EQ(pBody->getTouched(), nullptr);
  EXPECT_NEAR(pBody->getPosition().getDistanceFrom(vector3df(2, 0, 3)), 0.0f, 1e-5f);
  EXPECT_NEAR(pBody->getLinearVelocity().getLength(), 0.0f, 1e-5f);
  EXPECT_NEAR(pBody->getAngularVelocity().getLength(), 0.0f, 1e-5f);
  EXPECT_EQ(s.m_pDevice->getFastCollisionCount(), 0u);

  // Too short to reach the box: no more hits.
  pRay->set(vector3df(2, 10, 3), vector3df(0, -1, 0), 8.5f);
  const size_t iHits = s.m_cLog.of(irr::ode::eRurIvaEventRayHit).size();
  s.steps(10);
  EXPECT_EQ(s.m_cLog.of(irr::ode::eRurIvaEventRayHit).size(), iHits);
}

TEST(LevelRay, RayHitsALevelTriangleFromItsFrontWhetherOrNotItCullsBackFaces) {
  RayScene s;
  // A floor facing up at y = 0, seen from above by two rays.
  CRurIvaGeomTrimesh* pFloor = s.addLevel(meshOf({rayQuad(vector3df(0, 1, 0), 0, 5)}));
  CRurIvaGeomRay* pPlain = s.add<CRurIvaGeomRay>(s.world());
  CRurIvaGeomRay* pCulling = s.add<CRurIvaGeomRay>(s.world());
  pCulling->setBackfaceCull(true);
  s.init();
  EXPECT_TRUE(pCulling->getBackfaceCull());
  pPlain->set(vector3df(1, 3, 1), vector3df(0, -1, 0), 10);
  pCulling->set(vector3df(-2, 4, 2), vector3df(0, -1, 0), 10);

  s.steps(1);
  const std::vector<CEventLog::SEntry> aHits = hitsDuring(s.m_cLog, 0);
  ASSERT_EQ(aHits.size(), 2u);
  for (const CEventLog::SEntry& h : aHits) {
    EXPECT_EQ(h.pGeom, pFloor);
    EXPECT_EQ(h.pBody, nullptr);
    EXPECT_NEAR(h.fDistance, h.pRay == pPlain ? 3.0f : 4.0f, 1e-4f);
    EXPECT_NEAR(h.cPosition.Y, 0.0f, 1e-4f);
  }
}

TEST(LevelRay, RaySeesNoLevelTriangleFromBehindEvenWithoutCulling) {
  // Measured on ODE 0.16.2: a ray meets a triangle of a mesh only on its front side, whatever
  // its culling flag says. A fast body's guard ray therefore catches a level's wall only when the
  // body comes at it from the side the wall faces.
  RayScene s;
  s.addLevel(meshOf({rayQuad(vector3df(0, 1, 0), 0, 5)}));
  CRurIvaGeomRay* pFromBelow = s.add<CRurIvaGeomRay>(s.world());
  s.init();
  ASSERT_FALSE(pFromBelow->getBackfaceCull());
  pFromBelow->set(vector3df(1, -4, 1), vector3df(0, 1, 0), 10);
  s.steps(3);
  EXPECT_TRUE(s.m_cLog.of(irr::ode::eRurIvaEventRayHit).empty());
}

// ---------------------------------------------------------------------------------------------
// Fast bodies

namespace {

//! Where a ball of radius 0.5 shot along +X at 1000 units per second (16 per step) from x = 0 is
//! after 30 steps, with a thin wall at x = 10 made by makeWall; also its speed along X.
template <class FWall>
std::pair<f32, f32> shootAtWall(bool bGuard, bool bFactory, FWall makeWall) {
  RayScene s(bFactory);
  makeWall(s);
  CRurIvaBody* pBall = s.addBall(vector3df(0, 0, 0), 0.5f);
  pBall->setLinearVelocity(vector3df(1000, 0, 0));
  s.init();
  if (bGuard) {
    pBall->setIsFastMoving(true);
    CRurIvaGeomRay* pRay = pBall->getFastMovingRay();
    EXPECT_NE(pRay, nullptr);
    if (!pRay) return {0, 0};
    EXPECT_EQ(pRay->getAttachedBody(), pBall);
    EXPECT_EQ(pRay->getParent(), s.world());
    EXPECT_TRUE(pRay->physicsInitialized());
    EXPECT_NE(pRay->getGeomId(), 0u);
  }
  s.steps(30);
  return {pBall->getPosition().X, pBall->getLinearVelocity().X};
}

void boxWall(RayScene& s) { s.addBox(s.world(), vector3df(10, 0, 0), vector3df(0.2f, 10, 10)); }

//! A level whose second material is a wall of zero thickness facing the ball; its first
//! material is far away.
void levelWall(RayScene& s) {
  s.addLevel(meshOf({rayQuad(vector3df(0, 1, 0), -50, 5), rayQuad(vector3df(-1, 0, 0), 10, 5)}));
}

}  // namespace

// Until a fast body first moves, its guard ray spans no path: a ball resting far from the world's
// origin is not put onto a box that lies where the library's new rays point (from the origin
// along +z), whether it was marked fast before or after its start.
TEST(LevelRay, AGuardRayBeforeItsBodysFirstMoveHitsNothing) {
  for (bool bBeforeStart : {true, false}) {
    SCOPED_TRACE(bBeforeStart ? "marked before its start" : "marked after its start");
    RayScene s;
    s.addBox(s.world(), vector3df(0, 0, 5), vector3df(2, 2, 2));
    CRurIvaBody* pBall = s.addBall(vector3df(20, 0, 0), 0.5f);
    if (bBeforeStart) pBall->setIsFastMoving(true);
    s.init();
    if (!bBeforeStart) pBall->setIsFastMoving(true);
    s.steps(3);
    EXPECT_NEAR(pBall->getPosition().X, 20.0f, 1e-3f);
    EXPECT_NEAR(pBall->getPosition().Z, 0.0f, 1e-3f);
    EXPECT_TRUE(s.m_cLog.of(irr::ode::eRurIvaEventRayHit).empty());
  }
}

TEST(LevelRay, FastBodyPassesThroughAThinWallWithoutItsGuardRay) {
  const std::pair<f32, f32> cBox = shootAtWall(false, false, boxWall);
  EXPECT_GT(cBox.first, 400.0f);
  EXPECT_NEAR(cBox.second, 1000.0f, 1e-3f);
  const std::pair<f32, f32> cLevel = shootAtWall(false, false, levelWall);
  EXPECT_GT(cLevel.first, 400.0f);
}

TEST(LevelRay, FastBodyIsStoppedByAThinBoxWall) {
  for (bool bFactory : {false, true}) {
    SCOPED_TRACE(bFactory ? "ray made by the registered factory" : "ray made directly");
    const std::pair<f32, f32> c = shootAtWall(true, bFactory, boxWall);
    EXPECT_LT(c.first, 9.9f);
    EXPECT_GT(c.first, 0.0f);
    EXPECT_LT(c.second, 1.0f);
  }
}

TEST(LevelRay, FastBodyIsStoppedByAThinLevelWall) {
  const std::pair<f32, f32> c = shootAtWall(true, true, levelWall);
  EXPECT_LT(c.first, 10.0f);
  EXPECT_GT(c.first, 0.0f);
  EXPECT_LT(c.second, 1.0f);
}

namespace {

//! What a game may do when the guard ray of its fast ball reports the wall: the listener runs
//! inside the collision pass, while the library's space is locked.
enum class EOnHit {
  eRemoveWall,
  eDeleteWall,
  eMoveWall,
  eTurnTheRay,
  eAddBox,
  eRemoveBall,
  ePutBallBack,
  ePutBallBackByAShapeInNoSpace,
  eDeleteBallShape,
  eRemoveSpaceOfTheWall,
  eRemoveWorld,
  eRemoveWorldBeforeTheStep
};

class COnHit : public irr::ode::IRurIvaEventListener {
 public:
  COnHit(RayScene& s, EOnHit eAction, CRurIvaGeomBox* pWall, CRurIvaBody* pBall)
      : m_s(s), m_eAction(eAction), m_pWall(pWall), m_pBall(pBall) {
    CRurIvaManager::getSharedInstance()->getQueue()->addEventListener(this);
  }
  ~COnHit() { CRurIvaManager::getSharedInstance()->getQueue()->removeEventListener(this); }
  COnHit(const COnHit&) = delete;
  COnHit& operator=(const COnHit&) = delete;

  bool handlesEvent(irr::ode::IRurIvaEvent* pEvent) override {
    return pEvent->getType() == irr::ode::eRurIvaEventRayHit ||
           pEvent->getType() == irr::ode::eRurIvaEventBeforeStep;
  }
  bool onEvent(irr::ode::IRurIvaEvent* pEvent) override {
    if (m_iDone) return false;
    if (pEvent->getType() == irr::ode::eRurIvaEventBeforeStep) {
      if (m_eAction != EOnHit::eRemoveWorldBeforeTheStep) return false;
      ++m_iDone;
      m_s.world()->removeFromPhysics();
      return true;
    }
    if (static_cast<irr::ode::CRurIvaEventRayHit*>(pEvent)->getGeom() != m_pWall) return false;
    ++m_iDone;
    switch (m_eAction) {
      case EOnHit::eRemoveWall:
        m_pWall->removeFromPhysics();
        break;
      case EOnHit::eDeleteWall:
        m_pWall->removeFromPhysics();
        m_pWall->getParent()->remove();  // the wall's holder was its only owner: both are gone
        break;
      case EOnHit::eMoveWall:
        CRurIvaManager::getSharedInstance()->getOdeDevice()->geomSetPosition(m_pWall->getGeomId(),
                                                                             vector3df(10, 1000, 0));
        break;
      case EOnHit::eTurnTheRay:
        m_pBall->getFastMovingRay()->set(vector3df(0, 0, 0), vector3df(0, 1, 0), 1);
        break;
      case EOnHit::eAddBox:
        // A second wall further on, which the ball meets when the first has let it through.
        m_pWall->removeFromPhysics();
        m_s.addBox(m_s.world(), vector3df(200, 0, 0), vector3df(0.2f, 10, 10))->initPhysics();
        break;
      case EOnHit::eRemoveBall:
        m_pBall->removeFromPhysics();
        break;
      case EOnHit::ePutBallBack:
        m_pBall->setPosition(vector3df(-100, 0, 0));
        break;
      case EOnHit::ePutBallBackByAShapeInNoSpace:
        // Placing a shape of a body places the body, and with it its shape in the locked space.
        CRurIvaManager::getSharedInstance()->getOdeDevice()->geomSetPosition(m_iShapeInNoSpace,
                                                                             vector3df(-100, 0, 0));
        break;
      case EOnHit::eDeleteBallShape:
        m_pBall->getFirstGeom()->remove();
        break;
      case EOnHit::eRemoveSpaceOfTheWall:
        m_s.world()->getSpace()->removeFromPhysics();
        break;
      case EOnHit::eRemoveWorld:
        m_s.world()->removeFromPhysics();
        break;
      case EOnHit::eRemoveWorldBeforeTheStep:
        break;
    }
    return true;
  }

  int m_iDone = 0;
  //! A second shape of the ball, in no space.
  u32 m_iShapeInNoSpace = 0;

 private:
  RayScene& m_s;
  EOnHit m_eAction;
  CRurIvaGeomBox* m_pWall;
  CRurIvaBody* m_pBall;
};

}  // namespace

TEST(LevelRay, WhatARayHitListenerTakesAwayOrAddsWaitsForTheEndOfTheCollisionPass) {
  // The library aborts when a geometry leaves, joins, moves in or changes bodies in a space it is
  // colliding; a listener of a ray hit runs just then. The fast ball's hit is handled after the
  // step, when the wall may be gone: the ball then goes on, and nothing reads the wall's freed node.
  struct SCase {
    const char* sName;
    EOnHit eAction;
    f32 fMinX, fMaxX;  // where the ball is after 30 steps
  };
  const SCase aCases[] = {
      {"wall removed from the simulation", EOnHit::eRemoveWall, 100, 1e9f},
      {"wall deleted", EOnHit::eDeleteWall, 100, 1e9f},
      {"the ray turned away (the hit it made still counts)", EOnHit::eTurnTheRay, -1, 10},
      {"wall removed and another made further on", EOnHit::eAddBox, 100, 200},
      {"wall moved out of the way", EOnHit::eMoveWall, 100, 1e9f},
      {"ball removed", EOnHit::eRemoveBall, 0, 1e9f},
      {"ball put back, to meet the wall again", EOnHit::ePutBallBack, -100, 10},
      {"ball placed by its shape in no space", EOnHit::ePutBallBackByAShapeInNoSpace, -100, 1e9f},
      {"the ball's shape deleted", EOnHit::eDeleteBallShape, 0, 1e9f},
      {"the space of the wall removed", EOnHit::eRemoveSpaceOfTheWall, 0, 1e9f},
      {"the world removed", EOnHit::eRemoveWorld, 0, 1e9f},
      {"the world removed by a listener of the step's start", EOnHit::eRemoveWorldBeforeTheStep, 0, 1},
  };
  for (const SCase& c : aCases) {
    SCOPED_TRACE(c.sName);
    RayScene s;
    CRurIvaGeomBox* pWall = s.addBox(s.world(), vector3df(10, 0, 0), vector3df(0.2f, 10, 10));
    CRurIvaBody* pBall = s.addBall(vector3df(0, 0, 0), 0.5f);
    pBall->setLinearVelocity(vector3df(1000, 0, 0));
    s.init();
    pBall->setIsFastMoving(true);
    COnHit cListener(s, c.eAction, pWall, pBall);
    if (c.eAction == EOnHit::ePutBallBackByAShapeInNoSpace) {
      irr::ode::CRurIvaDevice* d = s.m_pDevice;
      cListener.m_iShapeInNoSpace = d->geomCreateSphere(0, 0.1f);
      d->geomSetBody(cListener.m_iShapeInNoSpace, pBall);
    }
    s.steps(30);
    EXPECT_EQ(cListener.m_iDone, 1);
    EXPECT_GE(pBall->getPosition().X, c.fMinX);
    EXPECT_LE(pBall->getPosition().X, c.fMaxX);
  }
}
