#include "CRurIvaGeomBox.h"

#include <cstdio>

#include "CRurIvaBody.h"

namespace irr {
namespace ode {

CRurIvaGeomBox::CRurIvaGeomBox(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id,
                               const core::vector3df& position, const core::vector3df& rotation,
                               const core::vector3df& scale)
    : CRurIvaGeom(parent, mgr, id, position, rotation, scale),
      m_fWidth(0.0f),
      m_fHeight(0.0f),
      m_fDepth(0.0f),
      m_bUseAllMaterials(true) {
  m_fMass = 1.0f;
}

CRurIvaGeomBox::~CRurIvaGeomBox() {}

scene::ISceneNode* CRurIvaGeomBox::clone(scene::ISceneNode* newParent, scene::ISceneManager* newManager) {
  return cloneGeom(this, newParent, newManager);
}

void CRurIvaGeomBox::OnRegisterSceneNode() { CRurIvaGeom::OnRegisterSceneNode(); }

void CRurIvaGeomBox::setUseMaterial(u32 iMaterial, bool bUse) {
  while (m_aUseMaterial.size() <= iMaterial) m_aUseMaterial.push_back(true);
  m_aUseMaterial[iMaterial] = bUse;
}

bool CRurIvaGeomBox::parentIsMeshNode() const {
  return Parent && (Parent->getType() == scene::ESNT_MESH || Parent->getType() == scene::ESNT_ANIMATED_MESH);
}

bool CRurIvaGeomBox::deriveFromSelectedBuffers(core::aabbox3df& cBox) {
  if (!parentIsMeshNode()) {
    printf("Non supported scene node type detected!\n");
    return false;
  }
  scene::IMesh* pMesh = 0;
  if (Parent->getType() == scene::ESNT_MESH) {
    pMesh = static_cast<scene::IMeshSceneNode*>(Parent)->getMesh();
  } else {
    scene::IAnimatedMesh* pAnimated = static_cast<scene::IAnimatedMeshSceneNode*>(Parent)->getMesh();
    if (pAnimated) pMesh = pAnimated->getMesh(0, 255, -1, -1);
  }

  // Starting at the origin keeps the parent's origin inside the box.
  cBox.reset(core::vector3df(0, 0, 0));
  if (pMesh) {
    for (u32 i = 0; i < pMesh->getMeshBufferCount(); ++i) {
      if (i < m_aUseMaterial.size() && !m_aUseMaterial[i]) continue;
      const core::aabbox3df& cBuffer = pMesh->getMeshBuffer(i)->getBoundingBox();
      cBox.addInternalPoint(cBuffer.MinEdge);
      cBox.addInternalPoint(cBuffer.MaxEdge);
    }
  }
  m_cBoundingBox = cBox;
  return true;
}

void CRurIvaGeomBox::initPhysics() {
  if (m_bPhysicsInitialized) return;
  // The whole chain, not just the parent: a moved grandparent would leave the box behind.
  updateAbsoluteChain();
  m_pSpace = findSpace();

  if (m_fWidth == 0.0f && m_fHeight == 0.0f && m_fDepth == 0.0f) {
    core::aabbox3df cBox;
    core::vector3df cScale(1.0f, 1.0f, 1.0f);
    if (m_bUseAllMaterials) {
      if (!getParentMeshBox(cBox, cScale)) cBox.reset(core::vector3df(0, 0, 0));
    } else {
      // Without a mesh to measure there is nothing to build.
      if (!deriveFromSelectedBuffers(cBox)) return;
      cScale = Parent->getScale();
    }
    const core::vector3df cExtent = cBox.getExtent();
    m_fWidth = cExtent.X * cScale.X;
    m_fHeight = cExtent.Y * cScale.Y;
    m_fDepth = cExtent.Z * cScale.Z;
  }

  finishPrimitive(
      [this](u32 iSpace) { return m_pOdeDevice->geomCreateBox(iSpace, m_fWidth, m_fHeight, m_fDepth); },
      [this]() { m_pOdeDevice->massSetBoxTotal(m_iMass, m_fMass, m_fWidth, m_fHeight, m_fDepth); }, true);
}

void CRurIvaGeomBox::copyParams(CRurIvaSceneNode* pDest, bool bRecurse) {
  if (!pDest) return;
  if (bRecurse) CRurIvaGeom::copyParams(pDest, true);
  CRurIvaGeomBox* pDst = static_cast<CRurIvaGeomBox*>(pDest);
  pDst->m_fWidth = m_fWidth;
  pDst->m_fHeight = m_fHeight;
  pDst->m_fDepth = m_fDepth;
  pDst->m_bUseAllMaterials = m_bUseAllMaterials;
  pDst->m_aUseMaterial = m_aUseMaterial;
}

void CRurIvaGeomBox::serializeAttributes(io::IAttributes* out,
                                         io::SAttributeReadWriteOptions* options) const {
  if (!out) return;
  CRurIvaGeom::serializeAttributes(out, options);
  out->addFloat("Width", m_fWidth);
  out->addFloat("Height", m_fHeight);
  out->addFloat("Depth", m_fDepth);
  if (!parentIsMeshNode()) return;

  out->addBool("useAllMaterials", m_bUseAllMaterials);
  if (m_bUseAllMaterials) return;
  c8 sKey[64];
  for (u32 i = 0; i < Parent->getMaterialCount(); ++i) {
    snprintf(sKey, sizeof(sKey), "useMaterial%u", i + 1);
    out->addBool(sKey, i < m_aUseMaterial.size() ? m_aUseMaterial[i] : true);
  }
}

void CRurIvaGeomBox::deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options) {
  if (!in) return;
  CRurIvaGeom::deserializeAttributes(in, options);
  readFinite(in, "Width", m_fWidth);
  readFinite(in, "Height", m_fHeight);
  readFinite(in, "Depth", m_fDepth);
  if (!Parent) return;
  if (!parentIsMeshNode()) {
    m_bUseAllMaterials = true;
    return;
  }
  if (!in->existsAttribute("useAllMaterials")) return;
  m_bUseAllMaterials = in->getAttributeAsBool("useAllMaterials");
  if (m_bUseAllMaterials) return;

  m_aUseMaterial.clear();
  c8 sKey[64];
  for (u32 i = 1; i <= Parent->getMaterialCount(); ++i) {
    snprintf(sKey, sizeof(sKey), "useMaterial%u", i);
    m_aUseMaterial.push_back(in->existsAttribute(sKey) ? in->getAttributeAsBool(sKey) : true);
  }
}

}  // namespace ode
}  // namespace irr
