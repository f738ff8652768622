#include "GameWindow.h"

#include "CRurIvaManager.h"

using namespace irr;

namespace varrik::demo {

void prepareGameDevice(IrrlichtDevice* device) {
  device->setWindowCaption(L"Varrik Game");
  device->getFileSystem()->addFileArchive("data/", true, true, io::EFAT_FOLDER);
}

scene::ISceneNode* addEnvironmentBox(scene::ISceneManager* smgr, video::IVideoDriver* driver) {
  // The same panorama on all six faces.
  return smgr->addSkyBoxSceneNode(
      driver->getTexture("data/sphere1.jpg"), driver->getTexture("data/sphere1.jpg"),
      driver->getTexture("data/sphere1.jpg"), driver->getTexture("data/sphere1.jpg"),
      driver->getTexture("data/sphere1.jpg"), driver->getTexture("data/sphere1.jpg"),
      smgr->getRootSceneNode(), -1);
}

scene::ICameraSceneNode* addGameCamera(IrrlichtDevice* device) {
  scene::ICameraSceneNode* cam =
      device->getSceneManager()->addCameraSceneNodeFPS(0, 100.0f, 0.5f, -1, 0, 0, false, 0.0f, false, true);
  cam->setPosition(core::vector3df(-20.0f, 15.0f, -20.0f));
  device->getCursorControl()->setVisible(false);
  // The level spans thousands of units; the default far plane would cut it off.
  cam->setFarValue(50000.0f);
  return cam;
}

void drawFrame(video::IVideoDriver* driver, scene::ISceneManager* smgr, gui::IGUIEnvironment* guienv) {
  driver->beginScene(true, true, video::SColor(0, 200, 200, 200));
  smgr->drawAll();
  guienv->drawAll();
  driver->endScene();
}

void configureGamePhysics() {
  ode::CRurIvaManager* pManager = ode::CRurIvaManager::getSharedInstance();
  pManager->setInterpolation(true);
  pManager->setMaxStepsPerFrame(kMaxStepsPerFrame);
}

bool CDebugViewKey::OnEvent(const SEvent& event) {
  if (event.EventType != EET_KEY_INPUT_EVENT || event.KeyInput.Key != KEY_F3) return false;
  const bool bPressed = event.KeyInput.PressedDown && !m_bKeyDown;
  m_bKeyDown = event.KeyInput.PressedDown;
  if (bPressed && m_pWorld) {
    m_bOn = !m_bOn;
    ode::CRurIvaManager::getSharedInstance()->setDebugView(m_pWorld, m_bOn);
  }
  return false;
}

}  // namespace varrik::demo
