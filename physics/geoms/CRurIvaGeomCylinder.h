#ifndef C_RUR_IVA_GEOM_CYLINDER_H
#define C_RUR_IVA_GEOM_CYLINDER_H

#include "CRurIvaGeom.h"

namespace irr {
namespace ode {

/**
 * A cylinder along Z. With radius and length zero it is measured from its visible parent's
 * mesh: radius from the X extent, length from the Z extent.
 */
class CRurIvaGeomCylinder : public CRurIvaGeom {
 public:
  CRurIvaGeomCylinder(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id = -1,
                      const core::vector3df& position = core::vector3df(0, 0, 0),
                      const core::vector3df& rotation = core::vector3df(0, 0, 0),
                      const core::vector3df& scale = core::vector3df(1.0f, 1.0f, 1.0f));
  ~CRurIvaGeomCylinder() override;

  s32 getID() const override { return ID; }
  scene::ESCENE_NODE_TYPE getType() const override { return RUR_IVA_GEOM_CYLINDER_ID; }
  const wchar_t* getTypeName() override { return RUR_IVA_GEOM_CYLINDER_NAME; }
  scene::ISceneNode* clone(scene::ISceneNode* newParent = 0, scene::ISceneManager* newManager = 0) override;
  void OnRegisterSceneNode() override;
  void setMassTotal(f32 fMass) override { m_fMass = fMass; }
  void initPhysics() override;
  void copyParams(CRurIvaSceneNode* pDest, bool bRecurse = true) override;
  void serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions* options = 0) const override;
  void deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options = 0) override;

  void setRadius(f32 fRadius) { m_fRadius = fRadius; }
  f32 getRadius() const { return m_fRadius; }
  void setLength(f32 fLength) { m_fLength = fLength; }
  f32 getLength() const { return m_fLength; }

 private:
  f32 m_fRadius;
  f32 m_fLength;
};

}  // namespace ode
}  // namespace irr

#endif
