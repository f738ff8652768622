// Hands painted pictures to the engine's image writers, so that every image file is one the engine itself
// writes (and therefore reads).
#pragma once

#include "Pixmap.h"

#include <string>

namespace irr::video {
class IVideoDriver;
}

namespace varrik::assetgen {

// Writes `image` to `path`; the engine picks the format from the extension (.tga, .jpg). Returns false if
// the engine could not write it.
bool writeImage(irr::video::IVideoDriver& driver, const Pixmap& image, const std::string& path);

}  // namespace varrik::assetgen
