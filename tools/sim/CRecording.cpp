#include "CRecording.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "IRurIvaEvent.h"

namespace varrik::sim {

using irr::u16;
using irr::u32;
using irr::u8;

namespace {

const char kMagic[8] = {'V', 'A', 'R', 'R', 'I', 'K', 'R', 'C'};
const size_t kHeaderSize = 8 + 2 + 1 + 4 + 4 + 8;
const u8 kFrameMarker = 'F';
const u8 kEndMarker = 'E';
//! The shortest message: its code.
const u32 kMinMessage = 2;
const u32 kMaxMessage = 4096;

void putU16(std::vector<u8>& a, u16 v) {
  a.push_back(static_cast<u8>(v));
  a.push_back(static_cast<u8>(v >> 8));
}

void putU32(std::vector<u8>& a, u32 v) {
  for (int i = 0; i < 4; ++i) a.push_back(static_cast<u8>(v >> (8 * i)));
}

//! Reads little-endian numbers from a byte range, noting when it runs past its end.
class CReader {
 public:
  CReader(const std::vector<u8>& a) : m_a(a), m_i(0) {}
  bool has(size_t n) const { return m_a.size() - m_i >= n; }
  size_t pos() const { return m_i; }
  size_t left() const { return m_a.size() - m_i; }
  u8 u8At() { return m_a[m_i++]; }
  u16 u16At() {
    const u16 v = static_cast<u16>(m_a[m_i] | (m_a[m_i + 1] << 8));
    m_i += 2;
    return v;
  }
  u32 u32At() {
    u32 v = 0;
    for (int k = 0; k < 4; ++k) v |= static_cast<u32>(m_a[m_i + k]) << (8 * k);
    m_i += 4;
    return v;
  }
  double f64At() {
    unsigned long long v = 0;
    for (int k = 0; k < 8; ++k) v |= static_cast<unsigned long long>(m_a[m_i + k]) << (8 * k);
    m_i += 8;
    double f;
    std::memcpy(&f, &v, sizeof f);
    return f;
  }
  void skip(size_t n) { m_i += n; }

 private:
  const std::vector<u8>& m_a;
  size_t m_i;
};

/**
 * Whether a message of this code may have this many bytes: the event types' layouts. A
 * body-moved message is as long as its flags say; a load-scene message ends its name with a zero.
 */
bool plausibleMessage(const u8* p, u32 iSize) {
  const u16 iCode = static_cast<u16>(p[0] | (p[1] << 8));
  switch (iCode) {
    case irr::ode::eRurIvaEventInit:
    case irr::ode::eRurIvaEventClose:
    case irr::ode::eRurIvaEventBeforeStep:
      return iSize == 2;
    case irr::ode::eRurIvaEventStep:
    case irr::ode::eRurIvaEventBodyCreated:
    case irr::ode::eRurIvaEventBodyRemoved:
    case irr::ode::eRurIvaEventNodeRemoved:
      return iSize == 6;
    case irr::ode::eRurIvaEventActivationChanged:
      return iSize == 7 && p[6] <= 1;
    case irr::ode::eRurIvaEventRayHit:
      return iSize == 30;
    case irr::ode::eRurIvaEventProgress:
    case irr::ode::eRurIvaEventNodeCloned:
      return iSize == 10;
    case irr::ode::eRurIvaEventLoadScene:
      return iSize >= 3 && p[iSize - 1] == 0 && std::memchr(p + 2, 0, iSize - 2) == p + iSize - 1;
    case irr::ode::eRurIvaEventBodyMoved: {
      if (iSize < 7) return false;
      const u8 iFlags = p[6];
      if (iFlags & 0xC0) return false;
      u32 iExpected = 7;
      for (int b = 0; b < 4; ++b)
        if (iFlags & (1 << b)) iExpected += 12;
      if (iFlags & 0x10) iExpected += 4 + 4 + 12;
      if (iFlags & 0x20) iExpected += 2 + 2;
      return iSize == iExpected;
    }
    default:
      return false;
  }
}

}  // namespace

std::vector<u8> recordingHeader(const SRecordingInfo& c) {
  std::vector<u8> a(kMagic, kMagic + sizeof kMagic);
  putU16(a, kRecordingVersion);
  a.push_back(c.iSource);
  putU32(a, c.iFps);
  putU32(a, c.iEvery);
  unsigned long long v;
  std::memcpy(&v, &c.fSeconds, sizeof v);
  for (int i = 0; i < 8; ++i) a.push_back(static_cast<u8>(v >> (8 * i)));
  return a;
}

bool CRecording::fail(const std::string& sReason) {
  m_sError = sReason;
  m_aFrames.clear();
  m_aBytes.clear();
  return false;
}

bool CRecording::read(const char* sFile) {
  const std::string sName = std::string("the recording \"") + (sFile ? sFile : "") + "\"";
  FILE* f = sFile ? std::fopen(sFile, "rb") : nullptr;
  if (!f) return fail(sName + " cannot be opened");
  std::vector<u8> aBytes;
  u8 aChunk[65536];
  size_t n;
  while ((n = std::fread(aChunk, 1, sizeof aChunk, f)) > 0) {
    if (aBytes.size() + n > kMaxFileSize) {
      std::fclose(f);
      return fail(sName + " is larger than any recording (1 GiB)");
    }
    aBytes.insert(aBytes.end(), aChunk, aChunk + n);
  }
  const bool bError = std::ferror(f) != 0;
  std::fclose(f);
  if (bError) return fail(sName + " cannot be read");
  if (!parse(std::move(aBytes))) return fail(sName + " " + m_sError);
  return true;
}

bool CRecording::parse(std::vector<u8> aBytes) {
  m_aBytes = std::move(aBytes);
  m_aFrames.clear();
  m_sError.clear();
  CReader r(m_aBytes);
  const auto at = [&r](size_t i) { return " at byte " + std::to_string(i); };

  if (!r.has(sizeof kMagic) || std::memcmp(m_aBytes.data(), kMagic, sizeof kMagic) != 0)
    return fail("is not a varrik-sim recording");
  r.skip(sizeof kMagic);
  if (!r.has(2)) return fail("is cut off in its header");
  const u16 iVersion = r.u16At();
  if (iVersion != kRecordingVersion)
    return fail("is of format version " + std::to_string(iVersion) + "; this varrik-sim reads version " +
                std::to_string(kRecordingVersion));
  if (!r.has(kHeaderSize - 10)) return fail("is cut off in its header");
  m_cInfo.iSource = r.u8At();
  m_cInfo.iFps = r.u32At();
  m_cInfo.iEvery = r.u32At();
  m_cInfo.fSeconds = r.f64At();
  if (m_cInfo.iSource > eSourceSceneFile || m_cInfo.iFps < 1 || m_cInfo.iFps > kMaxFps ||
      m_cInfo.iEvery < 1 || m_cInfo.iEvery > static_cast<u32>(std::numeric_limits<int>::max()) ||
      !std::isfinite(m_cInfo.fSeconds) || m_cInfo.fSeconds < 0 || m_cInfo.fSeconds > kMaxSeconds)
    return fail("has a damaged header");

  // Every frame of the run, then the end: nothing may be missing, nothing may follow.
  const long long iFrames = std::llround(m_cInfo.fSeconds * m_cInfo.iFps) + 1;
  for (long long iFrame = 0; iFrame < iFrames; ++iFrame) {
    if (!r.has(1))
      return fail("is cut off: frame " + std::to_string(iFrame) + " of " + std::to_string(iFrames) +
                  " is missing");
    const size_t iStart = r.pos();
    if (r.u8At() != kFrameMarker)
      return fail("is damaged" + at(iStart) + ": frame " + std::to_string(iFrame) + " was expected there");
    if (!r.has(8)) return fail("is cut off in frame " + std::to_string(iFrame));
    const u32 iNumber = r.u32At();
    const u32 iCount = r.u32At();
    if (iNumber != iFrame)
      return fail("is damaged" + at(iStart) + ": frame " + std::to_string(iNumber) + " where frame " +
                  std::to_string(iFrame) + " belongs");
    std::vector<SMessage> aFrame;
    for (u32 i = 0; i < iCount; ++i) {
      if (!r.has(2)) return fail("is cut off in frame " + std::to_string(iFrame));
      const size_t iAt = r.pos();
      const u16 iSize = r.u16At();
      if (iSize < kMinMessage || iSize > kMaxMessage)
        return fail("is damaged" + at(iAt) + ": a message of " + std::to_string(iSize) + " bytes");
      if (!r.has(iSize)) return fail("is cut off in frame " + std::to_string(iFrame));
      const u8* p = m_aBytes.data() + r.pos();
      if (!plausibleMessage(p, iSize)) return fail("is damaged" + at(iAt) + ": not an event message");
      aFrame.push_back(SMessage{r.pos(), iSize, static_cast<u16>(p[0] | (p[1] << 8))});
      r.skip(iSize);
    }
    m_aFrames.push_back(std::move(aFrame));
  }
  if (!r.has(1)) return fail("is cut off before its end");
  const size_t iEnd = r.pos();
  if (r.u8At() != kEndMarker) return fail("is damaged" + at(iEnd) + ": its end was expected there");
  if (!r.has(4)) return fail("is cut off in its end");
  if (r.u32At() != iFrames) return fail("is damaged" + at(iEnd) + ": its end counts other frames");
  if (r.left() != 0) return fail("is damaged: " + std::to_string(r.left()) + " bytes follow its end");
  return true;
}

}  // namespace varrik::sim
