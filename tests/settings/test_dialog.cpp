// The dialog: its widgets, how it reacts to widget events and keys, and which video modes it
// offers.

#include "SettingsTestSupport.h"

using namespace irr;

using SettingsDialogLayout = SettingsTest;

TEST_F(SettingsDialogLayout, WidgetsAreCreatedInOrderWithTheirRectanglesAndIds) {
  SettingsProbe cSettings(m_sFile);
  cSettings.build();

  struct Expected {
    gui::EGUI_ELEMENT_TYPE eType;
    core::recti cRect;
    s32 iId;
    const wchar_t* sText;
  };
  const Expected aExpected[] = {
      {gui::EGUIET_STATIC_TEXT, core::recti(5, 5, 125, 18), -1, L"Graphics Settings"},
      {gui::EGUIET_STATIC_TEXT, core::recti(5, 40, 75, 52), -1, L"graphics driver"},
      {gui::EGUIET_STATIC_TEXT, core::recti(5, 65, 75, 77), -1, L"resolution"},
      {gui::EGUIET_STATIC_TEXT, core::recti(5, 90, 75, 102), -1, L"fullscreen"},
      {gui::EGUIET_COMBO_BOX, core::recti(80, 39, 180, 53), 3, nullptr},
      {gui::EGUIET_COMBO_BOX, core::recti(80, 64, 180, 78), 4, nullptr},
      {gui::EGUIET_CHECK_BOX, core::recti(80, 88, 94, 102), 5, L""},
      {gui::EGUIET_BUTTON, core::recti(5, 135, 80, 160), 1, L"Start"},
      {gui::EGUIET_BUTTON, core::recti(90, 135, 195, 160), 2, L"Close"},
  };

  const core::list<gui::IGUIElement*>& aChildren = cSettings.m_pGuiEnv->getRootGUIElement()->getChildren();
  ASSERT_EQ(aChildren.size(), sizeof(aExpected) / sizeof(aExpected[0]));
  std::size_t i = 0;
  for (core::list<gui::IGUIElement*>::ConstIterator it = aChildren.begin(); it != aChildren.end();
       ++it, ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ((*it)->getType(), aExpected[i].eType);
    EXPECT_EQ((*it)->getRelativePosition(), aExpected[i].cRect);
    EXPECT_EQ((*it)->getID(), aExpected[i].iId);
    if (aExpected[i].sText) {
      EXPECT_EQ(std::wstring((*it)->getText()), aExpected[i].sText);
    }
  }

  EXPECT_EQ(static_cast<gui::IGUIElement*>(cSettings.m_pOk), *(aChildren.begin() + 7));
  EXPECT_EQ(static_cast<gui::IGUIElement*>(cSettings.m_pCancel), *(aChildren.begin() + 8));
  EXPECT_FALSE(cSettings.m_pFullscreen->isChecked());
}

TEST_F(SettingsDialogLayout, TitleAndSettingsFileAreCopied) {
  SettingsProbe cSettings(m_sFile);
  EXPECT_EQ(std::string(cSettings.m_sSettingsFile), m_sFile);
  EXPECT_EQ(std::wstring(cSettings.m_sTitle), L"Graphics Settings");
  EXPECT_EQ(cSettings.m_iMinResolution, core::dimension2du(320, 200));
}

TEST_F(SettingsDialogLayout, ModeItemsNameWidthHeightAndDepth) {
  SettingsProbe cSettings(m_sFile);
  cSettings.build();
  ASSERT_GT(cSettings.m_pResolution->getItemCount(), 0u);
  ASSERT_EQ(cSettings.m_pResolution->getItemCount(), cSettings.m_aVModes.size());
  for (u32 i = 0; i < cSettings.m_aVModes.size(); ++i) {
    const CSettings::_VRES* pMode = cSettings.m_aVModes[i];
    const std::wstring sExpected = std::to_wstring(pMode->iWidth) + L"x" + std::to_wstring(pMode->iHeight) +
                                   L" " + std::to_wstring(pMode->iBpp) + L" bpp";
    EXPECT_EQ(std::wstring(cSettings.m_pResolution->getItem(i)), sExpected);
  }
  EXPECT_EQ(std::wstring(cSettings.m_pResolution->getItem(0)), L"640x480 32 bpp");
}

using SettingsDialogEvents = SettingsTest;

TEST_F(SettingsDialogEvents, ButtonClicksDecideStartOrClose) {
  SettingsProbe cSettings(m_sFile);
  cSettings.build();
  EXPECT_EQ(cSettings.m_iClose, 0u);

  EXPECT_FALSE(cSettings.OnEvent(guiEvent(gui::EGET_BUTTON_CLICKED, cSettings.m_pOk)));
  EXPECT_EQ(cSettings.m_iClose, 1u);
  EXPECT_FALSE(cSettings.OnEvent(guiEvent(gui::EGET_BUTTON_CLICKED, cSettings.m_pCancel)));
  EXPECT_EQ(cSettings.m_iClose, 2u);
  EXPECT_FALSE(cSettings.m_bSettingsChanged);
}

TEST_F(SettingsDialogEvents, AButtonThatIsNeitherStartNorCloseDecidesNothing) {
  SettingsProbe cSettings(m_sFile);
  cSettings.build();
  gui::IGUIButton* pOther = cSettings.m_pGuiEnv->addButton(core::recti(0, 0, 10, 10), 0, 77, L"Other");
  cSettings.OnEvent(guiEvent(gui::EGET_BUTTON_CLICKED, pOther));
  EXPECT_EQ(cSettings.m_iClose, 0u);
}

TEST_F(SettingsDialogEvents, ChoosingADriverOrModeStoresItsIndex) {
  SettingsProbe cSettings(m_sFile);
  cSettings.build();
  ASSERT_GE(cSettings.m_pDrivers->getItemCount(), 2u);

  cSettings.m_pDrivers->setSelected(1);
  EXPECT_FALSE(cSettings.OnEvent(guiEvent(gui::EGET_COMBO_BOX_CHANGED, cSettings.m_pDrivers)));
  EXPECT_EQ(cSettings.m_iDriver, 1u);
  EXPECT_EQ(cSettings.m_iResolution, 0u);
  EXPECT_TRUE(cSettings.m_bSettingsChanged);

  cSettings.m_pResolution->setSelected(5);
  cSettings.OnEvent(guiEvent(gui::EGET_COMBO_BOX_CHANGED, cSettings.m_pResolution));
  EXPECT_EQ(cSettings.m_iResolution, 5u);
  EXPECT_EQ(cSettings.m_iDriver, 1u);
  EXPECT_EQ(cSettings.m_iClose, 0u);
}

TEST_F(SettingsDialogEvents, ReselectingTheSameEntryMarksTheSettingsChanged) {
  SettingsProbe cSettings(m_sFile);
  cSettings.build();
  ASSERT_FALSE(cSettings.m_bSettingsChanged);

  cSettings.OnEvent(guiEvent(gui::EGET_COMBO_BOX_CHANGED, cSettings.m_pDrivers));
  EXPECT_TRUE(cSettings.m_bSettingsChanged);
  EXPECT_EQ(cSettings.m_iDriver, 0u);
}

TEST_F(SettingsDialogEvents, AComboBoxWithoutSelectionKeepsTheLastChoice) {
  SettingsProbe cSettings(m_sFile);
  cSettings.build();
  cSettings.m_pResolution->setSelected(2);
  cSettings.OnEvent(guiEvent(gui::EGET_COMBO_BOX_CHANGED, cSettings.m_pResolution));
  ASSERT_EQ(cSettings.m_iResolution, 2u);

  cSettings.m_pResolution->setSelected(-1);
  cSettings.OnEvent(guiEvent(gui::EGET_COMBO_BOX_CHANGED, cSettings.m_pResolution));
  EXPECT_EQ(cSettings.m_iResolution, 2u);
  cSettings.m_pDrivers->setSelected(-1);
  cSettings.OnEvent(guiEvent(gui::EGET_COMBO_BOX_CHANGED, cSettings.m_pDrivers));
  EXPECT_EQ(cSettings.m_iDriver, 0u);
}

TEST_F(SettingsDialogEvents, TheCheckBoxSetsFullscreen) {
  SettingsProbe cSettings(m_sFile);
  cSettings.build();

  cSettings.m_pFullscreen->setChecked(true);
  EXPECT_FALSE(cSettings.OnEvent(guiEvent(gui::EGET_CHECKBOX_CHANGED, cSettings.m_pFullscreen)));
  EXPECT_TRUE(cSettings.m_bFullscreen);
  EXPECT_TRUE(cSettings.m_bSettingsChanged);

  cSettings.m_pFullscreen->setChecked(false);
  cSettings.OnEvent(guiEvent(gui::EGET_CHECKBOX_CHANGED, cSettings.m_pFullscreen));
  EXPECT_FALSE(cSettings.m_bFullscreen);
}

TEST_F(SettingsDialogEvents, AChangeOfAnotherWidgetOnlyMarksTheSettingsChanged) {
  SettingsProbe cSettings(m_sFile);
  cSettings.build();
  gui::IGUIComboBox* pOther = cSettings.m_pGuiEnv->addComboBox(core::recti(0, 0, 10, 10), 0, 42);
  pOther->addItem(L"a");
  pOther->addItem(L"b");
  pOther->setSelected(1);
  cSettings.OnEvent(guiEvent(gui::EGET_COMBO_BOX_CHANGED, pOther));
  EXPECT_TRUE(cSettings.m_bSettingsChanged);
  EXPECT_EQ(cSettings.m_iDriver, 0u);
  EXPECT_EQ(cSettings.m_iResolution, 0u);
  for (u32 iCnt : cSettings.m_iCnt) EXPECT_EQ(iCnt, 0u);
}

TEST_F(SettingsDialogEvents, KeysActWhenReleasedNotWhenPressed) {
  SettingsProbe cSettings(m_sFile);
  cSettings.build();

  EXPECT_FALSE(cSettings.OnEvent(keyEvent(KEY_RETURN, true)));
  EXPECT_EQ(cSettings.m_iClose, 0u);
  EXPECT_FALSE(cSettings.OnEvent(keyEvent(KEY_ESCAPE, true)));
  EXPECT_EQ(cSettings.m_iClose, 0u);

  EXPECT_FALSE(cSettings.OnEvent(keyEvent(KEY_RETURN, false)));
  EXPECT_EQ(cSettings.m_iClose, 1u);
  EXPECT_FALSE(cSettings.OnEvent(keyEvent(KEY_ESCAPE, false)));
  EXPECT_EQ(cSettings.m_iClose, 2u);
  EXPECT_FALSE(cSettings.m_bSettingsChanged);
}

TEST_F(SettingsDialogEvents, OtherKeysAndEventsDoNothing) {
  SettingsProbe cSettings(m_sFile);
  cSettings.build();

  EXPECT_FALSE(cSettings.OnEvent(keyEvent(KEY_SPACE, false)));
  EXPECT_FALSE(cSettings.OnEvent(keyEvent(KEY_KEY_Q, false)));

  SEvent cMouse;
  cMouse.EventType = EET_MOUSE_INPUT_EVENT;
  cMouse.MouseInput.Event = EMIE_LMOUSE_LEFT_UP;
  cMouse.MouseInput.X = 10;
  cMouse.MouseInput.Y = 140;
  cMouse.MouseInput.Wheel = 0;
  cMouse.MouseInput.ButtonStates = 0;
  cMouse.MouseInput.Shift = false;
  cMouse.MouseInput.Control = false;
  EXPECT_FALSE(cSettings.OnEvent(cMouse));
  EXPECT_FALSE(cSettings.OnEvent(guiEvent(gui::EGET_ELEMENT_FOCUSED, cSettings.m_pOk)));

  EXPECT_EQ(cSettings.m_iClose, 0u);
  EXPECT_FALSE(cSettings.m_bSettingsChanged);
}

TEST_F(SettingsDialogEvents, BuildingTheDialogResetsDecisionAndChangeMark) {
  SettingsProbe cSettings(m_sFile);
  cSettings.m_iClose = 2;
  cSettings.m_bSettingsChanged = true;
  cSettings.build();
  EXPECT_EQ(cSettings.m_iClose, 0u);
  EXPECT_FALSE(cSettings.m_bSettingsChanged);
}

using VideoModeFilter = SettingsTest;

TEST_F(VideoModeFilter, ModesOf15BitsOrLessAreNotOffered) {
  SettingsProbe cSettings(m_sFile);
  cSettings.addVideoMode(800, 600, 15);
  cSettings.addVideoMode(800, 600, 8);
  EXPECT_EQ(cSettings.m_aVModes.size(), 0u);
  cSettings.addVideoMode(800, 600, 16);
  ASSERT_EQ(cSettings.m_aVModes.size(), 1u);
  EXPECT_EQ(cSettings.m_aVModes[0]->iBpp, 16);
}

TEST_F(VideoModeFilter, ModesBelowTheMinimumAreNotOfferedAndTheMinimumItselfIs) {
  SettingsProbe cSettings(m_sFile);
  cSettings.setMinResolution(core::dimension2du(640, 480));
  cSettings.addVideoMode(639, 480, 32);
  cSettings.addVideoMode(640, 479, 32);
  cSettings.addVideoMode(320, 200, 32);
  EXPECT_EQ(cSettings.m_aVModes.size(), 0u);

  cSettings.addVideoMode(640, 480, 32);
  cSettings.addVideoMode(1024, 768, 24);
  ASSERT_EQ(cSettings.m_aVModes.size(), 2u);
  EXPECT_EQ(cSettings.m_aVModes[0]->iWidth, 640);
  EXPECT_EQ(cSettings.m_aVModes[0]->iHeight, 480);
  EXPECT_EQ(cSettings.m_aVModes[0]->iBpp, 32);
  EXPECT_EQ(cSettings.m_aVModes[1]->iWidth, 1024);
  EXPECT_EQ(cSettings.m_aVModes[1]->iHeight, 768);
  EXPECT_EQ(cSettings.m_aVModes[1]->iBpp, 24);
}

TEST_F(VideoModeFilter, WithoutEngineModesCommonWindowModesAboveTheMinimumAreOffered) {
  SettingsProbe cSettings(m_sFile);
  cSettings.setMinResolution(core::dimension2du(1024, 720));
  cSettings.build();

  // The engine reports no modes without the display's VidMode extension.
  ASSERT_FALSE(cSettings.m_aVModes.empty());
  for (u32 i = 0; i < cSettings.m_aVModes.size(); ++i) {
    EXPECT_GE(cSettings.m_aVModes[i]->iWidth, 1024);
    EXPECT_GE(cSettings.m_aVModes[i]->iHeight, 720);
    EXPECT_EQ(cSettings.m_aVModes[i]->iBpp, 32);
  }
  EXPECT_EQ(cSettings.m_aVModes[0]->iWidth, 1024);
  EXPECT_EQ(cSettings.m_aVModes[0]->iHeight, 768);
  EXPECT_EQ(cSettings.m_aVModes[cSettings.m_aVModes.size() - 1]->iWidth, 1920);
  EXPECT_EQ(cSettings.m_aVModes[cSettings.m_aVModes.size() - 1]->iHeight, 1080);
}

TEST_F(VideoModeFilter, AMinimumAboveEveryModeLeavesTheListEmptyAndTheDialogUsable) {
  SettingsProbe cSettings(m_sFile);
  cSettings.setMinResolution(core::dimension2du(8000, 8000));
  cSettings.build();
  EXPECT_EQ(cSettings.m_aVModes.size(), 0u);
  EXPECT_EQ(cSettings.m_pResolution->getItemCount(), 0u);
  EXPECT_EQ(cSettings.m_pResolution->getSelected(), -1);
}
