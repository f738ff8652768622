#include "MeshBuilder.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace varrik::assetgen {

Vec3 Triangle::faceNormal() const {
  const Vec3& a = corners[0].position;
  return normalized(cross(corners[1].position - a, corners[2].position - a));
}

void MeshBuilder::addTriangle(Corner a, Corner b, Corner c, Vec3 outside, double shade) {
  Triangle t{{a, b, c}, shade};
  const Vec3 n = cross(b.position - a.position, c.position - a.position);
  if (dot(n, outside) < 0.0) std::swap(t.corners[1], t.corners[2]);
  m_triangles.push_back(t);
}

void MeshBuilder::addQuad(Corner a, Corner b, Corner c, Corner d, Vec3 outside, double shade) {
  addTriangle(a, b, c, outside, shade);
  addTriangle(a, c, d, outside, shade);
}

std::vector<double> subdivideRange(double a, double b, double maxStep) {
  const bool reversed = b < a;
  const double lo = reversed ? b : a;
  const double hi = reversed ? a : b;
  const int steps = std::max(1, static_cast<int>(std::ceil((hi - lo) / maxStep - 1e-9)));
  std::vector<double> values;
  values.reserve(steps + 1);
  for (int i = 0; i <= steps; ++i) values.push_back(i == steps ? hi : lo + (hi - lo) * i / steps);
  if (reversed) std::reverse(values.begin(), values.end());
  return values;
}

std::vector<Vec3> subdivideEdge(Vec3 a, Vec3 b, double maxStep) {
  const bool reversed = std::tie(b.x, b.y, b.z) < std::tie(a.x, a.y, a.z);
  const Vec3 lo = reversed ? b : a;
  const Vec3 hi = reversed ? a : b;
  const int steps = std::max(1, static_cast<int>(std::ceil(length(hi - lo) / maxStep - 1e-9)));
  std::vector<Vec3> points;
  points.reserve(steps + 1);
  for (int i = 0; i <= steps; ++i)
    points.push_back(i == steps ? hi : lerp(lo, hi, static_cast<double>(i) / steps));
  if (reversed) std::reverse(points.begin(), points.end());
  return points;
}

IndexedMesh weld(const std::vector<Triangle>& triangles) {
  // Keys are rounded to well below the precision the files are written with, so welding never merges
  // corners that would be written differently.
  using Key = std::array<long long, 8>;
  const auto q = [](double value) { return static_cast<long long>(std::llround(value * 1e7)); };

  IndexedMesh mesh;
  std::map<Key, std::uint32_t> index;
  for (const Triangle& t : triangles) {
    const Vec3 n = t.faceNormal();
    std::array<std::uint32_t, 3> ids{};
    for (int k = 0; k < 3; ++k) {
      const Corner& c = t.corners[k];
      const Key key{q(c.position.x), q(c.position.y), q(c.position.z), q(n.x),
                    q(n.y),          q(n.z),          q(c.uv.u),       q(c.uv.v)};
      const auto [it, added] = index.emplace(key, static_cast<std::uint32_t>(mesh.positions.size()));
      if (added) {
        mesh.positions.push_back(c.position);
        mesh.normals.push_back(n);
        mesh.uvs.push_back(c.uv);
      }
      ids[k] = it->second;
    }
    mesh.triangles.push_back(ids);
  }
  return mesh;
}

}  // namespace varrik::assetgen
