#ifndef C_RUR_IVA_EVENT_BEFORE_STEP_H
#define C_RUR_IVA_EVENT_BEFORE_STEP_H

#include "IRurIvaEvent.h"

namespace irr {
namespace ode {

//! Posted before every fixed simulation step, before collision detection.
class CRurIvaEventBeforeStep : public IRurIvaEvent {
 public:
  CRurIvaEventBeforeStep();
  //! The event carries no values, so any source gives the same event.
  explicit CRurIvaEventBeforeStep(IRurIvaEvent* pEvent);
  //! Reads the two-byte message; the serializer reports whether it was one of this type.
  explicit CRurIvaEventBeforeStep(CSerializer* pData);

  u16 getType() override { return eRurIvaEventBeforeStep; }
  CSerializer* serialize() override;
  const c8* toString() override;
  IRurIvaEvent* clone() override;
};

}  // namespace ode
}  // namespace irr

#endif
