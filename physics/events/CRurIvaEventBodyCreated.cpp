#include "CRurIvaEventBodyCreated.h"

#include <cstdio>

#include "CRurIvaBody.h"
#include "CSerializer.h"

namespace irr {
namespace ode {

CRurIvaEventBodyCreated::CRurIvaEventBodyCreated(CRurIvaBody* pBody) : m_pBody(pBody), m_iReadId(0) {}

CRurIvaEventBodyCreated::CRurIvaEventBodyCreated(IRurIvaEvent* pEvent) : m_pBody(0), m_iReadId(0) {
  if (!pEvent || pEvent->getType() != eRurIvaEventBodyCreated) return;
  if (CRurIvaEventBodyCreated* pOther = dynamic_cast<CRurIvaEventBodyCreated*>(pEvent)) {
    m_pBody = pOther->m_pBody;
    m_iReadId = pOther->m_iReadId;
  }
}

CRurIvaEventBodyCreated::CRurIvaEventBodyCreated(CSerializer* pData, scene::ISceneManager* pSmgr)
    : m_pBody(0), m_iReadId(0) {
  if (!pData || !pData->startReading(eRurIvaEventBodyCreated)) return;
  const s32 iBodyId = pData->getS32();
  if (!pData->finishReading()) return;
  m_pBody = CSerializer::findBody(pSmgr, iBodyId);
  // A message relayed through a scene without that body still names it.
  if (!m_pBody) m_iReadId = iBodyId;
}

s32 CRurIvaEventBodyCreated::getBodyId() const { return m_pBody ? m_pBody->getID() : m_iReadId; }

CSerializer* CRurIvaEventBodyCreated::serialize() {
  if (!m_pSerializer) {
    m_pSerializer = new CSerializer();
    m_pSerializer->addU16(eRurIvaEventBodyCreated);
    m_pSerializer->addS32(getBodyId());
  }
  return m_pSerializer;
}

const c8* CRurIvaEventBodyCreated::toString() {
  snprintf(textBuffer(), kTextSize, "CRurIvaEventBodyCreated: body=%i\n", getBodyId());
  return textBuffer();
}

IRurIvaEvent* CRurIvaEventBodyCreated::clone() {
  return new CRurIvaEventBodyCreated(static_cast<IRurIvaEvent*>(this));
}

}  // namespace ode
}  // namespace irr
