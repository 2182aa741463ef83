// Clipping safety: thousands of random triangles and lines with screen coordinates over
// the whole clamped range (and attributes over wide ranges) never write outside the
// drawing area, in either pixel format, on the fast path and the general one, with the
// drawing area at the edge of the surface or partly off it.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "RenderTestSupport.h"
#include "engine3d/LightingMap.h"
#include "engine3d/Material.h"
#include "engine3d/Rasterizer.h"

namespace {

struct Random {
  uint32_t state;
  uint32_t next() {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  }
  int range(int lo, int hi) { return lo + int(next() % uint32_t(hi - lo + 1)); }
};

TEST(RasterClip, RandomTrianglesStayInsideTheDrawingArea) {
  const int W = 37, H = 29, G = 8;  // drawing area and guard band around it
  const int OW = W + 2 * G, OH = H + 2 * G;
  for (int bits : {16, 32}) {
    for (int clip : {0, 5}) {  // a scene 5 pixels off the surface on the left and top
      const uint32_t guard = 0xA5A5A5A5u;
      std::vector<uint32_t> pixels(size_t(OW) * OH, guard), depth(size_t(OW) * OH, guard);
      const int step = bits / 8;
      std::vector<LightRecord> lights(1);
      LightingMap map;
      map.build(lights, 0x202020, bits);
      RasterTarget t;
      t.bits = bits;
      t.pitch = OW * step;
      uint8_t* origin = reinterpret_cast<uint8_t*>(pixels.data()) + (G * OW + G) * step;
      t.pixels = origin - (clip * OW + clip) * step;
      t.width = W + clip;
      t.height = H + clip;
      t.clipLeft = clip;
      t.clipTop = clip;
      t.depth = depth.data() + G * OW + G - (clip * OW + clip);
      t.depthPitch = OW;
      t.diffuse = map.diffuse();
      t.specular = map.specular();
      // Inside the area the depth starts far so pixels get drawn.
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) depth[size_t(G + y) * OW + G + x] = 0xFFFFFFFFu;
      Rasterizer r;
      r.create(t);
      FogRecord fog{10, 500, 0x808080};
      r.beginFrame(&fog);
      PictureTexture tex(16, 8, bits), alpha(16, 8, bits), reflection(32, 16, bits);
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) {
          tex.setRaw(x, y, uint32_t(x * 37 + y));
          alpha.setRaw(x, y, uint32_t(x * 1000 + y * 3));
        }
      Random rnd{uint32_t(bits * 7 + clip)};
      Mesh mesh;
      for (int i = 0; i < 4000; ++i) {
        Material m;
        m.detailLevel = rnd.range(0, 6);
        m.texture = rnd.range(0, 3) ? &tex : nullptr;
        m.alphaTexture = rnd.range(0, 2) == 0 ? &alpha : nullptr;
        m.reflectionMap = rnd.range(0, 2) == 0 ? &reflection : nullptr;
        m.transparency = rnd.range(0, 1) ? 0 : rnd.range(0, 255);
        m.flat = uint8_t(rnd.range(0, 1));
        m.wire = uint8_t(rnd.range(0, 7) == 0);
        m.selfIllumination = rnd.next() & 0xFFFFFF;
        m.specularLevel = rnd.range(0, 400);
        mesh.fogEnabled = uint8_t(rnd.range(0, 1));
        mesh.depthBias = float(rnd.range(-5, 5));
        r.setMaterial(m);
        r.setMesh(mesh);
        r.depthWrite = rnd.range(0, 1) != 0;
        r.setFaceNormal(rnd.range(-65536, 65536), rnd.range(-65536, 65536), rnd.range(-65536, 65536));
        MeshVertex v[3] = {};
        const int spread = rnd.range(0, 2) == 0 ? 4095 : 60;
        for (MeshVertex& p : v) {
          p.sx = rnd.range(-spread - 1, spread);
          p.sy = rnd.range(-spread - 1, spread);
          p.cz = rnd.range(1, 1000) << 16;
          p.u = int32_t(rnd.next()) - (1 << 23);
          p.v = int32_t(rnd.next()) - (1 << 23);
          p.lu = rnd.range(0, 254);
          p.lv = rnd.range(0, 254);
          p.clip = rnd.range(0, 3) == 0 ? 64 : 0;
        }
        r.setVertices(&v[0], &v[1], &v[2]);
        r.drawTriangle();
        if (i % 4 == 0) r.drawLine(v[0], v[1], rnd.next() & 0xFFFFFF, 0);
      }
      int drawn = 0;
      for (int y = 0; y < OH; ++y)
        for (int x = 0; x < OW; ++x) {
          const bool inside = x >= G && x < G + W && y >= G && y < G + H;
          const size_t i = size_t(y) * OW + x;
          if (inside) {
            drawn += depth[i] != 0xFFFFFFFFu;
            continue;
          }
          ASSERT_EQ(depth[i], guard) << bits << " " << clip << " " << x << "," << y;
        }
      // Pixel words outside the area (in the pixel format's own layout).
      const uint8_t* bytes = reinterpret_cast<const uint8_t*>(pixels.data());
      for (int y = 0; y < OH; ++y)
        for (int x = 0; x < OW; ++x) {
          const bool inside = x >= G && x < G + W && y >= G && y < G + H;
          if (inside) continue;
          for (int b = 0; b < step; ++b) ASSERT_EQ(bytes[(size_t(y) * OW + x) * step + b], 0xA5) << x << "," << y;
        }
      EXPECT_GT(drawn, W * H / 2);
    }
  }
}

}  // namespace
