#ifndef C_RUR_IVA_GEOM_RAY_H
#define C_RUR_IVA_GEOM_RAY_H

#include "CRurIvaGeom.h"

namespace irr {
namespace ode {

class CRurIvaBody;

/**
 * A collision ray: a segment from a start point along a direction. Its hits are reported as
 * ray-hit events instead of making contacts. A fast-moving body carries one that spans its
 * last movement, so that obstacles it jumped over in one step are still caught.
 */
class CRurIvaGeomRay : public CRurIvaGeom {
 public:
  CRurIvaGeomRay(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id = -1,
                 const core::vector3df& position = core::vector3df(0, 0, 0),
                 const core::vector3df& rotation = core::vector3df(0, 0, 0),
                 const core::vector3df& scale = core::vector3df(1.0f, 1.0f, 1.0f));
  ~CRurIvaGeomRay() override;

  s32 getID() const override { return ID; }
  scene::ESCENE_NODE_TYPE getType() const override { return RUR_IVA_GEOM_RAY_ID; }
  const wchar_t* getTypeName() override { return RUR_IVA_GEOM_RAY_NAME; }
  scene::ISceneNode* clone(scene::ISceneNode* newParent = 0, scene::ISceneManager* newManager = 0) override;
  void OnRegisterSceneNode() override;
  void initPhysics() override;
  void copyParams(CRurIvaSceneNode* pDest, bool bRecurse = true) override;
  //! A ray has no mass.
  void setMassTotal(f32) override {}
  void serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions* options = 0) const override;
  void deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options = 0) override;

  void set(core::vector3df cPos, core::vector3df cDir, f32 fLength);
  const core::vector3df& getRayPosition() const { return m_cPos; }
  const core::vector3df& getDirection() const { return m_cDir; }
  f32 getLength() const { return m_fLength; }
  void setBackfaceCull(bool b);
  bool getBackfaceCull() const { return m_bBackfaceCull; }
  //! The body whose fast collisions this ray catches (a fast-moving body's guard ray), or none.
  //! The ray lets go of the body when the body goes.
  void setAttachedBody(CRurIvaBody* pBody);
  CRurIvaBody* getAttachedBody() const { return m_pAttachedBody; }

 private:
  f32 m_fLength;
  core::vector3df m_cPos;
  core::vector3df m_cDir;
  bool m_bBackfaceCull;
  CRurIvaBody* m_pAttachedBody;
};

}  // namespace ode
}  // namespace irr

#endif
