#ifndef C_RUR_IVA_EVENT_CLOSE_H
#define C_RUR_IVA_EVENT_CLOSE_H

#include "IRurIvaEvent.h"

namespace irr {
namespace ode {

//! Posted when the dynamics library is shut down or cleared.
class CRurIvaEventClose : public IRurIvaEvent {
 public:
  CRurIvaEventClose();
  //! The event carries no values, so any source gives the same event.
  explicit CRurIvaEventClose(IRurIvaEvent* pEvent);
  //! Reads the two-byte message; the serializer reports whether it was one of this type.
  explicit CRurIvaEventClose(CSerializer* pData);

  u16 getType() override { return eRurIvaEventClose; }
  CSerializer* serialize() override;
  const c8* toString() override;
  IRurIvaEvent* clone() override;
};

}  // namespace ode
}  // namespace irr

#endif
