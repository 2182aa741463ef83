// FreeType text for the GDI layer: maps face names onto the Liberation font files,
// sizes them the way GDI reads a font height (negative: character height, positive: cell
// height), caches rendered glyphs per instance and blends their coverage into 16- or
// 32-bit surfaces. Fonts are used on the UI thread only.
#include "platform/Fonts.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>
#include <unordered_map>
#include <vector>

#include "platform/GdiPixels.h"

namespace os {
namespace fonts {

namespace {

const char* const FontFolders[] = {
    "/usr/share/fonts/truetype/liberation/",   // Debian's fonts-liberation
    "/usr/share/fonts/truetype/liberation2/",
    "/usr/share/fonts/liberation/",            // other distributions' layouts
    "/usr/share/fonts/TTF/",
};
// Used when the wanted file is missing: the stock face, then any common sans face.
const char* const FallbackFiles[] = {
    "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
    "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
};

FT_Library library() {
  static FT_Library lib = nullptr;
  static bool tried = false;
  if (!tried) {
    tried = true;
    if (FT_Init_FreeType(&lib) != 0) lib = nullptr;
  }
  return lib;
}

struct Glyph {
  int32_t left = 0;     // from the pen position to the first column
  int32_t top = 0;      // from the baseline up to the first row
  int32_t width = 0;
  int32_t rows = 0;
  int32_t advance = 0;  // pixels
  std::vector<uint8_t> coverage;
};

// The family file stem for a face name: serif and monospace names by their usual
// words, everything else (Arial, Tahoma, unknown names) the sans family.
std::string familyFor(WStringView face) {
  std::string lower;
  for (char16_t c : face) lower += char(toLowerAscii(c) < 0x80 ? toLowerAscii(c) : '?');
  auto has = [&](const char* word) { return lower.find(word) != std::string::npos; };
  if (has("mono") || has("courier") || has("console") || has("fixed")) return "LiberationMono";
  if (has("sans")) return "LiberationSans";
  if (has("times") || has("serif") || has("roman") || has("georgia")) return "LiberationSerif";
  return "LiberationSans";
}

}  // namespace

struct FontInstance {
  FT_Face face = nullptr;
  LOGFONT request;
  TEXTMETRIC tm;
  int32_t underlinePos = 1;  // pixels below the baseline
  int32_t underlineThickness = 1;
  std::unordered_map<uint32_t, Glyph> glyphs;
};

namespace {

FT_Face openFace(const LOGFONT& request) {
  FT_Library lib = library();
  if (!lib) return nullptr;
  bool bold = request.weight >= 600;
  const char* style = bold ? (request.italic ? "-BoldItalic" : "-Bold") : (request.italic ? "-Italic" : "-Regular");
  std::string stem = familyFor(request.faceName) + style + ".ttf";
  FT_Face face = nullptr;
  for (const char* folder : FontFolders) {
    if (FT_New_Face(lib, (std::string(folder) + stem).c_str(), 0, &face) == 0) return face;
  }
  for (const char* file : FallbackFiles) {
    if (FT_New_Face(lib, file, 0, &face) == 0) return face;
  }
  return nullptr;
}

const Glyph& glyphFor(FontInstance* font, uint32_t codePoint) {
  auto found = font->glyphs.find(codePoint);
  if (found != font->glyphs.end()) return found->second;
  Glyph& g = font->glyphs[codePoint];
  if (FT_Load_Char(font->face, codePoint, FT_LOAD_RENDER) != 0) return g;
  FT_GlyphSlot slot = font->face->glyph;
  g.advance = int32_t((slot->advance.x + 32) >> 6);
  g.left = slot->bitmap_left;
  g.top = slot->bitmap_top;
  const FT_Bitmap& bm = slot->bitmap;
  g.width = int32_t(bm.width);
  g.rows = int32_t(bm.rows);
  g.coverage.assign(size_t(g.width) * size_t(g.rows), 0);
  for (int32_t r = 0; r < g.rows; ++r) {
    const unsigned char* row = bm.buffer + intptr_t(r) * bm.pitch;
    for (int32_t c = 0; c < g.width; ++c) {
      uint8_t v;
      if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
        v = (row[c >> 3] & (0x80 >> (c & 7))) ? 255 : 0;
      } else {
        v = row[c];
      }
      g.coverage[size_t(r) * size_t(g.width) + size_t(c)] = v;
    }
  }
  return g;
}

// Decodes one code point from UTF-16, advancing i.
uint32_t nextCodePoint(WStringView text, size_t& i) {
  uint32_t c = text[i++];
  if (c >= 0xD800 && c < 0xDC00 && i < text.size() && text[i] >= 0xDC00 && text[i] < 0xE000) {
    c = 0x10000 + ((c - 0xD800) << 10) + (uint32_t(text[i]) - 0xDC00);
    ++i;
  }
  return c;
}

}  // namespace

FontInstance* open(const LOGFONT& request) {
  FT_Face face = openFace(request);
  if (!face) return nullptr;
  FontInstance* font = new FontInstance;
  font->face = face;
  font->request = request;
  // GDI reads a positive height as the cell (ascent + descent), a negative one as the
  // character height; zero asks for a default size.
  int32_t pixelSize;
  if (request.height < 0) {
    pixelSize = -request.height;
  } else {
    int32_t cell = request.height == 0 ? 16 : request.height;
    int32_t units = face->ascender - face->descender;
    pixelSize = units > 0 ? int32_t((int64_t(cell) * face->units_per_EM + units / 2) / units) : cell;
  }
  if (pixelSize < 1) pixelSize = 1;
  if (pixelSize > 1000) pixelSize = 1000;
  FT_Set_Pixel_Sizes(face, 0, FT_UInt(pixelSize));
  const FT_Size_Metrics& m = face->size->metrics;
  TEXTMETRIC& tm = font->tm;
  tm.ascent = int32_t((m.ascender + 63) >> 6);
  tm.descent = int32_t((-m.descender + 63) >> 6);
  tm.height = tm.ascent + tm.descent;
  tm.internalLeading = tm.height > pixelSize ? tm.height - pixelSize : 0;
  int32_t lineGap = int32_t((m.height + 63) >> 6) - tm.height;
  tm.externalLeading = lineGap > 0 ? lineGap : 0;
  tm.maxCharWidth = int32_t((m.max_advance + 63) >> 6);
  tm.aveCharWidth = glyphFor(font, 'x').advance;
  tm.weight = request.weight == 0 ? FW_NORMAL : request.weight;
  tm.italic = request.italic;
  tm.underlined = request.underline;
  if (face->units_per_EM > 0) {
    int32_t pos = int32_t(-int64_t(face->underline_position) * pixelSize / face->units_per_EM);
    int32_t thick = int32_t(int64_t(face->underline_thickness) * pixelSize / face->units_per_EM);
    font->underlinePos = pos > 0 ? pos : 1;
    font->underlineThickness = thick > 0 ? thick : 1;
  }
  return font;
}

void close(FontInstance* font) {
  if (!font) return;
  FT_Done_Face(font->face);
  delete font;
}

void metrics(const FontInstance* font, TEXTMETRIC& out) { out = font->tm; }

int32_t textWidth(FontInstance* font, WStringView text) {
  int32_t width = 0;
  for (size_t i = 0; i < text.size();) width += glyphFor(font, nextCodePoint(text, i)).advance;
  return width;
}

void drawLine(FontInstance* font, const PixelSurface& surface, const RECT& clip, int32_t x, int32_t y,
              WStringView text, COLORREF colour) {
  int32_t baseline = y + font->tm.ascent;
  int32_t penX = x;
  for (size_t i = 0; i < text.size();) {
    const Glyph& g = glyphFor(font, nextCodePoint(text, i));
    int32_t gx = penX + g.left;
    int32_t gy = baseline - g.top;
    for (int32_t r = 0; r < g.rows; ++r) {
      int32_t py = gy + r;
      if (py < clip.top || py >= clip.bottom) continue;
      const uint8_t* cov = g.coverage.data() + size_t(r) * size_t(g.width);
      for (int32_t c = 0; c < g.width; ++c) {
        int32_t px = gx + c;
        if (px < clip.left || px >= clip.right) continue;
        gdipixels::blend(surface, px, py, colour, cov[c]);
      }
    }
    penX += g.advance;
  }
  if (font->request.underline) {
    for (int32_t t = 0; t < font->underlineThickness; ++t) {
      int32_t py = baseline + font->underlinePos + t;
      if (py < clip.top || py >= clip.bottom) continue;
      for (int32_t px = x; px < penX; ++px) {
        if (px >= clip.left && px < clip.right) gdipixels::blend(surface, px, py, colour, 255);
      }
    }
  }
}

}  // namespace fonts
}  // namespace os
