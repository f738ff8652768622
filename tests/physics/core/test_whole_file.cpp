// A file written whole or not at all: what the target holds after a save that worked, one that
// failed (a write beyond the file size limit stands for a full disk) and one given up, for every
// kind of target; and the engine's scene writer and reader on it.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>

#include "CRurIvaWholeFile.h"
#include "CTestScene.h"

namespace varrik {
namespace test {
namespace {

namespace fs = std::filesystem;
using irr::ode::CRurIvaWholeFile;

std::string contentOf(const fs::path& cPath) {
  std::ifstream cIn(cPath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(cIn), std::istreambuf_iterator<char>());
}

void put(const fs::path& cPath, const std::string& s) { std::ofstream(cPath, std::ios::binary) << s; }

class CoreWholeFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char sTemplate[] = "/tmp/varrik-whole-XXXXXX";
    ASSERT_NE(mkdtemp(sTemplate), nullptr);
    m_cDir = sTemplate;
  }
  void TearDown() override {
    std::error_code e;
    fs::remove_all(m_cDir, e);
  }
  //! The names in the folder: a temporary file left behind shows here.
  std::string entries() const {
    std::set<std::string> aNames;
    for (const fs::directory_entry& c : fs::directory_iterator(m_cDir)) aNames.insert(c.path().filename());
    std::string s;
    for (const std::string& sName : aNames) s += sName + " ";
    return s;
  }
  fs::path m_cDir;
};

//! Writes "new bytes" through the file with what the row does in between, and reports commit().
struct SWholeFileCase {
  const char* sName;
  //! Prepares the folder; returns the target's name.
  std::function<fs::path(const fs::path&)> fPrepare;
  bool bOpen;
  bool bCommit;  // whether commit() is called at all
  bool bCommitted;
  //! What the target names afterwards: its content, or "folder" / "missing".
  const char* sAfter;
  std::string sEntries;
};

std::string whatIsAt(const fs::path& cPath) {
  std::error_code e;  // a loop of links is no error here
  if (fs::is_directory(cPath, e)) return "folder";
  if (!fs::exists(cPath, e)) return "missing";
  return contentOf(cPath);
}

TEST_F(CoreWholeFile, ATargetIsReplacedOnlyByAFileWrittenWhole) {
  const auto older = [](const fs::path& d) {
    put(d / "f", "old");
    return d / "f";
  };
  const SWholeFileCase aCases[] = {
      {"a new file", [](const fs::path& d) { return d / "f"; }, true, true, true, "new bytes", "f "},
      {"an older file", older, true, true, true, "new bytes", "f "},
      {"an older file, given up without commit", older, true, false, false, "old", "f "},
      {"a folder",
       [](const fs::path& d) {
         fs::create_directory(d / "f");
         return d / "f";
       },
       false, true, false, "folder", "f "},
      {"a file in a missing folder", [](const fs::path& d) { return d / "none" / "f"; }, false, true, false,
       "missing", ""},
      {"an empty name", [](const fs::path&) { return fs::path(); }, false, true, false, "missing", ""},
      {"a link to a file not made yet",
       [](const fs::path& d) {
         fs::create_symlink("new", d / "link");
         return d / "link";
       },
       true, true, true, "new bytes", "link new "},
      {"a link through a relative link",
       [](const fs::path& d) {
         fs::create_directory(d / "sub");
         put(d / "sub" / "f", "old");
         fs::create_symlink("f", d / "sub" / "inner");
         fs::create_symlink("sub/inner", d / "link");
         return d / "link";
       },
       true, true, true, "new bytes", "link sub "},
      {"a loop of links",
       [](const fs::path& d) {
         fs::create_symlink("b", d / "a");
         fs::create_symlink("a", d / "b");
         return d / "a";
       },
       false, true, false, "missing", "a b "},
      // No temporary's suffix fits a name of 250 characters: written in place.
      {"an older file of a long name",
       [](const fs::path& d) {
         put(d / std::string(250, 'f'), "old");
         return d / std::string(250, 'f');
       },
       true, true, true, "new bytes", std::string(250, 'f') + " "},
  };
  for (const SWholeFileCase& c : aCases) {
    SCOPED_TRACE(c.sName);
    TearDown();
    fs::create_directory(m_cDir);
    const fs::path cTarget = c.fPrepare(m_cDir);
    CRurIvaWholeFile* pFile = new CRurIvaWholeFile(cTarget.c_str());
    EXPECT_EQ(pFile->isOpen(), c.bOpen);
    EXPECT_STREQ(pFile->getFileName().c_str(), cTarget.c_str());
    EXPECT_EQ(pFile->write("new bytes", 9), c.bOpen ? 9 : 0);
    if (c.bCommit) {
      EXPECT_EQ(pFile->commit(), c.bCommitted);
      EXPECT_FALSE(pFile->commit()) << "a second commit";
    }
    pFile->drop();
    if (!cTarget.empty()) {
      EXPECT_EQ(whatIsAt(cTarget), c.sAfter);
    }
    EXPECT_EQ(entries(), c.sEntries);
  }
}

TEST_F(CoreWholeFile, AFailedWriteLeavesTheOlderFileAsItWas) {
  // The file size limit makes the writes fail as a full disk does (the signal it raises is the
  // program's to ignore; a game that does not gets ended by it instead).
  put(m_cDir / "f", "old");
  const std::string sBig(64 * 1024, 'x');
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit cOld;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &cOld), 0);
  rlimit cSmall = cOld;
  cSmall.rlim_cur = 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &cSmall), 0);
  CRurIvaWholeFile* pFile = new CRurIvaWholeFile((m_cDir / "f").c_str());
  ASSERT_TRUE(pFile->isOpen());
  // The bytes the library buffers are accepted; the failure shows when they go out.
  pFile->write(sBig.data(), static_cast<irr::u32>(sBig.size()));
  EXPECT_FALSE(pFile->commit());
  pFile->drop();
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &cOld), 0);
  std::signal(SIGXFSZ, SIG_DFL);
  EXPECT_EQ(contentOf(m_cDir / "f"), "old");
  EXPECT_EQ(entries(), "f ");
}

TEST_F(CoreWholeFile, AReplacedFileKeepsItsRightsAndItsLink) {
  put(m_cDir / "real", "old");
  ASSERT_EQ(chmod((m_cDir / "real").c_str(), 0640), 0);
  fs::create_symlink(m_cDir / "real", m_cDir / "link");
  CRurIvaWholeFile* pFile = new CRurIvaWholeFile((m_cDir / "link").c_str());
  pFile->write("new", 3);
  EXPECT_TRUE(pFile->commit());
  pFile->drop();
  EXPECT_TRUE(fs::is_symlink(m_cDir / "link"));
  EXPECT_EQ(contentOf(m_cDir / "real"), "new");
  struct stat cStat;
  ASSERT_EQ(stat((m_cDir / "real").c_str(), &cStat), 0);
  EXPECT_EQ(cStat.st_mode & 0777, 0640u);
}

TEST_F(CoreWholeFile, ANewFileGetsTheRightsTheUmaskLeaves) {
  const mode_t iOld = umask(0);
  for (const mode_t iMask : {mode_t(022), mode_t(077), mode_t(002), mode_t(0)}) {
    SCOPED_TRACE(iMask);
    umask(iMask);
    const fs::path cTarget = m_cDir / ("f" + std::to_string(iMask));
    CRurIvaWholeFile* pFile = new CRurIvaWholeFile(cTarget.c_str());
    pFile->write("new", 3);
    EXPECT_TRUE(pFile->commit());
    pFile->drop();
    EXPECT_EQ(umask(iMask), iMask) << "the process's umask is left as it was";
    struct stat cStat;
    ASSERT_EQ(stat(cTarget.c_str(), &cStat), 0);
    EXPECT_EQ(cStat.st_mode & 07777, 0666u & ~iMask);
  }
  umask(iOld);
}

TEST_F(CoreWholeFile, AFileOfAnotherUserStaysTheirs) {
  if (geteuid() != 0) GTEST_SKIP() << "only root may replace another user's file";
  put(m_cDir / "f", "old");
  ASSERT_EQ(chown((m_cDir / "f").c_str(), 65534, 65534), 0);
  CRurIvaWholeFile* pFile = new CRurIvaWholeFile((m_cDir / "f").c_str());
  pFile->write("new", 3);
  EXPECT_TRUE(pFile->commit());
  pFile->drop();
  struct stat cStat;
  ASSERT_EQ(stat((m_cDir / "f").c_str(), &cStat), 0);
  EXPECT_EQ(cStat.st_uid, 65534u);
  EXPECT_EQ(cStat.st_gid, 65534u);
  EXPECT_EQ(contentOf(m_cDir / "f"), "new");
}

TEST_F(CoreWholeFile, AFileReadOnlyToTheProgramIsLeftAsItIs) {
  // Root may write any file; the check runs as a user without those rights, in a child process.
  put(m_cDir / "f", "old");
  ASSERT_EQ(chmod((m_cDir / "f").c_str(), 0444), 0);
  ASSERT_EQ(chmod(m_cDir.c_str(), 0777), 0);
  const pid_t iChild = fork();
  ASSERT_GE(iChild, 0);
  if (iChild == 0) {
    if (geteuid() == 0 && setuid(65534) != 0) _exit(2);
    CRurIvaWholeFile* pFile = new CRurIvaWholeFile((m_cDir / "f").c_str());
    const bool bOpen = pFile->isOpen();
    pFile->write("new", 3);
    const bool bCommitted = pFile->commit();
    pFile->drop();
    _exit(bOpen || bCommitted ? 1 : 0);
  }
  int iStatus = 0;
  ASSERT_EQ(waitpid(iChild, &iStatus, 0), iChild);
  ASSERT_TRUE(WIFEXITED(iStatus));
  EXPECT_EQ(WEXITSTATUS(iStatus), 0) << "1: the read-only file was opened, 2: no user to run as";
  EXPECT_EQ(contentOf(m_cDir / "f"), "old");
  EXPECT_EQ(entries(), "f ");
}

TEST_F(CoreWholeFile, TheEngineSavesASceneThroughItAndReadsItBack) {
  const fs::path cTarget = m_cDir / "scene.irr";
  put(cTarget, "old");
  {
    CTestScene cScene(nullptr, CTestScene::eFactory);
    cScene.m_pSmgr->addCubeSceneNode(1.0f, 0, 7)->setName("kept");
    CRurIvaWholeFile* pFile = new CRurIvaWholeFile(cTarget.c_str());
    EXPECT_TRUE(cScene.m_pSmgr->saveScene(pFile));
    EXPECT_EQ(contentOf(cTarget), "old") << "the target changes at commit, not before";
    EXPECT_TRUE(pFile->commit());
    pFile->drop();
  }
  CTestScene cScene(nullptr, CTestScene::eFactory);
  ASSERT_TRUE(cScene.m_pSmgr->loadScene(cTarget.c_str()));
  irr::scene::ISceneNode* pNode = cScene.m_pSmgr->getSceneNodeFromName("kept");
  ASSERT_NE(pNode, nullptr);
  EXPECT_EQ(pNode->getID(), 7);
  EXPECT_EQ(entries(), "scene.irr ");
}

}  // namespace
}  // namespace test
}  // namespace varrik
