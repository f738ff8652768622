#include "CRurIvaEventBodyRemoved.h"

#include <cstdio>

#include "CRurIvaBody.h"
#include "CRurIvaManager.h"
#include "CRurIvaWorld.h"
#include "CSerializer.h"
#include "IRurIvaDevice.h"

namespace irr {
namespace ode {

CRurIvaEventBodyRemoved::CRurIvaEventBodyRemoved(CRurIvaBody* pBody)
    : m_pBody(pBody), m_iBodyId(pBody ? pBody->getID() : 0) {}

CRurIvaEventBodyRemoved::CRurIvaEventBodyRemoved(IRurIvaEvent* pEvent) : m_pBody(0), m_iBodyId(0) {
  if (!pEvent || pEvent->getType() != eRurIvaEventBodyRemoved) return;
  if (CRurIvaEventBodyRemoved* pOther = dynamic_cast<CRurIvaEventBodyRemoved*>(pEvent)) {
    m_pBody = pOther->m_pBody;
    m_iBodyId = pOther->m_iBodyId;
  }
}

CRurIvaEventBodyRemoved::CRurIvaEventBodyRemoved(CSerializer* pData, scene::ISceneManager* pSmgr)
    : m_pBody(0), m_iBodyId(0) {
  if (!pData || !pData->startReading(eRurIvaEventBodyRemoved)) return;
  const s32 iBodyId = pData->getS32();
  if (!pData->finishReading()) return;

  m_iBodyId = iBodyId;
  m_pBody = CSerializer::findBody(pSmgr, iBodyId);
  if (!m_pBody) return;

  // A removal received from elsewhere takes the body out of this simulation at once, so that
  // it does not take part in the next step.
  IRurIvaDevice* pDevice = CRurIvaManager::getSharedInstance()->getOdeDevice();
  if (pDevice) pDevice->bodyDestroy(m_pBody->getBodyId());
  m_pBody->leaveWorld();
}

CSerializer* CRurIvaEventBodyRemoved::serialize() {
  if (!m_pSerializer) {
    m_pSerializer = new CSerializer();
    m_pSerializer->addU16(eRurIvaEventBodyRemoved);
    m_pSerializer->addS32(m_iBodyId);
  }
  return m_pSerializer;
}

const c8* CRurIvaEventBodyRemoved::toString() {
  snprintf(textBuffer(), kTextSize, "CRurIvaEventBodyRemoved: %i", m_iBodyId);
  return textBuffer();
}

IRurIvaEvent* CRurIvaEventBodyRemoved::clone() {
  return new CRurIvaEventBodyRemoved(static_cast<IRurIvaEvent*>(this));
}

}  // namespace ode
}  // namespace irr
