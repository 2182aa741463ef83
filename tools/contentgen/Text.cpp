// FreeType text rendering for the content generator: glyphs are rasterised with light
// hinting at sub-pixel pen positions into a coverage mask, which is composited with an
// optional outline (the mask dilated by a disc) and drop shadow. Kerning from the face.
#include "Text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

FT_Library library = nullptr;
FT_Face faces[5] = {};
const char* faceFiles[5] = {"LiberationSans-Regular.ttf", "LiberationSans-Bold.ttf", "LiberationSansNarrow-Bold.ttf",
                            "LiberationMono-Bold.ttf", "LiberationSerif-Bold.ttf"};

FT_Face faceFor(const TextStyle& s) {
  FT_Face f = faces[int(s.face)];
  FT_Set_Char_Size(f, 0, FT_F26Dot6(s.pixelHeight * 64), 72, 72);
  return f;
}

// Coverage mask of a line of text, 4x horizontally oversampled positioning, plus origin.
struct Mask {
  int w = 0, h = 0, originX = 0, baseline = 0;
  std::vector<float> a;
};

Mask renderMask(const std::string& text, const TextStyle& s, int pad) {
  FT_Face f = faceFor(s);
  int asc = int(std::ceil(f->size->metrics.ascender / 64.0)) + 1;
  int desc = int(std::ceil(-f->size->metrics.descender / 64.0)) + 1;
  float width = textWidth(text, s);
  Mask m;
  m.originX = pad;
  m.baseline = asc + pad;
  m.w = int(std::ceil(width)) + 2 * pad + 4;
  m.h = asc + desc + 2 * pad;
  m.a.assign(size_t(m.w) * m.h, 0.0f);
  float pen = 0;
  FT_UInt prev = 0;
  for (unsigned char ch : text) {
    FT_UInt gi = FT_Get_Char_Index(f, ch);
    if (prev && gi && FT_HAS_KERNING(f)) {
      FT_Vector k;
      FT_Get_Kerning(f, prev, gi, FT_KERNING_DEFAULT, &k);
      pen += k.x / 64.0f;
    }
    FT_Vector shift = {FT_Pos((pen - std::floor(pen)) * 64), 0};
    FT_Set_Transform(f, nullptr, &shift);
    if (FT_Load_Glyph(f, gi, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) == 0) {
      FT_GlyphSlot g = f->glyph;
      int gx = m.originX + int(std::floor(pen)) + g->bitmap_left;
      int gy = m.baseline - g->bitmap_top;
      for (unsigned r = 0; r < g->bitmap.rows; ++r)
        for (unsigned c = 0; c < g->bitmap.width; ++c) {
          int x = gx + int(c), y = gy + int(r);
          if (x < 0 || y < 0 || x >= m.w || y >= m.h) continue;
          float v = g->bitmap.buffer[r * g->bitmap.pitch + c] / 255.0f;
          float& d = m.a[size_t(y) * m.w + x];
          d = std::min(1.0f, d + v);
        }
      pen += g->advance.x / 64.0f;
    }
    prev = gi;
  }
  FT_Set_Transform(f, nullptr, nullptr);
  return m;
}

}  // namespace

bool textInit(const std::string& folder) {
  if (FT_Init_FreeType(&library) != 0) {
    std::fprintf(stderr, "contentgen: FreeType cannot start\n");
    return false;
  }
  for (int i = 0; i < 5; ++i) {
    std::string path = folder + "/" + faceFiles[i];
    if (FT_New_Face(library, path.c_str(), 0, &faces[i]) != 0) {
      std::fprintf(stderr, "contentgen: cannot load font %s\n", path.c_str());
      return false;
    }
  }
  return true;
}

void textShutdown() {
  for (FT_Face& f : faces)
    if (f) FT_Done_Face(f), f = nullptr;
  if (library) FT_Done_FreeType(library), library = nullptr;
}

float textWidth(const std::string& text, const TextStyle& s) {
  FT_Face f = faceFor(s);
  float pen = 0;
  FT_UInt prev = 0;
  for (unsigned char ch : text) {
    FT_UInt gi = FT_Get_Char_Index(f, ch);
    if (prev && gi && FT_HAS_KERNING(f)) {
      FT_Vector k;
      FT_Get_Kerning(f, prev, gi, FT_KERNING_DEFAULT, &k);
      pen += k.x / 64.0f;
    }
    if (FT_Load_Glyph(f, gi, FT_LOAD_DEFAULT | FT_LOAD_TARGET_LIGHT) == 0) pen += f->glyph->advance.x / 64.0f;
    prev = gi;
  }
  return pen;
}

float textAscent(const TextStyle& s) {
  FT_Face f = faceFor(s);
  // Cap height approximated from the glyph 'H'.
  if (FT_Load_Char(f, 'H', FT_LOAD_DEFAULT) == 0) return f->glyph->metrics.horiBearingY / 64.0f;
  return s.pixelHeight * 0.72f;
}

void drawText(Raster& target, float x, float baseline, const std::string& text, const TextStyle& s) {
  int pad = int(std::ceil(s.outlineWidth)) + 2 + std::max(std::abs(s.shadowDx), std::abs(s.shadowDy));
  Mask m = renderMask(text, s, pad);
  int ox = int(std::floor(x)) - m.originX, oy = int(std::floor(baseline)) - m.baseline;
  auto cov = [&](int mx, int my) -> float {
    if (mx < 0 || my < 0 || mx >= m.w || my >= m.h) return 0.0f;
    return m.a[size_t(my) * m.w + mx];
  };
  // Outline: coverage dilated by a disc of the outline width.
  std::vector<float> outline;
  if (s.outline.a > 0 && s.outlineWidth > 0) {
    outline.assign(m.a.size(), 0.0f);
    int r = int(std::ceil(s.outlineWidth));
    for (int y = 0; y < m.h; ++y)
      for (int xx = 0; xx < m.w; ++xx) {
        float best = 0;
        for (int dy = -r; dy <= r; ++dy)
          for (int dx = -r; dx <= r; ++dx) {
            float d = std::sqrt(float(dx * dx + dy * dy));
            float w = std::clamp(s.outlineWidth + 0.5f - d, 0.0f, 1.0f);
            if (w > 0) best = std::max(best, cov(xx + dx, y + dy) * w);
          }
        outline[size_t(y) * m.w + xx] = best;
      }
  }
  const std::vector<float>& body = outline.empty() ? m.a : outline;
  if (s.shadow.a > 0)
    for (int y = 0; y < m.h; ++y)
      for (int xx = 0; xx < m.w; ++xx) {
        float c = body[size_t(y) * m.w + xx];
        if (c > 0) target.blend(ox + xx + s.shadowDx, oy + y + s.shadowDy, s.shadow, c);
      }
  if (!outline.empty())
    for (int y = 0; y < m.h; ++y)
      for (int xx = 0; xx < m.w; ++xx) {
        float c = outline[size_t(y) * m.w + xx];
        if (c > 0) target.blend(ox + xx, oy + y, s.outline, c);
      }
  float top = float(m.baseline) - textAscent(s), bottom = float(m.baseline);
  for (int y = 0; y < m.h; ++y) {
    Rgba fill = s.fill;
    if (s.fillBottom.a > 0) fill = mix(s.fill, s.fillBottom, std::clamp((y - top) / (bottom - top), 0.0f, 1.0f));
    for (int xx = 0; xx < m.w; ++xx) {
      float c = m.a[size_t(y) * m.w + xx];
      if (c > 0) target.blend(ox + xx, oy + y, fill, c);
    }
  }
}

void drawTextCentered(Raster& target, float cx, float cy, const std::string& text, const TextStyle& s) {
  float w = textWidth(text, s);
  drawText(target, cx - w / 2, cy + textAscent(s) / 2, text, s);
}
