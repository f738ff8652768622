#include "ImageOutput.h"

#include <irrlicht.h>

#include "CRurIvaWholeFile.h"

#include <algorithm>
#include <cmath>

namespace varrik::assetgen {
namespace {

// JPEG quality for the sky and the level's textures: high enough that the thin road markings and the
// chequers keep clean edges.
constexpr irr::u32 kJpegQuality = 92;

irr::u32 channel(double value) {
  return static_cast<irr::u32>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
}

}  // namespace

bool writeImage(irr::video::IVideoDriver& driver, const Pixmap& image, const std::string& path) {
  const irr::core::dimension2d<irr::u32> size(image.width(), image.height());
  irr::video::IImage* out = driver.createImage(irr::video::ECF_R8G8B8, size);
  if (!out) return false;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const Rgb& c = image.at(x, y);
      out->setPixel(x, y, irr::video::SColor(255, channel(c.r), channel(c.g), channel(c.b)));
    }
  // The engine's own file reports a full disk as a success; this one puts the image in place
  // only when it was written whole. The writer is chosen by the target's extension.
  irr::ode::CRurIvaWholeFile* file = new irr::ode::CRurIvaWholeFile(path.c_str());
  const bool written = file->isOpen() && driver.writeImageToFile(out, file, kJpegQuality) && file->commit();
  file->drop();
  out->drop();
  return written;
}

}  // namespace varrik::assetgen
