#include "CarModels.h"

#include "AssetDesign.h"

#include <algorithm>
#include <cmath>

namespace varrik::assetgen {
namespace {

using namespace design;

// The damaged body is tessellated finely enough for its dents to be smooth; the intact one needs no more
// vertices than its outline has.
constexpr double kDamagedStep = 0.18;
constexpr int kWheelSegments = 32;

CarView viewFor(Vec3 n) {
  const double ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
  if (ax >= ay && ax >= az) return CarView::Side;
  if (ay >= az) return n.y > 0.0 ? CarView::Top : CarView::Under;
  return n.z < 0.0 ? CarView::Front : CarView::Rear;
}

std::vector<Triangle> buildBody(double maxStep) {
  const CarOutline& outline = carOutline();
  MeshBuilder mesh;

  Prism hull;
  hull.profile = outline.hull;
  hull.xStations = {-kChassisHalfWidth, -outline.cabinHalfWidth, outline.cabinHalfWidth, kChassisHalfWidth};
  hull.maxStep = maxStep;
  hull.openCells = {{outline.hullCabinEdge, 1}};
  addPrismX(mesh, hull);

  Prism cabin;
  cabin.profile = outline.cabin;
  cabin.xStations = {-outline.cabinHalfWidth, outline.cabinHalfWidth};
  cabin.maxStep = maxStep;
  cabin.openEdges = {outline.cabinFloorEdge};
  addPrismX(mesh, cabin);

  // Texture coordinates come from the undamaged shape, so paint and panel lines follow the dents.
  for (Triangle& t : mesh.triangles()) {
    const CarView view = viewFor(t.faceNormal());
    for (Corner& c : t.corners) c.uv = carAtlasUv(view, c.position);
  }
  return mesh.triangles();
}

// A smooth local push: full `push` at `centre`, fading to nothing at `radius`. Every push below moves less
// than 0.65 units per unit of distance, so the body never folds over itself and stays closed and outward-
// facing; each one points into the body, so the bounding box stays that of the intact car.
struct Dent {
  Vec3 centre;
  double radius;
  Vec3 push;
};

Vec3 applyDents(Vec3 p) {
  static const Dent dents[] = {
      {{0.75, -0.15, -2.0}, 0.7, {-0.08, 0.0, 0.28}},  // crushed nose corner
      {{-0.25, 0.4, 0.35}, 0.4, {0.0, -0.08, 0.0}},    // roof
      {{1.0, -0.2, 0.3}, 0.45, {-0.1, 0.0, 0.0}},      // flank
      {{-1.0, -0.15, 1.95}, 0.4, {0.08, 0.0, -0.08}},  // tail corner
  };
  Vec3 moved = p;
  for (const Dent& d : dents) {
    const double s = length(p - d.centre) / d.radius;
    if (s < 1.0) {
      const double fade = (1.0 - s * s) * (1.0 - s * s);
      moved = moved + d.push * fade;
    }
  }
  return moved;
}

}  // namespace

const CarOutline& carOutline() {
  static const CarOutline outline{
      // Hull, counter-clockwise in (z, y): chamfered underside, vertical tail, flat deck split where the
      // cabin stands, sloping bonnet, vertical nose.
      {{-2.0, -0.3},
       {-1.85, -0.4},
       {1.85, -0.4},
       {2.0, -0.3},
       {2.0, 0.0},
       {1.3, 0.0},
       {-0.9, 0.0},
       {-1.0, 0.0},
       {-2.0, -0.12}},
      // Cabin: floor, rear window, roof at the top of the box, windscreen.
      {{-0.9, 0.0}, {1.3, 0.0}, {0.9, 0.4}, {-0.3, 0.4}},
      0.8,
      5,
      0,
  };
  return outline;
}

Vec2 carAtlasUv(CarView view, Vec3 p) {
  const double along = (p.z + kChassisHalfLength) / (2.0 * kChassisHalfLength);
  const double down = (kChassisHalfHeight - p.y) / (2.0 * kChassisHalfHeight);
  const double across = (p.x + kChassisHalfWidth) / (2.0 * kChassisHalfWidth);
  switch (view) {
    case CarView::Side:
      return {along, 0.5 * down};
    case CarView::Top:
      return {along, 0.5 + 0.25 * across};
    case CarView::Front:
      return {0.5 * across, 0.75 + 0.25 * down};
    case CarView::Rear:
      return {0.5 + 0.5 * across, 0.75 + 0.25 * down};
    case CarView::Under:
      return {along, 0.49};
  }
  return {};
}

std::vector<Triangle> buildChassis() { return buildBody(1e9); }

std::vector<Triangle> buildDamagedChassis() {
  std::vector<Triangle> triangles = buildBody(kDamagedStep);
  for (Triangle& t : triangles)
    for (Corner& c : t.corners) c.position = applyDents(c.position);
  return triangles;
}

const std::vector<LathePoint>& wheelProfile() {
  static const std::vector<LathePoint> profile = [] {
    // One half from the hub cap's centre to the middle of the tread; the other half mirrors it.
    const double r = kWheelRadius, half = kWheelHalfSpan, tyre = kTyreHalfWidth;
    const std::vector<std::pair<double, double>> left = {
        {-half, 0.0},       // hub cap centre, the widest point of the wheel
        {-half, 0.07},      // hub cap rim
        {-0.24, 0.10},      // hub chamfer
        {-0.12, 0.10},      // hub barrel into the recessed wheel face
        {-0.12, 0.20},      // wheel face
        {-tyre, 0.22},      // rim lip
        {-tyre, r - 0.03},  // sidewall
        {-tyre + 0.02, r},  // shoulder
    };
    std::vector<std::pair<double, double>> points = left;
    for (auto it = left.rbegin(); it != left.rend(); ++it) points.push_back({-it->first, it->second});

    double total = 0.0;
    std::vector<double> arc{0.0};
    for (std::size_t i = 1; i < points.size(); ++i) {
      total += std::hypot(points[i].first - points[i - 1].first, points[i].second - points[i - 1].second);
      arc.push_back(total);
    }
    std::vector<LathePoint> result;
    for (std::size_t i = 0; i < points.size(); ++i)
      result.push_back({points[i].first, points[i].second, arc[i] / total});
    return result;
  }();
  return profile;
}

std::vector<WheelPart> wheelParts() {
  static const WheelPart::Kind leftKinds[] = {WheelPart::HubCap,  WheelPart::Hub, WheelPart::Hub,
                                              WheelPart::Rim,     WheelPart::Rim, WheelPart::Sidewall,
                                              WheelPart::Sidewall};
  const std::vector<LathePoint>& profile = wheelProfile();
  const std::size_t segments = profile.size() - 1;  // 7 on each side and the tread between
  std::vector<WheelPart> parts;
  for (std::size_t i = 0; i < segments; ++i) {
    WheelPart::Kind kind = WheelPart::Tread;
    if (i < 7)
      kind = leftKinds[i];
    else if (i > 7)
      kind = leftKinds[segments - 1 - i];
    parts.push_back({profile[i].u, profile[i + 1].u, kind});
  }
  return parts;
}

std::vector<Triangle> buildWheel() {
  MeshBuilder mesh;
  addLatheX(mesh, wheelProfile(), kWheelSegments);
  return mesh.triangles();
}

}  // namespace varrik::assetgen
