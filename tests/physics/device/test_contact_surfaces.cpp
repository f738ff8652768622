// The surface of the contacts the collision callback makes: which pairs ask the contact
// calculator, how often, and that its answer is what the contacts get, whether the layer's own
// combination is used or an application's calculator.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "CCountingCalculator.h"
#include "CDeviceScene.h"
#include "CRurIvaBody.h"
#include "CRurIvaDevice.h"
#include "CRurIvaGeomBox.h"
#include "CRurIvaGeomPlane.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaSurfaceParameters.h"
#include "IRurIvaContactParameters.h"

using namespace varrik::test;

namespace {

//! Every contact bounces back with all its speed, whatever the two surfaces say.
class CBouncyCalculator : public irr::ode::IRurIvaContactParameters {
 public:
  void calculateContactParameters(CRurIvaSurfaceParameters*, CRurIvaSurfaceParameters*,
                                  CRurIvaSurfaceParameters* pResult) override {
    pResult->setMode(irr::ode::eRurIvaContactBounce);
    pResult->setBounce(1.0f);
    pResult->setBounceVel(0.0f);
  }
};

//! The highest a ball comes over 120 steps after it first touched the ground (0 if it never
//! comes below 0.6, which fails the test).
f32 highestAfterLanding(CDeviceScene& cScene, CRurIvaBody* pBall) {
  f32 fHighest = 0.0f;
  bool bLanded = false;
  for (int iStep = 0; iStep < 120; ++iStep) {
    cScene.steps(1);
    const f32 y = pBall->getPosition().Y;
    if (y < 0.6f) bLanded = true;
    if (bLanded && y > fHighest) fHighest = y;
  }
  EXPECT_TRUE(bLanded);
  return fHighest;
}

struct SContactCase {
  const char* sWhat;
  //! Builds the bodies on the scene's ground (gravity off).
  void (*fBuild)(CDeviceScene& cScene);
  //! Contacts the pairs make in one step.
  int iContacts;
};

const SContactCase kContactCases[] = {
    {"a sphere resting on the ground meets it in one point",
     [](CDeviceScene& s) { s.addSphereBody(s.world(), vector3df(0, 0.49f, 0), 0.5f)->initPhysics(); }, 1},
    {"a box resting on the ground meets it at four corners",
     [](CDeviceScene& s) {
       s.addBoxBody(s.world(), vector3df(0, 0.49f, 0), vector3df(1, 1, 1))->initPhysics();
     },
     4},
    {"spheres whose bounds overlap but which do not touch make no contact",
     [](CDeviceScene& s) {
       s.addSphereBody(s.world(), vector3df(0, 5, 0), 1.0f)->initPhysics();
       s.addSphereBody(s.world(), vector3df(1.5f, 5, 1.5f), 1.0f)->initPhysics();
     },
     0},
};

}  // namespace

TEST(DeviceContactSurfaces, AReplacedCalculatorIsAskedOnceForEveryContactMade) {
  for (const SContactCase& c : kContactCases) {
    SCOPED_TRACE(c.sWhat);
    CDeviceScene cScene;
    CCountingCalculator* pCalculator = new CCountingCalculator();
    cScene.m_pDevice->setContactCalculator(pCalculator);
    cScene.world()->setGravity(vector3df(0, 0, 0));
    cScene.addGround(cScene.world())->initPhysics();
    c.fBuild(cScene);
    cScene.steps(3);
    EXPECT_EQ(pCalculator->m_iCalls, 3 * c.iContacts);
  }
}

TEST(DeviceContactSurfaces, TheCalculatorsAnswerIsTheSurfaceOfTheContacts) {
  // Surfaces of all zeros make no bounce; the bouncy calculator makes every contact bounce.
  for (bool bBouncy : {false, true}) {
    SCOPED_TRACE(bBouncy ? "bouncy calculator" : "the layer's own calculator");
    CDeviceScene cScene;
    if (bBouncy) cScene.m_pDevice->setContactCalculator(new CBouncyCalculator());
    cScene.addGround(cScene.world())->initPhysics();
    CRurIvaBody* pBall = cScene.addSphereBody(cScene.world(), vector3df(0, 3, 0), 0.5f);
    pBall->initPhysics();
    const f32 fHighestAfterLanding = highestAfterLanding(cScene, pBall);
    if (bBouncy)
      EXPECT_GT(fHighestAfterLanding, 2.0f);
    else
      EXPECT_LT(fHighestAfterLanding, 0.6f);
  }
}

TEST(DeviceContactSurfaces, TheLayersOwnCombinationMovesBodiesAsAskingForEveryContactDoes) {
  // The layer works its own combination out once per pair; a calculator of the same rule that
  // is asked for every contact must lead to exactly the same motion.
  std::vector<vector3df> aPositions[2];
  for (int iRun = 0; iRun < 2; ++iRun) {
    CDeviceScene cScene;
    if (iRun == 1) cScene.m_pDevice->setContactCalculator(new CCountingCalculator());
    irr::ode::CRurIvaGeomPlane* pGround = cScene.addGround(cScene.world());
    CRurIvaSurfaceParameters* pSurface = pGround->getSurfaceParameters(0);
    pSurface->setMode(irr::ode::eRurIvaContactBounce | irr::ode::eRurIvaContactApprox1);
    pSurface->setMu(0.6f);
    pSurface->setBounce(0.5f);
    pGround->initPhysics();
    std::vector<CRurIvaBody*> aBodies;
    for (int i = 0; i < 4; ++i) {
      CRurIvaGeomBox* pBox = nullptr;
      aBodies.push_back(cScene.addBoxBody(cScene.world(), vector3df(3.0f * i, 1.0f + i, 0),
                                          vector3df(1, 0.5f, 2), vector3df(10.0f * i, 20, 5), 1.0f, &pBox));
      CRurIvaSurfaceParameters* p = pBox->getSurfaceParameters(0);
      p->setMode(irr::ode::eRurIvaContactBounce);
      p->setMu(0.2f * (i + 1));
      p->setBounce(0.3f);
      aBodies.back()->setLinearVelocity(vector3df(2.0f, 0, 1.0f));
      aBodies.back()->initPhysics();
    }
    cScene.steps(90);
    for (CRurIvaBody* p : aBodies)
      aPositions[iRun].push_back(cScene.m_pDevice->bodyGetPosition(p->getBodyId()));
  }
  EXPECT_EQ(aPositions[0], aPositions[1]);
}

TEST(DeviceContactSurfaces, EveryPairTakesTheSurfacesItsGeometriesHaveNow) {
  // Two balls side by side on one bouncy ground, one of them bouncy as well: in the same steps
  // each pair gets its own combination. Then the dull ball is made bouncy and dropped again: the
  // change counts from the next contact on; so does a set put in another's place.
  CDeviceScene cScene;
  irr::ode::CRurIvaGeomPlane* pGround = cScene.addGround(cScene.world());
  pGround->getSurfaceParameters(0)->setMode(irr::ode::eRurIvaContactBounce);
  pGround->getSurfaceParameters(0)->setBounce(1.0f);
  pGround->initPhysics();
  CRurIvaGeomSphere* aSpheres[2] = {nullptr, nullptr};
  CRurIvaBody* aBalls[2];
  for (int i = 0; i < 2; ++i) {
    aBalls[i] = cScene.addSphereBody(cScene.world(), vector3df(3.0f * i, 3, 0), 0.5f, 1.0f, &aSpheres[i]);
    aSpheres[i]->getSurfaceParameters(0)->setMode(i == 0 ? irr::ode::eRurIvaContactBounce : 0);
    aSpheres[i]->getSurfaceParameters(0)->setBounce(1.0f);
    aBalls[i]->initPhysics();
  }
  //! The highest each ball comes after it first touched the ground, over n steps.
  auto highestAfterLanding = [&](int n) {
    std::vector<f32> aHighest(2, 0.0f);
    bool aLanded[2] = {false, false};
    for (int iStep = 0; iStep < n; ++iStep) {
      cScene.steps(1);
      for (int i = 0; i < 2; ++i) {
        const f32 y = aBalls[i]->getPosition().Y;
        if (y < 0.6f) aLanded[i] = true;
        if (aLanded[i] && y > aHighest[i]) aHighest[i] = y;
      }
    }
    EXPECT_TRUE(aLanded[0] && aLanded[1]);
    return aHighest;
  };
  //! The same after both balls are lifted back to their start, at rest.
  auto highestAfterDroppingAgain = [&]() {
    for (CRurIvaBody* p : aBalls) {
      p->setPosition(vector3df(p->getPosition().X, 3, 0));
      p->setLinearVelocity(vector3df(0, 0, 0));
    }
    return highestAfterLanding(120);
  };
  std::vector<f32> aFirst = highestAfterLanding(120);
  EXPECT_GT(aFirst[0], 2.0f);
  EXPECT_LT(aFirst[1], 0.6f);

  aSpheres[1]->getSurfaceParameters(0)->setMode(irr::ode::eRurIvaContactBounce);
  std::vector<f32> aSecond = highestAfterDroppingAgain();
  EXPECT_GT(aSecond[0], 2.0f);
  EXPECT_GT(aSecond[1], 2.0f);

  // The balls trade sets (each then owns the other's), the second one dull again: the first ball
  // now meets the ground with the dull set.
  CRurIvaSurfaceParameters* aSets[2] = {aSpheres[0]->getSurfaceParameters(0),
                                        aSpheres[1]->getSurfaceParameters(0)};
  aSets[1]->setMode(0);
  aSpheres[0]->setSurfaceParameters(aSets[1], 0);
  aSpheres[1]->setSurfaceParameters(aSets[0], 0);
  std::vector<f32> aThird = highestAfterDroppingAgain();
  EXPECT_LT(aThird[0], 0.6f);
  EXPECT_GT(aThird[1], 2.0f);
}

namespace {

//! A set of a game's own class whose mode answer the game switches without telling the set.
class CSwitchedSet : public CRurIvaSurfaceParameters {
 public:
  bool m_bBouncy = false;
  irr::s32 getMode() override { return m_bBouncy ? irr::ode::eRurIvaContactBounce : 0; }
  f32 getBounce() override { return 1.0f; }
};

struct SSetChange {
  const char* sWhat;
  //! The ball's set is the game's switched set from the start.
  bool bGameSet;
  //! Makes the dull set of the ball bouncy; the ground's set is bouncy.
  void (*fChange)(CRurIvaSurfaceParameters* pBall, CRurIvaSurfaceParameters* pGround, CSwitchedSet& cGame,
                  irr::io::IAttributes* pAttributes);
};

const SSetChange kSetChanges[] = {
    {"the mode set whole", false,
     [](CRurIvaSurfaceParameters* p, CRurIvaSurfaceParameters*, CSwitchedSet&, irr::io::IAttributes*) {
       p->setMode(irr::ode::eRurIvaContactBounce);
     }},
    {"one mode bit set", false,
     [](CRurIvaSurfaceParameters* p, CRurIvaSurfaceParameters*, CSwitchedSet&, irr::io::IAttributes*) {
       p->setModeBounce(true);
     }},
    {"the ground's set copied over it", false,
     [](CRurIvaSurfaceParameters* p, CRurIvaSurfaceParameters* pGround, CSwitchedSet&,
        irr::io::IAttributes*) { pGround->copy(p); }},
    {"the ground's set's attributes read into it", false,
     [](CRurIvaSurfaceParameters* p, CRurIvaSurfaceParameters* pGround, CSwitchedSet&,
        irr::io::IAttributes* a) {
       pGround->serializeAttributes(a, nullptr, 0);
       p->deserializeAttributes(a, nullptr, 0);
     }},
    {"a game's set switched without a call to it", true,
     [](CRurIvaSurfaceParameters*, CRurIvaSurfaceParameters*, CSwitchedSet& cGame, irr::io::IAttributes*) {
       cGame.m_bBouncy = true;
     }},
};

}  // namespace

TEST(DeviceContactSurfaces, EveryWayOfChangingASetCountsFromTheNextContact) {
  // A dull ball lands on a bouncy ground (the collision has then used its set's values), its set
  // is made bouncy one way or another, and it is dropped again.
  for (const SSetChange& c : kSetChanges) {
    SCOPED_TRACE(c.sWhat);
    CDeviceScene cScene;
    irr::ode::CRurIvaGeomPlane* pGround = cScene.addGround(cScene.world());
    pGround->getSurfaceParameters(0)->setMode(irr::ode::eRurIvaContactBounce);
    pGround->getSurfaceParameters(0)->setBounce(1.0f);
    pGround->initPhysics();
    CRurIvaGeomSphere* pSphere = nullptr;
    CRurIvaBody* pBall = cScene.addSphereBody(cScene.world(), vector3df(0, 3, 0), 0.5f, 1.0f, &pSphere);
    CRurIvaSurfaceParameters* pOwn = pSphere->getSurfaceParameters(0);
    pOwn->setMode(0);
    pOwn->setBounce(1.0f);
    CSwitchedSet cGame;
    if (c.bGameSet) pSphere->setSurfaceParameters(&cGame, 0);
    pBall->initPhysics();
    EXPECT_LT(highestAfterLanding(cScene, pBall), 0.6f);

    irr::io::IAttributes* pAttributes = cScene.m_pIrr->getFileSystem()->createEmptyAttributes();
    c.fChange(pOwn, pGround->getSurfaceParameters(0), cGame, pAttributes);
    pAttributes->drop();
    pBall->setPosition(vector3df(0, 3, 0));
    pBall->setLinearVelocity(vector3df(0, 0, 0));
    EXPECT_GT(highestAfterLanding(cScene, pBall), 2.0f);
    // The geometry destroys the set it holds when it goes: it gets its own back.
    if (c.bGameSet) pSphere->setSurfaceParameters(pOwn, 0);
  }
}

namespace {

//! Answers every contact with the set it was given, as it is (values no set would take included).
class CFixedCalculator : public irr::ode::IRurIvaContactParameters {
 public:
  explicit CFixedCalculator(void (*fFill)(CRurIvaSurfaceParameters*)) : m_fFill(fFill) {}
  void calculateContactParameters(CRurIvaSurfaceParameters*, CRurIvaSurfaceParameters*,
                                  CRurIvaSurfaceParameters* pResult) override {
    m_fFill(pResult);
  }
  void (*m_fFill)(CRurIvaSurfaceParameters*);
};

const f32 kNaN = std::numeric_limits<f32>::quiet_NaN();

bool allNumbers(const vector3df& v) { return std::isfinite(v.X) && std::isfinite(v.Y) && std::isfinite(v.Z); }

struct SHardSurface {
  const char* sWhat;
  //! Fills the ground's and the box's sets (or, where bCalculator, the calculator's answer).
  void (*fFill)(CRurIvaSurfaceParameters*);
  bool bCalculator;
  //! Friction brings the box to rest.
  bool bStops;
};

const SHardSurface kHardSurfaces[] = {
    {"a first friction direction no set can name, without slip",
     [](CRurIvaSurfaceParameters* p) {
       p->setMode(irr::ode::eRurIvaContactFDir1 | irr::ode::eRurIvaContactSlip2);
       p->setMu(3.0f);
     },
     false, true},
    {"a contact mixing force that swamps the rows, with no error reduction",
     [](CRurIvaSurfaceParameters* p) {
       p->setMode(irr::ode::eRurIvaContactSoftERP | irr::ode::eRurIvaContactSoftCFM);
       p->setSoftCfm(1e30f);
     },
     false, false},
    {"a contact mixing force that swamps the rows, with great friction and no slip",
     [](CRurIvaSurfaceParameters* p) {
       p->setMode(irr::ode::eRurIvaContactSoftCFM | irr::ode::eRurIvaContactSlip2);
       p->setMu(3e38f);
       p->setSoftCfm(1e20f);
     },
     false, false},
    {"a calculator answering no numbers and negative mixing",
     [](CRurIvaSurfaceParameters* p) {
       p->setMode(irr::ode::eRurIvaContactSoftCFM | irr::ode::eRurIvaContactSlip1 |
                  irr::ode::eRurIvaContactBounce | irr::ode::eRurIvaContactMu2);
       p->setMu(1.0f);
       p->setMu2(kNaN);
       p->setBounce(kNaN);
       p->setSoftCfm(-0.01f);
       p->setSlip1(kNaN);
     },
     true, false},
    {"a calculator answering a friction without end",
     [](CRurIvaSurfaceParameters* p) {
       p->setMode(0);
       p->setMu(std::numeric_limits<f32>::infinity());
     },
     true, true},
};

}  // namespace

TEST(DeviceContactSurfaces, SurfacesTheSolverCannotTakeAsTheyAreAreMadeSolvable) {
  // A box leaning on a ball that rolls along the ground; the ground and the box have the surface
  // under test (a replaced calculator answers every contact with it): the library must not end
  // the process, every body keeps numbers, and friction brings the box to rest where there is any.
  for (const SHardSurface& c : kHardSurfaces) {
    SCOPED_TRACE(c.sWhat);
    CDeviceScene cScene;
    if (c.bCalculator) cScene.m_pDevice->setContactCalculator(new CFixedCalculator(c.fFill));
    irr::ode::CRurIvaGeomPlane* pGround = cScene.addGround(cScene.world());
    c.fFill(pGround->getSurfaceParameters(0));
    pGround->initPhysics();
    CRurIvaBody* pBall = cScene.addSphereBody(cScene.world(), vector3df(0, 0.45f, 0), 0.5f);
    pBall->initPhysics();
    CRurIvaGeomBox* pBox = nullptr;
    CRurIvaBody* pBlock = cScene.addBoxBody(cScene.world(), vector3df(0.9f, 0.5f, 0), vector3df(1, 1, 1),
                                            vector3df(0, 0, 30), 1.0f, &pBox);
    c.fFill(pBox->getSurfaceParameters(0));
    pBall->setLinearVelocity(vector3df(2, 0, 1));
    pBlock->initPhysics();
    cScene.steps(60);
    for (CRurIvaBody* p : {pBall, pBlock}) {
      EXPECT_TRUE(allNumbers(p->getPosition()));
      EXPECT_TRUE(allNumbers(p->getLinearVelocity()));
      EXPECT_TRUE(allNumbers(p->getAngularVelocity()));
    }
    if (c.bStops) {
      EXPECT_LT(pBlock->getLinearVelocity().getLength(), 0.05f);
    }
  }
}
