// Bodies whose geometries sit away from the body's origin, and bodies without any geometry:
// how the mass of offset geometries places the centre the body turns about, while everything
// exchanged with the scene stays in terms of the body node's origin.
#include <gtest/gtest.h>

#include "CRecordingDevice.h"
#include "CRurIvaBody.h"
#include "CRurIvaGeomBox.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaWorld.h"
#include "CTestScene.h"

namespace varrik {
namespace test {
namespace {

const aabbox3df kUnitCube(-0.5f, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f);

vector3df absolute(ISceneNode* p) {
  // The chain from the top down, as the scene manager does before drawing.
  std::vector<ISceneNode*> aChain;
  for (ISceneNode* n = p; n; n = n->getParent()) aChain.push_back(n);
  for (auto it = aChain.rbegin(); it != aChain.rend(); ++it) (*it)->updateAbsolutePosition();
  return p->getAbsolutePosition();
}

// The demo's chassis: the body at the origin, its model 100 units below it at scale 30, and a
// box geometry taking the model's size.
struct SChassis {
  CRurIvaBody* pBody;
  ISceneNode* pModel;
  CRurIvaGeomBox* pBox;
};

SChassis buildChassis(CTestScene& cScene, CRurIvaWorld* pWorld) {
  SChassis c;
  c.pBody = cScene.add<CRurIvaBody>(pWorld);
  c.pModel = cScene.addAnimatedMeshNode(c.pBody, {kUnitCube}, vector3df(0, -100, 0), vector3df(30, 30, 30));
  c.pBox = cScene.add<CRurIvaGeomBox>(c.pModel);
  return c;
}

TEST(SimOffsetBody, TheChassisRestsOnItsGeometryAndItsModelIsDrawnWhereTheGeometryIs) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  cScene.addGround(pWorld, -120.0f);
  SChassis c = buildChassis(cScene, pWorld);
  pWorld->initPhysics();
  EXPECT_FLOAT_EQ(c.pBox->getWidth(), 30.0f);
  EXPECT_FLOAT_EQ(c.pBox->getHeight(), 30.0f);
  // Nothing moved yet: the node, the device and the model agree on the starting place.
  EXPECT_VEC_NEAR(cScene.m_pDevice->bodyGetPosition(c.pBody->getBodyId()), vector3df(0, 0, 0), 1e-4f);
  EXPECT_VEC_NEAR(absolute(c.pModel), vector3df(0, -100, 0), 1e-4f);

  cScene.simulate(pWorld, 3.0f);
  // The box's bottom (15 below the model) lies on the ground at -120: the model is at -105,
  // the body's origin 100 above it.
  EXPECT_VEC_NEAR(absolute(c.pModel), vector3df(0, -105, 0), 0.05f);
  EXPECT_VEC_NEAR(c.pBody->getPosition(), vector3df(0, -5, 0), 0.05f);
  EXPECT_VEC_NEAR(cScene.m_pDevice->bodyGetPosition(c.pBody->getBodyId()), c.pBody->getPosition(), 1e-4f);
  EXPECT_LT(c.pBody->getLinearVelocity().getLength(), 0.05f);
  // It lands flat and stays so.
  const vector3df r = c.pBody->getRotation();
  for (f32 a : {r.X, r.Y, r.Z}) EXPECT_LT(std::fabs(std::remainder(a, 360.0f)), 0.1f);
}

TEST(SimOffsetBody, ASpinningChassisTurnsAboutItsGeometryNotAboutItsOrigin) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  pWorld->setGravity(vector3df(0, 0, 0));
  SChassis c = buildChassis(cScene, pWorld);
  // A quarter turn about Z in 60 steps.
  c.pBody->setAngularVelocity(vector3df(0, 0, irr::core::HALF_PI / (60 * kStep)));
  pWorld->initPhysics();
  cScene.steps(pWorld, 60);

  // The centre of mass (the box's centre) stays where it was; the origin swings around it.
  EXPECT_VEC_NEAR(absolute(c.pModel), vector3df(0, -100, 0), 0.05f);
  EXPECT_VEC_NEAR(c.pBody->getPosition(), vector3df(-100, -100, 0), 0.5f);
  EXPECT_NEAR(c.pBody->getRotation().Z, 90.0f, 1.0f);
  EXPECT_VEC_NEAR(cScene.m_pDevice->bodyGetPosition(c.pBody->getBodyId()), c.pBody->getPosition(), 1e-3f);
}

TEST(SimOffsetBody, TheCentreIsTheMassWeightedMeanOfTheGeometries) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  pWorld->setGravity(vector3df(0, 0, 0));
  CRurIvaBody* pBody = cScene.add<CRurIvaBody>(pWorld, vector3df(10, 0, 0));
  ISceneNode* pLight = cScene.addEmpty(pBody, vector3df(2, 0, 0));
  ISceneNode* pHeavy = cScene.addEmpty(pBody, vector3df(-2, 0, 0));
  CRurIvaGeomSphere* pA = cScene.add<CRurIvaGeomSphere>(pLight);
  CRurIvaGeomSphere* pB = cScene.add<CRurIvaGeomSphere>(pHeavy);
  pA->setRadius(0.5f);
  pB->setRadius(0.5f);
  pA->setMassTotal(1.0f);
  pB->setMassTotal(3.0f);
  pBody->setAngularVelocity(vector3df(0, irr::core::PI / (48 * kStep), 0));  // half a turn in 48 steps
  pWorld->initPhysics();
  EXPECT_VEC_NEAR(pBody->getPosition(), vector3df(10, 0, 0), 1e-5f);
  EXPECT_VEC_NEAR(cScene.m_pDevice->bodyGetPosition(pBody->getBodyId()), vector3df(10, 0, 0), 1e-5f);

  const vector3df cCentre(9, 0, 0);  // (1 * 12 + 3 * 8) / 4
  for (int i = 0; i < 4; ++i) {
    cScene.steps(pWorld, 12);
    const vector3df cMean = (absolute(pLight) * 1.0f + absolute(pHeavy) * 3.0f) / 4.0f;
    EXPECT_VEC_NEAR(cMean, cCentre, 0.02f);
  }
  // After a second the half turn has swapped the sides.
  EXPECT_NEAR(absolute(pLight).X, 6.0f, 0.1f);
  EXPECT_NEAR(absolute(pHeavy).X, 10.0f, 0.1f);
  EXPECT_VEC_NEAR(pBody->getPosition(), vector3df(8, 0, 0), 0.1f);
}

TEST(SimOffsetBody, AMassTranslationMovesTheCentre) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  pWorld->setGravity(vector3df(0, 0, 0));
  CRurIvaBody* pBody = cScene.add<CRurIvaBody>(pWorld);
  ISceneNode* pVisual = cScene.addEmpty(pBody);
  CRurIvaGeomSphere* pSphere = cScene.add<CRurIvaGeomSphere>(pVisual);
  pSphere->setRadius(0.5f);
  pSphere->setMassTranslation(vector3df(0, 0, 4));
  pBody->setAngularVelocity(vector3df(0, irr::core::PI / (50 * kStep), 0));
  pWorld->initPhysics();
  cScene.steps(pWorld, 50);
  // Half a turn about the vertical through (0, 0, 4): the origin ends up at (0, 0, 8).
  EXPECT_VEC_NEAR(pBody->getPosition(), vector3df(0, 0, 8), 0.1f);
}

TEST(SimOffsetBody, ABodyWithoutGeometryKeepsTheDefaultMassAndSaysSoOnce) {
  CRecordingDevice* pRec = new CRecordingDevice();
  CTestScene cScene(pRec);
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pFirst = cScene.add<CRurIvaBody>(pWorld, vector3df(0, 10, 0));
  CRurIvaBody* pSecond = cScene.add<CRurIvaBody>(pWorld, vector3df(5, 10, 0));
  const std::string sOut = captured([&] { pWorld->initPhysics(); });
  EXPECT_EQ(countOf(sOut, "\n"), 1);
  EXPECT_NE(sOut.find("mass"), std::string::npos);
  EXPECT_EQ(pRec->count("bodySetMass"), 2);
  EXPECT_EQ(pRec->count("massAdd"), 0);
  ASSERT_NE(pFirst->getBodyId(), 0u);

  // Both are simulated: they fall like any body.
  cScene.simulate(pWorld, 0.5f);
  EXPECT_LT(pFirst->getPosition().Y, 9.0f);
  EXPECT_NEAR(pSecond->getPosition().Y, pFirst->getPosition().Y, 1e-5f);
}

TEST(SimOffsetBody, ExplicitMassParametersOnlyWhenAVectorIsSet) {
  CRecordingDevice* pRec = new CRecordingDevice();
  CTestScene cScene(pRec);
  CRurIvaWorld* pWorld = cScene.addWorld();
  pWorld->setGravity(vector3df(0, 0, 0));
  CRurIvaGeomSphere* pPlain = nullptr;
  CRurIvaGeomSphere* pExplicit = nullptr;
  CRurIvaBody* pPlainBody = cScene.addSphereBody(pWorld, vector3df(0, 0, 0), 0.5f, 2.0f, &pPlain);
  CRurIvaBody* pExplicitBody = cScene.addSphereBody(pWorld, vector3df(5, 0, 0), 0.5f, 1.0f, &pExplicit);

  // Read from attributes, as a scene file gives them: mass 2 with no vectors; mass 4 with inertia.
  irr::io::IAttributes* pAttr = cScene.newAttributes();
  pPlain->serializeAttributes(pAttr);
  pPlain->deserializeAttributes(pAttr);
  pAttr->setAttribute("Mass", 4.0f);
  pAttr->setAttribute("Inertia_1", vector3df(0.4f, 0.4f, 0.4f));
  pExplicit->deserializeAttributes(pAttr);
  pAttr->drop();
  pRec->m_aCalls.clear();
  pWorld->initPhysics();
  EXPECT_EQ(pRec->count("massSetParameters"), 1);
  EXPECT_EQ(pRec->first("massSetParameters"), "massSetParameters(4)");

  // Push both with the same force for one step: dv = F dt / m.
  pPlainBody->addForce(vector3df(10, 0, 0));
  pExplicitBody->addForce(vector3df(10, 0, 0));
  cScene.steps(pWorld, 1);
  EXPECT_NEAR(pPlainBody->getLinearVelocity().X, 10.0f * 0.016f / 2.0f, 1e-5f);
  EXPECT_NEAR(pExplicitBody->getLinearVelocity().X, 10.0f * 0.016f / 4.0f, 1e-5f);
}

}  // namespace
}  // namespace test
}  // namespace varrik
