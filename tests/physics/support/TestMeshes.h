// Meshes built in memory for the tests, and the triangle data the device makes of them, read
// back as positions and indices.
#ifndef VARRIK_TESTS_PHYSICS_TEST_MESHES_H
#define VARRIK_TESTS_PHYSICS_TEST_MESHES_H

#include <irrlicht.h>

#include <initializer_list>
#include <vector>

#include "CRurIvaDevice.h"

namespace varrik {
namespace test {

//! A mesh of the given buffers; it takes over their creation references.
inline irr::scene::SMesh* meshOf(std::initializer_list<irr::scene::IMeshBuffer*> lBuffers) {
  irr::scene::SMesh* pMesh = new irr::scene::SMesh();
  for (irr::scene::IMeshBuffer* pBuffer : lBuffers) {
    pMesh->addMeshBuffer(pBuffer);
    pBuffer->drop();
  }
  pMesh->recalculateBoundingBox();
  return pMesh;
}

//! A mesh of one buffer per box, each buffer holding the eight corners of its box.
inline irr::scene::SMesh* meshOfBoxes(const std::vector<irr::core::aabbox3df>& aBoxes) {
  irr::scene::SMesh* pMesh = new irr::scene::SMesh();
  for (const irr::core::aabbox3df& cBox : aBoxes) {
    irr::scene::SMeshBuffer* pBuffer = new irr::scene::SMeshBuffer();
    irr::core::vector3df aCorners[8];
    cBox.getEdges(aCorners);
    for (const irr::core::vector3df& c : aCorners)
      pBuffer->Vertices.push_back(irr::video::S3DVertex(c, irr::core::vector3df(0, 1, 0),
                                                        irr::video::SColor(255, 255, 255, 255),
                                                        irr::core::vector2df(0, 0)));
    const irr::u16 aIndices[] = {0, 1, 2, 2, 1, 3, 4, 5, 6, 6, 5, 7};
    for (irr::u16 i : aIndices) pBuffer->Indices.push_back(i);
    pBuffer->recalculateBoundingBox();
    pMesh->addMeshBuffer(pBuffer);
    pBuffer->drop();
  }
  pMesh->recalculateBoundingBox();
  return pMesh;
}

//! The vertex positions of a triangle data record, as the dynamics library reads them.
inline std::vector<irr::core::vector3df> trimeshVertices(irr::ode::CRurIvaDevice& cDevice, irr::u32 iData) {
  std::vector<irr::core::vector3df> a;
  const irr::f32* v = cDevice.getTrimeshVertices(iData);
  for (irr::u32 i = 0; v && i < cDevice.getTrimeshVertexCount(iData); ++i)
    a.push_back(irr::core::vector3df(v[4 * i], v[4 * i + 1], v[4 * i + 2]));
  return a;
}

//! The triangle indices of a triangle data record.
inline std::vector<irr::s32> trimeshIndices(irr::ode::CRurIvaDevice& cDevice, irr::u32 iData) {
  const irr::s32* p = cDevice.getTrimeshIndices(iData);
  return p ? std::vector<irr::s32>(p, p + cDevice.getTrimeshIndexCount(iData)) : std::vector<irr::s32>();
}

}  // namespace test
}  // namespace varrik

#endif
