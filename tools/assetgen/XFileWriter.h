// A small writer for text DirectX meshes ("xof 0303txt 0032"): one root frame holding one textured mesh,
// plus empty child frames that the engine's loader turns into bones (the car's wheel mounts).
//
// The engine's loader takes coordinates and face index order as written, so the mesh is written in engine
// coordinates with the engine's front-face winding.
#pragma once

#include "MeshBuilder.h"

#include <string>
#include <vector>

namespace varrik::assetgen {

struct XFrame {
  std::string name;
  Vec3 translation;  // relative to the root frame
};

struct XModel {
  std::string rootFrame;
  IndexedMesh mesh;
  std::string textureFile;  // bare file name, found next to the mesh file
  std::vector<XFrame> childFrames;
};

std::string encodeXFile(const XModel& model);

}  // namespace varrik::assetgen
