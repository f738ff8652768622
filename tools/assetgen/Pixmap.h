// An RGB picture in floating point plus the deterministic noise the painters use. Nothing here depends on
// the standard library's random engines or distributions, whose output may differ between library versions:
// every value is a pure function of its inputs and a fixed seed.
#pragma once

#include <cstdint>
#include <vector>

namespace varrik::assetgen {

struct Rgb {
  double r = 0.0, g = 0.0, b = 0.0;
};

inline Rgb operator*(Rgb c, double s) { return {c.r * s, c.g * s, c.b * s}; }
inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb mix(Rgb a, Rgb b, double t) { return a * (1.0 - t) + b * t; }
inline Rgb rgb8(int r, int g, int b) { return {r / 255.0, g / 255.0, b / 255.0}; }

class Pixmap {
 public:
  Pixmap(int width, int height) : m_width(width), m_height(height), m_pixels(width * height) {}

  int width() const { return m_width; }
  int height() const { return m_height; }
  Rgb& at(int x, int y) { return m_pixels[y * m_width + x]; }
  const Rgb& at(int x, int y) const { return m_pixels[y * m_width + x]; }

  // Calls paint(u, v) at every pixel centre, u and v in [0, 1) with v growing downward, as texture
  // coordinates do, and stores the result.
  template <typename Paint>
  void fill(Paint paint) {
    for (int y = 0; y < m_height; ++y)
      for (int x = 0; x < m_width; ++x) at(x, y) = paint((x + 0.5) / m_width, (y + 0.5) / m_height);
  }

 private:
  int m_width, m_height;
  std::vector<Rgb> m_pixels;
};

// A well-mixed 32-bit hash of a lattice point and a seed.
std::uint32_t hash3(std::int32_t x, std::int32_t y, std::uint32_t seed);
// Uniform value in [0, 1) for a lattice point.
double latticeValue(std::int32_t x, std::int32_t y, std::uint32_t seed);
// Smooth value noise in [0, 1), repeating every `period` lattice cells in both directions, so a texture that
// spans whole periods tiles without seams.
double valueNoise(double x, double y, int period, std::uint32_t seed);
// Sum of `octaves` noise layers, each twice as fine and half as strong, normalised to [0, 1).
double fractalNoise(double x, double y, int period, int octaves, std::uint32_t seed);

}  // namespace varrik::assetgen
