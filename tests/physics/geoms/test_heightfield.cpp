// Heightfields over terrain nodes: the heightfield measures its terrain, asks it for every height
// and lies exactly on it, so rays and balls meet the ground the terrain shows. The heightmaps are
// made in the test and reach the terrain through memory files.
#include <gtest/gtest.h>
#include <irrlicht.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "CEventLog.h"
#include "CLevelScene.h"
#include "CRurIvaBody.h"
#include "CRurIvaGeomHeightfield.h"
#include "CRurIvaGeomRay.h"
#include "IRurIvaEvent.h"

using namespace varrik::test;

namespace {

using irr::ode::CRurIvaGeomHeightfield;
using irr::ode::CRurIvaGeomRay;
namespace scene = irr::scene;
namespace video = irr::video;

//! Samples along each side of the heightmaps: the terrain's 257 x 257 vertices.
const u32 kFieldSamples = 257;

//! The grey value of heightmap pixel (x, y).
typedef std::function<u32(u32, u32)> FieldPixels;

//! A level scene with a terrain, rays straight down and a log of their hits.
class FieldScene : public CLevelScene {
 public:
  /**
   * A terrain below the world made from a 257 x 257 greyscale heightmap written by the driver's
   * image writer into memory, and a heightfield below the terrain.
   */
  CRurIvaGeomHeightfield* addTerrain(const FieldPixels& fPixels, const vector3df& cPos,
                                     const vector3df& cScale) {
    video::IVideoDriver* pDriver = m_pIrr->getVideoDriver();
    video::IImage* pImage =
        pDriver->createImage(video::ECF_R8G8B8, irr::core::dimension2du(kFieldSamples, kFieldSamples));
    for (u32 y = 0; y < kFieldSamples; ++y)
      for (u32 x = 0; x < kFieldSamples; ++x) {
        const u32 g = fPixels(x, y);
        pImage->setPixel(x, y, video::SColor(255, g, g, g));
      }
    std::vector<char> aBytes(kFieldSamples * kFieldSamples * 4 + 4096);
    irr::io::IWriteFile* pOut = m_pIrr->getFileSystem()->createMemoryWriteFile(
        aBytes.data(), static_cast<s32>(aBytes.size()), "heightmap.bmp");
    const bool bWritten = pDriver->writeImageToFile(pImage, pOut);
    const s32 iSize = static_cast<s32>(pOut->getPos());
    pOut->drop();
    pImage->drop();
    if (!bWritten) return nullptr;
    irr::io::IReadFile* pIn =
        m_pIrr->getFileSystem()->createMemoryReadFile(aBytes.data(), iSize, "heightmap.bmp");
    m_pTerrain = m_pSmgr->addTerrainSceneNode(pIn, world(), -1, cPos, vector3df(0, 0, 0), cScale);
    pIn->drop();
    if (!m_pTerrain) return nullptr;
    return add<CRurIvaGeomHeightfield>(m_pTerrain);
  }
  //! A ray from 2000 above (x, z) straight down, long enough to reach any ground of these tests.
  CRurIvaGeomRay* addRayDown(f32 x, f32 z) {
    CRurIvaGeomRay* pRay = add<CRurIvaGeomRay>(world());
    m_aRays.push_back(pRay);
    m_aRayStarts.push_back(vector3df(x, 2000, z));
    return pRay;
  }
  //! Initialises the world and points the rays made by addRayDown.
  void init() {
    world()->initPhysics();
    for (size_t i = 0; i < m_aRays.size(); ++i) m_aRays[i]->set(m_aRayStarts[i], vector3df(0, -1, 0), 4000);
  }
  //! The height the ray reported in the last step it hit something, or NaN.
  f32 hitHeight(CRurIvaGeomRay* pRay) const {
    const std::vector<CEventLog::SEntry> aHits = m_cLog.of(irr::ode::eRurIvaEventRayHit);
    for (auto it = aHits.rbegin(); it != aHits.rend(); ++it)
      if (it->pRay == pRay) return it->cPosition.Y;
    return std::nanf("");
  }

  scene::ITerrainSceneNode* m_pTerrain = nullptr;
  CEventLog m_cLog;
  std::vector<CRurIvaGeomRay*> m_aRays;
  std::vector<vector3df> m_aRayStarts;
};

//! Hills everywhere (no two neighbouring vertices alike), flat at grey 90 along the terrain's
//! far edges: the first pixel columns (the terrain mirrors its heightmap along X) and the last
//! pixel rows.
u32 hillsWithFlatFarEdges(u32 x, u32 y) {
  if (x < 12 || y > kFieldSamples - 13) return 90;
  return static_cast<u32>(120.0 + 60.0 * std::sin(0.37 * x) * std::cos(0.23 * y) + 0.2 * x);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Measuring the terrain

TEST(LevelHeightfield, TerrainOf2560By2560With257SamplesIsCoveredSampleBySample) {
  FieldScene s;
  const vector3df cP(100, -20, 300);
  CRurIvaGeomHeightfield* pField = s.addTerrain(hillsWithFlatFarEdges, cP, vector3df(10, 0.5f, 10));
  ASSERT_NE(pField, nullptr);
  // Rays down at vertices of the terrain grid, from its first cell to its last.
  const u32 aVertices[][2] = {{1, 1}, {3, 4}, {17, 200}, {128, 128}, {200, 37}, {250, 251}, {255, 255}};
  std::vector<CRurIvaGeomRay*> aRays;
  for (const auto& v : aVertices) aRays.push_back(s.addRayDown(cP.X + 10.0f * v[0], cP.Z + 10.0f * v[1]));
  s.init();

  EXPECT_EQ(pField->getWidth(), 2560.0f);
  EXPECT_EQ(pField->getDepth(), 2560.0f);
  EXPECT_EQ(pField->getWidthSamples(), 257u);
  EXPECT_EQ(pField->getDepthSamples(), 257u);
  EXPECT_NE(pField->getGeomId(), 0u);
  EXPECT_EQ(pField->getBody(), nullptr);

  s.steps(1);
  for (size_t i = 0; i < aRays.size(); ++i) {
    const f32 x = cP.X + 10.0f * aVertices[i][0], z = cP.Z + 10.0f * aVertices[i][1];
    // A vertex's height is the same whichever way the cells around it are split into triangles.
    EXPECT_NEAR(s.hitHeight(aRays[i]), s.m_pTerrain->getHeight(x, z), 1e-3f)
        << "at (" << x << ", " << z << ")";
  }
}

TEST(LevelHeightfield, HeightCallbackAsksTheTerrainAtWholeNumbersAndAnswersRelativeToIt) {
  FieldScene s;
  // P = (0.5, 2, 0.5), 10 units between samples.
  CRurIvaGeomHeightfield* pField =
      s.addTerrain(hillsWithFlatFarEdges, vector3df(0.5f, 2, 0.5f), vector3df(10, 0.5f, 10));
  ASSERT_NE(pField, nullptr);
  s.init();
  ASSERT_EQ(pField->getWidthSamples(), 257u);

  // Sample (3, 4) lies at (30.5, 40.5); the terrain is asked at (30, 40).
  const f32 fAsked = s.m_pTerrain->getHeight(30, 40);
  ASSERT_NE(fAsked, s.m_pTerrain->getHeight(30.5f, 40.5f)) << "the hills must tell the two points apart";
  EXPECT_EQ(CRurIvaGeomHeightfield::getHeightCallback(pField, 3, 4), fAsked - 2);
  EXPECT_EQ(pField->getHeight(30, 40), fAsked);

  // Sample (0, 0) lies on the terrain's corner (0.5, 0.5), but the whole-number point (0, 0) is
  // off the terrain: the corner's own height is taken, not a hole.
  ASSERT_LT(s.m_pTerrain->getHeight(0, 0), -1e30f);
  EXPECT_NEAR(CRurIvaGeomHeightfield::getHeightCallback(pField, 0, 0),
              s.m_pTerrain->getHeight(0.5f, 0.5f) - 2, 0.05f);
}

TEST(LevelHeightfield, LastRowAndColumnOfSamplesLieOnTheTerrainsFarEdges) {
  FieldScene s;
  const vector3df cP(-1280, -20, -1280);
  CRurIvaGeomHeightfield* pField = s.addTerrain(hillsWithFlatFarEdges, cP, vector3df(10, 0.5f, 10));
  ASSERT_NE(pField, nullptr);
  s.init();
  const f32 fFlat = 90 * 0.5f - 20;
  ASSERT_NEAR(s.m_pTerrain->getHeight(1279.5f, 1279.5f), fFlat, 1e-3f);
  for (int i : {0, 100, 255, 256}) {
    EXPECT_NEAR(CRurIvaGeomHeightfield::getHeightCallback(pField, 256, i), fFlat + 20, 1e-3f) << i;
    EXPECT_NEAR(CRurIvaGeomHeightfield::getHeightCallback(pField, i, 256), fFlat + 20, 1e-3f) << i;
  }
}

TEST(LevelHeightfield, TheDebugViewDrawsTheSampleGridOnTheTerrain) {
  FieldScene s;
  const vector3df cP(100, -20, 300);
  CRurIvaGeomHeightfield* pField = s.addTerrain(hillsWithFlatFarEdges, cP, vector3df(10, 0.5f, 10));
  ASSERT_NE(pField, nullptr);
  s.init();
  irr::core::array<irr::core::line3df> aLines;
  s.m_pDevice->geomGetDebugLines(pField->getGeomId(), vector3df(0, 0, 0), aLines);
  // 257 samples a side drawn as 53 rows and 53 columns (every fifth and the last) of 256 segments.
  EXPECT_EQ(aLines.size(), 2u * 53u * 256u);
  aabbox3df cBox(aLines[0].start);
  for (u32 i = 0; i < aLines.size(); i += 97) {
    for (const vector3df& p : {aLines[i].start, aLines[i].end}) {
      cBox.addInternalPoint(p);
      // The terrain answers no height on its far edges, which are flat: asked just inside.
      const f32 x = std::min(p.X, cP.X + 2559.5f), z = std::min(p.Z, cP.Z + 2559.5f);
      EXPECT_NEAR(p.Y, s.m_pTerrain->getHeight(x, z), 1e-2f) << "at (" << p.X << ", " << p.Z << ")";
    }
  }
  EXPECT_NEAR(cBox.MinEdge.X, cP.X, 1e-2f);
  EXPECT_NEAR(cBox.MinEdge.Z, cP.Z, 1e-2f);
  EXPECT_NEAR(cBox.MaxEdge.X, cP.X + 2560, 1e-2f);
  EXPECT_NEAR(cBox.MaxEdge.Z, cP.Z + 2560, 1e-2f);
}

// ---------------------------------------------------------------------------------------------
// Resting on the ground

TEST(LevelHeightfield, BallsDroppedOnTheTerrainRestOnItsHeightThere) {
  FieldScene s;
  // The terrain centred on the origin; flat ground along its far edges, hills elsewhere.
  const vector3df cP(-1280, -20, -1280);
  CRurIvaGeomHeightfield* pField = s.addTerrain(hillsWithFlatFarEdges, cP, vector3df(10, 0.5f, 10));
  ASSERT_NE(pField, nullptr);
  const f32 fRadius = 5.0f;
  // In the middle of the far X edge's flat strip, and in the very last cell of the far corner.
  const vector3df aDrops[2] = {vector3df(1230, 100, 0), vector3df(1276, 100, 1276)};
  CRurIvaBody* aBalls[2] = {s.addBall(aDrops[0], fRadius), s.addBall(aDrops[1], fRadius)};
  pField->setMassTotal(5);
  s.init();
  EXPECT_EQ(pField->getBody(), nullptr);

  s.steps(300);
  for (int i = 0; i < 2; ++i) {
    const vector3df p = aBalls[i]->getPosition();
    EXPECT_NEAR(p.X, aDrops[i].X, 0.05f) << i;
    EXPECT_NEAR(p.Z, aDrops[i].Z, 0.05f) << i;
    EXPECT_NEAR(p.Y, s.m_pTerrain->getHeight(p.X, p.Z) + fRadius, 0.05f) << i;
    EXPECT_EQ(aBalls[i]->getTouched(), pField) << i;
    EXPECT_EQ(aBalls[i]->getCollisionMaterial(), 0) << i;
  }
}

TEST(LevelHeightfield, BallOnAHillSettlesWhereTheTerrainIsLowerAndStaysOnItsSurface) {
  FieldScene s;
  // A single round hill in the middle of flat ground.
  auto fHill = [](u32 x, u32 y) {
    const double dx = static_cast<double>(x) - 128.0, dy = static_cast<double>(y) - 128.0;
    const double r = std::sqrt(dx * dx + dy * dy);
    return static_cast<u32>(r < 40.0 ? 20.0 + 100.0 * 0.5 * (1.0 + std::cos(r / 40.0 * 3.14159265)) : 20.0);
  };
  const vector3df cP(-1280, 0, -1280);
  ASSERT_NE(s.addTerrain(fHill, cP, vector3df(10, 1, 10)), nullptr);
  const f32 fRadius = 4.0f;
  // Just above the hill's flank: it rolls down to the flat ground around it. The start lies
  // inside a cell, away from its edges: ODE 0.16.2 gives a sphere that rests right above a
  // sample or an edge of a sloped heightfield no contact at all, and it drops through.
  const vector3df cStart(153.7f, 0, 34.6f);
  CRurIvaBody* pBall =
      s.addBall(cStart + vector3df(0, 1, 0) * (s.m_pTerrain->getHeight(cStart.X, cStart.Z) + 4.5f), fRadius);
  s.init();

  f32 fLowest = 1e9f;
  for (int i = 0; i < 1200; ++i) {
    s.steps(1);
    const vector3df p = pBall->getPosition();
    // Never below the drawn surface by more than the two ways of cutting a cell into triangles
    // differ on the steepest flank (the heightfield's and the terrain's diagonals need not agree).
    ASSERT_GT(p.Y - fRadius, s.m_pTerrain->getHeight(p.X, p.Z) - 1.0f) << "step " << i;
    fLowest = std::min(fLowest, p.Y);
  }
  const vector3df p = pBall->getPosition();
  EXPECT_GT(p.getLength(), 400.0f) << "the ball has left the hill";
  EXPECT_NEAR(fLowest, 20 + fRadius, 0.1f);
}
