// Device contexts on DIB sections, caller surfaces and the screen: fills, outlines,
// lines, clipping, block copies across depths, colour-keyed copies and FreeType text.
#include <gtest/gtest.h>

#include "platform/Gdi.h"
#include "platform/NativeWindows.h"
#include "platform/Screen.h"

using namespace os;

namespace {

struct MemoryDc {
  HDC dc = 0;
  HBITMAP bitmap = 0;
  HGDIOBJ previous = 0;
  void* bits = nullptr;
  MemoryDc(int w, int h, int bpp) {
    bitmap = createDIBSection(w, h, bpp, &bits);
    dc = createCompatibleDC(0);
    previous = selectObject(dc, bitmap);
  }
  ~MemoryDc() {
    selectObject(dc, previous);
    deleteObject(bitmap);
    deleteDC(dc);
  }
};

int countNot(HDC dc, int w, int h, COLORREF c) {
  int n = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) n += getPixel(dc, x, y) != c;
  return n;
}

}  // namespace

TEST(Gdi, DibSectionIsTopDownPaddedAndBlack) {
  void* bits = nullptr;
  HBITMAP bm = createDIBSection(3, 2, 16, &bits);
  ASSERT_NE(bm, 0u);
  BITMAP info;
  ASSERT_TRUE(getBitmapInfo(bm, info));
  EXPECT_EQ(info.widthBytes, 8);  // 3 * 2 bytes padded to 4
  EXPECT_EQ(info.bits, bits);
  EXPECT_EQ(static_cast<uint8_t*>(bits)[0], 0);
  EXPECT_EQ(createDIBSection(0, 5, 16, nullptr), 0u);
  EXPECT_EQ(createDIBSection(5, 5, 24, nullptr), 0u);
  EXPECT_TRUE(deleteObject(bm));
}

TEST(Gdi, SelectedBitmapCannotBeDeletedUntilReleased) {
  MemoryDc m(4, 4, 32);
  EXPECT_FALSE(deleteObject(m.bitmap));
  HDC other = createCompatibleDC(0);
  EXPECT_EQ(selectObject(other, m.bitmap), 0u);  // one DC at a time
  deleteDC(other);
}

TEST(Gdi, FillRectAndPixelsInBothDepths) {
  for (int bpp : {16, 32}) {
    MemoryDc m(8, 6, bpp);
    HBRUSH brush = createSolidBrush(rgb(255, 0, 0));
    EXPECT_EQ(fillRect(m.dc, RECT{2, 1, 5, 3}, brush), 1);
    EXPECT_EQ(getPixel(m.dc, 2, 1), rgb(255 & (bpp == 16 ? 0xF8 : 0xFF), 0, 0));
    EXPECT_EQ(getPixel(m.dc, 4, 2), getPixel(m.dc, 2, 1));
    EXPECT_EQ(getPixel(m.dc, 5, 2), rgb(0, 0, 0));
    EXPECT_EQ(getPixel(m.dc, 1, 1), rgb(0, 0, 0));
    EXPECT_EQ(countNot(m.dc, 8, 6, rgb(0, 0, 0)), 6);
    if (bpp == 16) EXPECT_EQ(static_cast<uint16_t*>(m.bits)[1 * 8 + 2], 0xF800);  // row step 16 bytes
    else EXPECT_EQ(static_cast<uint32_t*>(m.bits)[1 * 8 + 2], 0xFF0000u);
    // Fills outside the bitmap are clipped, not written past it.
    fillRect(m.dc, RECT{-100, -100, 100, 100}, reinterpret_cast<HBRUSH>(getStockObject(WHITE_BRUSH)));
    EXPECT_EQ(countNot(m.dc, 8, 6, bpp == 16 ? rgb(248, 252, 248) : rgb(255, 255, 255)), 0);
    EXPECT_EQ(getPixel(m.dc, 8, 0), CLR_INVALID);
    deleteObject(brush);
  }
}

TEST(Gdi, RectangleOutlineAndLinesExcludeTheEndPoint) {
  MemoryDc m(10, 10, 32);
  selectObject(m.dc, getStockObject(WHITE_PEN));
  selectObject(m.dc, getStockObject(NULL_BRUSH));
  ASSERT_TRUE(rectangle(m.dc, 1, 1, 5, 4));
  // Outline from (1,1) to (4,3) inclusive: 4 + 4 + 2 + 2 = 12 pixels.
  EXPECT_EQ(countNot(m.dc, 10, 10, rgb(0, 0, 0)), 10);
  EXPECT_EQ(getPixel(m.dc, 4, 3), rgb(255, 255, 255));
  EXPECT_EQ(getPixel(m.dc, 2, 2), rgb(0, 0, 0));

  MemoryDc l(10, 10, 16);
  selectObject(l.dc, getStockObject(WHITE_PEN));
  moveToEx(l.dc, 0, 9, nullptr);
  lineTo(l.dc, 9, 0);
  EXPECT_EQ(countNot(l.dc, 10, 10, rgb(0, 0, 0)), 9);
  EXPECT_EQ(getPixel(l.dc, 9, 0), rgb(0, 0, 0));
  EXPECT_EQ(getPixel(l.dc, 0, 9), rgb(248, 252, 248));
  POINT pts[3] = {{0, 0}, {5, 0}, {5, 5}};
  polyline(l.dc, pts, 3);
  EXPECT_EQ(getPixel(l.dc, 4, 0), rgb(248, 252, 248));
  EXPECT_EQ(getPixel(l.dc, 5, 4), rgb(248, 252, 248));
}

TEST(Gdi, WidePensAndDashes) {
  MemoryDc m(12, 12, 32);
  HPEN wide = createPen(PS_SOLID, 2, rgb(255, 255, 255));
  selectObject(m.dc, wide);
  selectObject(m.dc, getStockObject(NULL_BRUSH));
  rectangle(m.dc, 2, 2, 10, 10);
  // A two-pixel frame: both (2, 5) and (3, 5) on the left edge, the inside untouched.
  EXPECT_EQ(getPixel(m.dc, 2, 5), rgb(255, 255, 255));
  EXPECT_EQ(getPixel(m.dc, 3, 5), rgb(255, 255, 255));
  EXPECT_EQ(getPixel(m.dc, 5, 5), rgb(0, 0, 0));
  EXPECT_EQ(getPixel(m.dc, 1, 5), rgb(0, 0, 0));
  HPEN dash = createPen(PS_DASH, 1, rgb(255, 0, 0));
  selectObject(m.dc, dash);
  moveToEx(m.dc, 0, 11, nullptr);
  lineTo(m.dc, 12, 11);
  int lit = 0;
  for (int x = 0; x < 12; ++x) lit += getPixel(m.dc, x, 11) == rgb(255, 0, 0);
  EXPECT_GT(lit, 4);
  EXPECT_LT(lit, 12);
  selectObject(m.dc, getStockObject(BLACK_PEN));
  deleteObject(wide);
  deleteObject(dash);
}

TEST(Gdi, ClipRectangleLimitsDrawing) {
  MemoryDc m(10, 10, 32);
  EXPECT_EQ(intersectClipRect(m.dc, 2, 2, 4, 4), SIMPLEREGION);
  fillRect(m.dc, RECT{0, 0, 10, 10}, getStockObject(WHITE_BRUSH));
  EXPECT_EQ(getPixel(m.dc, 1, 1), CLR_INVALID);  // reads are clipped as well
  selectClipRect(m.dc, nullptr);
  EXPECT_EQ(countNot(m.dc, 10, 10, rgb(0, 0, 0)), 4);
  EXPECT_EQ(getPixel(m.dc, 3, 3), rgb(255, 255, 255));
  fillRect(m.dc, RECT{0, 0, 10, 10}, getStockObject(WHITE_BRUSH));
  EXPECT_EQ(countNot(m.dc, 10, 10, rgb(255, 255, 255)), 0);
}

TEST(Gdi, BlitsConvertDepthStretchAndSkipTheKey) {
  MemoryDc src(4, 4, 32);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) setPixel(src.dc, x, y, rgb(x * 64, y * 64, 0));
  MemoryDc dst(8, 8, 16);
  ASSERT_TRUE(bitBlt(dst.dc, 1, 1, 4, 4, src.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(getPixel(dst.dc, 1 + 3, 1 + 2), rgb(192, 128, 0));
  EXPECT_EQ(getPixel(dst.dc, 0, 0), rgb(0, 0, 0));

  MemoryDc big(8, 8, 32);
  ASSERT_TRUE(stretchBlt(big.dc, 0, 0, 8, 8, src.dc, 0, 0, 4, 4, SRCCOPY));
  EXPECT_EQ(getPixel(big.dc, 7, 6), rgb(192, 192, 0));
  EXPECT_EQ(getPixel(big.dc, 2, 1), rgb(64, 0, 0));

  MemoryDc keyed(4, 4, 32);
  fillRect(keyed.dc, RECT{0, 0, 4, 4}, getStockObject(WHITE_BRUSH));
  ASSERT_TRUE(transparentImage(keyed.dc, 0, 0, 4, 4, src.dc, 0, 0, 4, 4, rgb(64, 64, 0)));
  EXPECT_EQ(getPixel(keyed.dc, 1, 1), rgb(255, 255, 255));
  EXPECT_EQ(getPixel(keyed.dc, 2, 1), rgb(128, 64, 0));

  // A copy from outside the source writes nothing for those pixels.
  MemoryDc edge(4, 4, 32);
  ASSERT_TRUE(bitBlt(edge.dc, 0, 0, 4, 4, src.dc, -2, 0, SRCCOPY));
  EXPECT_EQ(getPixel(edge.dc, 2, 0), rgb(0, 0, 0));
  EXPECT_EQ(getPixel(edge.dc, 3, 1), rgb(64, 64, 0));
}

TEST(Gdi, SurfaceDcDrawsIntoCallerPixels) {
  uint32_t pixels[6] = {};
  PixelSurface s{pixels, 2, 3, 8, 32};
  HDC dc = createDCForSurface(s);
  ASSERT_NE(dc, 0u);
  setPixel(dc, 1, 2, rgb(1, 2, 3));
  EXPECT_EQ(pixels[5], 0x010203u);
  deleteDC(dc);
}

TEST(Gdi, ScreenDcDrawsIntoTheScreenSurface) {
  HDC dc = getDC(0);
  ASSERT_NE(dc, 0u);
  EXPECT_EQ(getDeviceBitsPerPixel(dc), 16);
  setPixel(dc, 3, 4, rgb(0, 255, 0));
  PixelSurface& screen = screenSurface();
  const uint16_t* row = reinterpret_cast<const uint16_t*>(static_cast<uint8_t*>(screen.bits) + 4 * screen.pitch);
  EXPECT_EQ(row[3], 0x07E0);
  EXPECT_EQ(releaseDC(0, dc), 1);
}

TEST(Gdi, WindowDcIsOffsetAndClippedToTheWindow) {
  if (!isClassRegistered(u"GDITEST")) {
    WNDCLASS c;
    c.className = u"GDITEST";
    c.windowProc = defWindowProc;
    ASSERT_TRUE(registerClass(c));
  }
  HWND hwnd = createWindowEx(0, u"GDITEST", u"gdi probe", WS_POPUP | WS_VISIBLE, 10, 20, 50, 40, 0, 0, nullptr);
  ASSERT_NE(hwnd, 0u);
  PixelSurface& screen = screenSurface();
  auto at = [&](int x, int y) {
    return reinterpret_cast<const uint16_t*>(static_cast<uint8_t*>(screen.bits) + y * screen.pitch)[x];
  };
  HDC whole = getDC(0);
  fillRect(whole, RECT{0, 0, 100, 100}, getStockObject(BLACK_BRUSH));
  releaseDC(0, whole);
  HDC dc = getDC(hwnd);
  fillRect(dc, RECT{-100, -100, 1000, 1000}, getStockObject(WHITE_BRUSH));
  EXPECT_EQ(at(10, 20), 0xFFFF);
  EXPECT_EQ(at(59, 59), 0xFFFF);
  EXPECT_EQ(at(9, 20), 0);
  EXPECT_EQ(at(60, 59), 0);
  EXPECT_EQ(at(10, 60), 0);
  setPixel(dc, 1, 2, rgb(255, 0, 0));
  EXPECT_EQ(at(11, 22), 0xF800);
  EXPECT_EQ(getPixel(dc, 1, 2), rgb(248, 0, 0));
  EXPECT_EQ(getPixel(dc, 50, 0), CLR_INVALID);  // outside the window
  releaseDC(hwnd, dc);
  destroyWindow(hwnd);
  MSG m;
  while (peekMessage(m, true)) dispatchMessage(m);
}

TEST(Gdi, LiberationSansDrawsGlyphPixels) {
  MemoryDc m(120, 40, 16);
  HFONT font = createFont(-20, FW_BOLD, false, false, u"Arial");
  ASSERT_NE(font, 0u);
  selectObject(m.dc, font);
  setTextColor(m.dc, rgb(255, 255, 255));
  setBkMode(m.dc, TRANSPARENT);
  ASSERT_TRUE(textOut(m.dc, 2, 2, u"Kestrune"));
  int lit = countNot(m.dc, 120, 40, rgb(0, 0, 0));
  EXPECT_GT(lit, 100);
  SIZE extent;
  ASSERT_TRUE(getTextExtentPoint(m.dc, u"Kestrune", extent));
  EXPECT_GT(extent.cx, 60);
  EXPECT_LT(extent.cx, 118);
  TEXTMETRIC tm;
  ASSERT_TRUE(getTextMetrics(m.dc, tm));
  EXPECT_GE(tm.height, 20);
  EXPECT_LE(tm.height, 26);
  EXPECT_EQ(extent.cy, tm.height);
  // Nothing is drawn right of the text's extent.
  for (int y = 0; y < 40; ++y)
    for (int x = 2 + extent.cx + 2; x < 120; ++x) ASSERT_EQ(getPixel(m.dc, x, y), rgb(0, 0, 0));
  selectObject(m.dc, getStockObject(SYSTEM_FONT));
  deleteObject(font);
}

TEST(Gdi, FontsKeepTheirRequestAndFallBack) {
  HFONT odd = createFont(14, FW_NORMAL, true, true, u"No Such Face At All");
  ASSERT_NE(odd, 0u);  // falls back to the stock face file, never to nothing
  LOGFONT info;
  ASSERT_TRUE(getFontInfo(odd, info));
  EXPECT_EQ(info.height, 14);
  EXPECT_TRUE(info.italic);
  EXPECT_TRUE(info.underline);
  EXPECT_EQ(info.faceName, u"No Such Face At All");
  MemoryDc m(60, 30, 32);
  selectObject(m.dc, odd);
  TEXTMETRIC tm;
  ASSERT_TRUE(getTextMetrics(m.dc, tm));
  EXPECT_GE(tm.height, 13);
  EXPECT_LE(tm.height, 15);
  // The stock font draws text too.
  MemoryDc s(60, 30, 32);
  setTextColor(s.dc, rgb(255, 255, 255));
  setBkMode(s.dc, TRANSPARENT);
  textOut(s.dc, 0, 0, u"Hi");
  EXPECT_GT(countNot(s.dc, 60, 30, rgb(0, 0, 0)), 10);
  deleteObject(odd);  // while selected: the DC goes back to the stock font
  ASSERT_TRUE(getTextMetrics(m.dc, tm));
}

TEST(Gdi, DrawTextBreaksCentresAndMeasures) {
  MemoryDc m(100, 100, 32);
  HFONT font = createFont(-12, FW_NORMAL, false, false, u"Arial");
  selectObject(m.dc, font);
  TEXTMETRIC tm;
  getTextMetrics(m.dc, tm);
  RECT r{0, 0, 60, 0};
  int h = drawText(m.dc, u"one two three four five six", r, DT_WORDBREAK | DT_CALCRECT);
  EXPECT_GE(h, 3 * tm.height);
  EXPECT_EQ(r.bottom, h);
  EXPECT_LE(r.right, 60);
  RECT single{0, 0, 10, 0};
  drawText(m.dc, u"one two", single, DT_SINGLELINE | DT_CALCRECT);
  SIZE extent;
  getTextExtentPoint(m.dc, u"one two", extent);
  EXPECT_EQ(single.right, extent.cx);
  EXPECT_EQ(single.bottom, tm.height);

  // Centred in a rectangle: the lit pixels are balanced around its middle and clipped
  // to it.
  setTextColor(m.dc, rgb(255, 255, 255));
  setBkMode(m.dc, TRANSPARENT);
  RECT box{20, 20, 80, 80};
  drawText(m.dc, u"IIII", box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  int minX = 100, maxX = -1, minY = 100, maxY = -1;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x)
      if (getPixel(m.dc, x, y) != rgb(0, 0, 0)) {
        minX = std::min(minX, x), maxX = std::max(maxX, x);
        minY = std::min(minY, y), maxY = std::max(maxY, y);
      }
  ASSERT_GE(maxX, 0);
  EXPECT_NEAR((minX + maxX) / 2.0, 50, 3);
  EXPECT_NEAR((minY + maxY) / 2.0, 50, 4);
  selectObject(m.dc, getStockObject(SYSTEM_FONT));
  deleteObject(font);
}

TEST(Gdi, OpaqueTextFillsItsCell) {
  MemoryDc m(80, 30, 32);
  setBkMode(m.dc, OPAQUE);
  setBkColor(m.dc, rgb(0, 0, 255));
  setTextColor(m.dc, rgb(255, 255, 255));
  textOut(m.dc, 0, 0, u"ab");
  SIZE extent;
  getTextExtentPoint(m.dc, u"ab", extent);
  EXPECT_EQ(getPixel(m.dc, 0, extent.cy - 1), rgb(0, 0, 255));
  EXPECT_EQ(getPixel(m.dc, extent.cx, 0), rgb(0, 0, 0));
}
