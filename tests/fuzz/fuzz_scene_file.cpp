// The bytes as a scene file, read through the physics manager with the physics node factory
// registered (the engine's file folder is the fuzz assets folder, which holds a surface
// definitions file and a small height map that scene files may name). Every world found is
// initialised, with the joint motors and servos, and stepped 30 times; then the scene is cleared.
//
// What is promised: no crash and no abort of the dynamics library, whatever the file says; no
// body ends with a not-a-number value; everything the scene made is gone once it is cleared
// (nothing stays registered, nothing leaks).
#include <irrlicht.h>

#include <cstdint>
#include <string>

#include "CRurIvaManager.h"
#include "CRurIvaSceneNode.h"
#include "CRurIvaSceneNodeFactory.h"
#include "CRurIvaWorld.h"
#include "FuzzPhysics.h"
#include "RurIvaLists.h"

using namespace irr;
using namespace irr::ode;

namespace {

scene::ISceneManager* sceneWithFactory() {
  static scene::ISceneManager* pSmgr = [] {
    scene::ISceneManager* p = varrik::fuzz::physicsScene();
    CRurIvaSceneNodeFactory* pFactory = new CRurIvaSceneNodeFactory(p);
    p->registerSceneNodeFactory(pFactory);
    pFactory->drop();
    p->getFileSystem()->changeWorkingDirectoryTo(VARRIK_FUZZ_ASSETS);
    return p;
  }();
  return pSmgr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, size_t iSize) {
  scene::ISceneManager* pSmgr = sceneWithFactory();
  CRurIvaManager* pManager = CRurIvaManager::getSharedInstance();
  const std::string sFile = varrik::fuzz::writeInput("scene.irr", pData, iSize);

  if (pManager->loadScene(sFile.c_str(), pSmgr)) {
    for (CRurIvaWorld* pWorld : snapshot(pManager->getWorlds())) pWorld->initPhysics();
    // Worlds do not start motors and servos; a program that loads a scene does.
    for (CRurIvaSceneNode* pNode : snapshot(pManager->getRurIvaNodes()))
      if (pNode->getType() == RUR_IVA_MOTOR_ID || pNode->getType() == RUR_IVA_SERVO_ID) pNode->initPhysics();
    const f32 fStep = pManager->getOdeDevice()->getStepSize();
    for (int i = 0; i < 30; ++i)
      for (CRurIvaWorld* pWorld : snapshot(pManager->getWorlds())) pWorld->step(fStep);
    varrik::fuzz::checkBodiesHaveNumbers("after 30 steps");
  }

  varrik::fuzz::clearPhysicsScene();
  return 0;
}
