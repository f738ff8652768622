#ifndef I_RUR_IVA_EVENT_LISTENER_H
#define I_RUR_IVA_EVENT_LISTENER_H

namespace irr {
namespace ode {

class IRurIvaEvent;

//! Receives the events of the physics layer that it declares interest in.
class IRurIvaEventListener {
 public:
  //! Acts on the event; the result says whether the listener did anything (the queue ignores it).
  virtual bool onEvent(IRurIvaEvent* pEvent) = 0;
  //! Whether the listener wants the event.
  virtual bool handlesEvent(IRurIvaEvent* pEvent) = 0;

 protected:
  ~IRurIvaEventListener() = default;
};

}  // namespace ode
}  // namespace irr

#endif
