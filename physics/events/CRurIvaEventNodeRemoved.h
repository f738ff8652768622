#ifndef C_RUR_IVA_EVENT_NODE_REMOVED_H
#define C_RUR_IVA_EVENT_NODE_REMOVED_H

#include "IRurIvaEvent.h"

namespace irr {
namespace ode {

//! Asks for a scene node to be removed; the manager puts it on the scene's deletion queue.
class CRurIvaEventNodeRemoved : public IRurIvaEvent {
 public:
  //! The id is the node's id (-1 for a null node).
  explicit CRurIvaEventNodeRemoved(scene::ISceneNode* pNode);
  //! Names the node by id only; the node pointer is null.
  explicit CRurIvaEventNodeRemoved(s32 iNodeId);
  //! Copies the values of a node-removed event; any other event gives an empty one (id -1).
  explicit CRurIvaEventNodeRemoved(IRurIvaEvent* pEvent);
  //! Reads the id only; the node is left to be looked up by it. A message that cannot be read
  //! gives id -1.
  explicit CRurIvaEventNodeRemoved(CSerializer* pData);

  u16 getType() override { return eRurIvaEventNodeRemoved; }
  CSerializer* serialize() override;
  const c8* toString() override;
  IRurIvaEvent* clone() override;
  bool isObservable() override { return true; }

  scene::ISceneNode* getRemovedNode() const { return m_pNode; }
  s32 getRemovedNodeId() const { return m_iNodeId; }

 private:
  s32 m_iNodeId;
  scene::ISceneNode* m_pNode;
};

}  // namespace ode
}  // namespace irr

#endif
