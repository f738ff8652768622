#include "TrackLevel.h"

#include "AssetDesign.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>
#include <sstream>

namespace varrik::assetgen {
namespace {

using namespace design;

// Texture repeat lengths (world units).
constexpr double kAsphaltRepeat = 200.0;  // one image spans the road's width and this much of its length
constexpr double kVergeRepeat = 64.0;
constexpr double kWallRepeat = 80.0;

// Light baked into the vertex colours: mostly from above, a little from the side, so that slopes, walls and
// their two faces read apart although the demo draws the level unlit.
const Vec3 kLightDirection = normalized({0.35, 1.0, 0.2});
constexpr double kAmbient = 0.45;

double brightnessFor(Vec3 normal) {
  return std::min(1.0, kAmbient + (1.0 - kAmbient) * std::max(0.0, dot(normal, kLightDirection)));
}

// Cross-section across the track, from wall to wall: verge, four road strips, verge.
const double kSectionX[] = {-kVergeOuterX, -kRoadHalfWidth, -50.0, 0.0, 50.0, kRoadHalfWidth, kVergeOuterX};

double bankAt(double x) {
  const double beyond = std::fabs(x) - kRoadHalfWidth;
  return beyond > 0.0 ? kVergeRise * beyond / (kVergeOuterX - kRoadHalfWidth) : 0.0;
}

double groundAt(double x, double z) { return kFloorLevelY + riseAt(z) + bankAt(x); }
double wallTopAt(double z) { return kFloorLevelY + riseAt(z) + kWallHeight; }
double wallFootAt(double z) { return kFloorLevelY + riseAt(z) - kWallFooting; }

// Stations along the track, from the outside of the rear wall to the outside of the front wall.
std::vector<double> zStations() {
  std::vector<double> z;
  for (double s = kTrackRearZ; s >= kTrackFrontZ - 1e-9; s -= kSegmentLength) z.push_back(s);
  z.push_back(kTrackRearZ + kWallThickness);
  z.push_back(kTrackFrontZ - kWallThickness);
  z.push_back(kStartLineNearZ);
  z.push_back(kStartLineFarZ);
  for (const Rise& r : kRises) {
    z.push_back(r.startZ);
    z.push_back(r.startZ - r.ramp);
    z.push_back(r.startZ - r.ramp - r.plateau);
    z.push_back(r.startZ - 2.0 * r.ramp - r.plateau);
  }
  std::sort(z.begin(), z.end(), std::greater<>());
  z.erase(std::unique(z.begin(), z.end(), [](double a, double b) { return std::fabs(a - b) < 1e-9; }),
          z.end());
  return z;
}

class LevelBuilder {
 public:
  // Adds the planar quad a-b-c-d (in order around its edge) as one face facing `outside`, with texture
  // coordinates from `uvOf`.
  void quad(LevelMaterial material, Vec3 a, Vec3 b, Vec3 c, Vec3 d, Vec3 outside,
            const std::function<Vec2(Vec3)>& uvOf) {
    MeshBuilder oriented;
    oriented.addQuad({a, uvOf(a)}, {b, uvOf(b)}, {c, uvOf(c)}, {d, uvOf(d)}, outside);
    BspFace face;
    face.texture = material;
    for (const Triangle& t : oriented.triangles()) {
      const Vec3 n = t.faceNormal();
      for (const Corner& corner : t.corners) {
        const auto same = [&](const BspVertex& v) {
          return v.position.x == corner.position.x && v.position.y == corner.position.y &&
                 v.position.z == corner.position.z;
        };
        auto found = std::find_if(face.vertices.begin(), face.vertices.end(), same);
        if (found == face.vertices.end()) {
          face.vertices.push_back({corner.position, n, corner.uv, brightnessFor(n)});
          found = std::prev(face.vertices.end());
        }
        face.indices.push_back(static_cast<int>(found - face.vertices.begin()));
      }
    }
    m_level.faces.push_back(std::move(face));
  }

  BspLevel take() { return std::move(m_level); }

 private:
  BspLevel m_level;
};

const Vec3 kUp{0.0, 1.0, 0.0};

Vec2 asphaltUv(Vec3 p) { return {(p.x + kRoadHalfWidth) / (2.0 * kRoadHalfWidth), -p.z / kAsphaltRepeat}; }
Vec2 startLineUv(Vec3 p) {
  return {(p.x + kRoadHalfWidth) / (2.0 * kRoadHalfWidth),
          (kStartLineNearZ - p.z) / (kStartLineNearZ - kStartLineFarZ)};
}
Vec2 vergeUv(Vec3 p) { return {p.x / kVergeRepeat, -p.z / kVergeRepeat}; }
// Walls: v runs down from the top edge, where the painter puts a red and white band.
Vec2 sideWallUv(Vec3 p) { return {-p.z / kWallRepeat, (wallTopAt(p.z) - p.y) / kWallRepeat}; }
Vec2 endWallUv(Vec3 p) { return {p.x / kWallRepeat, (wallTopAt(p.z) - p.y) / kWallRepeat}; }
Vec2 sideTopUv(Vec3 p) { return {-p.z / kWallRepeat, (std::fabs(p.x) - kVergeOuterX) / kWallRepeat}; }

void addGround(LevelBuilder& level, double z0, double z1) {
  const bool startLine = z0 <= kStartLineNearZ + 1e-9 && z1 >= kStartLineFarZ - 1e-9;
  for (std::size_t i = 0; i + 1 < std::size(kSectionX); ++i) {
    const double xa = kSectionX[i], xb = kSectionX[i + 1];
    const bool road = std::fabs(xa) <= kRoadHalfWidth && std::fabs(xb) <= kRoadHalfWidth;
    const LevelMaterial material = !road ? kVerge : (startLine ? kStartLine : kAsphalt);
    const auto uv = !road ? vergeUv : (startLine ? startLineUv : asphaltUv);
    level.quad(material, {xa, groundAt(xa, z0), z0}, {xb, groundAt(xb, z0), z0}, {xb, groundAt(xb, z1), z1},
               {xa, groundAt(xa, z1), z1}, kUp, uv);
  }
}

// One side wall's stretch between two stations: the face toward the track (only along the track itself),
// the top and the outside.
void addSideWall(LevelBuilder& level, double side, double z0, double z1, bool alongTrack) {
  const double inner = side * kVergeOuterX, outer = side * (kVergeOuterX + kWallThickness);
  if (alongTrack)
    level.quad(kWall, {inner, groundAt(inner, z0), z0}, {inner, groundAt(inner, z1), z1},
               {inner, wallTopAt(z1), z1}, {inner, wallTopAt(z0), z0}, {-side, 0.0, 0.0}, sideWallUv);
  level.quad(kWall, {inner, wallTopAt(z0), z0}, {inner, wallTopAt(z1), z1}, {outer, wallTopAt(z1), z1},
             {outer, wallTopAt(z0), z0}, kUp, sideTopUv);
  level.quad(kWall, {outer, wallTopAt(z0), z0}, {outer, wallTopAt(z1), z1}, {outer, wallFootAt(z1), z1},
             {outer, wallFootAt(z0), z0}, {side, 0.0, 0.0}, sideWallUv);
}

// An end wall across the track at `innerZ`, `towardTrack` being +1 or -1 along Z. The side walls' ends are
// closed here too, since they stop at the end wall's outer face.
void addEndWall(LevelBuilder& level, double innerZ, double towardTrack) {
  const double outerZ = innerZ - towardTrack * kWallThickness;
  const Vec3 inward{0.0, 0.0, towardTrack};
  const Vec3 outward{0.0, 0.0, -towardTrack};
  const auto endTopUv = [innerZ](Vec3 p) {
    return Vec2{p.x / kWallRepeat, std::fabs(p.z - innerZ) / kWallRepeat};
  };
  for (std::size_t i = 0; i + 1 < std::size(kSectionX); ++i) {
    const double xa = kSectionX[i], xb = kSectionX[i + 1];
    level.quad(kWall, {xa, groundAt(xa, innerZ), innerZ}, {xb, groundAt(xb, innerZ), innerZ},
               {xb, wallTopAt(innerZ), innerZ}, {xa, wallTopAt(innerZ), innerZ}, inward, endWallUv);
    level.quad(kWall, {xa, wallTopAt(innerZ), innerZ}, {xb, wallTopAt(innerZ), innerZ},
               {xb, wallTopAt(outerZ), outerZ}, {xa, wallTopAt(outerZ), outerZ}, kUp, endTopUv);
    level.quad(kWall, {xa, wallTopAt(outerZ), outerZ}, {xb, wallTopAt(outerZ), outerZ},
               {xb, wallFootAt(outerZ), outerZ}, {xa, wallFootAt(outerZ), outerZ}, outward, endWallUv);
  }
  for (const double side : {-1.0, 1.0}) {
    const double xa = side * kVergeOuterX, xb = side * (kVergeOuterX + kWallThickness);
    level.quad(kWall, {xa, wallTopAt(outerZ), outerZ}, {xb, wallTopAt(outerZ), outerZ},
               {xb, wallFootAt(outerZ), outerZ}, {xa, wallFootAt(outerZ), outerZ}, outward, endWallUv);
  }
}

std::string entities() {
  // The car's start for tools that read Quake entities: the chassis node's position in level
  // coordinates, written Z-up like the rest of the file, looking toward -Z (Quake yaw 270).
  std::ostringstream text;
  text << "{\n\"classname\" \"worldspawn\"\n\"message\" \"Varrik test track\"\n}\n"
       << "{\n\"classname\" \"info_player_start\"\n\"origin\" \"0 0 " << (kChassisNodeY - kLevelNodeY)
       << "\"\n\"angle\" \"270\"\n}\n";
  return text.str();
}

}  // namespace

const LevelTexture& levelTexture(LevelMaterial material) {
  static const LevelTexture textures[kLevelMaterialCount] = {
      {"textures/varrik/level_asphalt", "level_asphalt.jpg"},
      {"textures/varrik/level_start", "level_start.jpg"},
      {"textures/varrik/level_verge", "level_verge.jpg"},
      {"textures/varrik/level_wall", "level_wall.jpg"},
  };
  return textures[material];
}

double riseAt(double z) {
  const double pi = std::acos(-1.0);
  double height = 0.0;
  for (const Rise& r : kRises) {
    const double d = r.startZ - z;  // distance into the rise
    double t = 0.0;
    if (d <= 0.0 || d >= 2.0 * r.ramp + r.plateau) continue;
    if (d < r.ramp)
      t = d / r.ramp;
    else if (d <= r.ramp + r.plateau)
      t = 1.0;
    else
      t = (2.0 * r.ramp + r.plateau - d) / r.ramp;
    height += r.height * 0.5 * (1.0 - std::cos(pi * t));
  }
  return height;
}

BspLevel buildTrackLevel() {
  LevelBuilder level;
  const std::vector<double> z = zStations();
  for (std::size_t i = 0; i + 1 < z.size(); ++i) {
    const double z0 = z[i], z1 = z[i + 1];
    const bool alongTrack = z0 <= kTrackRearZ + 1e-9 && z1 >= kTrackFrontZ - 1e-9;
    if (alongTrack) addGround(level, z0, z1);
    for (const double side : {-1.0, 1.0}) addSideWall(level, side, z0, z1, alongTrack);
  }
  addEndWall(level, kTrackRearZ, -1.0);
  addEndWall(level, kTrackFrontZ, 1.0);

  BspLevel result = level.take();
  result.entities = entities();
  for (int m = 0; m < kLevelMaterialCount; ++m)
    result.textures.push_back(levelTexture(static_cast<LevelMaterial>(m)).bspName);
  return result;
}

}  // namespace varrik::assetgen
