#include "CRurIvaDevice.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "RurIvaDeviceInternal.h"

// Triangle data built from the mesh of a scene node, and what the library sees of it.

namespace irr {
namespace ode {

namespace {

// Indices of a mesh buffer, whatever their width.
u32 indexAt(const scene::IMeshBuffer* pBuffer, u32 i) {
  if (pBuffer->getIndexType() == video::EIT_32BIT)
    return reinterpret_cast<const u32*>(pBuffer->getIndices())[i];
  return pBuffer->getIndices()[i];
}

}  // namespace

u32 CRurIvaDevice::geomTrimeshDataCreate() {
  ensureLibrary();
  COdeDataWrapper* r = new COdeDataWrapper(eKindTriMeshData);
  r->m_pTriMeshData = dGeomTriMeshDataCreate();
  return addRecord(r);
}

void CRurIvaDevice::geomTrimeshDataBuildSimple(u32 iData, scene::ISceneNode* pNode) {
  buildTrimeshData(iData, pNode, false, 0);
}

void CRurIvaDevice::geomTrimeshDataBuildFromMeshBuffer(u32 iData, scene::ISceneNode* pNode, u32 iBuffer) {
  buildTrimeshData(iData, pNode, true, iBuffer);
}

void CRurIvaDevice::buildTrimeshData(u32 iData, scene::ISceneNode* pNode, bool bOneBuffer, u32 iBuffer) {
  COdeDataWrapper* r = live(iData, eKindTriMeshData);
  if (!r) return;

  const scene::ESCENE_NODE_TYPE iType = pNode ? pNode->getType() : scene::ESNT_UNKNOWN;
  scene::IMesh* pMesh = 0;
  scene::IAnimatedMesh* pAnimated = 0;
  const bool bTerrain = iType == scene::ESNT_TERRAIN;
  if (iType == scene::ESNT_MESH || (bOneBuffer && iType == scene::ESNT_OCTREE)) {
    pMesh = static_cast<scene::IMeshSceneNode*>(pNode)->getMesh();
  } else if (iType == scene::ESNT_ANIMATED_MESH) {
    pAnimated = static_cast<scene::IAnimatedMeshSceneNode*>(pNode)->getMesh();
    pMesh = pAnimated;
  } else if (bTerrain) {
    pMesh = static_cast<scene::ITerrainSceneNode*>(pNode)->getMesh();
  } else {
    printf("Non supported scene node type detected!\n");
    return;
  }
  const core::vector3df s = pNode->getScale();
  if (!pMesh) {
    printf("Mesh==NULL!\n");
    return;
  }

  // A terrain keeps its full-detail triangles in a level-of-detail buffer of its own; its index
  // width follows the terrain's.
  auto drop = [](scene::CDynamicMeshBuffer* p) { p->drop(); };
  std::unique_ptr<scene::CDynamicMeshBuffer, decltype(drop)> pLod(nullptr, drop);
  if (bTerrain) {
    pLod.reset(new scene::CDynamicMeshBuffer(video::EVT_2TCOORDS, video::EIT_16BIT));
    static_cast<scene::ITerrainSceneNode*>(pNode)->getMeshBufferForLOD(*pLod, 0);
  }

  // The buffers to read: all of the mesh, or the one asked for.
  std::vector<const scene::IMeshBuffer*> aBuffers;
  if (bTerrain) {
    if (pMesh->getMeshBufferCount() > 0) aBuffers.push_back(pLod.get());
  } else if (!bOneBuffer) {
    for (u32 i = 0; i < pMesh->getMeshBufferCount(); ++i)
      if (pMesh->getMeshBuffer(i)) aBuffers.push_back(pMesh->getMeshBuffer(i));
  } else {
    const scene::IMeshBuffer* pBuffer =
        iBuffer < pMesh->getMeshBufferCount() ? pMesh->getMeshBuffer(iBuffer) : 0;
    if (!pBuffer && pAnimated) {
      if (pAnimated->getFrameCount() == 0) {
        printf("no meshbuffer found!\n");
        return;
      }
      scene::IMesh* pFrame = pAnimated->getMesh(0, 255, -1, -1);
      pBuffer = (pFrame && iBuffer < pFrame->getMeshBufferCount()) ? pFrame->getMeshBuffer(iBuffer) : 0;
      if (!pBuffer) {
        printf("pBuffer==NULL!\n");
        return;
      }
    } else if (!pBuffer) {
      printf("no meshbuffer found!\n");
      return;
    }
    aBuffers.push_back(pBuffer);
  }

  // Count once, allocate once, copy once. Every vertex type starts with its position.
  u32 iVertices = 0, iIndices = 0;
  for (const scene::IMeshBuffer* b : aBuffers) {
    iVertices += b->getVertexCount();
    iIndices += b->getIndexCount() / 3 * 3;  // whole triangles only
  }
  if (iVertices == 0 || iIndices == 0) {
    printf("CRurIvaDevice::geomTrimeshDataBuild: the mesh has no triangles, data not built\n");
    return;
  }
  std::vector<f32> aVertices(static_cast<size_t>(iVertices) * 4);
  std::vector<s32> aIndices(iIndices);
  u32 iBase = 0, k = 0, p = 0;
  for (const scene::IMeshBuffer* b : aBuffers) {
    const u32 iCount = b->getVertexCount();
    const u32 iTriangleIndices = b->getIndexCount() / 3 * 3;
    for (u32 i = 0; i < iTriangleIndices; ++i) {
      const u32 iIndex = indexAt(b, i);
      if (iIndex >= iCount) {
        printf("CRurIvaDevice::geomTrimeshDataBuild: a triangle names a missing vertex, data not built\n");
        return;
      }
      aIndices[k++] = static_cast<s32>(iIndex + iBase);
    }
    for (u32 i = 0; i < iCount; ++i) {
      const core::vector3df v = b->getPosition(i) * s;
      // A small mesh far out overflows a hash space's cell numbers as a speck does.
      const dReal w[3] = {v.X, v.Y, v.Z};
      if (!usablePosition(w)) {
        printf("CRurIvaDevice::geomTrimeshDataBuild: vertex (%f, %f, %f) is out of reach, data not built\n",
               v.X, v.Y, v.Z);
        return;
      }
      aVertices[p++] = v.X;
      aVertices[p++] = v.Y;
      aVertices[p++] = v.Z;
      aVertices[p++] = 0.0f;
    }
    iBase += iCount;
  }

  // The library reads single-precision vertices only through the builder that says so; the
  // strides describe the four-float vertex and the three-index triangle. The previous arrays
  // are released only after the library points at the new ones.
  dGeomTriMeshDataBuildSingle(r->m_pTriMeshData, aVertices.data(), 4 * sizeof(f32),
                              static_cast<int>(iVertices), aIndices.data(), static_cast<int>(iIndices),
                              3 * sizeof(s32));
  r->m_aVertices.swap(aVertices);
  r->m_aIndices.swap(aIndices);
  r->m_iVertexCount = iVertices;
  r->m_iIndexCount = iIndices;
  r->m_bBuilt = true;

  reseatTrimeshes(iData);
}

void CRurIvaDevice::reseatTrimeshes(u32 iData) {
  // Putting a geometry in place waits for the end of a collision pass.
  if (afterPass([=] { reseatTrimeshes(iData); })) return;
  const COdeDataWrapper* r = record(iData);
  if (!r || !r->m_pTriMeshData) return;
  // Geometries already made from this record keep the bounds of the old triangles, and the
  // broad phase never pairs them with anything outside those bounds: tell each one that its data
  // changed and put it where it is, which makes the library compute its bounds again.
  for (const auto& cEntry : m_mGeomHandles) {
    dGeomID g = cEntry.first;
    if (dGeomGetClass(g) != dTriMeshClass || dGeomTriMeshGetData(g) != r->m_pTriMeshData) continue;
    dGeomTriMeshSetData(g, r->m_pTriMeshData);
    const dReal* p = dGeomGetPosition(g);
    dGeomSetPosition(g, p[0], p[1], p[2]);
    reviewContactLevers(dGeomGetBody(g));
  }
}

void CRurIvaDevice::trimeshDrawDebug(u32 iData, video::IVideoDriver* pDriver) {
  COdeDataWrapper* r = live(iData, eKindTriMeshData);
  if (!r || !pDriver) return;
  pDriver->setTransform(video::ETS_WORLD, core::IdentityMatrix);
  const video::SColor cColor(0x80FFFFFF);
  const f32* v = r->m_aVertices.data();
  for (u32 i = 0; i + 2 < r->m_iIndexCount; i += 3) {
    const f32* a = v + 4 * r->m_aIndices[i];
    const f32* b = v + 4 * r->m_aIndices[i + 1];
    const f32* c = v + 4 * r->m_aIndices[i + 2];
    const core::vector3df pa(a[0], a[1], a[2]), pb(b[0], b[1], b[2]), pc(c[0], c[1], c[2]);
    pDriver->draw3DLine(pa, pb, cColor);
    pDriver->draw3DLine(pc, pb, cColor);
    pDriver->draw3DLine(pa, pc, cColor);
  }
}

// What the library sees of built data; tests and tools read it.
u32 CRurIvaDevice::getTrimeshVertexCount(u32 iData) const {
  COdeDataWrapper* r = live(iData, eKindTriMeshData);
  return r ? r->m_iVertexCount : 0;
}

u32 CRurIvaDevice::getTrimeshIndexCount(u32 iData) const {
  COdeDataWrapper* r = live(iData, eKindTriMeshData);
  return r ? r->m_iIndexCount : 0;
}

const f32* CRurIvaDevice::getTrimeshVertices(u32 iData) const {
  COdeDataWrapper* r = live(iData, eKindTriMeshData);
  return (r && !r->m_aVertices.empty()) ? r->m_aVertices.data() : 0;
}

const s32* CRurIvaDevice::getTrimeshIndices(u32 iData) const {
  COdeDataWrapper* r = live(iData, eKindTriMeshData);
  return (r && !r->m_aIndices.empty()) ? r->m_aIndices.data() : 0;
}

}  // namespace ode
}  // namespace irr
