// Procedural textures for the level, the car, the wheels and the sky. Every painter is deterministic.
#pragma once

#include "Pixmap.h"

namespace varrik::assetgen {

// Level: these repeat along the track (and across it, for the verge and wall), so they tile seamlessly.
Pixmap paintAsphalt();    // u spans the road's width: edge lines and a dashed centre line
Pixmap paintStartLine();  // chequers, u across the road, v across the line
Pixmap paintVerge();      // grass
Pixmap paintWall();       // concrete with a red and white band along the top (v = 0 at the top)

// Car: laid out as described by carAtlasUv (side, top, front and rear views).
Pixmap paintCarBody(bool damaged);
// Wheel: u across the wheel's profile (hub cap to hub cap), v once around.
Pixmap paintWheel();
// Sky for all six faces of the environment box: clouds fade out before the edges, so the faces meet in
// one plain colour whatever their orientation.
Pixmap paintSky();

}  // namespace varrik::assetgen
