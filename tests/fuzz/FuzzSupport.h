// What the fuzz targets share: a check that ends the run with a message (the fuzzer keeps the
// input), a private scratch folder for the inputs that must be files, and the engine on its null
// driver with its log silenced.
//
// Each target defines LLVMFuzzerTestOneInput. Built with clang's -fsanitize=fuzzer it is a
// libFuzzer target; built with ReplayMain.cpp it runs the files it is given once each, which is
// how the normal builds keep every corpus input passing.
#ifndef VARRIK_TESTS_FUZZ_FUZZ_SUPPORT_H
#define VARRIK_TESTS_FUZZ_FUZZ_SUPPORT_H

#include <irrlicht.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace varrik {
namespace fuzz {

//! Ends the run when a promise is broken: the fuzzer reports it as a crash and keeps the input.
#define FUZZ_CHECK(bCondition, ...)                                   \
  do {                                                                \
    if (!(bCondition)) {                                              \
      std::fprintf(stderr, "fuzz check failed: %s\n  ", #bCondition); \
      std::fprintf(stderr, __VA_ARGS__);                              \
      std::fprintf(stderr, "\n");                                     \
      std::abort();                                                   \
    }                                                                 \
  } while (0)

inline bool isNan(const irr::core::vector3df& v) {
  return std::isnan(v.X) || std::isnan(v.Y) || std::isnan(v.Z);
}

//! A folder of this process's own for the inputs that the code under test reads as files; it is
//! removed at exit (a crash leaves it behind, in the system's temporary folder).
inline const char* scratchFolder() {
  static char sFolder[512] = {0};
  if (!sFolder[0]) {
    const char* sTmp = std::getenv("TMPDIR");
    std::snprintf(sFolder, sizeof(sFolder), "%s/varrik-fuzz-%d", sTmp && *sTmp ? sTmp : "/tmp",
                  static_cast<int>(getpid()));
    mkdir(sFolder, 0700);
    std::atexit([] {
      const std::string sCommand = std::string("rm -rf '") + sFolder + "'";
      if (std::system(sCommand.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", sFolder);
    });
  }
  return sFolder;
}

//! Writes the input to a file of the scratch folder and returns its path.
inline std::string writeInput(const char* sName, const std::uint8_t* pData, size_t iSize) {
  const std::string sPath = std::string(scratchFolder()) + "/" + sName;
  FILE* f = std::fopen(sPath.c_str(), "wb");
  FUZZ_CHECK(f, "cannot write %s", sPath.c_str());
  if (iSize) FUZZ_CHECK(std::fwrite(pData, 1, iSize, f) == iSize, "cannot write %s", sPath.c_str());
  std::fclose(f);
  return sPath;
}

//! The engine on its null driver (no window), silent, for the life of the process.
inline irr::IrrlichtDevice* nullEngine() {
  static irr::IrrlichtDevice* pDevice = [] {
    irr::SIrrlichtCreationParameters cParams;
    cParams.DriverType = irr::video::EDT_NULL;
    cParams.LoggingLevel = irr::ELL_NONE;
    irr::IrrlichtDevice* p = irr::createDeviceEx(cParams);
    FUZZ_CHECK(p, "the engine could not create its null device");
    return p;
  }();
  return pDevice;
}

}  // namespace fuzz
}  // namespace varrik

#endif
