// Byte form, text form and copies of every event type, built without a scene: node ids are
// given directly and messages are read without a scene manager.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

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
#include "CSerializer.h"
#include "TestChecks.h"
#include "TestMessages.h"

using namespace irr;
using namespace irr::ode;
using namespace varrik::test;

namespace {

//! Builds expected messages item by item, independently of CSerializer.
class CBytes {
 public:
  CBytes& u8v(u8 i) {
    m_a.push_back(i);
    return *this;
  }
  CBytes& u16v(u16 i) { return put(i, 2); }
  CBytes& s32v(s32 i) { return put(static_cast<u32>(i), 4); }
  CBytes& u32v(u32 i) { return put(i, 4); }
  CBytes& f32v(f32 f) {
    u32 i;
    memcpy(&i, &f, 4);
    return put(i, 4);
  }
  CBytes& vec(const core::vector3df& v) { return f32v(v.X).f32v(v.Y).f32v(v.Z); }
  CBytes& str(const char* s) {
    m_a.insert(m_a.end(), s, s + strlen(s) + 1);
    return *this;
  }
  const std::vector<u8>& bytes() const { return m_a; }

 private:
  CBytes& put(u32 i, u32 iBytes) {
    for (u32 k = 0; k < iBytes; ++k) m_a.push_back(static_cast<u8>(i >> (8 * k)));
    return *this;
  }
  std::vector<u8> m_a;
};

//! A received copy of a message, held in a heap block of exactly its size so that the
//! sanitizer build catches any read past it.
std::unique_ptr<CSerializer> receive(const std::vector<u8>& aMessage, size_t iSize) {
  std::unique_ptr<u8[]> pBlock(new u8[iSize > 0 ? iSize : 1]);
  if (iSize > 0) memcpy(pBlock.get(), aMessage.data(), iSize);
  return std::unique_ptr<CSerializer>(
      new CSerializer(iSize > 0 ? pBlock.get() : nullptr, static_cast<u32>(iSize)));
}

std::unique_ptr<CSerializer> receive(const std::vector<u8>& aMessage) {
  return receive(aMessage, aMessage.size());
}

const core::vector3df cPos(1, 2, 3);
const core::vector3df cRot(10, 20, 30);
const core::vector3df cLinVel(-1, -2, -3);
const core::vector3df cAngVel(0.5f, 0.25f, 0.75f);
const core::vector3df cPoint(7, 8, 9);

//! A body-moved event with every flag, built field by field.
void fillAllFlags(CRurIvaEventBodyMoved& cEvent) {
  cEvent.setBodyId(17);
  cEvent.setFlags(siRurIvaEventPosition | siRurIvaEventRotation | siRurIvaEventLinearVel |
                  siRurIvaEventAngularVel | siRurIvaEventBodyTouching | siRurIvaEventDamping);
  cEvent.setPosition(cPos);
  cEvent.setRotation(cRot);
  cEvent.setLinearVelocity(cLinVel);
  cEvent.setAngularVelocity(cAngVel);
  cEvent.setTouchedId(23);
  cEvent.setCollisionMaterial(4);
  cEvent.setCollisionPoint(cPoint);
  cEvent.setAngularDamping(0.5f);
  cEvent.setLinearDamping(0.3f);
}

std::vector<u8> allFlagsMessage() {
  return CBytes()
      .u16v(7)
      .s32v(17)
      .u8v(0x3F)
      .vec(cPos)
      .vec(cRot)
      .vec(cLinVel)
      .vec(cAngVel)
      .s32v(23)
      .s32v(4)
      .vec(cPoint)
      .u16v(32500)
      .u16v(19500)
      .bytes();
}

bool isEmpty(CRurIvaEventBodyMoved& e) {
  return !e.getBody() && !e.getTouched() && e.getBodyId() == 0 && e.getTouchedId() == 0 &&
         e.getFlags() == 0 && e.getCollisionMaterial() == 0 && e.getAngularDampingInt() == 0 &&
         e.getLinearDampingInt() == 0 && e.getPosition() == core::vector3df(0, 0, 0) &&
         e.getRotation() == core::vector3df(0, 0, 0) && e.getLinearVelocity() == core::vector3df(0, 0, 0) &&
         e.getAngularVelocity() == core::vector3df(0, 0, 0) &&
         e.getCollisionPoint() == core::vector3df(0, 0, 0);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Types and observability

TEST(EventTypes, EveryClassReportsItsTypeValue) {
  EXPECT_EQ(CRurIvaEventInit().getType(), 1);
  EXPECT_EQ(CRurIvaEventClose().getType(), 2);
  EXPECT_EQ(CRurIvaEventBeforeStep().getType(), 3);
  EXPECT_EQ(CRurIvaEventStep(1u).getType(), 4);
  EXPECT_EQ(CRurIvaEventBodyCreated(static_cast<CRurIvaBody*>(nullptr)).getType(), 5);
  EXPECT_EQ(CRurIvaEventBodyRemoved(static_cast<CRurIvaBody*>(nullptr)).getType(), 6);
  EXPECT_EQ(CRurIvaEventBodyMoved().getType(), 7);
  EXPECT_EQ(CRurIvaEventActivationChanged(nullptr, true).getType(), 8);
  EXPECT_EQ(CRurIvaEventRayHit(nullptr, nullptr, nullptr, core::vector3df(), 0.0f).getType(), 9);
  EXPECT_EQ(CRurIvaEventProgress(1, 2).getType(), 10);
  EXPECT_EQ(CRurIvaEventNodeCloned(1, 2).getType(), 11);
  EXPECT_EQ(CRurIvaEventLoadScene("a").getType(), 12);
  EXPECT_EQ(CRurIvaEventNodeRemoved(5).getType(), 14);
}

TEST(EventTypes, OnlyRemovalsMovesClonesAndLoadsAreObservable) {
  EXPECT_FALSE(CRurIvaEventInit().isObservable());
  EXPECT_FALSE(CRurIvaEventClose().isObservable());
  EXPECT_FALSE(CRurIvaEventBeforeStep().isObservable());
  EXPECT_FALSE(CRurIvaEventStep(1u).isObservable());
  EXPECT_FALSE(CRurIvaEventBodyCreated(static_cast<CRurIvaBody*>(nullptr)).isObservable());
  EXPECT_TRUE(CRurIvaEventBodyRemoved(static_cast<CRurIvaBody*>(nullptr)).isObservable());
  EXPECT_TRUE(CRurIvaEventBodyMoved().isObservable());
  EXPECT_FALSE(CRurIvaEventActivationChanged(nullptr, true).isObservable());
  EXPECT_FALSE(CRurIvaEventRayHit(nullptr, nullptr, nullptr, core::vector3df(), 0.0f).isObservable());
  EXPECT_FALSE(CRurIvaEventProgress(1, 2).isObservable());
  EXPECT_TRUE(CRurIvaEventNodeCloned(1, 2).isObservable());
  EXPECT_TRUE(CRurIvaEventLoadScene("a").isObservable());
  EXPECT_TRUE(CRurIvaEventNodeRemoved(5).isObservable());
}

// ---------------------------------------------------------------------------------------------
// Byte form of every type

TEST(EventMessages, InitCloseAndBeforeStepAreTheCodeAlone) {
  CRurIvaEventInit cInit;
  CRurIvaEventClose cClose;
  CRurIvaEventBeforeStep cBefore;
  EXPECT_EQ(messageOf(cInit), (std::vector<u8>{0x01, 0x00}));
  EXPECT_EQ(messageOf(cClose), (std::vector<u8>{0x02, 0x00}));
  EXPECT_EQ(messageOf(cBefore), (std::vector<u8>{0x03, 0x00}));

  auto pInit = receive({0x01, 0x00});
  CRurIvaEventInit cReadInit(pInit.get());
  EXPECT_FALSE(pInit->hasError());
  auto pClose = receive({0x02, 0x00});
  CRurIvaEventClose cReadClose(pClose.get());
  EXPECT_FALSE(pClose->hasError());
  auto pBefore = receive({0x03, 0x00});
  CRurIvaEventBeforeStep cReadBefore(pBefore.get());
  EXPECT_FALSE(pBefore->hasError());
}

TEST(EventMessages, StepCarriesTheStepNumberButNotTheFrameNumber) {
  CRurIvaEventStep cEvent(5u);
  cEvent.setFrameNo(9);
  EXPECT_EQ(messageOf(cEvent), (std::vector<u8>{0x04, 0x00, 0x05, 0x00, 0x00, 0x00}));
  EXPECT_EQ(cEvent.serialize()->getItemCount(), 2);

  CRurIvaEventStep cLarge(0x11223344u);
  EXPECT_EQ(messageOf(cLarge), (std::vector<u8>{0x04, 0x00, 0x44, 0x33, 0x22, 0x11}));

  CRurIvaEventStep cRead(cEvent.serialize());
  EXPECT_EQ(cRead.getStepNo(), 5u);
  EXPECT_EQ(cRead.getFrameNo(), 0u);
}

TEST(EventMessages, StepFrameNumberStartsAtZero) {
  CRurIvaEventStep cEvent(3u);
  EXPECT_EQ(cEvent.getStepNo(), 3u);
  EXPECT_EQ(cEvent.getFrameNo(), 0u);
  cEvent.setFrameNo(12);
  EXPECT_EQ(cEvent.getFrameNo(), 12u);
}

TEST(EventMessages, BodyCreatedWithoutBodyNamesIdZero) {
  CRurIvaEventBodyCreated cEvent(static_cast<CRurIvaBody*>(nullptr));
  EXPECT_EQ(messageOf(cEvent), (std::vector<u8>{0x05, 0x00, 0x00, 0x00, 0x00, 0x00}));
  auto pData = receive({0x05, 0x00, 0x2A, 0x00, 0x00, 0x00});
  CRurIvaEventBodyCreated cRead(pData.get(), nullptr);
  EXPECT_FALSE(pData->hasError());
  EXPECT_EQ(cRead.getBody(), nullptr);
}

TEST(EventMessages, BodyRemovedKeepsTheIdItRead) {
  const std::vector<u8> aMessage{0x06, 0x00, 0x2A, 0x01, 0x00, 0x00};
  auto pData = receive(aMessage);
  CRurIvaEventBodyRemoved cRead(pData.get(), nullptr);
  EXPECT_FALSE(pData->hasError());
  EXPECT_EQ(cRead.getBodyId(), 0x12A);
  EXPECT_EQ(cRead.getBody(), nullptr);
  EXPECT_EQ(messageOf(cRead), aMessage);

  CRurIvaEventBodyRemoved cNull(static_cast<CRurIvaBody*>(nullptr));
  EXPECT_EQ(cNull.getBodyId(), 0);
  EXPECT_EQ(messageOf(cNull), (std::vector<u8>{0x06, 0x00, 0x00, 0x00, 0x00, 0x00}));
}

TEST(EventMessages, BodyMovedWithRotationOnlyIs19Bytes) {
  CRurIvaEventBodyMoved cEvent;
  cEvent.setBodyId(3);
  cEvent.setFlags(siRurIvaEventRotation);
  cEvent.setPosition(core::vector3df(9, 9, 9));  // not flagged, so not sent
  cEvent.setRotation(core::vector3df(1.0f, -2.5f, 0.0f));
  EXPECT_EQ(messageOf(cEvent), (std::vector<u8>{0x07, 0x00, 0x03, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x80,
                                                0x3F, 0x00, 0x00, 0x20, 0xC0, 0x00, 0x00, 0x00, 0x00}));
}

TEST(EventMessages, BodyMovedWithoutFlagsIsIdAndFlagsOnly) {
  CRurIvaEventBodyMoved cEvent;
  cEvent.setBodyId(-5);
  EXPECT_EQ(messageOf(cEvent), (std::vector<u8>{0x07, 0x00, 0xFB, 0xFF, 0xFF, 0xFF, 0x00}));
}

TEST(EventMessages, BodyMovedWithAllFlagsIs79BytesInGroupOrder) {
  CRurIvaEventBodyMoved cEvent;
  fillAllFlags(cEvent);
  const std::vector<u8> aMessage = messageOf(cEvent);
  ASSERT_EQ(aMessage.size(), 79u);
  EXPECT_EQ(aMessage, allFlagsMessage());
  // code, id, flags, 4 vectors, touched id, material, point, 2 damping values
  EXPECT_EQ(cEvent.serialize()->getItemCount(), 1 + 1 + 1 + 12 + 1 + 1 + 3 + 2);
}

TEST(EventMessages, BodyMovedWithAllFlagsReadsBackEqual) {
  CRurIvaEventBodyMoved cEvent;
  fillAllFlags(cEvent);
  auto pData = receive(messageOf(cEvent));
  CRurIvaEventBodyMoved cRead(pData.get(), nullptr);
  EXPECT_FALSE(pData->hasError());
  EXPECT_EQ(cRead.getBody(), nullptr);
  EXPECT_EQ(cRead.getTouched(), nullptr);
  EXPECT_EQ(cRead.getBodyId(), 17);
  EXPECT_EQ(cRead.getFlags(), 0x3F);
  EXPECT_EQ(cRead.getPosition(), cPos);
  EXPECT_EQ(cRead.getRotation(), cRot);
  EXPECT_EQ(cRead.getLinearVelocity(), cLinVel);
  EXPECT_EQ(cRead.getAngularVelocity(), cAngVel);
  EXPECT_EQ(cRead.getTouchedId(), 23);
  EXPECT_EQ(cRead.getCollisionMaterial(), 4);
  EXPECT_EQ(cRead.getCollisionPoint(), cPoint);
  EXPECT_NEAR(cRead.getAngularDamping(), 0.5f, 1.0f / 65000);
  EXPECT_NEAR(cRead.getLinearDamping(), 0.3f, 1.0f / 65000);
  EXPECT_EQ(messageOf(cRead), messageOf(cEvent));
}

TEST(EventMessages, BodyMovedReadsOnlyTheAnnouncedGroups) {
  const std::vector<u8> aMessage = CBytes()
                                       .u16v(7)
                                       .s32v(8)
                                       .u8v(siRurIvaEventLinearVel | siRurIvaEventDamping)
                                       .vec(cLinVel)
                                       .u16v(100)
                                       .u16v(200)
                                       .bytes();
  auto pData = receive(aMessage);
  CRurIvaEventBodyMoved cRead(pData.get(), nullptr);
  EXPECT_FALSE(pData->hasError());
  EXPECT_EQ(cRead.getBodyId(), 8);
  EXPECT_EQ(cRead.getPosition(), core::vector3df(0, 0, 0));
  EXPECT_EQ(cRead.getLinearVelocity(), cLinVel);
  EXPECT_EQ(cRead.getTouchedId(), 0);
  EXPECT_EQ(cRead.getAngularDampingInt(), 100);
  EXPECT_EQ(cRead.getLinearDampingInt(), 200);
}

TEST(EventMessages, ActivationChangedCarriesIdAndState) {
  CRurIvaEventActivationChanged cEvent(nullptr, true);
  EXPECT_EQ(messageOf(cEvent), (std::vector<u8>{0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01}));
  CRurIvaEventActivationChanged cOff(nullptr, false);
  EXPECT_EQ(messageOf(cOff), (std::vector<u8>{0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));

  auto pData = receive({0x08, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01});
  CRurIvaEventActivationChanged cRead(pData.get(), nullptr);
  EXPECT_FALSE(pData->hasError());
  EXPECT_TRUE(cRead.isActive());
  EXPECT_EQ(cRead.getBody(), nullptr);
}

TEST(EventMessages, RayHitIsReadButNeverWritten) {
  CRurIvaEventRayHit cEvent(nullptr, nullptr, nullptr, cPos, 4.5f);
  EXPECT_EQ(cEvent.serialize(), nullptr);

  const std::vector<u8> aMessage = CBytes().u16v(9).s32v(1).s32v(2).s32v(3).vec(cPos).f32v(4.5f).bytes();
  ASSERT_EQ(aMessage.size(), 30u);
  auto pData = receive(aMessage);
  CRurIvaEventRayHit cRead(pData.get(), nullptr);
  EXPECT_FALSE(pData->hasError());
  EXPECT_EQ(cRead.getRay(), nullptr);
  EXPECT_EQ(cRead.getBody(), nullptr);
  EXPECT_EQ(cRead.getGeom(), nullptr);
  EXPECT_EQ(cRead.getPosition(), cPos);
  EXPECT_EQ(cRead.getDistance(), 4.5f);
}

TEST(EventMessages, ProgressIsReadButNeverWrittenAndTakesCurrentFirst) {
  CRurIvaEventProgress cEvent(3, 10);
  EXPECT_EQ(cEvent.getCurrent(), 3u);
  EXPECT_EQ(cEvent.getCount(), 10u);
  EXPECT_EQ(cEvent.serialize(), nullptr);

  auto pData = receive(CBytes().u16v(10).u32v(10).u32v(3).bytes());
  CRurIvaEventProgress cRead(pData.get());
  EXPECT_FALSE(pData->hasError());
  EXPECT_EQ(cRead.getCount(), 10u);
  EXPECT_EQ(cRead.getCurrent(), 3u);
}

TEST(EventMessages, NodeClonedCarriesBothIds) {
  CRurIvaEventNodeCloned cEvent(7, 20001);
  EXPECT_EQ(messageOf(cEvent), (std::vector<u8>{0x0B, 0x00, 0x07, 0x00, 0x00, 0x00, 0x21, 0x4E, 0x00, 0x00}));
  CRurIvaEventNodeCloned cRead(cEvent.serialize());
  EXPECT_EQ(cRead.getSourceId(), 7);
  EXPECT_EQ(cRead.getNewId(), 20001);
}

TEST(EventMessages, LoadSceneCarriesTheNameAndItsZero) {
  CRurIvaEventLoadScene cEvent("map.irr");
  EXPECT_EQ(messageOf(cEvent), (std::vector<u8>{0x0C, 0x00, 'm', 'a', 'p', '.', 'i', 'r', 'r', 0x00}));
  CRurIvaEventLoadScene cRead(cEvent.serialize());
  EXPECT_STREQ(cRead.getScene(), "map.irr");

  CRurIvaEventLoadScene cNull(static_cast<const c8*>(nullptr));
  EXPECT_STREQ(cNull.getScene(), "");
  EXPECT_EQ(messageOf(cNull), (std::vector<u8>{0x0C, 0x00, 0x00}));
}

TEST(EventMessages, LoadSceneNameIsCutToFitTheMessage) {
  const std::string sFits(CRurIvaEventLoadScene::MAX_WRITTEN_NAME, 'a');
  CRurIvaEventLoadScene cFits(sFits.c_str());
  EXPECT_EQ(messageOf(cFits).size(), 4096u);
  EXPECT_FALSE(cFits.serialize()->hasError());

  const std::string sLong(6000, 'b');
  CRurIvaEventLoadScene cLong(sLong.c_str());
  EXPECT_EQ(cLong.getScene(), sLong);  // the event itself keeps the whole name
  const std::vector<u8> aMessage = messageOf(cLong);
  ASSERT_EQ(aMessage.size(), 4096u);
  EXPECT_FALSE(cLong.serialize()->hasError());
  EXPECT_EQ(aMessage.back(), 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(aMessage.data()) + 2), std::string(4093, 'b'));
}

TEST(EventMessages, LoadSceneReaderKeepsAtMost1023Characters) {
  // A name read back, and what reading it printed.
  auto readBack = [](const std::string& sName, std::string* pOut) {
    std::string sRead;
    *pOut = captured(
        [&] { sRead = CRurIvaEventLoadScene(CRurIvaEventLoadScene(sName.c_str()).serialize()).getScene(); });
    return sRead;
  };
  std::string sOut;
  const std::string sShort(1022, 'c');
  EXPECT_EQ(readBack(sShort, &sOut), sShort);
  EXPECT_EQ(sOut, "");

  const std::string sEdge(1023, 'd');
  EXPECT_EQ(readBack(sEdge, &sOut), sEdge);
  EXPECT_EQ(sOut, "max bytes exceeded!\n");

  const std::string sLong(3000, 'e');
  EXPECT_EQ(readBack(sLong, &sOut), std::string(1023, 'e'));
  EXPECT_EQ(sOut, "max bytes exceeded!\n");
}

TEST(EventMessages, NodeRemovedCarriesTheId) {
  CRurIvaEventNodeRemoved cEvent(12);
  EXPECT_EQ(cEvent.getRemovedNode(), nullptr);
  EXPECT_EQ(messageOf(cEvent), (std::vector<u8>{0x0E, 0x00, 0x0C, 0x00, 0x00, 0x00}));
  CRurIvaEventNodeRemoved cMinus(-1);
  EXPECT_EQ(messageOf(cMinus), (std::vector<u8>{0x0E, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}));

  CRurIvaEventNodeRemoved cRead(cEvent.serialize());
  EXPECT_EQ(cRead.getRemovedNodeId(), 12);
  EXPECT_EQ(cRead.getRemovedNode(), nullptr);

  CRurIvaEventNodeRemoved cNullNode(static_cast<scene::ISceneNode*>(nullptr));
  EXPECT_EQ(cNullNode.getRemovedNodeId(), -1);
}

TEST(EventMessages, SerializeBuildsTheMessageOnceAndKeepsIt) {
  CRurIvaEventStep cEvent(5u);
  CSerializer* pFirst = cEvent.serialize();
  ASSERT_NE(pFirst, nullptr);
  EXPECT_EQ(cEvent.serialize(), pFirst);
}

// ---------------------------------------------------------------------------------------------
// Damping as 16-bit fixed point

TEST(EventDamping, HalfIsCarriedAs32500AndReadsAsHalf) {
  CRurIvaEventBodyMoved cEvent;
  cEvent.setLinearDamping(0.5f);
  EXPECT_EQ(cEvent.getLinearDampingInt(), 32500);
  EXPECT_EQ(cEvent.getLinearDamping(), 0.5f);
  cEvent.setAngularDamping(0.5f);
  EXPECT_EQ(cEvent.getAngularDampingInt(), 32500);
  EXPECT_EQ(cEvent.getAngularDamping(), 0.5f);
}

TEST(EventDamping, ValuesAreTruncatedTowardZero) {
  EXPECT_EQ(CRurIvaEventBodyMoved::dampingToInt(0.3f), 19500);
  EXPECT_EQ(CRurIvaEventBodyMoved::dampingToInt(1.0f / 65000 * 2.9f), 2);
  EXPECT_EQ(CRurIvaEventBodyMoved::dampingToInt(1.0f), 65000);
  EXPECT_EQ(CRurIvaEventBodyMoved::dampingToInt(0.0f), 0);
}

TEST(EventDamping, OutOfRangeValuesSaturateInsteadOfWrapping) {
  EXPECT_EQ(CRurIvaEventBodyMoved::dampingToInt(1.01f), 65535);
  EXPECT_EQ(CRurIvaEventBodyMoved::dampingToInt(2.0f), 65535);
  EXPECT_EQ(CRurIvaEventBodyMoved::dampingToInt(1e30f), 65535);
  EXPECT_EQ(CRurIvaEventBodyMoved::dampingToInt(INFINITY), 65535);
  EXPECT_EQ(CRurIvaEventBodyMoved::dampingToInt(-0.5f), 0);
  EXPECT_EQ(CRurIvaEventBodyMoved::dampingToInt(-INFINITY), 0);
  EXPECT_EQ(CRurIvaEventBodyMoved::dampingToInt(NAN), 0);
}

TEST(EventDamping, EveryStoredValueReadsBackWithinOneStep) {
  for (f32 f = 0.0f; f <= 1.0f; f += 0.01f) {
    CRurIvaEventBodyMoved cEvent;
    cEvent.setFlags(siRurIvaEventDamping);
    cEvent.setLinearDamping(f);
    auto pData = receive(messageOf(cEvent));
    CRurIvaEventBodyMoved cRead(pData.get(), nullptr);
    // Less than one fixed point step lost, give or take the rounding of the float result.
    EXPECT_NEAR(cRead.getLinearDamping(), f, 1.0 / 65000 + 1e-8) << f;
    EXPECT_LE(cRead.getLinearDamping(), f) << f;
  }
}

TEST(EventDamping, EveryFixedPointValueOfAMessageIsReadAndWrittenUnchanged) {
  // A read event keeps its values as dampings; each must give back its own number, copied too.
  for (u32 i = 0; i <= 65535; ++i) {
    const u16 iValue = static_cast<u16>(i), iOther = static_cast<u16>(65535 - i);
    const std::vector<u8> aMessage =
        CBytes().u16v(7).s32v(1).u8v(siRurIvaEventDamping).u16v(iValue).u16v(iOther).bytes();
    auto pData = receive(aMessage);
    CRurIvaEventBodyMoved cRead(pData.get(), nullptr);
    CRurIvaEventBodyMoved cCopy(&cRead);
    ASSERT_EQ(cRead.getAngularDampingInt(), iValue);
    ASSERT_EQ(cCopy.getLinearDampingInt(), iOther);
    ASSERT_EQ(cCopy.getAngularDamping(), static_cast<f32>(iValue / 65000.0));
    ASSERT_EQ(messageOf(cCopy), aMessage) << i;
  }
}

// ---------------------------------------------------------------------------------------------
// Merging body-moved events

TEST(EventMerge, TakesTheOtherGroupsAndAddsItsFlags) {
  CRurIvaEventBodyMoved cThis;
  cThis.setFlags(siRurIvaEventRotation);
  cThis.setPosition(core::vector3df(1, 1, 1));
  cThis.setRotation(core::vector3df(2, 2, 2));
  CRurIvaEventBodyMoved cOther;
  cOther.setFlags(siRurIvaEventPosition);
  cOther.setPosition(core::vector3df(5, 5, 5));
  cOther.setRotation(core::vector3df(6, 6, 6));

  cThis.merge(&cOther);
  EXPECT_EQ(cThis.getFlags(), 0x03);
  EXPECT_EQ(cThis.getPosition(), core::vector3df(5, 5, 5));
  EXPECT_EQ(cThis.getRotation(), core::vector3df(2, 2, 2));
}

TEST(EventMerge, TouchingGroupComesWholeAndDampingStays) {
  CRurIvaEventBodyMoved cThis;
  cThis.setLinearDamping(0.1f);
  cThis.setAngularDamping(0.2f);
  cThis.setTouchedId(3);
  CRurIvaEventBodyMoved cOther;
  fillAllFlags(cOther);

  cThis.merge(&cOther);
  EXPECT_EQ(cThis.getFlags(), 0x3F);
  EXPECT_EQ(cThis.getTouchedId(), 23);
  EXPECT_EQ(cThis.getCollisionMaterial(), 4);
  EXPECT_EQ(cThis.getCollisionPoint(), cPoint);
  EXPECT_EQ(cThis.getLinearVelocity(), cLinVel);
  EXPECT_EQ(cThis.getAngularVelocity(), cAngVel);
  EXPECT_EQ(cThis.getLinearDampingInt(), CRurIvaEventBodyMoved::dampingToInt(0.1f));
  EXPECT_EQ(cThis.getAngularDampingInt(), CRurIvaEventBodyMoved::dampingToInt(0.2f));
}

TEST(EventMerge, UnflaggedGroupsOfTheOtherAreIgnored) {
  CRurIvaEventBodyMoved cThis;
  cThis.setTouchedId(3);
  cThis.setCollisionMaterial(1);
  CRurIvaEventBodyMoved cOther;
  cOther.setTouchedId(9);
  cOther.setCollisionMaterial(8);
  cOther.setLinearVelocity(cLinVel);
  cThis.merge(&cOther);
  EXPECT_EQ(cThis.getFlags(), 0);
  EXPECT_EQ(cThis.getTouchedId(), 3);
  EXPECT_EQ(cThis.getCollisionMaterial(), 1);
  EXPECT_EQ(cThis.getLinearVelocity(), core::vector3df(0, 0, 0));
}

TEST(EventMerge, NextMessageDescribesTheMergedEvent) {
  CRurIvaEventBodyMoved cThis;
  cThis.setFlags(siRurIvaEventRotation);
  EXPECT_EQ(messageOf(cThis).size(), 19u);
  CRurIvaEventBodyMoved cOther;
  cOther.setFlags(siRurIvaEventPosition);
  cOther.setPosition(cPos);
  cThis.merge(&cOther);
  const std::vector<u8> aMessage = messageOf(cThis);
  ASSERT_EQ(aMessage.size(), 31u);
  EXPECT_EQ(aMessage[6], 0x03);
}

TEST(EventMerge, NullOtherChangesNothing) {
  CRurIvaEventBodyMoved cThis;
  fillAllFlags(cThis);
  const std::vector<u8> aBefore = messageOf(cThis);
  cThis.merge(nullptr);
  EXPECT_EQ(messageOf(cThis), aBefore);
}

// ---------------------------------------------------------------------------------------------
// Text forms

TEST(EventText, EventsWithoutValuesNameTheirClass) {
  EXPECT_STREQ(CRurIvaEventInit().toString(), "CRurIvaEventInit");
  EXPECT_STREQ(CRurIvaEventClose().toString(), "CRurIvaEventClose");
  EXPECT_STREQ(CRurIvaEventBeforeStep().toString(), "CRurIvaEventBeforeStep");
}

TEST(EventText, ValuesFillTheFormats) {
  EXPECT_STREQ(CRurIvaEventStep(5u).toString(), "CRurIvaEventStep: stepno=5");
  EXPECT_STREQ(CRurIvaEventBodyCreated(static_cast<CRurIvaBody*>(nullptr)).toString(),
               "CRurIvaEventBodyCreated: body=0\n");
  auto pData = receive({0x06, 0x00, 0x2A, 0x00, 0x00, 0x00});
  EXPECT_STREQ(CRurIvaEventBodyRemoved(pData.get(), nullptr).toString(), "CRurIvaEventBodyRemoved: 42");
  EXPECT_STREQ(CRurIvaEventActivationChanged(nullptr, false).toString(),
               "CRurIvaEventActivationChanged: body=0, active?NO");
  EXPECT_STREQ(CRurIvaEventActivationChanged(nullptr, true).toString(),
               "CRurIvaEventActivationChanged: body=0, active?YES");
  EXPECT_STREQ(CRurIvaEventProgress(3, 10).toString(), "CRurIvaEventProgress: count=10, current=3\n");
  EXPECT_STREQ(CRurIvaEventNodeCloned(7, 20001).toString(),
               "CRurIvaEventNodeCloned: source id=7, new id=20001");
  EXPECT_STREQ(CRurIvaEventLoadScene("map.irr").toString(), "CRurIvaEventLoadScene: \"map.irr\"");
  EXPECT_STREQ(CRurIvaEventNodeRemoved(12).toString(), "CRurIvaEventNodeRemoved: m_iNodeId=12\n");
}

TEST(EventText, RayHitNamesMissingNodesMinusTwo) {
  CRurIvaEventRayHit cEvent(nullptr, nullptr, nullptr, cPos, 4.5f);
  EXPECT_STREQ(cEvent.toString(),
               "CRurIvaEventRayHit: ray=-2, body=-2, geom=-2, pos=(1.00, 2.00, 3.00), distance=4.50");
}

TEST(EventText, BodyMovedAppendsEveryFlaggedGroupButDamping) {
  CRurIvaEventBodyMoved cEvent;
  fillAllFlags(cEvent);
  EXPECT_STREQ(
      cEvent.toString(),
      "CRurIvaEventBodyMoved: body=17, flags=63, new position=(1.00, 2.00, 3.00), new rotation=(10.00, "
      "20.00, 30.00), new linear velocity=(-1.00, -2.00, -3.00), new angular velocity=(0.50, 0.25, "
      "0.75), touching body: 23, mat: 4, pos: (7.00, 8.00, 9.00)");

  CRurIvaEventBodyMoved cDamping;
  cDamping.setBodyId(2);
  cDamping.setFlags(siRurIvaEventDamping);
  EXPECT_STREQ(cDamping.toString(), "CRurIvaEventBodyMoved: body=2, flags=32");

  CRurIvaEventBodyMoved cPosition;
  cPosition.setBodyId(2);
  cPosition.setFlags(siRurIvaEventPosition);
  cPosition.setPosition(core::vector3df(-0.004f, 1.235f, 100));
  EXPECT_STREQ(cPosition.toString(),
               "CRurIvaEventBodyMoved: body=2, flags=1, new position=(-0.00, 1.24, 100.00)");
}

TEST(EventText, HugeValuesStayInsideTheTextBuffer) {
  CRurIvaEventBodyMoved cEvent;
  fillAllFlags(cEvent);
  const core::vector3df cHuge(-3.0e38f, -3.0e38f, -3.0e38f);
  cEvent.setPosition(cHuge);
  cEvent.setRotation(cHuge);
  cEvent.setLinearVelocity(cHuge);
  cEvent.setAngularVelocity(cHuge);
  cEvent.setCollisionPoint(cHuge);
  const c8* sText = cEvent.toString();
  EXPECT_LT(strlen(sText), 1000u);
  EXPECT_EQ(std::string(sText).rfind("CRurIvaEventBodyMoved: body=17, flags=63, new position=(-3", 0), 0u);

  const std::string sName(5000, 'n');
  CRurIvaEventLoadScene cLoad(sName.c_str());
  EXPECT_EQ(strlen(cLoad.toString()), 999u);
}

TEST(EventText, RepeatedCallsGiveTheSameText) {
  CRurIvaEventBodyMoved cEvent;
  fillAllFlags(cEvent);
  const std::string sFirst = cEvent.toString();
  EXPECT_EQ(std::string(cEvent.toString()), sFirst);
}

// ---------------------------------------------------------------------------------------------
// Copies and clones

TEST(EventCopies, CloneGivesAnIndependentEventOfTheSameContent) {
  CRurIvaEventBodyMoved cEvent;
  fillAllFlags(cEvent);
  const std::vector<u8> aMessage = messageOf(cEvent);
  std::unique_ptr<IRurIvaEvent> pClone(cEvent.clone());
  ASSERT_NE(pClone, nullptr);
  ASSERT_EQ(pClone->getType(), 7);
  EXPECT_NE(pClone->serialize(), cEvent.serialize());
  EXPECT_EQ(messageOf(*pClone), aMessage);
  auto* pMoved = static_cast<CRurIvaEventBodyMoved*>(pClone.get());
  EXPECT_EQ(pMoved->getCollisionMaterial(), 4);
  EXPECT_EQ(pMoved->getCollisionPoint(), cPoint);
  EXPECT_EQ(pMoved->getLinearDampingInt(), 19500);
  EXPECT_EQ(pMoved->getAngularDampingInt(), 32500);
  EXPECT_STREQ(pClone->toString(), cEvent.toString());
}

TEST(EventCopies, EveryClassClonesItsValues) {
  std::vector<std::unique_ptr<IRurIvaEvent>> aEvents;
  aEvents.emplace_back(new CRurIvaEventInit());
  aEvents.emplace_back(new CRurIvaEventClose());
  aEvents.emplace_back(new CRurIvaEventBeforeStep());
  aEvents.emplace_back(new CRurIvaEventStep(77u));
  aEvents.emplace_back(new CRurIvaEventBodyCreated(static_cast<CRurIvaBody*>(nullptr)));
  aEvents.emplace_back(new CRurIvaEventActivationChanged(nullptr, true));
  aEvents.emplace_back(new CRurIvaEventRayHit(nullptr, nullptr, nullptr, cPos, 2.5f));
  aEvents.emplace_back(new CRurIvaEventProgress(4, 9));
  aEvents.emplace_back(new CRurIvaEventNodeCloned(3, 4));
  aEvents.emplace_back(new CRurIvaEventLoadScene("level.irr"));
  aEvents.emplace_back(new CRurIvaEventNodeRemoved(66));
  auto pRemoved = receive({0x06, 0x00, 0x2A, 0x00, 0x00, 0x00});
  aEvents.emplace_back(new CRurIvaEventBodyRemoved(pRemoved.get(), nullptr));
  for (auto& pEvent : aEvents) {
    std::unique_ptr<IRurIvaEvent> pClone(pEvent->clone());
    ASSERT_NE(pClone, nullptr);
    EXPECT_NE(pClone.get(), pEvent.get());
    EXPECT_EQ(pClone->getType(), pEvent->getType());
    EXPECT_STREQ(pClone->toString(), pEvent->toString());
    EXPECT_EQ(messageOf(*pClone), messageOf(*pEvent));
  }
  CRurIvaEventStep cStep(1u);
  cStep.setFrameNo(42);
  std::unique_ptr<IRurIvaEvent> pStepClone(cStep.clone());
  EXPECT_EQ(static_cast<CRurIvaEventStep*>(pStepClone.get())->getFrameNo(), 42u);
}

TEST(EventCopies, CopyFromAnotherTypeGivesAnEmptyEvent) {
  CRurIvaEventNodeCloned cCloned(5, 6);
  CRurIvaEventBodyMoved cMoved;
  fillAllFlags(cMoved);
  CRurIvaEventStep cStep(9u);

  EXPECT_EQ(CRurIvaEventStep(&cCloned).getStepNo(), 0u);
  EXPECT_EQ(CRurIvaEventNodeCloned(&cStep).getSourceId(), 0);
  EXPECT_EQ(CRurIvaEventNodeRemoved(static_cast<IRurIvaEvent*>(&cStep)).getRemovedNodeId(), -1);
  EXPECT_EQ(CRurIvaEventBodyRemoved(static_cast<IRurIvaEvent*>(&cMoved)).getBodyId(), 0);
  EXPECT_EQ(CRurIvaEventProgress(&cStep).getCount(), 0u);
  EXPECT_STREQ(CRurIvaEventLoadScene(static_cast<IRurIvaEvent*>(&cStep)).getScene(), "");
  EXPECT_FALSE(CRurIvaEventActivationChanged(&cStep).isActive());
  EXPECT_EQ(CRurIvaEventRayHit(&cMoved).getDistance(), 0.0f);
  CRurIvaEventBodyMoved cFromStep(&cStep);
  EXPECT_TRUE(isEmpty(cFromStep));
  CRurIvaEventBodyMoved cFromNull(static_cast<IRurIvaEvent*>(nullptr));
  EXPECT_TRUE(isEmpty(cFromNull));
}

TEST(EventCopies, CopyOfSameTypeTakesEveryField) {
  CRurIvaEventBodyMoved cMoved;
  fillAllFlags(cMoved);
  CRurIvaEventBodyMoved cCopy(static_cast<IRurIvaEvent*>(&cMoved));
  EXPECT_EQ(messageOf(cCopy), allFlagsMessage());

  CRurIvaEventNodeCloned cCloned(5, 6);
  CRurIvaEventNodeCloned cClonedCopy(&cCloned);
  EXPECT_EQ(cClonedCopy.getSourceId(), 5);
  EXPECT_EQ(cClonedCopy.getNewId(), 6);
}

// ---------------------------------------------------------------------------------------------
// Malformed messages. One well-formed message of every type, with non-zero items, and a reader
// of every type that says whether it gave an empty event.

namespace {

struct SReader {
  u16 iType;
  //! Reads the message without a scene and tells whether the event came out empty.
  bool (*readsEmpty)(CSerializer* pData);
};

const SReader aReaders[] = {
    {1, [](CSerializer* p) { return CRurIvaEventInit(p).getType() == 1; }},
    {2, [](CSerializer* p) { return CRurIvaEventClose(p).getType() == 2; }},
    {3, [](CSerializer* p) { return CRurIvaEventBeforeStep(p).getType() == 3; }},
    {4,
     [](CSerializer* p) {
       CRurIvaEventStep e(p);
       return e.getStepNo() == 0 && e.getFrameNo() == 0;
     }},
    {5, [](CSerializer* p) { return CRurIvaEventBodyCreated(p, nullptr).getBody() == nullptr; }},
    {6,
     [](CSerializer* p) {
       CRurIvaEventBodyRemoved e(p, nullptr);
       return e.getBody() == nullptr && e.getBodyId() == 0;
     }},
    {7,
     [](CSerializer* p) {
       CRurIvaEventBodyMoved e(p, nullptr);
       return isEmpty(e);
     }},
    {8,
     [](CSerializer* p) {
       CRurIvaEventActivationChanged e(p, nullptr);
       return e.getBody() == nullptr && !e.isActive();
     }},
    {9,
     [](CSerializer* p) {
       CRurIvaEventRayHit e(p, nullptr);
       return !e.getBody() && !e.getGeom() && !e.getRay() && e.getPosition() == core::vector3df(0, 0, 0) &&
              e.getDistance() == 0.0f;
     }},
    {10,
     [](CSerializer* p) {
       CRurIvaEventProgress e(p);
       return e.getCount() == 0 && e.getCurrent() == 0;
     }},
    {11,
     [](CSerializer* p) {
       CRurIvaEventNodeCloned e(p);
       return e.getSourceId() == 0 && e.getNewId() == 0;
     }},
    {12,
     [](CSerializer* p) {
       CRurIvaEventLoadScene e(p);
       return e.getScene()[0] == 0;
     }},
    {14,
     [](CSerializer* p) {
       CRurIvaEventNodeRemoved e(p);
       return e.getRemovedNodeId() == -1 && e.getRemovedNode() == nullptr;
     }},
};

std::vector<u8> sampleMessage(u16 iType) {
  switch (iType) {
    case 4:
      return CBytes().u16v(4).u32v(0x01020304).bytes();
    case 5:
      return CBytes().u16v(5).s32v(0x05060708).bytes();
    case 6:
      return CBytes().u16v(6).s32v(0x0A0B0C0D).bytes();
    case 7:
      return allFlagsMessage();
    case 8:
      return CBytes().u16v(8).s32v(0x01010101).u8v(1).bytes();
    case 9:
      return CBytes().u16v(9).s32v(0x01020304).s32v(0x05060708).s32v(0x090A0B0C).vec(cPos).f32v(4.5f).bytes();
    case 10:
      return CBytes().u16v(10).u32v(0x11111111).u32v(0x02020202).bytes();
    case 11:
      return CBytes().u16v(11).s32v(0x03030303).s32v(0x04040404).bytes();
    case 12:
      return CBytes().u16v(12).str("scene.irr").bytes();
    case 14:
      return CBytes().u16v(14).s32v(0x05050505).bytes();
    default:
      return CBytes().u16v(iType).bytes();
  }
}

//! The size a message of the given type must have, judged from its own flags or string.
size_t layoutSize(u16 iType, const std::vector<u8>& a) {
  switch (iType) {
    case 1:
    case 2:
    case 3:
      return 2;
    case 4:
    case 5:
    case 6:
    case 14:
      return 6;
    case 7: {
      if (a.size() < 7) return 7;
      const u8 iFlags = a[6];
      size_t iSize = 7;
      for (u8 iBit : {1, 2, 4, 8}) iSize += (iFlags & iBit) ? 12 : 0;
      if (iFlags & 16) iSize += 20;
      if (iFlags & 32) iSize += 4;
      return iSize;
    }
    case 8:
      return 7;
    case 9:
      return 30;
    case 10:
    case 11:
      return 10;
    case 12: {
      const void* pZero = a.size() > 2 ? memchr(a.data() + 2, 0, a.size() - 2) : nullptr;
      return pZero ? static_cast<size_t>(static_cast<const u8*>(pZero) - a.data()) + 1 : 3;
    }
  }
  return 0;
}

}  // namespace

TEST(EventReaders, SampleMessagesAreAcceptedWhole) {
  for (const SReader& cReader : aReaders) {
    const std::vector<u8> aMessage = sampleMessage(cReader.iType);
    ASSERT_EQ(aMessage.size(), layoutSize(cReader.iType, aMessage));
    auto pData = receive(aMessage);
    const bool bEmpty = cReader.readsEmpty(pData.get());
    EXPECT_FALSE(pData->hasError()) << "type " << cReader.iType;
    // Without a scene a body pointer stays null, so a body-created event always looks empty.
    if (cReader.iType > 3 && cReader.iType != 5) {
      EXPECT_FALSE(bEmpty) << "type " << cReader.iType;
    }
  }
}

TEST(EventReaders, WrongCodeGivesAnEmptyEvent) {
  for (const SReader& cReader : aReaders) {
    for (const SReader& cOther : aReaders) {
      if (cOther.iType == cReader.iType) continue;
      auto pData = receive(sampleMessage(cOther.iType));
      EXPECT_TRUE(cReader.readsEmpty(pData.get()))
          << "reader " << cReader.iType << ", message " << cOther.iType;
      EXPECT_TRUE(pData->hasError()) << "reader " << cReader.iType << ", message " << cOther.iType;
    }
  }
}

TEST(EventReaders, NodeRemovedFromABodyRemovedMessageHasIdMinusOne) {
  auto pData = receive({0x06, 0x00, 0x05, 0x00, 0x00, 0x00});
  CRurIvaEventNodeRemoved cEvent(pData.get());
  EXPECT_EQ(cEvent.getRemovedNodeId(), -1);
}

TEST(EventReaders, NullMessageGivesAnEmptyEvent) {
  for (const SReader& cReader : aReaders) EXPECT_TRUE(cReader.readsEmpty(nullptr)) << cReader.iType;
}

TEST(EventReaders, TruncatedMessagesOfEveryLengthAreRejected) {
  for (const SReader& cReader : aReaders) {
    const std::vector<u8> aMessage = sampleMessage(cReader.iType);
    for (size_t iLength = 0; iLength < aMessage.size(); ++iLength) {
      auto pData = receive(aMessage, iLength);
      EXPECT_TRUE(cReader.readsEmpty(pData.get())) << "type " << cReader.iType << ", length " << iLength;
      EXPECT_TRUE(pData->hasError()) << "type " << cReader.iType << ", length " << iLength;
    }
    auto pWhole = receive(aMessage, aMessage.size());
    cReader.readsEmpty(pWhole.get());
    EXPECT_FALSE(pWhole->hasError()) << "type " << cReader.iType;
  }
}

TEST(EventReaders, TruncatedBodyMovedMessagesOfEveryFlagSetAreRejected) {
  for (u32 iFlags = 0; iFlags < 64; ++iFlags) {
    CRurIvaEventBodyMoved cEvent;
    fillAllFlags(cEvent);
    cEvent.setFlags(static_cast<u8>(iFlags));
    const std::vector<u8> aMessage = messageOf(cEvent);
    ASSERT_EQ(aMessage.size(), layoutSize(7, aMessage));
    for (size_t iLength = 0; iLength < aMessage.size(); ++iLength) {
      auto pData = receive(aMessage, iLength);
      CRurIvaEventBodyMoved cRead(pData.get(), nullptr);
      EXPECT_TRUE(isEmpty(cRead)) << "flags " << iFlags << ", length " << iLength;
    }
    auto pWhole = receive(aMessage);
    CRurIvaEventBodyMoved cRead(pWhole.get(), nullptr);
    EXPECT_EQ(cRead.getFlags(), iFlags);
    EXPECT_EQ(messageOf(cRead), aMessage);
  }
}

TEST(EventReaders, MessagesWithBytesLeftOverAreRejected) {
  for (const SReader& cReader : aReaders) {
    std::vector<u8> aMessage = sampleMessage(cReader.iType);
    aMessage.push_back(0xEE);
    auto pData = receive(aMessage);
    EXPECT_TRUE(cReader.readsEmpty(pData.get())) << "type " << cReader.iType;
    EXPECT_TRUE(pData->hasError()) << "type " << cReader.iType;
  }
}

TEST(EventReaders, BodyMovedWithFewerFlagsThanGroupsIsRejected) {
  std::vector<u8> aMessage = allFlagsMessage();
  aMessage[6] = siRurIvaEventPosition;
  auto pData = receive(aMessage);
  CRurIvaEventBodyMoved cRead(pData.get(), nullptr);
  EXPECT_TRUE(isEmpty(cRead));
}

TEST(EventReaders, LoadSceneWithoutItsZeroIsRejected) {
  const std::vector<u8> aMessage{0x0C, 0x00, 'm', 'a', 'p'};
  auto pData = receive(aMessage);
  CRurIvaEventLoadScene cRead(pData.get());
  EXPECT_STREQ(cRead.getScene(), "");
  EXPECT_TRUE(pData->hasError());
}

TEST(EventReaders, LoadSceneWithTextAfterItsZeroIsRejected) {
  const std::vector<u8> aMessage{0x0C, 0x00, 'a', 0x00, 'b', 0x00};
  auto pData = receive(aMessage);
  CRurIvaEventLoadScene cRead(pData.get());
  EXPECT_STREQ(cRead.getScene(), "");
}

TEST(EventReaders, ActivationWithAnInvalidBoolIsRejected) {
  auto pData = receive({0x08, 0x00, 0x01, 0x00, 0x00, 0x00, 0x07});
  CRurIvaEventActivationChanged cRead(pData.get(), nullptr);
  EXPECT_FALSE(cRead.isActive());
  EXPECT_TRUE(pData->hasError());
}

TEST(EventReaders, OversizedMessageIsRejected) {
  std::vector<u8> aMessage(5000, 'x');
  aMessage[0] = 12;
  aMessage[1] = 0;
  aMessage.back() = 0;
  auto pData = receive(aMessage);
  CRurIvaEventLoadScene cRead(pData.get());
  EXPECT_STREQ(cRead.getScene(), "");
  EXPECT_TRUE(pData->hasError());
}

TEST(EventReaders, OneMessageCanBeTriedBySeveralReaders) {
  auto pData = receive(sampleMessage(11));
  CRurIvaEventStep cWrong(pData.get());
  EXPECT_TRUE(pData->hasError());
  CRurIvaEventNodeCloned cRight(pData.get());
  EXPECT_FALSE(pData->hasError());
  EXPECT_EQ(cRight.getSourceId(), 0x03030303);
}

TEST(EventReaders, ArbitraryBytesAreAcceptedOnlyInTheirExactLayout) {
  // A fixed pseudo-random sequence, so that a failure can be reproduced.
  u32 iState = 12345;
  auto next = [&iState]() {
    iState = iState * 1664525u + 1013904223u;
    return static_cast<u8>(iState >> 24);
  };
  for (int iRound = 0; iRound < 3000; ++iRound) {
    const SReader& cReader = aReaders[iRound % (sizeof(aReaders) / sizeof(aReaders[0]))];
    const size_t iLength = next() % 90;
    std::vector<u8> aMessage(iLength);
    for (u8& i : aMessage) i = next();
    if (iLength >= 2) {
      aMessage[0] = static_cast<u8>(cReader.iType);
      aMessage[1] = 0;
    }
    // Make the flagged layouts hit their exact size now and then.
    if (cReader.iType == 7 && iLength >= 7) aMessage.resize(std::max<size_t>(7, layoutSize(7, aMessage)));
    auto pData = receive(aMessage);
    cReader.readsEmpty(pData.get());
    if (!pData->hasError()) {
      EXPECT_EQ(aMessage.size(), layoutSize(cReader.iType, aMessage)) << "type " << cReader.iType;
    }
  }
}
