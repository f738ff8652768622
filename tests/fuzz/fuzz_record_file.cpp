// The bytes as a recording that `varrik-sim --replay` reads, read the way the runner reads it.
//
// What is promised: reading never crashes, never reads outside the bytes and never holds memory out
// of proportion to them; a refused recording says why; an accepted one is exactly the layout the
// runner writes (written out again from what was read, it gives the same bytes, so nothing was
// skipped or invented), and every body-moved message in it reads back as the runner's replay reads
// it.
#include <irrlicht.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "CRecording.h"
#include "CRurIvaEventBodyMoved.h"
#include "CSerializer.h"
#include "FuzzSupport.h"
#include "IRurIvaEvent.h"

using namespace irr;
using varrik::sim::CRecording;

namespace {

void putU16(std::vector<u8>& a, u16 v) {
  a.push_back(static_cast<u8>(v));
  a.push_back(static_cast<u8>(v >> 8));
}

void putU32(std::vector<u8>& a, u32 v) {
  for (int i = 0; i < 4; ++i) a.push_back(static_cast<u8>(v >> (8 * i)));
}

//! The recording written out again from what was read of it.
std::vector<u8> rewrite(const CRecording& c) {
  std::vector<u8> a = varrik::sim::recordingHeader(c.getInfo());
  for (size_t i = 0; i < c.getFrameCount(); ++i) {
    a.push_back('F');
    putU32(a, static_cast<u32>(i));
    putU32(a, static_cast<u32>(c.getFrame(i).size()));
    for (const CRecording::SMessage& m : c.getFrame(i)) {
      putU16(a, m.iSize);
      a.insert(a.end(), c.getBytes(m), c.getBytes(m) + m.iSize);
    }
  }
  a.push_back('E');
  putU32(a, static_cast<u32>(c.getFrameCount()));
  return a;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, size_t iSize) {
  CRecording c;
  if (!c.parse(std::vector<u8>(pData, pData + iSize))) {
    FUZZ_CHECK(!c.getError().empty(), "a recording was refused without a reason");
    return 0;
  }
  FUZZ_CHECK(c.getError().empty(), "an accepted recording has an error: %s", c.getError().c_str());
  FUZZ_CHECK(c.getFrameCount() >= 1 && c.getFrameCount() <= iSize, "%zu frames in %zu bytes",
             c.getFrameCount(), iSize);
  const std::vector<u8> aAgain = rewrite(c);
  FUZZ_CHECK(aAgain.size() == iSize && std::memcmp(aAgain.data(), pData, iSize) == 0,
             "the accepted recording written again gives %zu other bytes instead of its %zu", aAgain.size(),
             iSize);

  scene::ISceneManager* smgr = varrik::fuzz::nullEngine()->getSceneManager();
  for (size_t i = 0; i < c.getFrameCount(); ++i) {
    for (const CRecording::SMessage& m : c.getFrame(i)) {
      if (m.iCode != ode::eRurIvaEventBodyMoved) continue;
      ode::CSerializer cMessage(c.getBytes(m), m.iSize);
      ode::CRurIvaEventBodyMoved cEvent(&cMessage, smgr);
      FUZZ_CHECK(cEvent.getBody() == nullptr, "a body was found in an empty scene");
    }
  }
  return 0;
}
