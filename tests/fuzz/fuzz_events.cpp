// The bytes as an event message, read by every event type against a small scene that holds a body,
// a geometry, a ray and a plain node with known ids.
//
// What is promised: reading never crashes and never reads outside the message; a message that is
// well formed for a type (its code, exactly its items, booleans 0 or 1) is written back by the
// event it became byte for byte (a round trip; a load-scene name is kept to its first 1023
// characters); a message that is not well formed gives the type's empty event; a copy writes what
// the original writes.
#include <irrlicht.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "CRurIvaBody.h"
#include "CRurIvaEventActivationChanged.h"
#include "CRurIvaEventBeforeStep.h"
#include "CRurIvaEventBodyCreated.h"
#include "CRurIvaEventBodyMoved.h"
#include "CRurIvaEventBodyRemoved.h"
#include "CRurIvaEventClose.h"
#include "CRurIvaEventInit.h"
#include "CRurIvaEventLoadScene.h"
#include "CRurIvaEventNodeCloned.h"
#include "CRurIvaEventNodeRemoved.h"
#include "CRurIvaEventProgress.h"
#include "CRurIvaEventRayHit.h"
#include "CRurIvaEventStep.h"
#include "CRurIvaGeomBox.h"
#include "CRurIvaGeomRay.h"
#include "CRurIvaManager.h"
#include "CRurIvaWorld.h"
#include "CSerializer.h"
#include "FuzzSupport.h"

using namespace irr;
using namespace irr::ode;
using Bytes = std::vector<u8>;

namespace {

//! The scene messages are read against: ids 1 to 4 name a body, a box, a ray and a plain node.
struct SScene {
  scene::ISceneManager* pSmgr;
  CRurIvaWorld* pWorld;
  CRurIvaBody* pBody;

  SScene() {
    pSmgr = varrik::fuzz::nullEngine()->getSceneManager();
    CRurIvaManager::getSharedInstance()->install(varrik::fuzz::nullEngine());
    pWorld = new CRurIvaWorld(pSmgr->getRootSceneNode(), pSmgr, 10);
    pBody = new CRurIvaBody(pWorld, pSmgr, 1);
    scene::ISceneNode* pShape = pSmgr->addEmptySceneNode(pBody, 4);
    (new CRurIvaGeomBox(pShape, pSmgr, 2))->drop();
    (new CRurIvaGeomRay(pShape, pSmgr, 3))->drop();
  }

  //! A body-removed message takes the body out of its world; it goes back for the next input.
  void restore() {
    for (CRurIvaBody* p : pWorld->getBodyList())
      if (p == pBody) return;
    pWorld->addBody(pBody);
  }
};

SScene& theScene() {
  static SScene cScene;
  return cScene;
}

struct SKind {
  u16 iType;
  //! Reads an event of this type from a message.
  std::function<IRurIvaEvent*(CSerializer*, scene::ISceneManager*)> fRead;
};

const std::vector<SKind>& kinds() {
  static const std::vector<SKind> aKinds = {
      {1, [](CSerializer* p, scene::ISceneManager*) { return new CRurIvaEventInit(p); }},
      {2, [](CSerializer* p, scene::ISceneManager*) { return new CRurIvaEventClose(p); }},
      {3, [](CSerializer* p, scene::ISceneManager*) { return new CRurIvaEventBeforeStep(p); }},
      {4, [](CSerializer* p, scene::ISceneManager*) { return new CRurIvaEventStep(p); }},
      {5, [](CSerializer* p, scene::ISceneManager* s) { return new CRurIvaEventBodyCreated(p, s); }},
      {6, [](CSerializer* p, scene::ISceneManager* s) { return new CRurIvaEventBodyRemoved(p, s); }},
      {7, [](CSerializer* p, scene::ISceneManager* s) { return new CRurIvaEventBodyMoved(p, s); }},
      {8, [](CSerializer* p, scene::ISceneManager* s) { return new CRurIvaEventActivationChanged(p, s); }},
      {9, [](CSerializer* p, scene::ISceneManager* s) { return new CRurIvaEventRayHit(p, s); }},
      {10, [](CSerializer* p, scene::ISceneManager*) { return new CRurIvaEventProgress(p); }},
      {11, [](CSerializer* p, scene::ISceneManager*) { return new CRurIvaEventNodeCloned(p); }},
      {12, [](CSerializer* p, scene::ISceneManager*) { return new CRurIvaEventLoadScene(p); }},
      {14, [](CSerializer* p, scene::ISceneManager*) { return new CRurIvaEventNodeRemoved(p); }},
  };
  return aKinds;
}

//! A load-scene message names a scene of any length; a reader keeps this many characters of it.
const size_t kMaxReadName = 1023;

u16 codeOf(const Bytes& a) { return static_cast<u16>(a[0] | (a[1] << 8)); }

/**
 * The message a well-formed message of type iType is written back as; false when the message is
 * not well formed for that type. Independent of the readers: the layouts of the message format.
 */
bool expectedRewrite(u16 iType, const Bytes& a, Bytes& aOut) {
  if (a.size() < 2 || a.size() > CSerializer::MAX_MESSAGE_SIZE || codeOf(a) != iType) return false;
  aOut = a;
  const size_t n = a.size();
  switch (iType) {
    case 1:
    case 2:
    case 3:
      return n == 2;
    case 4:
    case 5:
    case 6:
    case 14:
      return n == 6;
    case 8:
      return n == 7 && a[6] <= 1;
    case 9:
      return n == 30;
    case 10:
    case 11:
      return n == 10;
    case 7: {
      if (n < 7) return false;
      const u8 iFlags = a[6];
      size_t iSize = 7;
      for (u8 iBit :
           {siRurIvaEventPosition, siRurIvaEventRotation, siRurIvaEventLinearVel, siRurIvaEventAngularVel})
        if (iFlags & iBit) iSize += 12;
      if (iFlags & siRurIvaEventBodyTouching) iSize += 20;
      if (iFlags & siRurIvaEventDamping) iSize += 4;
      return n == iSize;
    }
    case 12: {
      // One zero-terminated name and nothing after it.
      const u8* pZero = static_cast<const u8*>(memchr(a.data() + 2, 0, n - 2));
      if (!pZero || pZero != a.data() + n - 1) return false;
      const size_t iLength = n - 3;
      if (iLength > kMaxReadName) {
        aOut.assign(a.begin(), a.begin() + 2 + kMaxReadName);
        aOut.push_back(0);
      }
      return true;
    }
    default:
      return false;
  }
}

//! The bytes an event writes of itself; false for the types that are never written.
bool written(IRurIvaEvent& cEvent, Bytes& aOut) {
  CSerializer* pData = cEvent.serialize();
  if (!pData) return false;
  FUZZ_CHECK(!pData->hasError(), "type %u: writing failed", cEvent.getType());
  aOut.assign(pData->getBuffer(), pData->getBuffer() + pData->getSize());
  return true;
}

std::unique_ptr<IRurIvaEvent> readEvent(const SKind& k, const Bytes& aMessage, scene::ISceneManager* pSmgr) {
  // A heap block of exactly the message's size, so that the sanitizers see any read past it.
  std::unique_ptr<u8[]> pBlock(new u8[aMessage.size() + 1]);
  if (!aMessage.empty()) memcpy(pBlock.get(), aMessage.data(), aMessage.size());
  CSerializer cData(aMessage.empty() ? nullptr : pBlock.get(), static_cast<u32>(aMessage.size()));
  return std::unique_ptr<IRurIvaEvent>(k.fRead(&cData, pSmgr));
}

void checkKind(const SKind& k, const Bytes& aMessage, scene::ISceneManager* pSmgr) {
  std::unique_ptr<IRurIvaEvent> pEvent = readEvent(k, aMessage, pSmgr);
  FUZZ_CHECK(pEvent->getType() == k.iType, "type %u read as %u", k.iType, pEvent->getType());
  FUZZ_CHECK(pEvent->toString() != nullptr, "type %u: no text", k.iType);

  Bytes aWritten, aExpected;
  const bool bWritten = written(*pEvent, aWritten);
  const bool bWellFormed = expectedRewrite(k.iType, aMessage, aExpected);
  if (bWritten && bWellFormed) {
    FUZZ_CHECK(aWritten == aExpected, "type %u: a %zu-byte message was written back as %zu different bytes",
               k.iType, aMessage.size(), aWritten.size());
  } else if (bWritten) {
    // Not well formed: the event stays empty, as one read from no message at all.
    Bytes aEmpty;
    std::unique_ptr<IRurIvaEvent> pEmpty = readEvent(k, Bytes(), pSmgr);
    FUZZ_CHECK(written(*pEmpty, aEmpty) && aWritten == aEmpty,
               "type %u: a malformed %zu-byte message did not give the empty event", k.iType,
               aMessage.size());
  }

  std::unique_ptr<IRurIvaEvent> pCopy(pEvent->clone());
  FUZZ_CHECK(pCopy && pCopy->getType() == k.iType, "type %u: the copy has another type", k.iType);
  Bytes aCopy;
  FUZZ_CHECK(written(*pCopy, aCopy) == bWritten && aCopy == aWritten, "type %u: the copy writes other bytes",
             k.iType);
  FUZZ_CHECK(std::strcmp(pCopy->toString(), pEvent->toString()) == 0, "type %u: the copy reads differently",
             k.iType);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, size_t iSize) {
  SScene& s = theScene();
  const Bytes aMessage(pData, pData + iSize);
  for (const SKind& k : kinds()) {
    checkKind(k, aMessage, s.pSmgr);
    s.restore();
  }
  return 0;
}
