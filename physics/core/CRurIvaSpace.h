#ifndef C_RUR_IVA_SPACE_H
#define C_RUR_IVA_SPACE_H

#include "CRurIvaSceneNode.h"

namespace irr {
namespace ode {

class CRurIvaWorld;

//! Kinds of collision space.
enum _RUR_IVA_SPACE_TYPE { eRurIvaSpaceSimple = 0, eRurIvaSpaceHash = 1, eRurIvaSpaceQuadTree = 2 };

/**
 * A collision space as a scene node. A space below another space, or below a world that
 * already has a top space, is created inside that parent space.
 */
class CRurIvaSpace : public CRurIvaSceneNode {
 public:
  CRurIvaSpace(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id = -1,
               const core::vector3df& position = core::vector3df(0, 0, 0),
               const core::vector3df& rotation = core::vector3df(0, 0, 0),
               const core::vector3df& scale = core::vector3df(1.0f, 1.0f, 1.0f));
  ~CRurIvaSpace() override;

  scene::ESCENE_NODE_TYPE getType() const override { return RUR_IVA_SPACE_ID; }
  scene::ISceneNode* clone(scene::ISceneNode* newParent = 0, scene::ISceneManager* newManager = 0) override;
  void initPhysics() override;
  const wchar_t* getTypeName() override { return RUR_IVA_SPACE_NAME; }
  void removeFromPhysics() override;
  void forgetPhysics() override;
  void copyParams(CRurIvaSceneNode* pDest, bool bRecurse = true) override;
  void OnRegisterSceneNode() override;
  void render() override {}
  void serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions* options = 0) const override;
  void deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options = 0) override;

  u32 getSpaceId() const { return m_iSpaceId; }
  void setSpaceType(s32 iType) { m_iType = iType; }
  s32 getSpaceType() const { return m_iType; }
  //! Same as setSpaceType. (There is deliberately no getType alias for the kind: getType()
  //! answers the node type, and an overload answering the kind would be a trap.)
  void setType(s32 iType) { m_iType = iType; }
  CRurIvaSpace* getParentSpace() const { return m_pParentSpace; }
  CRurIvaWorld* getWorld() const { return m_pWorld; }
  //! Called by a world that is being destroyed while this space lives on.
  void forgetWorld() { m_pWorld = 0; }

  void setQuadTreeParams(core::vector3df cCenter, core::vector3df cExtents, s32 iDepth);
  const core::vector3df& getCenter() const { return m_cCenter; }
  const core::vector3df& getExtents() const { return m_cExtents; }
  s32 getDepth() const { return m_iDepth; }

 private:
  //! Sets the parent space and joins its list of nested spaces.
  void nestIn(CRurIvaSpace* pParent);

  u32 m_iSpaceId;
  s32 m_iType;
  CRurIvaSpace* m_pParentSpace;
  //! The spaces whose parent this space is: they forget it when it goes (one taken out of the
  //! scene and held by a game outlives it, and would create itself inside it later).
  core::list<CRurIvaSpace*> m_lNestedSpaces;
  CRurIvaWorld* m_pWorld;
  core::vector3df m_cCenter;
  core::vector3df m_cExtents;
  s32 m_iDepth;
};

}  // namespace ode
}  // namespace irr

#endif
