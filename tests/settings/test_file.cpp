// Reading and writing the settings file: defaults, the driver records, the stored choices,
// the written layout, broken files, and when the file is (not) written.

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <iterator>

#include "SettingsTestSupport.h"

using namespace irr;

namespace {
const char* const TWO_DRIVERS_FILE =
    "<?xml version=\"1.0\"?>\n"
    "<settings>\n"
    "  <videodriver name=\"Software\" id=\"1\"/>\n"
    "  <videodriver name=\"OpenGL\" id=\"5\"/>\n"
    "  <resolution value=\"2\"/>\n"
    "  <fullscreen value=\"1\"/>\n"
    "  <driver value=\"1\"/>\n"
    "</settings>\n";

// The user changes a setting (re-selecting the current mode is enough) and presses Return.
void changeAndStart(SettingsProbe& cSettings) {
  cSettings.OnEvent(guiEvent(gui::EGET_COMBO_BOX_CHANGED, cSettings.m_pResolution));
  cSettings.OnEvent(keyEvent(KEY_RETURN, false));
}

std::vector<std::wstring> defaultDriversOfThisBuild() {
  const std::pair<const wchar_t*, video::E_DRIVER_TYPE> aDefaults[] = {
      {L"Software", video::EDT_SOFTWARE},   {L"BurningsVideo", video::EDT_BURNINGSVIDEO},
      {L"Direct3D8", video::EDT_DIRECT3D8}, {L"Direct3D9", video::EDT_DIRECT3D9},
      {L"OpenGL", video::EDT_OPENGL},
  };
  std::vector<std::wstring> aNames;
  for (const auto& cDriver : aDefaults)
    if (IrrlichtDevice::isDriverSupported(cDriver.second)) aNames.push_back(cDriver.first);
  return aNames;
}

std::vector<std::string> elementNames(const std::vector<XmlElement>& aElements) {
  std::vector<std::string> aNames;
  for (const XmlElement& cElement : aElements) aNames.push_back(cElement.sName);
  return aNames;
}
}  // namespace

using SettingsFileDefaults = SettingsTest;

TEST_F(SettingsFileDefaults, WithoutAFileTheFirstEntriesAreChosenWindowed) {
  SettingsProbe cSettings(m_sFile);
  cSettings.build();

  EXPECT_EQ(cSettings.m_iDriver, 0u);
  EXPECT_EQ(cSettings.m_iResolution, 0u);
  EXPECT_FALSE(cSettings.m_bFullscreen);
  for (bool bAct : cSettings.m_aAct) EXPECT_TRUE(bAct);
  EXPECT_FALSE(cSettings.m_pFullscreen->isChecked());
  EXPECT_EQ(cSettings.m_pDrivers->getSelected(), 0);
  EXPECT_EQ(cSettings.m_pResolution->getSelected(), 0);
}

TEST_F(SettingsFileDefaults, WithoutAddedDriversTheDefaultDriversAreOfferedSoftwareFirst) {
  SettingsProbe cSettings(m_sFile);
  cSettings.build();

  const std::vector<std::wstring> aExpected = defaultDriversOfThisBuild();
  ASSERT_FALSE(aExpected.empty());
  EXPECT_EQ(aExpected.front(), L"Software");
  EXPECT_EQ(cSettings.driverNames(), aExpected);

  ASSERT_EQ(cSettings.m_pDrivers->getItemCount(), aExpected.size());
  for (u32 i = 0; i < aExpected.size(); ++i)
    EXPECT_EQ(std::wstring(cSettings.m_pDrivers->getItem(i)), aExpected[i]);
}

TEST_F(SettingsFileDefaults, DriversTheEngineCannotCreateAreNotOffered) {
  SettingsProbe cSettings(m_sFile);
  cSettings.addValidDriver(L"Direct3D9", video::EDT_DIRECT3D9);
  cSettings.addValidDriver(L"OpenGL", video::EDT_OPENGL);
  cSettings.build();

  std::vector<std::wstring> aExpected;
  if (IrrlichtDevice::isDriverSupported(video::EDT_DIRECT3D9)) aExpected.push_back(L"Direct3D9");
  if (IrrlichtDevice::isDriverSupported(video::EDT_OPENGL)) aExpected.push_back(L"OpenGL");
  EXPECT_EQ(cSettings.driverNames(), aExpected);
  // This engine build (Linux, X11) has OpenGL and no Direct3D.
  EXPECT_EQ(aExpected, std::vector<std::wstring>{L"OpenGL"});
}

TEST_F(SettingsFileDefaults, ALongDriverNameIsCutTo254Characters) {
  SettingsProbe cSettings(m_sFile);
  const std::wstring sLong(300, L'x');
  cSettings.addValidDriver(sLong.c_str(), video::EDT_SOFTWARE);
  ASSERT_EQ(cSettings.m_aDrvs.size(), 1u);
  EXPECT_EQ(std::wstring(cSettings.m_aDrvs[0]->sName), sLong.substr(0, 254));
}

using SettingsFileReading = SettingsTest;

TEST_F(SettingsFileReading, DriverRecordsAreTakenFromTheFileWhenNoDriverWasAdded) {
  writeFile(m_sFile, TWO_DRIVERS_FILE);
  SettingsProbe cSettings(m_sFile);
  cSettings.build();

  EXPECT_EQ(cSettings.driverNames(), (std::vector<std::wstring>{L"Software", L"OpenGL"}));
  ASSERT_EQ(cSettings.m_aDrvs.size(), 2u);
  EXPECT_EQ(cSettings.m_aDrvs[0]->iDriver, video::EDT_SOFTWARE);
  EXPECT_EQ(cSettings.m_aDrvs[1]->iDriver, video::EDT_OPENGL);
}

TEST_F(SettingsFileReading, DriverRecordsInTheFileAreIgnoredWhenDriversWereAdded) {
  writeFile(m_sFile, TWO_DRIVERS_FILE);
  SettingsProbe cSettings(m_sFile);
  cSettings.addValidDriver(L"Burning", video::EDT_BURNINGSVIDEO);
  cSettings.addValidDriver(L"GL", video::EDT_OPENGL);
  cSettings.build();

  EXPECT_EQ(cSettings.driverNames(), (std::vector<std::wstring>{L"Burning", L"GL"}));
  EXPECT_EQ(cSettings.m_iDriver, 1u);
}

TEST_F(SettingsFileReading, StoredChoicesArePreselected) {
  writeFile(m_sFile, TWO_DRIVERS_FILE);
  SettingsProbe cSettings(m_sFile);
  cSettings.build();

  EXPECT_EQ(cSettings.m_iDriver, 1u);
  EXPECT_EQ(cSettings.m_iResolution, 2u);
  EXPECT_TRUE(cSettings.m_bFullscreen);
  EXPECT_EQ(cSettings.m_pDrivers->getSelected(), 1);
  EXPECT_EQ(cSettings.m_pResolution->getSelected(), 2);
  EXPECT_TRUE(cSettings.m_pFullscreen->isChecked());
  EXPECT_FALSE(cSettings.m_bSettingsChanged);
}

TEST_F(SettingsFileReading, FullscreenTwoReadsAsTrueAndIsWrittenBackAsOne) {
  writeFile(m_sFile, "<settings><fullscreen value=\"2\"/></settings>");
  {
    SettingsProbe cSettings(m_sFile);
    cSettings.build();
    EXPECT_TRUE(cSettings.m_bFullscreen);
    changeAndStart(cSettings);
  }

  int iFullscreenElements = 0;
  for (const XmlElement& cElement : readElements(m_sFile)) {
    if (cElement.sName != "fullscreen") continue;
    ++iFullscreenElements;
    EXPECT_EQ(cElement.aAttributes.at("value"), "1");
  }
  EXPECT_EQ(iFullscreenElements, 1);
}

TEST_F(SettingsFileReading, ALaterElementOverridesAnEarlierOneAtAnyDepth) {
  writeFile(m_sFile,
            "<settings><resolution value=\"1\"/><group><resolution value=\"3\"/>"
            "<fullscreen value=\"1\"/></group><fullscreen value=\"0\"/></settings>");
  SettingsProbe cSettings(m_sFile);
  cSettings.build();
  EXPECT_EQ(cSettings.m_iResolution, 3u);
  EXPECT_FALSE(cSettings.m_bFullscreen);
}

TEST_F(SettingsFileReading, ElementNamesAreCaseSensitive) {
  writeFile(m_sFile, "<settings><Resolution value=\"3\"/><FULLSCREEN value=\"1\"/></settings>");
  SettingsProbe cSettings(m_sFile);
  cSettings.build();
  EXPECT_EQ(cSettings.m_iResolution, 0u);
  EXPECT_FALSE(cSettings.m_bFullscreen);
}

TEST_F(SettingsFileReading, IndicesOutsideTheListsFallBackToTheFirstEntry) {
  writeFile(m_sFile, "<settings><resolution value=\"999\"/><driver value=\"-1\"/></settings>");
  SettingsProbe cSettings(m_sFile);
  cSettings.build();

  EXPECT_EQ(cSettings.m_iResolution, 0u);
  EXPECT_EQ(cSettings.m_iDriver, 0u);
  EXPECT_EQ(cSettings.m_pResolution->getSelected(), 0);
  EXPECT_EQ(cSettings.m_pDrivers->getSelected(), 0);
}

using BrokenSettingsFile = SettingsTest;

TEST_F(BrokenSettingsFile, AFileThatIsNotXmlYieldsTheDefaults) {
  std::string sBytes;
  for (int i = 0; i < 4096; ++i) sBytes.push_back(static_cast<char>((i * 7919 + 13) % 256));
  writeFile(m_sFile, sBytes);

  SettingsProbe cSettings(m_sFile);
  cSettings.build();
  EXPECT_EQ(cSettings.m_iDriver, 0u);
  EXPECT_EQ(cSettings.m_iResolution, 0u);
  EXPECT_FALSE(cSettings.m_bFullscreen);
  EXPECT_EQ(cSettings.driverNames(), defaultDriversOfThisBuild());
}

TEST_F(BrokenSettingsFile, UnfinishedXmlIsIgnoredWithAMessage) {
  // Each of these made the engine's XML parser read past the end of its buffer.
  const char* const aBroken[] = {
      "<settings><resolution value=\"1\"/><fullscreen val",
      "<!>",
      "<!a>",
      "<!-- no end",
      "<!-- < -->",
      "<settings><resolution value=\"1",
      "<resolution value>",
      "<resolution value='1'",
      "</settings",
      "<?xml version=\"1.0\"",
      "<",
  };
  for (const char* sBroken : aBroken) {
    SCOPED_TRACE(sBroken);
    writeFile(m_sFile, sBroken);
    testing::internal::CaptureStderr();
    SettingsProbe cSettings(m_sFile);
    cSettings.build();
    const std::string sErr = testing::internal::GetCapturedStderr();
    EXPECT_NE(sErr.find("is not complete XML and was ignored"), std::string::npos) << sErr;
    EXPECT_EQ(cSettings.m_iResolution, 0u);
    EXPECT_FALSE(cSettings.m_bFullscreen);
  }
}

TEST_F(BrokenSettingsFile, AFolderOrPipeWhereTheFileShouldBeYieldsTheDefaultsAndIsLeftAlone) {
  // The engine opens a folder as a file of the largest size there is (asking for that much
  // memory to read it ended the program), and opening a pipe waits for a writer without end.
  for (const bool bFolder : {true, false}) {
    SCOPED_TRACE(bFolder ? "folder" : "pipe");
    if (bFolder) {
      ASSERT_TRUE(std::filesystem::create_directory(m_sFile));
    } else {
      ASSERT_EQ(mkfifo(m_sFile.c_str(), 0600), 0);
    }
    testing::internal::CaptureStderr();
    {
      SettingsProbe cSettings(m_sFile);
      cSettings.build();
      EXPECT_EQ(cSettings.m_iResolution, 0u);
      EXPECT_FALSE(cSettings.m_bFullscreen);
      changeAndStart(cSettings);
    }
    const std::string sErr = testing::internal::GetCapturedStderr();
    EXPECT_NE(sErr.find("could not be saved"), std::string::npos) << sErr;
    EXPECT_EQ(std::filesystem::is_directory(m_sFile), bFolder);
    EXPECT_EQ(std::filesystem::is_fifo(m_sFile), !bFolder);
    std::filesystem::remove(m_sFile);
  }
}

TEST_F(BrokenSettingsFile, AFileCutOffAtAnyLengthIsReadSafely) {
  // A file the engine wrote (wide characters) and a hand-written one, cut after every byte,
  // as a write interrupted by a crash or a full disk would leave them.
  {
    SettingsProbe cSettings(m_sFile);
    cSettings.addValidDriver(L"OpenGL", video::EDT_OPENGL);
    cSettings.build();
    cSettings.m_pFullscreen->setChecked(true);
    cSettings.OnEvent(guiEvent(gui::EGET_CHECKBOX_CHANGED, cSettings.m_pFullscreen));
    cSettings.OnEvent(keyEvent(KEY_RETURN, false));
  }
  const std::string aWhole[] = {readFile(m_sFile), TWO_DRIVERS_FILE};

  IrrlichtDevice* pDevice = createDevice(video::EDT_NULL);
  ASSERT_NE(pDevice, nullptr);
  for (const std::string& sWhole : aWhole) {
    ASSERT_GT(sWhole.size(), 100u);
    for (std::size_t iLength = 0; iLength <= sWhole.size(); ++iLength) {
      writeFile(m_sFile, sWhole.substr(0, iLength));
      SettingsProbe cSettings(m_sFile);
      testing::internal::CaptureStderr();
      cSettings.readSettingsFile(pDevice->getFileSystem());
      testing::internal::GetCapturedStderr();
      // Whatever was read before the cut: never more than the whole file holds.
      EXPECT_LE(cSettings.m_iResolution, 2u) << iLength;
      EXPECT_LE(cSettings.m_iDriver, 1u) << iLength;
      EXPECT_LE(cSettings.m_aDrvs.size(), 2u) << iLength;
    }
  }
  pDevice->drop();
}

TEST_F(BrokenSettingsFile, CommentsDoctypeDeclarationsAndSpacedAttributesAreAccepted) {
  writeFile(m_sFile,
            "<?xml version=\"1.0\"?>\n<!DOCTYPE settings>\n<!-- remembered choice -->\n<settings>\n"
            "<![CDATA[ <resolution value=\"7\"/> ]]>\n"
            "<resolution value = '2' />\n<fullscreen\tvalue=\"1\"></fullscreen>\n</settings>\n");
  testing::internal::CaptureStderr();
  SettingsProbe cSettings(m_sFile);
  cSettings.build();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(cSettings.m_iResolution, 2u);
  EXPECT_TRUE(cSettings.m_bFullscreen);
}

TEST_F(BrokenSettingsFile, GarbageOrMissingAttributesYieldTheDefaults) {
  writeFile(m_sFile,
            "<settings>\n"
            "<videodriver name=\"NoId\"/>\n"
            "<videodriver id=\"5\"/>\n"
            "<videodriver name=\"Junk\" id=\"xyz\"/>\n"
            "<videodriver name=\"Huge\" id=\"99999999999999999999\"/>\n"
            "<videodriver name=\"Negative\" id=\"-3\"/>\n"
            "<resolution value=\"abc\"/>\n"
            "<fullscreen value=\"\"/>\n"
            "<driver/>\n"
            "<active num=\"zz\" active=\"q\"/>\n"
            "<count cnt=\"-\"/>\n"
            "</settings>\n");
  SettingsProbe cSettings(m_sFile);
  cSettings.build();

  EXPECT_EQ(cSettings.m_iResolution, 0u);
  EXPECT_EQ(cSettings.m_iDriver, 0u);
  EXPECT_FALSE(cSettings.m_bFullscreen);
  // Not one record names a driver that can show the game ("xyz" reads as 0, the null
  // driver), so the default drivers are offered.
  EXPECT_EQ(cSettings.driverNames(), defaultDriversOfThisBuild());
}

TEST_F(BrokenSettingsFile, NumbersAreReadFromTheirLeadingDigits) {
  writeFile(m_sFile,
            "<settings><resolution value=\"3rd\"/><driver value=\" 1x\"/>"
            "<videodriver name=\"A\" id=\"1\"/><videodriver name=\"B\" id=\"2\"/></settings>");
  SettingsProbe cSettings(m_sFile);
  cSettings.build();
  EXPECT_EQ(cSettings.m_iResolution, 3u);
  EXPECT_EQ(cSettings.m_iDriver, 1u);
}

using SettingsFileWriting = SettingsTest;

TEST_F(SettingsFileWriting, TheWrittenFileHoldsItsElementsInOrder) {
  {
    SettingsProbe cSettings(m_sFile);
    cSettings.addValidDriver(L"Software", video::EDT_SOFTWARE);
    cSettings.addValidDriver(L"OpenGL", video::EDT_OPENGL);
    cSettings.build();
    cSettings.m_pResolution->setSelected(3);
    cSettings.OnEvent(guiEvent(gui::EGET_COMBO_BOX_CHANGED, cSettings.m_pResolution));
    cSettings.m_pDrivers->setSelected(1);
    cSettings.OnEvent(guiEvent(gui::EGET_COMBO_BOX_CHANGED, cSettings.m_pDrivers));
    cSettings.OnEvent(keyEvent(KEY_RETURN, false));
  }

  const std::vector<XmlElement> aElements = readElements(m_sFile);
  const std::vector<std::string> aExpectedNames = {
      "settings", "videodriver", "videodriver", "resolution", "fullscreen", "driver",
      "active",   "active",      "active",      "active",     "active",     "active",
      "active",   "active",      "count",       "count",      "count",      "count"};
  ASSERT_EQ(elementNames(aElements), aExpectedNames);

  EXPECT_TRUE(aElements[0].aAttributes.empty());
  EXPECT_EQ(aElements[1].aAttributes,
            (std::map<std::string, std::string>{{"name", "Software"}, {"id", "1"}}));
  EXPECT_EQ(aElements[2].aAttributes, (std::map<std::string, std::string>{{"name", "OpenGL"}, {"id", "5"}}));
  EXPECT_EQ(aElements[3].aAttributes, (std::map<std::string, std::string>{{"value", "3"}}));
  EXPECT_EQ(aElements[4].aAttributes, (std::map<std::string, std::string>{{"value", "0"}}));
  EXPECT_EQ(aElements[5].aAttributes, (std::map<std::string, std::string>{{"value", "1"}}));
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(aElements[6 + i].aAttributes,
              (std::map<std::string, std::string>{{"num", std::to_string(i)}, {"active", "1"}}));
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(aElements[14 + i].aAttributes,
              (std::map<std::string, std::string>{{"num", std::to_string(i)}, {"cnt", "0"}}));
}

TEST_F(SettingsFileWriting, AttributesAreWrittenInTheirOrder) {
  {
    SettingsProbe cSettings(m_sFile);
    cSettings.addValidDriver(L"OpenGL", video::EDT_OPENGL);
    cSettings.build();
    changeAndStart(cSettings);
  }

  // The engine writes wide characters; keep every character's low byte to get plain text.
  const std::string sWide = readFile(m_sFile);
  std::string sText;
  for (std::size_t i = 0; i + sizeof(wchar_t) <= sWide.size(); i += sizeof(wchar_t))
    sText.push_back(sWide[i]);
  EXPECT_NE(sText.find("<videodriver name=\"OpenGL\" id=\"5\" />"), std::string::npos) << sText;
  EXPECT_NE(sText.find("<active num=\"7\" active=\"1\" />"), std::string::npos) << sText;
  EXPECT_NE(sText.find("<count num=\"3\" cnt=\"0\" />"), std::string::npos) << sText;
}

TEST_F(SettingsFileWriting, AWrittenFileIsReadBackAsTheSameChoice) {
  {
    SettingsProbe cSettings(m_sFile);
    cSettings.build();
    cSettings.m_pResolution->setSelected(4);
    cSettings.OnEvent(guiEvent(gui::EGET_COMBO_BOX_CHANGED, cSettings.m_pResolution));
    cSettings.m_pDrivers->setSelected(2);
    cSettings.OnEvent(guiEvent(gui::EGET_COMBO_BOX_CHANGED, cSettings.m_pDrivers));
    cSettings.m_pFullscreen->setChecked(true);
    cSettings.OnEvent(guiEvent(gui::EGET_CHECKBOX_CHANGED, cSettings.m_pFullscreen));
    cSettings.OnEvent(guiEvent(gui::EGET_BUTTON_CLICKED, cSettings.m_pOk));
  }

  SettingsProbe cAgain(m_sFile);
  cAgain.build();
  EXPECT_EQ(cAgain.driverNames(), defaultDriversOfThisBuild());
  EXPECT_EQ(cAgain.m_iResolution, 4u);
  EXPECT_EQ(cAgain.m_iDriver, 2u);
  EXPECT_TRUE(cAgain.m_bFullscreen);
  EXPECT_TRUE(cAgain.m_pFullscreen->isChecked());
}

TEST_F(SettingsFileWriting, DriverNamesFromTheFileReadBackTheSameAfterASave) {
  // Saved, "Open>L" became "Open&gt;L", which the engine's reader took back as "Open>": it drops
  // the one character after the last escaped one. Markup characters of a name in the file are
  // offered as '_', which a save keeps.
  struct SCase {
    const char* sInFile;
    const wchar_t* sOffered;
  };
  const SCase kCases[] = {{"Open>L", L"Open_L"},
                          {"A&amp;BC", L"A_BC"},
                          {"&quot;Q&apos;", L"_Q_"},
                          {"x&lt;&lt;yz", L"x__yz"},
                          {"Plain Name", L"Plain Name"}};
  for (const SCase& c : kCases) {
    SCOPED_TRACE(c.sInFile);
    writeFile(m_sFile, std::string("<settings><videodriver name=\"") + c.sInFile +
                           "\" id=\"5\"/><resolution value=\"1\"/></settings>");
    {
      SettingsProbe cSettings(m_sFile);
      cSettings.build();
      ASSERT_EQ(cSettings.driverNames(), std::vector<std::wstring>{c.sOffered});
      changeAndStart(cSettings);
    }
    SettingsProbe cAgain(m_sFile);
    cAgain.build();
    EXPECT_EQ(cAgain.driverNames(), std::vector<std::wstring>{c.sOffered});
  }
}

TEST_F(SettingsFileWriting, NotWrittenAfterCloseEvenWhenChanged) {
  writeFile(m_sFile, TWO_DRIVERS_FILE);
  {
    SettingsProbe cSettings(m_sFile);
    cSettings.build();
    cSettings.m_pFullscreen->setChecked(false);
    cSettings.OnEvent(guiEvent(gui::EGET_CHECKBOX_CHANGED, cSettings.m_pFullscreen));
    cSettings.OnEvent(guiEvent(gui::EGET_BUTTON_CLICKED, cSettings.m_pCancel));
    EXPECT_EQ(cSettings.m_iClose, 2u);
  }
  EXPECT_EQ(readFile(m_sFile), TWO_DRIVERS_FILE);
}

TEST_F(SettingsFileWriting, NotWrittenAfterEscapeEvenWhenChanged) {
  {
    SettingsProbe cSettings(m_sFile);
    cSettings.build();
    cSettings.OnEvent(guiEvent(gui::EGET_COMBO_BOX_CHANGED, cSettings.m_pDrivers));
    cSettings.OnEvent(keyEvent(KEY_ESCAPE, false));
  }
  EXPECT_FALSE(std::filesystem::exists(m_sFile));
}

TEST_F(SettingsFileWriting, NotWrittenOnStartWithoutAChange) {
  writeFile(m_sFile, TWO_DRIVERS_FILE);
  {
    SettingsProbe cSettings(m_sFile);
    cSettings.build();
    cSettings.OnEvent(guiEvent(gui::EGET_BUTTON_CLICKED, cSettings.m_pOk));
    EXPECT_EQ(cSettings.m_iClose, 1u);
  }
  EXPECT_EQ(readFile(m_sFile), TWO_DRIVERS_FILE);
}

TEST_F(SettingsFileWriting, AFullDiskKeepsTheOlderFileAndIsReported) {
  // The file size limit makes the writes fail as a full disk does. The engine's own writer
  // emptied the file first and reported nothing.
  writeFile(m_sFile, TWO_DRIVERS_FILE);
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit cOld;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &cOld), 0);
  rlimit cSmall = cOld;
  cSmall.rlim_cur = 64;
  testing::internal::CaptureStderr();
  {
    SettingsProbe cSettings(m_sFile);
    cSettings.build();
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &cSmall), 0);
    changeAndStart(cSettings);
  }
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &cOld), 0);
  std::signal(SIGXFSZ, SIG_DFL);
  const std::string sErr = testing::internal::GetCapturedStderr();
  EXPECT_NE(sErr.find("could not be saved"), std::string::npos) << sErr;
  EXPECT_EQ(readFile(m_sFile), TWO_DRIVERS_FILE);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_sDir), std::filesystem::directory_iterator()),
            1)
      << "a temporary file was left behind";
}

TEST_F(SettingsFileWriting, AnUnwritablePathIsReportedNotFatal) {
  const std::string sFile = m_sDir + "/missing-folder/Settings.xml";
  testing::internal::CaptureStderr();
  {
    SettingsProbe cSettings(sFile);
    cSettings.build();
    changeAndStart(cSettings);
  }
  const std::string sErr = testing::internal::GetCapturedStderr();
  EXPECT_NE(sErr.find("could not be saved"), std::string::npos) << sErr;
  EXPECT_FALSE(std::filesystem::exists(sFile));
}
