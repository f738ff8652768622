#include "CRurIvaEventQueue.h"

#include <algorithm>

#include "CSerializer.h"
#include "IRurIvaEventListener.h"

namespace irr {
namespace ode {

CRurIvaEventQueue::~CRurIvaEventQueue() {
  for (std::vector<IRurIvaEvent*>& aFree : m_aFree)
    for (IRurIvaEvent* p : aFree) delete p;
}

void CRurIvaEventQueue::postEvent(IRurIvaEvent* pEvent, bool bDelete) {
  if (!pEvent) return;

  // Deliver to the listeners registered when the event was posted, walking the list in place:
  // listeners added meanwhile go behind iEnd, and one removed meanwhile leaves a null place
  // (the list is closed up once the outermost delivery is over), so it is never called after
  // its removal.
  ++m_iDepth;
  const size_t iEnd = m_aListeners.size();
  for (size_t i = 0; i < iEnd; ++i) {
    IRurIvaEventListener* pListener = m_aListeners[i];
    if (pListener && pListener->handlesEvent(pEvent)) pListener->onEvent(pEvent);
  }
  if (--m_iDepth == 0 && m_bHoles) compact();

  if (!bDelete) return;
  if (pEvent->m_pQueue != this) {
    delete pEvent;
    return;
  }
  // An event of this queue goes back to its free list. What a listener may have asked of it
  // (its message) is dropped now, so that nothing of this use reaches the next one.
  delete pEvent->m_pSerializer;
  pEvent->m_pSerializer = 0;
  if (pEvent->m_pText) pEvent->m_pText[0] = 0;
  m_aFree[pEvent->m_iType].push_back(pEvent);  // below 16 (see acquire)
}

void CRurIvaEventQueue::addEventListener(IRurIvaEventListener* pListener) {
  if (pListener && !isListening(pListener)) m_aListeners.push_back(pListener);
}

void CRurIvaEventQueue::removeEventListener(IRurIvaEventListener* pListener) {
  if (!pListener) return;
  auto it = std::find(m_aListeners.begin(), m_aListeners.end(), pListener);
  if (it == m_aListeners.end()) return;
  if (m_iDepth == 0) {
    m_aListeners.erase(it);
  } else {
    *it = 0;
    m_bHoles = true;
  }
}

bool CRurIvaEventQueue::isListening(IRurIvaEventListener* pListener) const {
  return std::find(m_aListeners.begin(), m_aListeners.end(), pListener) != m_aListeners.end();
}

void CRurIvaEventQueue::compact() {
  m_aListeners.erase(std::remove(m_aListeners.begin(), m_aListeners.end(), nullptr), m_aListeners.end());
  m_bHoles = false;
}

u32 CRurIvaEventQueue::getFreeEventCount() const {
  size_t n = 0;
  for (const std::vector<IRurIvaEvent*>& aFree : m_aFree) n += aFree.size();
  return static_cast<u32>(n);
}

}  // namespace ode
}  // namespace irr
