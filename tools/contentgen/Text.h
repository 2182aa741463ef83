// Text rendering for pictures and bitmap font sheets: FreeType rasterises Liberation
// faces into coverage masks, which are composited with an optional dark outline and
// drop shadow. Latin-1 text only (the game's fonts cover 32..127).
#pragma once

#include <string>

#include "Raster.h"

enum class Face { Sans, SansBold, SansNarrowBold, MonoBold, SerifBold };

struct TextStyle {
  Face face = Face::SansBold;
  float pixelHeight = 16;   // em height in pixels
  Rgba fill = rgb(0xFFFFFF);
  Rgba fillBottom = {};     // gradient to this colour when its alpha > 0
  Rgba outline = {};        // drawn when alpha > 0
  float outlineWidth = 0;   // pixels
  Rgba shadow = {};         // drawn when alpha > 0
  int shadowDx = 1, shadowDy = 1;
};

// Fails (returns false, message on stderr) when a font file cannot be loaded.
bool textInit(const std::string& fontFolder);
void textShutdown();

// Width in pixels of the text set in this style.
float textWidth(const std::string& text, const TextStyle& style);
// Ascender above the baseline in pixels.
float textAscent(const TextStyle& style);
// Draws with the baseline at y; x is the left edge of the first glyph's advance box.
void drawText(Raster& target, float x, float baselineY, const std::string& text, const TextStyle& style);
// Centred horizontally on cx, vertically centred on the cap height around cy.
void drawTextCentered(Raster& target, float cx, float cy, const std::string& text, const TextStyle& style);
