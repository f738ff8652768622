#ifndef C_RUR_IVA_EVENT_INIT_H
#define C_RUR_IVA_EVENT_INIT_H

#include "IRurIvaEvent.h"

namespace irr {
namespace ode {

//! Posted once when the dynamics library is initialised.
class CRurIvaEventInit : public IRurIvaEvent {
 public:
  CRurIvaEventInit();
  //! The event carries no values, so any source gives the same event.
  explicit CRurIvaEventInit(IRurIvaEvent* pEvent);
  //! Reads the two-byte message; the serializer reports whether it was one of this type.
  explicit CRurIvaEventInit(CSerializer* pData);

  u16 getType() override { return eRurIvaEventInit; }
  CSerializer* serialize() override;
  const c8* toString() override;
  IRurIvaEvent* clone() override;
};

}  // namespace ode
}  // namespace irr

#endif
