#ifndef VARRIK_CSETTINGS_H
#define VARRIK_CSETTINGS_H

#include <irrlicht.h>

//! The graphics settings dialog: lets the user choose the video driver, the video mode and
//! full-screen mode, remembers the choice in an XML settings file and creates the game's
//! rendering device from it.
//!
//! Life cycle: construct, addValidDriver / setMinResolution, run (shows the dialog in a small
//! window of its own), then on "Start" createDeviceFromSettings. The destructor writes the
//! settings file when the user changed something and chose "Start".
class CSettings : public irr::IEventReceiver {
 public:
  //! One offered video mode.
  struct _VRES {
    irr::s32 iWidth;
    irr::s32 iHeight;
    irr::s32 iBpp;
  };

  //! One offered video driver.
  struct _DRV {
    wchar_t sName[255];
    irr::video::E_DRIVER_TYPE iDriver;
  };

  //! Widget ids; a button's id is also the value run() returns for it.
  enum { ID_START = 1, ID_CLOSE = 2, ID_DRIVERS = 3, ID_RESOLUTION = 4, ID_FULLSCREEN = 5 };

  CSettings(const char* sSettingsFile, const wchar_t* sTitle, irr::video::SColor cBackground);
  virtual ~CSettings();

  //! Updates the fields from widget events and keys; returns false so the GUI sees every event.
  virtual bool OnEvent(const irr::SEvent& event) override;

  //! Offers a driver in the dialog; the order of calls is the order in the combo box.
  //! A driver this engine build cannot create is not offered.
  void addValidDriver(const wchar_t* sName, irr::video::E_DRIVER_TYPE iDriver);

  //! Smallest video mode offered; call before run().
  void setMinResolution(irr::core::dimension2du iMinResolution);

  //! Shows the dialog until the user decides: 1 for "Start" (or Return), 2 for "Close"
  //! (or Escape, or the window closed). Returns 0 when the dialog window cannot be opened.
  irr::u32 run();

  //! Replaces the dialog's device by the game's device built from the chosen settings.
  //! The caller owns the returned device; null when the engine refuses it (a refused choice
  //! is then not saved).
  irr::IrrlichtDevice* createDeviceFromSettings();

  //! Builds the dialog in a window of its own (software renderer, 200 x 160).
  void createGUI();

  //! Builds the dialog on a device the caller supplies (for example the null driver,
  //! which opens no window). The object keeps a reference to the device.
  void createGUI(irr::IrrlichtDevice* pDevice);

 protected:
  //! Reads the settings file through the given file system; a missing or broken file leaves
  //! the defaults.
  void readSettingsFile(irr::io::IFileSystem* pFileSystem);

  //! Writes the settings file through the given file system.
  void writeSettingsFile(irr::io::IFileSystem* pFileSystem);

  //! Appends a video mode record if the mode passes the filter (more than 15 bits,
  //! at least the minimum resolution).
  void addVideoMode(irr::s32 iWidth, irr::s32 iHeight, irr::s32 iBpp);

  //! Fills m_aVModes from the device's video mode list, with common windowed modes
  //! when the engine reports none that passes the filter.
  void buildVideoModes();

  irr::gui::IGUIComboBox* m_pDrivers;
  irr::gui::IGUIComboBox* m_pResolution;
  irr::gui::IGUICheckBox* m_pFullscreen;
  irr::core::array<irr::gui::IGUICheckBox*> m_aActiveBodies;
  irr::core::array<irr::gui::IGUIComboBox*> m_aBodyCount;
  bool m_aAct[8];
  irr::u32 m_iCnt[4];
  irr::gui::IGUIButton* m_pOk;
  irr::gui::IGUIButton* m_pCancel;
  irr::video::SColor m_cBackground;
  char m_sSettingsFile[1024];
  irr::u32 m_iClose;
  irr::u32 m_iResolution;
  irr::u32 m_iDriver;
  bool m_bFullscreen;
  bool m_bSettingsChanged;
  irr::core::dimension2du m_iMinResolution;
  irr::IrrlichtDevice* m_pDevice;
  irr::gui::IGUIEnvironment* m_pGuiEnv;
  irr::video::IVideoDriver* m_pDriver;
  irr::scene::ISceneManager* m_pSceneManager;
  irr::video::IVideoModeList* m_pVModes;
  irr::core::array<_VRES*> m_aVModes;
  irr::core::array<_DRV*> m_aDrvs;
  char m_sScene[255];
  wchar_t m_sTitle[255];

 private:
  //! Closes and releases the dialog's device, and forgets everything that belonged to it.
  void releaseDialogDevice();

  //! Makes the settings file be written through this file system (null: not at all).
  void keepFileSystem(irr::io::IFileSystem* pFileSystem);

  //! True while m_pDevice is the dialog's device, which this object holds a reference to.
  bool m_bOwnsDevice;

  //! m_pDevice's file system, held so that the settings can be saved by the destructor even
  //! when the caller has already released the game device.
  irr::io::IFileSystem* m_pFileSystem;

  CSettings(const CSettings&) = delete;
  CSettings& operator=(const CSettings&) = delete;
};

#endif
