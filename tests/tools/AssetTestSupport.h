// Shared by the asset tests: the engine's null device with the generated data folder added the way the demo
// adds it (a folder archive that ignores case and paths), and helpers that read triangles back out of
// loaded meshes.
#pragma once

#include <gtest/gtest.h>
#include <irrlicht.h>

#include <string>
#include <vector>

namespace varrik::assettest {

// The data folder the build generated, and the generator itself.
inline const std::string kDataDir = VARRIK_DATA_DIR;
inline const std::string kGenerator = VARRIK_ASSETS_EXE;

// Every file the generator writes.
const std::vector<std::string>& generatedFiles();

// A triangle as the engine holds it, in the coordinates of its mesh buffer.
struct Tri {
  irr::core::vector3df a, b, c;

  // (b - a) x (c - a): the side the engine draws and the physics layer treats as the outside.
  irr::core::vector3df windingNormal() const { return (b - a).crossProduct(c - a); }
  irr::core::vector3df unitNormal() const { return windingNormal().normalize(); }
  irr::core::vector3df centroid() const { return (a + b + c) / 3.0f; }
};

std::vector<Tri> trianglesOf(const irr::scene::IMeshBuffer& buffer);
std::vector<Tri> trianglesOf(const irr::scene::IMesh& mesh);

// Number of triangle corners whose stored vertex normal leans more than about 8 degrees away from the
// triangle's winding normal. The generated meshes are flat-shaded, so there should be none.
int cornersWithStrayNormals(const irr::scene::IMesh& mesh);

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The level, found by its bare name inside the data folder as the demo finds it.
  irr::scene::IAnimatedMesh* level();
  // A car or wheel mesh by file name, opened by its path inside the data folder as the demo opens it.
  irr::scene::IAnimatedMesh* model(const std::string& file);
  // The mesh the physics layer measures: the animated mesh's frame 0.
  irr::scene::IMesh* frameZero(const std::string& file);

  irr::IrrlichtDevice* m_device = nullptr;
  irr::video::IVideoDriver* m_driver = nullptr;
  irr::scene::ISceneManager* m_scene = nullptr;
};

}  // namespace varrik::assettest
