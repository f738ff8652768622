// Surface parameter sets and the contact calculator: the scene keys of a set and its index,
// sets that use a named definition, the damping keys of static sets, and how two sets combine
// into the surface of one contact.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "CRurIvaContactParameters.h"
#include "CRurIvaGeomPlane.h"
#include "CRurIvaSurfaceParameters.h"
#include "CRurIvaWorld.h"
#include "CTestScene.h"

namespace varrik {
namespace test {
namespace {

using irr::ode::CRurIvaContactParameters;

void fill(CRurIvaSurfaceParameters& s, f32 fBase) {
  s.setMode(0x0004 | 0x0010 | 0x2000);
  s.setMu(fBase + 1);
  s.setMu2(fBase + 2);
  s.setBounce(fBase + 3);
  s.setBounceVel(fBase + 4);
  s.setSoftErp(fBase + 5);
  s.setSoftCfm(fBase + 6);
  s.setMotion1(fBase + 7);
  s.setMotion2(fBase + 8);
  s.setMotionN(fBase + 9);
  s.setSlip1(fBase + 10);
  s.setSlip2(fBase + 11);
}

void expectFilled(CRurIvaSurfaceParameters& s, f32 fBase) {
  EXPECT_EQ(s.getMode(), 0x0004 | 0x0010 | 0x2000);
  EXPECT_FLOAT_EQ(s.getMu(), fBase + 1);
  EXPECT_FLOAT_EQ(s.getMu2(), fBase + 2);
  EXPECT_FLOAT_EQ(s.getBounce(), fBase + 3);
  EXPECT_FLOAT_EQ(s.getBounceVel(), fBase + 4);
  EXPECT_FLOAT_EQ(s.getSoftErp(), fBase + 5);
  EXPECT_FLOAT_EQ(s.getSoftCfm(), fBase + 6);
  EXPECT_FLOAT_EQ(s.getMotion1(), fBase + 7);
  EXPECT_FLOAT_EQ(s.getMotion2(), fBase + 8);
  EXPECT_FLOAT_EQ(s.getMotionN(), fBase + 9);
  EXPECT_FLOAT_EQ(s.getSlip1(), fBase + 10);
  EXPECT_FLOAT_EQ(s.getSlip2(), fBase + 11);
}

class CoreSurface : public testing::Test {
 protected:
  void SetUp() override { m_pAttr = m_cScene.newAttributes(); }
  void TearDown() override { m_pAttr->drop(); }
  CTestScene m_cScene;
  irr::io::IAttributes* m_pAttr = nullptr;
};

TEST_F(CoreSurface, TheIndexSelectsTheKeySuffix) {
  CRurIvaSurfaceParameters s;
  s.setMu(0.5f);
  s.serializeAttributes(m_pAttr, nullptr, 0);
  EXPECT_TRUE(m_pAttr->existsAttribute("mu"));
  EXPECT_TRUE(m_pAttr->existsAttribute("motion2"));
  EXPECT_FALSE(m_pAttr->existsAttribute("mu_mat1"));

  m_pAttr->clear();
  s.serializeAttributes(m_pAttr, nullptr, 2);
  EXPECT_FLOAT_EQ(m_pAttr->getAttributeAsFloat("mu_mat3"), 0.5f);
  EXPECT_FALSE(m_pAttr->existsAttribute("mu"));
  const std::vector<std::string> aExpected = {
      "name_mat3",           "useDefined_mat3",     "mode_mu2_mat3",     "mode_fdir1_mat3",
      "mode_bounce_mat3",    "mode_softERP_mat3",   "mode_softCFM_mat3", "mode_motion1_mat3",
      "mode_motion2_mat3",   "mode_motionN_mat3",   "mode_slip1_mat3",   "mode_slip2_mat3",
      "mode_approx1_1_mat3", "mode_approx1_2_mat3", "mu_mat3",           "mu2_mat3",
      "bounce_mat3",         "bounce_vel_mat3",     "soft_erp_mat3",     "soft_cfm_mat3",
      "motion1_mat3",        "motion2_mat3",        "motionN_mat3",      "slip1_mat3",
      "slip2_mat3"};
  EXPECT_EQ(keysOf(m_pAttr), aExpected);
}

TEST_F(CoreSurface, EveryValueAndModeBitReadsBackUnderItsOwnKey) {
  for (u32 iIndex : {0u, 1u, 4u}) {
    SCOPED_TRACE(iIndex);
    CRurIvaSurfaceParameters s, r;
    fill(s, 10.0f * iIndex);
    s.setName(L"rubber");
    m_pAttr->clear();
    s.serializeAttributes(m_pAttr, nullptr, iIndex);
    r.deserializeAttributes(m_pAttr, nullptr, iIndex);
    expectFilled(r, 10.0f * iIndex);
    EXPECT_STREQ(r.getName(), L"rubber");
    EXPECT_FALSE(r.doesUseDefined());
  }
}

TEST_F(CoreSurface, ModeBitsEachHaveTheirKey) {
  const std::vector<std::pair<s32, std::string>> aBits = {
      {0x0001, "mode_mu2"},     {0x0002, "mode_fdir1"},     {0x0004, "mode_bounce"},
      {0x0008, "mode_softERP"}, {0x0010, "mode_softCFM"},   {0x0020, "mode_motion1"},
      {0x0040, "mode_motion2"}, {0x0080, "mode_motionN"},   {0x0100, "mode_slip1"},
      {0x0200, "mode_slip2"},   {0x1000, "mode_approx1_1"}, {0x2000, "mode_approx1_2"}};
  for (const auto& bit : aBits) {
    SCOPED_TRACE(bit.second);
    CRurIvaSurfaceParameters s, r;
    s.setMode(bit.first);
    m_pAttr->clear();
    s.serializeAttributes(m_pAttr, nullptr, 0);
    for (const auto& other : aBits)
      EXPECT_EQ(m_pAttr->getAttributeAsBool(other.second.c_str()), other.first == bit.first) << other.second;
    r.setMode(0x33ff);  // every bit that has a key
    r.deserializeAttributes(m_pAttr, nullptr, 0);
    EXPECT_EQ(r.getMode(), bit.first);
  }
  CRurIvaSurfaceParameters s;
  s.setModeApprox1_2(true);
  EXPECT_TRUE(s.getModeApprox1());
  EXPECT_FALSE(s.getModeApprox1_1());
  s.setModeApprox1(true);
  EXPECT_EQ(s.getMode(), 0x3000);
  s.setModeApprox1(false);
  EXPECT_EQ(s.getMode(), 0);
}

TEST_F(CoreSurface, AUserOfADefinitionIsWrittenShortAndReadBackFromTheDefinition) {
  CRurIvaSurfaceParameters cDefinition;
  cDefinition.setName(L"ice");
  fill(cDefinition, 0.0f);
  m_cScene.m_pManager->addSurfaceParameter(&cDefinition);

  CRurIvaSurfaceParameters cUser;
  cUser.setName(L"ice");
  cUser.setUseDefined(true);
  cUser.setMu(99.0f);  // its own values are not written
  cUser.serializeAttributes(m_pAttr, nullptr, 1);
  EXPECT_EQ(keysOf(m_pAttr), (std::vector<std::string>{"name_mat2", "useDefined_mat2"}));
  EXPECT_TRUE(m_pAttr->getAttributeAsBool("useDefined_mat2"));

  // A set that already carries the name takes the definition's values while reading.
  CRurIvaSurfaceParameters cNamed;
  cNamed.setName(L"ice");
  cNamed.deserializeAttributes(m_pAttr, nullptr, 1);
  expectFilled(cNamed, 0.0f);
  EXPECT_FALSE(cNamed.doesUseDefined());  // a copy of the definition, flag included

  // A fresh set learns the name while reading and takes the values when physics starts.
  CRurIvaSurfaceParameters cFresh;
  cFresh.deserializeAttributes(m_pAttr, nullptr, 1);
  EXPECT_STREQ(cFresh.getName(), L"ice");
  EXPECT_TRUE(cFresh.doesUseDefined());
  cFresh.initPhysics();
  expectFilled(cFresh, 0.0f);
  EXPECT_FALSE(cFresh.doesUseDefined());

  // The definition itself writes everything and says it uses nothing.
  m_pAttr->clear();
  cDefinition.setUseDefined(false);
  cDefinition.serializeAttributes(m_pAttr, nullptr, 0);
  EXPECT_FALSE(m_pAttr->getAttributeAsBool("useDefined"));
  EXPECT_TRUE(m_pAttr->existsAttribute("slip2"));
  m_cScene.m_pManager->removeSurfaceParameter(&cDefinition);
}

TEST_F(CoreSurface, AUserWithoutADefinitionWritesItsValues) {
  CRurIvaSurfaceParameters cUser;
  cUser.setName(L"unknown");
  cUser.setUseDefined(true);
  fill(cUser, 1.0f);
  cUser.serializeAttributes(m_pAttr, nullptr, 0);
  EXPECT_TRUE(m_pAttr->getAttributeAsBool("useDefined"));
  EXPECT_FLOAT_EQ(m_pAttr->getAttributeAsFloat("mu"), 2.0f);
  // Without a name there is nothing to use.
  CRurIvaSurfaceParameters cUnnamed;
  cUnnamed.setUseDefined(true);
  m_pAttr->clear();
  cUnnamed.serializeAttributes(m_pAttr, nullptr, 0);
  EXPECT_FALSE(m_pAttr->getAttributeAsBool("useDefined"));
}

TEST_F(CoreSurface, DampingKeysBelongToStaticSetsOnly) {
  CRurIvaSurfaceParameters cDynamic, cStatic;
  for (CRurIvaSurfaceParameters* p : {&cDynamic, &cStatic}) {
    p->m_bDamps = true;
    p->m_fLinearDamping = 0.1f;
    p->m_fAngularDamping = 0.2f;
    p->m_fMaxLinearVelocity = 10.0f;
    p->m_fMaxAngularVelocity = 0.0f;
    p->m_fMaxLinearVelocityDamping = 0.5f;
    p->m_fMaxAngularVelocityDamping = 0.7f;
  }
  cStatic.m_bStatic = true;

  cDynamic.serializeAttributes(m_pAttr, nullptr, 0);
  for (const char* sKey : {"damps", "linearDamping", "angularDamping", "maxLinearVel", "maxAngularVel",
                           "maxLVelDamping", "maxAVelDamping"})
    EXPECT_FALSE(m_pAttr->existsAttribute(sKey)) << sKey;

  m_pAttr->clear();
  cStatic.serializeAttributes(m_pAttr, nullptr, 0);
  EXPECT_TRUE(m_pAttr->getAttributeAsBool("damps"));
  EXPECT_FLOAT_EQ(m_pAttr->getAttributeAsFloat("linearDamping"), 0.1f);
  EXPECT_FLOAT_EQ(m_pAttr->getAttributeAsFloat("maxLinearVel"), 10.0f);
  EXPECT_FLOAT_EQ(m_pAttr->getAttributeAsFloat("maxLVelDamping"), 0.5f);
  EXPECT_FALSE(m_pAttr->existsAttribute("maxAVelDamping"));  // no angular limit, no factor

  // Reading: a dynamic set ignores the keys, a static one takes them.
  CRurIvaSurfaceParameters cReadDynamic, cReadStatic;
  cReadStatic.m_bStatic = true;
  cReadDynamic.deserializeAttributes(m_pAttr, nullptr, 0);
  cReadStatic.deserializeAttributes(m_pAttr, nullptr, 0);
  EXPECT_FALSE(cReadDynamic.m_bDamps);
  EXPECT_EQ(cReadDynamic.m_fMaxLinearVelocity, 0.0f);
  EXPECT_TRUE(cReadStatic.m_bDamps);
  EXPECT_FLOAT_EQ(cReadStatic.m_fAngularDamping, 0.2f);
  EXPECT_FLOAT_EQ(cReadStatic.m_fMaxLinearVelocityDamping, 0.5f);
  EXPECT_EQ(cReadStatic.m_fMaxAngularVelocityDamping, 0.0f);

  // With the switch off only the switch is written.
  m_pAttr->clear();
  cStatic.m_bDamps = false;
  cStatic.serializeAttributes(m_pAttr, nullptr, 0);
  EXPECT_TRUE(m_pAttr->existsAttribute("damps"));
  EXPECT_FALSE(m_pAttr->existsAttribute("linearDamping"));
}

TEST_F(CoreSurface, CopyTakesEverythingButTheStaticFlag) {
  CRurIvaSurfaceParameters cSource, cDest;
  fill(cSource, 2.0f);
  cSource.setName(L"mud");
  cSource.setUseDefined(true);
  cSource.m_bDamps = true;
  cSource.m_fMaxAngularVelocity = 3.0f;
  cSource.m_bStatic = true;
  cSource.copy(&cDest);
  expectFilled(cDest, 2.0f);
  EXPECT_STREQ(cDest.getName(), L"mud");
  EXPECT_TRUE(cDest.doesUseDefined());
  EXPECT_TRUE(cDest.m_bDamps);
  EXPECT_FLOAT_EQ(cDest.m_fMaxAngularVelocity, 3.0f);
  EXPECT_FALSE(cDest.m_bStatic);
}

TEST_F(CoreSurface, InitialisingAGeometryFillsItsNamedSetFromTheDefinition) {
  CRurIvaSurfaceParameters* pDefinition = new CRurIvaSurfaceParameters();
  pDefinition->setName(L"ice");
  fill(*pDefinition, 0.0f);
  m_cScene.m_pManager->addSurfaceParameter(pDefinition);

  CRurIvaWorld* pWorld = m_cScene.addWorld();
  CRurIvaGeomPlane* pGround = m_cScene.addGround(pWorld);
  pGround->getSurfaceParameters(0)->setName(L"ice");
  CRurIvaGeomPlane* pOther = m_cScene.addGround(pWorld, -5.0f);
  pOther->getSurfaceParameters(0)->setName(L"snow");
  pOther->getSurfaceParameters(0)->setMu(0.25f);
  pWorld->initPhysics();

  expectFilled(*pGround->getSurfaceParameters(0), 0.0f);
  EXPECT_FLOAT_EQ(pOther->getSurfaceParameters(0)->getMu(), 0.25f);  // no definition, own values
  m_cScene.m_pManager->removeSurfaceParameter(pDefinition);
  delete pDefinition;
}

TEST(CoreContact, FrictionIsTheGeometricMeanOfBothSides) {
  CRurIvaSurfaceParameters a, b, r;
  CRurIvaContactParameters c;
  a.setMu(4.0f);
  b.setMu(1.0f);
  c.calculateContactParameters(&a, &b, &r);
  EXPECT_FLOAT_EQ(r.getMu(), 2.0f);
  b.setMu(0.0f);
  c.calculateContactParameters(&a, &b, &r);
  EXPECT_EQ(r.getMu(), 0.0f);
}

TEST(CoreContact, EveryValueCombinesTheSameWay) {
  CRurIvaSurfaceParameters a, b, r;
  CRurIvaContactParameters c;
  fill(a, 0.0f);
  fill(b, 0.0f);
  c.calculateContactParameters(&a, &b, &r);
  EXPECT_EQ(r.getMode(), 0x0004 | 0x0010 | 0x3000);  // one pyramid bit brings the other
  r.setMode(a.getMode());
  expectFilled(r, 0.0f);  // the mean of equal values is that value
  b.setSlip2(3.0f);       // a's is 11
  b.setBounce(12.0f);     // a's is 3
  c.calculateContactParameters(&a, &b, &r);
  EXPECT_FLOAT_EQ(r.getSlip2(), std::sqrt(33.0f));
  EXPECT_FLOAT_EQ(r.getBounce(), 6.0f);
}

TEST(CoreContact, ModesApplyWhenBothAskExceptTheFrictionPyramid) {
  CRurIvaSurfaceParameters a, b, r;
  CRurIvaContactParameters c;
  a.setMode(0x0004 | 0x1000);
  b.setMode(0x0004);
  c.calculateContactParameters(&a, &b, &r);
  EXPECT_EQ(r.getMode(), 0x3004);
  a.setMode(0x0004);
  b.setMode(0x0008);
  c.calculateContactParameters(&a, &b, &r);
  EXPECT_EQ(r.getMode(), 0);
  b.setMode(0x2000 | 0x0004);
  c.calculateContactParameters(&a, &b, &r);
  EXPECT_EQ(r.getMode(), 0x3004);
}

TEST(CoreContact, OppositeSignsCombineToZeroNotToNotANumber) {
  CRurIvaSurfaceParameters a, b, r;
  CRurIvaContactParameters c;
  a.setMotion1(4.0f);
  b.setMotion1(-1.0f);
  a.setMotion2(-4.0f);
  b.setMotion2(-1.0f);
  c.calculateContactParameters(&a, &b, &r);
  EXPECT_EQ(r.getMotion1(), 0.0f);
  EXPECT_FLOAT_EQ(r.getMotion2(), 2.0f);
}

TEST(CoreContact, NameFlagAndDampingOfTheResultAreLeftAlone) {
  CRurIvaSurfaceParameters a, b, r;
  CRurIvaContactParameters c;
  a.setName(L"a");
  a.m_bDamps = true;
  r.setName(L"result");
  r.m_fLinearDamping = 0.3f;
  c.calculateContactParameters(&a, &b, &r);
  EXPECT_STREQ(r.getName(), L"result");
  EXPECT_FALSE(r.m_bDamps);
  EXPECT_FLOAT_EQ(r.m_fLinearDamping, 0.3f);
}

TEST(CoreContact, TheCombinationWithoutAResultSetGivesTheCalculatorsValues) {
  // The collision callback combines into a plain record (no set, nothing allocated); it must
  // give what the calculator writes into a set, also for sets whose getters answer otherwise.
  class CDoubledMu : public CRurIvaSurfaceParameters {
   public:
    f32 getMu() override { return 2.0f * CRurIvaSurfaceParameters::getMu(); }
  };
  CRurIvaSurfaceParameters a, r;
  CDoubledMu b;
  CRurIvaContactParameters c;
  fill(a, 0.0f);
  fill(b, 0.5f);
  b.setMode(0x0004 | 0x2000);
  c.calculateContactParameters(&a, &b, &r);
  irr::ode::SRurIvaContactSurface cPlain;
  CRurIvaContactParameters::combine(&a, &b, cPlain);
  const f32 aSet[] = {r.getMu(),      r.getMu2(),     r.getBounce(),  r.getBounceVel(),
                      r.getSoftErp(), r.getSoftCfm(), r.getMotion1(), r.getMotion2(),
                      r.getMotionN(), r.getSlip1(),   r.getSlip2()};
  EXPECT_EQ(cPlain.iMode, r.getMode());
  for (int i = 0; i < 11; ++i) EXPECT_EQ(cPlain.aValues[i], aSet[i]) << "value " << i;
  // b's getter, not its field
  EXPECT_FLOAT_EQ(cPlain.aValues[irr::ode::eRurIvaValueMu], std::sqrt(a.getMu() * b.getMu()));
}

}  // namespace
}  // namespace test
}  // namespace varrik
