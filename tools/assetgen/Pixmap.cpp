#include "Pixmap.h"

#include <cmath>

namespace varrik::assetgen {
namespace {

int wrap(std::int64_t value, int period) {
  const std::int64_t m = value % period;
  return static_cast<int>(m < 0 ? m + period : m);
}

double smooth(double t) { return t * t * (3.0 - 2.0 * t); }

}  // namespace

std::uint32_t hash3(std::int32_t x, std::int32_t y, std::uint32_t seed) {
  std::uint32_t h = seed * 0x9E3779B9u;
  h ^= static_cast<std::uint32_t>(x) * 0x85EBCA6Bu;
  h = (h << 13) | (h >> 19);
  h ^= static_cast<std::uint32_t>(y) * 0xC2B2AE35u;
  // Final avalanche (the 32-bit finaliser of MurmurHash3).
  h ^= h >> 16;
  h *= 0x85EBCA6Bu;
  h ^= h >> 13;
  h *= 0xC2B2AE35u;
  h ^= h >> 16;
  return h;
}

double latticeValue(std::int32_t x, std::int32_t y, std::uint32_t seed) {
  return hash3(x, y, seed) / 4294967296.0;
}

double valueNoise(double x, double y, int period, std::uint32_t seed) {
  const double fx = std::floor(x), fy = std::floor(y);
  const auto ix = static_cast<std::int64_t>(fx), iy = static_cast<std::int64_t>(fy);
  const double tx = smooth(x - fx), ty = smooth(y - fy);
  const int x0 = wrap(ix, period), x1 = wrap(ix + 1, period);
  const int y0 = wrap(iy, period), y1 = wrap(iy + 1, period);
  const double top = latticeValue(x0, y0, seed) * (1.0 - tx) + latticeValue(x1, y0, seed) * tx;
  const double bottom = latticeValue(x0, y1, seed) * (1.0 - tx) + latticeValue(x1, y1, seed) * tx;
  return top * (1.0 - ty) + bottom * ty;
}

double fractalNoise(double x, double y, int period, int octaves, std::uint32_t seed) {
  double sum = 0.0, weight = 1.0, total = 0.0;
  for (int octave = 0; octave < octaves; ++octave) {
    sum += weight * valueNoise(x, y, period, seed + static_cast<std::uint32_t>(octave) * 7919u);
    total += weight;
    x *= 2.0;
    y *= 2.0;
    period *= 2;
    weight *= 0.5;
  }
  return sum / total;
}

}  // namespace varrik::assetgen
