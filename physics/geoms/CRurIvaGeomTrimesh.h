#ifndef C_RUR_IVA_GEOM_TRIMESH_H
#define C_RUR_IVA_GEOM_TRIMESH_H

#include <vector>

#include "CRurIvaGeom.h"

namespace irr {
namespace ode {

/**
 * Turns the triangles of a mesh node into collision geometry. A static mesh (no body above
 * it, e.g. a level) gets one geometry and one surface parameter set per material, so every
 * material can have its own friction and bounce; a mesh under a body gets one geometry.
 * The mesh comes from the node's first child if it has one, otherwise from its parent.
 */
class CRurIvaGeomTrimesh : public CRurIvaGeom {
 public:
  CRurIvaGeomTrimesh(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id = -1,
                     const core::vector3df& position = core::vector3df(0, 0, 0),
                     const core::vector3df& rotation = core::vector3df(0, 0, 0),
                     const core::vector3df& scale = core::vector3df(1.0f, 1.0f, 1.0f));
  ~CRurIvaGeomTrimesh() override;

  s32 getID() const override { return ID; }
  scene::ESCENE_NODE_TYPE getType() const override { return RUR_IVA_GEOM_TRIMESH_ID; }
  const wchar_t* getTypeName() override { return RUR_IVA_GEOM_TRIMESH_NAME; }
  scene::ISceneNode* clone(scene::ISceneNode* newParent = 0, scene::ISceneManager* newManager = 0) override;
  void OnRegisterSceneNode() override;
  void setParent(scene::ISceneNode* newParent) override;
  void initPhysics() override;
  void removeFromPhysics() override;
  void forgetPhysics() override;
  void copyParams(CRurIvaSceneNode* pDest, bool bRecurse = true) override;
  void setMassTotal(f32 fMass) override { m_fMass = fMass; }
  u32 getGeomId(u32 iIndex = 0) override;
  CRurIvaSurfaceParameters* getSurfaceParameters(u32 iIndex) override;

  //! Position of a geometry handle in this node's list, or -1 if the node does not own it.
  s32 getIndexOfGeom(u32 iHandle) const;
  u32 getGeomCount() const { return m_aGeomIds.size(); }
  /**
   * The position of the library geometry pLibraryGeom (opaque to all but the device) in this
   * node's list, as the device noted it before (noteLibraryGeom); -1 when not noted. The
   * collision of a pair finds the touched material here instead of through the handle, and
   * the notes go whenever the node's geometries are made or destroyed.
   */
  s32 notedIndexOfLibraryGeom(const void* pLibraryGeom) const {
    for (size_t i = 0; i < m_aLibraryGeoms.size(); ++i)
      if (m_aLibraryGeoms[i] == pLibraryGeom) return static_cast<s32>(i);
    return -1;
  }
  void noteLibraryGeom(u32 iIndex, const void* pLibraryGeom) {
    if (iIndex >= m_aGeomIds.size()) return;
    if (m_aLibraryGeoms.size() < m_aGeomIds.size()) m_aLibraryGeoms.resize(m_aGeomIds.size(), nullptr);
    m_aLibraryGeoms[iIndex] = pLibraryGeom;
  }

 private:
  //! Grows or shrinks the surface parameter sets to iCount, new sets static or not.
  void resizeSurfaceParameters(u32 iCount, bool bStatic);
  scene::ISceneNode* meshSource() const;

  //! Empties the list of geometry handles, and the notes with it.
  void clearGeoms() {
    m_aGeomIds.clear();
    m_aLibraryGeoms.clear();
  }

  core::array<u32> m_aGeomIds;
  //! The library geometry of each handle of m_aGeomIds, where noted (see noteLibraryGeom).
  std::vector<const void*> m_aLibraryGeoms;
};

}  // namespace ode
}  // namespace irr

#endif
