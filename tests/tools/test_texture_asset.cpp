// The generated images, read back through the engine's own image loaders.

#include "AssetTestSupport.h"

#include <cmath>

namespace varrik::assettest {
namespace {

struct ImageInfo {
  const char* file;
  irr::u32 width, height;
};
const ImageInfo kImages[] = {
    {"car_c_c1.tga", 256, 256},    {"car_d_c1.tga", 256, 256},      {"whell.tga", 256, 256},
    {"sphere1.jpg", 512, 512},     {"level_asphalt.jpg", 256, 256}, {"level_start.jpg", 256, 32},
    {"level_verge.jpg", 256, 256}, {"level_wall.jpg", 256, 256},
};

class TextureTest : public EngineTest {
 protected:
  irr::video::IImage* load(const std::string& file) {
    return m_driver->createImageFromFile((kDataDir + "/" + file).c_str());
  }

  static double luminance(irr::video::SColor c) {
    return (0.299 * c.getRed() + 0.587 * c.getGreen() + 0.114 * c.getBlue()) / 255.0;
  }
};

TEST_F(TextureTest, EveryImageLoadsAsATextureWithItsSize) {
  for (const ImageInfo& info : kImages) {
    // The null driver's textures have no size of their own, so the size is read from the image.
    EXPECT_NE(m_driver->getTexture((kDataDir + "/" + info.file).c_str()), nullptr) << info.file;
    irr::video::IImage* image = load(info.file);
    ASSERT_NE(image, nullptr) << info.file;
    EXPECT_EQ(image->getDimension(), irr::core::dimension2d<irr::u32>(info.width, info.height)) << info.file;
    image->drop();
  }
}

TEST_F(TextureTest, EveryImageHasAPicture) {
  for (const ImageInfo& info : kImages) {
    irr::video::IImage* image = load(info.file);
    ASSERT_NE(image, nullptr) << info.file;
    double sum = 0.0, squares = 0.0;
    const irr::core::dimension2d<irr::u32> size = image->getDimension();
    for (irr::u32 y = 0; y < size.Height; ++y)
      for (irr::u32 x = 0; x < size.Width; ++x) {
        const double l = luminance(image->getPixel(x, y));
        sum += l;
        squares += l * l;
      }
    const double n = static_cast<double>(size.Width) * size.Height;
    const double deviation = std::sqrt(std::max(0.0, squares / n - (sum / n) * (sum / n)));
    EXPECT_GT(deviation, 0.02) << info.file << " is a flat colour";
    image->drop();
  }
}

TEST_F(TextureTest, DamagedCarLooksDifferentFromTheIntactOne) {
  irr::video::IImage* intact = load("car_c_c1.tga");
  irr::video::IImage* damaged = load("car_d_c1.tga");
  ASSERT_NE(intact, nullptr);
  ASSERT_NE(damaged, nullptr);
  double difference = 0.0;
  for (irr::u32 y = 0; y < 256; ++y)
    for (irr::u32 x = 0; x < 256; ++x)
      difference += std::fabs(luminance(intact->getPixel(x, y)) - luminance(damaged->getPixel(x, y)));
  EXPECT_GT(difference / (256.0 * 256.0), 0.03);
  intact->drop();
  damaged->drop();
}

// The demo puts the same sky image on all six faces of its environment box, in every orientation; the
// faces only meet without seams if the image's border is one plain colour.
TEST_F(TextureTest, SkyBorderIsOnePlainColour) {
  irr::video::IImage* sky = load("sphere1.jpg");
  ASSERT_NE(sky, nullptr);
  const irr::u32 size = sky->getDimension().Width;
  const irr::video::SColor corner = sky->getPixel(0, 0);
  for (irr::u32 i = 0; i < size; ++i)
    for (const irr::video::SColor c :
         {sky->getPixel(i, 0), sky->getPixel(i, size - 1), sky->getPixel(0, i), sky->getPixel(size - 1, i)}) {
      ASSERT_NEAR(static_cast<int>(c.getRed()), static_cast<int>(corner.getRed()), 4);
      ASSERT_NEAR(static_cast<int>(c.getGreen()), static_cast<int>(corner.getGreen()), 4);
      ASSERT_NEAR(static_cast<int>(c.getBlue()), static_cast<int>(corner.getBlue()), 4);
    }
  sky->drop();
}

}  // namespace
}  // namespace varrik::assettest
