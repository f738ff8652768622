#ifndef C_RUR_IVA_EVENT_BODY_CREATED_H
#define C_RUR_IVA_EVENT_BODY_CREATED_H

#include "IRurIvaEvent.h"

namespace irr {
namespace scene {
class ISceneManager;
}
namespace ode {

class CRurIvaBody;

//! Posted when a body's dynamics object has been created.
class CRurIvaEventBodyCreated : public IRurIvaEvent {
 public:
  explicit CRurIvaEventBodyCreated(CRurIvaBody* pBody);
  //! Copies the values of a body-created event; any other event gives an empty one.
  explicit CRurIvaEventBodyCreated(IRurIvaEvent* pEvent);
  //! The body is looked up by its node id in pSmgr; a missing manager or an id that names no
  //! body gives a null body, and the event keeps the id, so that it is written back unchanged.
  CRurIvaEventBodyCreated(CSerializer* pData, scene::ISceneManager* pSmgr);

  u16 getType() override { return eRurIvaEventBodyCreated; }
  CSerializer* serialize() override;
  const c8* toString() override;
  IRurIvaEvent* clone() override;

  CRurIvaBody* getBody() const { return m_pBody; }
  //! The body's node id; without a body, the id read from a message (0 for none).
  s32 getBodyId() const;

 private:
  CRurIvaBody* m_pBody;
  //! The id a message named when it named no body here.
  s32 m_iReadId;
};

}  // namespace ode
}  // namespace irr

#endif
