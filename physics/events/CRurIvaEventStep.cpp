#include "CRurIvaEventStep.h"

#include <cstdio>

#include "CSerializer.h"

namespace irr {
namespace ode {

CRurIvaEventStep::CRurIvaEventStep(u32 iStepNo) : m_iStepNo(iStepNo), m_iFrameNo(0) {}

CRurIvaEventStep::CRurIvaEventStep(IRurIvaEvent* pEvent) : m_iStepNo(0), m_iFrameNo(0) {
  if (!pEvent || pEvent->getType() != eRurIvaEventStep) return;
  if (CRurIvaEventStep* pOther = dynamic_cast<CRurIvaEventStep*>(pEvent)) {
    m_iStepNo = pOther->m_iStepNo;
    m_iFrameNo = pOther->m_iFrameNo;
  }
}

CRurIvaEventStep::CRurIvaEventStep(CSerializer* pData) : m_iStepNo(0), m_iFrameNo(0) {
  if (!pData || !pData->startReading(eRurIvaEventStep)) return;
  const u32 iStepNo = pData->getU32();
  if (pData->finishReading()) m_iStepNo = iStepNo;
}

CSerializer* CRurIvaEventStep::serialize() {
  if (!m_pSerializer) {
    m_pSerializer = new CSerializer();
    m_pSerializer->addU16(eRurIvaEventStep);
    // The frame number is local to the process that stepped; only the step number travels.
    m_pSerializer->addU32(m_iStepNo);
  }
  return m_pSerializer;
}

const c8* CRurIvaEventStep::toString() {
  snprintf(textBuffer(), kTextSize, "CRurIvaEventStep: stepno=%i", static_cast<s32>(m_iStepNo));
  return textBuffer();
}

IRurIvaEvent* CRurIvaEventStep::clone() { return new CRurIvaEventStep(static_cast<IRurIvaEvent*>(this)); }

}  // namespace ode
}  // namespace irr
