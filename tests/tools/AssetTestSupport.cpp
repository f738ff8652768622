#include "AssetTestSupport.h"

namespace varrik::assettest {

const std::vector<std::string>& generatedFiles() {
  static const std::vector<std::string> files = {
      "car_c.x",         "car_c_c1.tga",   "car_d.x", "car_d_c1.tga", "level_asphalt.jpg", "level_start.jpg",
      "level_verge.jpg", "level_wall.jpg", "map.bsp", "sphere1.jpg",  "whell.tga",         "whell.x",
  };
  return files;
}

std::vector<Tri> trianglesOf(const irr::scene::IMeshBuffer& buffer) {
  std::vector<Tri> triangles;
  const irr::u32 count = buffer.getIndexCount();
  const auto index = [&](irr::u32 i) -> irr::u32 {
    if (buffer.getIndexType() == irr::video::EIT_32BIT)
      return reinterpret_cast<const irr::u32*>(buffer.getIndices())[i];
    return buffer.getIndices()[i];
  };
  for (irr::u32 i = 0; i + 2 < count; i += 3)
    triangles.push_back(
        {buffer.getPosition(index(i)), buffer.getPosition(index(i + 1)), buffer.getPosition(index(i + 2))});
  return triangles;
}

std::vector<Tri> trianglesOf(const irr::scene::IMesh& mesh) {
  std::vector<Tri> triangles;
  for (irr::u32 b = 0; b < mesh.getMeshBufferCount(); ++b) {
    const std::vector<Tri> part = trianglesOf(*mesh.getMeshBuffer(b));
    triangles.insert(triangles.end(), part.begin(), part.end());
  }
  return triangles;
}

int cornersWithStrayNormals(const irr::scene::IMesh& mesh) {
  int stray = 0;
  for (irr::u32 b = 0; b < mesh.getMeshBufferCount(); ++b) {
    const irr::scene::IMeshBuffer& buffer = *mesh.getMeshBuffer(b);
    const std::vector<Tri> triangles = trianglesOf(buffer);
    for (std::size_t t = 0; t < triangles.size(); ++t) {
      const irr::core::vector3df winding = triangles[t].unitNormal();
      for (irr::u32 k = 0; k < 3; ++k) {
        const irr::u32 i = static_cast<irr::u32>(3 * t + k);
        const irr::u32 vertex = buffer.getIndexType() == irr::video::EIT_32BIT
                                    ? reinterpret_cast<const irr::u32*>(buffer.getIndices())[i]
                                    : buffer.getIndices()[i];
        irr::core::vector3df normal = buffer.getNormal(vertex);
        if (normal.normalize().dotProduct(winding) < 0.99f) ++stray;
      }
    }
  }
  return stray;
}

void EngineTest::SetUp() {
  irr::SIrrlichtCreationParameters parameters;
  parameters.DriverType = irr::video::EDT_NULL;
  parameters.LoggingLevel = irr::ELL_ERROR;
  m_device = irr::createDeviceEx(parameters);
  ASSERT_NE(m_device, nullptr);
  m_driver = m_device->getVideoDriver();
  m_scene = m_device->getSceneManager();
  ASSERT_TRUE(m_device->getFileSystem()->addFileArchive(kDataDir.c_str(), true, true, irr::io::EFAT_FOLDER));
}

void EngineTest::TearDown() {
  if (m_device) m_device->drop();
}

irr::scene::IAnimatedMesh* EngineTest::level() { return m_scene->getMesh("map.bsp"); }

irr::scene::IAnimatedMesh* EngineTest::model(const std::string& file) {
  return m_scene->getMesh((kDataDir + "/" + file).c_str());
}

irr::scene::IMesh* EngineTest::frameZero(const std::string& file) {
  irr::scene::IAnimatedMesh* mesh = model(file);
  return mesh ? mesh->getMesh(0, 255, -1, -1) : nullptr;
}

}  // namespace varrik::assettest
