#ifndef C_RUR_IVA_CONTACT_PARAMETERS_H
#define C_RUR_IVA_CONTACT_PARAMETERS_H

#include <typeinfo>

#include "CRurIvaSurfaceParameters.h"
#include "IRurIvaContactParameters.h"

namespace irr {
namespace ode {

/**
 * The default combination: a mode flag applies only when both sets ask for it, except the
 * friction-pyramid approximation, which applies when either does; every contact value is the
 * geometric mean of the two sets' values.
 */
class CRurIvaContactParameters : public IRurIvaContactParameters {
 public:
  void calculateContactParameters(CRurIvaSurfaceParameters* p1, CRurIvaSurfaceParameters* p2,
                                  CRurIvaSurfaceParameters* pResult) override;

  //! The same combination into a plain record: no result set is needed, nothing is allocated.
  static void combine(CRurIvaSurfaceParameters* p1, CRurIvaSurfaceParameters* p2,
                      SRurIvaContactSurface& cOut);
  //! The same combination of two sets' values (as valuesOf reads them).
  static void combineValues(const SRurIvaContactSurface& a, const SRurIvaContactSurface& b,
                            SRurIvaContactSurface& cOut);
  //! A set's mode and contact values: read directly from the layer's own sets, through the
  //! getters from a set of a derived class, which may answer them otherwise.
  static SRurIvaContactSurface valuesOf(CRurIvaSurfaceParameters* p) {
    if (typeid(*p) == typeid(CRurIvaSurfaceParameters)) return p->getContactValues();
    return valuesThroughGetters(p);
  }

 private:
  static SRurIvaContactSurface valuesThroughGetters(CRurIvaSurfaceParameters* p);
};

}  // namespace ode
}  // namespace irr

#endif
