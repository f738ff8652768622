#ifndef VARRIK_SIM_C_EVENT_RECORDER_H
#define VARRIK_SIM_C_EVENT_RECORDER_H

#include <vector>

#include <irrlicht.h>

#include "CRecording.h"
#include "CRurIvaWholeFile.h"
#include "IRurIvaEventListener.h"

namespace varrik::sim {

/**
 * Writes a run's events to a recording (the layout is in CRecording.h): a listener of the
 * physics layer's event queue that keeps the byte message of every event that has one, frame by
 * frame. Events without a byte form (ray hits, progress) are left out.
 */
class CEventRecorder : public irr::ode::IRurIvaEventListener {
 public:
  CEventRecorder() = default;
  ~CEventRecorder();
  CEventRecorder(const CEventRecorder&) = delete;
  CEventRecorder& operator=(const CEventRecorder&) = delete;

  //! Creates the file and writes the header; frame 0 begins. False if the file cannot be made.
  //! The file takes its name, replacing an older one, only when close() wrote it whole.
  bool open(const char* sFile, const SRecordingInfo& cInfo);
  //! Ends the current frame and begins frame iFrame (the next one).
  void beginFrame(irr::u32 iFrame);
  //! Ends the last frame and the recording. False if anything could not be written.
  bool close();

  bool onEvent(irr::ode::IRurIvaEvent* pEvent) override;
  bool handlesEvent(irr::ode::IRurIvaEvent* pEvent) override { return pEvent != nullptr; }

 private:
  void writeFrame();
  void write(const std::vector<irr::u8>& aBytes);

  irr::ode::CRurIvaWholeFile* m_pFile = nullptr;
  bool m_bFailed = false;
  irr::u32 m_iFrame = 0;
  irr::u32 m_iFrames = 0;
  irr::u32 m_iMessages = 0;
  std::vector<irr::u8> m_aFrame;
};

}  // namespace varrik::sim

#endif
