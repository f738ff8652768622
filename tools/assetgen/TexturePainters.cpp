#include "TexturePainters.h"

#include "AssetDesign.h"
#include "CarModels.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace varrik::assetgen {
namespace {

using namespace design;

// Fixed seeds, one per texture, so each looks different and every run paints the same pixels.
constexpr std::uint32_t kAsphaltSeed = 11;
constexpr std::uint32_t kStartSeed = 23;
constexpr std::uint32_t kVergeSeed = 37;
constexpr std::uint32_t kWallSeed = 41;
constexpr std::uint32_t kCarSeed = 53;
constexpr std::uint32_t kDamageSeed = 61;
constexpr std::uint32_t kWheelSeed = 71;
constexpr std::uint32_t kSkySeed = 83;

constexpr int kLevelTextureSize = 256;
constexpr int kCarTextureSize = 256;
constexpr int kSkyTextureSize = 512;

double clamp01(double x) { return std::clamp(x, 0.0, 1.0); }
double fract(double x) { return x - std::floor(x); }
double smoothstep(double e0, double e1, double x) {
  const double t = clamp01((x - e0) / (e1 - e0));
  return t * t * (3.0 - 2.0 * t);
}
// 1 inside [lo, hi], 0 outside, with soft edges `soft` wide.
double band(double x, double lo, double hi, double soft) {
  return smoothstep(lo - soft, lo + soft, x) * (1.0 - smoothstep(hi - soft, hi + soft, x));
}
double box(double x, double y, double x0, double x1, double y0, double y1, double soft) {
  return band(x, x0, x1, soft) * band(y, y0, y1, soft);
}
// Per-texel grain in [-1, 1), tiling with the texture.
double grain(double u, double v, int size, std::uint32_t seed) {
  return 2.0 * latticeValue(static_cast<int>(u * size), static_cast<int>(v * size), seed) - 1.0;
}

// --- Level -----------------------------------------------------------------------------------------------

Rgb asphaltBase(double u, double v) {
  const double n = fractalNoise(u * 8.0, v * 8.0, 8, 5, kAsphaltSeed);
  const double g = grain(u, v, kLevelTextureSize, kAsphaltSeed + 1);
  const double grey = 0.26 + 0.10 * (n - 0.5) + 0.035 * g;
  return {grey, grey, grey * 1.04};
}

Rgb paintMarking(Rgb base, double amount, double u, double v) {
  // Worn paint: the asphalt shows through where the noise is low.
  const double wear = smoothstep(0.25, 0.45, fractalNoise(u * 32.0, v * 32.0, 32, 3, kAsphaltSeed + 2));
  return mix(base, rgb8(232, 230, 220), amount * (0.55 + 0.45 * wear));
}

// --- Car -------------------------------------------------------------------------------------------------

const Rgb kPaint = rgb8(214, 64, 28);
const Rgb kStripe = rgb8(245, 238, 220);
const Rgb kTrim = rgb8(34, 34, 38);
const Rgb kChrome = rgb8(185, 187, 192);
const Rgb kHeadlight = rgb8(250, 246, 205);
const Rgb kTailLight = rgb8(205, 24, 20);
const Rgb kPlate = rgb8(238, 226, 120);

Rgb glassAt(double t) {  // t: 0 at the top edge of a pane, 1 at the bottom
  return mix(rgb8(96, 128, 158), rgb8(28, 40, 56), clamp01(t));
}

// Signed distance from p to the inside of a counter-clockwise convex polygon's edges (positive inside).
double insideDistance(const std::vector<ProfilePoint>& polygon, double z, double y) {
  double d = 1e9;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const ProfilePoint& a = polygon[i];
    const ProfilePoint& b = polygon[(i + 1) % polygon.size()];
    const double ez = b.z - a.z, ey = b.y - a.y;
    d = std::min(d, (ez * (y - a.y) - ey * (z - a.z)) / std::hypot(ez, ey));
  }
  return d;
}

Rgb carSide(double z, double y) {
  const CarOutline& outline = carOutline();
  if (y > 0.0) {
    // Cabin: side windows inside a painted frame, split by a pillar.
    const double inset = insideDistance(outline.cabin, z, y);
    const bool window = inset > 0.045 && y > 0.06 && std::fabs(z - 0.3) > 0.045;
    return window ? glassAt((0.36 - y) / 0.3) : kPaint * (0.92 + 0.08 * y / 0.4);
  }
  Rgb c = kPaint * (0.86 + 0.14 * (y + 0.4) / 0.4);  // a little darker toward the sill
  c = mix(c, kStripe, band(y, -0.17, -0.11, 0.004));
  // Roundel on the door.
  const double roundel = std::hypot(z + 0.15, y + 0.2);
  c = mix(c, kTrim, band(roundel, 0.085, 0.1, 0.004));
  c = mix(c, kStripe, 1.0 - smoothstep(0.08, 0.088, roundel));
  c = mix(c, kTrim, 0.8 * band(roundel, 0.03, 0.045, 0.003) * band(z, -0.2, -0.1, 0.003));
  // Door seams and handle.
  for (const double seam : {-0.8, 0.45})
    c = mix(c, kTrim, 0.7 * band(z, seam - 0.006, seam + 0.006, 0.003) * band(y, -0.3, -0.01, 0.003));
  c = mix(c, kChrome, box(z, y, 0.25, 0.37, -0.06, -0.035, 0.003));
  // Shadowed wheel arches around the wheel mounts.
  for (const double wz : {-kWheelBaseHalf, kWheelBaseHalf}) {
    const double r = std::hypot(z - wz, y - kWheelCentreY);
    c = mix(c, kTrim, 1.0 - smoothstep(0.33, 0.35, r));
  }
  return mix(c, kTrim, smoothstep(-0.29, -0.31, y));  // sill
}

Rgb carTop(double z, double x) {
  const double ax = std::fabs(x);
  const bool overCabin = ax < 0.8 - 0.04;
  if (overCabin && z > -0.9 + 0.04 && z < -0.3 - 0.02) return glassAt((z + 0.9) / 0.6);  // windscreen
  if (overCabin && z > 0.9 + 0.02 && z < 1.3 - 0.04) return glassAt((1.3 - z) / 0.4);    // rear window
  Rgb c = kPaint;
  c = mix(c, kStripe, band(ax, 0.08, 0.26, 0.004));  // twin racing stripes
  for (const double side : {-1.0, 1.0})
    c = mix(c, kTrim, box(z, side * x, -1.6, -1.3, 0.35, 0.55, 0.004) * (fract(z * 40.0) < 0.5 ? 1.0 : 0.5));
  return c;
}

Rgb carFront(double x, double y) {
  const double ax = std::fabs(x);
  Rgb c = kPaint;
  const double lamp = box(ax, y, 0.55, 0.88, -0.24, -0.15, 0.004);
  c = mix(c, kChrome, box(ax, y, 0.53, 0.9, -0.26, -0.13, 0.004));
  c = mix(c, kHeadlight, lamp);
  const double grille = box(ax, y, 0.0, 0.42, -0.27, -0.17, 0.004);
  c = mix(c, fract(y * 50.0) < 0.3 ? kChrome : kTrim, grille);
  return mix(c, kTrim, smoothstep(-0.27, -0.29, y));
}

Rgb carRear(double x, double y) {
  const double ax = std::fabs(x);
  Rgb c = kPaint;
  c = mix(c, kTailLight, box(ax, y, 0.55, 0.9, -0.12, -0.04, 0.004));
  c = mix(c, kTrim, box(ax, y, 0.0, 0.27, -0.22, -0.08, 0.004));
  c = mix(c, kPlate, box(ax, y, 0.0, 0.25, -0.2, -0.1, 0.004));
  c = mix(c, kTrim, 1.0 - smoothstep(0.035, 0.045, std::hypot(x + 0.6, y + 0.25)));  // exhaust
  return mix(c, kTrim, smoothstep(-0.27, -0.29, y));
}

bool isGlass(Rgb c) { return c.b > c.r + 0.08 && c.b > 0.2; }

// Scratches, dirt, rust and a cracked windscreen over the intact paint job.
Rgb damage(Rgb c, double u, double v) {
  const double dirt = fractalNoise(u * 8.0, v * 8.0, 8, 4, kDamageSeed);
  c = mix(c, rgb8(92, 80, 64), 0.35 * smoothstep(0.35, 0.8, dirt));
  if (!isGlass(c)) {
    const double rust = fractalNoise(u * 16.0, v * 16.0, 16, 4, kDamageSeed + 1);
    c = mix(c, rgb8(120, 58, 24), smoothstep(0.62, 0.7, rust));
    c = mix(c, rgb8(70, 34, 16), smoothstep(0.7, 0.76, rust));
    for (int i = 0; i < 48; ++i) {  // scratches through to the primer
      const double x0 = latticeValue(i, 0, kDamageSeed + 2), y0 = latticeValue(i, 1, kDamageSeed + 2);
      const double angle = 3.14159 * latticeValue(i, 2, kDamageSeed + 2);
      const double len = 0.03 + 0.09 * latticeValue(i, 3, kDamageSeed + 2);
      const double dx = std::cos(angle), dy = std::sin(angle);
      const double along = (u - x0) * dx + (v - y0) * dy;
      const double across = std::fabs(-(u - x0) * dy + (v - y0) * dx);
      const double line = band(along, 0.0, len, 0.002) * (1.0 - smoothstep(0.0008, 0.0025, across));
      c = mix(c, rgb8(196, 190, 180), 0.85 * line);
    }
  } else {
    // Cracks radiating from an impact on the windscreen, as it appears in the top view.
    const double iu = 0.3, iv = 0.6;
    const double r = std::hypot(u - iu, v - iv);
    const double angle = std::atan2(v - iv, u - iu);
    const double spokes = std::fabs(std::sin(angle * 7.0 + r * 25.0));
    const double crack = (1.0 - smoothstep(0.0, 0.12, spokes)) * (1.0 - smoothstep(0.05, 0.09, r));
    const double ring = band(r, 0.018, 0.022, 0.002) + band(r, 0.04, 0.044, 0.002);
    c = mix(c, rgb8(225, 232, 238), clamp01(crack + ring));
  }
  const double faded = 0.5 * (c.r + c.g + c.b) / 1.5;
  return mix(c, Rgb{faded, faded, faded}, 0.25) * 0.92;
}

// --- Wheel -----------------------------------------------------------------------------------------------

const Rgb kRubber = rgb8(30, 30, 32);
const Rgb kSteel = rgb8(178, 180, 186);

}  // namespace

Pixmap paintAsphalt() {
  Pixmap image(kLevelTextureSize, kLevelTextureSize);
  image.fill([](double u, double v) {
    Rgb c = asphaltBase(u, v);
    // Edge lines 4 units wide, 6 units in from the verges; a dashed centre line.
    c = paintMarking(c, band(u, 0.03, 0.05, 0.002) + band(u, 0.95, 0.97, 0.002), u, v);
    c = paintMarking(c, band(u, 0.49, 0.51, 0.002) * band(v, 0.05, 0.45, 0.002), u, v);
    // Darker racing line where tyres run, just either side of the centre.
    const double tyreWear = band(u, 0.3, 0.42, 0.04) + band(u, 0.58, 0.7, 0.04);
    return c * (1.0 - 0.12 * tyreWear);
  });
  return image;
}

Pixmap paintStartLine() {
  Pixmap image(kLevelTextureSize, kLevelTextureSize / 8);
  image.fill([](double u, double v) {
    const int column = static_cast<int>(u * 16.0), row = static_cast<int>(v * 2.0);
    const double n = fractalNoise(u * 16.0, v * 2.0, 16, 3, kStartSeed);
    const Rgb chequer = (column + row) % 2 == 0 ? rgb8(235, 235, 228) : rgb8(22, 22, 24);
    return chequer * (0.92 + 0.12 * n);
  });
  return image;
}

Pixmap paintVerge() {
  Pixmap image(kLevelTextureSize, kLevelTextureSize);
  image.fill([](double u, double v) {
    const double patches = fractalNoise(u * 4.0, v * 4.0, 4, 5, kVergeSeed);
    const double blades = grain(u, v, kLevelTextureSize, kVergeSeed + 1);
    const double clover = smoothstep(0.7, 0.78, fractalNoise(u * 16.0, v * 16.0, 16, 2, kVergeSeed + 2));
    Rgb c = mix(rgb8(58, 96, 34), rgb8(104, 140, 52), patches);
    c = mix(c, rgb8(132, 124, 70), 0.35 * smoothstep(0.6, 0.85, patches));  // dry patches
    c = mix(c, rgb8(44, 86, 40), 0.6 * clover);
    return c * (1.0 + 0.12 * blades);
  });
  return image;
}

Pixmap paintWall() {
  Pixmap image(kLevelTextureSize, kLevelTextureSize);
  image.fill([](double u, double v) {
    const double n = fractalNoise(u * 8.0, v * 8.0, 8, 5, kWallSeed);
    const double g = grain(u, v, kLevelTextureSize, kWallSeed + 1);
    Rgb concrete = rgb8(168, 166, 158) * (0.9 + 0.18 * (n - 0.5) + 0.04 * g);
    // Panel joints every 20 units along, one course joint across.
    const double panel = fract(u * 4.0);
    const double joint = std::max(band(panel, -0.01, 0.01, 0.004) + band(panel, 0.99, 1.01, 0.004),
                                  band(v, 0.55, 0.565, 0.003));
    concrete = mix(concrete, concrete * 0.55, joint);
    // Grime rising from the bottom of each panel course.
    concrete = concrete * (1.0 - 0.18 * smoothstep(0.7, 1.0, v) * (0.5 + n));
    // Red and white safety band along the top, 40 units per colour.
    const Rgb stripe = fract(u * 2.0) < 0.5 ? rgb8(196, 32, 28) : rgb8(236, 234, 228);
    const double onBand = 1.0 - smoothstep(0.13, 0.14, v);
    return mix(concrete, stripe * (0.94 + 0.1 * n), onBand);
  });
  return image;
}

Pixmap paintCarBody(bool damaged) {
  Pixmap image(kCarTextureSize, kCarTextureSize);
  image.fill([damaged](double u, double v) {
    const double along = u * 2.0 * kChassisHalfLength - kChassisHalfLength;  // z
    Rgb c;
    if (v < 0.5)
      c = carSide(along, kChassisHalfHeight - v / 0.5 * 2.0 * kChassisHalfHeight);
    else if (v < 0.75)
      c = carTop(along, (v - 0.5) / 0.25 * 2.0 * kChassisHalfWidth - kChassisHalfWidth);
    else {
      const double y = kChassisHalfHeight - (v - 0.75) / 0.25 * 2.0 * kChassisHalfHeight;
      const double x = fract(u * 2.0) * 2.0 * kChassisHalfWidth - kChassisHalfWidth;
      c = u < 0.5 ? carFront(x, y) : carRear(x, y);
    }
    c = c * (0.97 + 0.03 * fractalNoise(u * 16.0, v * 16.0, 16, 3, kCarSeed));
    return damaged ? damage(c, u, v) : c;
  });
  return image;
}

Pixmap paintWheel() {
  const std::vector<WheelPart> parts = wheelParts();
  Pixmap image(kCarTextureSize, kCarTextureSize);
  image.fill([&parts](double u, double v) {
    const WheelPart* part = &parts.back();
    for (const WheelPart& p : parts)
      if (u >= p.u0 && u < p.u1) {
        part = &p;
        break;
      }
    // Position across the part, 0 at the end nearer the wheel's outer face (the hub cap's centre).
    double t = (u - part->u0) / (part->u1 - part->u0);
    if (u > 0.5) t = 1.0 - t;
    const double spoke = fract(v * 5.0);
    const double n = fractalNoise(u * 16.0, v * 16.0, 16, 3, kWheelSeed);
    switch (part->kind) {
      case WheelPart::HubCap: {
        const double bolt = band(t, 0.55, 0.85, 0.03) * band(spoke, 0.4, 0.6, 0.02);
        return mix(mix(kSteel, kTrim, 1.0 - smoothstep(0.3, 0.36, t)), kTrim, bolt);
      }
      case WheelPart::Hub:
        return kSteel * (0.75 + 0.2 * t);
      case WheelPart::Rim:
        return mix(rgb8(40, 40, 44), kSteel, band(spoke, 0.36, 0.64, 0.02) + smoothstep(0.8, 0.9, t));
      case WheelPart::Sidewall: {
        const double lettering = band(t, 0.3, 0.7, 0.05) * (fract(v * 36.0) < 0.55 ? 1.0 : 0.0);
        return mix(kRubber, rgb8(96, 96, 98), 0.6 * lettering) * (0.9 + 0.2 * n);
      }
      case WheelPart::Tread: {
        const double across = std::fabs((u - part->u0) / (part->u1 - part->u0) - 0.5);
        const double block = fract(v * 48.0 + 0.6 * across);
        const double groove = std::max(1.0 - smoothstep(0.0, 0.2, block), band(across, 0.16, 0.2, 0.01));
        return mix(kRubber, rgb8(12, 12, 13), groove) * (0.9 + 0.2 * n);
      }
    }
    return kRubber;
  });
  return image;
}

Pixmap paintSky() {
  Pixmap image(kSkyTextureSize, kSkyTextureSize);
  image.fill([](double u, double v) {
    const Rgb sky = rgb8(132, 178, 228);
    const double edge = std::min(std::min(u, 1.0 - u), std::min(v, 1.0 - v));
    const double n = fractalNoise(u * 4.0, v * 4.0, 4, 6, kSkySeed);
    const double cloud = smoothstep(0.5, 0.72, n) * smoothstep(0.04, 0.22, edge);
    const double shadow = smoothstep(0.6, 0.85, fractalNoise(u * 4.0 + 0.15, v * 4.0 + 0.2, 4, 5, kSkySeed));
    const Rgb cloudColour = mix(rgb8(252, 252, 255), rgb8(196, 204, 218), shadow);
    return mix(sky, cloudColour, cloud);
  });
  return image;
}

}  // namespace varrik::assetgen
