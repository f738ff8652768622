#ifndef C_RUR_IVA_EVENT_BODY_REMOVED_H
#define C_RUR_IVA_EVENT_BODY_REMOVED_H

#include "IRurIvaEvent.h"

namespace irr {
namespace scene {
class ISceneManager;
}
namespace ode {

class CRurIvaBody;

//! Posted by a body that leaves the simulation; the manager then destroys its dynamics objects.
class CRurIvaEventBodyRemoved : public IRurIvaEvent {
 public:
  //! The body id is the body's node id, 0 without a body.
  explicit CRurIvaEventBodyRemoved(CRurIvaBody* pBody);
  //! Copies the values of a body-removed event; any other event gives an empty one.
  explicit CRurIvaEventBodyRemoved(IRurIvaEvent* pEvent);
  /**
   * Reads the body id and looks the body up in pSmgr. A body found that way is taken out of
   * the simulation at once: its dynamics body is destroyed and its world forgets it. A missing
   * manager or an id that names no body gives a null body and touches nothing.
   */
  CRurIvaEventBodyRemoved(CSerializer* pData, scene::ISceneManager* pSmgr);

  u16 getType() override { return eRurIvaEventBodyRemoved; }
  CSerializer* serialize() override;
  const c8* toString() override;
  IRurIvaEvent* clone() override;
  bool isObservable() override { return true; }

  CRurIvaBody* getBody() const { return m_pBody; }
  s32 getBodyId() const { return m_iBodyId; }

 private:
  CRurIvaBody* m_pBody;
  s32 m_iBodyId;
};

}  // namespace ode
}  // namespace irr

#endif
