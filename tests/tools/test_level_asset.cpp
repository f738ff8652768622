// The generated level, loaded and placed the way the demo does it: "map.bsp" found by its bare name in the
// data folder, drawn by an octree node at (0, -50, 0). Heights below are world heights.

#include "AssetTestSupport.h"

#include <cctype>
#include <cmath>
#include <limits>
#include <set>

namespace varrik::assettest {
namespace {

using irr::core::triangle3df;
using irr::core::vector3df;

const vector3df kLevelNodePosition(0.0f, -50.0f, 0.0f);
constexpr float kFloorWorldY = -130.0f;  // under the car's start: 9 below its wheels
constexpr float kTolerance = 1e-3f;

class LevelTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_FALSE(HasFatalFailure());
    m_level = level();
    ASSERT_NE(m_level, nullptr);
    m_node = m_scene->addOctreeSceneNode(m_level, nullptr, -1, 512);
    ASSERT_NE(m_node, nullptr);
    m_node->setPosition(kLevelNodePosition);
    m_node->updateAbsolutePosition();
    m_selector = m_scene->createOctreeTriangleSelector(m_level->getMesh(0), m_node, 128);
    ASSERT_NE(m_selector, nullptr);
  }

  void TearDown() override {
    if (m_selector) m_selector->drop();
    EngineTest::TearDown();
  }

  // First level triangle on the segment from `from` to `to` (world coordinates).
  bool cast(vector3df from, vector3df to, vector3df& hit, triangle3df& triangle) const {
    irr::scene::ISceneNode* node = nullptr;
    return m_scene->getSceneCollisionManager()->getCollisionPoint({from, to}, m_selector, hit, triangle,
                                                                  node);
  }

  // Height of the first surface a vertical ray meets at (x, z), or NaN where there is none.
  float surfaceAt(float x, float z) const {
    vector3df hit;
    triangle3df triangle;
    if (!cast({x, 1000.0f, z}, {x, -1000.0f, z}, hit, triangle))
      return std::numeric_limits<float>::quiet_NaN();
    return hit.Y;
  }

  static std::string textureFile(const irr::scene::IMeshBuffer& buffer) {
    const irr::video::ITexture* texture = buffer.getMaterial().getTexture(0);
    if (!texture) return "";
    std::string name = texture->getName().getPath().c_str();
    name = name.substr(name.find_last_of('/') + 1);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
  }

  const irr::scene::IMeshBuffer* bufferTextured(const std::string& file) const {
    const irr::scene::IMesh* mesh = m_level->getMesh(0);
    for (irr::u32 i = 0; i < mesh->getMeshBufferCount(); ++i)
      if (textureFile(*mesh->getMeshBuffer(i)) == file) return mesh->getMeshBuffer(i);
    return nullptr;
  }

  irr::scene::IAnimatedMesh* m_level = nullptr;
  irr::scene::IMeshSceneNode* m_node = nullptr;
  irr::scene::ITriangleSelector* m_selector = nullptr;
};

TEST_F(LevelTest, LoadsAsQuake3LevelWithSeveralMaterials) {
  EXPECT_EQ(m_level->getMeshType(), irr::scene::EAMT_BSP);
  EXPECT_GE(m_level->getMesh(0)->getMeshBufferCount(), 3u);
}

TEST_F(LevelTest, EveryMaterialHasItsOwnTextureFromTheDataFolder) {
  const irr::scene::IMesh* mesh = m_level->getMesh(0);
  std::set<std::string> files;
  for (irr::u32 i = 0; i < mesh->getMeshBufferCount(); ++i) {
    const std::string file = textureFile(*mesh->getMeshBuffer(i));
    EXPECT_FALSE(file.empty()) << "buffer " << i << " has no texture";
    EXPECT_TRUE(files.insert(file).second) << file << " is used by two buffers";
  }
  EXPECT_EQ(files, (std::set<std::string>{"level_asphalt.jpg", "level_start.jpg", "level_verge.jpg",
                                          "level_wall.jpg"}));
}

TEST_F(LevelTest, OctreeNodeDrawsEveryMaterial) {
  EXPECT_EQ(m_node->getType(), irr::scene::ESNT_OCTREE);
  EXPECT_EQ(m_node->getMaterialCount(), m_level->getMesh(0)->getMeshBufferCount());
}

TEST_F(LevelTest, FloorUnderTheCarsStartIsFlatAtTheDesignedHeight) {
  // The chassis centre, the four wheels, and the start area around them.
  const float points[][2] = {{0, 0},   {34.5f, -39}, {-34.5f, -39}, {34.5f, 39}, {-34.5f, 39},
                             {0, 250}, {0, -250},    {90, 290},     {-90, -290}, {90, -290}};
  for (const auto& p : points)
    EXPECT_NEAR(surfaceAt(p[0], p[1]), kFloorWorldY, kTolerance) << "at x=" << p[0] << " z=" << p[1];
}

// The car as the demo builds it: chassis node at (0, -100, 0) scaled by 30, wheel k at the node position plus
// 30 x bone k, each wheel a sphere of half the wheel model's X extent times 30.
TEST_F(LevelTest, CarStartsOnItsWheelsJustAboveTheFloor) {
  irr::scene::IAnimatedMeshSceneNode* chassis = m_scene->addAnimatedMeshSceneNode(model("car_c.x"));
  ASSERT_NE(chassis, nullptr);
  chassis->setScale({30.0f, 30.0f, 30.0f});
  chassis->setPosition({0.0f, -100.0f, 0.0f});
  const float radius = frameZero("whell.x")->getBoundingBox().getExtent().X * 30.0f * 0.5f;
  const float chassisBottom = -100.0f + 30.0f * frameZero("car_c.x")->getBoundingBox().MinEdge.Y;
  for (const char* bone : {"b_whee1", "b_whee2", "b_whee3", "b_whee4"}) {
    irr::scene::IBoneSceneNode* joint = chassis->getJointNode(bone);
    ASSERT_NE(joint, nullptr) << bone;
    const vector3df wheel = chassis->getPosition() + chassis->getScale() * joint->getPosition();
    const float floorY = surfaceAt(wheel.X, wheel.Z);
    EXPECT_NEAR(floorY, kFloorWorldY, kTolerance) << bone;
    EXPECT_NEAR(wheel.Y - radius - floorY, 9.0f, kTolerance) << bone << " should drop a little and land";
    EXPECT_GT(chassisBottom - floorY, wheel.Y - radius - floorY) << bone << ": the body would land first";
  }
}

TEST_F(LevelTest, TrackRunsFarAheadOfTheCarTowardMinusZ) {
  for (float z = 350.0f; z >= -3950.0f; z -= 50.0f)
    EXPECT_GE(surfaceAt(0.0f, z), kFloorWorldY - kTolerance) << "no floor at z=" << z;
  // Nothing beyond the end walls.
  EXPECT_TRUE(std::isnan(surfaceAt(0.0f, 450.0f)));
  EXPECT_TRUE(std::isnan(surfaceAt(0.0f, -4050.0f)));
}

TEST_F(LevelTest, RampsAheadAreGentleAndStayClearOfTheStart) {
  float highest = kFloorWorldY;
  float steepest = 0.0f;
  float previous = surfaceAt(0.0f, 0.0f);
  float firstRiseZ = 0.0f;
  for (float z = -5.0f; z >= -3950.0f; z -= 5.0f) {
    const float y = surfaceAt(0.0f, z);
    highest = std::max(highest, y);
    steepest = std::max(steepest, std::fabs(y - previous) / 5.0f);
    if (firstRiseZ == 0.0f && y > kFloorWorldY + kTolerance) firstRiseZ = z;
    previous = y;
  }
  EXPECT_GE(highest, kFloorWorldY + 15.0f) << "the track needs a ramp worth driving over";
  EXPECT_LE(steepest, std::tan(15.0f * irr::core::DEGTORAD)) << "a slow car must get up every ramp";
  EXPECT_LE(firstRiseZ, -600.0f) << "the first ramp must start well ahead of the car";
}

TEST_F(LevelTest, RoadIsWideAndBorderedByVergesAndWalls) {
  for (const float side : {-1.0f, 1.0f}) {
    EXPECT_NEAR(surfaceAt(side * 95.0f, 0.0f), kFloorWorldY, kTolerance);  // road
    const float verge = surfaceAt(side * 130.0f, 0.0f);
    EXPECT_GT(verge, kFloorWorldY);  // banked toward the wall
    EXPECT_LT(verge, kFloorWorldY + 10.0f);
    EXPECT_GE(surfaceAt(side * 170.0f, 0.0f), kFloorWorldY + 40.0f);  // wall top
  }
}

TEST_F(LevelTest, WallsFacingTheTrackStopTheCarAlongItsWholeLength) {
  for (float z = 300.0f; z >= -3900.0f; z -= 200.0f) {
    const float floorY = surfaceAt(0.0f, z);
    for (const float side : {-1.0f, 1.0f}) {
      const vector3df from(0.0f, floorY + 12.0f, z);  // the chassis's mid height
      const vector3df direction(side, 0.0f, 0.0f);
      vector3df hit;
      triangle3df wall;
      ASSERT_TRUE(cast(from, from + direction * 1000.0f, hit, wall)) << "no wall at z=" << z;
      EXPECT_NEAR(std::fabs(hit.X), 160.0f, kTolerance);
      EXPECT_LT(wall.getNormal().normalize().dotProduct(direction), -0.99f) << "wall faces away at z=" << z;
      EXPECT_GE(surfaceAt(side * 170.0f, z) - floorY, 40.0f);
    }
  }
  for (const float along : {-1.0f, 1.0f}) {
    const vector3df from(0.0f, kFloorWorldY + 60.0f, 0.0f);  // above every ramp, below the wall tops
    const vector3df direction(0.0f, 0.0f, along);
    vector3df hit;
    triangle3df wall;
    ASSERT_TRUE(cast(from, from + direction * 10000.0f, hit, wall));
    EXPECT_NEAR(hit.Z, along < 0.0f ? -4000.0f : 400.0f, kTolerance);
    EXPECT_LT(wall.getNormal().normalize().dotProduct(direction), -0.99f);
  }
}

TEST_F(LevelTest, NoTriangleFacesDown) {
  for (const Tri& t : trianglesOf(*m_level->getMesh(0)))
    ASSERT_GT(t.unitNormal().Y, -1e-5f)
        << "triangle at " << t.centroid().X << ", " << t.centroid().Y << ", " << t.centroid().Z;
}

TEST_F(LevelTest, GroundFacesUpAndVergesLeanTowardTheRoad) {
  for (const char* file : {"level_asphalt.jpg", "level_start.jpg", "level_verge.jpg"}) {
    const irr::scene::IMeshBuffer* buffer = bufferTextured(file);
    ASSERT_NE(buffer, nullptr) << file;
    const std::vector<Tri> triangles = trianglesOf(*buffer);
    ASSERT_FALSE(triangles.empty());
    for (const Tri& t : triangles) {
      const vector3df n = t.unitNormal();
      ASSERT_GT(n.Y, 0.97f) << file;
      if (std::string(file) == "level_verge.jpg") {
        ASSERT_LT(n.X * t.centroid().X, 0.0f);
      }
    }
  }
}

TEST_F(LevelTest, StoredNormalsAgreeWithTheWinding) {
  EXPECT_EQ(cornersWithStrayNormals(*m_level->getMesh(0)), 0);
}

// In front of every face there is open space: a ray leaving a face along its normal meets nothing, or
// meets another face far away across the track. A face wound the wrong way would look straight into the
// solid it bounds (a wall's inside, 20 units thick) or be caught by the downward check above.
TEST_F(LevelTest, EveryTriangleFacesOpenSpace) {
  for (const Tri& t : trianglesOf(*m_level->getMesh(0))) {
    const vector3df n = t.unitNormal();
    const vector3df from = t.centroid() + kLevelNodePosition + n * 0.5f;
    vector3df hit;
    triangle3df other;
    if (cast(from, from + n * 5000.0f, hit, other)) {
      ASSERT_GE(hit.getDistanceFrom(from), 100.0f)
          << "face at " << from.X << ", " << from.Y << ", " << from.Z << " looks into a solid";
    }
  }
}

}  // namespace
}  // namespace varrik::assettest
