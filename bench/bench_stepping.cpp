// Simulation steps per second for boxes resting apart on a plane: once through the physics
// layer (manager, world, bodies, geometries, contacts, body-moved events applied to the scene
// nodes) and once with plain dynamics-library calls doing the same work (hash space, the same
// contact count and surface, dWorldStep), so that the layer's cost shows as the ratio of the
// two rates. Nothing is asserted about the numbers.
//
// Only the physics device includes the dynamics library's header inside the layer itself; this
// benchmark includes it for its plain side, which is the point of comparison.
#include <benchmark/benchmark.h>
#include <irrlicht.h>
#include <ode/ode.h>

#include <cmath>
#include <vector>

#include "CRurIvaBody.h"
#include "CRurIvaGeomBox.h"
#include "CRurIvaGeomPlane.h"
#include "CRurIvaManager.h"
#include "CRurIvaSpace.h"
#include "CRurIvaWorld.h"
#include "IRurIvaDevice.h"

namespace {

using irr::core::vector3df;

const float kStep = 0.016f;
const float kSpacing = 3.0f;
const float kMass = 1.0f;

//! Positions of the boxes: a square grid, each box resting on the plane y = 0.
std::vector<vector3df> boxPositions(int iCount) {
  std::vector<vector3df> a;
  const int iSide = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(iCount))));
  for (int i = 0; i < iCount; ++i)
    a.push_back(vector3df((i % iSide) * kSpacing, 0.5f, (i / iSide) * kSpacing));
  return a;
}

void BM_LayerStep(benchmark::State& state) {
  const int iCount = static_cast<int>(state.range(0));
  irr::ode::CRurIvaManager* pManager = irr::ode::CRurIvaManager::getSharedInstance();
  irr::IrrlichtDevice* pIrr = irr::createDevice(irr::video::EDT_NULL);
  irr::scene::ISceneManager* pSmgr = pIrr->getSceneManager();
  pManager->install(pIrr);
  pManager->initODE();

  irr::ode::CRurIvaWorld* pWorld = new irr::ode::CRurIvaWorld(pSmgr->getRootSceneNode(), pSmgr);
  pWorld->drop();
  irr::ode::CRurIvaSpace* pSpace = new irr::ode::CRurIvaSpace(pWorld, pSmgr);
  pSpace->drop();
  pSpace->setSpaceType(irr::ode::eRurIvaSpaceHash);
  pWorld->setSpace(pSpace);
  irr::ode::CRurIvaGeomPlane* pGround = new irr::ode::CRurIvaGeomPlane(pWorld, pSmgr);
  pGround->drop();
  pGround->setParams(0, 1, 0, 0);
  for (const vector3df& p : boxPositions(iCount)) {
    irr::ode::CRurIvaBody* pBody = new irr::ode::CRurIvaBody(pWorld, pSmgr, -1, p);
    pBody->drop();
    irr::ode::CRurIvaGeomBox* pBox = new irr::ode::CRurIvaGeomBox(pSmgr->addEmptySceneNode(pBody), pSmgr);
    pBox->drop();
    pBox->setWidth(1);
    pBox->setHeight(1);
    pBox->setDepht(1);
    pBox->setMassTotal(kMass);
  }
  pWorld->initPhysics();

  // Engine time advances by exactly one step between the manager's calls.
  irr::ITimer* pTimer = pIrr->getTimer();
  irr::u32 iNow = 0;
  pTimer->setTime(iNow);
  pManager->step();
  for (int i = 0; i < 10; ++i) {
    pTimer->setTime(iNow += 16);
    pManager->step();
  }

  for (auto _ : state) {
    pTimer->setTime(iNow += 16);
    pManager->step();
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["body_steps_per_second"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * iCount, benchmark::Counter::kIsRate);

  pManager->uninstall();
  pIrr->drop();
  pManager->closeODE();
}

// The plain side: the same boxes, plane, space kind, contact surface and step.
struct SPlainWorld {
  dWorldID w;
  dJointGroupID g;
  int iContacts;
};

void plainNearCallback(void* pData, dGeomID o1, dGeomID o2) {
  SPlainWorld* p = static_cast<SPlainWorld*>(pData);
  dBodyID b1 = dGeomGetBody(o1);
  dBodyID b2 = dGeomGetBody(o2);
  if (!b1 && !b2) return;
  dContact aContacts[16];
  for (dContact& c : aContacts) {
    c.surface = dSurfaceParameters();
    c.surface.mode = 0;  // what two default surface sets of the layer combine to
    c.surface.mu = 0;
  }
  const int n = dCollide(o1, o2, 16, &aContacts[0].geom, sizeof(dContact));
  p->iContacts += n;
  for (int i = 0; i < n; ++i) dJointAttach(dJointCreateContact(p->w, p->g, &aContacts[i]), b1, b2);
}

void BM_PlainOdeStep(benchmark::State& state) {
  const int iCount = static_cast<int>(state.range(0));
  dInitODE2(0);
  dAllocateODEDataForThread(dAllocateMaskAll);
  SPlainWorld s;
  s.w = dWorldCreate();
  s.g = dJointGroupCreate(0);
  s.iContacts = 0;
  dWorldSetGravity(s.w, 0, -10, 0);
  dSpaceID space = dHashSpaceCreate(0);
  dCreatePlane(space, 0, 1, 0, 0);
  for (const vector3df& p : boxPositions(iCount)) {
    dBodyID b = dBodyCreate(s.w);
    dBodySetPosition(b, p.X, p.Y, p.Z);
    dMass m;
    dMassSetBoxTotal(&m, kMass, 1, 1, 1);
    dBodySetMass(b, &m);
    dGeomSetBody(dCreateBox(space, 1, 1, 1), b);
  }
  auto step = [&]() {
    dSpaceCollide(space, &s, plainNearCallback);
    dWorldStep(s.w, kStep);
    dJointGroupEmpty(s.g);
  };
  for (int i = 0; i < 10; ++i) step();

  s.iContacts = 0;
  for (auto _ : state) step();
  state.SetItemsProcessed(state.iterations());
  state.counters["body_steps_per_second"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * iCount, benchmark::Counter::kIsRate);
  state.counters["contacts_per_step"] =
      state.iterations() ? static_cast<double>(s.iContacts) / static_cast<double>(state.iterations()) : 0.0;

  dSpaceDestroy(space);  // destroys the geometries with it
  dJointGroupDestroy(s.g);
  dWorldDestroy(s.w);
  dCloseODE();
}

BENCHMARK(BM_LayerStep)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainOdeStep)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace
