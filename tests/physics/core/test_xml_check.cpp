// The check every XML file passes before the engine's XML reader sees it (unfinished XML makes
// that reader run past its buffer), in every encoding the reader knows and as the narrow and the
// wide reader see the text; and the layer's readers of surface definitions and scene files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "CRurIvaManager.h"
#include "CRurIvaWorld.h"
#include "CRurIvaXmlCheck.h"
#include "CTestScene.h"

namespace varrik {
namespace test {
namespace {

using irr::ode::CRurIvaXmlCheck;

//! Encodings by the size of their units; big-endian ones are negative.
const int kEncodings[] = {1, 8, 2, -2, 4, -4};  // 8: UTF-8 with its byte order mark

//! The text (plain ASCII) as a file of that encoding, with its byte order mark.
std::string encoded(const std::string& sText, int iEncoding) {
  const std::string aBoms[] = {"", "\xEF\xBB\xBF", "\xFF\xFE", std::string("\xFF\xFE\0\0", 4)};
  const size_t iUnit = iEncoding == 8 ? 1 : std::abs(iEncoding);
  std::string s = iEncoding == 8 ? aBoms[1] : iUnit == 1 ? "" : aBoms[iUnit == 2 ? 2 : 3];
  if (iEncoding < 0) std::reverse(s.begin(), s.end());
  for (char c : sText)
    for (size_t i = 0; i < iUnit; ++i) s.push_back(i == (iEncoding < 0 ? iUnit - 1 : 0) ? c : '\0');
  return s;
}

bool passes(const std::string& sBytes, int iReader) {
  return CRurIvaXmlCheck::isComplete(sBytes.data(), static_cast<u32>(sBytes.size()),
                                     static_cast<CRurIvaXmlCheck::EReader>(iReader));
}

TEST(CoreXmlCheck, CompleteXmlPassesAndUnfinishedXmlDoesNotInEveryEncoding) {
  const std::pair<const char*, bool> aTexts[] = {
      {"", true},
      {"<?xml version=\"1.0\"?>\n<s>\n<driver value=\"1\"/>\n</s>\n", true},
      {"<!DOCTYPE s [ <!ELEMENT s ANY> ]>\n<s><a b = '2' /></s>", true},
      {"<!-- a comment --><s><![CDATA[ <not> a tag ]]></s>", true},
      {"<!>", false},
      {"<!a>", false},
      {"<!-- < -->", false},
      {"<a b", false},
      {"<a b>", false},
      {"<a b=\"1", false},
      {"<a/", false},
      {"</s", false},
      {"<?xml v=\"1\"", false},
      {"<![CDATA[ x", false},
      {"<![CDATA]]>", false},
      {"<![CDATA[]]>", true},
      {"<", false},
  };
  for (const auto& t : aTexts)
    for (int iEncoding : kEncodings)
      for (int iReader : {0, 1})
        EXPECT_EQ(passes(encoded(t.first, iEncoding), iReader), t.second) << t.first << " " << iEncoding;
  // Big-endian units are turned around up to the first zero unit: a UTF-32 file ending in part of
  // a unit has none, and the reader's own conversion would run past the text.
  EXPECT_FALSE(passes(encoded("<a/>", -4) + "\x01\x02", 1));
}

TEST(CoreXmlCheck, AFileCutAnywherePassesOnlyWhereNoTagIsOpen) {
  const std::string sText = "<?xml version=\"1.0\"?>\n<s>\n<d n=\"GL\" id=\"5\" />\n<!-- x -->\n</s>\n";
  for (int iEncoding : kEncodings) {
    const std::string sWhole = encoded(sText, iEncoding);
    const size_t iBom = encoded("", iEncoding).size(), iUnit = iEncoding == 8 ? 1 : std::abs(iEncoding);
    for (int iReader : {0, 1}) {
      EXPECT_TRUE(passes(sWhole, iReader));
      for (size_t iCut = iBom; iCut < sWhole.size(); ++iCut) {
        if (!passes(sWhole.substr(0, iCut), iReader)) continue;
        // What the reader parses: a unit cut short is filled with zero bytes (which keeps the
        // character of a little-endian one); it stops before its last unit.
        std::string sKept = sText.substr(0, (iCut - iBom) / iUnit + (iEncoding > 1 && (iCut - iBom) % iUnit));
        if (!sKept.empty() && sKept.back() == '<') sKept.pop_back();
        EXPECT_EQ(std::count(sKept.begin(), sKept.end(), '<'), std::count(sKept.begin(), sKept.end(), '>'))
            << iEncoding << " " << iReader << " cut at " << iCut;
      }
    }
  }
}

TEST(CoreXmlCheck, SurfaceDefinitionsAndSceneFilesThatAreUnfinishedOrFoldersAreRefused) {
  CTestScene cScene(nullptr, CTestScene::eFactory);
  cScene.m_pIrr->getLogger()->setLogLevel(irr::ELL_NONE);
  CRurIvaWorld* pWorld = cScene.addWorld();
  const std::string sPath = "/tmp/varrik-xml-" + std::to_string(getpid());
  const irr::core::stringw sWide(sPath.c_str());
  for (const char* sBroken : {"<!>", "<a b", "<surfaces><parameters><attributes><float name=\"mu\" val"}) {
    std::ofstream(sPath, std::ios::binary) << sBroken;
    EXPECT_NE(captured([&] { EXPECT_EQ(pWorld->loadFromFile(sWide.c_str()), 0); }).find("invalid XML"),
              std::string::npos);
    std::ofstream(sPath, std::ios::binary) << "<?xml version=\"1.0\"?><irr_scene>" << sBroken;
    const size_t iChildren = cScene.m_pRoot->getChildren().size();
    EXPECT_NE(captured([&] {
                EXPECT_FALSE(cScene.m_pManager->loadScene(sPath.c_str(), cScene.m_pSmgr));
              }).find("is not complete XML"),
              std::string::npos);
    EXPECT_EQ(cScene.m_pRoot->getChildren().size(), iChildren);
  }
  // A folder or a pipe where a file is named: the engine opens a folder as a file of the largest
  // size there is (reading that much ended the program), and opening a pipe waits for a writer.
  const std::string sFolder = sPath + "-folder", sPipe = sPath + "-pipe";
  ASSERT_EQ(mkdir(sFolder.c_str(), 0700), 0);
  ASSERT_EQ(mkfifo(sPipe.c_str(), 0600), 0);
  for (const std::string& sOther : {sFolder, sPipe}) {
    const irr::core::stringw sWideOther(sOther.c_str());
    EXPECT_NE(
        captured([&] { EXPECT_EQ(pWorld->loadFromFile(sWideOther.c_str()), 0); }).find("unable to open"),
        std::string::npos);
    EXPECT_NE(captured([&] {
                EXPECT_FALSE(cScene.m_pManager->loadScene(sOther.c_str(), cScene.m_pSmgr));
              }).find("cannot be opened"),
              std::string::npos);
  }
  rmdir(sFolder.c_str());
  std::remove(sPipe.c_str());
  std::ofstream(sPath, std::ios::binary)
      << "<!DOCTYPE surfaces>\n<surfaces><parameters><attributes>"
         "<string name=\"name\" value=\"ice\"/></attributes></parameters></surfaces>";
  captured([&] { EXPECT_EQ(pWorld->loadFromFile(sWide.c_str()), 1); });
  std::remove(sPath.c_str());
}

}  // namespace
}  // namespace test
}  // namespace varrik
