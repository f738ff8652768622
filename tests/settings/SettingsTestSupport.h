#ifndef VARRIK_SETTINGS_TEST_SUPPORT_H
#define VARRIK_SETTINGS_TEST_SUPPORT_H

// Shared by the settings tests: a CSettings that exposes its fields, a temporary folder per
// test, the engine's null device (no window), and a reader that lists a written settings file
// element by element through the engine's own XML reader.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <irrlicht.h>

#include "CSettings.h"

class SettingsProbe : public CSettings {
 public:
  SettingsProbe(const std::string& sFile)
      : CSettings(sFile.c_str(), L"Graphics Settings", irr::video::SColor(0, 33, 173, 0)) {}

  using CSettings::addVideoMode;
  using CSettings::m_aAct;
  using CSettings::m_aDrvs;
  using CSettings::m_aVModes;
  using CSettings::m_bFullscreen;
  using CSettings::m_bSettingsChanged;
  using CSettings::m_iClose;
  using CSettings::m_iCnt;
  using CSettings::m_iDriver;
  using CSettings::m_iMinResolution;
  using CSettings::m_iResolution;
  using CSettings::m_pCancel;
  using CSettings::m_pDevice;
  using CSettings::m_pDrivers;
  using CSettings::m_pFullscreen;
  using CSettings::m_pGuiEnv;
  using CSettings::m_pOk;
  using CSettings::m_pResolution;
  using CSettings::m_sSettingsFile;
  using CSettings::m_sTitle;
  using CSettings::readSettingsFile;

  std::vector<std::wstring> driverNames() const {
    std::vector<std::wstring> aNames;
    for (irr::u32 i = 0; i < m_aDrvs.size(); ++i) aNames.push_back(m_aDrvs[i]->sName);
    return aNames;
  }

  //! Builds the dialog on a fresh null-driver device.
  void build() {
    irr::IrrlichtDevice* pDevice = irr::createDevice(irr::video::EDT_NULL);
    ASSERT_NE(pDevice, nullptr);
    createGUI(pDevice);
    pDevice->drop();
  }
};

struct XmlElement {
  std::string sName;
  std::map<std::string, std::string> aAttributes;
};

inline std::vector<XmlElement> readElements(const std::string& sFile) {
  std::vector<XmlElement> aElements;
  irr::IrrlichtDevice* pDevice = irr::createDevice(irr::video::EDT_NULL);
  irr::io::IXMLReaderUTF8* pReader = pDevice->getFileSystem()->createXMLReaderUTF8(sFile.c_str());
  if (pReader) {
    while (pReader->read()) {
      if (pReader->getNodeType() != irr::io::EXN_ELEMENT) continue;
      XmlElement cElement;
      cElement.sName = pReader->getNodeName();
      for (unsigned i = 0; i < pReader->getAttributeCount(); ++i)
        cElement.aAttributes[pReader->getAttributeName(i)] = pReader->getAttributeValue(i);
      aElements.push_back(cElement);
    }
    pReader->drop();
  }
  pDevice->drop();
  return aElements;
}

inline void writeFile(const std::string& sFile, const std::string& sContent) {
  std::ofstream cOut(sFile, std::ios::binary | std::ios::trunc);
  cOut << sContent;
}

inline std::string readFile(const std::string& sFile) {
  std::ifstream cIn(sFile, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(cIn), std::istreambuf_iterator<char>());
}

//! Every test gets a folder of its own for its settings file, removed afterwards.
class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Without a display the engine reports no video modes, as on Xvfb, so the offered
    // modes do not depend on the machine the tests run on.
    unsetenv("DISPLAY");

    char sTemplate[] = "/tmp/varrik-settings-XXXXXX";
    ASSERT_NE(mkdtemp(sTemplate), nullptr);
    m_sDir = sTemplate;
    m_sFile = m_sDir + "/Settings.xml";
  }

  void TearDown() override {
    std::error_code cError;
    std::filesystem::remove_all(m_sDir, cError);
  }

  std::string m_sDir;
  std::string m_sFile;
};

inline irr::SEvent guiEvent(irr::gui::EGUI_EVENT_TYPE eType, irr::gui::IGUIElement* pCaller) {
  irr::SEvent cEvent;
  cEvent.EventType = irr::EET_GUI_EVENT;
  cEvent.GUIEvent.EventType = eType;
  cEvent.GUIEvent.Caller = pCaller;
  cEvent.GUIEvent.Element = 0;
  return cEvent;
}

inline irr::SEvent keyEvent(irr::EKEY_CODE eKey, bool bPressedDown) {
  irr::SEvent cEvent;
  cEvent.EventType = irr::EET_KEY_INPUT_EVENT;
  cEvent.KeyInput.Key = eKey;
  cEvent.KeyInput.PressedDown = bPressedDown;
  cEvent.KeyInput.Char = 0;
  cEvent.KeyInput.Shift = false;
  cEvent.KeyInput.Control = false;
  return cEvent;
}

#endif
