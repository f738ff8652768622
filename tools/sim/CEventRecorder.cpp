#include "CEventRecorder.h"

#include "CSerializer.h"
#include "IRurIvaEvent.h"

namespace varrik::sim {

using irr::u32;
using irr::u8;

namespace {

void putU32(std::vector<u8>& a, u32 v) {
  for (int i = 0; i < 4; ++i) a.push_back(static_cast<u8>(v >> (8 * i)));
}

}  // namespace

CEventRecorder::~CEventRecorder() {
  if (m_pFile) m_pFile->drop();
}

bool CEventRecorder::open(const char* sFile, const SRecordingInfo& cInfo) {
  if (m_pFile) m_pFile->drop();
  m_pFile = sFile ? new irr::ode::CRurIvaWholeFile(sFile) : nullptr;
  if (m_pFile && !m_pFile->isOpen()) {
    m_pFile->drop();
    m_pFile = nullptr;
  }
  if (!m_pFile) return false;
  m_bFailed = false;
  m_iFrame = 0;
  m_iFrames = 0;
  m_iMessages = 0;
  m_aFrame.clear();
  write(recordingHeader(cInfo));
  return !m_bFailed;
}

void CEventRecorder::write(const std::vector<u8>& aBytes) {
  if (!m_pFile || aBytes.empty()) return;
  if (m_pFile->write(aBytes.data(), static_cast<u32>(aBytes.size())) != static_cast<irr::s32>(aBytes.size()))
    m_bFailed = true;
}

void CEventRecorder::writeFrame() {
  std::vector<u8> aHead;
  aHead.push_back('F');
  putU32(aHead, m_iFrame);
  putU32(aHead, m_iMessages);
  write(aHead);
  write(m_aFrame);
  m_aFrame.clear();
  m_iMessages = 0;
  ++m_iFrames;
}

void CEventRecorder::beginFrame(u32 iFrame) {
  if (!m_pFile) return;
  writeFrame();
  m_iFrame = iFrame;
}

bool CEventRecorder::close() {
  if (!m_pFile) return false;
  writeFrame();
  std::vector<u8> aEnd;
  aEnd.push_back('E');
  putU32(aEnd, m_iFrames);
  write(aEnd);
  const bool bWhole = !m_bFailed && m_pFile->commit();
  m_pFile->drop();
  m_pFile = nullptr;
  return bWhole;
}

bool CEventRecorder::onEvent(irr::ode::IRurIvaEvent* pEvent) {
  if (!m_pFile || !pEvent) return false;
  irr::ode::CSerializer* pMessage = pEvent->serialize();
  if (!pMessage || pMessage->getSize() < 2 || pMessage->hasError()) return false;
  const u32 iSize = static_cast<u32>(pMessage->getSize());
  m_aFrame.push_back(static_cast<u8>(iSize));
  m_aFrame.push_back(static_cast<u8>(iSize >> 8));
  m_aFrame.insert(m_aFrame.end(), pMessage->getBuffer(), pMessage->getBuffer() + iSize);
  ++m_iMessages;
  return true;
}

}  // namespace varrik::sim
