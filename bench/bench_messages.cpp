// Applying received event messages: a frame of body-moved messages, one per body, as a replay or
// a networked game hands them to the queue. Each message names its body by node id; the cost per
// message must not grow with the size of the scene.
#include <benchmark/benchmark.h>
#include <irrlicht.h>

#include <vector>

#include "CPhysicsScene.h"
#include "CRurIvaBody.h"
#include "CRurIvaEventBodyMoved.h"
#include "CRurIvaEventQueue.h"
#include "CRurIvaManager.h"
#include "CRurIvaWorld.h"
#include "CSerializer.h"

namespace {

using irr::s32;
using irr::u32;
using irr::u8;
using irr::core::vector3df;
using irr::ode::CRurIvaBody;
using irr::ode::CRurIvaEventBodyMoved;
using irr::ode::CSerializer;

}  // namespace

// A frame of moves for every body of a scene of N bodies, each with a sphere below a node of its
// own (three scene nodes a body), read from their messages and posted to the manager's queue.
static void BM_MessagesApplyMovedFrame(benchmark::State& state) {
  varrik::test::CPhysicsScene s;
  const s32 iBodies = static_cast<s32>(state.range(0));
  std::vector<CRurIvaBody*> aBodies;
  for (s32 i = 0; i < iBodies; ++i) {
    CRurIvaBody* pBody =
        s.addSphereBody(s.world(), vector3df(2.0f * (i % 100), 1.0f, 2.0f * (i / 100)), 0.5f);
    pBody->setID(1000 + i);
    aBodies.push_back(pBody);
  }
  s.world()->initPhysics();
  std::vector<std::vector<u8>> aMessages;
  for (CRurIvaBody* pBody : aBodies) {
    CRurIvaEventBodyMoved cMove(pBody, pBody->getPosition() + vector3df(0, 0.5f, 0), vector3df(0, 10, 0),
                                vector3df(0, 1, 0), vector3df(0, 0, 0));
    CSerializer* pData = cMove.serialize();
    aMessages.emplace_back(pData->getBuffer(), pData->getBuffer() + pData->getSize());
  }
  irr::ode::CRurIvaEventQueue* pQueue = irr::ode::CRurIvaManager::getSharedInstance()->getQueue();
  s32 iFound = 0;
  for (auto _ : state) {
    iFound = 0;
    for (const std::vector<u8>& a : aMessages) {
      CSerializer cData(a.data(), static_cast<u32>(a.size()));
      CRurIvaEventBodyMoved cEvent(&cData, s.m_pSmgr);
      iFound += cEvent.getBody() != nullptr;
      pQueue->postEvent(&cEvent, false);
    }
  }
  state.counters["found"] = iFound;
  state.SetItemsProcessed(state.iterations() * iBodies);
}
BENCHMARK(BM_MessagesApplyMovedFrame)->Arg(100)->Arg(1000)->Arg(4000)->Unit(benchmark::kMicrosecond);
