// varrik-assets: writes the demo's data folder (level, car, wheels, their textures and the sky).
//
//   varrik-assets <output-folder>
//
// Everything is generated here, deterministically: two runs write identical bytes.

#include "AssetDesign.h"
#include "BspWriter.h"
#include "CarModels.h"
#include "CRurIvaWholeFile.h"
#include "ImageOutput.h"
#include "TexturePainters.h"
#include "TrackLevel.h"
#include "XFileWriter.h"

#include <irrlicht.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace varrik::assetgen;
namespace fs = std::filesystem;

bool writeBytes(const fs::path& path, const void* data, std::size_t size) {
  // Whole or not at all: an asset cut short by a full disk would look newer than its generator
  // to the build, which would not run it again.
  irr::ode::CRurIvaWholeFile* file = new irr::ode::CRurIvaWholeFile(path.c_str());
  const bool written = file->isOpen() && size <= 0x7FFFFFFF &&
                       file->write(data, static_cast<irr::u32>(size)) == static_cast<irr::s32>(size) &&
                       file->commit();
  file->drop();
  return written;
}

XModel chassisModel(std::vector<Triangle> body, const std::string& name, const std::string& texture) {
  XModel model{name, weld(body), texture, {}};
  for (const design::WheelBone& bone : design::kWheelBones)
    model.childFrames.push_back({bone.name, {bone.x, bone.y, bone.z}});
  return model;
}

struct Output {
  std::string file;
  std::function<bool(const fs::path&)> write;
};

std::vector<Output> outputs(irr::video::IVideoDriver& driver) {
  const auto text = [](std::function<std::string()> make) {
    return [make](const fs::path& path) {
      const std::string content = make();
      return writeBytes(path, content.data(), content.size());
    };
  };
  const auto picture = [&driver](std::function<Pixmap()> paint) {
    return [&driver, paint](const fs::path& path) { return writeImage(driver, paint(), path.string()); };
  };
  return {
      {"map.bsp",
       [](const fs::path& path) {
         const std::vector<std::uint8_t> bytes = encodeBsp(buildTrackLevel());
         return writeBytes(path, bytes.data(), bytes.size());
       }},
      {levelTexture(kAsphalt).fileName, picture(paintAsphalt)},
      {levelTexture(kStartLine).fileName, picture(paintStartLine)},
      {levelTexture(kVerge).fileName, picture(paintVerge)},
      {levelTexture(kWall).fileName, picture(paintWall)},
      {"car_c.x", text([] { return encodeXFile(chassisModel(buildChassis(), "car_body", "car_c_c1.tga")); })},
      {"car_d.x",
       text([] { return encodeXFile(chassisModel(buildDamagedChassis(), "car_body", "car_d_c1.tga")); })},
      {"whell.x", text([] {
         return encodeXFile(XModel{"wheel", weld(buildWheel()), "whell.tga", {}});
       })},
      {"car_c_c1.tga", picture([] { return paintCarBody(false); })},
      {"car_d_c1.tga", picture([] { return paintCarBody(true); })},
      {"whell.tga", picture(paintWheel)},
      {"sphere1.jpg", picture(paintSky)},
  };
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output-folder>\n", argc > 0 ? argv[0] : "varrik-assets");
    return 2;
  }
  const fs::path folder = argv[1];
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) {
    std::fprintf(stderr, "varrik-assets: cannot create %s: %s\n", folder.string().c_str(),
                 error.message().c_str());
    return 1;
  }

  // The null driver opens no window; it is all the image writers need.
  irr::SIrrlichtCreationParameters parameters;
  parameters.DriverType = irr::video::EDT_NULL;
  parameters.LoggingLevel = irr::ELL_WARNING;
  irr::IrrlichtDevice* device = irr::createDeviceEx(parameters);
  if (!device) {
    std::fprintf(stderr, "varrik-assets: cannot create the engine's null device\n");
    return 1;
  }

  int failures = 0;
  for (const Output& output : outputs(*device->getVideoDriver())) {
    if (!output.write(folder / output.file)) {
      std::fprintf(stderr, "varrik-assets: failed to write %s\n", (folder / output.file).string().c_str());
      ++failures;
    }
  }
  device->drop();
  return failures == 0 ? 0 : 1;
}
