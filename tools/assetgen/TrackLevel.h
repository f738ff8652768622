// The demo's level: a long straight walled track with a hump and a table top, in the level mesh's own
// coordinates (engine axes; the demo adds the level node's offset of (0, -50, 0)).
#pragma once

#include "BspWriter.h"

namespace varrik::assetgen {

enum LevelMaterial { kAsphalt, kStartLine, kVerge, kWall, kLevelMaterialCount };

struct LevelTexture {
  const char* bspName;   // as stored in the BSP; the loader tries it with image extensions
  const char* fileName;  // the image the name resolves to through a folder archive that ignores paths
};
const LevelTexture& levelTexture(LevelMaterial material);

// Height of the track's rises above the flat floor at z (zero around the start).
double riseAt(double z);

BspLevel buildTrackLevel();

}  // namespace varrik::assetgen
