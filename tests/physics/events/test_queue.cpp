// Synchronous delivery of events to listeners: order, filtering, ownership of the event, changes
// of the listener list made by listeners while an event is being delivered, and the events the
// queue hands out and takes back for reuse.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CRurIvaEventActivationChanged.h"
#include "CRurIvaEventBeforeStep.h"
#include "CRurIvaEventBodyMoved.h"
#include "CRurIvaEventNodeCloned.h"
#include "CRurIvaEventQueue.h"
#include "CRurIvaEventRayHit.h"
#include "CRurIvaEventStep.h"
#include "IRurIvaEventListener.h"
#include "TestMessages.h"

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

// ---------------------------------------------------------------------------------------------
// Events the queue hands out and takes back

namespace {

//! A body-moved event of the queue with a position and a rotation, from no body.
CRurIvaEventBodyMoved* movedEvent(CRurIvaEventQueue& cQueue, const core::vector3df& cPos, u8 iFlags,
                                  s32 iId) {
  const core::vector3df cZero(0, 0, 0);
  CRurIvaEventBodyMoved* p = cQueue.acquire<CRurIvaEventBodyMoved>(nullptr, cPos, cZero, cZero, cZero);
  p->setFlags(iFlags);
  p->setBodyId(iId);
  return p;
}

}  // namespace

TEST(EventQueueRecycling, AnEventComesBackAfterDeliveryAndCarriesNothingOfItsLastUse) {
  Journal aJournal;
  CRurIvaEventQueue cQueue;
  CJournalListener cA("a", aJournal);
  std::vector<std::string> aTexts;
  std::vector<const c8*> aTextPlaces;
  std::vector<std::vector<u8>> aMessages;
  // The listener asks for the text and the message of every event, which the event keeps.
  cA.m_fOnEvent = [&](IRurIvaEvent* pEvent) {
    aTextPlaces.push_back(pEvent->toString());
    aTexts.push_back(pEvent->toString());
    aMessages.push_back(varrik::test::messageOf(*pEvent));
  };
  cQueue.addEventListener(&cA);

  CRurIvaEventBodyMoved* pFirst = movedEvent(cQueue, core::vector3df(1, 2, 3), siRurIvaEventPosition, 7);
  pFirst->setTouchedId(40);
  pFirst->setLinearDamping(0.5f);
  cQueue.postEvent(pFirst, true);
  EXPECT_EQ(cQueue.getFreeEventCount(), 1u);

  CRurIvaEventBodyMoved* pSecond = movedEvent(cQueue, core::vector3df(4, 5, 6), 0, 8);
  EXPECT_EQ(pSecond, pFirst);  // the same object, built afresh
  EXPECT_EQ(cQueue.getFreeEventCount(), 0u);
  EXPECT_EQ(pSecond->getTouchedId(), 0);
  EXPECT_EQ(pSecond->getLinearDampingInt(), 0);
  cQueue.postEvent(pSecond, true);

  EXPECT_EQ(aTexts, (std::vector<std::string>{
                        "CRurIvaEventBodyMoved: body=7, flags=1, new position=(1.00, 2.00, 3.00)",
                        "CRurIvaEventBodyMoved: body=8, flags=0"}));
  // The text's buffer is made once and goes with the object: a listener that shows every
  // event of a running scene allocates nothing for it.
  ASSERT_EQ(aTextPlaces.size(), 2u);
  EXPECT_EQ(aTextPlaces[0], aTextPlaces[1]);
  ASSERT_EQ(aMessages.size(), 2u);
  EXPECT_EQ(aMessages[0].size(), 19u);
  EXPECT_EQ(aMessages[1], (std::vector<u8>{0x07, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00}));
}

TEST(EventQueueRecycling, EachTypeComesBackToItsOwnKind) {
  CRurIvaEventQueue cQueue;
  CRurIvaEventStep* pStep = cQueue.acquire<CRurIvaEventStep>(5u);
  pStep->setFrameNo(9);
  CRurIvaEventBodyMoved* pMoved = movedEvent(cQueue, core::vector3df(0, 0, 0), 0, 1);
  cQueue.postEvent(pStep, true);
  cQueue.postEvent(pMoved, true);
  EXPECT_EQ(cQueue.getFreeEventCount(), 2u);
  CRurIvaEventStep* pAgain = cQueue.acquire<CRurIvaEventStep>(6u);
  EXPECT_EQ(pAgain, pStep);
  EXPECT_EQ(pAgain->getStepNo(), 6u);
  EXPECT_EQ(pAgain->getFrameNo(), 0u);
  EXPECT_EQ(varrik::test::messageOf(*pAgain), (std::vector<u8>{0x04, 0x00, 0x06, 0x00, 0x00, 0x00}));
  cQueue.postEvent(pAgain, true);
  EXPECT_EQ(cQueue.getFreeEventCount(), 2u);
}

TEST(EventQueueRecycling, AQueueMadeEventKnowsItsTypeWithoutBeingAsked) {
  // Listeners read the type of every event; one the queue made answers it from what the queue
  // knew when it made it, new or used again, and it must be what the event says.
  CRurIvaEventQueue cQueue;
  const std::vector<std::function<IRurIvaEvent*()>> aMakers = {
      [&] { return cQueue.acquire<CRurIvaEventBeforeStep>(); },
      [&] { return cQueue.acquire<CRurIvaEventStep>(3u); },
      [&] { return movedEvent(cQueue, core::vector3df(1, 2, 3), 0, 1); },
      [&] { return cQueue.acquire<CRurIvaEventActivationChanged>(nullptr, true); },
      [&] { return cQueue.acquire<CRurIvaEventRayHit>(nullptr, nullptr, nullptr, core::vector3df(), 1.0f); },
  };
  for (int iUse = 0; iUse < 2; ++iUse)  // first new, then from the free lists
    for (const auto& fMake : aMakers) {
      IRurIvaEvent* p = fMake();
      EXPECT_EQ(p->type(), p->getType()) << "use " << iUse;
      cQueue.postEvent(p, true);
    }
  EXPECT_EQ(cQueue.getFreeEventCount(), 5u);
  // Any other event is asked.
  CRurIvaEventNodeCloned cOther(1, 2);
  EXPECT_EQ(cOther.type(), eRurIvaEventNodeCloned);
}

TEST(EventQueueRecycling, AListenerThatClonesKeepsAValidCopy) {
  Journal aJournal;
  CRurIvaEventQueue cQueue;
  CJournalListener cA("a", aJournal);
  std::vector<std::unique_ptr<IRurIvaEvent>> aKept;
  cA.m_fOnEvent = [&](IRurIvaEvent* pEvent) { aKept.emplace_back(pEvent->clone()); };
  cQueue.addEventListener(&cA);

  cQueue.postEvent(movedEvent(cQueue, core::vector3df(1, 2, 3), siRurIvaEventPosition, 7), true);
  // The queue's event is used again for the next body; the copy stays as it was.
  cQueue.postEvent(movedEvent(cQueue, core::vector3df(4, 5, 6), siRurIvaEventPosition, 8), true);
  ASSERT_EQ(aKept.size(), 2u);
  CRurIvaEventBodyMoved* pFirst = static_cast<CRurIvaEventBodyMoved*>(aKept[0].get());
  EXPECT_EQ(pFirst->getBodyId(), 7);
  EXPECT_EQ(pFirst->getPosition(), core::vector3df(1, 2, 3));
  EXPECT_EQ(varrik::test::messageOf(*pFirst).size(), 19u);
  // Copies belong to the listener: posting one with delete-after-delivery deletes it.
  bool bDeleted = false;
  cQueue.postEvent(new CTrackedEvent(bDeleted), true);
  EXPECT_TRUE(bDeleted);
  cQueue.postEvent(aKept[1].release(), true);
  EXPECT_EQ(cQueue.getFreeEventCount(), 1u);
}

TEST(EventQueueRecycling, AnEventKeptAfterDeliveryStaysWithItsPoster) {
  CRurIvaEventQueue cQueue;
  CRurIvaEventStep* pStep = cQueue.acquire<CRurIvaEventStep>(1u);
  cQueue.postEvent(pStep, false);
  EXPECT_EQ(cQueue.getFreeEventCount(), 0u);
  EXPECT_EQ(pStep->getStepNo(), 1u);
  delete pStep;
}

TEST(EventQueueRecycling, NestedPostsDrawFurtherEventsAndReturnThemAll) {
  Journal aJournal;
  CRurIvaEventQueue cQueue;
  CJournalListener cA("a", aJournal);
  int iDepth = 0;
  cA.m_fOnEvent = [&](IRurIvaEvent*) {
    if (++iDepth < 3) cQueue.postEvent(cQueue.acquire<CRurIvaEventStep>(static_cast<u32>(iDepth)), true);
  };
  cQueue.addEventListener(&cA);
  cQueue.postEvent(cQueue.acquire<CRurIvaEventStep>(0u), true);
  EXPECT_EQ(aJournal.size(), 3u);
  EXPECT_EQ(cQueue.getFreeEventCount(), 3u);
}

namespace {

//! A game's own event: its text is made from its score, as long as the score's name is.
class CScoreEvent : public IRurIvaEvent {
 public:
  explicit CScoreEvent(const std::string& sWho) : m_sWho(sWho) {}
  u16 getType() override { return 100; }
  CSerializer* serialize() override { return 0; }
  const c8* toString() override {
    snprintf(textBuffer(), kTextSize, "score of %s", m_sWho.c_str());
    return textBuffer();
  }
  IRurIvaEvent* clone() override { return new CScoreEvent(m_sWho); }

 private:
  std::string m_sWho;
};

}  // namespace

TEST(EventQueueDelivery, AGamesOwnEventShowsItsTextUpToTheBuffersSize) {
  Journal aJournal;
  CRurIvaEventQueue cQueue;
  CJournalListener cA("a", aJournal);
  std::vector<std::string> aTexts;
  cA.m_fOnEvent = [&](IRurIvaEvent* pEvent) { aTexts.push_back(pEvent->toString()); };
  cQueue.addEventListener(&cA);
  const std::string sLong(3000, 'x');
  for (const std::string& sWho : {std::string("ann"), std::string(), sLong})
    cQueue.postEvent(new CScoreEvent(sWho), true);
  CScoreEvent cNeverShown("bob");  // no text asked for: nothing made, nothing to release
  ASSERT_EQ(aTexts.size(), 3u);
  EXPECT_EQ(aTexts[0], "score of ann");
  EXPECT_EQ(aTexts[1], "score of ");
  // Cut at the buffer's size, its terminating zero included.
  EXPECT_EQ(aTexts[2], ("score of " + sLong).substr(0, 999));
  EXPECT_EQ(aJournal, (Journal{"a:100", "a:100", "a:100"}));
  EXPECT_EQ(cQueue.getFreeEventCount(), 0u);  // events of the game's own are deleted, not kept
}
