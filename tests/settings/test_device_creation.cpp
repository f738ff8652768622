// Creating the game's device from the chosen settings: the console block, the device itself,
// the dialog device's release, and choices that cannot make a device.

#include "SettingsTestSupport.h"

using namespace irr;

namespace {
// Two drivers, the second the null driver, so that creating the game device opens no window.
void offerSoftwareAndNull(SettingsProbe& cSettings) {
  cSettings.addValidDriver(L"Software", video::EDT_SOFTWARE);
  cSettings.addValidDriver(L"Null", video::EDT_NULL);
}

void choose(SettingsProbe& cSettings, s32 iDriver, s32 iResolution, bool bFullscreen) {
  cSettings.m_pDrivers->setSelected(iDriver);
  cSettings.OnEvent(guiEvent(gui::EGET_COMBO_BOX_CHANGED, cSettings.m_pDrivers));
  cSettings.m_pResolution->setSelected(iResolution);
  cSettings.OnEvent(guiEvent(gui::EGET_COMBO_BOX_CHANGED, cSettings.m_pResolution));
  cSettings.m_pFullscreen->setChecked(bFullscreen);
  cSettings.OnEvent(guiEvent(gui::EGET_CHECKBOX_CHANGED, cSettings.m_pFullscreen));
  cSettings.OnEvent(keyEvent(KEY_RETURN, false));
}

// Index of a mode in the offered list, -1 when it is not offered.
s32 modeIndex(const SettingsProbe& cSettings, s32 iWidth, s32 iHeight) {
  for (u32 i = 0; i < cSettings.m_aVModes.size(); ++i)
    if (cSettings.m_aVModes[i]->iWidth == iWidth && cSettings.m_aVModes[i]->iHeight == iHeight)
      return static_cast<s32>(i);
  return -1;
}
}  // namespace

using DeviceCreation = SettingsTest;

TEST_F(DeviceCreation, PrintsTheSettingsBlockByteForByteThenCreatesTheDevice) {
  SettingsProbe cSettings(m_sFile);
  offerSoftwareAndNull(cSettings);
  cSettings.build();
  const s32 iMode = modeIndex(cSettings, 1024, 768);
  ASSERT_GE(iMode, 0);
  choose(cSettings, 1, iMode, false);

  testing::internal::CaptureStdout();
  IrrlichtDevice* pGame = cSettings.createDeviceFromSettings();
  const std::string sOut = testing::internal::GetCapturedStdout();

  const std::string sBlock =
      "\n\tcreating device with settings:\n\n"
      "driver: 1\n"
      "resolution: (1024, 768)\n"
      "32 bits per pixel\n"
      "fullscreen: NO\n";
  // The engine logs its own lines once the device exists; the block comes first.
  EXPECT_EQ(sOut.substr(0, sBlock.size()), sBlock);

  ASSERT_NE(pGame, nullptr);
  EXPECT_EQ(pGame->getVideoDriver()->getDriverType(), video::EDT_NULL);
  EXPECT_EQ(pGame->getVideoDriver()->getScreenSize(), core::dimension2du(1024, 768));
  EXPECT_EQ(cSettings.m_pDevice, pGame);
  pGame->drop();
}

TEST_F(DeviceCreation, FullscreenIsPrintedAsYes) {
  SettingsProbe cSettings(m_sFile);
  offerSoftwareAndNull(cSettings);
  cSettings.build();
  choose(cSettings, 1, 0, true);

  testing::internal::CaptureStdout();
  IrrlichtDevice* pGame = cSettings.createDeviceFromSettings();
  const std::string sOut = testing::internal::GetCapturedStdout();

  EXPECT_EQ(sOut.rfind("\n\tcreating device with settings:\n\ndriver: 1\nresolution: (640, 480)\n"
                       "32 bits per pixel\nfullscreen: YES\n",
                       0),
            0u)
      << sOut;
  ASSERT_NE(pGame, nullptr);
  pGame->drop();
}

TEST_F(DeviceCreation, TheDialogDeviceIsReleased) {
  SettingsProbe cSettings(m_sFile);
  offerSoftwareAndNull(cSettings);
  IrrlichtDevice* pDialog = createDevice(video::EDT_NULL);
  cSettings.createGUI(pDialog);
  EXPECT_EQ(pDialog->getReferenceCount(), 2);
  choose(cSettings, 1, 0, false);

  IrrlichtDevice* pGame = cSettings.createDeviceFromSettings();
  EXPECT_EQ(pDialog->getReferenceCount(), 1);
  EXPECT_NE(pGame, pDialog);
  pDialog->drop();
  ASSERT_NE(pGame, nullptr);
  pGame->drop();
}

TEST_F(DeviceCreation, AfterStartTheSettingsAreWrittenThroughTheGameDevice) {
  // The program's order: create the game device, then destroy the settings object while the
  // game device lives on.
  SettingsProbe* pSettings = new SettingsProbe(m_sFile);
  offerSoftwareAndNull(*pSettings);
  pSettings->build();
  choose(*pSettings, 1, 2, false);
  IrrlichtDevice* pGame = pSettings->createDeviceFromSettings();
  ASSERT_NE(pGame, nullptr);
  EXPECT_FALSE(std::filesystem::exists(m_sFile));

  delete pSettings;
  EXPECT_TRUE(std::filesystem::exists(m_sFile));
  pGame->drop();

  const std::vector<XmlElement> aElements = readElements(m_sFile);
  ASSERT_EQ(aElements.size(), 18u);
  EXPECT_EQ(aElements[1].aAttributes.at("name"), "Software");
  EXPECT_EQ(aElements[2].aAttributes.at("name"), "Null");
  EXPECT_EQ(aElements[3].aAttributes.at("value"), "2");
  EXPECT_EQ(aElements[5].aAttributes.at("value"), "1");
}

TEST_F(DeviceCreation, ADeviceTheEngineRefusesGivesNullAndTheChoiceIsNotSaved) {
  // Without a display the engine cannot open the software renderer's window.
  SettingsProbe* pSettings = new SettingsProbe(m_sFile);
  offerSoftwareAndNull(*pSettings);
  pSettings->build();
  choose(*pSettings, 0, 0, false);

  testing::internal::CaptureStdout();
  IrrlichtDevice* pGame = pSettings->createDeviceFromSettings();
  const std::string sOut = testing::internal::GetCapturedStdout();
  EXPECT_EQ(pGame, nullptr);
  EXPECT_EQ(sOut.rfind("\n\tcreating device with settings:\n\ndriver: 0\n", 0), 0u) << sOut;

  delete pSettings;
  EXPECT_FALSE(std::filesystem::exists(m_sFile));
}

TEST_F(DeviceCreation, WithoutAnOfferedModeNoDeviceIsCreated) {
  SettingsProbe cSettings(m_sFile);
  offerSoftwareAndNull(cSettings);
  cSettings.setMinResolution(core::dimension2du(8000, 8000));
  cSettings.build();
  cSettings.OnEvent(keyEvent(KEY_RETURN, false));

  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  IrrlichtDevice* pGame = cSettings.createDeviceFromSettings();
  const std::string sErr = testing::internal::GetCapturedStderr();
  const std::string sOut = testing::internal::GetCapturedStdout();

  EXPECT_EQ(pGame, nullptr);
  EXPECT_EQ(sOut.find("creating device"), std::string::npos);
  EXPECT_NE(sErr.find("no video mode"), std::string::npos) << sErr;
}

TEST_F(DeviceCreation, BeforeTheDialogWasBuiltNoDeviceIsCreated) {
  SettingsProbe cSettings(m_sFile);
  testing::internal::CaptureStderr();
  EXPECT_EQ(cSettings.createDeviceFromSettings(), nullptr);
  const std::string sErr = testing::internal::GetCapturedStderr();
  EXPECT_NE(sErr.find("cannot be created"), std::string::npos) << sErr;
}

TEST_F(DeviceCreation, TheSettingsAreSavedEvenWhenTheGameDeviceWasReleasedFirst) {
  {
    SettingsProbe cSettings(m_sFile);
    offerSoftwareAndNull(cSettings);
    cSettings.build();
    choose(cSettings, 1, 3, false);
    IrrlichtDevice* pGame = cSettings.createDeviceFromSettings();
    ASSERT_NE(pGame, nullptr);
    pGame->drop();
  }

  const std::vector<XmlElement> aElements = readElements(m_sFile);
  ASSERT_EQ(aElements.size(), 18u);
  EXPECT_EQ(aElements[3].aAttributes.at("value"), "3");
}
