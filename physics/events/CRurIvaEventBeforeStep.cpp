#include "CRurIvaEventBeforeStep.h"

#include <cstdio>

#include "CSerializer.h"

namespace irr {
namespace ode {

CRurIvaEventBeforeStep::CRurIvaEventBeforeStep() {}

CRurIvaEventBeforeStep::CRurIvaEventBeforeStep(IRurIvaEvent*) {}

CRurIvaEventBeforeStep::CRurIvaEventBeforeStep(CSerializer* pData) {
  // Nothing to keep, but the serializer still learns whether the message was well formed.
  if (pData && pData->startReading(eRurIvaEventBeforeStep)) pData->finishReading();
}

CSerializer* CRurIvaEventBeforeStep::serialize() {
  if (!m_pSerializer) {
    m_pSerializer = new CSerializer();
    m_pSerializer->addU16(eRurIvaEventBeforeStep);
  }
  return m_pSerializer;
}

const c8* CRurIvaEventBeforeStep::toString() {
  snprintf(textBuffer(), kTextSize, "CRurIvaEventBeforeStep");
  return textBuffer();
}

IRurIvaEvent* CRurIvaEventBeforeStep::clone() { return new CRurIvaEventBeforeStep(); }

}  // namespace ode
}  // namespace irr
