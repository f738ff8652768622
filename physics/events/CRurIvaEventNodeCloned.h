#ifndef C_RUR_IVA_EVENT_NODE_CLONED_H
#define C_RUR_IVA_EVENT_NODE_CLONED_H

#include "IRurIvaEvent.h"

namespace irr {
namespace ode {

//! Posted when a physics subtree has been cloned; names the source and the clone by id.
class CRurIvaEventNodeCloned : public IRurIvaEvent {
 public:
  CRurIvaEventNodeCloned(s32 iSourceId, s32 iNewId);
  //! Copies the values of a node-cloned event; any other event gives an empty one.
  explicit CRurIvaEventNodeCloned(IRurIvaEvent* pEvent);
  explicit CRurIvaEventNodeCloned(CSerializer* pData);

  u16 getType() override { return eRurIvaEventNodeCloned; }
  CSerializer* serialize() override;
  const c8* toString() override;
  IRurIvaEvent* clone() override;
  bool isObservable() override { return true; }

  s32 getSourceId() const { return m_iSourceId; }
  s32 getNewId() const { return m_iNewId; }

 private:
  s32 m_iSourceId;
  s32 m_iNewId;
};

}  // namespace ode
}  // namespace irr

#endif
