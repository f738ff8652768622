#include "CRurIvaSurfaceParameters.h"

#include <cmath>
#include <cstdio>

#include "CRurIvaManager.h"

namespace irr {
namespace ode {

namespace {

//! The mode bits with their scene file keys, in the order they are written and read.
struct SModeKey {
  s32 iBits;
  const c8* sKey;
};
const SModeKey kModeKeys[] = {{eRurIvaContactMu2, "mode_mu2%s"},
                              {eRurIvaContactFDir1, "mode_fdir1%s"},
                              {eRurIvaContactBounce, "mode_bounce%s"},
                              {eRurIvaContactSoftERP, "mode_softERP%s"},
                              {eRurIvaContactSoftCFM, "mode_softCFM%s"},
                              {eRurIvaContactMotion1, "mode_motion1%s"},
                              {eRurIvaContactMotion2, "mode_motion2%s"},
                              {eRurIvaContactMotionN, "mode_motionN%s"},
                              {eRurIvaContactSlip1, "mode_slip1%s"},
                              {eRurIvaContactSlip2, "mode_slip2%s"},
                              {eRurIvaContactApprox1_1, "mode_approx1_1%s"},
                              {eRurIvaContactApprox1_2, "mode_approx1_2%s"}};

//! Formats a key with the set's suffix: none for set 0, "_mat<index + 1>" for the others.
class CKey {
 public:
  explicit CKey(u32 iIndex) {
    if (iIndex == 0)
      m_sSuffix[0] = 0;
    else
      snprintf(m_sSuffix, sizeof(m_sSuffix), "_mat%u", iIndex + 1);
  }
  const c8* operator()(const c8* sFormat) {
    snprintf(m_sKey, sizeof(m_sKey), sFormat, m_sSuffix);
    return m_sKey;
  }

 private:
  c8 m_sSuffix[32];
  c8 m_sKey[128];
};

}  // namespace

CRurIvaSurfaceParameters::CRurIvaSurfaceParameters()
    : m_iMode(0),
      m_fMu(0.0f),
      m_fMu2(0.0f),
      m_fBounce(0.0f),
      m_fBounceVel(0.0f),
      m_fSoftErp(0.0f),
      m_fSoftCfm(0.0f),
      m_fMotion1(0.0f),
      m_fMotion2(0.0f),
      m_fMotionN(0.0f),
      m_fSlip1(0.0f),
      m_fSlip2(0.0f),
      m_fLinearDamping(0.0f),
      m_fAngularDamping(0.0f),
      m_fMaxLinearVelocity(0.0f),
      m_fMaxAngularVelocity(0.0f),
      m_fMaxLinearVelocityDamping(0.0f),
      m_fMaxAngularVelocityDamping(0.0f),
      m_bDamps(false),
      m_bStatic(false),
      m_bUseDefined(false) {
  // A new set may take the place of one destroyed, and copies of that one's values must go.
  contactValuesChanged();
}

CRurIvaSurfaceParameters::~CRurIvaSurfaceParameters() { contactValuesChanged(); }

void CRurIvaSurfaceParameters::copy(CRurIvaSurfaceParameters* pDest) const {
  if (!pDest || pDest == this) return;
  pDest->setUseDefined(m_bUseDefined);
  pDest->setName(m_sName.c_str());
  pDest->setMode(m_iMode);
  pDest->setMu(m_fMu);
  pDest->setMu2(m_fMu2);
  pDest->setBounce(m_fBounce);
  pDest->setBounceVel(m_fBounceVel);
  pDest->setSoftErp(m_fSoftErp);
  pDest->setSoftCfm(m_fSoftCfm);
  pDest->setMotion1(m_fMotion1);
  pDest->setMotion2(m_fMotion2);
  pDest->setMotionN(m_fMotionN);
  pDest->setSlip1(m_fSlip1);
  pDest->setSlip2(m_fSlip2);
  pDest->m_bDamps = m_bDamps;
  pDest->m_fLinearDamping = m_fLinearDamping;
  pDest->m_fAngularDamping = m_fAngularDamping;
  pDest->m_fMaxLinearVelocity = m_fMaxLinearVelocity;
  pDest->m_fMaxAngularVelocity = m_fMaxAngularVelocity;
  pDest->m_fMaxLinearVelocityDamping = m_fMaxLinearVelocityDamping;
  pDest->m_fMaxAngularVelocityDamping = m_fMaxAngularVelocityDamping;
}

void CRurIvaSurfaceParameters::initPhysics() {
  CRurIvaSurfaceParameters* pDefined = CRurIvaManager::getSharedInstance()->getSurfaceParameter(m_sName);
  if (pDefined) pDefined->copy(this);
}

void CRurIvaSurfaceParameters::serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions*,
                                                   u32 iIndex) const {
  if (!out) return;
  CKey key(iIndex);
  const CRurIvaSurfaceParameters* pDefined =
      CRurIvaManager::getSharedInstance()->getSurfaceParameter(m_sName);
  const bool bNamed = m_sName.size() > 0;

  out->addString(key("name%s"), m_sName.c_str());
  out->addBool(key("useDefined%s"), (pDefined == this || !bNamed) ? false : m_bUseDefined);

  // The values of a set that uses a definition belong to the definition.
  if (m_bUseDefined && bNamed && pDefined && pDefined != this) return;

  for (const SModeKey& mode : kModeKeys) out->addBool(key(mode.sKey), (m_iMode & mode.iBits) != 0);
  out->addFloat(key("mu%s"), m_fMu);
  out->addFloat(key("mu2%s"), m_fMu2);
  out->addFloat(key("bounce%s"), m_fBounce);
  out->addFloat(key("bounce_vel%s"), m_fBounceVel);
  out->addFloat(key("soft_erp%s"), m_fSoftErp);
  out->addFloat(key("soft_cfm%s"), m_fSoftCfm);
  out->addFloat(key("motion1%s"), m_fMotion1);
  out->addFloat(key("motion2%s"), m_fMotion2);
  out->addFloat(key("motionN%s"), m_fMotionN);
  out->addFloat(key("slip1%s"), m_fSlip1);
  out->addFloat(key("slip2%s"), m_fSlip2);

  if (!m_bStatic) return;
  out->addBool(key("damps%s"), m_bDamps);
  if (!m_bDamps) return;
  out->addFloat(key("linearDamping%s"), m_fLinearDamping);
  out->addFloat(key("angularDamping%s"), m_fAngularDamping);
  out->addFloat(key("maxLinearVel%s"), m_fMaxLinearVelocity);
  out->addFloat(key("maxAngularVel%s"), m_fMaxAngularVelocity);
  if (m_fMaxLinearVelocity > 0.0f) out->addFloat(key("maxLVelDamping%s"), m_fMaxLinearVelocityDamping);
  if (m_fMaxAngularVelocity > 0.0f) out->addFloat(key("maxAVelDamping%s"), m_fMaxAngularVelocityDamping);
}

void CRurIvaSurfaceParameters::deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions*,
                                                     u32 iIndex) {
  if (!in) return;
  contactValuesChanged();
  CKey key(iIndex);
  // The definition is looked up under the name the set has before reading.
  CRurIvaSurfaceParameters* pDefined = CRurIvaManager::getSharedInstance()->getSurfaceParameter(m_sName);

  m_sName = core::stringw(in->getAttributeAsString(key("name%s")).c_str());
  m_bUseDefined = in->getAttributeAsBool(key("useDefined%s"));

  if (m_bUseDefined && m_sName.size() > 0 && pDefined && pDefined != this) {
    pDefined->copy(this);
    return;
  }

  // A value that is no finite number (the engine reads "1e39" as infinity) would make every
  // contact with this surface not a number: it is refused and the set keeps its value.
  const core::stringc sName(m_sName);
  auto read = [&](const c8* sFormat, f32& fValue) {
    const c8* sKey = key(sFormat);
    const f32 fRead = in->getAttributeAsFloat(sKey);
    if (std::isfinite(fRead))
      fValue = fRead;
    else
      printf("surface parameters \"%s\": \"%s\" is not a finite number, the value is kept\n", sName.c_str(),
             sKey);
  };

  for (const SModeKey& mode : kModeKeys) setModeBits(mode.iBits, in->getAttributeAsBool(key(mode.sKey)));
  read("mu%s", m_fMu);
  read("mu2%s", m_fMu2);
  read("bounce%s", m_fBounce);
  read("bounce_vel%s", m_fBounceVel);
  read("soft_erp%s", m_fSoftErp);
  read("soft_cfm%s", m_fSoftCfm);
  read("motion1%s", m_fMotion1);
  read("motion2%s", m_fMotion2);
  read("motionN%s", m_fMotionN);
  read("slip1%s", m_fSlip1);
  read("slip2%s", m_fSlip2);

  if (!m_bStatic) return;
  m_bDamps = in->getAttributeAsBool(key("damps%s"));
  if (!m_bDamps) return;
  read("linearDamping%s", m_fLinearDamping);
  read("angularDamping%s", m_fAngularDamping);
  read("maxLinearVel%s", m_fMaxLinearVelocity);
  read("maxAngularVel%s", m_fMaxAngularVelocity);
  if (m_fMaxLinearVelocity > 0.0f) read("maxLVelDamping%s", m_fMaxLinearVelocityDamping);
  if (m_fMaxAngularVelocity > 0.0f) read("maxAVelDamping%s", m_fMaxAngularVelocityDamping);
}

}  // namespace ode
}  // namespace irr
