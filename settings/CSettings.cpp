#include "CSettings.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "CRurIvaWholeFile.h"
#include "CRurIvaXmlCheck.h"

using namespace irr;

namespace {
// Shown when the engine reports no usable video mode (an X server without the VidMode
// extension, such as Xvfb, reports none at all): common window sizes, largest last.
const s32 COMMON_MODES[][2] = {
    {640, 480}, {800, 600}, {1024, 768}, {1280, 720}, {1280, 1024}, {1366, 768}, {1600, 900}, {1920, 1080},
};
const s32 COMMON_MODE_BPP = 32;

// Reads an integer attribute the way atoi would (leading decimal digits), but without
// undefined behaviour on overflow. Returns false when the attribute is missing, so that an
// element without its attribute leaves the setting alone.
bool readIntAttribute(io::IXMLReaderUTF8* pReader, const char* sName, s32& iValue) {
  const char* sValue = pReader->getAttributeValue(sName);
  if (!sValue) return false;
  long lValue = std::strtol(sValue, nullptr, 10);
  if (lValue > INT_MAX) lValue = INT_MAX;
  if (lValue < INT_MIN) lValue = INT_MIN;
  iValue = static_cast<s32>(lValue);
  return true;
}

bool readUnsignedAttribute(io::IXMLReaderUTF8* pReader, const char* sName, u32& iValue) {
  s32 iRead = 0;
  if (!readIntAttribute(pReader, sName, iRead)) return false;
  // A negative index wraps to a large value, which the range checks then reject.
  iValue = static_cast<u32>(iRead);
  return true;
}
}  // namespace

CSettings::CSettings(const char* sSettingsFile, const wchar_t* sTitle, video::SColor cBackground)
    : m_pDrivers(0),
      m_pResolution(0),
      m_pFullscreen(0),
      m_pOk(0),
      m_pCancel(0),
      m_cBackground(cBackground),
      m_iClose(0),
      m_iResolution(0),
      m_iDriver(0),
      m_bFullscreen(false),
      m_bSettingsChanged(false),
      m_iMinResolution(320, 200),
      m_pDevice(0),
      m_pGuiEnv(0),
      m_pDriver(0),
      m_pSceneManager(0),
      m_pVModes(0),
      m_bOwnsDevice(false),
      m_pFileSystem(0) {
  // The flags and counts have no widgets in this dialog; they are stored as they are.
  for (bool& bAct : m_aAct) bAct = true;
  for (u32& iCnt : m_iCnt) iCnt = 0;

  std::strncpy(m_sSettingsFile, sSettingsFile ? sSettingsFile : "", sizeof(m_sSettingsFile) - 1);
  m_sSettingsFile[sizeof(m_sSettingsFile) - 1] = 0;
  std::wcsncpy(m_sTitle, sTitle ? sTitle : L"", 254);
  m_sTitle[254] = 0;
  m_sScene[0] = 0;
}

CSettings::~CSettings() {
  // Without a file system the engine refused the game device, and a choice it refused is
  // better not remembered.
  if (m_bSettingsChanged && m_iClose == 1 && m_pFileSystem) writeSettingsFile(m_pFileSystem);

  releaseDialogDevice();
  keepFileSystem(0);

  for (u32 i = 0; i < m_aVModes.size(); ++i) delete m_aVModes[i];
  for (u32 i = 0; i < m_aDrvs.size(); ++i) delete m_aDrvs[i];
}

void CSettings::addValidDriver(const wchar_t* sName, video::E_DRIVER_TYPE iDriver) {
  // Offering a driver this engine build lacks (Direct3D outside Windows) would only make
  // device creation fail after the user chose it.
  if (!IrrlichtDevice::isDriverSupported(iDriver)) return;

  _DRV* pDrv = new _DRV();
  std::wcsncpy(pDrv->sName, sName ? sName : L"", 254);
  pDrv->sName[254] = 0;
  pDrv->iDriver = iDriver;
  m_aDrvs.push_back(pDrv);
}

void CSettings::setMinResolution(core::dimension2du iMinResolution) { m_iMinResolution = iMinResolution; }

void CSettings::readSettingsFile(io::IFileSystem* pFileSystem) {
  m_iResolution = 0;
  m_iDriver = 0;
  m_bFullscreen = false;
  for (bool& bAct : m_aAct) bAct = true;

  // A folder, pipe or device of that name is as no file: opening a pipe would wait for ever.
  io::IReadFile* pFile =
      pFileSystem && !irr::ode::CRurIvaXmlCheck::namesSomethingButAFile(pFileSystem, m_sSettingsFile)
          ? pFileSystem->createAndOpenFile(m_sSettingsFile)
          : 0;
  if (!pFile) return;

  // The engine's reader runs past the end of unfinished XML: such a file is not handed to it.
  if (!irr::ode::CRurIvaXmlCheck::isComplete(pFile, irr::ode::CRurIvaXmlCheck::eNarrowReader)) {
    std::fprintf(stderr,
                 "The settings file \"%s\" is not complete XML and was ignored; "
                 "the default settings are used.\n",
                 m_sSettingsFile);
    pFile->drop();
    return;
  }

  io::IXMLReaderUTF8* pReader = pFileSystem->createXMLReaderUTF8(pFile);
  pFile->drop();
  if (!pReader) return;

  // Drivers offered by the program take precedence over the ones remembered in the file.
  const bool bReadDrivers = m_aDrvs.empty();

  while (pReader->read()) {
    if (pReader->getNodeType() != io::EXN_ELEMENT) continue;

    const char* sNode = pReader->getNodeName();
    if (bReadDrivers && !std::strcmp(sNode, "videodriver")) {
      const char* sName = pReader->getAttributeValue("name");
      s32 iId = 0;
      // The null driver shows nothing, so a record naming it (or no driver at all) is
      // no choice for the game and is skipped.
      if (!sName || !readIntAttribute(pReader, "id", iId) || iId <= video::EDT_NULL ||
          iId >= video::EDT_COUNT)
        continue;

      // The engine's XML writer escapes the five markup characters, and its reader drops the one
      // character that follows the last escaped one ("A&B" is saved as "A&amp;B" and read back
      // as "A&"): a name taken from the file keeps only characters that survive a save.
      wchar_t sWide[255];
      u32 i = 0;
      for (; sName[i] && i < 254; ++i) {
        const unsigned char c = static_cast<unsigned char>(sName[i]);
        sWide[i] = std::strchr("&<>\"'", c) ? L'_' : static_cast<wchar_t>(c);
      }
      sWide[i] = 0;
      addValidDriver(sWide, static_cast<video::E_DRIVER_TYPE>(iId));
    } else if (!std::strcmp(sNode, "resolution")) {
      readUnsignedAttribute(pReader, "value", m_iResolution);
    } else if (!std::strcmp(sNode, "fullscreen")) {
      s32 iValue = 0;
      if (readIntAttribute(pReader, "value", iValue)) m_bFullscreen = iValue != 0;
    } else if (!std::strcmp(sNode, "driver")) {
      readUnsignedAttribute(pReader, "value", m_iDriver);
    }
  }

  pReader->drop();
}

void CSettings::writeSettingsFile(io::IFileSystem* pFileSystem) {
  // Written whole or not at all: a full disk keeps the old settings rather than half of new ones.
  irr::ode::CRurIvaWholeFile* pFile = pFileSystem ? new irr::ode::CRurIvaWholeFile(m_sSettingsFile) : 0;
  io::IXMLWriter* pWriter = pFile && pFile->isOpen() ? pFileSystem->createXMLWriter(pFile) : 0;
  if (!pWriter) {
    std::fprintf(stderr, "The graphics settings could not be saved to \"%s\".\n", m_sSettingsFile);
    if (pFile) pFile->drop();
    return;
  }

  wchar_t sValue[254];
  wchar_t sNum[255];
  wchar_t sCnt[255];

  pWriter->writeXMLHeader();
  pWriter->writeElement(L"settings", false);
  pWriter->writeLineBreak();

  for (u32 i = 0; i < m_aDrvs.size(); ++i) {
    std::swprintf(sValue, 254, L"%i", static_cast<int>(m_aDrvs[i]->iDriver));
    pWriter->writeElement(L"videodriver", true, L"name", m_aDrvs[i]->sName, L"id", sValue);
    pWriter->writeLineBreak();
  }

  std::swprintf(sValue, 254, L"%i", static_cast<int>(m_iResolution));
  pWriter->writeElement(L"resolution", true, L"value", sValue);
  pWriter->writeLineBreak();

  pWriter->writeElement(L"fullscreen", true, L"value", m_bFullscreen ? L"1" : L"0");
  pWriter->writeLineBreak();

  std::swprintf(sValue, 254, L"%i", static_cast<int>(m_iDriver));
  pWriter->writeElement(L"driver", true, L"value", sValue);
  pWriter->writeLineBreak();

  for (int i = 0; i < 8; ++i) {
    std::swprintf(sValue, 254, L"%i", i);
    pWriter->writeElement(L"active", true, L"num", sValue, L"active", m_aAct[i] ? L"1" : L"0");
    pWriter->writeLineBreak();
  }

  for (int i = 0; i < 4; ++i) {
    std::swprintf(sNum, 255, L"%i", i);
    std::swprintf(sCnt, 255, L"%i", static_cast<int>(m_iCnt[i]));
    pWriter->writeElement(L"count", true, L"num", sNum, L"cnt", sCnt);
    pWriter->writeLineBreak();
  }

  pWriter->writeClosingTag(L"settings");
  pWriter->drop();
  if (!pFile->commit())
    std::fprintf(stderr, "The graphics settings could not be saved to \"%s\".\n", m_sSettingsFile);
  pFile->drop();
}

void CSettings::addVideoMode(s32 iWidth, s32 iHeight, s32 iBpp) {
  if (iBpp <= 15 || static_cast<u32>(iWidth) < m_iMinResolution.Width ||
      static_cast<u32>(iHeight) < m_iMinResolution.Height)
    return;

  _VRES* pMode = new _VRES();
  pMode->iWidth = iWidth;
  pMode->iHeight = iHeight;
  pMode->iBpp = iBpp;
  m_aVModes.push_back(pMode);
}

void CSettings::buildVideoModes() {
  for (u32 i = 0; i < m_aVModes.size(); ++i) delete m_aVModes[i];
  m_aVModes.clear();

  m_pVModes = m_pDevice->getVideoModeList();
  if (m_pVModes) {
    for (s32 i = 0; i < m_pVModes->getVideoModeCount(); ++i) {
      const core::dimension2du cSize = m_pVModes->getVideoModeResolution(i);
      addVideoMode(static_cast<s32>(cSize.Width), static_cast<s32>(cSize.Height),
                   m_pVModes->getVideoModeDepth(i));
    }
  }

  if (m_aVModes.empty()) {
    for (const s32* pMode : COMMON_MODES) addVideoMode(pMode[0], pMode[1], COMMON_MODE_BPP);
  }
}

void CSettings::createGUI() {
  IrrlichtDevice* pDevice =
      createDevice(video::EDT_SOFTWARE, core::dimension2du(200, 160), 16, false, false, false, 0);
  if (!pDevice) return;

  createGUI(pDevice);
  pDevice->drop();
}

void CSettings::createGUI(IrrlichtDevice* pDevice) {
  if (!pDevice) return;

  pDevice->grab();
  releaseDialogDevice();
  m_pDevice = pDevice;
  m_bOwnsDevice = true;
  keepFileSystem(m_pDevice->getFileSystem());
  m_pDevice->setWindowCaption(m_sTitle);

  readSettingsFile(m_pDevice->getFileSystem());

  m_pGuiEnv = m_pDevice->getGUIEnvironment();
  m_pSceneManager = m_pDevice->getSceneManager();
  m_pDriver = m_pDevice->getVideoDriver();

  m_bSettingsChanged = false;
  m_iClose = 0;

  m_pGuiEnv->addStaticText(m_sTitle, core::recti(5, 5, 125, 18), true, true, 0, -1, true);
  m_pGuiEnv->addStaticText(L"graphics driver", core::recti(5, 40, 75, 52), false, true, 0, -1, true);
  m_pGuiEnv->addStaticText(L"resolution", core::recti(5, 65, 75, 77), false, true, 0, -1, true);
  m_pGuiEnv->addStaticText(L"fullscreen", core::recti(5, 90, 75, 102), false, true, 0, -1, true);
  m_pDrivers = m_pGuiEnv->addComboBox(core::recti(80, 39, 180, 53), 0, ID_DRIVERS);
  m_pResolution = m_pGuiEnv->addComboBox(core::recti(80, 64, 180, 78), 0, ID_RESOLUTION);
  m_pFullscreen = m_pGuiEnv->addCheckBox(false, core::recti(80, 88, 94, 102), 0, ID_FULLSCREEN);
  m_pOk = m_pGuiEnv->addButton(core::recti(5, 135, 80, 160), 0, ID_START, L"Start");
  m_pCancel = m_pGuiEnv->addButton(core::recti(90, 135, 195, 160), 0, ID_CLOSE, L"Close");

  if (m_aDrvs.empty()) {
    addValidDriver(L"Software", video::EDT_SOFTWARE);
    addValidDriver(L"BurningsVideo", video::EDT_BURNINGSVIDEO);
    addValidDriver(L"Direct3D8", video::EDT_DIRECT3D8);
    addValidDriver(L"Direct3D9", video::EDT_DIRECT3D9);
    addValidDriver(L"OpenGL", video::EDT_OPENGL);
  }
  for (u32 i = 0; i < m_aDrvs.size(); ++i) m_pDrivers->addItem(m_aDrvs[i]->sName);

  buildVideoModes();
  for (u32 i = 0; i < m_aVModes.size(); ++i) {
    wchar_t sMode[254];
    std::swprintf(sMode, 254, L"%ix%i %i bpp", m_aVModes[i]->iWidth, m_aVModes[i]->iHeight,
                  m_aVModes[i]->iBpp);
    m_pResolution->addItem(sMode);
  }

  m_pDevice->setEventReceiver(this);

  // A remembered index means the same entry only on a machine that offers the same lists;
  // otherwise start from the first entry.
  if (m_iDriver >= m_aDrvs.size()) m_iDriver = 0;
  if (m_iResolution >= m_aVModes.size()) m_iResolution = 0;

  m_pDrivers->setSelected(static_cast<s32>(m_iDriver));
  m_pResolution->setSelected(static_cast<s32>(m_iResolution));
  m_pFullscreen->setChecked(m_bFullscreen);

  m_pDevice->getCursorControl()->setVisible(true);
}

u32 CSettings::run() {
  createGUI();
  if (!m_pDevice) {
    std::fprintf(stderr,
                 "The graphics settings dialog could not be opened: "
                 "the engine could not create its window (is a display available?).\n");
    return 0;
  }

  while (m_pDevice->run() && m_iClose == 0) {
    m_pDriver->beginScene(true, true, m_cBackground);
    m_pSceneManager->drawAll();
    m_pGuiEnv->drawAll();
    m_pDriver->endScene();
  }

  return m_iClose != 0 ? m_iClose : 2;
}

IrrlichtDevice* CSettings::createDeviceFromSettings() {
  releaseDialogDevice();
  m_pDevice = 0;
  keepFileSystem(0);

  if (m_iDriver >= m_aDrvs.size() || m_iResolution >= m_aVModes.size()) {
    std::fprintf(stderr, "The game window cannot be created: no %s is selected.\n",
                 m_iDriver >= m_aDrvs.size() ? "video driver" : "video mode");
    return 0;
  }

  const _VRES* pMode = m_aVModes[m_iResolution];
  std::printf(
      "\n\tcreating device with settings:\n\ndriver: %i\nresolution: (%i, %i)\n%i bits per pixel\n"
      "fullscreen: %s\n",
      static_cast<int>(m_iDriver), pMode->iWidth, pMode->iHeight, pMode->iBpp, m_bFullscreen ? "YES" : "NO");
  // Shown before the game window opens, also when standard output is a pipe or a file.
  std::fflush(stdout);

  m_pDevice =
      createDevice(m_aDrvs[m_iDriver]->iDriver,
                   core::dimension2du(static_cast<u32>(pMode->iWidth), static_cast<u32>(pMode->iHeight)),
                   static_cast<u32>(pMode->iBpp), m_bFullscreen, false, false, 0);
  if (m_pDevice) keepFileSystem(m_pDevice->getFileSystem());
  return m_pDevice;
}

bool CSettings::OnEvent(const SEvent& event) {
  if (event.EventType == EET_GUI_EVENT) {
    const gui::IGUIElement* pCaller = event.GUIEvent.Caller;
    const s32 iId = pCaller ? pCaller->getID() : -1;

    switch (event.GUIEvent.EventType) {
      case gui::EGET_BUTTON_CLICKED:
        if (iId == ID_START || iId == ID_CLOSE) m_iClose = static_cast<u32>(iId);
        break;

      case gui::EGET_COMBO_BOX_CHANGED:
        m_bSettingsChanged = true;
        // A box without a selection reports -1: keep the previous choice rather than an
        // index that points nowhere.
        if (iId == ID_DRIVERS && m_pDrivers && m_pDrivers->getSelected() >= 0)
          m_iDriver = static_cast<u32>(m_pDrivers->getSelected());
        if (iId == ID_RESOLUTION && m_pResolution && m_pResolution->getSelected() >= 0)
          m_iResolution = static_cast<u32>(m_pResolution->getSelected());
        for (u32 i = 0; i < m_aBodyCount.size() && i < 4; ++i)
          if (m_aBodyCount[i] == pCaller && m_aBodyCount[i]->getSelected() >= 0)
            m_iCnt[i] = static_cast<u32>(m_aBodyCount[i]->getSelected());
        break;

      case gui::EGET_CHECKBOX_CHANGED:
        m_bSettingsChanged = true;
        if (iId == ID_FULLSCREEN && m_pFullscreen) m_bFullscreen = m_pFullscreen->isChecked();
        for (u32 i = 0; i < m_aActiveBodies.size() && i < 8; ++i)
          if (m_aActiveBodies[i] == pCaller) m_aAct[i] = m_aActiveBodies[i]->isChecked();
        break;

      default:
        break;
    }
  } else if (event.EventType == EET_KEY_INPUT_EVENT && !event.KeyInput.PressedDown) {
    if (event.KeyInput.Key == KEY_RETURN)
      m_iClose = 1;
    else if (event.KeyInput.Key == KEY_ESCAPE)
      m_iClose = 2;
  }

  return false;
}

void CSettings::releaseDialogDevice() {
  if (m_bOwnsDevice && m_pDevice) {
    m_pDevice->setEventReceiver(0);
    m_pDevice->closeDevice();
    m_pDevice->run();
    m_pDevice->drop();
    m_pDevice = 0;
  }
  m_bOwnsDevice = false;

  // These all belonged to the dialog's device.
  m_pGuiEnv = 0;
  m_pDriver = 0;
  m_pSceneManager = 0;
  m_pVModes = 0;
  m_pDrivers = 0;
  m_pResolution = 0;
  m_pFullscreen = 0;
  m_pOk = 0;
  m_pCancel = 0;
  m_aActiveBodies.clear();
  m_aBodyCount.clear();
}

void CSettings::keepFileSystem(io::IFileSystem* pFileSystem) {
  if (pFileSystem) pFileSystem->grab();
  if (m_pFileSystem) m_pFileSystem->drop();
  m_pFileSystem = pFileSystem;
}
