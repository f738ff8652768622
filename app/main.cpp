#include <cstdio>

#include <irrlicht.h>

#include "CRurIvaManager.h"
#include "CRurIvaSceneNodeFactory.h"
#include "CRurIvaWorld.h"
#include "CSettings.h"
#include "DemoScene.h"
#include "GameWindow.h"

using namespace irr;
namespace demo = varrik::demo;

int main(int /*argc*/, char** /*argv*/) {
  CSettings* pSettings =
      new CSettings("data/Settings.xml", L"Graphics Settings", video::SColor(0, 33, 173, 0));
  pSettings->addValidDriver(L"Direct3D9", video::EDT_DIRECT3D9);
  pSettings->addValidDriver(L"OpenGL", video::EDT_OPENGL);
  pSettings->setMinResolution(core::dimension2du(320, 200));

  const u32 iRet = pSettings->run();
  if (iRet == 2) {
    delete pSettings;
    return 0;
  }
  if (iRet == 0) {
    // The dialog could not be shown; it has said why.
    delete pSettings;
    return 1;
  }

  IrrlichtDevice* device = pSettings->createDeviceFromSettings();
  // Destroyed as soon as the game device exists, so that a changed choice is saved even if
  // the game is killed later.
  delete pSettings;
  if (!device) {
    std::fprintf(stderr,
                 "The game window could not be created with the chosen graphics settings; "
                 "run the program again and choose another driver or video mode.\n");
    return 1;
  }

  demo::prepareGameDevice(device);
  scene::ISceneManager* smgr = device->getSceneManager();
  video::IVideoDriver* driver = device->getVideoDriver();
  gui::IGUIEnvironment* guienv = device->getGUIEnvironment();

  [[maybe_unused]] scene::ISceneNode* EnvironmentBox = demo::addEnvironmentBox(smgr, driver);

  ode::CRurIvaSceneNodeFactory cFactory(smgr);
  demo::installPhysics(device, cFactory);
  demo::DemoScene scene;
  demo::buildDemoScene(smgr, scene);

  [[maybe_unused]] scene::ICameraSceneNode* cam = demo::addGameCamera(device);
  demo::configureGamePhysics();
  demo::CDebugViewKey cDebugViewKey(scene.worldNode);
  device->setEventReceiver(&cDebugViewKey);

  while (device->run()) {
    demo::drawFrame(driver, smgr, guienv);

    ode::CRurIvaManager::getSharedInstance()->step();
  }

  device->setEventReceiver(0);
  // The scene goes first, so that every node destroys its dynamics objects while the
  // dynamics library is still open; then the library is closed.
  demo::releaseDemoScene(scene);
  device->drop();
  demo::shutdownPhysics();
  return 0;
}
