// A small writer for Quake 3 BSP files (magic "IBSP", version 46), as far as the engine's level loader
// reads them: entities, textures (shader names), vertices, mesh vertices, faces and the world model.
// Planes, nodes, leafs, brushes, visibility and lightmaps are written empty; the loader builds the level
// mesh from model 0's faces alone.
//
// Input is in engine coordinates (Y up). The file stores Quake's Z-up coordinates, so every position and
// normal (x, y, z) is written as (x, z, y); the loader swaps them back. It keeps the mesh-vertex order as it
// is, so a triangle wound to face up in engine space is loaded facing up again.
#pragma once

#include "MeshBuilder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace varrik::assetgen {

struct BspVertex {
  Vec3 position;  // engine coordinates
  Vec3 normal;
  Vec2 uv;
  double brightness = 1.0;  // baked into the vertex colour
};

struct BspFace {
  int texture = 0;
  std::vector<BspVertex> vertices;
  std::vector<int> indices;  // triangles as offsets into `vertices`, engine front-face winding
};

struct BspLevel {
  std::string entities;               // the entity lump's text
  std::vector<std::string> textures;  // names without extension, resolved by the loader
  std::vector<BspFace> faces;
};

std::vector<std::uint8_t> encodeBsp(const BspLevel& level);

}  // namespace varrik::assetgen
