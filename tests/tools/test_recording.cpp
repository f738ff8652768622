// Recordings of runs: what the recorder writes reads back as the same messages frame by frame,
// and a recording that is cut anywhere, of another version, or damaged is refused with a reason,
// never read past its end.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "CEventRecorder.h"
#include "CPhysicsScene.h"
#include "CRecording.h"
#include "CRurIvaEventQueue.h"
#include "CSerializer.h"
#include "IRurIvaEvent.h"

namespace {

using irr::u8;
using varrik::sim::CEventRecorder;
using varrik::sim::CRecording;
using varrik::sim::SRecordingInfo;
using varrik::test::CPhysicsScene;
using varrik::test::vector3df;

//! Collects the byte message of every event, as the recorder should write it.
class CMessageLog : public irr::ode::IRurIvaEventListener {
 public:
  bool handlesEvent(irr::ode::IRurIvaEvent* p) override { return p != nullptr; }
  bool onEvent(irr::ode::IRurIvaEvent* p) override {
    irr::ode::CSerializer* s = p->serialize();
    if (s) m_aFrames.back().emplace_back(s->getBuffer(), s->getBuffer() + s->getSize());
    return true;
  }
  std::vector<std::vector<std::vector<u8>>> m_aFrames{1};
};

std::vector<u8> fileBytes(const std::string& sFile) {
  std::vector<u8> a;
  FILE* f = std::fopen(sFile.c_str(), "rb");
  if (!f) return a;
  int c;
  while ((c = std::fgetc(f)) != EOF) a.push_back(static_cast<u8>(c));
  std::fclose(f);
  return a;
}

class RecordingTest : public testing::Test {
 protected:
  void SetUp() override { m_sFile = "/tmp/varrik-recording-" + std::to_string(getpid()) + ".rec"; }
  void TearDown() override { std::remove(m_sFile.c_str()); }

  /**
   * Records a ball falling onto the ground for iFrames frames of 20 ms (50 frames per second) and
   * returns the messages the queue delivered, frame by frame.
   */
  std::vector<std::vector<std::vector<u8>>> recordFall(int iFrames) {
    CPhysicsScene cScene;
    CMessageLog cLog;
    CEventRecorder cRecorder;
    SRecordingInfo cInfo;
    cInfo.iFps = 50;
    cInfo.iEvery = 5;
    cInfo.fSeconds = iFrames / 50.0;
    EXPECT_TRUE(cRecorder.open(m_sFile.c_str(), cInfo));
    cScene.m_pManager->getQueue()->addEventListener(&cRecorder);
    cScene.m_pManager->getQueue()->addEventListener(&cLog);
    cScene.addGround(cScene.world());
    cScene.addSphereBody(cScene.world(), vector3df(0, 1, 0), 0.5f);
    cScene.init();
    cScene.frameAt(0);
    for (int i = 1; i <= iFrames; ++i) {
      cRecorder.beginFrame(static_cast<irr::u32>(i));
      cLog.m_aFrames.emplace_back();
      cScene.frameAt(static_cast<irr::u32>(20 * i));
    }
    cScene.m_pManager->getQueue()->removeEventListener(&cRecorder);
    cScene.m_pManager->getQueue()->removeEventListener(&cLog);
    EXPECT_TRUE(cRecorder.close());
    return cLog.m_aFrames;
  }

  std::string m_sFile;
};

TEST_F(RecordingTest, WhatIsRecordedReadsBackAsTheSameMessagesFrameByFrame) {
  const auto aDelivered = recordFall(30);
  CRecording cRecording;
  ASSERT_TRUE(cRecording.read(m_sFile.c_str())) << cRecording.getError();
  EXPECT_EQ(cRecording.getInfo().iFps, 50u);
  EXPECT_EQ(cRecording.getInfo().iEvery, 5u);
  EXPECT_DOUBLE_EQ(cRecording.getInfo().fSeconds, 0.6);
  ASSERT_EQ(cRecording.getFrameCount(), 31u);
  int iMoves = 0;
  for (size_t i = 0; i < aDelivered.size(); ++i) {
    const auto& aFrame = cRecording.getFrame(i);
    ASSERT_EQ(aFrame.size(), aDelivered[i].size()) << "frame " << i;
    for (size_t k = 0; k < aFrame.size(); ++k) {
      const std::vector<u8> aRead(cRecording.getBytes(aFrame[k]),
                                  cRecording.getBytes(aFrame[k]) + aFrame[k].iSize);
      EXPECT_EQ(aRead, aDelivered[i][k]) << "frame " << i << ", message " << k;
      iMoves += aFrame[k].iCode == irr::ode::eRurIvaEventBodyMoved;
    }
  }
  // The ball moved in every step; frame 0 (the scene being built) has no steps.
  EXPECT_GE(iMoves, 30);
  for (const auto& m : cRecording.getFrame(0)) EXPECT_NE(m.iCode, irr::ode::eRurIvaEventBodyMoved);
}

TEST_F(RecordingTest, ARecordingCutAnywhereIsRefusedAsCutOff) {
  recordFall(3);
  const std::vector<u8> aBytes = fileBytes(m_sFile);
  ASSERT_GT(aBytes.size(), 100u);
  CRecording cWhole;
  ASSERT_TRUE(cWhole.parse(aBytes)) << cWhole.getError();
  for (size_t n = 0; n < aBytes.size(); ++n) {
    CRecording cRecording;
    EXPECT_FALSE(cRecording.parse(std::vector<u8>(aBytes.begin(), aBytes.begin() + n))) << n << " bytes";
    const std::string& s = cRecording.getError();
    if (n < 8)
      EXPECT_EQ(s, "is not a varrik-sim recording") << n << " bytes";
    else
      EXPECT_NE(s.find("is cut off"), std::string::npos) << n << " bytes: " << s;
    EXPECT_EQ(cRecording.getFrameCount(), 0u) << "a refused recording hands out no frame";
  }
}

struct SDamage {
  const char* sName;
  //! Changes a good recording's bytes.
  void (*fDamage)(std::vector<u8>&);
  const char* sReason;
};

void PrintTo(const SDamage& c, std::ostream* pOut) { *pOut << c.sName; }

class RecordingDamage : public RecordingTest, public testing::WithParamInterface<SDamage> {};

TEST_P(RecordingDamage, IsRefusedWithItsReason) {
  recordFall(3);
  std::vector<u8> aBytes = fileBytes(m_sFile);
  GetParam().fDamage(aBytes);
  CRecording cRecording;
  EXPECT_FALSE(cRecording.parse(aBytes));
  EXPECT_NE(cRecording.getError().find(GetParam().sReason), std::string::npos) << cRecording.getError();
}

// Offsets: the header is 27 bytes (8 letters, version at 8, source at 10, frames per second at 11,
// print interval at 15, seconds at 19); frame 0 begins at 27 with its marker, number and count.
INSTANTIATE_TEST_SUITE_P(
    Damages, RecordingDamage,
    testing::Values(
        SDamage{"OtherVersion", [](std::vector<u8>& a) { a[8] = 7; }, "format version 7"},
        SDamage{"OtherLetters", [](std::vector<u8>& a) { a[0] = 'X'; }, "is not a varrik-sim recording"},
        SDamage{"UnknownSource", [](std::vector<u8>& a) { a[10] = 9; }, "damaged header"},
        SDamage{"NoFramesPerSecond", [](std::vector<u8>& a) { a[11] = a[12] = a[13] = a[14] = 0; },
                "damaged header"},
        SDamage{"NotANumberOfSeconds", [](std::vector<u8>& a) { a[25] = a[26] = 0xFF; }, "damaged header"},
        SDamage{"NoFrameMarker", [](std::vector<u8>& a) { a[27] = 'X'; }, "frame 0 was expected"},
        SDamage{"FrameOutOfOrder", [](std::vector<u8>& a) { a[28] = 5; }, "frame 5 where frame 0 belongs"},
        SDamage{"MessageTooLong", [](std::vector<u8>& a) { a[36] = 0xFF, a[37] = 0xFF; },
                "a message of 65535"},
        SDamage{"NotAnEvent", [](std::vector<u8>& a) { a[38] = 13; }, "not an event message"},
        SDamage{"BytesAfterTheEnd", [](std::vector<u8>& a) { a.push_back(0); }, "1 bytes follow its end"},
        SDamage{"EndCountsOtherFrames", [](std::vector<u8>& a) { a[a.size() - 4] = 9; },
                "counts other frames"}),
    [](const testing::TestParamInfo<SDamage>& i) { return std::string(i.param.sName); });

TEST_F(RecordingTest, RandomBytesBehindAGoodHeaderAreRefused) {
  recordFall(3);
  const std::vector<u8> aGood = fileBytes(m_sFile);
  std::mt19937 cRandom(1234);
  for (int iTry = 0; iTry < 200; ++iTry) {
    std::vector<u8> aBytes(aGood.begin(), aGood.begin() + 27);
    const size_t n = cRandom() % 3000;
    for (size_t i = 0; i < n; ++i) aBytes.push_back(static_cast<u8>(cRandom()));
    CRecording cRecording;
    EXPECT_FALSE(cRecording.parse(aBytes)) << "try " << iTry;
    EXPECT_FALSE(cRecording.getError().empty());
  }
}

TEST_F(RecordingTest, AFileThatCannotBeOpenedIsNamedInTheReason) {
  CRecording cRecording;
  EXPECT_FALSE(cRecording.read("/nonexistent/varrik.rec"));
  EXPECT_EQ(cRecording.getError(), "the recording \"/nonexistent/varrik.rec\" cannot be opened");
  CEventRecorder cRecorder;
  EXPECT_FALSE(cRecorder.open("/nonexistent/varrik.rec", SRecordingInfo()));
}

}  // namespace
