// Damping and auto-disable settings of worlds and bodies: defaults, where a value lives before
// and after the dynamics object exists, named sets shared through scene attributes, copying,
// and what the values do to a moving body.
#include <gtest/gtest.h>

#include <string>

#include "CRurIvaBody.h"
#include "CRurIvaDampable.h"
#include "CRurIvaWorld.h"
#include "CTestScene.h"

namespace varrik {
namespace test {
namespace {

void setTen(irr::ode::CRurIvaDampable* p, f32 fBase) {
  p->setLinearDamping(fBase + 0.01f);
  p->setAngularDamping(fBase + 0.02f);
  p->setLinearDampingThreshold(fBase + 0.03f);
  p->setAngularDampingThreshold(fBase + 0.04f);
  p->setAutoDisableLinearThreshold(fBase + 0.05f);
  p->setAutoDisableAngularThreshold(fBase + 0.06f);
  p->setAutoDisableTime(fBase + 0.07f);
  p->setMaxAngularSpeed(fBase + 0.08f);
  p->setAutoDisableSteps(7);
  p->setAutoDisableFlag(1);
}

void expectTen(irr::ode::CRurIvaDampable* p, f32 fBase) {
  EXPECT_NEAR(p->getLinearDamping(), fBase + 0.01f, 1e-6f);
  EXPECT_NEAR(p->getAngularDamping(), fBase + 0.02f, 1e-6f);
  EXPECT_NEAR(p->getLinearDampingThreshold(), fBase + 0.03f, 1e-6f);
  EXPECT_NEAR(p->getAngularDampingThreshold(), fBase + 0.04f, 1e-6f);
  EXPECT_NEAR(p->getAutoDisableLinearThreshold(), fBase + 0.05f, 1e-6f);
  EXPECT_NEAR(p->getAutoDisableAngularThreshold(), fBase + 0.06f, 1e-6f);
  EXPECT_NEAR(p->getAutoDisableTime(), fBase + 0.07f, 1e-6f);
  EXPECT_NEAR(p->getMaxAngularSpeed(), fBase + 0.08f, 1e-6f);
  EXPECT_EQ(p->getAutoDisableSteps(), 7);
  EXPECT_EQ(p->getAutoDisableFlag(), 1);
}

TEST(CoreDamping, FreshWorldsAndBodiesHaveTheDefaults) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pBody = cScene.add<CRurIvaBody>(pWorld);
  for (irr::ode::CRurIvaDampable* p :
       {static_cast<irr::ode::CRurIvaDampable*>(pWorld), static_cast<irr::ode::CRurIvaDampable*>(pBody)}) {
    EXPECT_EQ(p->getLinearDamping(), 0.0f);
    EXPECT_EQ(p->getAngularDamping(), 0.0f);
    EXPECT_FLOAT_EQ(p->getLinearDampingThreshold(), 0.01f);
    EXPECT_FLOAT_EQ(p->getAngularDampingThreshold(), 0.01f);
    EXPECT_FLOAT_EQ(p->getAutoDisableLinearThreshold(), 0.01f);
    EXPECT_FLOAT_EQ(p->getAutoDisableAngularThreshold(), 0.01f);
    EXPECT_EQ(p->getAutoDisableTime(), 0.0f);
    EXPECT_EQ(p->getMaxAngularSpeed(), 0.0f);
    EXPECT_EQ(p->getAutoDisableSteps(), 10);
    EXPECT_EQ(p->getAutoDisableFlag(), 0);
    EXPECT_EQ(p->getParamName(), L"");
    EXPECT_FALSE(p->doesUseDefined());
  }
}

TEST(CoreDamping, ValuesSetBeforeInitialisationReachTheDynamicsObjects) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 5, 0), 0.5f);
  setTen(pWorld, 0.1f);
  setTen(pBody, 0.2f);
  pWorld->initPhysics();
  ASSERT_NE(pWorld->getWorldId(), 0u);
  ASSERT_NE(pBody->getBodyId(), 0u);
  // The getters now ask the dynamics library.
  EXPECT_NEAR(cScene.m_pDevice->worldGetLinearDamping(pWorld->getWorldId()), 0.11f, 1e-6f);
  EXPECT_NEAR(cScene.m_pDevice->bodyGetAngularDamping(pBody->getBodyId()), 0.22f, 1e-6f);
  expectTen(pWorld, 0.1f);
  expectTen(pBody, 0.2f);

  // And the setters after initialisation as well.
  setTen(pWorld, 0.3f);
  setTen(pBody, 0.4f);
  EXPECT_NEAR(cScene.m_pDevice->bodyGetLinearDamping(pBody->getBodyId()), 0.41f, 1e-6f);
  expectTen(pWorld, 0.3f);
  expectTen(pBody, 0.4f);
}

TEST(CoreDamping, LinearDampingSlowsAFreeBody) {
  for (f32 fDamping : {0.0f, 0.1f}) {
    SCOPED_TRACE(fDamping);
    CTestScene cScene;
    CRurIvaWorld* pWorld = cScene.addWorld();
    pWorld->setGravity(vector3df(0, 0, 0));
    CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 0, 0), 0.5f);
    pBody->setLinearDamping(fDamping);
    pBody->setLinearVelocity(vector3df(10, 0, 0));
    pWorld->initPhysics();
    cScene.steps(pWorld, 10);
    // Each step keeps (1 - damping) of the velocity.
    EXPECT_NEAR(pBody->getLinearVelocity().X, 10.0f * std::pow(1.0f - fDamping, 10.0f), 1e-3f);
  }
}

TEST(CoreDamping, ChangingTheDampingRaisesTheChangedFlagOnlyForANewValue) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pBody = cScene.add<CRurIvaBody>(pWorld);
  pBody->setLinearDamping(0.0f);
  pBody->setAngularDamping(0.0f);
  EXPECT_FALSE(pBody->dampingChanged());
  pBody->setAngularDamping(0.5f);
  EXPECT_TRUE(pBody->dampingChanged());
}

TEST(CoreDamping, AUserOfAWorldsNamedSetWritesOnlyTheNameAndReadsTheWorldsValues) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  pWorld->setParamName(L"heavy");
  setTen(pWorld, 0.5f);
  CRurIvaBody* pUser = cScene.add<CRurIvaBody>(pWorld);
  pUser->setParamName(L"heavy");
  pUser->setUseDefined(true);
  setTen(pUser, 0.9f);  // its own values are not what it writes

  irr::io::IAttributes* pOut = cScene.newAttributes();
  pUser->serializeAttributes(pOut);
  EXPECT_STREQ(pOut->getAttributeAsString("paramName").c_str(), "heavy");
  EXPECT_TRUE(pOut->getAttributeAsBool("useDefined"));
  for (const char* sKey : {"AutoDisableSteps", "AutoDisableFlag", "LinearDamping", "AngularDamping",
                           "LinearDampingThreshold", "AngularDampingThreshold", "AutoDisableLinearThreshold",
                           "AutoDisableAngularThreshold", "AutoDisableTime", "MaxAngularSpeed"})
    EXPECT_FALSE(pOut->existsAttribute(sKey)) << sKey;
  EXPECT_TRUE(pOut->existsAttribute("Enabled"));  // the body's own keys follow

  // A file that carries values next to the reference: the definition wins.
  pOut->addFloat("LinearDamping", 0.99f);
  CRurIvaBody* pRead = cScene.add<CRurIvaBody>(pWorld);
  pRead->deserializeAttributes(pOut);
  EXPECT_EQ(pRead->getParamName(), L"heavy");
  EXPECT_TRUE(pRead->doesUseDefined());
  expectTen(pRead, 0.5f);
  pOut->drop();
}

TEST(CoreDamping, ADefiningBodyWritesItsValuesAndAUserBodyReadsThem) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pDefiner = cScene.add<CRurIvaBody>(pWorld);
  pDefiner->setParamName(L"wheel");
  setTen(pDefiner, 0.3f);

  irr::io::IAttributes* pOut = cScene.newAttributes();
  pDefiner->serializeAttributes(pOut);
  EXPECT_FALSE(pOut->getAttributeAsBool("useDefined"));
  EXPECT_NEAR(pOut->getAttributeAsFloat("AutoDisableTime"), 0.37f, 1e-6f);
  EXPECT_EQ(pOut->getAttributeAsInt("AutoDisableSteps"), 7);

  // A scene file: the defining node first, then a user of its set.
  CRurIvaBody* pReadDefiner = cScene.add<CRurIvaBody>(pWorld);
  pReadDefiner->deserializeAttributes(pOut);
  expectTen(pReadDefiner, 0.3f);
  pDefiner->setParamName(L"");  // only the read copy defines the set now

  irr::io::IAttributes* pUse = cScene.newAttributes();
  pUse->addString("paramName", "wheel");
  pUse->addBool("useDefined", true);
  CRurIvaBody* pUser = cScene.add<CRurIvaBody>(pWorld);
  pUser->deserializeAttributes(pUse);
  expectTen(pUser, 0.3f);
  EXPECT_EQ(cScene.m_pManager->getDampableWithParamName(L"wheel"), pReadDefiner);
  pOut->drop();
  pUse->drop();
}

TEST(CoreDamping, AUserWithoutADefinitionWritesAndReadsItsOwnValues) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pLonely = cScene.add<CRurIvaBody>(pWorld);
  pLonely->setParamName(L"nowhere");
  pLonely->setUseDefined(true);
  setTen(pLonely, 0.6f);

  irr::io::IAttributes* pOut = cScene.newAttributes();
  pLonely->serializeAttributes(pOut);
  EXPECT_TRUE(pOut->existsAttribute("LinearDamping"));
  CRurIvaBody* pRead = cScene.add<CRurIvaBody>(pWorld);
  pRead->deserializeAttributes(pOut);
  expectTen(pRead, 0.6f);
  pOut->drop();
}

TEST(CoreDamping, WorldsRoundTripTheirDampingAndSettings) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  setTen(pWorld, 0.2f);
  pWorld->setGravity(vector3df(0, -3, 1));
  pWorld->setStepSize(0.01f);
  pWorld->setDrawEditorMesh(false);
  irr::io::IAttributes* pOut = cScene.newAttributes();
  pWorld->serializeAttributes(pOut);
  EXPECT_FLOAT_EQ(pOut->getAttributeAsFloat("StepSize"), 0.01f);

  pWorld->setStepSize(0.02f);
  CRurIvaWorld* pRead = cScene.addWorld();
  pRead->deserializeAttributes(pOut);
  expectTen(pRead, 0.2f);
  EXPECT_VEC_NEAR(pRead->getGravity(), vector3df(0, -3, 1), 0.0f);
  EXPECT_FLOAT_EQ(pRead->getStepSize(), 0.01f);
  EXPECT_FLOAT_EQ(cScene.m_pDevice->getStepSize(), 0.01f);  // one step size for the device
  EXPECT_FALSE(pRead->getDrawEditorMesh());
  pOut->drop();
}

TEST(CoreDamping, AWorldKeepsItsStepSizeWhenTheAttributeIsMissingOrNotPositive) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  pWorld->setStepSize(0.02f);
  irr::io::IAttributes* pIn = cScene.newAttributes();
  pWorld->deserializeAttributes(pIn);
  EXPECT_FLOAT_EQ(pWorld->getStepSize(), 0.02f);
  for (f32 fBad : {0.0f, -0.5f}) {
    pIn->setAttribute("StepSize", fBad);
    captured([&] { pWorld->deserializeAttributes(pIn); });
    EXPECT_FLOAT_EQ(pWorld->getStepSize(), 0.02f);
    EXPECT_FLOAT_EQ(cScene.m_pDevice->getStepSize(), 0.02f);
  }
  // Gravity missing: the stored gravity stays.
  EXPECT_EQ(pWorld->getGravity(), vector3df(0, -10, 0));
  pIn->drop();
}

TEST(CoreDamping, KeysMissingFromAFileKeepTheDefaults) {
  // A hand-written scene file that names the damping only: auto-disable keeps 10 steps and its
  // thresholds, as a world keeps its gravity and step size.
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pBody = cScene.add<CRurIvaBody>(pWorld);
  irr::io::IAttributes* pIn = cScene.newAttributes();
  pIn->addFloat("LinearDamping", 0.3f);
  pIn->addInt("AutoDisableFlag", 1);
  for (irr::ode::CRurIvaDampable* p :
       {static_cast<irr::ode::CRurIvaDampable*>(pWorld), static_cast<irr::ode::CRurIvaDampable*>(pBody)}) {
    p->deserializeAttributes(pIn);
    EXPECT_FLOAT_EQ(p->getLinearDamping(), 0.3f);
    EXPECT_EQ(p->getAutoDisableFlag(), 1);
    EXPECT_EQ(p->getAutoDisableSteps(), 10);
    EXPECT_FLOAT_EQ(p->getLinearDampingThreshold(), 0.01f);
    EXPECT_FLOAT_EQ(p->getAngularDampingThreshold(), 0.01f);
    EXPECT_FLOAT_EQ(p->getAutoDisableLinearThreshold(), 0.01f);
    EXPECT_FLOAT_EQ(p->getAutoDisableAngularThreshold(), 0.01f);
  }
  pWorld->initPhysics();
  EXPECT_EQ(pBody->getAutoDisableSteps(), 10);  // as the dynamics body has it
  EXPECT_FLOAT_EQ(pBody->getAutoDisableLinearThreshold(), 0.01f);
  pIn->drop();
}

TEST(CoreDamping, CopyParamsCopiesTheValuesButNotTheName) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pSource = cScene.add<CRurIvaBody>(pWorld, vector3df(1, 2, 3));
  pSource->setParamName(L"source");
  setTen(pSource, 0.4f);
  CRurIvaBody* pDest = cScene.add<CRurIvaBody>(pWorld);
  pDest->setParamName(L"dest");
  pDest->setUseDefined(true);
  pSource->copyParams(pDest, true);
  expectTen(pDest, 0.4f);
  EXPECT_EQ(pDest->getParamName(), L"dest");
  EXPECT_TRUE(pDest->doesUseDefined());
  EXPECT_VEC_NEAR(pDest->getPosition(), vector3df(1, 2, 3), 0.0f);
}

TEST(CoreDamping, AMasterBodyHandsItsBodyParametersToBodiesOfItsClassOnce) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pMaster = cScene.addSphereBody(pWorld, vector3df(0, 0, 0), 0.5f);
  CRurIvaBody* pSame = cScene.addSphereBody(pWorld, vector3df(5, 0, 0), 0.5f);
  CRurIvaBody* pOther = cScene.addSphereBody(pWorld, vector3df(10, 0, 0), 0.5f);
  pMaster->setOdeClassname("wheel");
  pSame->setOdeClassname("wheel");
  pOther->setOdeClassname("crate");
  pMaster->setParamMaster(true);
  pMaster->setGravityMode(0);
  pMaster->setFiniteRotationMode(true);
  pWorld->initPhysics();

  EXPECT_FALSE(pMaster->isParamMaster());
  EXPECT_EQ(pSame->getGravityMode(), 0);
  EXPECT_TRUE(pSame->getFiniteRotationMode());
  EXPECT_EQ(pOther->getGravityMode(), 1);
  EXPECT_FALSE(pOther->getFiniteRotationMode());

  // The copy reaches the dynamics bodies: without gravity the same-class body floats.
  cScene.simulate(pWorld, 0.5f);
  EXPECT_NEAR(pSame->getPosition().Y, 0.0f, 1e-4f);
  EXPECT_LT(pOther->getPosition().Y, -0.5f);
}

}  // namespace
}  // namespace test
}  // namespace varrik
