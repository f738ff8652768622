#ifndef C_RUR_IVA_GEOM_BOX_H
#define C_RUR_IVA_GEOM_BOX_H

#include "CRurIvaGeom.h"

namespace irr {
namespace ode {

/**
 * A box geometry. With all three sizes zero it takes its size from its visible parent: the
 * frame-0 bounding box of the parent's mesh times the parent's scale, or, with
 * use-all-materials cleared, the box around the selected mesh buffers only.
 */
class CRurIvaGeomBox : public CRurIvaGeom {
 public:
  CRurIvaGeomBox(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id = -1,
                 const core::vector3df& position = core::vector3df(0, 0, 0),
                 const core::vector3df& rotation = core::vector3df(0, 0, 0),
                 const core::vector3df& scale = core::vector3df(1.0f, 1.0f, 1.0f));
  ~CRurIvaGeomBox() override;

  s32 getID() const override { return ID; }
  scene::ESCENE_NODE_TYPE getType() const override { return RUR_IVA_GEOM_BOX_ID; }
  const wchar_t* getTypeName() override { return RUR_IVA_GEOM_BOX_NAME; }
  scene::ISceneNode* clone(scene::ISceneNode* newParent = 0, scene::ISceneManager* newManager = 0) override;
  void OnRegisterSceneNode() override;
  void setMassTotal(f32 fMass) override { m_fMass = fMass; }
  void initPhysics() override;
  void copyParams(CRurIvaSceneNode* pDest, bool bRecurse = true) override;
  void serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions* options = 0) const override;
  void deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options = 0) override;

  void setWidth(f32 f) { m_fWidth = f; }
  void setHeight(f32 f) { m_fHeight = f; }
  void setDepht(f32 f) { m_fDepth = f; }
  f32 getWidth() const { return m_fWidth; }
  f32 getHeight() const { return m_fHeight; }
  f32 getDepth() const { return m_fDepth; }
  void setUseAllMaterials(bool b) { m_bUseAllMaterials = b; }
  bool getUseAllMaterials() const { return m_bUseAllMaterials; }
  //! Per-material selection used when use-all-materials is cleared; materials beyond the
  //! array are selected.
  void setUseMaterial(u32 iMaterial, bool bUse);
  const core::array<bool>& getUseMaterials() const { return m_aUseMaterial; }

 private:
  bool parentIsMeshNode() const;
  //! The box around the selected mesh buffers of a mesh parent; false for other parents.
  bool deriveFromSelectedBuffers(core::aabbox3df& cBox);

  f32 m_fWidth;
  f32 m_fHeight;
  f32 m_fDepth;
  bool m_bUseAllMaterials;
  core::array<bool> m_aUseMaterial;
};

}  // namespace ode
}  // namespace irr

#endif
