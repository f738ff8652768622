#include "CRurIvaDebugView.h"

#include "CRurIvaGeom.h"
#include "CRurIvaSceneNode.h"

namespace irr {
namespace ode {

const video::SColor CRurIvaDebugView::kDynamic(255, 0, 255, 0);
const video::SColor CRurIvaDebugView::kSleeping(255, 0, 128, 255);
const video::SColor CRurIvaDebugView::kStatic(255, 255, 200, 0);
const video::SColor CRurIvaDebugView::kContact(255, 255, 0, 255);

namespace {

//! Lines per draw call: two vertices each, with 16-bit indices.
const u32 kLinesPerBatch = 32767;

}  // namespace

void CRurIvaDebugView::drawLines(video::IVideoDriver* pDriver, const core::array<core::line3df>& aLines,
                                 video::SColor cColor, bool bOnTop) {
  if (!pDriver || aLines.empty()) return;
  video::SMaterial cMaterial;
  cMaterial.Lighting = false;
  cMaterial.ZWriteEnable = false;
  cMaterial.ZBuffer = bOnTop ? video::ECFN_NEVER : video::ECFN_LESSEQUAL;
  pDriver->setMaterial(cMaterial);
  pDriver->setTransform(video::ETS_WORLD, core::IdentityMatrix);

  // One frame draws these again and again: the buffers keep their size between calls.
  static core::array<video::S3DVertex> aVertices;
  static core::array<u16> aIndices;
  for (u32 iFirst = 0; iFirst < aLines.size(); iFirst += kLinesPerBatch) {
    const u32 n = core::min_(kLinesPerBatch, aLines.size() - iFirst);
    aVertices.set_used(2 * n);
    aIndices.set_used(2 * n);
    for (u32 i = 0; i < n; ++i) {
      const core::line3df& l = aLines[iFirst + i];
      aVertices[2 * i] = video::S3DVertex(l.start, core::vector3df(0, 1, 0), cColor, core::vector2df(0, 0));
      aVertices[2 * i + 1] = video::S3DVertex(l.end, core::vector3df(0, 1, 0), cColor, core::vector2df(0, 0));
      aIndices[2 * i] = static_cast<u16>(2 * i);
      aIndices[2 * i + 1] = static_cast<u16>(2 * i + 1);
    }
    pDriver->drawVertexPrimitiveList(aVertices.const_pointer(), 2 * n, aIndices.const_pointer(), n,
                                     video::EVT_STANDARD, scene::EPT_LINES, video::EIT_16BIT);
  }
}

core::aabbox3df CRurIvaDebugView::localBox(const core::array<core::line3df>& aLines,
                                           const core::matrix4& cAbsolute) {
  if (aLines.empty()) return core::aabbox3df(0, 0, 0, 0, 0, 0);
  core::aabbox3df cWorld(aLines[0].start);
  for (u32 i = 0; i < aLines.size(); ++i) {
    cWorld.addInternalPoint(aLines[i].start);
    cWorld.addInternalPoint(aLines[i].end);
  }
  core::matrix4 cInverse;
  if (!cAbsolute.getInverse(cInverse)) return cWorld;
  core::vector3df aCorners[8];
  cWorld.getEdges(aCorners);
  core::aabbox3df cLocal;
  for (int i = 0; i < 8; ++i) {
    cInverse.transformVect(aCorners[i]);
    if (i == 0)
      cLocal.reset(aCorners[i]);
    else
      cLocal.addInternalPoint(aCorners[i]);
  }
  return cLocal;
}

void CRurIvaDebugView::setSubtree(scene::ISceneNode* pNode, bool bOn) {
  if (!pNode) return;
  const scene::ESCENE_NODE_TYPE iType = pNode->getType();
  if (iType == RUR_IVA_WORLD_ID || CRurIvaGeom::isGeomType(iType))
    pNode->setDebugDataVisible(bOn ? scene::EDS_FULL : scene::EDS_OFF);
  for (scene::ISceneNode* pChild : pNode->getChildren()) setSubtree(pChild, bOn);
}

}  // namespace ode
}  // namespace irr
