// The chassis (intact and damaged) and the wheel, in model units, engine coordinates, nose toward -Z.
#pragma once

#include "MeshBuilder.h"
#include "ModelShapes.h"

#include <vector>

namespace varrik::assetgen {

// Side profile of the car body (z, y), shared by the geometry and by the texture painter, which draws
// windows and lights where these outlines put them.
struct CarOutline {
  std::vector<ProfilePoint> hull;   // lower body: full width, bottom of the box up to the waist line
  std::vector<ProfilePoint> cabin;  // glasshouse sitting on the hull: reaches the top of the box
  double cabinHalfWidth;
  int hullCabinEdge;   // the hull's top edge under the cabin (left open there)
  int cabinFloorEdge;  // the cabin's bottom edge (open: the hull closes it)
};
const CarOutline& carOutline();

// Texture layout of the chassis: four projections packed into one image (v grows downward).
//   side  u 0..1,   v 0..0.5   : z -2..2 -> u, y 0.4..-0.4 -> v
//   top   u 0..1,   v 0.5..0.75: z -2..2 -> u, x -1..1 -> v
//   front u 0..0.5, v 0.75..1  : x -1..1 -> u, y 0.4..-0.4 -> v (faces looking toward -z)
//   rear  u 0.5..1, v 0.75..1  : the same for faces looking toward +z
// Faces looking down get the side view's sill colour.
enum class CarView { Side, Top, Front, Rear, Under };
Vec2 carAtlasUv(CarView view, Vec3 position);

std::vector<Triangle> buildChassis();
// The same body with a crushed nose corner, a dented roof, a pushed-in flank and a scraped tail. It keeps
// the intact chassis's bounding box, so either model yields the same collision box.
std::vector<Triangle> buildDamagedChassis();

// Wheel profile (x, r) with the texture coordinate u of each point; the painter colours u by these parts.
struct WheelPart {
  double u0, u1;
  enum Kind { HubCap, Hub, Rim, Sidewall, Tread } kind;
};
const std::vector<LathePoint>& wheelProfile();
std::vector<WheelPart> wheelParts();
std::vector<Triangle> buildWheel();

}  // namespace varrik::assetgen
