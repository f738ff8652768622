// The game window's start-up steps, run on the engine's null driver (no window) in a
// temporary working folder with a data/ folder of its own.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include <irrlicht.h>

#include "CRurIvaManager.h"
#include "CRurIvaWorld.h"
#include "GameWindow.h"

using namespace irr;
using varrik::demo::addEnvironmentBox;
using varrik::demo::addGameCamera;
using varrik::demo::CDebugViewKey;
using varrik::demo::configureGamePhysics;
using varrik::demo::drawFrame;
using varrik::demo::prepareGameDevice;

namespace {
class GameWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("DISPLAY");
    char sTemplate[] = "/tmp/varrik-app-XXXXXX";
    ASSERT_NE(mkdtemp(sTemplate), nullptr);
    m_cDir = sTemplate;
    m_cOldDir = std::filesystem::current_path();
    std::filesystem::create_directory(m_cDir / "data");
    // The steps open "data/..." relative to the working folder, as the program does.
    std::filesystem::current_path(m_cDir);

    m_pDevice = createDevice(video::EDT_NULL, core::dimension2du(640, 480));
    ASSERT_NE(m_pDevice, nullptr);
  }

  void TearDown() override {
    if (m_pDevice) m_pDevice->drop();
    std::filesystem::current_path(m_cOldDir);
    std::error_code cError;
    std::filesystem::remove_all(m_cDir, cError);
  }

  void writeTexture(const char* sFile) {
    video::IVideoDriver* pDriver = m_pDevice->getVideoDriver();
    video::IImage* pImage = pDriver->createImage(video::ECF_R8G8B8, core::dimension2du(8, 8));
    pImage->fill(video::SColor(255, 10, 120, 230));
    ASSERT_TRUE(pDriver->writeImageToFile(pImage, sFile));
    pImage->drop();
  }

  std::filesystem::path m_cDir;
  std::filesystem::path m_cOldDir;
  IrrlichtDevice* m_pDevice = nullptr;
};
}  // namespace

TEST_F(GameWindowTest, FilesInTheDataFolderOpenByTheirBareNameIgnoringCase) {
  std::filesystem::create_directory(m_cDir / "data" / "textures");
  std::ofstream(m_cDir / "data" / "textures" / "Asphalt.TXT") << "grey";
  io::IFileSystem* pFileSystem = m_pDevice->getFileSystem();
  ASSERT_FALSE(pFileSystem->existFile("asphalt.txt"));

  prepareGameDevice(m_pDevice);

  EXPECT_TRUE(pFileSystem->existFile("asphalt.txt"));
  io::IReadFile* pFile = pFileSystem->createAndOpenFile("ASPHALT.txt");
  ASSERT_NE(pFile, nullptr);
  EXPECT_EQ(pFile->getSize(), 4);
  pFile->drop();
}

TEST_F(GameWindowTest, TheEnvironmentBoxCarriesTheTextureOnAllSixFaces) {
  writeTexture("data/sphere1.jpg");
  scene::ISceneManager* pSceneManager = m_pDevice->getSceneManager();

  scene::ISceneNode* pBox = addEnvironmentBox(pSceneManager, m_pDevice->getVideoDriver());

  ASSERT_NE(pBox, nullptr);
  EXPECT_EQ(pBox->getType(), scene::ESNT_SKY_BOX);
  EXPECT_EQ(pBox->getParent(), pSceneManager->getRootSceneNode());
  EXPECT_EQ(pBox->getID(), -1);
  ASSERT_EQ(pBox->getMaterialCount(), 6u);
  video::ITexture* pTexture = pBox->getMaterial(0).getTexture(0);
  ASSERT_NE(pTexture, nullptr);
  EXPECT_NE(std::string(pTexture->getName().getPath().c_str()).find("data/sphere1.jpg"), std::string::npos);
  for (u32 i = 0; i < 6; ++i) EXPECT_EQ(pBox->getMaterial(i).getTexture(0), pTexture) << "face " << i;
}

TEST_F(GameWindowTest, AMissingTextureLeavesTheBoxUntextured) {
  scene::ISceneNode* pBox = addEnvironmentBox(m_pDevice->getSceneManager(), m_pDevice->getVideoDriver());
  ASSERT_NE(pBox, nullptr);
  EXPECT_EQ(pBox->getType(), scene::ESNT_SKY_BOX);
  for (u32 i = 0; i < pBox->getMaterialCount(); ++i) EXPECT_EQ(pBox->getMaterial(i).getTexture(0), nullptr);
}

TEST_F(GameWindowTest, TheCameraIsTheActiveFirstPersonCameraAtItsStart) {
  scene::ISceneManager* pSceneManager = m_pDevice->getSceneManager();
  m_pDevice->getCursorControl()->setVisible(true);

  scene::ICameraSceneNode* pCamera = addGameCamera(m_pDevice);

  ASSERT_NE(pCamera, nullptr);
  EXPECT_EQ(pCamera->getType(), scene::ESNT_CAMERA);
  EXPECT_EQ(pSceneManager->getActiveCamera(), pCamera);
  EXPECT_EQ(pCamera->getParent(), pSceneManager->getRootSceneNode());
  EXPECT_EQ(pCamera->getPosition(), core::vector3df(-20.0f, 15.0f, -20.0f));
  EXPECT_FLOAT_EQ(pCamera->getFarValue(), 50000.0f);
  EXPECT_FALSE(m_pDevice->getCursorControl()->isVisible());

  ASSERT_EQ(pCamera->getAnimators().size(), 1u);
  scene::ISceneNodeAnimator* pAnimator = *pCamera->getAnimators().begin();
  ASSERT_EQ(pAnimator->getType(), scene::ESNAT_CAMERA_FPS);
  scene::ISceneNodeAnimatorCameraFPS* pFps = static_cast<scene::ISceneNodeAnimatorCameraFPS*>(pAnimator);
  EXPECT_FLOAT_EQ(pFps->getRotateSpeed(), 100.0f);
  EXPECT_FLOAT_EQ(pFps->getMoveSpeed(), 0.5f);
}

TEST_F(GameWindowTest, AFrameDrawsTheSceneBoxAndCamera) {
  writeTexture("data/sphere1.jpg");
  prepareGameDevice(m_pDevice);
  addEnvironmentBox(m_pDevice->getSceneManager(), m_pDevice->getVideoDriver());
  addGameCamera(m_pDevice);

  video::IVideoDriver* pDriver = m_pDevice->getVideoDriver();
  ASSERT_TRUE(m_pDevice->run());
  drawFrame(pDriver, m_pDevice->getSceneManager(), m_pDevice->getGUIEnvironment());
  drawFrame(pDriver, m_pDevice->getSceneManager(), m_pDevice->getGUIEnvironment());
  // The null driver counts what it was asked to draw: the box's six faces each frame.
  EXPECT_GT(pDriver->getPrimitiveCountDrawn(), 0u);
}

TEST_F(GameWindowTest, F3TurnsTheDebugViewOfTheWorldOnAndOffAndLeavesEveryKeyToTheCamera) {
  scene::ISceneManager* pSceneManager = m_pDevice->getSceneManager();
  ode::CRurIvaManager::getSharedInstance()->install(m_pDevice);
  ode::CRurIvaWorld* pWorld = new ode::CRurIvaWorld(pSceneManager->getRootSceneNode(), pSceneManager);
  CDebugViewKey cKey(pWorld);
  auto key = [&](EKEY_CODE iKey, bool bDown) {
    SEvent e;
    e.EventType = EET_KEY_INPUT_EVENT;
    e.KeyInput.Key = iKey;
    e.KeyInput.PressedDown = bDown;
    e.KeyInput.Char = 0;
    e.KeyInput.Shift = e.KeyInput.Control = false;
    return cKey.OnEvent(e);
  };

  EXPECT_FALSE(key(KEY_F3, true));
  EXPECT_TRUE(cKey.isOn());
  EXPECT_NE(pWorld->isDebugDataVisible(), 0u);
  EXPECT_FALSE(key(KEY_F3, true)) << "a held key repeats its presses";
  EXPECT_TRUE(cKey.isOn());
  EXPECT_FALSE(key(KEY_F3, false)) << "releasing the key changes nothing";
  EXPECT_NE(pWorld->isDebugDataVisible(), 0u);
  for (EKEY_CODE iArrow : {KEY_UP, KEY_DOWN, KEY_LEFT, KEY_RIGHT}) EXPECT_FALSE(key(iArrow, true));
  EXPECT_NE(pWorld->isDebugDataVisible(), 0u);
  EXPECT_FALSE(key(KEY_F3, true));
  EXPECT_FALSE(cKey.isOn());
  EXPECT_EQ(pWorld->isDebugDataVisible(), 0u);

  pWorld->remove();
  pWorld->drop();
  ode::CRurIvaManager::getSharedInstance()->uninstall();
}

TEST_F(GameWindowTest, TheGameInterpolatesMotionAndRunsAtMostEightStepsAFrame) {
  ode::CRurIvaManager* pManager = ode::CRurIvaManager::getSharedInstance();
  configureGamePhysics();
  EXPECT_TRUE(pManager->getInterpolation());
  EXPECT_EQ(pManager->getMaxStepsPerFrame(), 8u);
}
