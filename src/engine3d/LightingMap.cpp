// Lighting map build: float set-up work, one power function per light and entry.
#include "engine3d/LightingMap.h"

#include <cmath>

#include "engine3d/Fixed.h"
#include "engine3d/Vector3.h"

namespace {

uint32_t pack(int r, int g, int b, int bits) {
  if (bits == 16) return uint32_t(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
  return uint32_t((r << 16) | (g << 8) | b);
}

int clampByte(int v) { return v > 255 ? 255 : v; }

}  // namespace

void LightingMap::build(std::vector<LightRecord>& lights, uint32_t ambient, int bits) {
  bits_ = bits == 16 ? 16 : 32;
  struct Prepared {
    int dr, dg, db, sr, sg, sb;
    float strength, exponent;
  };
  // A handful of lights at most; set-up work, so the small vector is fine here.
  std::vector<Prepared> prepared;
  prepared.reserve(lights.size());
  for (LightRecord& light : lights) {
    Prepared p;
    p.dr = int((light.diffuse >> 16) & 0xFF);
    p.dg = int((light.diffuse >> 8) & 0xFF);
    p.db = int(light.diffuse & 0xFF);
    p.sr = int((light.specular >> 16) & 0xFF);
    p.sg = int((light.specular >> 8) & 0xFF);
    p.sb = int(light.specular & 0xFF);
    p.strength = float(light.specularLevel) * (1.0f / 255.0f);
    float s = float(light.shininess) * (1.0f / 4096.0f);
    p.exponent = 1.0f / (s > 0.01f ? s : 0.01f);
    prepared.push_back(p);
  }
  const int ar = int((ambient >> 16) & 0xFF), ag = int((ambient >> 8) & 0xFF), ab = int(ambient & 0xFF);
  for (int row = 0; row < Size; ++row) {
    for (int column = 0; column < Size; ++column) {
      float x = float(column - 32) / 32.0f;
      float y = float(row - 32) / 32.0f;
      float z = 1.0f - fixedSqrt(x * x + y * y, 30);
      if (z < 0) z = 0;
      int dr = ar, dg = ag, db = ab, sr = 0, sg = 0, sb = 0;
      for (size_t i = 0; i < lights.size(); ++i) {
        Vector3 n{x, y, z};
        float d = cosineBetween(n, lights[i].direction);
        int k = truncToInt(double(d * 255.0f));
        if (k < 1) k = 0;
        const Prepared& p = prepared[i];
        dr += (p.dr * k) >> 8;
        dg += (p.dg * k) >> 8;
        db += (p.db * k) >> 8;
        double power = std::pow(double(float(k) * (1.0f / 255.0f)), double(p.exponent));
        float w = p.strength * float(power);
        sr += truncToInt(double(float(p.sr) * w));
        sg += truncToInt(double(float(p.sg) * w));
        sb += truncToInt(double(float(p.sb) * w));
      }
      diffuse_[row * Size + column] = pack(clampByte(dr), clampByte(dg), clampByte(db), bits_);
      specular_[row * Size + column] = pack(clampByte(sr), clampByte(sg), clampByte(sb), bits_);
    }
  }
}
