// Scene attributes of bodies and geometries: what a scene file written from a set-up holds,
// what reading it back restores, the defaults of keys a hand-written file leaves out, and that
// a set-up read back from its attributes simulates like the original.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CRurIvaBody.h"
#include "CRurIvaGeomBox.h"
#include "CRurIvaGeomCylinder.h"
#include "CRurIvaGeomPlane.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaSurfaceParameters.h"
#include "CRurIvaWorld.h"
#include "CTestScene.h"

namespace varrik {
namespace test {
namespace {

class SimAttributes : public testing::Test {
 protected:
  void SetUp() override { m_pWorld = m_cScene.addWorld(); }
  irr::io::IAttributes* fresh() {
    irr::io::IAttributes* p = m_cScene.newAttributes();
    m_aAttributes.push_back(p);
    return p;
  }
  void TearDown() override {
    for (irr::io::IAttributes* p : m_aAttributes) p->drop();
  }
  static bool hasKey(irr::io::IAttributes* p, const char* s) { return p->existsAttribute(s); }

  CTestScene m_cScene;
  CRurIvaWorld* m_pWorld = nullptr;
  std::vector<irr::io::IAttributes*> m_aAttributes;
};

TEST_F(SimAttributes, ABodyWritesItsKeysAfterTheDampingKeysAndReadsThemBack) {
  CRurIvaBody* pBody = m_cScene.add<CRurIvaBody>(m_pWorld, vector3df(1, 2, 3), vector3df(0, 45, 0));
  pBody->setParamMaster(true);
  pBody->setGravityMode(0);
  pBody->setUpdateGraphics(false);
  pBody->setFiniteRotationMode(true);
  pBody->setFiniteRotationAxis(vector3df(0, 1, 0));
  irr::io::IAttributes* pOut = fresh();
  pBody->serializeAttributes(pOut);

  const std::vector<std::string> aKeys = keysOf(pOut);
  const std::vector<std::string> aTail = {"MaxAngularSpeed",    "Enabled",           "ParamMaster",
                                          "GravityMode",        "FastMoving",        "updateGraphics",
                                          "FiniteRotationMode", "FiniteRotationAxis"};
  ASSERT_GE(aKeys.size(), aTail.size());
  EXPECT_EQ(std::vector<std::string>(aKeys.end() - aTail.size(), aKeys.end()), aTail);

  CRurIvaBody* pRead = m_cScene.add<CRurIvaBody>(m_pWorld);
  pRead->deserializeAttributes(pOut);
  EXPECT_TRUE(pRead->isParamMaster());
  EXPECT_EQ(pRead->getGravityMode(), 0);
  EXPECT_FALSE(pRead->getUpdateGraphics());
  EXPECT_TRUE(pRead->getFiniteRotationMode());
  EXPECT_VEC_NEAR(pRead->getFiniteRotationAxis(), vector3df(0, 1, 0), 0.0f);
  EXPECT_VEC_NEAR(pRead->getPosition(), vector3df(1, 2, 3), 0.0f);
  EXPECT_VEC_NEAR(pRead->getRotation(), vector3df(0, 45, 0), 1e-4f);
}

TEST_F(SimAttributes, TheFiniteRotationAxisIsWrittenAndReadOnlyWithTheModeOn) {
  CRurIvaBody* pBody = m_cScene.add<CRurIvaBody>(m_pWorld);
  pBody->setFiniteRotationAxis(vector3df(1, 0, 0));  // mode off
  irr::io::IAttributes* pOut = fresh();
  pBody->serializeAttributes(pOut);
  EXPECT_FALSE(hasKey(pOut, "FiniteRotationAxis"));

  // An axis in a file whose mode is off is not read.
  pOut->addVector3d("FiniteRotationAxis", vector3df(0, 0, 1));
  CRurIvaBody* pRead = m_cScene.add<CRurIvaBody>(m_pWorld);
  pRead->setFiniteRotationAxis(vector3df(0, 1, 0));
  pRead->deserializeAttributes(pOut);
  EXPECT_FALSE(pRead->getFiniteRotationMode());
  EXPECT_VEC_NEAR(pRead->getFiniteRotationAxis(), vector3df(0, 1, 0), 0.0f);
}

TEST_F(SimAttributes, MissingBodyKeysKeepGravityAndGraphicsOn) {
  CRurIvaBody* pBody = m_cScene.add<CRurIvaBody>(m_pWorld);
  pBody->setUpdateGraphics(false);
  irr::io::IAttributes* pIn = fresh();
  pIn->addString("Name", "hand written");
  pIn->addVector3d("Position", vector3df(0, 10, 0));
  pBody->deserializeAttributes(pIn);
  EXPECT_TRUE(pBody->getUpdateGraphics());  // a missing key reads as true
  EXPECT_EQ(pBody->getGravityMode(), 1);    // a missing key does not switch gravity off
  CRurIvaGeomSphere* pSphere = m_cScene.add<CRurIvaGeomSphere>(m_cScene.addEmpty(pBody));
  pSphere->setRadius(0.5f);
  m_pWorld->initPhysics();
  m_cScene.simulate(m_pWorld, 0.5f);
  EXPECT_LT(pBody->getPosition().Y, 9.0f);  // it falls, and its node follows
}

TEST_F(SimAttributes, AGeometryWritesOneSetThenItsMassKeysAndReadsThemBack) {
  CRurIvaBody* pBody = m_cScene.add<CRurIvaBody>(m_pWorld);
  CRurIvaGeomSphere* pSphere = m_cScene.add<CRurIvaGeomSphere>(m_cScene.addEmpty(pBody));
  pSphere->setRadius(0.3f);
  pSphere->setMassParameters(2.5f, vector3df(0.1f, 0, 0), vector3df(1, 2, 3), vector3df(0.1f, 0.2f, 0.3f));
  pSphere->setMassTranslation(vector3df(0, 0, 1));
  pSphere->setCollide(false);
  pSphere->setCollisionGroup(9);
  pSphere->getSurfaceParameters(0)->setMu(0.4f);
  irr::io::IAttributes* pOut = fresh();
  pSphere->serializeAttributes(pOut);

  const std::vector<std::string> aKeys = keysOf(pOut);
  const std::vector<std::string> aTail = {"Mass",           "CenterOfGravity", "Inertia_1",
                                          "Inertia_2",      "MassTranslation", "collides",
                                          "collisionGroup", "Radius"};
  ASSERT_GE(aKeys.size(), aTail.size());
  EXPECT_EQ(std::vector<std::string>(aKeys.end() - aTail.size(), aKeys.end()), aTail);
  EXPECT_TRUE(hasKey(pOut, "mu"));
  EXPECT_FALSE(hasKey(pOut, "mu_mat2"));
  EXPECT_FALSE(hasKey(pOut, "damps"));  // a body's geometry has no contact damping

  CRurIvaGeomSphere* pRead = m_cScene.add<CRurIvaGeomSphere>(m_cScene.addEmpty(pBody));
  pRead->deserializeAttributes(pOut);
  EXPECT_FLOAT_EQ(pRead->getRadius(), 0.3f);
  EXPECT_FLOAT_EQ(pRead->getMass(), 2.5f);
  EXPECT_VEC_NEAR(pRead->getCenterOfGravity(), vector3df(0.1f, 0, 0), 0.0f);
  EXPECT_VEC_NEAR(pRead->getInertia1(), vector3df(1, 2, 3), 0.0f);
  EXPECT_VEC_NEAR(pRead->getInertia2(), vector3df(0.1f, 0.2f, 0.3f), 0.0f);
  EXPECT_VEC_NEAR(pRead->getMassTranslation(), vector3df(0, 0, 1), 0.0f);
  EXPECT_FALSE(pRead->doesCollide());
  EXPECT_EQ(pRead->getCollisionGroup(), 9);
  EXPECT_FLOAT_EQ(pRead->getSurfaceParameters(0)->getMu(), 0.4f);
  EXPECT_EQ(pRead->getPosition(), vector3df(0, 0, 0));
}

TEST_F(SimAttributes, MissingGeometryKeysKeepTheDefaults) {
  CRurIvaGeomBox* pBox = m_cScene.add<CRurIvaGeomBox>(m_pWorld);
  pBox->setCollide(false);
  pBox->setMassTranslation(vector3df(1, 1, 1));
  irr::io::IAttributes* pIn = fresh();
  pIn->addFloat("Width", 2.0f);
  pBox->deserializeAttributes(pIn);
  EXPECT_TRUE(pBox->doesCollide());
  EXPECT_FLOAT_EQ(pBox->getMass(), 1.0f);
  EXPECT_VEC_NEAR(pBox->getMassTranslation(), vector3df(1, 1, 1), 0.0f);
  EXPECT_EQ(pBox->getCollisionGroup(), 0);
  EXPECT_FLOAT_EQ(pBox->getWidth(), 2.0f);
  EXPECT_EQ(pBox->getHeight(), 0.0f);
}

TEST_F(SimAttributes, StaticGeometriesWriteTheirDampingKeys) {
  CRurIvaGeomPlane* pGround = m_cScene.addGround(m_pWorld, 0.5f);
  pGround->getSurfaceParameters(0)->m_bDamps = true;
  pGround->getSurfaceParameters(0)->m_fLinearDamping = 0.2f;
  irr::io::IAttributes* pOut = fresh();
  pGround->serializeAttributes(pOut);
  EXPECT_TRUE(hasKey(pOut, "damps"));
  EXPECT_FLOAT_EQ(pOut->getAttributeAsFloat("paramD"), 0.5f);
  EXPECT_FLOAT_EQ(pOut->getAttributeAsFloat("paramB"), 1.0f);
  CRurIvaGeomPlane* pRead = m_cScene.add<CRurIvaGeomPlane>(m_pWorld);
  pRead->deserializeAttributes(pOut);
  EXPECT_TRUE(pRead->getSurfaceParameters(0)->m_bDamps);
  EXPECT_FLOAT_EQ(pRead->getSurfaceParameters(0)->m_fLinearDamping, 0.2f);
  EXPECT_FLOAT_EQ(pRead->getD(), 0.5f);
}

TEST_F(SimAttributes, TheMaterialKeysOfABoxBelongToMeshParentsOnly) {
  CRurIvaGeomBox* pPlain = m_cScene.add<CRurIvaGeomBox>(m_cScene.addEmpty(m_pWorld));
  pPlain->setUseAllMaterials(false);
  irr::io::IAttributes* pOut = fresh();
  pPlain->serializeAttributes(pOut);
  EXPECT_FALSE(hasKey(pOut, "useAllMaterials"));
  EXPECT_FALSE(hasKey(pOut, "useMaterial1"));
  // Reading below a plain node always selects all materials.
  pOut->addBool("useAllMaterials", false);
  pPlain->deserializeAttributes(pOut);
  EXPECT_TRUE(pPlain->getUseAllMaterials());

  const aabbox3df b(0, 0, 0, 1, 1, 1);
  CRurIvaGeomBox* pBox = m_cScene.add<CRurIvaGeomBox>(m_cScene.addMeshNode(m_pWorld, {b, b, b}));
  pBox->setUseAllMaterials(false);
  pBox->setUseMaterial(0, false);  // the others are beyond the flags: written as selected
  irr::io::IAttributes* pBoxOut = fresh();
  pBox->serializeAttributes(pBoxOut);
  EXPECT_FALSE(pBoxOut->getAttributeAsBool("useAllMaterials"));
  EXPECT_FALSE(pBoxOut->getAttributeAsBool("useMaterial1"));
  EXPECT_TRUE(pBoxOut->getAttributeAsBool("useMaterial2"));
  EXPECT_TRUE(pBoxOut->getAttributeAsBool("useMaterial3"));
  EXPECT_FALSE(hasKey(pBoxOut, "useMaterial0"));
  EXPECT_FALSE(hasKey(pBoxOut, "useMaterial4"));

  // Of three materials only the second is named, as false: flags (true, false, true).
  irr::io::IAttributes* pIn = fresh();
  pIn->addBool("useAllMaterials", false);
  pIn->addBool("useMaterial2", false);
  CRurIvaGeomBox* pRead = m_cScene.add<CRurIvaGeomBox>(m_cScene.addMeshNode(m_pWorld, {b, b, b}));
  pRead->deserializeAttributes(pIn);
  EXPECT_FALSE(pRead->getUseAllMaterials());
  std::vector<bool> aFlags;
  for (u32 i = 0; i < pRead->getUseMaterials().size(); ++i) aFlags.push_back(pRead->getUseMaterials()[i]);
  EXPECT_EQ(aFlags, (std::vector<bool>{true, false, true}));
  // A file without the key leaves the selection alone.
  pRead->deserializeAttributes(fresh());
  EXPECT_FALSE(pRead->getUseAllMaterials());
}

TEST_F(SimAttributes, SizesDerivedAtInitialisationAreWrittenOut) {
  CRurIvaBody* pBody = m_cScene.add<CRurIvaBody>(m_pWorld);
  CRurIvaGeomCylinder* pCylinder = m_cScene.add<CRurIvaGeomCylinder>(
      m_cScene.addAnimatedMeshNode(pBody, {aabbox3df(-1, -1, -3, 1, 1, 3)}));
  irr::io::IAttributes* pBefore = fresh();
  pCylinder->serializeAttributes(pBefore);
  EXPECT_EQ(pBefore->getAttributeAsFloat("Radius"), 0.0f);
  m_pWorld->initPhysics();
  irr::io::IAttributes* pAfter = fresh();
  pCylinder->serializeAttributes(pAfter);
  EXPECT_FLOAT_EQ(pAfter->getAttributeAsFloat("Radius"), 2.0f);
  EXPECT_FLOAT_EQ(pAfter->getAttributeAsFloat("Length"), 6.0f);
}

TEST_F(SimAttributes, ASetUpReadBackFromItsAttributesSimulatesLikeTheOriginal) {
  m_cScene.addGround(m_pWorld, 0.0f);
  CRurIvaGeomSphere* pSphere = nullptr;
  CRurIvaBody* pBody = m_cScene.addSphereBody(m_pWorld, vector3df(-3, 6, 0), 0.5f, 2.0f, &pSphere);
  pSphere->getSurfaceParameters(0)->setModeBounce(true);
  pSphere->getSurfaceParameters(0)->setBounce(0.9f);
  pBody->setLinearDamping(0.001f);
  irr::io::IAttributes* pBodyAttr = fresh();
  irr::io::IAttributes* pSphereAttr = fresh();
  pBody->serializeAttributes(pBodyAttr);
  pSphere->serializeAttributes(pSphereAttr);

  // The copy, read from the attributes into fresh nodes, placed 6 units beside the original.
  CRurIvaBody* pCopy = m_cScene.add<CRurIvaBody>(m_pWorld);
  pCopy->deserializeAttributes(pBodyAttr);
  pCopy->setPosition(vector3df(3, 6, 0));
  CRurIvaGeomSphere* pCopySphere = m_cScene.add<CRurIvaGeomSphere>(m_cScene.addEmpty(pCopy));
  pCopySphere->deserializeAttributes(pSphereAttr);
  // Both bounce off the ground, whose set gets the flag too.
  CRurIvaGeomPlane* pGround = static_cast<CRurIvaGeomPlane*>(*m_pWorld->getGeomList().begin());
  pGround->getSurfaceParameters(0)->setModeBounce(true);
  pGround->getSurfaceParameters(0)->setBounce(0.9f);

  m_pWorld->initPhysics();
  for (int i = 0; i < 10; ++i) {
    m_cScene.simulate(m_pWorld, 0.2f);
    EXPECT_NEAR(pCopy->getPosition().Y, pBody->getPosition().Y, 1e-4f);
    EXPECT_NEAR(pCopy->getPosition().X - pBody->getPosition().X, 6.0f, 1e-4f);
  }
}

}  // namespace
}  // namespace test
}  // namespace varrik
