#ifndef I_RUR_IVA_EVENT_QUEUE_H
#define I_RUR_IVA_EVENT_QUEUE_H

namespace irr {
namespace ode {

class IRurIvaEvent;
class IRurIvaEventListener;

//! Delivers events synchronously to the registered listeners.
class IRurIvaEventQueue {
 public:
  virtual ~IRurIvaEventQueue() = default;
  //! Delivers the event to every interested listener; deletes it afterwards when bDelete is set.
  virtual void postEvent(IRurIvaEvent* pEvent, bool bDelete = true) = 0;
  virtual void addEventListener(IRurIvaEventListener* pListener) = 0;
  virtual void removeEventListener(IRurIvaEventListener* pListener) = 0;
};

}  // namespace ode
}  // namespace irr

#endif
