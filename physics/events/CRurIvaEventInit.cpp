#include "CRurIvaEventInit.h"

#include <cstdio>

#include "CSerializer.h"

namespace irr {
namespace ode {

CRurIvaEventInit::CRurIvaEventInit() {}

CRurIvaEventInit::CRurIvaEventInit(IRurIvaEvent*) {}

CRurIvaEventInit::CRurIvaEventInit(CSerializer* pData) {
  // Nothing to keep, but the serializer still learns whether the message was well formed.
  if (pData && pData->startReading(eRurIvaEventInit)) pData->finishReading();
}

CSerializer* CRurIvaEventInit::serialize() {
  if (!m_pSerializer) {
    m_pSerializer = new CSerializer();
    m_pSerializer->addU16(eRurIvaEventInit);
  }
  return m_pSerializer;
}

const c8* CRurIvaEventInit::toString() {
  snprintf(textBuffer(), kTextSize, "CRurIvaEventInit");
  return textBuffer();
}

IRurIvaEvent* CRurIvaEventInit::clone() { return new CRurIvaEventInit(); }

}  // namespace ode
}  // namespace irr
