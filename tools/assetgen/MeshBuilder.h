// Triangle soup with per-triangle attributes, the common currency of the level, car and wheel builders.
//
// Convention used everywhere in the generator: coordinates are the engine's (Y up, left-handed), and a
// triangle (a, b, c) faces the side of n = (b - a) x (c - a). That is the side the engine draws as its front
// face and the side the physics layer treats as the outside of a triangle-mesh collider, so every surface is
// built with n pointing out of the solid (up for floors, into the track for walls, away from a car's body).
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace varrik::assetgen {

struct Vec3 {
  double x = 0.0, y = 0.0, z = 0.0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(Vec3 a) { return std::sqrt(dot(a, a)); }
inline Vec3 normalized(Vec3 a) {
  const double len = length(a);
  return len > 0.0 ? a * (1.0 / len) : Vec3{};
}
inline Vec3 lerp(Vec3 a, Vec3 b, double t) { return a + (b - a) * t; }

struct Vec2 {
  double u = 0.0, v = 0.0;
};

struct Corner {
  Vec3 position;
  Vec2 uv;
};

struct Triangle {
  std::array<Corner, 3> corners;
  // Brightness baked into the level's vertex colours (1 = full texture colour); the car ignores it.
  double shade = 1.0;

  Vec3 faceNormal() const;  // unit normal of the winding, zero for a degenerate triangle
};

class MeshBuilder {
 public:
  // Adds the triangle with its corners ordered so that its winding normal points along `outside`.
  void addTriangle(Corner a, Corner b, Corner c, Vec3 outside, double shade = 1.0);
  // Adds the planar quad a-b-c-d (corners in order around its edge) as two triangles facing `outside`.
  void addQuad(Corner a, Corner b, Corner c, Corner d, Vec3 outside, double shade = 1.0);

  const std::vector<Triangle>& triangles() const { return m_triangles; }
  std::vector<Triangle>& triangles() { return m_triangles; }

 private:
  std::vector<Triangle> m_triangles;
};

// Points from `a` to `b` (both included) in equal steps no longer than `maxStep`. The points depend only on
// the unordered pair {a, b}, so two faces sharing an edge get bit-identical vertices and the mesh stays
// closed.
std::vector<Vec3> subdivideEdge(Vec3 a, Vec3 b, double maxStep);
std::vector<double> subdivideRange(double a, double b, double maxStep);

// An indexed mesh with shared vertices: identical (position, normal, uv) corners are welded, which keeps the
// written files small without changing a single triangle.
struct IndexedMesh {
  std::vector<Vec3> positions;
  std::vector<Vec3> normals;
  std::vector<Vec2> uvs;
  std::vector<std::array<std::uint32_t, 3>> triangles;
};

IndexedMesh weld(const std::vector<Triangle>& triangles);

}  // namespace varrik::assetgen
