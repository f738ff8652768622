// A listener that does what a test gives it from inside the delivery of an event, once per
// arming: a game's listener removing nodes or worlds while the layer is busy with them.
#ifndef VARRIK_TESTS_PHYSICS_C_ACTING_LISTENER_H
#define VARRIK_TESTS_PHYSICS_C_ACTING_LISTENER_H

#include <functional>
#include <utility>

#include "CRurIvaEventQueue.h"
#include "CRurIvaManager.h"
#include "IRurIvaEvent.h"
#include "IRurIvaEventListener.h"
#include "TestTypes.h"

namespace varrik {
namespace test {

//! Calls fAct with the first event of type iType it is given once armed (m_bOn), from inside the
//! delivery.
class CActingListener final : public irr::ode::IRurIvaEventListener {
 public:
  CActingListener(u16 iType, std::function<void()> fAct) : m_iType(iType), m_fAct(std::move(fAct)) {
    irr::ode::CRurIvaManager::getSharedInstance()->getQueue()->addEventListener(this);
  }
  ~CActingListener() { irr::ode::CRurIvaManager::getSharedInstance()->getQueue()->removeEventListener(this); }
  bool handlesEvent(irr::ode::IRurIvaEvent* pEvent) override { return m_bOn && pEvent->getType() == m_iType; }
  bool onEvent(irr::ode::IRurIvaEvent*) override {
    m_bOn = false;  // once
    m_fAct();
    return false;
  }
  bool m_bOn = false;

 private:
  u16 m_iType;
  std::function<void()> m_fAct;
};

}  // namespace test
}  // namespace varrik

#endif
