// The generator program itself: what it writes, and that it writes the same bytes every time.

#include "AssetTestSupport.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

namespace varrik::assettest {
namespace {

namespace fs = std::filesystem;

// A fresh folder of the test's own, removed afterwards.
class TemporaryFolder {
 public:
  TemporaryFolder() {
    std::string pattern = (fs::temp_directory_path() / "varrik-assets-XXXXXX").string();
    if (::mkdtemp(pattern.data())) m_path = pattern;
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    if (!m_path.empty()) fs::remove_all(m_path, ignored);
  }
  const fs::path& path() const { return m_path; }

 private:
  fs::path m_path;
};

//! Runs the generator; arguments starting with "--limited " run it under a file size limit.
int runGenerator(std::string arguments) {
  std::string limit;
  if (arguments.rfind("--limited ", 0) == 0) {
    limit = "trap '' XFSZ; ulimit -f 64; ";
    arguments.erase(0, 10);
  }
  const int status = std::system((limit + kGenerator + " " + arguments + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

std::string contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::set<std::string> filesIn(const fs::path& folder) {
  std::set<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

TEST(GeneratorTest, WritesEveryAssetIntoTheGivenFolder) {
  TemporaryFolder folder;
  ASSERT_FALSE(folder.path().empty());
  const fs::path output = folder.path() / "nested" / "data";  // created on demand
  ASSERT_EQ(runGenerator(quoted(output)), 0);
  const std::set<std::string> expected(generatedFiles().begin(), generatedFiles().end());
  EXPECT_EQ(filesIn(output), expected);
}

TEST(GeneratorTest, TwoRunsWriteIdenticalBytes) {
  TemporaryFolder first, second;
  ASSERT_FALSE(first.path().empty());
  ASSERT_FALSE(second.path().empty());
  ASSERT_EQ(runGenerator(quoted(first.path())), 0);
  ASSERT_EQ(runGenerator(quoted(second.path())), 0);
  for (const std::string& file : generatedFiles()) {
    const std::string bytes = contents(first.path() / file);
    EXPECT_FALSE(bytes.empty()) << file;
    EXPECT_TRUE(bytes == contents(second.path() / file)) << file << " differs between runs";
    EXPECT_TRUE(bytes == contents(fs::path(kDataDir) / file))
        << file << " differs from the build's data folder";
  }
}

TEST(GeneratorTest, AFullDiskFailsTheRunAndLeavesNoAssetCutShort) {
  // A file size limit of 64 blocks stands for a full disk: some assets fit, the larger ones do
  // not (their writes fail once the signal of the limit is ignored).
  TemporaryFolder folder;
  ASSERT_FALSE(folder.path().empty());
  EXPECT_NE(runGenerator("--limited " + quoted(folder.path())), 0);
  const std::set<std::string> known(generatedFiles().begin(), generatedFiles().end());
  std::size_t whole = 0;
  for (const std::string& file : filesIn(folder.path())) {
    ASSERT_EQ(known.count(file), 1u) << file << " is no asset (a temporary file left behind?)";
    EXPECT_TRUE(contents(folder.path() / file) == contents(fs::path(kDataDir) / file))
        << file << " is cut short";
    ++whole;
  }
  EXPECT_GT(whole, 0u) << "the limit let no asset through: the test shows nothing";
  EXPECT_LT(whole, known.size()) << "the limit stopped no asset: the test shows nothing";
}

TEST(GeneratorTest, RefusesToRunWithoutAnOutputFolder) { EXPECT_NE(runGenerator(""), 0); }

TEST(GeneratorTest, FilesCarryTheirFormatsHeaders) {
  const std::string level = contents(fs::path(kDataDir) / "map.bsp");
  ASSERT_GE(level.size(), 8u);
  EXPECT_EQ(level.substr(0, 4), "IBSP");
  EXPECT_EQ(level.substr(4, 4), std::string("\x2e\0\0\0", 4)) << "Quake 3 version 46, little-endian";
  for (const char* file : {"car_c.x", "car_d.x", "whell.x"})
    EXPECT_EQ(contents(fs::path(kDataDir) / file).substr(0, 16), "xof 0303txt 0032") << file;
}

}  // namespace
}  // namespace varrik::assettest
