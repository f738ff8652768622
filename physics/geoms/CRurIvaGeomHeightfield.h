#ifndef C_RUR_IVA_GEOM_HEIGHTFIELD_H
#define C_RUR_IVA_GEOM_HEIGHTFIELD_H

#include "CRurIvaGeom.h"

namespace irr {
namespace ode {

/**
 * Makes its parent terrain node collide as a heightfield. The heights are not copied: the
 * dynamics library asks the terrain for them while it collides, so the terrain must outlive
 * this node. Always static.
 */
class CRurIvaGeomHeightfield : public CRurIvaGeom {
 public:
  CRurIvaGeomHeightfield(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id = -1,
                         const core::vector3df& position = core::vector3df(0, 0, 0),
                         const core::vector3df& rotation = core::vector3df(0, 0, 0),
                         const core::vector3df& scale = core::vector3df(1.0f, 1.0f, 1.0f));
  ~CRurIvaGeomHeightfield() override;

  s32 getID() const override { return ID; }
  scene::ESCENE_NODE_TYPE getType() const override { return RUR_IVA_GEOM_HEIGHTFIELD_ID; }
  const wchar_t* getTypeName() override { return RUR_IVA_GEOM_HEIGHTFIELD_NAME; }
  scene::ISceneNode* clone(scene::ISceneNode* newParent = 0, scene::ISceneManager* newManager = 0) override;
  void OnRegisterSceneNode() override;
  //! A heightfield has no mass.
  void setMassTotal(f32) override {}
  void initPhysics() override;
  void forgetPhysics() override;
  void copyParams(CRurIvaSceneNode* pDest, bool bRecurse = true) override;
  void serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions* options = 0) const override;
  void deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options = 0) override;

  void setWidth(f32 f) { m_fWidth = f; }
  void setDepth(f32 f) { m_fDepth = f; }
  void setThickness(f32 f) { m_fThickness = f; }
  void setWidthSamples(u32 i) { m_iWidthSamples = i; }
  void setDepthSamples(u32 i) { m_iDepthSamples = i; }
  f32 getWidth() const { return m_fWidth; }
  f32 getDepth() const { return m_fDepth; }
  f32 getThickness() const { return m_fThickness; }
  u32 getWidthSamples() const { return m_iWidthSamples; }
  u32 getDepthSamples() const { return m_iDepthSamples; }
  u32 getHeightfieldDataId() const { return m_iDataId; }

  //! The terrain's height at whole-number world coordinates.
  f32 getHeight(int x, int z);
  //! The height of sample (x, z) relative to the terrain node; pData is the heightfield node.
  static f32 getHeightCallback(void* pData, int x, int z);

 private:
  u32 m_iDataId;
  f32 m_fWidth;
  f32 m_fDepth;
  f32 m_fThickness;
  u32 m_iWidthSamples;
  u32 m_iDepthSamples;
};

}  // namespace ode
}  // namespace irr

#endif
