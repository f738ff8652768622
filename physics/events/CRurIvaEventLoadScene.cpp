#include "CRurIvaEventLoadScene.h"

#include <cstdio>

#include "CSerializer.h"

namespace irr {
namespace ode {

CRurIvaEventLoadScene::CRurIvaEventLoadScene(const c8* sScene) : m_sScene(sScene ? sScene : "") {}

CRurIvaEventLoadScene::CRurIvaEventLoadScene(IRurIvaEvent* pEvent) {
  if (!pEvent || pEvent->getType() != eRurIvaEventLoadScene) return;
  if (CRurIvaEventLoadScene* pOther = dynamic_cast<CRurIvaEventLoadScene*>(pEvent))
    m_sScene = pOther->m_sScene;
}

CRurIvaEventLoadScene::CRurIvaEventLoadScene(CSerializer* pData) {
  if (!pData || !pData->startReading(eRurIvaEventLoadScene)) return;
  u32 iLength = 0;
  const c8* sScene = pData->getString(&iLength);
  if (!pData->finishReading() || !sScene) return;

  if (iLength > MAX_READ_NAME - 1) {
    printf("max bytes exceeded!\n");
    if (iLength > MAX_READ_NAME) iLength = MAX_READ_NAME;
  }
  m_sScene = core::stringc(sScene, iLength);
}

CSerializer* CRurIvaEventLoadScene::serialize() {
  if (!m_pSerializer) {
    m_pSerializer = new CSerializer();
    m_pSerializer->addU16(eRurIvaEventLoadScene);
    // A longer name would not fit the message; it is cut rather than lost.
    if (m_sScene.size() > MAX_WRITTEN_NAME)
      m_pSerializer->addString(m_sScene.subString(0, MAX_WRITTEN_NAME).c_str());
    else
      m_pSerializer->addString(m_sScene.c_str());
  }
  return m_pSerializer;
}

const c8* CRurIvaEventLoadScene::toString() {
  snprintf(textBuffer(), kTextSize, "CRurIvaEventLoadScene: \"%s\"", m_sScene.c_str());
  return textBuffer();
}

IRurIvaEvent* CRurIvaEventLoadScene::clone() {
  return new CRurIvaEventLoadScene(static_cast<IRurIvaEvent*>(this));
}

}  // namespace ode
}  // namespace irr
