// A body node's absolute transformation is the engine's own for its pose, to the bit: when the
// node is placed by hand in any order of rotations, scales and parents, and while a step moves
// bodies that turn and bodies that rest (whatever the engine asks of the moved node first).
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "CRurIvaBody.h"
#include "CRurIvaWorld.h"
#include "CTestScene.h"

namespace varrik {
namespace test {
namespace {

using TBits = std::array<uint32_t, 16>;

TBits bitsOf(const irr::core::matrix4& m) {
  TBits a;
  memcpy(a.data(), m.pointer(), sizeof(a));
  return a;
}

//! What the engine itself makes of the node's pose below its parent; below a parent exactly at
//! the origin, the relative transformation itself (the product with the identity would only
//! turn some zeros of negative sign positive).
TBits engineTransformation(const CRurIvaBody* p) {
  const irr::core::matrix4 m = p->getRelativeTransformation();
  if (!p->getParent() || bitsOf(p->getParent()->getAbsoluteTransformation()) == bitsOf(irr::core::matrix4()))
    return bitsOf(m);
  return bitsOf(p->getParent()->getAbsoluteTransformation() * m);
}

struct SPose {
  vector3df cPosition, cRotation, cScale;
};

struct SPlacementCase {
  const char* sWhat;
  vector3df cWorldPosition;
  std::vector<SPose> aPoses;
};

const vector3df kOne(1, 1, 1);

const SPlacementCase kPlacementCases[] = {
    {"the same rotation again and again, the position moving",
     vector3df(0, 0, 0),
     {{vector3df(1, 2, 3), vector3df(10, 20, 30), kOne},
      {vector3df(1, 2, 3), vector3df(10, 20, 30), kOne},
      {vector3df(4, 5, 6), vector3df(10, 20, 30), kOne}}},
    {"a new rotation every time, then an earlier one",
     vector3df(0, 0, 0),
     {{vector3df(0, 1, 0), vector3df(10, 20, 30), kOne},
      {vector3df(0, 1, 0), vector3df(-45, 0, 90), kOne},
      {vector3df(0, 1, 0), vector3df(10, 20, 30.0001f), kOne},
      {vector3df(0, 1, 0), vector3df(10, 20, 30), kOne}}},
    {"a zero angle of either sign",
     vector3df(0, 0, 0),
     {{vector3df(0, 0, 0), vector3df(0, 0, 0), kOne},
      {vector3df(0, 0, 0), vector3df(-0.0f, 0, -0.0f), kOne},
      {vector3df(0, 0, 0), vector3df(0, -0.0f, 0), kOne}}},
    {"a scaled node between two of scale one",
     vector3df(0, 0, 0),
     {{vector3df(1, 1, 1), vector3df(5, 6, 7), kOne},
      {vector3df(1, 1, 1), vector3df(5, 6, 7), vector3df(2, 0.5f, 1)},
      {vector3df(1, 1, 1), vector3df(5, 6, 7), kOne}}},
    {"below a world away from the origin",
     vector3df(10, -3, 2),
     {{vector3df(1, 2, 3), vector3df(10, 20, 30), kOne},
      {vector3df(1, 2, 3), vector3df(10, 20, 30), kOne},
      {vector3df(1, 2, 3), vector3df(11, 20, 30), kOne}}},
    {"below a world a hair away from the origin",
     vector3df(1e-9f, 0, 0),
     {{vector3df(1, 2, 3), vector3df(10, 20, 30), kOne}, {vector3df(1, 2, 3), vector3df(10, 20, 30), kOne}}},
};

}  // namespace

TEST(SimAbsoluteTransformation, APlacedBodyShowsTheEnginesTransformationToTheBit) {
  for (const SPlacementCase& c : kPlacementCases) {
    SCOPED_TRACE(c.sWhat);
    CTestScene cScene;
    CRurIvaWorld* pWorld = cScene.addWorld();
    pWorld->setPosition(c.cWorldPosition);
    pWorld->updateAbsolutePosition();
    CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 0, 0), 0.5f);
    for (size_t i = 0; i < c.aPoses.size(); ++i) {
      SCOPED_TRACE(i);
      const SPose& p = c.aPoses[i];
      pBody->setPosition(p.cPosition);
      pBody->setRotation(p.cRotation);
      pBody->setScale(p.cScale);
      pBody->updateAbsolutePosition();
      EXPECT_TRUE(bitsOf(pBody->getAbsoluteTransformation()) == engineTransformation(pBody));
    }
  }
}

TEST(SimAbsoluteTransformation, BodiesMovedByAStepShowTheEnginesTransformationToTheBit) {
  // A spinning body turns in every step, a resting one keeps its rotation; the step brings each
  // node's absolute transformation up to its pose before the step's move is applied.
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  cScene.addGround(pWorld);
  CRurIvaBody* pSpinning = cScene.addSphereBody(pWorld, vector3df(0, 5, 0), 0.5f);
  pSpinning->setAngularVelocity(vector3df(1, 2, 3));
  CRurIvaBody* pResting = cScene.addBoxBody(pWorld, vector3df(4, 0.5f, 0), vector3df(1, 1, 1));
  // What the engine asks of a moved body in other ways: a child's transformation, the
  // transformed box, the position (each asked first in one of the steps).
  irr::scene::ISceneNode* pChild = cScene.m_pSmgr->addEmptySceneNode(pSpinning);
  pChild->setPosition(vector3df(0.25f, -1, 2));
  pChild->setRotation(vector3df(5, 0, 15));
  pWorld->setGravity(vector3df(0, 0, 0));
  pWorld->initPhysics();
  int iTurned = 0;
  for (int i = 0; i < 30; ++i) {
    SCOPED_TRACE(i);
    const TBits aSpinning = engineTransformation(pSpinning), aResting = engineTransformation(pResting);
    irr::core::matrix4 cSpinning;
    memcpy(cSpinning.pointer(), aSpinning.data(), sizeof(aSpinning));
    const vector3df cBefore = pSpinning->getRotation();
    cScene.steps(pWorld, 1);
    if (pSpinning->getRotation() != cBefore) ++iTurned;
    switch (i % 3) {
      case 0:
        EXPECT_EQ(pSpinning->getAbsolutePosition(), cSpinning.getTranslation());
        break;
      case 1: {
        pChild->updateAbsolutePosition();
        EXPECT_TRUE(bitsOf(pChild->getAbsoluteTransformation()) ==
                    bitsOf(cSpinning * pChild->getRelativeTransformation()));
        break;
      }
      default: {
        irr::core::aabbox3d<irr::f32> cBox = pSpinning->getBoundingBox();
        cSpinning.transformBoxEx(cBox);
        EXPECT_EQ(pSpinning->getTransformedBoundingBox(), cBox);
      }
    }
    EXPECT_TRUE(bitsOf(pSpinning->getAbsoluteTransformation()) == aSpinning);
    EXPECT_TRUE(bitsOf(pResting->getAbsoluteTransformation()) == aResting);
  }
  EXPECT_EQ(iTurned, 30);
}

}  // namespace test
}  // namespace varrik
