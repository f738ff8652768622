#include "CRurIvaEventClose.h"

#include <cstdio>

#include "CSerializer.h"

namespace irr {
namespace ode {

CRurIvaEventClose::CRurIvaEventClose() {}

CRurIvaEventClose::CRurIvaEventClose(IRurIvaEvent*) {}

CRurIvaEventClose::CRurIvaEventClose(CSerializer* pData) {
  // Nothing to keep, but the serializer still learns whether the message was well formed.
  if (pData && pData->startReading(eRurIvaEventClose)) pData->finishReading();
}

CSerializer* CRurIvaEventClose::serialize() {
  if (!m_pSerializer) {
    m_pSerializer = new CSerializer();
    m_pSerializer->addU16(eRurIvaEventClose);
  }
  return m_pSerializer;
}

const c8* CRurIvaEventClose::toString() {
  snprintf(textBuffer(), kTextSize, "CRurIvaEventClose");
  return textBuffer();
}

IRurIvaEvent* CRurIvaEventClose::clone() { return new CRurIvaEventClose(); }

}  // namespace ode
}  // namespace irr
