#ifndef VARRIK_SIM_C_RECORDING_H
#define VARRIK_SIM_C_RECORDING_H

// A recording of a varrik-sim run: the run's settings and, frame by frame, the physics layer's
// events as their own byte messages (CSerializer). All numbers are little-endian.
//
//   header   8 bytes "VARRIKRC", u16 format version (1), u8 source (0 the demo scene, 1 a scene
//            file), u32 frames per second, u32 print interval (every K-th frame), f64 seconds
//   frame    u8 'F', u32 frame number (0, 1, 2, ...), u32 message count, then each message as
//            u16 length and that many bytes (the message's code, the event type, first)
//   end      u8 'E', u32 number of frames
//
// A run of S seconds at N frames per second has round(S * N) + 1 frames: frame 0 holds the
// events of building the scene, frame i those of the i-th step() call.

#include <cstddef>
#include <string>
#include <vector>

#include <irrlicht.h>

namespace varrik::sim {

//! The layout's version; a recording of another version is refused.
const irr::u16 kRecordingVersion = 1;

//! The runner's limits, which a recording's settings keep as well. The engine's timer counts
//! whole milliseconds in 32 bits: the simulated clock ends before it wraps (some 49 days). A
//! frame per microsecond at most keeps the frame count of the longest run inside 64 bits.
const long long kMaxSeconds = 4294967295LL / 1000;
const long long kMaxFps = 1000000;

//! Where the recorded run's scene came from.
enum ERecordingSource : irr::u8 { eSourceDemo = 0, eSourceSceneFile = 1 };

//! The settings of the recorded run, as its header holds them.
struct SRecordingInfo {
  irr::u8 iSource = eSourceDemo;
  irr::u32 iFps = 60;
  irr::u32 iEvery = 6;
  double fSeconds = 20.0;
};

//! The header's bytes for a run's settings.
std::vector<irr::u8> recordingHeader(const SRecordingInfo& cInfo);

/**
 * A recording read back. Reading checks the whole file before anything is handed out: a file
 * that is cut off, of another version or damaged anywhere is refused with a reason, so that a
 * replay either gets every frame or none.
 */
class CRecording {
 public:
  //! One message: where its bytes are in the recording, and their number.
  struct SMessage {
    size_t iOffset;
    irr::u16 iSize;
    irr::u16 iCode;
  };

  //! Reads and checks a file; false (the reason in getError) when it cannot be replayed.
  bool read(const char* sFile);
  //! Checks the bytes of a recording and takes them over.
  bool parse(std::vector<irr::u8> aBytes);

  const std::string& getError() const { return m_sError; }
  const SRecordingInfo& getInfo() const { return m_cInfo; }
  size_t getFrameCount() const { return m_aFrames.size(); }
  const std::vector<SMessage>& getFrame(size_t iFrame) const { return m_aFrames[iFrame]; }
  const irr::u8* getBytes(const SMessage& cMessage) const { return m_aBytes.data() + cMessage.iOffset; }

  //! The largest recording read (larger files are refused before they are read).
  static const size_t kMaxFileSize = size_t(1) << 30;

 private:
  bool fail(const std::string& sReason);

  std::vector<irr::u8> m_aBytes;
  SRecordingInfo m_cInfo;
  std::vector<std::vector<SMessage>> m_aFrames;
  std::string m_sError;
};

}  // namespace varrik::sim

#endif
