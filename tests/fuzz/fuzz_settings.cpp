// The bytes as the graphics settings file, read by the settings dialog as it is built: once with
// the two drivers the program offers and once with none (then the file's drivers count).
//
// What is promised: reading never crashes or reads outside the file; the dialog's choices point
// into its lists (driver and video mode); and what was read, written back and read again gives
// the same choices (no setting is lost or changed by a save).
#include <irrlicht.h>

#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

#include "CSettings.h"
#include "EdgeValueMutator.h"
#include "FuzzSupport.h"

using namespace irr;

namespace {

//! The dialog with its choices in view.
class CFuzzSettings : public CSettings {
 public:
  CFuzzSettings(const std::string& sFile, bool bProgramDrivers)
      : CSettings(sFile.c_str(), L"settings", video::SColor(255, 0, 0, 0)) {
    if (bProgramDrivers) {
      addValidDriver(L"Direct3D9", video::EDT_DIRECT3D9);
      addValidDriver(L"OpenGL", video::EDT_OPENGL);
    }
  }

  struct SChoices {
    std::vector<std::wstring> aNames;
    std::vector<s32> aDrivers;
    u32 iDriver, iResolution;
    bool bFullscreen;
    bool operator==(const SChoices& o) const {
      return aNames == o.aNames && aDrivers == o.aDrivers && iDriver == o.iDriver &&
             iResolution == o.iResolution && bFullscreen == o.bFullscreen;
    }
  };

  //! Builds the dialog on the engine (which reads the file) and checks that its choices are usable.
  SChoices build(IrrlichtDevice* pEngine) {
    createGUI(pEngine);
    FUZZ_CHECK(!m_aDrvs.empty(), "no driver is offered");
    FUZZ_CHECK(m_iDriver < m_aDrvs.size(), "driver %u of %u", m_iDriver, m_aDrvs.size());
    FUZZ_CHECK(m_iResolution < m_aVModes.size(), "video mode %u of %u", m_iResolution, m_aVModes.size());
    SChoices c;
    for (u32 i = 0; i < m_aDrvs.size(); ++i) {
      const _DRV* p = m_aDrvs[i];
      FUZZ_CHECK(std::wcslen(p->sName) < 255, "a driver name is not terminated");
      c.aNames.push_back(p->sName);
      c.aDrivers.push_back(p->iDriver);
    }
    c.iDriver = m_iDriver;
    c.iResolution = m_iResolution;
    c.bFullscreen = m_bFullscreen;
    return c;
  }

  void save(IrrlichtDevice* pEngine) { writeSettingsFile(pEngine->getFileSystem()); }
};

void roundTrip(const std::string& sFile, bool bProgramDrivers) {
  IrrlichtDevice* pEngine = varrik::fuzz::nullEngine();
  CFuzzSettings::SChoices cFirst;
  {
    CFuzzSettings s(sFile, bProgramDrivers);
    cFirst = s.build(pEngine);
    s.save(pEngine);
  }
  pEngine->getGUIEnvironment()->clear();
  CFuzzSettings s(sFile, bProgramDrivers);
  const CFuzzSettings::SChoices cSecond = s.build(pEngine);
  FUZZ_CHECK(cSecond == cFirst, "the saved settings read back differently (%zu drivers, then %zu)",
             cFirst.aNames.size(), cSecond.aNames.size());
  pEngine->getGUIEnvironment()->clear();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, size_t iSize) {
  for (bool bProgramDrivers : {true, false}) {
    const std::string sFile = varrik::fuzz::writeInput("Settings.xml", pData, iSize);
    roundTrip(sFile, bProgramDrivers);
  }
  return 0;
}
