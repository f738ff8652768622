#include "CRurIvaEventActivationChanged.h"

#include <cstdio>

#include "CRurIvaBody.h"
#include "CSerializer.h"

namespace irr {
namespace ode {

CRurIvaEventActivationChanged::CRurIvaEventActivationChanged(CRurIvaBody* pBody, bool bActive)
    : m_pBody(pBody), m_iReadId(0), m_bActive(bActive) {}

CRurIvaEventActivationChanged::CRurIvaEventActivationChanged(IRurIvaEvent* pEvent)
    : m_pBody(0), m_iReadId(0), m_bActive(false) {
  if (!pEvent || pEvent->getType() != eRurIvaEventActivationChanged) return;
  if (CRurIvaEventActivationChanged* pOther = dynamic_cast<CRurIvaEventActivationChanged*>(pEvent)) {
    m_pBody = pOther->m_pBody;
    m_iReadId = pOther->m_iReadId;
    m_bActive = pOther->m_bActive;
  }
}

CRurIvaEventActivationChanged::CRurIvaEventActivationChanged(CSerializer* pData, scene::ISceneManager* pSmgr)
    : m_pBody(0), m_iReadId(0), m_bActive(false) {
  if (!pData || !pData->startReading(eRurIvaEventActivationChanged)) return;
  const s32 iBodyId = pData->getS32();
  const bool bActive = pData->getBool();
  if (!pData->finishReading()) return;
  m_pBody = CSerializer::findBody(pSmgr, iBodyId);
  // A message relayed through a scene without that body still names it.
  if (!m_pBody) m_iReadId = iBodyId;
  m_bActive = bActive;
}

s32 CRurIvaEventActivationChanged::getBodyId() const { return m_pBody ? m_pBody->getID() : m_iReadId; }

CSerializer* CRurIvaEventActivationChanged::serialize() {
  if (!m_pSerializer) {
    m_pSerializer = new CSerializer();
    m_pSerializer->addU16(eRurIvaEventActivationChanged);
    m_pSerializer->addS32(getBodyId());
    m_pSerializer->addBool(m_bActive);
  }
  return m_pSerializer;
}

const c8* CRurIvaEventActivationChanged::toString() {
  snprintf(textBuffer(), kTextSize, "CRurIvaEventActivationChanged: body=%i, active?%s", getBodyId(),
           m_bActive ? "YES" : "NO");
  return textBuffer();
}

IRurIvaEvent* CRurIvaEventActivationChanged::clone() {
  return new CRurIvaEventActivationChanged(static_cast<IRurIvaEvent*>(this));
}

}  // namespace ode
}  // namespace irr
