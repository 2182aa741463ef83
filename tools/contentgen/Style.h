// The game's one visual style: a night-blue and ice palette with amber highlights, and
// the shared painters (winter landscape, frosted panels, glossy buttons, snowflakes) that
// backgrounds, the title movie, track icons and widgets are built from.
#pragma once

#include <string>

#include "Raster.h"
#include "Text.h"

namespace pal {
constexpr int Night = 0x0A1630;    // deepest sky, panel shadows
constexpr int Deep = 0x14284F;     // panel fill
constexpr int Steel = 0x2B4C7E;    // button body
constexpr int Ice = 0x7FB7E0;      // borders, secondary text
constexpr int Frost = 0xCFE6F7;    // light text
constexpr int Snow = 0xF4F9FF;     // snow, primary text
constexpr int Amber = 0xFFB03A;    // focus and pressed highlight
constexpr int Orange = 0xFF7A1A;   // vehicle paint, accents
constexpr int Red = 0xE0383B;      // warnings
constexpr int Pine = 0x173D33;     // forests
constexpr int Aurora = 0x3FE0A8;   // northern lights
}  // namespace pal

struct LandscapeParams {
  uint32_t seed = 1;
  int skyTop = pal::Night, skyBottom = 0x3A5F96;
  float horizon = 0.55f;       // fraction of the height where the far range sits
  float mountainHeight = 0.3f; // of the height
  bool aurora = true;
  bool stars = true;
  bool forest = true;
  bool sea = false;
  float pan = 0;               // horizontal offset in pixels (parallax for the movie)
};

// Night winter landscape: gradient sky, stars, aurora, two mountain ranges with snow caps,
// pine forest and snowfield (or sea).
void paintLandscape(Raster& r, const LandscapeParams& p);
// A rounded frosted-glass panel with a light rim.
void paintPanel(Raster& r, float x, float y, float w, float h, float radius, float opacity = 1.0f);
// A glossy rounded button body; bright = the pressed/focused amber variant.
void paintButton(Raster& r, float x, float y, float w, float h, float radius, bool bright);
// A six-armed snowflake.
void paintSnowflake(Raster& r, float cx, float cy, float radius, float width, Rgba c);
// The game's logo lettering centred on cx at baseline y.
void paintLogo(Raster& r, float cx, float baseline, float size, float opacity = 1.0f);
// A snow racer (side view) facing left, at the given position and scale (1 = 64 px long).
void paintRacer(Raster& r, float x, float y, float scale, int bodyColour);
