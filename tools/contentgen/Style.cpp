// Shared painters of the winter style: the night landscape (aurora, mountain ranges built
// from peaks with lit and shaded faces, forest, snowfield or sea), frosted panels, glossy
// buttons, snowflakes, the logo lettering and the side view of a snow racer.
#include "Style.h"

#include <algorithm>
#include <cmath>


void paintLandscape(Raster& r, const LandscapeParams& p) {
  int w = r.width(), h = r.height();
  float H = float(h);
  r.verticalGradient(0, H * p.horizon, rgb(p.skyTop), rgb(p.skyBottom));
  if (p.stars) {
    for (int i = 0; i < w * h / 180; ++i) {
      float sx = hashUnit(i, 1, p.seed) * (w + 400) - p.pan * 0.1f, sy = hashUnit(i, 2, p.seed) * H * p.horizon;
      sx = std::fmod(sx + 4000, float(w + 40)) - 20;
      float b = hashUnit(i, 3, p.seed);
      r.blend(int(sx), int(sy), rgb(pal::Snow), 0.25f + 0.6f * b * (1 - sy / (H * p.horizon)));
    }
  }
  if (p.aurora) {
    // Curtains of light: a wavy band that fades fast below and slowly upwards, with rays.
    for (int y = 0; y < int(H * p.horizon); ++y)
      for (int x = 0; x < w; ++x) {
        float fx = (x + p.pan * 0.2f) / float(w);
        float centre = H * (0.2f + 0.06f * std::sin(fx * 4.0f + p.seed) + 0.03f * std::sin(fx * 9.0f + 1));
        float d = (y - centre) / (H * (y < centre ? 0.12f : 0.035f));
        float band = std::exp(-d * d);
        float rays = 0.55f + 0.45f * std::sin(fx * 45.0f + 6 * fbm(fx * 4, 0.3f, p.seed, 2));
        float a = std::clamp(band * rays * (0.25f + 0.4f * fbm(fx * 3, 0.7f, p.seed + 5, 2)), 0.0f, 1.0f);
        if (a > 0.01f) r.blend(x, y, mix(rgb(pal::Aurora), rgb(0x7A6BFF), std::clamp(-d * 0.25f, 0.0f, 1.0f)), a);
      }
  }
  // Two mountain ranges built from peaks: lit left faces, shaded right faces, snow caps
  // and snow-filled gullies on the rock below.
  for (int layer = 0; layer < 2; ++layer) {
    float base = H * (p.horizon + layer * 0.1f);
    float height = H * p.mountainHeight * (layer ? 0.7f : 1.0f);
    float parallax = p.pan * (layer ? 0.6f : 0.3f);
    uint32_t seed = p.seed * 7u + uint32_t(layer) * 1013u;
    float spacing = w * (layer ? 0.22f : 0.3f);
    Rgba snowLit = layer ? rgb(0xEAF3FC) : rgb(0xC3D6EC), snowShade = layer ? rgb(0x8EA7CB) : rgb(0x7F97BE);
    Rgba rockLit = layer ? rgb(0x45597C) : rgb(0x5A6F95), rockShade = layer ? rgb(0x26344F) : rgb(0x3A4B6E);
    for (int x = 0; x < w; ++x) {
      float wx = x + parallax;
      int cell = int(std::floor(wx / spacing));
      float best = -1e9f, peakX = 0, peakH = 0;
      for (int k = cell - 3; k <= cell + 3; ++k) {
        float px = (k + 0.2f + 0.6f * hashUnit(k, 1, seed)) * spacing;
        float ph = height * (0.55f + 0.45f * hashUnit(k, 2, seed));
        float slope = 0.75f + 0.6f * hashUnit(k, 3, seed);
        float v = ph - std::fabs(wx - px) * slope;
        if (v > best) best = v, peakX = px, peakH = ph;
      }
      best += (fbm(wx * 0.06f, 0.5f, seed + 3, 3) - 0.5f) * height * 0.18f;
      best = std::max(best, height * 0.12f);
      float top = base - best;
      bool lit = wx < peakX;
      float snowLine = base - peakH + peakH * (0.38f + 0.12f * fbm(wx * 0.05f, 1.5f, seed + 4, 2));
      for (int y = std::max(0, int(top)); y < h; ++y) {
        // Couloirs run down the slope: streak coordinates follow the face's direction.
        float along = wx * 0.16f + (lit ? 0.11f : -0.11f) * y;
        bool snow = y < snowLine || fbm(along, y * 0.02f, seed + 9, 3) > (0.6f + (y - snowLine) * 0.005f);
        Rgba c = snow ? (lit ? snowLit : snowShade) : (lit ? rockLit : rockShade);
        float cov = y == int(top) ? 1 - (top - std::floor(top)) : 1;
        r.blend(x, y, c, cov);
      }
    }
    if (layer == 0)  // haze between the ranges
      for (int y = int(base - height * 0.3f); y < h; ++y)
        for (int x = 0; x < w; ++x)
          r.blend(x, y, rgb(p.skyBottom), std::clamp((y - (base - height * 0.3f)) / (height * 0.4f), 0.0f, 0.55f));
  }
  float groundTop = H * (p.horizon + 0.18f);
  if (p.sea) {
    for (int y = int(groundTop); y < h; ++y)
      for (int x = 0; x < w; ++x) {
        float t = (y - groundTop) / (H - groundTop);
        float wave = valueNoise((x + p.pan) * 0.08f, y * 0.5f, p.seed + 5);
        r.blend(x, y, mix(rgb(0x1D3D66), rgb(0x4F7FB0), wave * 0.6f * (1 - t)));
      }
  } else {
    for (int y = int(groundTop); y < h; ++y)
      for (int x = 0; x < w; ++x) {
        float t = (y - groundTop) / (H - groundTop);
        float n = fbm((x + p.pan) * 0.02f, y * 0.05f, p.seed + 3, 3);
        r.blend(x, y, mix(rgb(0xA9C4E2), rgb(pal::Snow), std::clamp(t * 0.8f + n * 0.3f, 0.0f, 1.0f)));
      }
  }
  if (p.forest) {
    float row = groundTop + 2;
    for (int i = -2; i < w / 7 + 3; ++i) {
      float tx = i * 7.0f + hashUnit(i, 9, p.seed) * 5 - std::fmod(p.pan * 0.8f, 7.0f);
      float th = 9 + hashUnit(i, 10, p.seed) * 12;
      r.fillPolygon({tx, row - th, tx - th * 0.32f, row + 1, tx + th * 0.32f, row + 1}, rgb(pal::Pine));
      r.fillPolygon({tx, row - th, tx - th * 0.12f, row - th * 0.55f, tx + th * 0.08f, row - th * 0.6f},
                    rgb(0xDCEBF8, 0.85f));
    }
  }
}

void paintPanel(Raster& r, float x, float y, float w, float h, float radius, float opacity) {
  r.fillRoundRect(x, y, w, h, radius, [&](float, float py) {
    Rgba c = mix(rgb(0x1C3766), rgb(pal::Night), std::clamp((py - y) / h, 0.0f, 1.0f));
    c.a = opacity;
    return c;
  });
  r.strokeRoundRect(x, y, w, h, radius, 1.5f, rgb(pal::Ice, opacity));
  r.strokeRoundRect(x + 2, y + 2, w - 4, h - 4, std::max(0.0f, radius - 2), 1.0f, rgb(0xFFFFFF, 0.12f * opacity));
}

void paintButton(Raster& r, float x, float y, float w, float h, float radius, bool bright) {
  Rgba top = bright ? rgb(0xFFD27A) : rgb(0x4F7DB8);
  Rgba bottom = bright ? rgb(0xE07A10) : rgb(0x1A3566);
  r.fillRoundRect(x, y, w, h, radius, rgb(pal::Night));
  r.fillRoundRect(x + 1, y + 1, w - 2, h - 2, std::max(0.0f, radius - 1),
                  [&](float, float py) { return mix(top, bottom, std::clamp((py - y) / h, 0.0f, 1.0f)); });
  // Gloss on the upper half.
  r.fillRoundRect(x + 3, y + 2, w - 6, h * 0.42f, std::max(0.0f, radius - 3), rgb(0xFFFFFF, bright ? 0.30f : 0.18f));
  r.strokeRoundRect(x + 1, y + 1, w - 2, h - 2, std::max(0.0f, radius - 1), 1.0f,
                    bright ? rgb(0xFFF1C8) : rgb(pal::Ice, 0.9f));
}

void paintSnowflake(Raster& r, float cx, float cy, float rad, float width, Rgba c) {
  for (int k = 0; k < 6; ++k) {
    float a = float(M_PI) / 3 * k;
    float ex = cx + std::cos(a) * rad, ey = cy + std::sin(a) * rad;
    r.strokeLine(cx, cy, ex, ey, width, c);
    for (float f : {0.55f, 0.8f}) {
      float bx = cx + std::cos(a) * rad * f, by = cy + std::sin(a) * rad * f;
      float len = rad * (f < 0.6f ? 0.32f : 0.2f);
      for (float s : {-0.6f, 0.6f})
        r.strokeLine(bx, by, bx + std::cos(a + s) * len, by + std::sin(a + s) * len, width * 0.8f, c);
    }
  }
}

void paintLogo(Raster& r, float cx, float baseline, float size, float opacity) {
  TextStyle big;
  big.face = Face::SansBold;
  big.pixelHeight = size;
  big.fill = rgb(0xFFFFFF, opacity);
  big.fillBottom = rgb(0x9CCBF0, opacity);
  big.outline = rgb(pal::Night, opacity);
  big.outlineWidth = std::max(1.0f, size / 16);
  big.shadow = rgb(0x000000, 0.5f * opacity);
  big.shadowDx = 2, big.shadowDy = 2;
  float w = textWidth("KESTRUNE", big);
  drawText(r, cx - w / 2, baseline, "KESTRUNE", big);
  TextStyle small = big;
  small.pixelHeight = size * 0.42f;
  small.fill = rgb(pal::Amber, opacity);
  small.fillBottom = rgb(0xFF8A2A, opacity);
  small.outlineWidth = std::max(1.0f, size / 24);
  float sw = textWidth("-  DADUZE  -", small);
  drawText(r, cx - sw / 2, baseline + size * 0.52f, "-  DADUZE  -", small);
}

void paintRacer(Raster& r, float x, float y, float s, int bodyColour) {
  // Coordinates in a 64 x 28 box, nose to the left, ground at y + 26s.
  auto P = [&](std::initializer_list<float> pts) {
    std::vector<float> v(pts);
    for (size_t i = 0; i < v.size(); i += 2) v[i] = x + v[i] * s, v[i + 1] = y + v[i + 1] * s;
    return v;
  };
  Rgba body = rgb(bodyColour), dark = mix(rgb(bodyColour), rgb(0x000000), 0.45f);
  // Ski and track.
  r.fillPolygon(P({2, 24, 8, 21, 30, 21, 30, 24, 6, 26}), rgb(0x222831));
  r.fillRoundRect(x + 30 * s, y + 17 * s, 30 * s, 9 * s, 4 * s, rgb(0x1B1F26));
  for (int i = 0; i < 5; ++i) r.fillEllipse(x + (34 + i * 5.5f) * s, y + 21.5f * s, 2.2f * s, 2.2f * s, rgb(0x59616E));
  // Body shell.
  r.fillPolygon(P({4, 16, 14, 9, 34, 7, 50, 9, 60, 14, 60, 19, 6, 20}), [&](float, float py) {
    return mix(body, dark, std::clamp((py - (y + 7 * s)) / (13 * s), 0.0f, 1.0f));
  });
  r.fillPolygon(P({8, 15, 16, 11, 30, 10, 26, 14}), rgb(0xFFFFFF, 0.35f));  // highlight
  // Windscreen and rider.
  r.fillPolygon(P({22, 8, 28, 1, 32, 1, 30, 8}), rgb(0xA8D8FF, 0.85f));
  r.fillPolygon(P({34, 8, 36, -1, 44, -2, 46, 8}), rgb(0x23324A));
  r.fillEllipse(x + 40 * s, y - 5 * s, 4.6f * s, 4.6f * s, rgb(0xF2F2F2));
  r.fillPolygon(P({35.5f, -5, 40, -6.5f, 40, -3, 36, -3}), rgb(0x25406B));
  r.fillRect(x + 50 * s, y + 11 * s, 6 * s, 2 * s, rgb(0xFFE38A));  // tail stripe
}
