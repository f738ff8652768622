#include "CRurIvaContactParameters.h"

#include <cmath>
#include <typeinfo>

#include "CRurIvaSurfaceParameters.h"

namespace irr {
namespace ode {

namespace {

//! Values of opposite sign (surface velocities can be negative) have no geometric mean; a
//! not-a-number contact value would spread into the bodies' state, so they combine to 0.
f32 geometricMean(f32 a, f32 b) {
  const double fProduct = static_cast<double>(a) * b;
  return fProduct > 0.0 ? static_cast<f32>(std::sqrt(fProduct)) : 0.0f;
}

}  // namespace

SRurIvaContactSurface CRurIvaContactParameters::valuesThroughGetters(CRurIvaSurfaceParameters* p) {
  return {p->getMode(),
          {p->getMu(), p->getMu2(), p->getBounce(), p->getBounceVel(), p->getSoftErp(), p->getSoftCfm(),
           p->getMotion1(), p->getMotion2(), p->getMotionN(), p->getSlip1(), p->getSlip2()}};
}

void CRurIvaContactParameters::combine(CRurIvaSurfaceParameters* p1, CRurIvaSurfaceParameters* p2,
                                       SRurIvaContactSurface& cOut) {
  if (!p1 || !p2) {
    cOut = SRurIvaContactSurface();
    return;
  }
  combineValues(valuesOf(p1), valuesOf(p2), cOut);
}

void CRurIvaContactParameters::combineValues(const SRurIvaContactSurface& a, const SRurIvaContactSurface& b,
                                             SRurIvaContactSurface& cOut) {
  // A contact flag applies only when both surfaces ask for it; the friction pyramid, a cheaper
  // friction model, applies as soon as either does.
  cOut.iMode = a.iMode & b.iMode;
  if ((a.iMode | b.iMode) & eRurIvaContactApprox1) cOut.iMode |= eRurIvaContactApprox1;
  for (u32 i = 0; i < eRurIvaValueCount; ++i) cOut.aValues[i] = geometricMean(a.aValues[i], b.aValues[i]);
}

void CRurIvaContactParameters::calculateContactParameters(CRurIvaSurfaceParameters* p1,
                                                          CRurIvaSurfaceParameters* p2,
                                                          CRurIvaSurfaceParameters* pResult) {
  if (!p1 || !p2 || !pResult) return;
  SRurIvaContactSurface c;
  combine(p1, p2, c);
  pResult->setMode(c.iMode);
  pResult->setMu(c.aValues[eRurIvaValueMu]);
  pResult->setMu2(c.aValues[eRurIvaValueMu2]);
  pResult->setBounce(c.aValues[eRurIvaValueBounce]);
  pResult->setBounceVel(c.aValues[eRurIvaValueBounceVel]);
  pResult->setSoftErp(c.aValues[eRurIvaValueSoftErp]);
  pResult->setSoftCfm(c.aValues[eRurIvaValueSoftCfm]);
  pResult->setMotion1(c.aValues[eRurIvaValueMotion1]);
  pResult->setMotion2(c.aValues[eRurIvaValueMotion2]);
  pResult->setMotionN(c.aValues[eRurIvaValueMotionN]);
  pResult->setSlip1(c.aValues[eRurIvaValueSlip1]);
  pResult->setSlip2(c.aValues[eRurIvaValueSlip2]);
}

}  // namespace ode
}  // namespace irr
