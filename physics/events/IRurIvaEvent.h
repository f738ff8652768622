#ifndef I_RUR_IVA_EVENT_H
#define I_RUR_IVA_EVENT_H

#include <irrlicht.h>

namespace irr {
namespace ode {

class CSerializer;
class CRurIvaEventQueue;

//! Event type values; also the first two bytes of an event's message.
enum ERurIvaEventType : u16 {
  eRurIvaEventInit = 1,
  eRurIvaEventClose = 2,
  eRurIvaEventBeforeStep = 3,
  eRurIvaEventStep = 4,
  eRurIvaEventBodyCreated = 5,
  eRurIvaEventBodyRemoved = 6,
  eRurIvaEventBodyMoved = 7,
  eRurIvaEventActivationChanged = 8,
  eRurIvaEventRayHit = 9,
  eRurIvaEventProgress = 10,
  eRurIvaEventNodeCloned = 11,
  eRurIvaEventLoadScene = 12,
  eRurIvaEventNodeRemoved = 14
};

/**
 * Base of every physics event. An event has a type, a text form for diagnostics, a copy
 * operation and a compact byte form (CSerializer) in which nodes are named by their ids.
 *
 * Listeners see an event only while it is delivered: the queue may use it again for a later
 * event of the same type (see CRurIvaEventQueue::acquire), so a listener that needs it later
 * keeps a clone().
 */
class IRurIvaEvent {
 public:
  IRurIvaEvent() : m_pSerializer(0), m_pText(0), m_pQueue(0), m_iType(0) {}
  //! Inline: the queue destroys every event it uses again, most of them without a byte form or
  //! text.
  virtual ~IRurIvaEvent() {
    if (m_pSerializer) dropSerializer();
    delete[] m_pText;
  }

  virtual u16 getType() = 0;
  //! getType(), without a call through the table for an event the queue made (see
  //! CRurIvaEventQueue::acquire), which knows its type: every listener asks every event.
  u16 type() { return m_iType != 0 ? m_iType : getType(); }
  //! Builds the byte form on the first call and returns the same object afterwards;
  //! null for events that have no byte form.
  virtual CSerializer* serialize() = 0;
  virtual const c8* toString() = 0;
  //! A new event of the same class and content, owned by the caller.
  virtual IRurIvaEvent* clone() = 0;
  virtual bool isObservable() { return false; }

 protected:
  IRurIvaEvent(const IRurIvaEvent&) = delete;
  IRurIvaEvent& operator=(const IRurIvaEvent&) = delete;

  CSerializer* m_pSerializer;
  //! Deletes the byte form (out of line: the serializer's class is not needed here).
  void dropSerializer();
  //! The size of the text form's buffer, its terminating zero included.
  static constexpr u32 kTextSize = 1000;
  //! The buffer of the text form, kTextSize characters, which toString() fills and returns; made
  //! by the first call and kept while the event lives.
  c8* textBuffer();

 private:
  friend class CRurIvaEventQueue;
  //! The text form's buffer, null until text is first asked for. It is not part of the object:
  //! the queue hands out an event for every moved body of every step, and 1000 bytes in each
  //! would spread the few bytes in use over eight times the memory.
  c8* m_pText;
  //! The queue that made this event and takes it back after delivery; null for any other event.
  CRurIvaEventQueue* m_pQueue;
  //! The type of an event the queue made; 0 for any other.
  u16 m_iType;
};

}  // namespace ode
}  // namespace irr

#endif
