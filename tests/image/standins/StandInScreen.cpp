// Test stand-in for the platform's screen while it is not in the platform layer: a
// 240 x 320 16-bit frame buffer in memory that records the last dirty rectangle.
#include <vector>

#include "platform/Screen.h"

namespace os {

PixelSurface& screenSurface() {
  static std::vector<uint16_t> pixels(240 * 320);
  static PixelSurface surface{pixels.data(), 240, 320, 240 * 2, 16};
  return surface;
}

void markScreenDirty(const RECT*) {}

}  // namespace os
