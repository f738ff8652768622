#ifndef C_RUR_IVA_EVENT_QUEUE_H
#define C_RUR_IVA_EVENT_QUEUE_H

#include <new>
#include <utility>
#include <vector>

#include "IRurIvaEvent.h"
#include "IRurIvaEventQueue.h"

namespace irr {
namespace ode {

class CRurIvaEventBeforeStep;
class CRurIvaEventStep;
class CRurIvaEventBodyMoved;
class CRurIvaEventActivationChanged;
class CRurIvaEventRayHit;

//! The event types the queue keeps for reuse: those posted every step or for every body.
template <class T>
struct SRurIvaRecycledEvent;
template <>
struct SRurIvaRecycledEvent<CRurIvaEventBeforeStep> {
  static const u16 iType = eRurIvaEventBeforeStep;
};
template <>
struct SRurIvaRecycledEvent<CRurIvaEventStep> {
  static const u16 iType = eRurIvaEventStep;
};
template <>
struct SRurIvaRecycledEvent<CRurIvaEventBodyMoved> {
  static const u16 iType = eRurIvaEventBodyMoved;
};
template <>
struct SRurIvaRecycledEvent<CRurIvaEventActivationChanged> {
  static const u16 iType = eRurIvaEventActivationChanged;
};
template <>
struct SRurIvaRecycledEvent<CRurIvaEventRayHit> {
  static const u16 iType = eRurIvaEventRayHit;
};

/**
 * The event queue stores no events: postEvent hands each event at once to every listener
 * that wants it, in the order the listeners were added. Listeners may add or remove
 * listeners, or post further events, from inside a delivery: a listener removed during a
 * delivery is not called again by it, one added during a delivery gets only later events.
 *
 * Events posted every step come from the queue itself: acquire() hands out an event of its free
 * list (or a new one when the list is empty), built afresh with the given values, and posting
 * it with delete-after-delivery gives it back to the list instead of deleting it. So a running
 * simulation allocates no events. Events made with new are deleted after delivery as before.
 */
class CRurIvaEventQueue : public IRurIvaEventQueue {
 public:
  CRurIvaEventQueue() = default;
  //! Deletes the events of the free lists; neither listeners nor posted events are touched.
  ~CRurIvaEventQueue() override;
  CRurIvaEventQueue(const CRurIvaEventQueue&) = delete;
  CRurIvaEventQueue& operator=(const CRurIvaEventQueue&) = delete;

  void postEvent(IRurIvaEvent* pEvent, bool bDelete = true) override;
  void addEventListener(IRurIvaEventListener* pListener) override;
  void removeEventListener(IRurIvaEventListener* pListener) override;

  //! The listeners in the order they were added (outside a delivery; during one, the places
  //! of listeners removed by it are null until it ends).
  const std::vector<IRurIvaEventListener*>& getListeners() const { return m_aListeners; }

  /**
   * An event of type T built with the given constructor arguments, to be posted to this queue
   * with delete-after-delivery, which returns it to the queue for a later acquire(). Nothing of
   * an earlier use survives: the object is destroyed and built again in place.
   */
  template <class T, class... TArgs>
  T* acquire(TArgs&&... args) {
    static_assert(SRurIvaRecycledEvent<T>::iType < 16, "a free list per type value");
    std::vector<IRurIvaEvent*>& aFree = m_aFree[SRurIvaRecycledEvent<T>::iType];
    T* p;
    if (aFree.empty()) {
      p = new T(std::forward<TArgs>(args)...);
    } else {
      T* pOld = static_cast<T*>(aFree.back());
      aFree.pop_back();
      // The text buffer stays with the object, so that a listener showing every event does
      // not allocate one for each.
      c8* pText = pOld->m_pText;
      pOld->m_pText = 0;
      pOld->T::~T();
      p = new (pOld) T(std::forward<TArgs>(args)...);
      p->m_pText = pText;
    }
    p->m_pQueue = this;
    p->m_iType = SRurIvaRecycledEvent<T>::iType;
    return p;
  }

  //! Events waiting in the free lists (of all types).
  u32 getFreeEventCount() const;

 private:
  bool isListening(IRurIvaEventListener* pListener) const;
  //! Removes the places left by listeners removed during a delivery.
  void compact();

  std::vector<IRurIvaEventListener*> m_aListeners;
  //! Deliveries in progress (posting from inside a listener nests them).
  u32 m_iDepth = 0;
  //! A listener was removed during a delivery and left a null place.
  bool m_bHoles = false;
  //! Free events by event type value.
  std::vector<IRurIvaEvent*> m_aFree[16];
};

}  // namespace ode
}  // namespace irr

#endif
