#include "CRurIvaWholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

namespace irr {
namespace ode {

namespace {

//! Makes a new file named sTarget plus a dot and six random letters, as open() makes it with
//! iMode; answers its descriptor and name, or -1. Unlike mkstemp, whose file is its owner's
//! alone, the process's umask applies without being changed (which other threads would see).
int makeTemporaryBeside(const std::string& sTarget, mode_t iMode, std::string& sName) {
  static std::atomic<uint64_t> s_iCalls{0};
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  timespec cNow;
  clock_gettime(CLOCK_REALTIME, &cNow);
  uint64_t iSeed = (static_cast<uint64_t>(getpid()) << 40) ^ (static_cast<uint64_t>(cNow.tv_sec) << 20) ^
                   static_cast<uint64_t>(cNow.tv_nsec);
  for (int iTry = 0; iTry < 100; ++iTry) {
    // splitmix64: names that differ in every letter for seeds one apart.
    uint64_t h = iSeed + 0x9E3779B97F4A7C15ull * (s_iCalls.fetch_add(1) + 1);
    h = (h ^ (h >> 30)) * 0xBF58476D1CE4E5B9ull;
    h = (h ^ (h >> 27)) * 0x94D049BB133111EBull;
    h ^= h >> 31;
    sName = sTarget + ".";
    for (int i = 0; i < 6; ++i, h /= 62) sName += kLetters[h % 62];
    const int iFd = open(sName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, iMode);
    if (iFd >= 0 || errno != EEXIST) return iFd;
  }
  return -1;
}

}  // namespace

CRurIvaWholeFile::CRurIvaWholeFile(const io::path& sFileName) : m_sFileName(sFileName) {
  namespace fs = std::filesystem;
  std::error_code e;
  fs::path cTarget(sFileName.c_str());
  if (cTarget.empty()) return;
  // A symbolic link stays and the file it names is written, also one not made yet (resolving
  // the whole name would stop at such a link and replace it by a file). A loop opens nothing.
  for (int iLinks = 0; fs::is_symlink(cTarget, e); ++iLinks) {
    const fs::path cPointed = fs::read_symlink(cTarget, e);
    if (e || iLinks == 40) return;
    cTarget = cTarget.parent_path() / cPointed;  // an absolute cPointed replaces the whole
  }
  // A folder or a device keeps its place: the file could never go there whole.
  const fs::file_status cStatus = fs::status(cTarget, e);
  if (fs::exists(cStatus) && !fs::is_regular_file(cStatus)) return;
  // A file its owner made read-only stays as it is: the engine could not open it either, and a
  // new file renamed over it would get round the protection.
  if (fs::exists(cStatus) && access(cTarget.c_str(), W_OK) != 0) return;
  m_sTarget = cTarget.c_str();

  // A new file gets the rights the engine's file would get (0666 less the umask, which the
  // system applies), a replacing one those of the file it replaces.
  struct stat cOld;
  const bool bReplaces = stat(m_sTarget.c_str(), &cOld) == 0;
  std::string sTemporary;
  const int iFd = makeTemporaryBeside(m_sTarget.c_str(), bReplaces ? 0600 : 0666, sTemporary);
  if (iFd < 0) {
    // No file can be made beside the target (a folder of files only writable in place, a name
    // too long for the suffix): written in place, as the engine would, a failure still reported.
    m_pFile = fopen(m_sTarget.c_str(), "wb");
    return;
  }
  if (bReplaces) {
    mode_t iMode = cOld.st_mode & 07777;
    // A file of another user that this program may replace (run as root) stays that user's.
    // Others may not give a file away; their file keeps its owner anyway.
    if (fchown(iFd, cOld.st_uid, cOld.st_gid) != 0) iMode &= 0777;
    fchmod(iFd, iMode);
  }
  m_sTemporary = sTemporary.c_str();
  m_pFile = fdopen(iFd, "wb");
  if (!m_pFile) {
    close(iFd);
    std::remove(m_sTemporary.c_str());
  }
}

CRurIvaWholeFile::~CRurIvaWholeFile() { discard(); }

s32 CRurIvaWholeFile::write(const void* pBuffer, u32 iSize) {
  if (!m_pFile || !pBuffer) return 0;
  const size_t iWritten = fwrite(pBuffer, 1, iSize, m_pFile);
  if (iWritten != iSize) m_bFailed = true;
  return static_cast<s32>(iWritten);
}

bool CRurIvaWholeFile::seek(long iPos, bool bRelative) {
  return m_pFile && fseek(m_pFile, iPos, bRelative ? SEEK_CUR : SEEK_SET) == 0;
}

long CRurIvaWholeFile::getPos() const { return m_pFile ? ftell(m_pFile) : -1; }

bool CRurIvaWholeFile::commit() {
  if (!m_pFile) return false;
  // The bytes reach the disk before the name does, so that a crash leaves the old file or the
  // new one, never a name on half a file.
  bool bWhole = !m_bFailed && fflush(m_pFile) == 0 && !ferror(m_pFile) && fsync(fileno(m_pFile)) == 0;
  bWhole = fclose(m_pFile) == 0 && bWhole;
  m_pFile = nullptr;
  if (m_sTemporary.empty()) return bWhole;  // written in place
  bWhole = bWhole && std::rename(m_sTemporary.c_str(), m_sTarget.c_str()) == 0;
  if (!bWhole) std::remove(m_sTemporary.c_str());
  m_sTemporary = "";
  return bWhole;
}

void CRurIvaWholeFile::discard() {
  if (!m_pFile) return;
  fclose(m_pFile);
  m_pFile = nullptr;
  if (!m_sTemporary.empty()) std::remove(m_sTemporary.c_str());
  m_sTemporary = "";
}

}  // namespace ode
}  // namespace irr
