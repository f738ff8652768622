#include "CRurIvaEventNodeCloned.h"

#include <cstdio>

#include "CSerializer.h"

namespace irr {
namespace ode {

CRurIvaEventNodeCloned::CRurIvaEventNodeCloned(s32 iSourceId, s32 iNewId)
    : m_iSourceId(iSourceId), m_iNewId(iNewId) {}

CRurIvaEventNodeCloned::CRurIvaEventNodeCloned(IRurIvaEvent* pEvent) : m_iSourceId(0), m_iNewId(0) {
  if (!pEvent || pEvent->getType() != eRurIvaEventNodeCloned) return;
  if (CRurIvaEventNodeCloned* pOther = dynamic_cast<CRurIvaEventNodeCloned*>(pEvent)) {
    m_iSourceId = pOther->m_iSourceId;
    m_iNewId = pOther->m_iNewId;
  }
}

CRurIvaEventNodeCloned::CRurIvaEventNodeCloned(CSerializer* pData) : m_iSourceId(0), m_iNewId(0) {
  if (!pData || !pData->startReading(eRurIvaEventNodeCloned)) return;
  const s32 iSourceId = pData->getS32();
  const s32 iNewId = pData->getS32();
  if (!pData->finishReading()) return;
  m_iSourceId = iSourceId;
  m_iNewId = iNewId;
}

CSerializer* CRurIvaEventNodeCloned::serialize() {
  if (!m_pSerializer) {
    m_pSerializer = new CSerializer();
    m_pSerializer->addU16(eRurIvaEventNodeCloned);
    m_pSerializer->addS32(m_iSourceId);
    m_pSerializer->addS32(m_iNewId);
  }
  return m_pSerializer;
}

const c8* CRurIvaEventNodeCloned::toString() {
  snprintf(textBuffer(), kTextSize, "CRurIvaEventNodeCloned: source id=%i, new id=%i", m_iSourceId, m_iNewId);
  return textBuffer();
}

IRurIvaEvent* CRurIvaEventNodeCloned::clone() {
  return new CRurIvaEventNodeCloned(static_cast<IRurIvaEvent*>(this));
}

}  // namespace ode
}  // namespace irr
