// What the physics fuzz targets share: the physics layer installed on the null engine once per
// process, the check that no simulated body holds a not-a-number value, and the clean-up after
// each input.
#ifndef VARRIK_TESTS_FUZZ_FUZZ_PHYSICS_H
#define VARRIK_TESTS_FUZZ_FUZZ_PHYSICS_H

#include <irrlicht.h>
#include <ode/ode.h>

#include "CRurIvaBody.h"
#include "CRurIvaDevice.h"
#include "CRurIvaManager.h"
#include "CRurIvaSceneNode.h"
#include "CRurIvaSceneNodeFactory.h"
#include "FuzzSupport.h"

namespace varrik {
namespace fuzz {

//! The dynamics library's random numbers (its solvers reorder constraints with them) start alike
//! for every input, so that an input does the same whatever inputs ran before it in the process.
inline void sameRandomNumbers() { dRandSetSeed(1); }

//! The physics manager on the null engine, with the dynamics library up; its scene manager.
inline irr::scene::ISceneManager* physicsScene() {
  static irr::scene::ISceneManager* pSmgr = [] {
    irr::IrrlichtDevice* pEngine = nullEngine();
    irr::ode::CRurIvaManager::getSharedInstance()->install(pEngine);
    irr::ode::CRurIvaManager::getSharedInstance()->initODE();
    return pEngine->getSceneManager();
  }();
  return pSmgr;
}

//! The physics scene with the node factory that scene files need registered.
inline irr::scene::ISceneManager* physicsSceneWithFactory() {
  static irr::scene::ISceneManager* pSmgr = [] {
    irr::scene::ISceneManager* p = physicsScene();
    irr::ode::CRurIvaSceneNodeFactory* pFactory = new irr::ode::CRurIvaSceneNodeFactory(p);
    p->registerSceneNodeFactory(pFactory);
    pFactory->drop();
    return p;
  }();
  return pSmgr;
}

/**
 * While it lives, the working folder is the fuzz assets folder, which holds a surface definitions
 * file and a small height map that scene files may name (relative to it, also where the layer
 * looks a name up on disk); then the folder it was before again. The fuzzer reads its corpus and
 * writes what it finds by the paths it was started with, which may be relative: with the folder
 * changed for good, a campaign started by hand found no input after the first.
 */
class CInAssetsFolder {
 public:
  explicit CInAssetsFolder(irr::scene::ISceneManager* pSmgr)
      : m_pFileSystem(pSmgr->getFileSystem()), m_sBefore(m_pFileSystem->getWorkingDirectory()) {
    m_pFileSystem->changeWorkingDirectoryTo(VARRIK_FUZZ_ASSETS);
  }
  ~CInAssetsFolder() { m_pFileSystem->changeWorkingDirectoryTo(m_sBefore); }
  CInAssetsFolder(const CInAssetsFolder&) = delete;
  CInAssetsFolder& operator=(const CInAssetsFolder&) = delete;

 private:
  irr::io::IFileSystem* m_pFileSystem;
  const irr::io::path m_sBefore;
};

//! No registered body has a not-a-number position, rotation or velocity.
inline void checkBodiesHaveNumbers(const char* sWhen) {
  using namespace irr::ode;
  for (CRurIvaSceneNode* pNode : CRurIvaManager::getSharedInstance()->getRurIvaNodes()) {
    if (pNode->getType() != RUR_IVA_BODY_ID) continue;
    CRurIvaBody* pBody = static_cast<CRurIvaBody*>(pNode);
    const irr::core::vector3df p = pBody->getPosition(), r = pBody->getRotation();
    const irr::core::vector3df v = pBody->getLinearVelocity(), w = pBody->getAngularVelocity();
    FUZZ_CHECK(!isNan(p) && !isNan(r) && !isNan(v) && !isNan(w),
               "%s: body %d has position (%g, %g, %g), rotation (%g, %g, %g), velocities (%g, %g, %g), "
               "(%g, %g, %g)",
               sWhen, pBody->getID(), p.X, p.Y, p.Z, r.X, r.Y, r.Z, v.X, v.Y, v.Z, w.X, w.Y, w.Z);
  }
}

/**
 * Ends an input: whatever the nodes handed to the scene manager's deletion queue goes, the scene
 * is cleared (every dynamics object is destroyed by the node that made it), and a fresh device
 * takes over, so that no record, step size or time left over changes how the next input runs.
 * Nothing registered may be left behind.
 */
inline void clearPhysicsScene() {
  using namespace irr::ode;
  irr::scene::ISceneManager* pSmgr = physicsScene();
  pSmgr->drawAll();
  pSmgr->clear();
  CRurIvaManager* pManager = CRurIvaManager::getSharedInstance();
  FUZZ_CHECK(pManager->getRurIvaNodes().getSize() == 0 && pManager->getWorlds().getSize() == 0 &&
                 pManager->getStepMotors().getSize() == 0 && pManager->getSurfaceParameters().getSize() == 0,
             "%u nodes, %u worlds, %u step motors and %u surface sets are still registered after the scene "
             "was cleared",
             pManager->getRurIvaNodes().getSize(), pManager->getWorlds().getSize(),
             pManager->getStepMotors().getSize(), pManager->getSurfaceParameters().getSize());
  pManager->clearODE();
  IRurIvaDevice* pOld = pManager->getOdeDevice();
  pManager->setOdeDevice(new CRurIvaDevice());
  delete pOld;
  pManager->getOdeDevice()->initODE();
}

}  // namespace fuzz
}  // namespace varrik

#endif
