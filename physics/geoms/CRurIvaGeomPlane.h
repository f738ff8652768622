#ifndef C_RUR_IVA_GEOM_PLANE_H
#define C_RUR_IVA_GEOM_PLANE_H

#include "CRurIvaGeom.h"

namespace irr {
namespace ode {

/**
 * An infinite plane a*x + b*y + c*z = d in world coordinates: static ground, never attached
 * to a body and without mass. It must be given its parameters before initialisation.
 */
class CRurIvaGeomPlane : public CRurIvaGeom {
 public:
  CRurIvaGeomPlane(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id = -1,
                   const core::vector3df& position = core::vector3df(0, 0, 0),
                   const core::vector3df& rotation = core::vector3df(0, 0, 0),
                   const core::vector3df& scale = core::vector3df(1.0f, 1.0f, 1.0f));
  ~CRurIvaGeomPlane() override;

  s32 getID() const override { return ID; }
  scene::ESCENE_NODE_TYPE getType() const override { return RUR_IVA_GEOM_PLANE_ID; }
  const wchar_t* getTypeName() override { return RUR_IVA_GEOM_PLANE_NAME; }
  scene::ISceneNode* clone(scene::ISceneNode* newParent = 0, scene::ISceneManager* newManager = 0) override;
  void OnRegisterSceneNode() override;
  //! A plane has no mass.
  void setMassTotal(f32) override {}
  void initPhysics() override;
  void copyParams(CRurIvaSceneNode* pDest, bool bRecurse = true) override;
  void serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions* options = 0) const override;
  void deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options = 0) override;

  void setParams(f32 a, f32 b, f32 c, f32 d);
  f32 getA() const { return m_fA; }
  f32 getB() const { return m_fB; }
  f32 getC() const { return m_fC; }
  f32 getD() const { return m_fD; }

 private:
  f32 m_fA;
  f32 m_fB;
  f32 m_fC;
  f32 m_fD;
};

}  // namespace ode
}  // namespace irr

#endif
