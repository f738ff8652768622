// The generated chassis and wheel models, measured the way the demo and the physics layer measure them:
// bones through the animated mesh node, collision sizes from the frame-0 bounding box times the node scale.

#include "AssetTestSupport.h"

#include <cmath>
#include <map>
#include <tuple>

namespace varrik::assettest {
namespace {

using irr::core::aabbox3df;
using irr::core::vector3df;

const vector3df kChassisNodePosition(0.0f, -100.0f, 0.0f);
constexpr float kScale = 30.0f;
constexpr float kModelTolerance = 1e-5f;

struct Bone {
  const char* name;
  vector3df model;  // position relative to the chassis root frame, model units
  vector3df world;  // where the demo puts the wheel: chassis node position + 30 x model
};
const Bone kBones[] = {
    {"b_whee1", {1.15f, -0.4f, -1.3f}, {34.5f, -112.0f, -39.0f}},
    {"b_whee2", {-1.15f, -0.4f, -1.3f}, {-34.5f, -112.0f, -39.0f}},
    {"b_whee3", {1.15f, -0.4f, 1.3f}, {34.5f, -112.0f, 39.0f}},
    {"b_whee4", {-1.15f, -0.4f, 1.3f}, {-34.5f, -112.0f, 39.0f}},
};

void expectNear(const vector3df& actual, const vector3df& expected, float tolerance,
                const std::string& what) {
  EXPECT_NEAR(actual.X, expected.X, tolerance) << what;
  EXPECT_NEAR(actual.Y, expected.Y, tolerance) << what;
  EXPECT_NEAR(actual.Z, expected.Z, tolerance) << what;
}

using CarTest = EngineTest;

TEST_F(CarTest, ModelsLoadAsTexturedSkinnedMeshes) {
  const std::pair<const char*, const char*> models[] = {
      {"car_c.x", "car_c_c1.tga"}, {"car_d.x", "car_d_c1.tga"}, {"whell.x", "whell.tga"}};
  for (const auto& [file, texture] : models) {
    irr::scene::IAnimatedMesh* mesh = model(file);
    ASSERT_NE(mesh, nullptr) << file;
    EXPECT_EQ(mesh->getMeshType(), irr::scene::EAMT_SKINNED) << file;
    irr::scene::IMesh* frame = frameZero(file);
    ASSERT_NE(frame, nullptr) << file;
    ASSERT_GE(frame->getMeshBufferCount(), 1u) << file;
    const irr::video::ITexture* loaded = frame->getMeshBuffer(0)->getMaterial().getTexture(0);
    ASSERT_NE(loaded, nullptr) << file;
    EXPECT_NE(loaded->getName().getPath().find(texture), -1) << file;
  }
}

TEST_F(CarTest, ChassisCarriesTheWheelBonesWhereTheWheelsGo) {
  for (const char* file : {"car_c.x", "car_d.x"}) {
    irr::scene::IAnimatedMeshSceneNode* chassis = m_scene->addAnimatedMeshSceneNode(model(file));
    ASSERT_NE(chassis, nullptr) << file;
    chassis->setScale({kScale, kScale, kScale});
    chassis->setPosition(kChassisNodePosition);
    for (const Bone& bone : kBones) {
      irr::scene::IBoneSceneNode* joint = chassis->getJointNode(bone.name);
      ASSERT_NE(joint, nullptr) << file << ' ' << bone.name;
      expectNear(joint->getPosition(), bone.model, kModelTolerance, std::string(file) + ' ' + bone.name);
      // The wheel position as the demo computes it.
      const vector3df wheel = chassis->getPosition() + chassis->getScale() * joint->getPosition();
      expectNear(wheel, bone.world, 1e-3f, std::string(file) + ' ' + bone.name);
    }
  }
}

TEST_F(CarTest, FrontWheelsAndNoseLeadTowardMinusZ) {
  // Wheels 1 and 2 steer at the front, 3 and 4 drive at the rear; the car drives toward -Z.
  irr::scene::IAnimatedMeshSceneNode* chassis = m_scene->addAnimatedMeshSceneNode(model("car_c.x"));
  ASSERT_NE(chassis, nullptr);
  for (const char* front : {"b_whee1", "b_whee2"})
    EXPECT_LT(chassis->getJointNode(front)->getPosition().Z, 0.0f) << front;
  for (const char* rear : {"b_whee3", "b_whee4"})
    EXPECT_GT(chassis->getJointNode(rear)->getPosition().Z, 0.0f) << rear;

  // The nose is the low end: the bonnet slopes down toward -Z, the tail stands square at +Z.
  const aabbox3df box = frameZero("car_c.x")->getBoundingBox();
  float noseTop = -1e9f, tailTop = -1e9f;
  for (const Tri& t : trianglesOf(*frameZero("car_c.x")))
    for (const vector3df& p : {t.a, t.b, t.c}) {
      if (p.Z <= box.MinEdge.Z + 1e-4f) noseTop = std::max(noseTop, p.Y);
      if (p.Z >= box.MaxEdge.Z - 1e-4f) tailTop = std::max(tailTop, p.Y);
    }
  EXPECT_LT(noseTop, tailTop);
}

TEST_F(CarTest, ChassisBoundingBoxIsTheDesignedCollisionBox) {
  for (const char* file : {"car_c.x", "car_d.x"}) {
    irr::scene::IMesh* frame = frameZero(file);
    ASSERT_NE(frame, nullptr) << file;
    const aabbox3df box = frame->getBoundingBox();
    expectNear(box.MinEdge, {-1.0f, -0.4f, -2.0f}, kModelTolerance, file);
    expectNear(box.MaxEdge, {1.0f, 0.4f, 2.0f}, kModelTolerance, file);
    // The derived box: extents times the node scale, centred on the node's origin.
    expectNear(box.getExtent() * kScale, {60.0f, 24.0f, 120.0f}, 1e-3f, file);
    expectNear(box.getCenter(), {0.0f, 0.0f, 0.0f}, kModelTolerance, file);
  }
}

TEST_F(CarTest, WheelSphereFromTheXExtentIsTheVisibleTyre) {
  irr::scene::IMesh* frame = frameZero("whell.x");
  ASSERT_NE(frame, nullptr);
  const aabbox3df box = frame->getBoundingBox();
  const float derivedRadius = box.getExtent().X * kScale * 0.5f;
  EXPECT_NEAR(derivedRadius, 9.0f, 1e-3f);
  // The tyre's visible radius: half its height and half its length, around the centre.
  EXPECT_NEAR(box.getExtent().Y * kScale * 0.5f, derivedRadius, 1e-3f);
  EXPECT_NEAR(box.getExtent().Z * kScale * 0.5f, derivedRadius, 1e-3f);
  expectNear(box.getCenter(), {0.0f, 0.0f, 0.0f}, kModelTolerance, "wheel centre");
}

TEST_F(CarTest, CarStandsOnItsWheels) {
  const aabbox3df chassis = frameZero("car_c.x")->getBoundingBox();
  const aabbox3df wheel = frameZero("whell.x")->getBoundingBox();
  const float radius = wheel.getExtent().X * kScale * 0.5f;
  const float chassisBottom = kChassisNodePosition.Y + chassis.MinEdge.Y * kScale;
  const float chassisSide = chassis.MaxEdge.X * kScale;
  // The tyre is the part of the wheel near its full radius; hub caps stand out further along the axle.
  float tyreHalfWidth = 0.0f;
  for (const Tri& t : trianglesOf(*frameZero("whell.x")))
    for (const vector3df& p : {t.a, t.b, t.c})
      if (std::hypot(p.Y, p.Z) > 0.9f * wheel.MaxEdge.Y)
        tyreHalfWidth = std::max(tyreHalfWidth, std::fabs(p.X));
  EXPECT_GT(tyreHalfWidth, 0.0f);
  EXPECT_NEAR(chassisBottom, -112.0f, 1e-3f);
  for (const Bone& bone : kBones) {
    EXPECT_NEAR(bone.world.Y - radius, -121.0f, 1e-3f) << bone.name;
    EXPECT_LT(bone.world.Y - radius, chassisBottom) << bone.name << " does not reach below the body";
    EXPECT_GE(std::fabs(bone.world.X) - tyreHalfWidth * kScale, chassisSide - 1e-3f)
        << bone.name << ": the tyre cuts into the body";
  }
}

// Surface checks for each model: closed, consistently wound, and wound outward.
class ModelSurfaceTest : public EngineTest, public ::testing::WithParamInterface<const char*> {
 protected:
  std::vector<Tri> triangles() {
    irr::scene::IMesh* frame = frameZero(GetParam());
    return frame ? trianglesOf(*frame) : std::vector<Tri>{};
  }
};

using Key = std::tuple<long, long, long>;
Key keyOf(const vector3df& p) {
  return {std::lround(p.X * 1e4f), std::lround(p.Y * 1e4f), std::lround(p.Z * 1e4f)};
}

// Every edge of a closed surface whose triangles all wind the same way is walked once in each direction.
TEST_P(ModelSurfaceTest, IsClosedAndConsistentlyWound) {
  const std::vector<Tri> tris = triangles();
  ASSERT_FALSE(tris.empty());
  std::map<std::pair<Key, Key>, int> directed;
  for (const Tri& t : tris) {
    const Key k[3] = {keyOf(t.a), keyOf(t.b), keyOf(t.c)};
    for (int i = 0; i < 3; ++i) ++directed[{k[i], k[(i + 1) % 3]}];
  }
  int unmatched = 0;
  for (const auto& [edge, count] : directed) {
    const auto reverse = directed.find({edge.second, edge.first});
    if (count != 1 || reverse == directed.end() || reverse->second != 1) ++unmatched;
  }
  EXPECT_EQ(unmatched, 0) << GetParam();
}

// With consistent winding, a positive enclosed volume means the windings face outward.
TEST_P(ModelSurfaceTest, WindsOutwardAroundAPositiveVolume) {
  double volume = 0.0;
  for (const Tri& t : triangles()) volume += t.a.dotProduct(t.b.crossProduct(t.c)) / 6.0;
  EXPECT_GT(volume, 0.01) << GetParam();
}

// Per triangle: a point just in front of it lies outside the solid, so a ray from there crosses the surface
// an even number of times.
TEST_P(ModelSurfaceTest, EveryTriangleFacesOutward) {
  const std::vector<Tri> tris = triangles();
  ASSERT_FALSE(tris.empty());
  // A slight tilt keeps the rays off the edges of faces that are square to the axes.
  const vector3df tilt(0.0123f, -0.0217f, 0.0311f);
  for (const Tri& t : tris) {
    const vector3df n = t.unitNormal();
    const irr::core::vector3d<double> origin(t.centroid().X + n.X * 1e-3, t.centroid().Y + n.Y * 1e-3,
                                             t.centroid().Z + n.Z * 1e-3);
    const vector3df dir = (n + tilt).normalize();
    int crossings = 0;
    for (const Tri& o : tris) {
      // Möller-Trumbore in double precision.
      const irr::core::vector3d<double> a(o.a.X, o.a.Y, o.a.Z), b(o.b.X, o.b.Y, o.b.Z),
          c(o.c.X, o.c.Y, o.c.Z);
      const irr::core::vector3d<double> d(dir.X, dir.Y, dir.Z);
      const auto e1 = b - a, e2 = c - a;
      const auto p = d.crossProduct(e2);
      const double det = e1.dotProduct(p);
      if (std::fabs(det) < 1e-15) continue;
      const auto s = origin - a;
      const double u = s.dotProduct(p) / det;
      if (u < 0.0 || u > 1.0) continue;
      const auto q = s.crossProduct(e1);
      const double v = d.dotProduct(q) / det;
      if (v < 0.0 || u + v > 1.0) continue;
      if (e2.dotProduct(q) / det > 0.0) ++crossings;
    }
    ASSERT_EQ(crossings % 2, 0) << GetParam() << ": triangle at " << t.centroid().X << ", " << t.centroid().Y
                                << ", " << t.centroid().Z << " faces into the model";
  }
}

TEST_P(ModelSurfaceTest, StoredNormalsAgreeWithTheWinding) {
  irr::scene::IMesh* frame = frameZero(GetParam());
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(cornersWithStrayNormals(*frame), 0) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Models, ModelSurfaceTest, ::testing::Values("car_c.x", "car_d.x", "whell.x"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           return name.substr(0, name.find('.'));
                         });

}  // namespace
}  // namespace varrik::assettest
