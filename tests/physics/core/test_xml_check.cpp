// The check every XML file passes before the engine's XML reader sees it: unfinished XML makes
// that reader run past its buffer. Texts are checked in every encoding the reader knows, as the
// narrow and the wide reader see them, and the layer's readers of surface definitions and scene
// files refuse what the check refuses.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "CRurIvaManager.h"
#include "CRurIvaWorld.h"
#include "CRurIvaXmlCheck.h"
#include "CTestScene.h"

namespace varrik {
namespace test {
namespace {

using irr::ode::CRurIvaXmlCheck;

enum EEncoding { eAscii, eUtf8Bom, eUtf16Le, eUtf16Be, eUtf32Le, eUtf32Be };

//! The text (plain ASCII) as a file of that encoding, with its byte order mark.
std::string encoded(const std::string& sText, EEncoding e) {
  static const char* const aBoms[] = {"",         "\xEF\xBB\xBF", "\xFF\xFE",
                                      "\xFE\xFF", "\xFF\xFE\0\0", "\0\0\xFE\xFF"};
  static const size_t aBomSizes[] = {0, 3, 2, 2, 4, 4};
  const size_t iUnit = e >= eUtf32Le ? 4 : (e >= eUtf16Le ? 2 : 1);
  const bool bBig = e == eUtf16Be || e == eUtf32Be;
  std::string s(aBoms[e], aBomSizes[e]);
  for (char c : sText)
    for (size_t i = 0; i < iUnit; ++i) s.push_back((bBig ? i == iUnit - 1 : i == 0) ? c : '\0');
  return s;
}

bool passes(const std::string& sBytes, CRurIvaXmlCheck::EReader eReader) {
  return CRurIvaXmlCheck::isComplete(sBytes.data(), static_cast<u32>(sBytes.size()), eReader);
}

TEST(CoreXmlCheck, CompleteXmlPassesAndUnfinishedXmlDoesNotInEveryEncoding) {
  const std::pair<const char*, bool> aTexts[] = {
      {"", true},
      {"<?xml version=\"1.0\"?>\n<settings>\n<driver value=\"1\"/>\n</settings>\n", true},
      {"<!DOCTYPE settings>\n<settings><a b = '2' /></settings>", true},
      {"<!DOCTYPE s [ <!ELEMENT s ANY> ]><s/>", true},
      {"<!-- a comment --><s><![CDATA[ <not> a tag ]]></s>", true},
      {"text only, no markup", true},
      {"<!>", false},
      {"<!a>", false},
      {"<!-- no end", false},
      {"<!-- < -->", false},
      {"<a b", false},
      {"<a b>", false},
      {"<a b=\"1", false},
      {"<a b='1'", false},
      {"<a/", false},
      {"</settings", false},
      {"<?xml version=\"1.0\"", false},
      {"<![CDATA[ no end", false},
      {"<", false},
  };
  for (const auto& t : aTexts)
    for (EEncoding e : {eAscii, eUtf8Bom, eUtf16Le, eUtf16Be, eUtf32Le, eUtf32Be})
      for (CRurIvaXmlCheck::EReader r : {CRurIvaXmlCheck::eNarrowReader, CRurIvaXmlCheck::eWideReader})
        EXPECT_EQ(passes(encoded(t.first, e), r), t.second)
            << "\"" << t.first << "\" encoding " << e << " reader " << r;
}

TEST(CoreXmlCheck, AFileCutAnywherePassesOnlyWhereNoTagIsOpen) {
  // The settings file as the engine writes it (UTF-32 with a byte order mark), in every
  // encoding, cut after every byte as an interrupted write leaves it.
  const std::string sText =
      "<?xml version=\"1.0\"?>\n<settings>\n<videodriver name=\"OpenGL\" id=\"5\" />\n"
      "<!-- chosen -->\n<resolution value=\"2\" />\n</settings>\n";
  for (EEncoding e : {eAscii, eUtf8Bom, eUtf16Le, eUtf16Be, eUtf32Le, eUtf32Be}) {
    const std::string sWhole = encoded(sText, e);
    const size_t iUnit = e >= eUtf32Le ? 4 : (e >= eUtf16Le ? 2 : 1);
    const bool bLittle = e == eUtf16Le || e == eUtf32Le;
    const size_t iBom = encoded("", e).size();
    for (CRurIvaXmlCheck::EReader r : {CRurIvaXmlCheck::eNarrowReader, CRurIvaXmlCheck::eWideReader}) {
      EXPECT_TRUE(passes(sWhole, r)) << e;
      for (size_t iCut = iBom; iCut < sWhole.size(); ++iCut) {
        if (!passes(sWhole.substr(0, iCut), r)) continue;
        // The characters the reader sees (a unit cut short is filled up with zero bytes, which
        // keeps the character of a little-endian unit): every '<' among them has found its '>'.
        const size_t iBytes = iCut - iBom;
        std::string sKept = sText.substr(0, iBytes / iUnit + (bLittle && iBytes % iUnit ? 1 : 0));
        // The reader stops before its last unit: a '<' there starts nothing.
        if (!sKept.empty() && sKept.back() == '<') sKept.pop_back();
        const long iOpen = static_cast<long>(std::count(sKept.begin(), sKept.end(), '<'));
        const long iClosed = static_cast<long>(std::count(sKept.begin(), sKept.end(), '>'));
        EXPECT_LE(iOpen - iClosed, 0) << "encoding " << e << " reader " << r << " cut at " << iCut;
      }
    }
  }
  // Big-endian units are turned around up to the first zero unit: a UTF-32 file that ends in a
  // part of a unit has none, and the reader's own conversion would run past the text.
  EXPECT_FALSE(passes(encoded("<a/>", eUtf32Be) + "\x01\x02", CRurIvaXmlCheck::eWideReader));
}

//! A world, and files in a temporary folder that the test removes.
class CoreXmlReaders : public testing::Test {
 protected:
  CoreXmlReaders() : m_cScene(nullptr, CTestScene::eFactory) {}
  void TearDown() override {
    for (const std::string& s : m_aFiles) std::remove(s.c_str());
  }
  std::string write(const std::string& sText) {
    const std::string sPath =
        "/tmp/varrik-xml-" + std::to_string(getpid()) + "-" + std::to_string(m_aFiles.size());
    std::ofstream(sPath, std::ios::binary) << sText;
    m_aFiles.push_back(sPath);
    return sPath;
  }
  CTestScene m_cScene;
  std::vector<std::string> m_aFiles;
};

TEST_F(CoreXmlReaders, SurfaceDefinitionsAndSceneFilesThatAreUnfinishedAreRefused) {
  m_cScene.m_pIrr->getLogger()->setLogLevel(irr::ELL_NONE);
  CRurIvaWorld* pWorld = m_cScene.addWorld();
  for (const char* sBroken : {"<!>", "<a b", "<surfaces><parameters><attributes><float name=\"mu\" val"}) {
    SCOPED_TRACE(sBroken);
    const std::string sPath = write(sBroken);
    s32 iSets = -1;
    const std::string sOut =
        captured([&] { iSets = pWorld->loadFromFile(irr::core::stringw(sPath.c_str()).c_str()); });
    EXPECT_EQ(iSets, 0);
    EXPECT_NE(sOut.find("is an invalid XML file"), std::string::npos) << sOut;

    bool bLoaded = true;
    const size_t iChildren = m_cScene.m_pRoot->getChildren().size();
    const std::string sScene = std::string("<?xml version=\"1.0\"?><irr_scene>") + sBroken;
    const std::string sSceneOut =
        captured([&] { bLoaded = m_cScene.m_pManager->loadScene(write(sScene).c_str(), m_cScene.m_pSmgr); });
    EXPECT_FALSE(bLoaded);
    EXPECT_NE(sSceneOut.find("is not complete XML"), std::string::npos) << sSceneOut;
    EXPECT_EQ(m_cScene.m_pRoot->getChildren().size(), iChildren);
  }
  // A complete file with a DOCTYPE line is read.
  const std::string sGood = write(
      "<!DOCTYPE surfaces>\n<surfaces><parameters><attributes><string name=\"name\" value=\"ice\"/>"
      "</attributes></parameters></surfaces>");
  captured([&] { EXPECT_EQ(pWorld->loadFromFile(irr::core::stringw(sGood.c_str()).c_str()), 1); });
}

}  // namespace
}  // namespace test
}  // namespace varrik
