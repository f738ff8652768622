#include "CRurIvaGeomHeightfield.h"

#include <cfloat>
#include <cmath>
#include <cstdio>

namespace irr {
namespace ode {

namespace {
//! Vertical extent of every heightfield; heights outside it are clamped to it.
const f32 kLowestHeight = -1000.0f;
const f32 kHighestHeight = 1000.0f;
}  // namespace

CRurIvaGeomHeightfield::CRurIvaGeomHeightfield(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id,
                                               const core::vector3df& position,
                                               const core::vector3df& rotation, const core::vector3df& scale)
    : CRurIvaGeom(parent, mgr, id, position, rotation, scale),
      m_iDataId(0),
      m_fWidth(0.0f),
      m_fDepth(0.0f),
      m_fThickness(1.0f),
      m_iWidthSamples(256),
      m_iDepthSamples(256) {
  m_fMass = 0.0f;
}

CRurIvaGeomHeightfield::~CRurIvaGeomHeightfield() {}

scene::ISceneNode* CRurIvaGeomHeightfield::clone(scene::ISceneNode* newParent,
                                                 scene::ISceneManager* newManager) {
  return cloneGeom(this, newParent, newManager);
}

void CRurIvaGeomHeightfield::OnRegisterSceneNode() { CRurIvaGeom::OnRegisterSceneNode(); }

f32 CRurIvaGeomHeightfield::getHeight(int x, int z) {
  if (!Parent || Parent->getType() != scene::ESNT_TERRAIN) return 0.0f;
  return static_cast<scene::ITerrainSceneNode*>(Parent)->getHeight(static_cast<f32>(x), static_cast<f32>(z));
}

f32 CRurIvaGeomHeightfield::getHeightCallback(void* pData, int x, int z) {
  CRurIvaGeomHeightfield* pField = static_cast<CRurIvaGeomHeightfield*>(pData);
  if (!pField || !pField->Parent) return 0.0f;
  const core::vector3df cP = pField->Parent->getPosition();
  const f32 fStepX = pField->m_iWidthSamples > 1 ? pField->m_fWidth / (pField->m_iWidthSamples - 1) : 0.0f;
  const f32 fStepZ = pField->m_iDepthSamples > 1 ? pField->m_fDepth / (pField->m_iDepthSamples - 1) : 0.0f;
  const f32 fWx = fStepX * x + cP.X;
  const f32 fWz = fStepZ * z + cP.Z;
  f32 fTerrain = pField->getHeight(static_cast<int>(fWx), static_cast<int>(fWz));
  if (!(fTerrain > -FLT_MAX) && pField->Parent->getType() == scene::ESNT_TERRAIN) {
    // The terrain answers -FLT_MAX off its surface, and also on its far edges (it answers only
    // inside its cells); the last samples, and the first ones when a fractional position is
    // truncated to a point before the terrain, would dig a trench down to the lower bound along
    // the edges. Such a sample takes the height of the nearest point of the terrain.
    const core::aabbox3df& cBox = pField->Parent->getBoundingBox();
    const f32 fMarginX = fStepX * 1e-3f, fMarginZ = fStepZ * 1e-3f;
    fTerrain = static_cast<scene::ITerrainSceneNode*>(pField->Parent)
                   ->getHeight(core::clamp(fWx, cBox.MinEdge.X + fMarginX, cBox.MaxEdge.X - fMarginX),
                               core::clamp(fWz, cBox.MinEdge.Z + fMarginZ, cBox.MaxEdge.Z - fMarginZ));
  }
  const f32 fHeight = fTerrain - cP.Y;
  // A height the terrain still cannot give would break the collision maths.
  if (!std::isfinite(fHeight) || fHeight < kLowestHeight) return kLowestHeight;
  return fHeight > kHighestHeight ? kHighestHeight : fHeight;
}

void CRurIvaGeomHeightfield::initPhysics() {
  if (m_bPhysicsInitialized) return;
  updateAbsolutePosition();
  m_cBoundingBox.reset(getAbsolutePosition());
  m_pSpace = findSpace();

  if (!Parent || Parent->getType() != scene::ESNT_TERRAIN) {
    printf("Non supported scene node type detected!\n");
    return;
  }
  scene::ITerrainSceneNode* pTerrain = static_cast<scene::ITerrainSceneNode*>(Parent);

  const core::aabbox3df& cBox = pTerrain->getBoundingBox();
  m_fWidth = cBox.MaxEdge.X - cBox.MinEdge.X;
  m_fDepth = cBox.MaxEdge.Z - cBox.MinEdge.Z;

  // The terrain is a square grid: the full-detail buffer has samples x samples vertices.
  scene::CDynamicMeshBuffer cBuffer(video::EVT_2TCOORDS, video::EIT_16BIT);
  pTerrain->getMeshBufferForLOD(cBuffer, 0);
  const u32 iSamples = static_cast<u32>(std::floor(std::sqrt(static_cast<double>(cBuffer.getVertexCount()))));
  m_iWidthSamples = iSamples;
  m_iDepthSamples = iSamples;

  m_iDataId = m_pOdeDevice->geomHeightfieldDataCreate();
  m_pOdeDevice->geomHeightfieldDataCallback(m_iDataId, this, reinterpret_cast<void*>(&getHeightCallback),
                                            m_fWidth, m_fDepth, static_cast<int>(m_iWidthSamples),
                                            static_cast<int>(m_iDepthSamples), 1.0f, 0.0f, m_fThickness, 0);
  m_pOdeDevice->geomHeightfieldSetBounds(m_iDataId, kLowestHeight, kHighestHeight);
  m_iGeomId = m_pOdeDevice->geomCreateHeightfield(spaceId(), m_iDataId);

  // The dynamics library centres a heightfield on its position; the terrain starts at its corner.
  Parent->updateAbsolutePosition();
  const core::vector3df cP = Parent->getPosition();
  m_pOdeDevice->geomSetPosition(m_iGeomId,
                                core::vector3df(cP.X + m_fWidth * 0.5f, cP.Y, cP.Z + m_fDepth * 0.5f));
  m_pOdeDevice->geomSetBody(m_iGeomId, 0);
  m_pOdeDevice->geomSetData(m_iGeomId, this);
  CRurIvaGeom::initPhysics();
}

void CRurIvaGeomHeightfield::forgetPhysics() {
  CRurIvaGeom::forgetPhysics();
  m_iDataId = 0;
}

void CRurIvaGeomHeightfield::copyParams(CRurIvaSceneNode* pDest, bool bRecurse) {
  if (!pDest) return;
  if (bRecurse) CRurIvaGeom::copyParams(pDest, true);
  CRurIvaGeomHeightfield* pDst = static_cast<CRurIvaGeomHeightfield*>(pDest);
  pDst->setWidth(m_fWidth);
  pDst->setDepth(m_fDepth);
  pDst->setThickness(m_fThickness);
  pDst->setWidthSamples(m_iWidthSamples);
  pDst->setDepthSamples(m_iDepthSamples);
}

void CRurIvaGeomHeightfield::serializeAttributes(io::IAttributes* out,
                                                 io::SAttributeReadWriteOptions* options) const {
  if (!out) return;
  CRurIvaGeom::serializeAttributes(out, options);
  out->addFloat("Width", m_fWidth);
  out->addFloat("Depth", m_fDepth);
  out->addFloat("Thickness", m_fThickness);
  out->addInt("WidthSamples", static_cast<s32>(m_iWidthSamples));
  out->addInt("DepthSamples", static_cast<s32>(m_iDepthSamples));
}

void CRurIvaGeomHeightfield::deserializeAttributes(io::IAttributes* in,
                                                   io::SAttributeReadWriteOptions* options) {
  if (!in) return;
  CRurIvaGeom::deserializeAttributes(in, options);
  m_fWidth = in->getAttributeAsFloat("Width");
  m_fDepth = in->getAttributeAsFloat("Depth");
  m_fThickness = in->getAttributeAsFloat("Thickness");
  m_iWidthSamples = static_cast<u32>(in->getAttributeAsInt("WidthSamples"));
  m_iDepthSamples = static_cast<u32>(in->getAttributeAsInt("DepthSamples"));
}

}  // namespace ode
}  // namespace irr
