#include "CRurIvaEventRayHit.h"

#include <cstdio>

#include "CRurIvaBody.h"
#include "CRurIvaGeom.h"
#include "CRurIvaGeomRay.h"
#include "CSerializer.h"

namespace irr {
namespace ode {

namespace {

//! The text form names a missing node -2, apart from every real id including -1.
s32 idForText(scene::ISceneNode* pNode) { return pNode ? pNode->getID() : -2; }

}  // namespace

CRurIvaEventRayHit::CRurIvaEventRayHit(CRurIvaBody* pBody, CRurIvaGeom* pGeom, CRurIvaGeomRay* pRay,
                                       core::vector3df cPosition, f32 fDistance)
    : m_pBody(pBody), m_pGeom(pGeom), m_pRay(pRay), m_cPosition(cPosition), m_fDistance(fDistance) {}

CRurIvaEventRayHit::CRurIvaEventRayHit(IRurIvaEvent* pEvent)
    : m_pBody(0), m_pGeom(0), m_pRay(0), m_cPosition(0, 0, 0), m_fDistance(0.0f) {
  if (!pEvent || pEvent->getType() != eRurIvaEventRayHit) return;
  if (CRurIvaEventRayHit* pOther = dynamic_cast<CRurIvaEventRayHit*>(pEvent)) {
    m_pBody = pOther->m_pBody;
    m_pGeom = pOther->m_pGeom;
    m_pRay = pOther->m_pRay;
    m_cPosition = pOther->m_cPosition;
    m_fDistance = pOther->m_fDistance;
  }
}

CRurIvaEventRayHit::CRurIvaEventRayHit(CSerializer* pData, scene::ISceneManager* pSmgr)
    : m_pBody(0), m_pGeom(0), m_pRay(0), m_cPosition(0, 0, 0), m_fDistance(0.0f) {
  if (!pData || !pData->startReading(eRurIvaEventRayHit)) return;
  const s32 iRayId = pData->getS32();
  const s32 iBodyId = pData->getS32();
  const s32 iGeomId = pData->getS32();
  const core::vector3df cPosition = pData->getVector3df();
  const f32 fDistance = pData->getF32();
  if (!pData->finishReading()) return;

  m_pRay = CSerializer::findRay(pSmgr, iRayId);
  m_pBody = CSerializer::findBody(pSmgr, iBodyId);
  m_pGeom = CSerializer::findGeom(pSmgr, iGeomId);
  m_cPosition = cPosition;
  m_fDistance = fDistance;
}

CSerializer* CRurIvaEventRayHit::serialize() { return 0; }

const c8* CRurIvaEventRayHit::toString() {
  snprintf(textBuffer(), kTextSize,
           "CRurIvaEventRayHit: ray=%i, body=%i, geom=%i, pos=(%.2f, %.2f, %.2f), distance=%.2f",
           idForText(m_pRay), idForText(m_pBody), idForText(m_pGeom), m_cPosition.X, m_cPosition.Y,
           m_cPosition.Z, m_fDistance);
  return textBuffer();
}

IRurIvaEvent* CRurIvaEventRayHit::clone() { return new CRurIvaEventRayHit(static_cast<IRurIvaEvent*>(this)); }

}  // namespace ode
}  // namespace irr
