// The bytes as a surface definitions file, loaded by a world; the sets it defines are then used by
// a small set-up that touches: a ground plane, a ball resting on it and a box leaning on the ball,
// whose surfaces take the loaded sets by name. The set-up is simulated for 30 steps.
//
// What is promised: loading never crashes or reads outside the file, the world counts what it
// loaded, the sets are used without a crash or an abort of the dynamics library, no body ends with
// a not-a-number value, and every set goes when the world goes.
#include <irrlicht.h>

#include <cstdint>
#include <string>
#include <vector>

#include "CRurIvaBody.h"
#include "CRurIvaGeomBox.h"
#include "CRurIvaGeomPlane.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaManager.h"
#include "CRurIvaSurfaceParameters.h"
#include "CRurIvaWorld.h"
#include "EdgeValueMutator.h"
#include "FuzzPhysics.h"

using namespace irr;
using namespace irr::ode;

namespace {

//! Surface 0 of a geometry uses the loaded set of that name.
void useSet(CRurIvaGeom* pGeom, const std::vector<core::stringw>& aNames, u32 i) {
  if (aNames.empty()) return;
  CRurIvaSurfaceParameters* p = pGeom->getSurfaceParameters(0);
  p->setName(aNames[i % aNames.size()].c_str());
  p->setUseDefined(true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, size_t iSize) {
  scene::ISceneManager* pSmgr = varrik::fuzz::physicsScene();
  CRurIvaManager* pManager = CRurIvaManager::getSharedInstance();
  const std::string sFile = varrik::fuzz::writeInput("surfaces.xml", pData, iSize);

  CRurIvaWorld* pWorld = new CRurIvaWorld(pSmgr->getRootSceneNode(), pSmgr);
  pWorld->drop();
  const u32 iBefore = pManager->getSurfaceParameters().getSize();
  const s32 iLoaded = pWorld->loadFromFile(core::stringw(sFile.c_str()).c_str());
  FUZZ_CHECK(iLoaded >= 0, "%d sets loaded", iLoaded);
  std::vector<core::stringw> aNames;
  for (CRurIvaSurfaceParameters* p : pManager->getSurfaceParameters()) aNames.push_back(p->getName());
  FUZZ_CHECK(aNames.size() - iBefore <= static_cast<u32>(iLoaded), "%zu sets registered, %d counted",
             aNames.size() - iBefore, iLoaded);

  CRurIvaGeomPlane* pGround = new CRurIvaGeomPlane(pWorld, pSmgr);
  pGround->setParams(0, 1, 0, 0);
  useSet(pGround, aNames, 0);
  pGround->drop();

  CRurIvaBody* pBall = new CRurIvaBody(pWorld, pSmgr, -1, core::vector3df(0, 0.45f, 0));
  CRurIvaGeomSphere* pSphere = new CRurIvaGeomSphere(pSmgr->addEmptySceneNode(pBall), pSmgr);
  pSphere->setRadius(0.5f);
  pSphere->setMassTotal(1.0f);
  useSet(pSphere, aNames, 1);
  pSphere->drop();
  pBall->setLinearVelocity(core::vector3df(2, 0, 1));
  pBall->drop();

  CRurIvaBody* pBlock =
      new CRurIvaBody(pWorld, pSmgr, -1, core::vector3df(0.9f, 0.5f, 0), core::vector3df(0, 0, 30));
  CRurIvaGeomBox* pBox = new CRurIvaGeomBox(pSmgr->addEmptySceneNode(pBlock), pSmgr);
  pBox->setWidth(1);
  pBox->setHeight(1);
  pBox->setDepht(1);
  pBox->setMassTotal(2.0f);
  useSet(pBox, aNames, 2);
  pBox->drop();
  pBlock->drop();

  pWorld->initPhysics();
  for (int i = 0; i < 30; ++i) pWorld->step(pManager->getOdeDevice()->getStepSize());
  varrik::fuzz::checkBodiesHaveNumbers("after 30 steps");

  varrik::fuzz::clearPhysicsScene();
  return 0;
}
