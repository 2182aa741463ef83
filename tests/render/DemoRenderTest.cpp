// The demonstration render: the generated winter scene drawn headless at 240 x 320 in
// 16 and 32 bits, saved as render_demo.png and render_demo32.png in the build folder for
// a look, and checked at a few places (a lit ball with its stripes, fir chips with soft
// alpha edges, fog at distance).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DemoScene.h"
#include "platform/PngWriter.h"

namespace {

std::vector<uint8_t> toRgb(const Image& image) {
  std::vector<uint8_t> rgb;
  rgb.reserve(size_t(image.width()) * size_t(image.height()) * 3);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      uint32_t c = image.getPixel(x, y);
      rgb.push_back(uint8_t(c >> 16));
      rgb.push_back(uint8_t(c >> 8));
      rgb.push_back(uint8_t(c));
    }
  return rgb;
}

int brightness(uint32_t c) { return int((c >> 16) & 255) + int((c >> 8) & 255) + int(c & 255); }

class DemoRender : public ::testing::TestWithParam<int> {};

TEST_P(DemoRender, WinterSceneIsLitTexturedAndFogged) {
  const int bits = GetParam();
  demo::Scene s(240, 320, bits);
  ASSERT_EQ(s.host.surface->bitsPerPixel(), bits);
  s.scene.draw(0.04f);
  const Image& image = *s.host.surface;
  const std::string file = bits == 16 ? "/render_demo.png" : "/render_demo32.png";
  ASSERT_TRUE(os::writePng(std::string(KS_BUILD_DIR) + file, toRgb(image), image.width(), image.height()));
  const auto& stats = s.renderer().statistics();
  EXPECT_GT(stats.trianglesDrawn, 500);
  EXPECT_GT(stats.trianglesRejected, 100);  // the ball's back half

  // Where the ball is: project its centre like the renderer does.
  Vector3 centre = transformPoint(s.scene.camera->viewMatrix(), getTranslation(s.ball->placement));
  const int focal = s.scene.camera->focalLength();
  const int cx = 120 + int(centre.x * float(focal) / centre.z), cy = 160 - int(centre.y * float(focal) / centre.z);
  const int radius = int(2.0f * float(focal) / centre.z);
  ASSERT_GT(radius, 10);
  // Red and white stripes across the ball's middle row.
  int red = 0, white = 0;
  for (int x = cx - radius / 2; x <= cx + radius / 2; ++x) {
    uint32_t c = image.getPixel(x, cy);
    int r = int(c >> 16), g = int((c >> 8) & 255);
    if (r > 2 * g && r > 80) ++red;
    if (g > 120 && r > 120) ++white;
  }
  EXPECT_GT(red, 2);
  EXPECT_GT(white, 2);
  // The sun comes from +x: the right half of the ball is brighter than the left.
  int left = 0, right = 0;
  for (int dy = -radius / 3; dy <= radius / 3; ++dy)
    for (int dx = radius / 3; dx < radius * 2 / 3; ++dx) {
      left += brightness(image.getPixel(cx - dx, cy + dy));
      right += brightness(image.getPixel(cx + dx, cy + dy));
    }
  EXPECT_GT(right, left);
  // Near the camera: the track (warm grey) and the snow beside it (bright, bluish), not
  // fogged; near the horizon: close to the fog colour.
  uint32_t nearTrack = image.getPixel(80, 315), nearSnow = image.getPixel(20, 250);
  EXPECT_GT(nearTrack >> 16, nearTrack & 255);
  EXPECT_LT(brightness(nearTrack), 3 * 160);
  EXPECT_GT(nearSnow & 255, nearSnow >> 16);
  EXPECT_GT(brightness(nearSnow), 3 * 170);
  uint32_t fogColour = 0xC8D8EC;
  uint32_t far = image.getPixel(120, s.renderer().depthAt(120, 120) > 100 ? 120 : 118);
  EXPECT_LT(std::abs(brightness(far) - brightness(fogColour)), 60);
  // The firs are drawn with green bodies.
  int green = 0;
  for (int y = 0; y < 320; ++y)
    for (int x = 0; x < 240; ++x) {
      uint32_t c = image.getPixel(x, y);
      if (int((c >> 8) & 255) > int(c >> 16) + 40 && int((c >> 8) & 255) > int(c & 255) + 20) ++green;
    }
  EXPECT_GT(green, 200);
}

INSTANTIATE_TEST_SUITE_P(PixelFormats, DemoRender, ::testing::Values(16, 32));

}  // namespace
