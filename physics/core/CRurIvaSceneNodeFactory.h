#ifndef C_RUR_IVA_SCENE_NODE_FACTORY_H
#define C_RUR_IVA_SCENE_NODE_FACTORY_H

#include <irrlicht.h>

namespace irr {
namespace ode {

/**
 * Lets the scene manager create every concrete physics node by type or type name, so that
 * physics set-ups can be built with addSceneNode("CRurIvaBody", parent) and read from the
 * engine's scene files. Register it with the scene manager (registerSceneNodeFactory).
 *
 * A created node is held by its parent and by one creation reference that goes to the caller.
 */
class CRurIvaSceneNodeFactory : public scene::ISceneNodeFactory {
 public:
  explicit CRurIvaSceneNodeFactory(scene::ISceneManager* pManager);

  scene::ISceneNode* addSceneNode(scene::ESCENE_NODE_TYPE iType, scene::ISceneNode* pParent = 0) override;
  scene::ISceneNode* addSceneNode(const c8* sTypeName, scene::ISceneNode* pParent = 0) override;
  u32 getCreatableSceneNodeTypeCount() const override;
  scene::ESCENE_NODE_TYPE getCreateableSceneNodeType(u32 iIndex) const override;
  const c8* getCreateableSceneNodeTypeName(u32 iIndex) const override;
  const c8* getCreateableSceneNodeTypeName(scene::ESCENE_NODE_TYPE iType) const override;

 private:
  void add(scene::ESCENE_NODE_TYPE iType, const wchar_t* sName);

  core::array<core::stringc> m_aNames;
  core::array<scene::ESCENE_NODE_TYPE> m_aTypes;
  scene::ISceneManager* m_pManager;
};

}  // namespace ode
}  // namespace irr

#endif
