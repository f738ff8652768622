#include "ModelShapes.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace varrik::assetgen {
namespace {

bool contains(const std::vector<int>& values, int value) {
  return std::find(values.begin(), values.end(), value) != values.end();
}

bool containsCell(const std::vector<std::pair<int, int>>& cells, int edge, int interval) {
  return std::find(cells.begin(), cells.end(), std::make_pair(edge, interval)) != cells.end();
}

Corner at(Vec3 p) { return Corner{p, {}}; }

Vec3 withX(Vec3 p, double x) { return {x, p.y, p.z}; }

// Fills a convex polygon (given as a closed ring of boundary points in one plane) with rings shrinking
// toward its centroid, so that no triangle is much longer than `maxStep`.
void fillConvexRing(MeshBuilder& mesh, const std::vector<Vec3>& boundary, double maxStep, Vec3 outside) {
  Vec3 centre{};
  for (const Vec3& p : boundary) centre = centre + p;
  centre = centre * (1.0 / boundary.size());

  double radius = 0.0;
  for (const Vec3& p : boundary) radius = std::max(radius, length(p - centre));
  const int rings = std::max(1, static_cast<int>(std::ceil(radius / maxStep - 1e-9)));

  const auto ringPoint = [&](int ring, std::size_t i) {
    return ring == rings ? boundary[i] : lerp(centre, boundary[i], static_cast<double>(ring) / rings);
  };
  const std::size_t n = boundary.size();
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t j = (i + 1) % n;
    mesh.addTriangle(at(centre), at(ringPoint(1, i)), at(ringPoint(1, j)), outside);
    for (int ring = 1; ring < rings; ++ring)
      mesh.addQuad(at(ringPoint(ring, i)), at(ringPoint(ring + 1, i)), at(ringPoint(ring + 1, j)),
                   at(ringPoint(ring, j)), outside);
  }
}

}  // namespace

void addPrismX(MeshBuilder& mesh, const Prism& prism) {
  const std::vector<ProfilePoint>& profile = prism.profile;
  const int edges = static_cast<int>(profile.size());
  if (edges < 3 || prism.xStations.size() < 2)
    throw std::invalid_argument("prism needs a polygon and two end stations");

  double twiceArea = 0.0;
  for (int e = 0; e < edges; ++e) {
    const ProfilePoint& a = profile[e];
    const ProfilePoint& b = profile[(e + 1) % edges];
    twiceArea += a.z * b.y - b.z * a.y;
  }
  const double orientation = twiceArea > 0.0 ? 1.0 : -1.0;

  // Stations along X, refined, remembering which original interval each sub-interval belongs to.
  std::vector<double> xs{prism.xStations.front()};
  std::vector<int> intervalOf;
  for (std::size_t i = 0; i + 1 < prism.xStations.size(); ++i) {
    const std::vector<double> part =
        subdivideRange(prism.xStations[i], prism.xStations[i + 1], prism.maxStep);
    for (std::size_t k = 1; k < part.size(); ++k) {
      xs.push_back(part[k]);
      intervalOf.push_back(static_cast<int>(i));
    }
  }

  std::vector<Vec3> capRing;  // the profile's boundary points at x = 0, walked in profile order
  for (int e = 0; e < edges; ++e) {
    const ProfilePoint& a = profile[e];
    const ProfilePoint& b = profile[(e + 1) % edges];
    const std::vector<Vec3> points = subdivideEdge({0.0, a.y, a.z}, {0.0, b.y, b.z}, prism.maxStep);
    capRing.insert(capRing.end(), points.begin(), points.end() - 1);

    if (contains(prism.openEdges, e)) continue;
    // Outward normal of the edge in the (z, y) plane, from the polygon's orientation.
    const Vec3 outside = normalized(Vec3{0.0, -(b.z - a.z), b.y - a.y} * orientation);
    for (std::size_t s = 0; s + 1 < points.size(); ++s) {
      for (std::size_t k = 0; k + 1 < xs.size(); ++k) {
        if (containsCell(prism.openCells, e, intervalOf[k])) continue;
        mesh.addQuad(at(withX(points[s], xs[k])), at(withX(points[s], xs[k + 1])),
                     at(withX(points[s + 1], xs[k + 1])), at(withX(points[s + 1], xs[k])), outside);
      }
    }
  }

  for (const double x : {xs.front(), xs.back()}) {
    std::vector<Vec3> ring;
    for (const Vec3& p : capRing) ring.push_back(withX(p, x));
    fillConvexRing(mesh, ring, prism.maxStep, Vec3{x == xs.front() ? -1.0 : 1.0, 0.0, 0.0});
  }
}

void addLatheX(MeshBuilder& mesh, const std::vector<LathePoint>& profile, int segments) {
  if (segments % 4 != 0 || profile.size() < 3 || profile.front().r != 0.0 || profile.back().r != 0.0)
    throw std::invalid_argument("lathe needs an axis-to-axis profile and a multiple of 4 segments");

  // Exact values on the quarter turns keep the widest ring's extremes exactly at +-r.
  const double pi = std::acos(-1.0);
  const auto cosSin = [&](int k) {
    k %= segments;
    if (4 * k % segments == 0) {
      static const double quarter[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
      const int q = 4 * k / segments;
      return std::make_pair(quarter[q][0], quarter[q][1]);
    }
    const double angle = 2.0 * pi * k / segments;
    return std::make_pair(std::cos(angle), std::sin(angle));
  };
  const auto corner = [&](const LathePoint& p, int k) {
    const auto [c, s] = cosSin(k);
    // The texture wraps once around the wheel; the seam column repeats with v = 1.
    return Corner{{p.x, p.r * c, p.r * s}, {p.u, static_cast<double>(k) / segments}};
  };

  for (std::size_t i = 0; i + 1 < profile.size(); ++i) {
    const LathePoint& a = profile[i];
    const LathePoint& b = profile[i + 1];
    // The profile runs around the solid clockwise in the (x, r) plane, so (-dr, dx) points outward.
    const double nx = -(b.r - a.r);
    const double nr = b.x - a.x;
    for (int k = 0; k < segments; ++k) {
      const double mid = 2.0 * pi * (k + 0.5) / segments;
      const Vec3 outside{nx, nr * std::cos(mid), nr * std::sin(mid)};
      if (a.r == 0.0)
        mesh.addTriangle(corner(a, k), corner(b, k), corner(b, k + 1), outside);
      else if (b.r == 0.0)
        mesh.addTriangle(corner(a, k), corner(a, k + 1), corner(b, k), outside);
      else
        mesh.addQuad(corner(a, k), corner(a, k + 1), corner(b, k + 1), corner(b, k), outside);
    }
  }
}

}  // namespace varrik::assetgen
