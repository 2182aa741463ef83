// Image surfaces and pixel routines: formats and strides, fills, keyed and clipped
// copies, scaled copies (averaging when shrinking, repetition when growing), masked
// blends, tints, quarter turns, the colour overlay and GDI copies.
#include <gtest/gtest.h>

#include "image/ColourOverlay.h"
#include "image/Image.h"

namespace {

void paint(Image& img, uint32_t (*f)(int, int)) {
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) img.setPixel(x, y, f(x, y));
}

uint32_t avg32(uint32_t a, uint32_t b) { return ((a >> 1) & 0x7F7F7F) + ((b >> 1) & 0x7F7F7F); }

}  // namespace

TEST(Image, FormatsAndStrides) {
  Image deep(3, 2, false);
  ASSERT_TRUE(deep.valid());
  EXPECT_EQ(deep.bitsPerPixel(), 32);
  EXPECT_EQ(deep.pixelStep(), 4);
  EXPECT_EQ(deep.rowStep(), 12);
  EXPECT_EQ(deep.size(), 24);
  EXPECT_EQ(deep.transparentColour(), -1);

  Image device(-3, 2, true);  // the handheld display is 16-bit; |width| is used
  ASSERT_TRUE(device.valid());
  EXPECT_EQ(device.width(), 3);
  EXPECT_EQ(device.bitsPerPixel(), 16);
  EXPECT_EQ(device.rowStep(), 8);
  EXPECT_EQ(device.size(), 16);
  EXPECT_EQ(device.pixelAddress(1, 1), device.pixels() + 2 + 8);

  device.setPixel(1, 1, 0xFF0000);
  EXPECT_EQ(*reinterpret_cast<uint16_t*>(device.pixelAddress(1, 1)), 0xF800);
  device.setPixel(0, 0, 0x123456);
  EXPECT_EQ(device.getPixel(0, 0), 0x103450u);  // low bits of each channel lost
  EXPECT_EQ(device.getPixel(7, 7), 0u);

  Image none(0, 5, false);
  EXPECT_FALSE(none.valid());
}

TEST(Image, FillClipsAndNegativeSizeMeansWholeImage) {
  for (bool device : {true, false}) {
    Image img(5, 3, device);
    img.fill(0x00FF00, 4, 2, -1, 9);  // negative w: whole image even from (4, 2)
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) ASSERT_EQ(img.getPixel(x, y), device ? 0x00FC00u : 0x00FF00u);
    img.clear(0);
    img.fill(0xFFFFFF, 3, -1, 10, 2);  // clipped to columns 3-4, row 0
    EXPECT_EQ(img.getPixel(3, 0) & 0xF00000, 0xF00000u);
    EXPECT_EQ(img.getPixel(4, 0) & 0xF00000, 0xF00000u);
    EXPECT_EQ(img.getPixel(2, 0), 0u);
    EXPECT_EQ(img.getPixel(3, 1), 0u);
    // The doubling fast path and the row fill agree, padding included in the rows.
    Image a(7, 5, device), b(7, 5, device);
    a.fill(0x336699, 0, 0, -1, -1, true);
    b.fill(0x336699, 0, 0, -1, -1, false);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x) ASSERT_EQ(a.getPixel(x, y), b.getPixel(x, y));
  }
}

TEST(Image, CopyWithNegativeXTakesTheRightHandPart) {
  Image src(4, 2, false), dst(4, 2, false);
  paint(src, [](int x, int y) { return uint32_t(0x100000 * (x + 1) + y); });
  dst.clear(0xABCDEF);
  Image::copyTo(src, dst, -2, 0, -1, -1, -1, -1, true);
  EXPECT_EQ(dst.getPixel(0, 0), 0x300000u);
  EXPECT_EQ(dst.getPixel(1, 1), 0x400001u);
  EXPECT_EQ(dst.getPixel(2, 0), 0xABCDEFu);
  // Completely outside: nothing.
  Image::copyTo(src, dst, 4, 0, -1, -1, -1, -1, true);
  Image::copyTo(src, dst, -4, 0, -1, -1, -1, -1, true);
  EXPECT_EQ(dst.getPixel(3, 1), 0xABCDEFu);
  // A source rectangle past the source is cut to it.
  Image::copyTo(src, dst, 0, 0, 3, 1, 10, 10, true);
  EXPECT_EQ(dst.getPixel(0, 0), 0x400001u);
  EXPECT_EQ(dst.getPixel(1, 0), 0x400000u);
}

TEST(Image, KeyedCopySkipsTheTransparentColourInEitherDepth) {
  for (bool device : {true, false}) {
    Image src(3, 1, device), dst(3, 1, device);
    src.setPixel(0, 0, 0xFF00FF);
    src.setPixel(1, 0, 0x00FF00);
    src.setPixel(2, 0, 0xFF00FF);
    src.setTransparentColour(0xFF00FF);
    dst.clear(0x0000FF);
    Image::copyTo(src, dst, 0, 0, -1, -1, -1, -1, false);
    EXPECT_EQ(dst.getPixel(0, 0), device ? 0x0000F8u : 0x0000FFu);
    EXPECT_NE(dst.getPixel(1, 0), dst.getPixel(0, 0));
    Image::copyTo(src, dst, 0, 0, -1, -1, -1, -1, true);  // opaque copies the key too
    EXPECT_EQ(dst.getPixel(0, 0), src.getPixel(0, 0));
  }
}

TEST(Image, ShrinkingToHalfAveragesNeighbours) {
  struct Case {
    const char* name;
    uint32_t (*pattern)(int, int);
    uint32_t firstColumn, otherColumns;
  } cases[] = {
      // Odd columns white: a pixel takes in its left neighbour (not at column 0), then
      // the black one below.
      {"stripes across", [](int x, int) { return x % 2 ? 0xFFFFFFu : 0u; }, 0u, avg32(avg32(0, 0xFFFFFF), 0)},
      // Odd rows white: the pixel below is averaged in.
      {"stripes down", [](int, int y) { return y % 2 ? 0xFFFFFFu : 0u; }, avg32(0, 0xFFFFFF),
       avg32(0, 0xFFFFFF)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Image src(100, 100, false), dst(50, 50, false);
    paint(src, c.pattern);
    Image::stretchTo(src, dst, 0, 0, 50, 50, -1, -1, -1, -1, true);
    for (int j = 0; j < 50; ++j) {
      ASSERT_EQ(dst.getPixel(0, j), c.firstColumn) << j;
      for (int i = 1; i < 50; ++i) ASSERT_EQ(dst.getPixel(i, j), c.otherColumns) << i << "," << j;
    }
  }
}

TEST(Image, GrowingToDoubleRepeatsPixels) {
  for (bool device : {true, false}) {
    Image src(100, 100, device), dst(200, 200, device);
    paint(src, [](int x, int y) { return uint32_t((x * 2) << 16 | (y * 2) << 8 | ((x ^ y) & 0xF8)); });
    Image::stretchTo(src, dst, 0, 0, 200, 200, -1, -1, -1, -1, true);
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 200; ++x) ASSERT_EQ(dst.getPixel(x, y), src.getPixel(x / 2, y / 2)) << x << "," << y;
  }
}

TEST(Image, StretchClipsAgainstTheDestination) {
  Image src(4, 4, false), dst(4, 4, false);
  paint(src, [](int x, int y) { return uint32_t(x << 16 | y); });
  dst.clear(0x777777);
  // 4x4 onto 8x8 at (-4, -4): only the source's lower right quarter is visible.
  Image::stretchTo(src, dst, -4, -4, 8, 8, -1, -1, -1, -1, true);
  EXPECT_EQ(dst.getPixel(0, 0), 0x020002u);
  EXPECT_EQ(dst.getPixel(3, 3), 0x030003u);
  Image::stretchTo(src, dst, 0, 0, 0, 5, -1, -1, -1, -1, true);  // empty: nothing
  EXPECT_EQ(dst.getPixel(3, 3), 0x030003u);
  // Keyed pixels are skipped when not opaque.
  src.setTransparentColour(0x000000);
  dst.clear(0x777777);
  Image::stretchTo(src, dst, 0, 0, 8, 8, -1, -1, -1, -1, false);
  EXPECT_EQ(dst.getPixel(0, 0), 0x777777u);
  EXPECT_EQ(dst.getPixel(2, 0), 0x010000u);
}

TEST(Image, BlendWeighsByMaskAndTransparency) {
  struct Case {
    int transparency;
    uint32_t maskColour;  // 0xFFFFFFFF: no mask
    uint32_t expected;    // white blended over black, 32 bits
  } cases[] = {
      {0, 0xFFFFFFFF, 0xFDFDFDu},  // weight (254 * 256) >> 8 = 254: 255 * 254 >> 8 = 253
      {128, 0xFFFFFFFF, 0x7D7D7Du},  // weight (254 * 127) >> 8 = 126
      {0, 0x000000, 0x000000u},      // black mask: nothing
      {0, 0x808080, 0x7E7E7Eu},      // brightness (384 * 0xAAA) >> 13 = 127; 255 * 127 >> 8
  };
  for (const Case& c : cases) {
    Image src(2, 2, false), dst(2, 2, false), mask(2, 2, false);
    src.clear(0xFFFFFF);
    mask.clear(c.maskColour & 0xFFFFFF);
    Image::blendTo(src, dst, c.maskColour == 0xFFFFFFFF ? nullptr : &mask, c.transparency, 0, 0, 2, 2, -1, -1, -1,
                   -1);
    EXPECT_EQ(dst.getPixel(1, 1), c.expected) << c.transparency << " " << c.maskColour;
  }
  // 16 bits: white's brightness is 250; the key colour is never blended.
  Image src(2, 1, true), dst(2, 1, true);
  src.clear(0xFFFFFF);
  src.setPixel(1, 0, 0xFF00FF);
  src.setTransparentColour(0xFF00FF);
  Image::blendTo(src, dst, nullptr, 0, 0, 0, 2, 1, -1, -1, -1, -1);
  EXPECT_EQ(*reinterpret_cast<uint16_t*>(dst.pixelAddress(0, 0)), uint16_t((30 << 11) | (61 << 5) | 30));
  EXPECT_EQ(dst.getPixel(1, 0), 0u);
}

TEST(Image, TintAddsOrMultipliesAndSparesTheKey) {
  for (bool device : {true, false}) {
    Image img(2, 2, device);
    img.clear(0xFFFFFF);
    img.setPixel(0, 0, 0x204080);
    img.setPixel(1, 1, 0xFF00FF);
    img.setTransparentColour(0xFF00FF);
    Image added(2, 2, device);
    Image::copyTo(img, added, 0, 0, -1, -1, -1, -1, true);
    added.setTransparentColour(0xFF00FF);
    EXPECT_TRUE(added.tint(2, 0xFFFFFF));
    EXPECT_EQ(added.getPixel(0, 0), added.getPixel(1, 0));  // saturated to white
    EXPECT_EQ(added.getPixel(1, 1), img.getPixel(1, 1));

    EXPECT_TRUE(img.tint(4, 0xFFFFFF));
    // Multiplying by white loses the lowest bit: (31 * 31) >> 5 = 30, (63 * 63) >> 6 = 62.
    if (device) EXPECT_EQ(*reinterpret_cast<uint16_t*>(img.pixelAddress(1, 0)), uint16_t(30 << 11 | 62 << 5 | 30));
    else EXPECT_EQ(img.getPixel(1, 0), 0xFEFEFEu);
    EXPECT_EQ(img.getPixel(1, 1), device ? 0xF800F8u : 0xFF00FFu);
    for (int mode : {0, 1, 3, 5, 6}) EXPECT_TRUE(img.tint(mode, 0x123456));
    EXPECT_FALSE(img.tint(7, 0x123456));
    EXPECT_FALSE(img.tint(-1, 0x123456));
  }
}

TEST(Image, TransformTurnsAndMirrors) {
  Image src(3, 2, false);
  paint(src, [](int x, int y) { return uint32_t(y * 3 + x + 1); });  // 1 2 3 / 4 5 6
  struct Case {
    bool second, rotate;
    int w, h;
    uint32_t rows[3][3];
  } cases[] = {
      {false, true, 2, 3, {{3, 6}, {2, 5}, {1, 4}}},   // quarter turn counter-clockwise
      {true, true, 2, 3, {{4, 1}, {5, 2}, {6, 3}}},    // quarter turn clockwise
      {false, false, 3, 2, {{4, 5, 6}, {1, 2, 3}}},    // upside down
      {true, false, 3, 2, {{3, 2, 1}, {6, 5, 4}}},     // mirrored
  };
  for (const Case& c : cases) {
    Image dst(c.w, c.h, false);
    Image::transformInto(src, dst, c.second, c.rotate);
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x) EXPECT_EQ(dst.getPixel(x, y), c.rows[y][x]) << c.second << c.rotate;
  }
  Image wrong(3, 3, false);
  Image::transformInto(src, wrong, false, true);  // sizes that do not fit: nothing
  EXPECT_EQ(wrong.getPixel(0, 0), 0u);
}

TEST(Image, ColourOverlayAt32Reaches16BitBlackIn21Passes) {
  Image img(4, 2, true);
  img.clear(0xFFFFFF);
  img.setPixel(0, 0, 0x808080);
  ColourOverlay overlay(0x000000, 32);
  overlay.attachSurface(&img);
  std::vector<int> green;
  for (int pass = 0; pass < 21; ++pass) {
    green.push_back((*reinterpret_cast<uint16_t*>(img.pixelAddress(1, 0)) >> 5) & 63);
    overlay.draw();
    if (pass == 19) {
      EXPECT_NE(img.getPixel(1, 1), 0u) << "black too early";
    }
  }
  EXPECT_EQ(std::vector<int>(green.begin(), green.begin() + 4), (std::vector<int>{63, 55, 48, 42}));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(img.getPixel(x, y), 0u);

  // Towards a colour, in 32 bits: a channel below the colour rises, the top byte is
  // not kept, and amount 0 or no image does nothing.
  Image deep(1, 1, false);
  *reinterpret_cast<uint32_t*>(deep.pixels()) = 0xFF000010;
  ColourOverlay::blend(deep, 0x0000FF, 128);
  EXPECT_EQ(*reinterpret_cast<uint32_t*>(deep.pixels()), 0x00000087u);  // 16 + (239 * 128) / 256
  ColourOverlay::blend(deep, 0xFFFFFF, 0);
  EXPECT_EQ(deep.getPixel(0, 0), 0x000087u);
  ColourOverlay none(0xFFFFFF, 100);
  none.draw();
}

TEST(Image, DrawsToDcWithTheKeyOrOpaque) {
  Image sprite(2, 1, true);
  sprite.setPixel(0, 0, 0xFF00FF);
  sprite.setPixel(1, 0, 0x00FF00);
  sprite.setTransparentColour(0xFF00FF);
  Image target(4, 2, false);
  target.clear(0x0000FF);
  sprite.drawToDC(target.dc(), 1, 1, 0, 0, -1, -1, false);
  EXPECT_EQ(target.getPixel(1, 1), 0x0000FFu);
  EXPECT_EQ(target.getPixel(2, 1), 0x00FC00u);
  sprite.drawToDC(target.dc(), 1, 1, 0, 0, -1, -1, true);
  EXPECT_EQ(target.getPixel(1, 1), 0xF800F8u);
  target.clear(0);
  sprite.stretchToDC(target.dc(), 0, 0, 4, 2, -1, 0, 0, 0, true);
  EXPECT_EQ(target.getPixel(1, 1), 0xF800F8u);
  EXPECT_EQ(target.getPixel(3, 0), 0x00FC00u);
}

TEST(Image, DcOperations) {
  Image img(60, 30, false);
  dcops::fillRect(img.dc(), os::RECT{0, 0, 10, 10}, os::rgb(255, 255, 255));
  dcops::fillRect(img.dc(), os::RECT{10, 0, 20, 10}, os::rgb(1, 2, 3));
  EXPECT_EQ(img.getPixel(5, 5), 0xFFFFFFu);
  EXPECT_EQ(img.getPixel(15, 5), 0x010203u);
  dcops::line(img.dc(), 0, 20, 30, 20);
  EXPECT_EQ(img.getPixel(29, 20), 0u);  // the stock pen is black
  os::HFONT font = dcops::createFont(-14, 700, false, true, u"");
  ASSERT_NE(font, 0u);
  os::selectObject(img.dc(), font);
  EXPECT_TRUE(dcops::hasFont(img.dc(), -14, 700, false, true, u"Arial"));
  EXPECT_FALSE(dcops::hasFont(img.dc(), -14, 700, false, true, u"arial"));
  EXPECT_FALSE(dcops::hasFont(img.dc(), -14, 400, false, true, u"Arial"));
  int32_t average = 0, line = 0;
  dcops::textMetrics(img.dc(), average, line);
  EXPECT_GT(average, 3);
  EXPECT_GE(line, 14);
  os::SIZE extent = dcops::textExtent(img.dc(), u"Daduze");
  EXPECT_GT(extent.cx, 20);
  EXPECT_EQ(dcops::textExtent(0, u"x").cx, -1);
  os::selectObject(img.dc(), os::getStockObject(os::SYSTEM_FONT));
  os::deleteObject(font);
}
