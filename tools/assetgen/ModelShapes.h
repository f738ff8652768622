// Closed solids for the car models: a prism extruded along X (the car body is drawn as a side profile) and
// a solid of revolution about X (the wheel). Both produce watertight surfaces without inner faces, with
// every triangle facing outward, so the physics layer and the renderer agree on inside and outside.
#pragma once

#include "MeshBuilder.h"

#include <utility>
#include <vector>

namespace varrik::assetgen {

// A point of a profile drawn in the (z, y) plane: the car seen from its side, nose at -z.
struct ProfilePoint {
  double z, y;
};

struct Prism {
  std::vector<ProfilePoint> profile;  // convex polygon, either orientation; collinear points allowed
  std::vector<double> xStations;      // increasing; the first and last are the end caps
  double maxStep = 1e9;               // longest edge of the tessellation
  // Band cells left open so another solid can sit on them: (profile edge, x-station interval).
  std::vector<std::pair<int, int>> openCells;
  std::vector<int> openEdges;  // whole profile edges left open
};

// Adds the prism. Faces at shared borders use the same subdivision rules, so a second prism whose open
// side matches an open cell here closes the surface exactly.
void addPrismX(MeshBuilder& mesh, const Prism& prism);

// A point of a wheel profile in the (x, radius) plane, with the texture coordinate u it gets.
struct LathePoint {
  double x, r, u;
};

// Revolves a profile that starts and ends on the X axis (r = 0), running from -x to +x, into `segments`
// steps about X. `segments` must be a multiple of 4 so that the highest, lowest, front and back points of
// the widest ring are vertices: the mesh's bounding box is then exactly the profile's extent.
void addLatheX(MeshBuilder& mesh, const std::vector<LathePoint>& profile, int segments);

}  // namespace varrik::assetgen
