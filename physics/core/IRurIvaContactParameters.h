#ifndef I_RUR_IVA_CONTACT_PARAMETERS_H
#define I_RUR_IVA_CONTACT_PARAMETERS_H

namespace irr {
namespace ode {

class CRurIvaSurfaceParameters;

//! Combines the surface parameter sets of two touching geometries into one contact surface.
class IRurIvaContactParameters {
 public:
  virtual void calculateContactParameters(CRurIvaSurfaceParameters* p1, CRurIvaSurfaceParameters* p2,
                                          CRurIvaSurfaceParameters* pResult) = 0;
  virtual ~IRurIvaContactParameters() = default;
};

}  // namespace ode
}  // namespace irr

#endif
