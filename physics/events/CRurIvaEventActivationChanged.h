#ifndef C_RUR_IVA_EVENT_ACTIVATION_CHANGED_H
#define C_RUR_IVA_EVENT_ACTIVATION_CHANGED_H

#include "IRurIvaEvent.h"

namespace irr {
namespace scene {
class ISceneManager;
}
namespace ode {

class CRurIvaBody;

//! Posted when the dynamics library enabled or disabled a body (auto-disable).
class CRurIvaEventActivationChanged : public IRurIvaEvent {
 public:
  CRurIvaEventActivationChanged(CRurIvaBody* pBody, bool bActive);
  //! Copies the values of an activation-changed event; any other event gives an empty one.
  explicit CRurIvaEventActivationChanged(IRurIvaEvent* pEvent);
  //! The body is looked up by its node id in pSmgr; a missing manager or an id that names no
  //! body gives a null body, and the event keeps the id, so that it is written back unchanged.
  CRurIvaEventActivationChanged(CSerializer* pData, scene::ISceneManager* pSmgr);

  u16 getType() override { return eRurIvaEventActivationChanged; }
  CSerializer* serialize() override;
  const c8* toString() override;
  IRurIvaEvent* clone() override;

  CRurIvaBody* getBody() const { return m_pBody; }
  //! The body's node id; without a body, the id read from a message (0 for none).
  s32 getBodyId() const;
  bool isActive() const { return m_bActive; }

 private:
  CRurIvaBody* m_pBody;
  //! The id a message named when it named no body here.
  s32 m_iReadId;
  bool m_bActive;
};

}  // namespace ode
}  // namespace irr

#endif
