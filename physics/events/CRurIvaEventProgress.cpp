#include "CRurIvaEventProgress.h"

#include <cstdio>

#include "CSerializer.h"

namespace irr {
namespace ode {

CRurIvaEventProgress::CRurIvaEventProgress(u32 iCurrent, u32 iCount)
    : m_iCount(iCount), m_iCurrent(iCurrent) {}

CRurIvaEventProgress::CRurIvaEventProgress(IRurIvaEvent* pEvent) : m_iCount(0), m_iCurrent(0) {
  if (!pEvent || pEvent->getType() != eRurIvaEventProgress) return;
  if (CRurIvaEventProgress* pOther = dynamic_cast<CRurIvaEventProgress*>(pEvent)) {
    m_iCount = pOther->m_iCount;
    m_iCurrent = pOther->m_iCurrent;
  }
}

CRurIvaEventProgress::CRurIvaEventProgress(CSerializer* pData) : m_iCount(0), m_iCurrent(0) {
  if (!pData || !pData->startReading(eRurIvaEventProgress)) return;
  const u32 iCount = pData->getU32();
  const u32 iCurrent = pData->getU32();
  if (!pData->finishReading()) return;
  m_iCount = iCount;
  m_iCurrent = iCurrent;
}

CSerializer* CRurIvaEventProgress::serialize() { return 0; }

const c8* CRurIvaEventProgress::toString() {
  snprintf(textBuffer(), kTextSize, "CRurIvaEventProgress: count=%i, current=%i\n",
           static_cast<s32>(m_iCount), static_cast<s32>(m_iCurrent));
  return textBuffer();
}

IRurIvaEvent* CRurIvaEventProgress::clone() {
  return new CRurIvaEventProgress(static_cast<IRurIvaEvent*>(this));
}

}  // namespace ode
}  // namespace irr
