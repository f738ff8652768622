#ifndef C_RUR_IVA_EVENT_QUEUE_H
#define C_RUR_IVA_EVENT_QUEUE_H

#include <vector>

#include "IRurIvaEventQueue.h"

namespace irr {
namespace ode {

/**
 * The event queue stores no events: postEvent hands each event at once to every listener
 * that wants it, in the order the listeners were added. Listeners may add or remove
 * listeners, or post further events, from inside a delivery.
 */
class CRurIvaEventQueue : public IRurIvaEventQueue {
 public:
  void postEvent(IRurIvaEvent* pEvent, bool bDelete = true) override;
  void addEventListener(IRurIvaEventListener* pListener) override;
  void removeEventListener(IRurIvaEventListener* pListener) override;

  const std::vector<IRurIvaEventListener*>& getListeners() const { return m_aListeners; }

 private:
  bool isListening(IRurIvaEventListener* pListener) const;

  std::vector<IRurIvaEventListener*> m_aListeners;
};

}  // namespace ode
}  // namespace irr

#endif
