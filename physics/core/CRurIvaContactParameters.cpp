#include "CRurIvaContactParameters.h"

#include <cmath>

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

void CRurIvaContactParameters::calculateContactParameters(CRurIvaSurfaceParameters* p1,
                                                          CRurIvaSurfaceParameters* p2,
                                                          CRurIvaSurfaceParameters* pResult) {
  if (!p1 || !p2 || !pResult) return;

  // A contact flag applies only when both surfaces ask for it; the friction pyramid, a cheaper
  // friction model, applies as soon as either does.
  s32 iMode = p1->getMode() & p2->getMode();
  if ((p1->getMode() | p2->getMode()) & eRurIvaContactApprox1) iMode |= eRurIvaContactApprox1;
  pResult->setMode(iMode);

  pResult->setMu(geometricMean(p1->getMu(), p2->getMu()));
  pResult->setMu2(geometricMean(p1->getMu2(), p2->getMu2()));
  pResult->setBounce(geometricMean(p1->getBounce(), p2->getBounce()));
  pResult->setBounceVel(geometricMean(p1->getBounceVel(), p2->getBounceVel()));
  pResult->setSoftErp(geometricMean(p1->getSoftErp(), p2->getSoftErp()));
  pResult->setSoftCfm(geometricMean(p1->getSoftCfm(), p2->getSoftCfm()));
  pResult->setMotion1(geometricMean(p1->getMotion1(), p2->getMotion1()));
  pResult->setMotion2(geometricMean(p1->getMotion2(), p2->getMotion2()));
  pResult->setMotionN(geometricMean(p1->getMotionN(), p2->getMotionN()));
  pResult->setSlip1(geometricMean(p1->getSlip1(), p2->getSlip1()));
  pResult->setSlip2(geometricMean(p1->getSlip2(), p2->getSlip2()));
}

}  // namespace ode
}  // namespace irr
