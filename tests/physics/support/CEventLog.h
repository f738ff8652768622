// Records every event the manager's queue delivers while the log exists, with the values of the
// event types the tests look at.
#ifndef VARRIK_TESTS_PHYSICS_C_EVENT_LOG_H
#define VARRIK_TESTS_PHYSICS_C_EVENT_LOG_H

#include <vector>

#include "CRurIvaEventActivationChanged.h"
#include "CRurIvaEventBodyMoved.h"
#include "CRurIvaEventNodeCloned.h"
#include "CRurIvaEventProgress.h"
#include "CRurIvaEventQueue.h"
#include "CRurIvaEventRayHit.h"
#include "CRurIvaEventStep.h"
#include "CRurIvaManager.h"
#include "IRurIvaEvent.h"
#include "IRurIvaEventListener.h"
#include "TestTypes.h"

namespace varrik {
namespace test {

class CEventLog : public irr::ode::IRurIvaEventListener {
 public:
  struct SEntry {
    u16 iType = 0;
    //! The step events delivered before this one since the log began: the step (counted from 0)
    //! during which it was posted.
    u32 iSteps = 0;
    u32 iStepNo = 0, iFrameNo = 0;             // a step
    bool bActive = false;                      // an activation change
    CRurIvaBody* pBody = nullptr;              // an activation change, a moved body, a ray hit
    u8 iFlags = 0;                             // a moved body
    vector3df cPosition;                       // a moved body, a ray hit
    irr::ode::CRurIvaGeomRay* pRay = nullptr;  // a ray hit
    CRurIvaGeom* pGeom = nullptr;              // a ray hit
    f32 fDistance = 0.0f;                      // a ray hit
    s32 iSourceId = 0, iNewId = 0;             // a cloned node
    u32 iCurrent = 0, iCount = 0;              // progress
  };

  CEventLog() { CRurIvaManager::getSharedInstance()->getQueue()->addEventListener(this); }
  ~CEventLog() { CRurIvaManager::getSharedInstance()->getQueue()->removeEventListener(this); }
  CEventLog(const CEventLog&) = delete;
  CEventLog& operator=(const CEventLog&) = delete;

  bool handlesEvent(irr::ode::IRurIvaEvent*) override { return true; }
  bool onEvent(irr::ode::IRurIvaEvent* pEvent) override {
    SEntry e;
    e.iType = pEvent->getType();
    e.iSteps = m_iSteps;
    if (e.iType == irr::ode::eRurIvaEventStep) {
      ++m_iSteps;
      irr::ode::CRurIvaEventStep* p = static_cast<irr::ode::CRurIvaEventStep*>(pEvent);
      e.iStepNo = p->getStepNo();
      e.iFrameNo = p->getFrameNo();
    } else if (e.iType == irr::ode::eRurIvaEventActivationChanged) {
      irr::ode::CRurIvaEventActivationChanged* p =
          static_cast<irr::ode::CRurIvaEventActivationChanged*>(pEvent);
      e.bActive = p->isActive();
      e.pBody = p->getBody();
    } else if (e.iType == irr::ode::eRurIvaEventBodyMoved) {
      irr::ode::CRurIvaEventBodyMoved* p = static_cast<irr::ode::CRurIvaEventBodyMoved*>(pEvent);
      e.pBody = p->getBody();
      e.iFlags = p->getFlags();
      e.cPosition = p->getPosition();
    } else if (e.iType == irr::ode::eRurIvaEventRayHit) {
      irr::ode::CRurIvaEventRayHit* p = static_cast<irr::ode::CRurIvaEventRayHit*>(pEvent);
      e.pBody = p->getBody();
      e.pRay = p->getRay();
      e.pGeom = p->getGeom();
      e.cPosition = p->getPosition();
      e.fDistance = p->getDistance();
    } else if (e.iType == irr::ode::eRurIvaEventNodeCloned) {
      irr::ode::CRurIvaEventNodeCloned* p = static_cast<irr::ode::CRurIvaEventNodeCloned*>(pEvent);
      e.iSourceId = p->getSourceId();
      e.iNewId = p->getNewId();
    } else if (e.iType == irr::ode::eRurIvaEventProgress) {
      irr::ode::CRurIvaEventProgress* p = static_cast<irr::ode::CRurIvaEventProgress*>(pEvent);
      e.iCurrent = p->getCurrent();
      e.iCount = p->getCount();
    }
    m_aEntries.push_back(e);
    return true;
  }

  //! The types of all events, in order.
  std::vector<u16> types() const {
    std::vector<u16> a;
    for (const SEntry& e : m_aEntries) a.push_back(e.iType);
    return a;
  }
  //! The events of one type, in order.
  std::vector<SEntry> of(u16 iType) const {
    std::vector<SEntry> a;
    for (const SEntry& e : m_aEntries)
      if (e.iType == iType) a.push_back(e);
    return a;
  }
  int count(u16 iType) const {
    int n = 0;
    for (const SEntry& e : m_aEntries) n += e.iType == iType;
    return n;
  }
  void clear() { m_aEntries.clear(); }

  std::vector<SEntry> m_aEntries;

 private:
  u32 m_iSteps = 0;
};

}  // namespace test
}  // namespace varrik

#endif
