// Synchronous delivery of events to listeners: order, filtering, ownership of the event, and
// changes of the listener list made by listeners while an event is being delivered.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CRurIvaEventNodeCloned.h"
#include "CRurIvaEventQueue.h"
#include "CRurIvaEventStep.h"
#include "IRurIvaEventListener.h"

using namespace irr;
using namespace irr::ode;

namespace {

//! Writes "<name>:<event type>" into a shared journal for every event it is handed.
class CJournalListener : public IRurIvaEventListener {
 public:
  CJournalListener(const std::string& sName, std::vector<std::string>& aJournal, u16 iWantedType = 0)
      : m_sName(sName), m_aJournal(aJournal), m_iWantedType(iWantedType) {}
  virtual ~CJournalListener() = default;

  bool onEvent(IRurIvaEvent* pEvent) override {
    m_aJournal.push_back(m_sName + ":" + std::to_string(pEvent->getType()));
    m_aSeen.push_back(pEvent);
    if (m_fOnEvent) m_fOnEvent(pEvent);
    return true;
  }
  bool handlesEvent(IRurIvaEvent* pEvent) override {
    ++m_iAsked;
    if (m_fOnAsk) m_fOnAsk(pEvent);
    return m_iWantedType == 0 || pEvent->getType() == m_iWantedType;
  }

  std::string m_sName;
  std::vector<std::string>& m_aJournal;
  u16 m_iWantedType;
  int m_iAsked = 0;
  std::vector<IRurIvaEvent*> m_aSeen;
  std::function<void(IRurIvaEvent*)> m_fOnEvent;
  std::function<void(IRurIvaEvent*)> m_fOnAsk;
};

//! A step event that reports its own destruction.
class CTrackedEvent : public CRurIvaEventStep {
 public:
  explicit CTrackedEvent(bool& bDeleted) : CRurIvaEventStep(1u), m_bDeleted(bDeleted) { m_bDeleted = false; }
  ~CTrackedEvent() override { m_bDeleted = true; }

 private:
  bool& m_bDeleted;
};

using Journal = std::vector<std::string>;

}  // namespace

TEST(EventQueueDelivery, ListenersGetEventsInTheOrderTheyWereAdded) {
  Journal aJournal;
  CJournalListener cA("a", aJournal), cB("b", aJournal), cC("c", aJournal);
  CRurIvaEventQueue cQueue;
  cQueue.addEventListener(&cB);
  cQueue.addEventListener(&cA);
  cQueue.addEventListener(&cC);
  cQueue.postEvent(new CRurIvaEventStep(1u), true);
  cQueue.postEvent(new CRurIvaEventNodeCloned(1, 2), true);
  EXPECT_EQ(aJournal, (Journal{"b:4", "a:4", "c:4", "b:11", "a:11", "c:11"}));
}

TEST(EventQueueDelivery, ListenersSeeTheEventItselfBeforePostReturns) {
  Journal aJournal;
  CJournalListener cA("a", aJournal), cB("b", aJournal);
  CRurIvaEventQueue cQueue;
  cQueue.addEventListener(&cA);
  cQueue.addEventListener(&cB);
  CRurIvaEventStep cEvent(3u);
  cQueue.postEvent(&cEvent, false);
  ASSERT_EQ(cA.m_aSeen.size(), 1u);
  ASSERT_EQ(cB.m_aSeen.size(), 1u);
  EXPECT_EQ(cA.m_aSeen[0], &cEvent);
  EXPECT_EQ(cB.m_aSeen[0], &cEvent);
}

TEST(EventQueueFiltering, DecliningListenerIsSkippedAndTheNextStillServed) {
  Journal aJournal;
  CJournalListener cStepsOnly("steps", aJournal, 4), cClonesOnly("clones", aJournal, 11),
      cAll("all", aJournal);
  CRurIvaEventQueue cQueue;
  cQueue.addEventListener(&cClonesOnly);
  cQueue.addEventListener(&cStepsOnly);
  cQueue.addEventListener(&cAll);
  cQueue.postEvent(new CRurIvaEventStep(1u), true);
  cQueue.postEvent(new CRurIvaEventNodeCloned(1, 2), true);
  EXPECT_EQ(aJournal, (Journal{"steps:4", "all:4", "clones:11", "all:11"}));
  // Every listener is asked about every event, including those it declines.
  EXPECT_EQ(cClonesOnly.m_iAsked, 2);
  EXPECT_EQ(cStepsOnly.m_iAsked, 2);
}

TEST(EventQueueListeners, AddingTwiceDeliversOnceAndOneRemoveRemoves) {
  Journal aJournal;
  CJournalListener cA("a", aJournal);
  CRurIvaEventQueue cQueue;
  cQueue.addEventListener(&cA);
  cQueue.addEventListener(&cA);
  EXPECT_EQ(cQueue.getListeners().size(), 1u);
  cQueue.postEvent(new CRurIvaEventStep(1u), true);
  EXPECT_EQ(aJournal, (Journal{"a:4"}));

  cQueue.removeEventListener(&cA);
  EXPECT_TRUE(cQueue.getListeners().empty());
  cQueue.postEvent(new CRurIvaEventStep(1u), true);
  EXPECT_EQ(aJournal, (Journal{"a:4"}));
}

TEST(EventQueueListeners, RemovingAnUnknownListenerChangesNothing) {
  Journal aJournal;
  CJournalListener cA("a", aJournal), cB("b", aJournal);
  CRurIvaEventQueue cQueue;
  cQueue.addEventListener(&cA);
  cQueue.removeEventListener(&cB);
  cQueue.removeEventListener(nullptr);
  ASSERT_EQ(cQueue.getListeners().size(), 1u);
  EXPECT_EQ(cQueue.getListeners()[0], &cA);
}

TEST(EventQueueListeners, RemovedListenerKeepsTheOthersInOrder) {
  Journal aJournal;
  CJournalListener cA("a", aJournal), cB("b", aJournal), cC("c", aJournal);
  CRurIvaEventQueue cQueue;
  cQueue.addEventListener(&cA);
  cQueue.addEventListener(&cB);
  cQueue.addEventListener(&cC);
  cQueue.removeEventListener(&cB);
  cQueue.addEventListener(&cB);
  cQueue.postEvent(new CRurIvaEventStep(1u), true);
  EXPECT_EQ(aJournal, (Journal{"a:4", "c:4", "b:4"}));
}

TEST(EventQueueOwnership, EventIsDeletedAfterDeliveryWhenAsked) {
  Journal aJournal;
  bool bDeleted = false;
  CJournalListener cA("a", aJournal);
  cA.m_fOnEvent = [&bDeleted](IRurIvaEvent*) { EXPECT_FALSE(bDeleted); };
  CRurIvaEventQueue cQueue;
  cQueue.addEventListener(&cA);
  cQueue.postEvent(new CTrackedEvent(bDeleted), true);
  EXPECT_EQ(aJournal.size(), 1u);
  EXPECT_TRUE(bDeleted);
}

TEST(EventQueueOwnership, EventIsKeptWhenNotAsked) {
  Journal aJournal;
  bool bDeleted = false;
  CJournalListener cA("a", aJournal);
  CRurIvaEventQueue cQueue;
  cQueue.addEventListener(&cA);
  CTrackedEvent* pEvent = new CTrackedEvent(bDeleted);
  cQueue.postEvent(pEvent, false);
  EXPECT_FALSE(bDeleted);
  delete pEvent;
  EXPECT_TRUE(bDeleted);
}

TEST(EventQueueOwnership, EventIsDeletedByDefault) {
  bool bDeleted = false;
  CRurIvaEventQueue cQueue;
  IRurIvaEventQueue& cInterface = cQueue;
  cInterface.postEvent(new CTrackedEvent(bDeleted));
  EXPECT_TRUE(bDeleted);
}

TEST(EventQueueOwnership, PostingWithoutListenersOnlyDeletesTheEvent) {
  bool bDeleted = false;
  CRurIvaEventQueue cQueue;
  cQueue.postEvent(new CTrackedEvent(bDeleted), true);
  EXPECT_TRUE(bDeleted);
}

TEST(EventQueueOwnership, NullEventIsIgnored) {
  Journal aJournal;
  CJournalListener cA("a", aJournal);
  CRurIvaEventQueue cQueue;
  cQueue.addEventListener(&cA);
  cQueue.postEvent(nullptr, true);
  cQueue.postEvent(nullptr, false);
  EXPECT_TRUE(aJournal.empty());
  EXPECT_EQ(cA.m_iAsked, 0);
}

TEST(EventQueueOwnership, QueueLeavesItsListenersAlive) {
  Journal aJournal;
  CJournalListener cA("a", aJournal);
  {
    CRurIvaEventQueue cQueue;
    cQueue.addEventListener(&cA);
  }
  // Still usable after the queue is gone.
  CRurIvaEventStep cEvent(1u);
  cA.onEvent(&cEvent);
  EXPECT_EQ(aJournal, (Journal{"a:4"}));
}

TEST(EventQueueReentrancy, ListenerRemovedByAnEarlierOneIsNotCalledAgain) {
  Journal aJournal;
  CRurIvaEventQueue cQueue;
  CJournalListener cA("a", aJournal), cB("b", aJournal), cC("c", aJournal);
  cA.m_fOnEvent = [&](IRurIvaEvent*) { cQueue.removeEventListener(&cB); };
  cQueue.addEventListener(&cA);
  cQueue.addEventListener(&cB);
  cQueue.addEventListener(&cC);
  cQueue.postEvent(new CRurIvaEventStep(1u), true);
  EXPECT_EQ(aJournal, (Journal{"a:4", "c:4"}));
  EXPECT_EQ(cB.m_iAsked, 0);
  cQueue.postEvent(new CRurIvaEventStep(2u), true);
  EXPECT_EQ(aJournal, (Journal{"a:4", "c:4", "a:4", "c:4"}));
}

TEST(EventQueueReentrancy, ListenerRemovingItselfLetsTheRestBeServed) {
  Journal aJournal;
  CRurIvaEventQueue cQueue;
  CJournalListener cA("a", aJournal), cB("b", aJournal), cC("c", aJournal);
  cA.m_fOnEvent = [&](IRurIvaEvent*) { cQueue.removeEventListener(&cA); };
  cQueue.addEventListener(&cA);
  cQueue.addEventListener(&cB);
  cQueue.addEventListener(&cC);
  cQueue.postEvent(new CRurIvaEventStep(1u), true);
  cQueue.postEvent(new CRurIvaEventStep(2u), true);
  EXPECT_EQ(aJournal, (Journal{"a:4", "b:4", "c:4", "b:4", "c:4"}));
}

TEST(EventQueueReentrancy, RemovalFromInsideHandlesEventIsSafe) {
  Journal aJournal;
  CRurIvaEventQueue cQueue;
  CJournalListener cA("a", aJournal), cB("b", aJournal), cC("c", aJournal);
  cA.m_fOnAsk = [&](IRurIvaEvent*) {
    cQueue.removeEventListener(&cA);
    cQueue.removeEventListener(&cC);
  };
  cQueue.addEventListener(&cA);
  cQueue.addEventListener(&cB);
  cQueue.addEventListener(&cC);
  cQueue.postEvent(new CRurIvaEventStep(1u), true);
  EXPECT_EQ(aJournal, (Journal{"a:4", "b:4"}));
  ASSERT_EQ(cQueue.getListeners().size(), 1u);
  EXPECT_EQ(cQueue.getListeners()[0], &cB);
}

TEST(EventQueueReentrancy, ListenerAddedDuringDeliveryGetsOnlyLaterEvents) {
  Journal aJournal;
  CRurIvaEventQueue cQueue;
  CJournalListener cA("a", aJournal), cLate("late", aJournal);
  cA.m_fOnEvent = [&](IRurIvaEvent*) { cQueue.addEventListener(&cLate); };
  cQueue.addEventListener(&cA);
  cQueue.postEvent(new CRurIvaEventStep(1u), true);
  EXPECT_EQ(aJournal, (Journal{"a:4"}));
  cQueue.postEvent(new CRurIvaEventStep(2u), true);
  EXPECT_EQ(aJournal, (Journal{"a:4", "a:4", "late:4"}));
}

TEST(EventQueueReentrancy, ManyListenersAddedDuringDeliveryDoNotDisturbIt) {
  // Enough additions to make the list reallocate while the outer delivery walks it.
  Journal aJournal;
  CRurIvaEventQueue cQueue;
  std::vector<std::unique_ptr<CJournalListener>> aExtra;
  for (int i = 0; i < 100; ++i) aExtra.emplace_back(new CJournalListener("x", aJournal));
  CJournalListener cA("a", aJournal), cB("b", aJournal);
  cA.m_fOnEvent = [&](IRurIvaEvent*) {
    for (auto& pListener : aExtra) cQueue.addEventListener(pListener.get());
  };
  cQueue.addEventListener(&cA);
  cQueue.addEventListener(&cB);
  cQueue.postEvent(new CRurIvaEventStep(1u), true);
  EXPECT_EQ(aJournal, (Journal{"a:4", "b:4"}));
  EXPECT_EQ(cQueue.getListeners().size(), 102u);
}

TEST(EventQueueReentrancy, EventPostedFromInsideIsDeliveredBeforeTheOuterOneGoesOn) {
  Journal aJournal;
  CRurIvaEventQueue cQueue;
  CJournalListener cA("a", aJournal), cB("b", aJournal);
  bool bPosted = false;
  bool bInnerDeleted = false;
  cA.m_fOnEvent = [&](IRurIvaEvent* pEvent) {
    if (pEvent->getType() == 4 && !bPosted) {
      bPosted = true;
      cQueue.postEvent(new CTrackedEvent(bInnerDeleted), true);
      EXPECT_TRUE(bInnerDeleted);
      cQueue.postEvent(new CRurIvaEventNodeCloned(1, 2), true);
    }
  };
  cQueue.addEventListener(&cA);
  cQueue.addEventListener(&cB);
  bool bOuterDeleted = false;
  cQueue.postEvent(new CTrackedEvent(bOuterDeleted), true);
  EXPECT_EQ(aJournal, (Journal{"a:4", "a:4", "b:4", "a:11", "b:11", "b:4"}));
  EXPECT_TRUE(bOuterDeleted);
}
