// Where bodies and geometries start and are shown: a body below a placed node starts where it
// is and is shown where the simulation has it, and a geometry's offset from its body is the
// pose of its visible parent relative to the body.

#include "CRurIvaBody.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaWorld.h"
#include "CTestScene.h"

namespace varrik {
namespace test {
namespace {

vector3df cBodyPosition(CTestScene& s, CRurIvaBody* pBody) {
  return s.m_pDevice->bodyGetPosition(pBody->getBodyId());
}

TEST(SimPlacement, ABodyBelowAMovedNodeFallsFromWhereItIsAndIsShownThere) {
  CTestScene s;
  CRurIvaWorld* pWorld = s.addWorld();
  s.addGround(pWorld);
  // A group node moved away from the world's origin, the body at (0, 5, 0) within it.
  ISceneNode* pGroup = s.addEmpty(pWorld, vector3df(30, 10, -20));
  CRurIvaBody* pBody = s.addSphereBody(pGroup, vector3df(0, 5, 0), 1.0f);
  pWorld->initPhysics();

  // The node stays where it is in the scene.
  EXPECT_EQ(pBody->getParent(), pGroup);
  EXPECT_VEC_NEAR(pBody->getPosition(), vector3df(0, 5, 0), 1e-4f);

  s.simulate(pWorld, 5.0f);
  pBody->updateAbsolutePosition();
  // It came down where it was and rests on the ground, and the node shows it there.
  EXPECT_VEC_NEAR(pBody->getAbsolutePosition(), vector3df(30, 1, -20), 0.02f);
}

TEST(SimPlacement, ABodyBelowATurnedNodeStartsTurnedWhereItIs) {
  CTestScene s;
  CRurIvaWorld* pWorld = s.addWorld();
  ISceneNode* pGroup = s.addEmpty(pWorld, vector3df(0, 0, 7), vector3df(0, 90, 0));
  CRurIvaBody* pBody = s.add<CRurIvaBody>(pGroup, vector3df(2, 3, 0));
  pBody->setGravityMode(0);
  pWorld->initPhysics();
  // (2, 3, 0) turned by 90 degrees about Y is (0, 3, -2), then moved by (0, 0, 7).
  EXPECT_VEC_NEAR(cBodyPosition(s, pBody), vector3df(0, 3, 5), 1e-4f);
  EXPECT_VEC_NEAR(s.m_pDevice->bodyGetRotation(pBody->getBodyId()), vector3df(0, 90, 0), 1e-3f);

  // After steps without motion the node shows it at the same place, relative to its parent.
  s.simulate(pWorld, 0.5f);
  EXPECT_VEC_NEAR(pBody->getPosition(), vector3df(2, 3, 0), 1e-3f);
  pBody->updateAbsolutePosition();
  EXPECT_VEC_NEAR(pBody->getAbsolutePosition(), vector3df(0, 3, 5), 1e-3f);

  // Moving the node moves the body to the matching world place.
  pBody->setPosition(vector3df(0, 3, 1));
  EXPECT_VEC_NEAR(cBodyPosition(s, pBody), vector3df(1, 3, 7), 1e-4f);
}

TEST(SimPlacement, AGeometryDirectlyBelowItsBodyHasNoOffset) {
  CTestScene s;
  CRurIvaWorld* pWorld = s.addWorld();
  s.addGround(pWorld);
  CRurIvaBody* pBody = s.add<CRurIvaBody>(pWorld, vector3df(4, 6, 0));
  CRurIvaGeomSphere* pSphere = s.add<CRurIvaGeomSphere>(pBody);
  pSphere->setRadius(1.0f);
  pWorld->initPhysics();
  EXPECT_EQ(pSphere->getOffsetPosition(), vector3df(0, 0, 0));
  s.simulate(pWorld, 5.0f);
  // The sphere is the body: it rests with its centre one radius above the ground, below (4, 6, 0).
  EXPECT_VEC_NEAR(pBody->getPosition(), vector3df(4, 1, 0), 0.02f);
}

TEST(SimPlacement, TheOffsetIsThePoseOfTheWholeChainBelowTheBody) {
  CTestScene s;
  CRurIvaWorld* pWorld = s.addWorld();
  s.addGround(pWorld);
  CRurIvaBody* pBody = s.add<CRurIvaBody>(pWorld, vector3df(0, 10, 0));
  // Two visible nodes between body and geometry: (0, -2, 0) and (3, 0, 0) below it.
  ISceneNode* pOuter = s.addEmpty(pBody, vector3df(0, -2, 0));
  ISceneNode* pInner = s.addEmpty(pOuter, vector3df(3, 0, 0));
  CRurIvaGeomSphere* pSphere = s.add<CRurIvaGeomSphere>(pInner);
  pSphere->setRadius(1.0f);
  pWorld->initPhysics();
  EXPECT_VEC_NEAR(pSphere->getOffsetPosition(), vector3df(3, -2, 0), 1e-5f);

  s.simulate(pWorld, 5.0f);
  // The sphere fell straight down and rests on the ground at (3, 1, 0); the body's origin is
  // the offset away from the sphere's centre.
  EXPECT_VEC_NEAR(pBody->getPosition(), vector3df(0, 3, 0), 0.05f);
}

}  // namespace
}  // namespace test
}  // namespace varrik
