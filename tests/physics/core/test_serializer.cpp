// The message buffer of the events: byte order, sizes, item counts, and the checks that keep
// a reader inside the message it was given.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "CSerializer.h"
#include "TestMessages.h"

using namespace irr;
using namespace irr::ode;
using varrik::test::bytesOf;

TEST(SerializerWriting, IntegersAndBoolsAreLittleEndianWithoutGaps) {
  CSerializer cData;
  EXPECT_TRUE(cData.addU16(0x0102));
  EXPECT_TRUE(cData.addU32(0x03040506u));
  EXPECT_TRUE(cData.addS32(-2));
  EXPECT_TRUE(cData.addU8(0xAB));
  EXPECT_TRUE(cData.addBool(true));
  EXPECT_TRUE(cData.addBool(false));
  EXPECT_EQ(bytesOf(cData),
            (std::vector<u8>{0x02, 0x01, 0x06, 0x05, 0x04, 0x03, 0xFE, 0xFF, 0xFF, 0xFF, 0xAB, 0x01, 0x00}));
  EXPECT_EQ(cData.getSize(), 13);
  EXPECT_EQ(cData.getCursor(), 13u);
  EXPECT_EQ(cData.getItemCount(), 6);
  EXPECT_FALSE(cData.hasError());
}

TEST(SerializerWriting, FloatsAreTheirIeeeBitsLittleEndian) {
  CSerializer cData;
  cData.addF32(1.0f);   // 0x3F800000
  cData.addF32(-2.5f);  // 0xC0200000
  EXPECT_EQ(bytesOf(cData), (std::vector<u8>{0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x20, 0xC0}));
}

TEST(SerializerWriting, VectorIsThreeFloatsCountedAsThreeItems) {
  CSerializer cData;
  cData.addVector3df(core::vector3df(1.0f, -2.5f, 0.0f));
  EXPECT_EQ(bytesOf(cData),
            (std::vector<u8>{0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x20, 0xC0, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_EQ(cData.getItemCount(), 3);
}

TEST(SerializerWriting, StringIsItsCharactersAndOneZero) {
  CSerializer cData;
  cData.addString("ab");
  cData.addString(0);
  cData.addString("");
  EXPECT_EQ(bytesOf(cData), (std::vector<u8>{'a', 'b', 0, 0, 0}));
  EXPECT_EQ(cData.getItemCount(), 3);
}

TEST(SerializerWriting, CodeIsTheFirstTwoBytes) {
  CSerializer cData;
  EXPECT_EQ(cData.getMessageCode(), 0);
  cData.addU16(7);
  cData.addS32(99);
  EXPECT_EQ(cData.getMessageCode(), 7);
}

TEST(SerializerWriting, ItemThatDoesNotFitIsRefusedAndLaterItemsToo) {
  CSerializer cData;
  for (u32 i = 0; i < CSerializer::MAX_MESSAGE_SIZE / 2 - 1; ++i) ASSERT_TRUE(cData.addU16(0x1111));
  ASSERT_EQ(cData.getSize(), 4094);
  EXPECT_FALSE(cData.addU32(0x22222222u));
  EXPECT_TRUE(cData.hasError());
  EXPECT_EQ(cData.getSize(), 4094);
  // The failed item leaves a gap; a smaller item must not be appended after it.
  EXPECT_FALSE(cData.addU16(0x3333));
  EXPECT_EQ(cData.getSize(), 4094);
  EXPECT_EQ(cData.getItemCount(), 2047);
}

TEST(SerializerWriting, StringFillsTheMessageToTheLastByte) {
  const std::string sName(CSerializer::MAX_MESSAGE_SIZE - 3, 'x');
  CSerializer cData;
  cData.addU16(12);
  EXPECT_TRUE(cData.addString(sName.c_str()));
  EXPECT_EQ(cData.getSize(), 4096);
  EXPECT_EQ(cData.getBuffer()[4095], 0);

  CSerializer cTooLong;
  cTooLong.addU16(12);
  EXPECT_FALSE(cTooLong.addString((sName + "y").c_str()));
  EXPECT_EQ(cTooLong.getSize(), 2);
}

TEST(SerializerReading, ReadsBackEveryKindOfItem) {
  CSerializer cData;
  cData.addU16(4);
  cData.addU8(200);
  cData.addBool(true);
  cData.addU16(65000);
  cData.addS32(-123456);
  cData.addU32(4000000000u);
  cData.addF32(-0.125f);
  cData.addVector3df(core::vector3df(1.5f, -2.0f, 1e30f));
  cData.addString("scene.irr");
  const s32 iWritten = cData.getItemCount();
  EXPECT_EQ(iWritten, 11);  // the vector counts three times

  ASSERT_TRUE(cData.startReading(4));
  EXPECT_EQ(cData.getU8(), 200);
  EXPECT_TRUE(cData.getBool());
  EXPECT_EQ(cData.getU16(), 65000);
  EXPECT_EQ(cData.getS32(), -123456);
  EXPECT_EQ(cData.getU32(), 4000000000u);
  EXPECT_EQ(cData.getF32(), -0.125f);
  EXPECT_EQ(cData.getVector3df(), core::vector3df(1.5f, -2.0f, 1e30f));
  u32 iLength = 0;
  EXPECT_STREQ(cData.getString(&iLength), "scene.irr");
  EXPECT_EQ(iLength, 9u);
  EXPECT_TRUE(cData.finishReading());
  // Every item read, the code included, is taken off the count again.
  EXPECT_EQ(cData.getItemCount(), 0);
}

TEST(SerializerReading, ReceivedMessageKeepsItsSizeAndBytes) {
  const u8 aMessage[] = {0x04, 0x00, 0x05, 0x00, 0x00, 0x00};
  CSerializer cData(aMessage, sizeof(aMessage));
  EXPECT_FALSE(cData.hasError());
  EXPECT_EQ(cData.getSize(), 6);
  EXPECT_EQ(cData.getMessageCode(), 4);
  EXPECT_EQ(bytesOf(cData), std::vector<u8>(aMessage, aMessage + sizeof(aMessage)));
  ASSERT_TRUE(cData.startReading(4));
  EXPECT_EQ(cData.getU32(), 5u);
  EXPECT_TRUE(cData.finishReading());
  EXPECT_EQ(cData.getItemCount(), -2);
}

TEST(SerializerReading, MessageLargerThanTheBufferIsRejected) {
  std::vector<u8> aMessage(CSerializer::MAX_MESSAGE_SIZE + 1, 0);
  aMessage[0] = 4;
  CSerializer cData(aMessage.data(), static_cast<u32>(aMessage.size()));
  EXPECT_TRUE(cData.hasError());
  EXPECT_EQ(cData.getSize(), 0);
  EXPECT_FALSE(cData.startReading(4));
}

TEST(SerializerReading, MessageOfExactlyTheBufferSizeIsAccepted) {
  std::vector<u8> aMessage(CSerializer::MAX_MESSAGE_SIZE, 'a');
  aMessage[0] = 12;
  aMessage[1] = 0;
  aMessage.back() = 0;
  CSerializer cData(aMessage.data(), static_cast<u32>(aMessage.size()));
  EXPECT_FALSE(cData.hasError());
  ASSERT_TRUE(cData.startReading(12));
  u32 iLength = 0;
  ASSERT_NE(cData.getString(&iLength), nullptr);
  EXPECT_EQ(iLength, 4093u);
  EXPECT_TRUE(cData.finishReading());
}

TEST(SerializerReading, NullDataIsAnEmptyMessage) {
  CSerializer cEmpty(nullptr, 0);
  EXPECT_FALSE(cEmpty.hasError());
  EXPECT_EQ(cEmpty.getSize(), 0);
  EXPECT_FALSE(cEmpty.startReading(1));

  CSerializer cBad(nullptr, 6);
  EXPECT_TRUE(cBad.hasError());
  EXPECT_EQ(cBad.getSize(), 0);
}

TEST(SerializerReading, ItemPastTheSizeIsNotReadEvenWhenTheBytesExist) {
  // The caller's buffer holds a whole step message, but only four bytes are declared.
  const u8 aMessage[] = {0x04, 0x00, 0x05, 0x06, 0x07, 0x08};
  CSerializer cData(aMessage, 4);
  ASSERT_TRUE(cData.startReading(4));
  EXPECT_EQ(cData.getU32(), 0u);
  EXPECT_TRUE(cData.hasError());
  EXPECT_EQ(cData.getCursor(), 2u);
  // The error stays: a smaller item that would still fit is refused too.
  EXPECT_EQ(cData.getU16(), 0);
  EXPECT_EQ(cData.getCursor(), 2u);
  EXPECT_FALSE(cData.finishReading());
}

TEST(SerializerReading, EveryKindOfItemChecksTheSize) {
  const u8 aMessage[] = {0x01, 0x00};
  {
    CSerializer cData(aMessage, 2);
    ASSERT_TRUE(cData.startReading(1));
    EXPECT_EQ(cData.getU8(), 0);
    EXPECT_TRUE(cData.hasError());
  }
  {
    CSerializer cData(aMessage, 2);
    ASSERT_TRUE(cData.startReading(1));
    EXPECT_FALSE(cData.getBool());
    EXPECT_TRUE(cData.hasError());
  }
  {
    CSerializer cData(aMessage, 2);
    ASSERT_TRUE(cData.startReading(1));
    EXPECT_EQ(cData.getU16(), 0);
    EXPECT_TRUE(cData.hasError());
  }
  {
    CSerializer cData(aMessage, 2);
    ASSERT_TRUE(cData.startReading(1));
    EXPECT_EQ(cData.getS32(), 0);
    EXPECT_TRUE(cData.hasError());
  }
  {
    CSerializer cData(aMessage, 2);
    ASSERT_TRUE(cData.startReading(1));
    EXPECT_EQ(cData.getF32(), 0.0f);
    EXPECT_TRUE(cData.hasError());
  }
  {
    CSerializer cData(aMessage, 2);
    ASSERT_TRUE(cData.startReading(1));
    EXPECT_EQ(cData.getString(), nullptr);
    EXPECT_TRUE(cData.hasError());
  }
}

TEST(SerializerReading, VectorCutShortIsNotPartlyRead) {
  CSerializer cWriter;
  cWriter.addU16(7);
  cWriter.addVector3df(core::vector3df(1, 2, 3));
  CSerializer cData(cWriter.getBuffer(), 13);  // two floats and a byte
  ASSERT_TRUE(cData.startReading(7));
  EXPECT_EQ(cData.getVector3df(), core::vector3df(0, 0, 0));
  EXPECT_TRUE(cData.hasError());
  EXPECT_EQ(cData.getCursor(), 2u);
}

TEST(SerializerReading, StringMustEndInsideTheMessage) {
  const u8 aMessage[] = {0x0C, 0x00, 'm', 'a', 'p', 0x00};
  CSerializer cData(aMessage, 5);  // the zero lies just outside
  ASSERT_TRUE(cData.startReading(12));
  u32 iLength = 77;
  EXPECT_EQ(cData.getString(&iLength), nullptr);
  EXPECT_EQ(iLength, 0u);
  EXPECT_TRUE(cData.hasError());
  EXPECT_EQ(cData.getCursor(), 2u);
}

TEST(SerializerReading, BoolOtherThanZeroOrOneIsMalformed) {
  const u8 aMessage[] = {0x08, 0x00, 0x02};
  CSerializer cData(aMessage, sizeof(aMessage));
  ASSERT_TRUE(cData.startReading(8));
  EXPECT_FALSE(cData.getBool());
  EXPECT_TRUE(cData.hasError());
}

TEST(SerializerReading, WrongCodeFailsTheStart) {
  const u8 aMessage[] = {0x04, 0x00, 0x05, 0x00, 0x00, 0x00};
  CSerializer cData(aMessage, sizeof(aMessage));
  EXPECT_FALSE(cData.startReading(14));
  EXPECT_TRUE(cData.hasError());
  EXPECT_EQ(cData.getS32(), 0);
}

TEST(SerializerReading, CodeIsTwoBytesNotOne) {
  const u8 aMessage[] = {0x04, 0x01};  // 0x0104, not 4
  CSerializer cData(aMessage, sizeof(aMessage));
  EXPECT_EQ(cData.getMessageCode(), 0x0104);
  EXPECT_FALSE(cData.startReading(4));
}

TEST(SerializerReading, MessageShorterThanItsCodeHasNoCode) {
  const u8 aMessage[] = {0x04};
  CSerializer cData(aMessage, sizeof(aMessage));
  EXPECT_EQ(cData.getMessageCode(), 0);
  EXPECT_FALSE(cData.startReading(4));
  EXPECT_TRUE(cData.hasError());
}

TEST(SerializerReading, BytesLeftOverFailTheFinish) {
  const u8 aMessage[] = {0x04, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00};
  CSerializer cData(aMessage, sizeof(aMessage));
  ASSERT_TRUE(cData.startReading(4));
  EXPECT_EQ(cData.getU32(), 5u);
  EXPECT_FALSE(cData.finishReading());
}

TEST(SerializerReading, StartingAgainClearsAnEarlierFailure) {
  const u8 aMessage[] = {0x04, 0x00, 0x05, 0x00, 0x00, 0x00};
  CSerializer cData(aMessage, sizeof(aMessage));
  EXPECT_FALSE(cData.startReading(6));
  ASSERT_TRUE(cData.startReading(4));
  EXPECT_EQ(cData.getU32(), 5u);
  EXPECT_TRUE(cData.finishReading());
}

TEST(SerializerReading, SpecialFloatsSurviveTheTrip) {
  CSerializer cData;
  cData.addU16(1);
  cData.addF32(INFINITY);
  cData.addF32(-0.0f);
  cData.addF32(NAN);
  ASSERT_TRUE(cData.startReading(1));
  EXPECT_EQ(cData.getF32(), INFINITY);
  const f32 fNegZero = cData.getF32();
  EXPECT_EQ(fNegZero, 0.0f);
  EXPECT_TRUE(std::signbit(fNegZero));
  EXPECT_TRUE(std::isnan(cData.getF32()));
  EXPECT_TRUE(cData.finishReading());
}
