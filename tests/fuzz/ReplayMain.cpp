// Runs a fuzz target once on each input it is given: files, or folders whose files are all run (in
// name order). The normal builds use it to keep every corpus input passing; a broken promise or a
// crash ends the run like it ends a fuzzing run.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, size_t iSize);

namespace {

bool isFolder(const std::string& sPath) {
  struct stat st;
  return stat(sPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void collect(const std::string& sPath, std::vector<std::string>& aFiles) {
  if (!isFolder(sPath)) {
    aFiles.push_back(sPath);
    return;
  }
  DIR* pDir = opendir(sPath.c_str());
  if (!pDir) return;
  std::vector<std::string> aNames;
  while (dirent* pEntry = readdir(pDir))
    if (pEntry->d_name[0] != '.') aNames.push_back(pEntry->d_name);
  closedir(pDir);
  std::sort(aNames.begin(), aNames.end());
  for (const std::string& sName : aNames) collect(sPath + "/" + sName, aFiles);
}

}  // namespace

int main(int argc, char** argv) {
  // Absolute paths: a target may change the working folder (the engine's file system does).
  std::vector<std::string> aFiles;
  for (int i = 1; i < argc; ++i) {
    char* sReal = realpath(argv[i], nullptr);
    collect(sReal ? sReal : argv[i], aFiles);
    std::free(sReal);
  }
  if (aFiles.empty()) {
    std::fprintf(stderr, "usage: %s FILE_OR_FOLDER...\n  (no input found)\n", argv[0]);
    return 2;
  }
  for (const std::string& sFile : aFiles) {
    std::ifstream cIn(sFile, std::ios::binary);
    if (!cIn) {
      std::fprintf(stderr, "cannot read %s\n", sFile.c_str());
      return 2;
    }
    const std::vector<char> aBytes((std::istreambuf_iterator<char>(cIn)), std::istreambuf_iterator<char>());
    std::fprintf(stderr, "running %s (%zu bytes)\n", sFile.c_str(), aBytes.size());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(aBytes.data()), aBytes.size());
  }
  std::fprintf(stderr, "%zu inputs passed\n", aFiles.size());
  return 0;
}
