#include "CRurIvaEventNodeRemoved.h"

#include <cstdio>

#include "CSerializer.h"

namespace irr {
namespace ode {

CRurIvaEventNodeRemoved::CRurIvaEventNodeRemoved(scene::ISceneNode* pNode)
    : m_iNodeId(pNode ? pNode->getID() : -1), m_pNode(pNode) {}

CRurIvaEventNodeRemoved::CRurIvaEventNodeRemoved(s32 iNodeId) : m_iNodeId(iNodeId), m_pNode(0) {}

CRurIvaEventNodeRemoved::CRurIvaEventNodeRemoved(IRurIvaEvent* pEvent) : m_iNodeId(-1), m_pNode(0) {
  if (!pEvent || pEvent->getType() != eRurIvaEventNodeRemoved) return;
  if (CRurIvaEventNodeRemoved* pOther = dynamic_cast<CRurIvaEventNodeRemoved*>(pEvent)) {
    m_iNodeId = pOther->m_iNodeId;
    m_pNode = pOther->m_pNode;
  }
}

CRurIvaEventNodeRemoved::CRurIvaEventNodeRemoved(CSerializer* pData) : m_iNodeId(-1), m_pNode(0) {
  if (!pData || !pData->startReading(eRurIvaEventNodeRemoved)) return;
  const s32 iNodeId = pData->getS32();
  if (pData->finishReading()) m_iNodeId = iNodeId;
}

CSerializer* CRurIvaEventNodeRemoved::serialize() {
  if (!m_pSerializer) {
    m_pSerializer = new CSerializer();
    m_pSerializer->addU16(eRurIvaEventNodeRemoved);
    m_pSerializer->addS32(m_iNodeId);
  }
  return m_pSerializer;
}

const c8* CRurIvaEventNodeRemoved::toString() {
  snprintf(textBuffer(), kTextSize, "CRurIvaEventNodeRemoved: m_iNodeId=%i\n", m_iNodeId);
  return textBuffer();
}

IRurIvaEvent* CRurIvaEventNodeRemoved::clone() {
  return new CRurIvaEventNodeRemoved(static_cast<IRurIvaEvent*>(this));
}

}  // namespace ode
}  // namespace irr
