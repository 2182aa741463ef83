// Rasterizer: triangle coverage and clipping, depth and key rules, the colour pipeline of
// both pixel formats (detail levels, fog, alpha, reflection maps), wire-frame lines.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "RenderTestSupport.h"
#include "engine3d/LightingMap.h"
#include "engine3d/Material.h"
#include "engine3d/Rasterizer.h"

namespace {

// A raw frame buffer with its depth buffer and lighting map, bound to a Rasterizer.
struct Frame {
  int bits, width, height;
  std::vector<uint32_t> pixels;  // one 32-bit word per pixel; 16-bit frames use half
  std::vector<uint32_t> depth;
  LightingMap map;
  Rasterizer raster;
  Mesh mesh;

  Frame(int bits, int w = 32, int h = 32, uint32_t ambient = 0xFFFFFF)
      : bits(bits), width(w), height(h), pixels(size_t(w) * h, 0), depth(size_t(w) * h, 0xFFFFFFFFu) {
    std::vector<LightRecord> none;
    map.build(none, ambient, bits);
    bind();
  }
  void bind() {
    RasterTarget t;
    t.pixels = reinterpret_cast<uint8_t*>(pixels.data());
    t.bits = bits;
    t.pitch = width * (bits / 8);
    t.width = width;
    t.height = height;
    t.depth = depth.data();
    t.depthPitch = width;
    t.diffuse = map.diffuse();
    t.specular = map.specular();
    raster.create(t);
  }
  uint32_t pixel(int x, int y) const {
    if (bits == 16) return reinterpret_cast<const uint16_t*>(pixels.data())[y * width + x];
    return pixels[size_t(y) * width + x];
  }
  void setPixel(int x, int y, uint32_t v) {
    if (bits == 16)
      reinterpret_cast<uint16_t*>(pixels.data())[y * width + x] = uint16_t(v);
    else
      pixels[size_t(y) * width + x] = v;
  }
  void fill(uint32_t v) {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) setPixel(x, y, v);
  }
  uint32_t& z(int x, int y) { return depth[size_t(y) * width + x]; }
  void use(const Material& m) {
    raster.setMaterial(m);
    raster.setMesh(mesh);
  }
  void draw(const MeshVertex& a, const MeshVertex& b, const MeshVertex& c) {
    raster.setVertices(&a, &b, &c);
    raster.drawTriangle();
  }
  // Rows that received at least one pixel.
  std::set<int> rowsDrawn() const {
    std::set<int> rows;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if (depth[size_t(y) * width + x] != 0xFFFFFFFFu) rows.insert(y);
    return rows;
  }
};

MeshVertex vertex(int sx, int sy, float depth, int32_t u = 0, int32_t v = 0, int lu = 127, int lv = 127) {
  MeshVertex m{};
  m.sx = sx;
  m.sy = sy;
  m.cz = int32_t(depth * 65536.0f);
  m.u = u;
  m.v = v;
  m.lu = lu;
  m.lv = lv;
  return m;
}

Material plain(uint32_t colour, int level = 1) {
  Material m;
  m.colour = colour;
  m.detailLevel = level;
  return m;
}

// A big triangle that covers the whole 32 x 32 frame at one depth.
void cover(Frame& f, float depth, int32_t uMax = 65536 * 4) {
  MeshVertex a = vertex(-40, -40, depth, 0, 0), b = vertex(100, -40, depth, uMax, 0), c = vertex(-40, 100, depth, 0, uMax);
  f.draw(a, b, c);
}

TEST(Rasterizer, TrianglesOnOneRowDrawNothing) {
  for (int bits : {16, 32}) {
    Frame f(bits);
    Material m = plain(0xFF0000);
    f.use(m);
    MeshVertex a = vertex(1, 5, 10), b = vertex(20, 5, 10), c = vertex(9, 5, 10);
    f.draw(a, b, c);
    EXPECT_TRUE(f.rowsDrawn().empty());
  }
}

TEST(Rasterizer, RowsFromTopVertexToBeforeBottomVertex) {
  Frame f(16, 64, 64);
  Material m = plain(0x00FF00);
  f.use(m);
  MeshVertex a = vertex(10, 10, 10), b = vertex(40, 20, 10), c = vertex(5, 30, 10);
  f.draw(a, b, c);
  std::set<int> expected;
  for (int y = 11; y < 30; ++y) expected.insert(y);
  EXPECT_EQ(f.rowsDrawn(), expected);  // row 10 holds only the apex, row 30 is never drawn

  Frame g(16, 64, 64);
  g.use(m);
  MeshVertex d = vertex(10, 10, 10), e = vertex(40, 10, 10), h = vertex(20, 30, 10);
  g.draw(d, e, h);
  EXPECT_EQ(g.rowsDrawn().count(10), 1u);  // a flat top is drawn on its own row
  EXPECT_EQ(g.rowsDrawn().count(30), 0u);
  // Row 10 spans x = 10 .. 39 exactly.
  EXPECT_NE(g.z(10, 10), 0xFFFFFFFFu);
  EXPECT_NE(g.z(39, 10), 0xFFFFFFFFu);
  EXPECT_EQ(g.z(9, 10), 0xFFFFFFFFu);
  EXPECT_EQ(g.z(40, 10), 0xFFFFFFFFu);
}

TEST(Rasterizer, SpanClippedAtLeftKeepsItsAttributes) {
  for (int bits : {16, 32}) {
    Frame f(bits);
    // An 8-texel texture, each column its own colour.
    PictureTexture tex(8, 1, bits);
    ASSERT_EQ(tex.image->bitsPerPixel(), bits);
    for (int x = 0; x < 8; ++x) tex.setRaw(x, 0, uint32_t(100 + x));
    Material m = plain(0);
    m.texture = &tex;
    f.use(m);
    // Row 0 spans x = -5 .. 2; depth rises by one unit and u by one texel per pixel.
    MeshVertex a = vertex(-5, 0, 100, 0), b = vertex(3, 0, 108, 65536), c = vertex(-5, 16, 100, 0);
    f.draw(a, b, c);
    EXPECT_EQ(f.z(0, 0), 105u << 16);
    EXPECT_EQ(f.z(1, 0), 106u << 16);
    EXPECT_EQ(f.z(2, 0), 107u << 16);
    EXPECT_EQ(f.z(3, 0), 0xFFFFFFFFu);
    EXPECT_EQ(f.pixel(0, 0), 105u);
    EXPECT_EQ(f.pixel(1, 0), 106u);
    EXPECT_EQ(f.pixel(2, 0), 107u);
    EXPECT_EQ(f.pixel(3, 0), 0u);
  }
}

TEST(Rasterizer, TrianglesOutsideTheFrameAreClippedByRowsAndColumns) {
  Frame f(32, 16, 16);
  Material m = plain(0xFFFFFF);
  f.use(m);
  MeshVertex a = vertex(-3000, -3000, 5), b = vertex(3000, -3000, 5), c = vertex(0, 4000, 5);
  f.draw(a, b, c);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(f.pixel(x, y), 0xFFFFFFu) << x << "," << y;
  MeshVertex d = vertex(0, 20, 5), e = vertex(10, 25, 5), g = vertex(5, 40, 5);
  Frame below(32, 16, 16);
  below.use(m);
  below.draw(d, e, g);
  EXPECT_TRUE(below.rowsDrawn().empty());
}

TEST(Rasterizer, KeyColourTexelsLeaveColourAndDepth) {
  // The fast path (plain texture) and the general one (fog on) treat keys alike.
  for (int bits : {16, 32}) {
    for (bool fog : {false, true}) {
      Frame f(bits);
      f.fill(0x1234);
      PictureTexture tex(2, 1, bits);
      const uint32_t key = Rasterizer::toPixel(0xFF00FF, bits);
      tex.setRaw(0, 0, key);
      tex.setRaw(1, 0, 0x0042);
      tex.key = 0xFF00FF;
      Material m = plain(0);
      m.texture = &tex;
      m.applyColourKey();
      FogRecord record{1000, 2000, 0};
      f.raster.beginFrame(fog ? &record : nullptr);
      f.use(m);
      // u advances one texel every 8 pixels: columns alternate in blocks of 8.
      MeshVertex a = vertex(-40, -40, 10, 0, 0), b = vertex(100, -40, 10, 65536 * 140 / 16, 0),
                 c = vertex(-40, 100, 10, 0, 0);
      f.draw(a, b, c);
      int keyed = 0, drawn = 0;
      for (int x = 0; x < 32; ++x) {
        if (f.pixel(x, 5) == 0x1234) {
          EXPECT_EQ(f.z(x, 5), 0xFFFFFFFFu);
          ++keyed;
        } else {
          EXPECT_EQ(f.pixel(x, 5), 0x42u);
          EXPECT_EQ(f.z(x, 5), 10u << 16);
          ++drawn;
        }
      }
      EXPECT_GT(keyed, 8);
      EXPECT_GT(drawn, 8);
    }
  }
}

TEST(Rasterizer, EqualDepthIsNotDrawnAndDepthWriteCanBeOff) {
  Frame f(32);
  f.z(5, 5) = 10u << 16;  // exactly the triangle's depth
  f.z(6, 5) = (10u << 16) + 1;
  Material m = plain(0xABCDEF);
  f.use(m);
  cover(f, 10);
  EXPECT_EQ(f.pixel(5, 5), 0u);
  EXPECT_EQ(f.pixel(6, 5), 0xABCDEFu);
  EXPECT_EQ(f.z(6, 5), 10u << 16);

  Frame g(32);
  Material t = plain(0x00FF00, 2);
  g.raster.depthWrite = false;
  g.use(t);
  cover(g, 10);
  EXPECT_EQ(g.pixel(3, 3), 0x00FF00u);
  EXPECT_EQ(g.z(3, 3), 0xFFFFFFFFu);
}

TEST(Rasterizer, LinearFogBetweenFrontAndBack) {
  struct Case {
    float depth;
    uint32_t expected;
  };
  // Black surface, white fog, front 100, back 200: reciprocal 655; depth 150 gives f = 127.
  const Case cases[] = {{100, 0x000000}, {150, 0x808080}, {199, 0xFDFDFD}, {200, 0xFFFFFF}, {250, 0xFFFFFF}};
  for (const Case& c : cases) {
    Frame f(32);
    FogRecord fog{100, 200, 0xFFFFFF};
    f.raster.beginFrame(&fog);
    Material m = plain(0x000000);
    f.use(m);
    cover(f, c.depth);
    EXPECT_EQ(f.pixel(4, 4), c.expected) << c.depth;
  }
  // Fog is per mesh: a mesh with fog disabled is untouched.
  Frame f(32);
  FogRecord fog{100, 200, 0xFFFFFF};
  f.raster.beginFrame(&fog);
  f.mesh.fogEnabled = 0;
  Material m = plain(0x000000);
  f.use(m);
  cover(f, 250);
  EXPECT_EQ(f.pixel(4, 4), 0u);
}

TEST(Rasterizer, FogWithBackAtFrontIsFogFromThatDepthOn) {
  for (int bits : {16, 32}) {
    for (float depth : {150.0f, 151.0f}) {
      Frame f(bits);
      FogRecord fog{150, 150, 0xFFFFFF};
      f.raster.beginFrame(&fog);
      Material m = plain(0x000000);
      f.use(m);
      cover(f, depth);
      EXPECT_EQ(f.pixel(4, 4), depth > 150 ? Rasterizer::toPixel(0xFFFFFF, bits) : 0u) << depth;
    }
  }
}

TEST(Rasterizer, AlphaTextureOpacity) {
  struct Case {
    int bits;
    uint32_t alpha;     // raw texel
    uint32_t expected;  // over a black surface, material white
  };
  const Case cases[] = {
      {16, 0xFFFF, 0xFFFF},      // white: opaque
      {16, 0x0000, 0x0000},      // black: the surface stays
      {16, 0x8410, 0x7BEF},      // grey 16/32/16: opacity 128, half of white
      {32, 0xFFFFFF, 0xFFFFFF},
      {32, 0x000000, 0x000000},
      {32, 0x808080, 0x7E7E7E},  // opacity (384 * 2730) >> 13 = 127: 255 * 127 >> 8
  };
  for (const Case& c : cases) {
    Frame f(c.bits);
    PictureTexture alpha(1, 1, c.bits);
    alpha.setRaw(0, 0, c.alpha);
    Material m = plain(0xFFFFFF);
    m.alphaTexture = &alpha;
    f.use(m);
    cover(f, 10);
    EXPECT_EQ(f.pixel(4, 4), c.expected) << c.bits << " " << std::hex << c.alpha;
    EXPECT_EQ(f.z(4, 4), 10u << 16);
  }
}

TEST(Rasterizer, ColourOperations) {
  EXPECT_EQ(Rasterizer::modulate(0x8410, 0xFFFF, 16), 0x7BEFu);  // white is 31/32 and 63/64
  EXPECT_EQ(Rasterizer::modulate(0x808080, 0xFFFFFF, 32), 0x7F7F7Fu);
  EXPECT_EQ(Rasterizer::addSaturate(0xF800, 0x0800, 16), 0xF800u);
  EXPECT_EQ(Rasterizer::addSaturate(0x07E0 | 0x001F, 0x0021, 16), 0x07FFu);
  EXPECT_EQ(Rasterizer::addSaturate(0x80FF01, 0x8001FF, 32), 0xFFFFFFu);
  EXPECT_EQ(Rasterizer::addSaturate(0x102030, 0x010203, 32), 0x102233u);  // low bits of red and green drop
  // An overflowing channel becomes 255 and its carry lands in the low bit above it.
  EXPECT_EQ(Rasterizer::addSaturate(0x0000FF, 0x000001, 32), 0x0001FFu);
  EXPECT_EQ(Rasterizer::toPixel(0xFFFFFF, 16), 0xFFFFu);
  EXPECT_EQ(Rasterizer::toPixel(0x808080, 16), 0x8410u);
}

TEST(Rasterizer, DetailLevelsCombineTexelLightAndSurface) {
  // 32-bit frame over a surface of 0x204060; the lighting map holds one value everywhere
  // (ambient 0x808080) and a specular table of zeros unless a light is set.
  const uint32_t dst = 0x204060;
  struct Case {
    int level;
    int transparency;
    uint32_t selfIllumination;
    uint32_t expected;
  };
  // Material colour 0xC0C0C0; D = 0x808080 so the lit colour is 0x606060.
  const Case cases[] = {
      {1, 0, 0, 0xC0C0C0},
      {2, 0, 0, 0xC0C0C0},
      {2, 128, 0, 0x708090 /* c + (dst - c) * 128 >> 8 */},
      {3, 0, 0, 0x606060},
      {3, 128, 0, 0x606060},  // level 3 ignores transparency
      {4, 128, 0, 0x405060},
      {5, 0, 0x101010, 0x707070},
      {7, 0, 0, 0x606060},  // unknown levels shade like level 5
  };
  for (const Case& c : cases) {
    Frame f(32, 32, 32, 0x808080);
    f.fill(dst);
    Material m = plain(0xC0C0C0, c.level);
    m.transparency = c.transparency;
    m.selfIllumination = c.selfIllumination;
    f.use(m);
    cover(f, 10);
    EXPECT_EQ(f.pixel(4, 4), c.expected) << "level " << c.level << " t " << c.transparency;
  }
}

TEST(Rasterizer, SpecularAndReflectionAtHigherLevels) {
  // One white light straight into the screen, looked up at the map centre (light u, v 127).
  std::vector<LightRecord> lights(1);
  lights[0].direction = Vector3{0, 0, 1};
  Frame f(32, 32, 32, 0);
  f.map.build(lights, 0, 32);
  f.bind();
  Material m = plain(0x808080, 4);
  m.specularLevel = 128;
  f.use(m);
  cover(f, 10);
  // Light coordinates 127 -> table row and column 31: diffuse and specular of that entry.
  const uint32_t d = f.map.diffuse()[31 * 64 + 31], s = f.map.specular()[31 * 64 + 31];
  uint32_t expected = Rasterizer::addSaturate(Rasterizer::modulate(d, 0x808080, 32),
                                              (((s >> 16 & 255) * 128 >> 8) << 16) | (((s >> 8 & 255) * 128 >> 8) << 8) |
                                                  ((s & 255) * 128 >> 8),
                                              32);
  EXPECT_EQ(f.pixel(4, 4), expected);
  EXPECT_NE(expected, Rasterizer::modulate(d, 0x808080, 32));

  // A 16 x 16 reflection map replaces the specular term; rows are 16 texels long, so
  // light coordinates up to 254 stay inside the map (mask min(15, 16) - 1 = 14).
  for (int bits : {16, 32}) {
    Frame g(bits, 32, 32, 0);
    PictureTexture reflection(16, 16, bits);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) reflection.setRaw(x, y, uint32_t(y * 16 + x + 1));
    Material r = plain(0x808080, 5);
    r.reflectionMap = &reflection;
    g.use(r);
    MeshVertex a = vertex(-40, -40, 10, 0, 0, 254, 253), b = vertex(100, -40, 10, 0, 0, 254, 253),
               c = vertex(-40, 100, 10, 0, 0, 254, 253);
    g.draw(a, b, c);
    // Base 0 (there is a reflection map); the texel at row 253 & 14 = 12, column 254 & 14 = 14.
    EXPECT_EQ(g.pixel(4, 4), uint32_t(12 * 16 + 14 + 1)) << bits;
  }
}

TEST(Rasterizer, FlatLightingUsesTheRotatedFaceNormal) {
  // A light travelling down lights faces whose stored normal points down.
  std::vector<LightRecord> lights(1);
  lights[0].direction = Vector3{0, -1, 0};
  Frame f(32, 32, 32, 0);
  f.map.build(lights, 0, 32);
  f.bind();
  const int32_t row0[3] = {2048, 0, 0}, row1[3] = {0, 2048, 0};
  f.raster.setLightingRotation(row0, row1);
  Material m = plain(0xFFFFFF, 3);
  m.flat = 1;
  f.use(m);
  f.raster.setFaceNormal(0, -65536, 0);
  cover(f, 10);
  // ny' = -1: row 32 - 31 = 1, column 32.
  EXPECT_EQ(f.pixel(4, 4), Rasterizer::modulate(f.map.diffuse()[1 * 64 + 32], 0xFFFFFF, 32));
  EXPECT_GT(f.pixel(4, 4) & 0xFF, 0xC0u);
  f.raster.setFaceNormal(0, 65536, 0);  // facing up: unlit
  std::fill(f.depth.begin(), f.depth.end(), 0xFFFFFFFFu);
  cover(f, 10);
  EXPECT_EQ(f.pixel(4, 4), 0u);
}

TEST(Rasterizer, WireFramesDrawDepthTestedEdges) {
  Frame f(32);
  Material m = plain(0xFF8000);
  m.wire = 1;
  m.edgeMask = 4;  // a-b only
  f.use(m);
  MeshVertex a = vertex(2, 2, 10), b = vertex(10, 5, 10), c = vertex(2, 20, 10);
  f.z(6, 3) = 5u << 16;  // something nearer on the line
  f.draw(a, b, c);
  int drawn = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      if (f.pixel(x, y) == 0xFF8000) ++drawn;
  EXPECT_EQ(drawn, 8);  // x = 2..10 inclusive, minus the hidden point
  EXPECT_EQ(f.pixel(2, 2), 0xFF8000u);
  EXPECT_EQ(f.pixel(10, 5), 0xFF8000u);
  EXPECT_EQ(f.pixel(2, 10), 0u);  // the c edges are masked out

  // Vertices beyond the same side draw nothing.
  Frame g(32);
  g.use(m);
  MeshVertex p = vertex(1, 2, 10), q = vertex(5, 9, 10), r = vertex(20, 5, 10);
  p.clip = q.clip = 1 | 64;
  g.draw(p, q, r);
  EXPECT_TRUE(g.rowsDrawn().empty());
  p.clip = q.clip = 64;  // clipping and subdivision vertices are not beyond a side
  g.draw(p, q, r);
  EXPECT_FALSE(g.rowsDrawn().empty());
}

}  // namespace
