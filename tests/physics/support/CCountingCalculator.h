// The device's own contact calculator, counting the surface combinations asked of it. Only the
// geometry pairs that reach the making of contacts ask it, 16 times each (one per contact slot).
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
  //! The geometry pairs that reached the making of contacts.
  int pairs() const { return m_iCalls / 16; }

  int m_iCalls = 0;
};

}  // namespace test
}  // namespace varrik

#endif
