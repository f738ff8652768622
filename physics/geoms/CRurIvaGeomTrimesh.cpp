#include "CRurIvaGeomTrimesh.h"

#include "CRurIvaBody.h"
#include "CRurIvaSurfaceParameters.h"

namespace irr {
namespace ode {

CRurIvaGeomTrimesh::CRurIvaGeomTrimesh(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id,
                                       const core::vector3df& position, const core::vector3df& rotation,
                                       const core::vector3df& scale)
    : CRurIvaGeom(parent, mgr, id, position, rotation, scale) {
  m_bSetPerGeom = true;
  if (parent) resizeSurfaceParameters(parent->getMaterialCount(), m_pBody == 0);
}

CRurIvaGeomTrimesh::~CRurIvaGeomTrimesh() {
  // The base destroys the body-attached geometry; every other handle is ours to destroy.
  for (u32 i = 0; i < m_aGeomIds.size(); ++i)
    if (m_aGeomIds[i] && m_aGeomIds[i] != m_iGeomId) m_pOdeDevice->geomDestroy(m_aGeomIds[i]);
  clearGeoms();
}

void CRurIvaGeomTrimesh::resizeSurfaceParameters(u32 iCount, bool bStatic) {
  // A geometry always keeps its first set: contacts and scene files rely on it.
  if (iCount < 1) iCount = 1;
  while (m_aParams.size() < iCount) m_aParams.push_back(createSurfaceParameters(bStatic));
  while (m_aParams.size() > iCount) {
    destroySurfaceParameters(m_aParams.getLast());
    m_aParams.erase(m_aParams.size() - 1);
  }
}

scene::ISceneNode* CRurIvaGeomTrimesh::clone(scene::ISceneNode* newParent, scene::ISceneManager* newManager) {
  return cloneGeom(this, newParent, newManager);
}

void CRurIvaGeomTrimesh::OnRegisterSceneNode() { CRurIvaGeom::OnRegisterSceneNode(); }

void CRurIvaGeomTrimesh::setParent(scene::ISceneNode* newParent) {
  CRurIvaSceneNode::setParent(newParent);
  if (!newParent) return;
  // Under a body the mesh becomes one geometry with one surface; elsewhere one per material.
  if (getAncestorOfType(RUR_IVA_BODY_ID))
    resizeSurfaceParameters(1, false);
  else
    resizeSurfaceParameters(newParent->getMaterialCount(), true);
}

u32 CRurIvaGeomTrimesh::getGeomId(u32 iIndex) {
  if (m_aGeomIds.empty()) return 0;
  return iIndex < m_aGeomIds.size() ? m_aGeomIds[iIndex] : m_aGeomIds[0];
}

CRurIvaSurfaceParameters* CRurIvaGeomTrimesh::getSurfaceParameters(u32 iIndex) {
  return iIndex < m_aParams.size() ? m_aParams[iIndex] : m_aParams[0];
}

s32 CRurIvaGeomTrimesh::getIndexOfGeom(u32 iHandle) const {
  for (u32 i = 0; i < m_aGeomIds.size(); ++i)
    if (m_aGeomIds[i] == iHandle) return static_cast<s32>(i);
  return -1;
}

scene::ISceneNode* CRurIvaGeomTrimesh::meshSource() const {
  scene::ISceneNode* pSource = Children.empty() ? Parent : *Children.begin();
  // The scene's root has no mesh, and the engine hands out no bounding box of it to measure a
  // mass by: a mesh geometry moved there waits for a parent with a mesh.
  if (pSource && pSource->getType() == scene::ESNT_SCENE_MANAGER) {
    printf("Non supported scene node type detected!\n");
    return 0;
  }
  return pSource;
}

void CRurIvaGeomTrimesh::initPhysics() {
  if (m_bPhysicsInitialized) return;
  if (Parent) Parent->updateAbsolutePosition();
  updateAbsolutePosition();
  m_pSpace = findSpace();
  // Geometries made now may lie where destroyed ones lay.
  m_aLibraryGeoms.clear();

  scene::ISceneNode* pSource = meshSource();
  if (!pSource) return;
  if (pSource != Parent) pSource->setVisible(false);

  const core::vector3df cPosition = m_pBody ? m_pBody->getPosition() : getAbsolutePosition();
  if (m_pBody) {
    const u32 iData = m_pOdeDevice->geomTrimeshDataCreate();
    m_pOdeDevice->geomTrimeshDataBuildSimple(iData, pSource);
    m_iGeomId = m_pOdeDevice->geomCreateTrimesh(spaceId(), iData);
    if (m_iGeomId) m_pOdeDevice->geomSetPosition(m_iGeomId, cPosition);
    if (m_fMass != 0.0f) {
      m_pOdeDevice->massSetZero(m_iMass);
      const core::vector3df cExtent = pSource->getBoundingBox().getExtent();
      m_pOdeDevice->massSetSphereTotal(m_iMass, m_fMass, (cExtent.X + cExtent.Y + cExtent.Z) / 3.0f);
      addMassToBodyLater();
    }
    m_pOdeDevice->geomSetData(m_iGeomId, this);
    m_aGeomIds.push_back(m_iGeomId);
    setBody(m_pBody);
  } else {
    const core::vector3df cRotation = Parent ? Parent->getRotation() : core::vector3df(0, 0, 0);
    for (u32 i = 0; i < pSource->getMaterialCount(); ++i) {
      const u32 iData = m_pOdeDevice->geomTrimeshDataCreate();
      m_pOdeDevice->geomTrimeshDataBuildFromMeshBuffer(iData, pSource, i);
      const u32 iGeom = m_pOdeDevice->geomCreateTrimesh(spaceId(), iData);
      m_aGeomIds.push_back(iGeom);
      m_pOdeDevice->geomSetRotation(iGeom, cRotation);
      m_pOdeDevice->geomSetPosition(iGeom, cPosition);
      m_pOdeDevice->geomSetData(iGeom, this);
    }
  }
  CRurIvaGeom::initPhysics();
}

void CRurIvaGeomTrimesh::removeFromPhysics() {
  if (m_iGeomId) {
    CRurIvaGeom::removeFromPhysics();
    clearGeoms();
    return;
  }
  CRurIvaSceneNode::removeFromPhysics();
  if (!m_bPhysicsInitialized) {
    detachFromOwner();
    return;
  }
  for (u32 i = 0; i < m_aGeomIds.size(); ++i) m_pOdeDevice->geomDestroy(m_aGeomIds[i]);
  clearGeoms();
  // A static mesh stays in its world and can be built again.
  setPhysicsInitialized(false);
}

void CRurIvaGeomTrimesh::forgetPhysics() {
  CRurIvaGeom::forgetPhysics();
  clearGeoms();
}

void CRurIvaGeomTrimesh::copyParams(CRurIvaSceneNode* pDest, bool bRecurse) {
  if (pDest && bRecurse) CRurIvaGeom::copyParams(pDest, true);
}

}  // namespace ode
}  // namespace irr
