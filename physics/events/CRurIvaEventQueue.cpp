#include "CRurIvaEventQueue.h"

#include <algorithm>

#include "IRurIvaEvent.h"
#include "IRurIvaEventListener.h"

namespace irr {
namespace ode {

void CRurIvaEventQueue::postEvent(IRurIvaEvent* pEvent, bool bDelete) {
  if (!pEvent) return;

  // Deliver to the listeners registered when the event was posted. A listener removed by an
  // earlier listener during this delivery is skipped, so it is never called after removal.
  const std::vector<IRurIvaEventListener*> aSnapshot = m_aListeners;
  for (IRurIvaEventListener* pListener : aSnapshot) {
    if (!isListening(pListener)) continue;
    if (pListener->handlesEvent(pEvent)) pListener->onEvent(pEvent);
  }

  if (bDelete) delete pEvent;
}

void CRurIvaEventQueue::addEventListener(IRurIvaEventListener* pListener) {
  if (pListener && !isListening(pListener)) m_aListeners.push_back(pListener);
}

void CRurIvaEventQueue::removeEventListener(IRurIvaEventListener* pListener) {
  auto it = std::find(m_aListeners.begin(), m_aListeners.end(), pListener);
  if (it != m_aListeners.end()) m_aListeners.erase(it);
}

bool CRurIvaEventQueue::isListening(IRurIvaEventListener* pListener) const {
  return std::find(m_aListeners.begin(), m_aListeners.end(), pListener) != m_aListeners.end();
}

}  // namespace ode
}  // namespace irr
