// Painting primitives of the content generator: straight-alpha blending, shapes filled by
// 4x4 supersampling of an inside test, box-filtered scaling and integer-hash noise.
// Deterministic on every machine: no global state, no time, no platform random numbers.
#include "Raster.h"

#include <algorithm>
#include <cmath>

Rgba mix(const Rgba& a, const Rgba& b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Raster::Raster(int width, int height, Rgba fill) : w_(width), h_(height), px_(size_t(width) * height, fill) {}

void Raster::blend(int x, int y, Rgba c, float coverage) {
  if (!inside(x, y)) return;
  float a = c.a * coverage;
  if (a <= 0) return;
  Rgba& d = at(x, y);
  float outA = a + d.a * (1 - a);
  if (outA <= 1e-6f) {
    d = {};
    return;
  }
  d.r = (c.r * a + d.r * d.a * (1 - a)) / outA;
  d.g = (c.g * a + d.g * d.a * (1 - a)) / outA;
  d.b = (c.b * a + d.b * d.a * (1 - a)) / outA;
  d.a = outA;
}

void Raster::fill(Rgba c) { std::fill(px_.begin(), px_.end(), c); }

void Raster::fillShape(float x0, float y0, float x1, float y1, const std::function<bool(float, float)>& in,
                       const std::function<Rgba(float, float)>& paint) {
  int ix0 = std::max(0, int(std::floor(x0))), iy0 = std::max(0, int(std::floor(y0)));
  int ix1 = std::min(w_ - 1, int(std::ceil(x1))), iy1 = std::min(h_ - 1, int(std::ceil(y1)));
  for (int y = iy0; y <= iy1; ++y)
    for (int x = ix0; x <= ix1; ++x) {
      int hits = 0;
      for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx)
          if (in(x + (sx + 0.5f) / 4, y + (sy + 0.5f) / 4)) ++hits;
      if (hits) blend(x, y, paint(x + 0.5f, y + 0.5f), hits / 16.0f);
    }
}

void Raster::fillRect(float x, float y, float w, float h, Rgba c) {
  fillShape(x, y, x + w, y + h, [&](float px, float py) { return px >= x && px < x + w && py >= y && py < y + h; },
            [&](float, float) { return c; });
}

static bool inRoundRect(float px, float py, float x, float y, float w, float h, float r) {
  if (px < x || py < y || px >= x + w || py >= y + h) return false;
  float cx = std::clamp(px, x + r, x + w - r), cy = std::clamp(py, y + r, y + h - r);
  float dx = px - cx, dy = py - cy;
  return dx * dx + dy * dy <= r * r;
}

void Raster::fillRoundRect(float x, float y, float w, float h, float r, const std::function<Rgba(float, float)>& paint) {
  fillShape(x, y, x + w, y + h, [&](float px, float py) { return inRoundRect(px, py, x, y, w, h, r); }, paint);
}

void Raster::fillRoundRect(float x, float y, float w, float h, float r, Rgba c) {
  fillRoundRect(x, y, w, h, r, [&](float, float) { return c; });
}

void Raster::strokeRoundRect(float x, float y, float w, float h, float r, float t, Rgba c) {
  fillShape(x, y, x + w, y + h,
            [&](float px, float py) {
              return inRoundRect(px, py, x, y, w, h, r) &&
                     !inRoundRect(px, py, x + t, y + t, w - 2 * t, h - 2 * t, std::max(0.0f, r - t));
            },
            [&](float, float) { return c; });
}

void Raster::fillEllipse(float cx, float cy, float rx, float ry, Rgba c) {
  fillShape(cx - rx, cy - ry, cx + rx, cy + ry,
            [&](float px, float py) {
              float dx = (px - cx) / rx, dy = (py - cy) / ry;
              return dx * dx + dy * dy <= 1;
            },
            [&](float, float) { return c; });
}

void Raster::strokeEllipse(float cx, float cy, float rx, float ry, float t, Rgba c) {
  fillShape(cx - rx, cy - ry, cx + rx, cy + ry,
            [&](float px, float py) {
              float dx = (px - cx) / rx, dy = (py - cy) / ry;
              float ix = (px - cx) / (rx - t), iy = (py - cy) / (ry - t);
              return dx * dx + dy * dy <= 1 && ix * ix + iy * iy > 1;
            },
            [&](float, float) { return c; });
}

static bool inPolygon(const std::vector<float>& p, float x, float y) {
  bool in = false;
  size_t n = p.size() / 2;
  for (size_t i = 0, j = n - 1; i < n; j = i++) {
    float xi = p[2 * i], yi = p[2 * i + 1], xj = p[2 * j], yj = p[2 * j + 1];
    if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
  }
  return in;
}

void Raster::fillPolygon(const std::vector<float>& xy, const std::function<Rgba(float, float)>& paint) {
  float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
  for (size_t i = 0; i + 1 < xy.size(); i += 2) {
    x0 = std::min(x0, xy[i]), x1 = std::max(x1, xy[i]);
    y0 = std::min(y0, xy[i + 1]), y1 = std::max(y1, xy[i + 1]);
  }
  fillShape(x0, y0, x1, y1, [&](float x, float y) { return inPolygon(xy, x, y); }, paint);
}

void Raster::fillPolygon(const std::vector<float>& xy, Rgba c) {
  fillPolygon(xy, [&](float, float) { return c; });
}

void Raster::strokeLine(float x0, float y0, float x1, float y1, float t, Rgba c) {
  float dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
  float r = t / 2;
  fillShape(std::min(x0, x1) - r, std::min(y0, y1) - r, std::max(x0, x1) + r, std::max(y0, y1) + r,
            [&](float px, float py) {
              float u = len2 > 0 ? std::clamp(((px - x0) * dx + (py - y0) * dy) / len2, 0.0f, 1.0f) : 0;
              float ex = x0 + u * dx - px, ey = y0 + u * dy - py;
              return ex * ex + ey * ey <= r * r;
            },
            [&](float, float) { return c; });
}

void Raster::verticalGradient(float y0, float y1, Rgba top, Rgba bottom) {
  for (int y = 0; y < h_; ++y) {
    float t = std::clamp((y + 0.5f - y0) / (y1 - y0), 0.0f, 1.0f);
    Rgba c = mix(top, bottom, t);
    for (int x = 0; x < w_; ++x) blend(x, y, c);
  }
}

void Raster::draw(const Raster& src, int dx, int dy, float opacity) {
  for (int y = 0; y < src.h_; ++y)
    for (int x = 0; x < src.w_; ++x) blend(dx + x, dy + y, src.at(x, y), opacity);
}

Raster Raster::scaled(int w, int h) const {
  Raster out(w, h);
  float sx = float(w_) / w, sy = float(h_) / h;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      // Box filter over the source footprint (works for shrinking and mild enlarging).
      float fx0 = x * sx, fy0 = y * sy, fx1 = fx0 + std::max(sx, 1.0f), fy1 = fy0 + std::max(sy, 1.0f);
      float r = 0, g = 0, b = 0, a = 0, n = 0;
      for (int yy = int(fy0); yy < int(std::ceil(fy1)) && yy < h_; ++yy)
        for (int xx = int(fx0); xx < int(std::ceil(fx1)) && xx < w_; ++xx) {
          const Rgba& p = at(xx, yy);
          r += p.r * p.a, g += p.g * p.a, b += p.b * p.a, a += p.a, n += 1;
        }
      if (n > 0 && a > 0) out.at(x, y) = {r / a, g / a, b / a, a / n};
    }
  return out;
}

Raster Raster::crop(int x0, int y0, int w, int h) const {
  Raster out(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (inside(x0 + x, y0 + y)) out.at(x, y) = at(x0 + x, y0 + y);
  return out;
}

void Raster::hardenAlpha(float threshold) {
  for (Rgba& p : px_) p.a = p.a >= threshold ? 1.0f : 0.0f;
}

Raster Raster::blurred(int radius) const {
  Raster tmp(w_, h_), out(w_, h_);
  for (int y = 0; y < h_; ++y)
    for (int x = 0; x < w_; ++x) {
      float a = 0;
      for (int k = -radius; k <= radius; ++k) {
        int xx = std::clamp(x + k, 0, w_ - 1);
        a += at(xx, y).a;
      }
      tmp.at(x, y) = {0, 0, 0, a / (2 * radius + 1)};
    }
  for (int y = 0; y < h_; ++y)
    for (int x = 0; x < w_; ++x) {
      float a = 0;
      for (int k = -radius; k <= radius; ++k) a += tmp.at(x, std::clamp(y + k, 0, h_ - 1)).a;
      out.at(x, y) = {0, 0, 0, a / (2 * radius + 1)};
    }
  return out;
}

uint32_t hash32(uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  x *= 0x846ca68bU;
  x ^= x >> 16;
  return x;
}

float hashUnit(int x, int y, uint32_t seed) {
  return (hash32(uint32_t(x) * 73856093u ^ hash32(uint32_t(y) * 19349663u ^ seed)) >> 8) / 16777216.0f;
}

float valueNoise(float x, float y, uint32_t seed) {
  int ix = int(std::floor(x)), iy = int(std::floor(y));
  float fx = x - ix, fy = y - iy;
  fx = fx * fx * (3 - 2 * fx);
  fy = fy * fy * (3 - 2 * fy);
  float a = hashUnit(ix, iy, seed), b = hashUnit(ix + 1, iy, seed);
  float c = hashUnit(ix, iy + 1, seed), d = hashUnit(ix + 1, iy + 1, seed);
  return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}

float fbm(float x, float y, uint32_t seed, int octaves) {
  float sum = 0, amp = 0.5f, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amp * valueNoise(x, y, seed + uint32_t(i) * 101u);
    norm += amp;
    x *= 2.03f, y *= 2.03f, amp *= 0.5f;
  }
  return sum / norm;
}
