// ColourOverlay: the painted component that blends its whole surface towards one colour
// by an amount 0-255 each time it is drawn (the canvas fade transition steps the
// amount). The blend rounds towards minus infinity, so every channel that differs from
// the colour moves by at least one unit per draw while the amount is not 0.
#pragma once

#include <cstdint>

#include "shell/Component.h"

class Image;

class ColourOverlay : public Component {
 public:
  ColourOverlay(uint32_t colour, int32_t amount) : colour_(colour), amount_(amount) {}

  void draw() override;  // blends the attached surface; nothing without one
  // Attach and detach need nothing: the window hands over its back buffer as surface.

  uint32_t colour() const { return colour_; }
  void setColour(uint32_t colour) { colour_ = colour; }
  int32_t amount() const { return amount_; }
  void setAmount(int32_t amount) { amount_ = amount; }

  // The blend itself, for any image.
  static void blend(Image& image, uint32_t colour, int32_t amount);

 private:
  uint32_t colour_ = 0;  // 0x00RRGGBB
  int32_t amount_ = 0;   // 0-255
};
