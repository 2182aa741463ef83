// Floating-point RGBA canvas the generator paints on, with anti-aliased shape filling by
// 4x4 supersampling, gradients, value noise and straight-alpha compositing. Slow but
// simple; pictures are small (at most a 240 x 320 page), so clarity wins over speed.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

struct Rgba {
  float r = 0, g = 0, b = 0, a = 0;  // 0..1 straight alpha
};

inline Rgba rgb(int hex, float alpha = 1.0f) {
  return {((hex >> 16) & 255) / 255.0f, ((hex >> 8) & 255) / 255.0f, (hex & 255) / 255.0f, alpha};
}
Rgba mix(const Rgba& a, const Rgba& b, float t);

class Raster {
 public:
  Raster() = default;
  Raster(int width, int height, Rgba fill = {});
  int width() const { return w_; }
  int height() const { return h_; }
  Rgba& at(int x, int y) { return px_[size_t(y) * w_ + x]; }
  const Rgba& at(int x, int y) const { return px_[size_t(y) * w_ + x]; }
  bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < w_ && y < h_; }

  // Paints colour c over pixel (x, y) with the given coverage (0..1).
  void blend(int x, int y, Rgba c, float coverage = 1.0f);
  void fill(Rgba c);
  // Anti-aliased fill of every point where inside(x, y) holds, within the box; paint gives
  // the colour at a point (gradients, textures).
  void fillShape(float x0, float y0, float x1, float y1, const std::function<bool(float, float)>& inside,
                 const std::function<Rgba(float, float)>& paint);
  void fillRect(float x, float y, float w, float h, Rgba c);
  void fillRoundRect(float x, float y, float w, float h, float radius, const std::function<Rgba(float, float)>& paint);
  void fillRoundRect(float x, float y, float w, float h, float radius, Rgba c);
  void fillEllipse(float cx, float cy, float rx, float ry, Rgba c);
  void fillPolygon(const std::vector<float>& xy, Rgba c);
  void fillPolygon(const std::vector<float>& xy, const std::function<Rgba(float, float)>& paint);
  void strokeLine(float x0, float y0, float x1, float y1, float width, Rgba c);
  void strokeRoundRect(float x, float y, float w, float h, float radius, float width, Rgba c);
  void strokeEllipse(float cx, float cy, float rx, float ry, float width, Rgba c);
  void verticalGradient(float y0, float y1, Rgba top, Rgba bottom);
  void draw(const Raster& src, int dx, int dy, float opacity = 1.0f);
  // Copy scaled by box filter/bilinear to the given size.
  Raster scaled(int w, int h) const;
  Raster crop(int x, int y, int w, int h) const;
  // Everything below this alpha becomes fully transparent, the rest opaque (for colour keys).
  void hardenAlpha(float threshold = 0.5f);
  // Blurs the alpha channel (box blur, radius in pixels) - used for shadows and glows.
  Raster blurred(int radius) const;

 private:
  int w_ = 0, h_ = 0;
  std::vector<Rgba> px_;
};

// Deterministic noise helpers (integer hash based, no global state).
uint32_t hash32(uint32_t x);
float hashUnit(int x, int y, uint32_t seed);           // 0..1 per lattice point
float valueNoise(float x, float y, uint32_t seed);     // smooth 0..1
float fbm(float x, float y, uint32_t seed, int octaves);

// Small deterministic random generator for the composers and scene painters.
class Rng {
 public:
  explicit Rng(uint32_t seed) : s_(seed * 2654435761u + 12345u) {}
  uint32_t next() {
    s_ ^= s_ << 13;
    s_ ^= s_ >> 17;
    s_ ^= s_ << 5;
    return s_;
  }
  float unit() { return (next() >> 8) / 16777216.0f; }
  float range(float a, float b) { return a + (b - a) * unit(); }
  int below(int n) { return n <= 0 ? 0 : int(next() % uint32_t(n)); }

 private:
  uint32_t s_;
};
