// Level geometry costs: building the triangle data of a big mesh, and the contacts of a level of
// several materials while the device's registry grows. (Balls on the demo level are a scene of
// BenchScenes.cpp, measured against plain library calls.)
#include <benchmark/benchmark.h>
#include <irrlicht.h>
#include <CDynamicMeshBuffer.h>

#include <vector>

#include "CRurIvaBody.h"
#include "CRurIvaDevice.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaGeomTrimesh.h"
#include "CRurIvaManager.h"
#include "CRurIvaWorld.h"
#include "CPhysicsScene.h"

namespace {

using irr::f32;
using irr::u16;
using irr::u32;
using irr::core::vector3df;
using irr::ode::CRurIvaBody;
using irr::ode::CRurIvaDevice;
using irr::ode::CRurIvaGeomSphere;
using irr::ode::CRurIvaGeomTrimesh;
using irr::ode::CRurIvaManager;
using irr::ode::CRurIvaWorld;
namespace scene = irr::scene;
namespace video = irr::video;

using varrik::test::kStep;

using BenchLevelScene = varrik::test::CPhysicsScene;

//! A square grid of iCells x iCells cells (two triangles each) with gentle waves, as one buffer
//! with 32-bit indices.
scene::SMesh* benchGrid(u32 iCells) {
  scene::CDynamicMeshBuffer* b = new scene::CDynamicMeshBuffer(video::EVT_STANDARD, video::EIT_32BIT);
  const u32 n = iCells + 1;
  b->getVertexBuffer().reallocate(n * n);
  for (u32 z = 0; z < n; ++z)
    for (u32 x = 0; x < n; ++x) {
      const f32 fx = static_cast<f32>(x), fz = static_cast<f32>(z);
      b->getVertexBuffer().push_back(
          video::S3DVertex(vector3df(fx, 0.1f * ((x * 7 + z * 3) % 11), fz), vector3df(0, 1, 0), 0, {}));
    }
  b->getIndexBuffer().reallocate(iCells * iCells * 6);
  for (u32 z = 0; z < iCells; ++z)
    for (u32 x = 0; x < iCells; ++x) {
      const u32 i = z * n + x;
      for (u32 k : {i, i + n, i + n + 1, i, i + n + 1, i + 1}) b->getIndexBuffer().push_back(k);
    }
  b->recalculateBoundingBox();
  scene::SMesh* m = new scene::SMesh();
  m->addMeshBuffer(b);
  b->drop();
  m->recalculateBoundingBox();
  return m;
}

}  // namespace

// Building the triangle data of a mesh node of about a million triangles (the record is built
// again in every iteration: the rebuild replaces the arrays).
static void BM_LevelTrimeshDataBuildMillionTriangles(benchmark::State& state) {
  BenchLevelScene s;
  const u32 iCells = 708;  // 2 x 708 x 708 = 1,002,528 triangles
  scene::SMesh* pMesh = benchGrid(iCells);
  scene::IMeshSceneNode* pNode = s.m_pSmgr->addMeshSceneNode(pMesh);
  pMesh->drop();
  const u32 iData = s.m_pDevice->geomTrimeshDataCreate();
  for (auto _ : state) {
    s.m_pDevice->geomTrimeshDataBuildSimple(iData, pNode);
    benchmark::DoNotOptimize(s.m_pDevice->getTrimeshVertices(iData));
  }
  const int64_t iTriangles = s.m_pDevice->getTrimeshIndexCount(iData) / 3;
  state.counters["triangles"] = static_cast<double>(iTriangles);
  state.SetItemsProcessed(state.iterations() * iTriangles);
}
BENCHMARK(BM_LevelTrimeshDataBuildMillionTriangles)->Unit(benchmark::kMillisecond);

// Fifty balls resting on a level of five materials while the device's registry holds the given
// number of further records: finding a contact's material must not depend on that number.
static void BM_LevelMaterialContactsWithRegistryRecords(benchmark::State& state) {
  BenchLevelScene s;
  for (int64_t i = 0; i < state.range(0); ++i) s.m_pDevice->massCreate();
  scene::SMesh* pMesh = new scene::SMesh();
  for (int i = 0; i < 5; ++i) {
    scene::SMeshBuffer* b = new scene::SMeshBuffer();
    const f32 x0 = 20.0f * i - 50.0f, x1 = x0 + 20.0f;
    const vector3df aCorners[4] = {vector3df(x0, 0, -20), vector3df(x0, 0, 20), vector3df(x1, 0, 20),
                                   vector3df(x1, 0, -20)};
    for (const vector3df& c : aCorners) b->Vertices.push_back(video::S3DVertex(c, vector3df(0, 1, 0), 0, {}));
    for (u16 k : {0, 1, 2, 0, 2, 3}) b->Indices.push_back(k);
    b->recalculateBoundingBox();
    pMesh->addMeshBuffer(b);
    b->drop();
  }
  pMesh->recalculateBoundingBox();
  scene::IMeshSceneNode* pNode = s.m_pSmgr->addMeshSceneNode(pMesh, s.world());
  pMesh->drop();
  s.add<CRurIvaGeomTrimesh>(pNode);
  for (int i = 0; i < 50; ++i)
    s.addSphereBody(s.world(), vector3df(-47.5f + 2.0f * i, 0.5f, static_cast<f32>(i % 5) * 3.0f), 0.5f);
  s.world()->initPhysics();
  s.steps(10);
  for (auto _ : state) s.world()->step(kStep);
  state.counters["records"] = static_cast<double>(s.m_pDevice->getRecordCount());
}
BENCHMARK(BM_LevelMaterialContactsWithRegistryRecords)
    ->Arg(0)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMicrosecond);
