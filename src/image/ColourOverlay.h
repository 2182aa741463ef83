// ColourOverlay: the painted component that blends a whole image towards one colour by
// an amount 0-255 each time it is drawn (the canvas fade transition steps the amount).
// The blend rounds towards minus infinity, so every channel that differs from the colour
// moves by at least one unit per draw while amount is not 0.
#pragma once

#include <cstdint>

class Image;
class Window;

class ColourOverlay {
 public:
  ColourOverlay(uint32_t colour, int32_t amount) : colour_(colour), amount_(amount) {}

  void draw();                    // blends the attached image; nothing without image
  void onAttached(Window*) {}     // nothing to do on either
  void onDetached(Window*) {}

  void attachSurface(Image* image) { image_ = image; }
  Image* surface() const { return image_; }
  uint32_t colour() const { return colour_; }
  void setColour(uint32_t colour) { colour_ = colour; }
  int32_t amount() const { return amount_; }
  void setAmount(int32_t amount) { amount_ = amount; }

  // The blend itself, for any image.
  static void blend(Image& image, uint32_t colour, int32_t amount);

 private:
  Image* image_ = nullptr;
  uint32_t colour_ = 0;  // 0x00RRGGBB
  int32_t amount_ = 0;   // 0-255
};
