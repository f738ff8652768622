#ifndef C_RUR_IVA_EVENT_PROGRESS_H
#define C_RUR_IVA_EVENT_PROGRESS_H

#include "IRurIvaEvent.h"

namespace irr {
namespace ode {

//! Posted while a scene is set up: how many of the physics nodes are initialised so far.
class CRurIvaEventProgress : public IRurIvaEvent {
 public:
  //! Note the order: the number initialised so far comes first.
  CRurIvaEventProgress(u32 iCurrent, u32 iCount);
  //! Copies the values of a progress event; any other event gives an empty one.
  explicit CRurIvaEventProgress(IRurIvaEvent* pEvent);
  explicit CRurIvaEventProgress(CSerializer* pData);

  u16 getType() override { return eRurIvaEventProgress; }
  //! Progress events are read from messages but never written: always null.
  CSerializer* serialize() override;
  const c8* toString() override;
  IRurIvaEvent* clone() override;

  u32 getCount() const { return m_iCount; }
  u32 getCurrent() const { return m_iCurrent; }

 private:
  u32 m_iCount;
  u32 m_iCurrent;
};

}  // namespace ode
}  // namespace irr

#endif
