// ColourOverlay: per-channel blend of every pixel towards a colour, rounded down.
#include "image/ColourOverlay.h"

#include "image/Image.h"

namespace {

// channel + floor((target - channel) * amount / 256), kept inside 0..max so an amount
// outside 0-256 cannot spill into the neighbouring channel.
inline int32_t towards(int32_t channel, int32_t target, int32_t amount, int32_t max) {
  int32_t product = (target - channel) * amount;
  int32_t step = product >= 0 ? product / 256 : -((-product + 255) / 256);
  int32_t v = channel + step;
  return v < 0 ? 0 : v > max ? max : v;
}

}  // namespace

void ColourOverlay::draw() {
  if (surface_) blend(*surface_, colour_, amount_);
}

void ColourOverlay::blend(Image& image, uint32_t colour, int32_t amount) {
  if (!image.valid() || amount == 0) return;
  int32_t cr = int32_t((colour >> 16) & 0xFF), cg = int32_t((colour >> 8) & 0xFF), cb = int32_t(colour & 0xFF);
  for (int32_t y = 0; y < image.height(); ++y) {
    uint8_t* row = image.pixelAddress(0, y);
    if (image.bitsPerPixel() == 16) {
      uint16_t* p = reinterpret_cast<uint16_t*>(row);
      int32_t tr = cr >> 3, tg = cg >> 2, tb = cb >> 3;
      for (int32_t x = 0; x < image.width(); ++x) {
        int32_t v = p[x];
        int32_t r = towards(v >> 11, tr, amount, 31);
        int32_t g = towards((v >> 5) & 63, tg, amount, 63);
        int32_t b = towards(v & 31, tb, amount, 31);
        p[x] = uint16_t((r << 11) | (g << 5) | b);
      }
    } else {
      uint32_t* p = reinterpret_cast<uint32_t*>(row);
      for (int32_t x = 0; x < image.width(); ++x) {
        uint32_t v = p[x];
        int32_t r = towards(int32_t((v >> 16) & 0xFF), cr, amount, 255);
        int32_t g = towards(int32_t((v >> 8) & 0xFF), cg, amount, 255);
        int32_t b = towards(int32_t(v & 0xFF), cb, amount, 255);
        p[x] = uint32_t((r << 16) | (g << 8) | b);
      }
    }
  }
}
