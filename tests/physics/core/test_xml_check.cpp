// The check that keeps unfinished files from the engine's XML reader, which reads past the end of
// a file that ends inside a tag, a closing tag, a declaration or a comment (and on a comment
// shorter than four characters). Measured crashes of the reader are refused; finished files, and
// unfinished ones the reader stops in safely, pass, in every text encoding the reader knows.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "RurIvaXmlCheck.h"
#include "TestTypes.h"

namespace varrik {
namespace test {
namespace {

using irr::ode::xmlIsSafeToRead;

struct SText {
  const char* sText;
  bool bSafe;
};

//! The text in an encoding: 0 plain, 8 UTF-8 with its mark, 16 and 32 with a mark, big-endian
//! when bBig.
std::vector<u8> encoded(const std::string& s, int iBits, bool bBig) {
  std::vector<u8> a;
  if (iBits == 8) a = {0xEF, 0xBB, 0xBF};
  if (iBits == 16) a = bBig ? std::vector<u8>{0xFE, 0xFF} : std::vector<u8>{0xFF, 0xFE};
  if (iBits == 32) a = bBig ? std::vector<u8>{0, 0, 0xFE, 0xFF} : std::vector<u8>{0xFF, 0xFE, 0, 0};
  const int iWidth = iBits <= 8 ? 1 : iBits / 8;
  for (unsigned char c : s)
    for (int k = 0; k < iWidth; ++k) {
      const int iShift = 8 * (bBig ? iWidth - 1 - k : k);
      a.push_back(static_cast<u8>((static_cast<u32>(c) >> iShift) & 0xFF));
    }
  return a;
}

TEST(CoreXmlCheck, UnfinishedTagsAreRefusedAndFinishedTextsPassInEveryEncoding) {
  const SText aTexts[] = {
      // Each of these ended the engine's reader with a crash in a program of its own.
      {"<!>", false},
      {"<a b", false},
      {"<a b=\"1\"", false},
      {"<!-- x", false},
      {"<?xml", false},
      {"<!DOCTYPE x", false},
      {"<a/><", false},
      {"<surfaces><parameters><attributes><float name=\"mu\" value=\"0.4\"", false},
      // Read past their end as well, though not always into a crash.
      {"</a", false},
      {"<", false},
      {"<a", false},
      {"<a/", false},
      {"<!ab>", false},
      // The reader stops in these without leaving the text.
      {"", true},
      {"just some text, no markup at all", true},
      {"<a>", true},
      {"<a b=\"1>", true},
      {"<a b='1>", true},
      {"<a b=1>", true},
      {"<![CDATA[ x", true},
      {"<a b=\"1\"/>", true},
      {"<?xml version=\"1.0\"?><!-- note --><a><b c=\"d\"/></a>", true},
      {"<surfaces><parameters><attributes><string name=\"name\" value=\"mud\"/>", true},
  };
  for (const SText& t : aTexts)
    for (int iBits : {0, 8, 16, 32})
      for (bool bBig : {false, true}) {
        if (bBig && iBits < 16) continue;
        const std::vector<u8> a = encoded(t.sText, iBits, bBig);
        EXPECT_EQ(xmlIsSafeToRead(a.data(), a.size()), t.bSafe)
            << "\"" << t.sText << "\" in " << iBits << " bits" << (bBig ? ", big-endian" : "");
      }
}

TEST(CoreXmlCheck, EveryPrefixOfAFinishedFileThatEndsInATagIsRefused) {
  const std::string s =
      "<surfaces><parameters><attributes><float name=\"mu\" value=\"0.4\"/></attributes>"
      "</parameters></surfaces>";
  ASSERT_TRUE(xmlIsSafeToRead(reinterpret_cast<const u8*>(s.data()), s.size()));
  for (size_t n = 1; n < s.size(); ++n) {
    // Cut inside a tag (after a '<' whose '>' is missing), the text is unsafe, except where the
    // reader looks for a value's quotes (behind '=' or inside them): there it stops at the end.
    const std::string sCut = s.substr(0, n);
    const size_t iOpen = sCut.rfind('<'), iClose = sCut.rfind('>');
    const bool bInTag = iOpen != std::string::npos && (iClose == std::string::npos || iClose < iOpen);
    const size_t iQuotes = bInTag ? std::count(sCut.begin() + iOpen, sCut.end(), '"') : 0;
    const bool bStops = iQuotes % 2 == 1 || sCut.back() == '=';
    EXPECT_EQ(xmlIsSafeToRead(reinterpret_cast<const u8*>(sCut.data()), n), !bInTag || bStops)
        << "\"" << sCut << "\"";
  }
}

}  // namespace
}  // namespace test
}  // namespace varrik
