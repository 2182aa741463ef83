// FreeType text for the GDI layer (private to the platform): a font instance is one face
// file at one pixel size with a cache of rendered glyphs. Faces map to the Liberation
// fonts by name; a face that cannot be loaded falls back to the stock font's file.
// Only the Basic Multilingual Plane is drawn; no kerning, no hinting beyond FreeType's.
#pragma once

#include <cstdint>

#include "platform/Gdi.h"

namespace os {
namespace fonts {

struct FontInstance;

// A new instance for the request; null only when no font file at all can be loaded.
FontInstance* open(const LOGFONT& request);
void close(FontInstance* font);

void metrics(const FontInstance* font, TEXTMETRIC& out);
// Width in pixels of the text on one line.
int32_t textWidth(FontInstance* font, WStringView text);
// Draws one line with its top at y (the cell top, as GDI's text out). Glyph coverage is
// blended with the colour; only pixels inside clip (surface coordinates) are written.
void drawLine(FontInstance* font, const PixelSurface& surface, const RECT& clip, int32_t x, int32_t y,
              WStringView text, COLORREF colour);

}  // namespace fonts
}  // namespace os
