// The device's own contact calculator, counting the surface combinations asked of it. A
// calculator other than the layer's own is asked once for every contact made: only touching
// geometry pairs ask it, once per contact they make.
#ifndef VARRIK_TESTS_PHYSICS_C_COUNTING_CALCULATOR_H
#define VARRIK_TESTS_PHYSICS_C_COUNTING_CALCULATOR_H

#include "CRurIvaContactParameters.h"
#include "CRurIvaSurfaceParameters.h"

namespace varrik {
namespace test {

class CCountingCalculator : public irr::ode::CRurIvaContactParameters {
 public:
  void calculateContactParameters(irr::ode::CRurIvaSurfaceParameters* p1,
                                  irr::ode::CRurIvaSurfaceParameters* p2,
                                  irr::ode::CRurIvaSurfaceParameters* pResult) override {
    ++m_iCalls;
    CRurIvaContactParameters::calculateContactParameters(p1, p2, pResult);
  }
  int m_iCalls = 0;
};

}  // namespace test
}  // namespace varrik

#endif
