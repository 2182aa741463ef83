// Display output: the layout of each screen shape, the device facts derived from the
// screen and raw frame buffer, frame buffer discovery, and presentDirect in every
// rotation and memory layout, with pixel doubling and clamped rectangles, compared with
// the picture turned by hand.
#include <gtest/gtest.h>

#include <cctype>
#include <vector>

#include "image/Image.h"
#include "platform/Device.h"
#include "platform/Gapi.h"
#include "platform/Screen.h"
#include "shell/Display.h"

namespace {

DeviceFacts facts(int sw, int sh, int rawW = 0, int rawH = 0) {
  DeviceFacts f;
  f.screenWidth = sw;
  f.screenHeight = sh;
  f.raw.width = rawW;
  f.raw.height = rawH;
  return f;
}

// A frame buffer in memory with one of three layouts: rows, columns walking up, or
// columns walking down (the landscape-addressed kind).
struct TestFrameBuffer {
  int width, height, xPitch, yPitch;  // pitches in bytes
  std::vector<uint16_t> memory;
  uint16_t* base;
  TestFrameBuffer(int w, int h, int layout) : width(w), height(h), memory(size_t(w) * h, 0xDEAD) {
    if (layout == 0) xPitch = 2, yPitch = 2 * w, base = memory.data();
    else if (layout == 1) xPitch = 2 * h, yPitch = -2, base = memory.data() + (h - 1);
    else xPitch = -2 * h, yPitch = 2, base = memory.data() + size_t(h) * (w - 1);
  }
  uint16_t& at(int x, int y) { return base[x * (xPitch / 2) + y * (yPitch / 2)]; }
  void attach(int rotation) {
    DirectDisplay& d = directDisplay();
    d.frameBuffer = base;
    d.properties = DisplayProperties{uint32_t(width), uint32_t(height), xPitch, yPitch, 16, 0};
    d.rotation = rotation;
  }
};

// Where source pixel (k, r) of a w x h picture lands for each rotation.
void turned(int rotation, int k, int r, int w, int h, int& x, int& y) {
  switch (rotation) {
    case 1: x = r, y = w - 1 - k; break;
    case 4: x = h - 1 - r, y = k; break;
    case 2: x = w - 1 - k, y = h - 1 - r; break;
    default: x = k, y = r; break;
  }
}

std::vector<uint16_t> picture(int w, int h) {
  std::vector<uint16_t> px(size_t(w) * h);
  for (int i = 0; i < w * h; ++i) px[i] = uint16_t(i * 37 + 1);
  return px;
}

class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override { reset(facts(240, 320)); }
  void TearDown() override {
    closeDirect();
    directDisplay() = DirectDisplay();
    reset(facts(240, 320));
  }
  static void reset(const DeviceFacts& f) {
    setDeviceFacts(f);
    computeLayout();
  }
};

}  // namespace

TEST_F(DisplayTest, LayoutOfEachScreen) {
  struct Case {
    int sw, sh, rawW, rawH;
    int designW, designH, scale, pageW, pageH, offsetX, offsetY;
    bool highRes;
  } cases[] = {
      {240, 320, 0, 0, 240, 320, 65536, 240, 320, 0, 0, false},
      {480, 640, 480, 640, 240, 320, 131072, 480, 640, 0, 0, false},
      {240, 320, 480, 640, 240, 320, 65536, 240, 320, 0, 0, true},
      {240, 240, 0, 0, 240, 240, 65536, 240, 240, 0, 0, false},
      {480, 320, 0, 0, 320, 240, 87381, 427, 320, 26, 0, false},
      {240, 400, 0, 0, 240, 320, 65536, 240, 320, 0, 40, false},  // taller: letterboxed
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.sw << "x" << c.sh);
    reset(facts(c.sw, c.sh, c.rawW, c.rawH));
    const DeviceFacts& f = deviceFacts();
    EXPECT_EQ(f.designWidth, c.designW);
    EXPECT_EQ(f.designHeight, c.designH);
    EXPECT_EQ(f.highResolution, c.highRes);
    const DisplayLayout& l = displayLayout();
    EXPECT_EQ(l.scale, c.scale);
    EXPECT_EQ(l.pageWidth, c.pageW);
    EXPECT_EQ(l.pageHeight, c.pageH);
    EXPECT_EQ(l.offsetX, c.offsetX);
    EXPECT_EQ(l.offsetY, c.offsetY);
  }
  reset(facts(480, 320));
  EXPECT_EQ(scaleToScreen(320), 427);
  EXPECT_EQ(scaleToScreen(3), 4);  // (87381 * 3 + 32768) >> 16
  EXPECT_EQ(deviceFacts().layout, ScreenLayout::Landscape);
}

TEST_F(DisplayTest, PresentsEveryRotationInEveryMemoryLayout) {
  const int W = 13, H = 7;  // odd sizes exercise the four-pixel steps' remainders
  std::vector<uint16_t> src = picture(W, H);
  for (int rotation : {0, 1, 2, 4}) {
    for (int layout : {0, 1, 2}) {
      SCOPED_TRACE(testing::Message() << "rotation " << rotation << " layout " << layout);
      bool turnedDisplay = rotation == 1 || rotation == 4;
      TestFrameBuffer fb(turnedDisplay ? H : W, turnedDisplay ? W : H, layout);
      fb.attach(rotation);
      presentDirect(src.data(), W, H, 2, W * 2, nullptr);
      for (int r = 0; r < H; ++r)
        for (int k = 0; k < W; ++k) {
          int x, y;
          turned(rotation, k, r, W, H, x, y);
          ASSERT_EQ(fb.at(x, y), src[r * W + k]) << k << "," << r;
        }
    }
  }
}

TEST_F(DisplayTest, PixelDoublingWritesTwoByTwoBlocks) {
  reset(facts(240, 320, 480, 640));
  ASSERT_TRUE(deviceFacts().highResolution);
  const int W = 5, H = 3;
  std::vector<uint16_t> src = picture(W, H);
  for (int rotation : {0, 1, 2, 4}) {
    SCOPED_TRACE(rotation);
    bool turnedDisplay = rotation == 1 || rotation == 4;
    TestFrameBuffer fb(2 * (turnedDisplay ? H : W), 2 * (turnedDisplay ? W : H), 0);
    fb.attach(rotation);
    presentDirect(src.data(), W, H, 2, W * 2, nullptr);
    for (int r = 0; r < H; ++r)
      for (int k = 0; k < W; ++k) {
        int x, y;
        turned(rotation, k, r, W, H, x, y);
        for (int b = 0; b < 4; ++b) ASSERT_EQ(fb.at(2 * x + b % 2, 2 * y + b / 2), src[r * W + k]);
      }
  }
}

TEST_F(DisplayTest, RectanglesAreClampedAndLandWhereTheWholePictureWould) {
  const int W = 9, H = 6;
  std::vector<uint16_t> src = picture(W, H);
  for (int rotation : {0, 1, 2, 4}) {
    SCOPED_TRACE(rotation);
    bool turnedDisplay = rotation == 1 || rotation == 4;
    TestFrameBuffer whole(turnedDisplay ? H : W, turnedDisplay ? W : H, 0);
    whole.attach(rotation);
    presentDirect(src.data(), W, H, 2, W * 2, nullptr);
    TestFrameBuffer part(whole.width, whole.height, 0);
    part.attach(rotation);
    os::RECT rect{-3, 2, 5, 100};
    presentDirect(src.data(), W, H, 2, W * 2, &rect);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 2);
    EXPECT_EQ(rect.right, 5);
    EXPECT_EQ(rect.bottom, H);
    int written = 0;
    for (size_t i = 0; i < part.memory.size(); ++i) {
      if (part.memory[i] == 0xDEAD) continue;
      ++written;
      ASSERT_EQ(part.memory[i], whole.memory[i]);
    }
    EXPECT_EQ(written, 5 * (H - 2));
  }
}

TEST_F(DisplayTest, NothingWithoutFrameBufferOrWhenThePageDoesNotFit) {
  std::vector<uint16_t> src = picture(8, 8);
  TestFrameBuffer small(4, 4, 0);
  small.attach(0);
  presentDirect(src.data(), 8, 8, 2, 16, nullptr);
  for (uint16_t v : small.memory) EXPECT_EQ(v, 0xDEAD);
  directDisplay().frameBuffer = nullptr;
  presentDirect(src.data(), 8, 8, 2, 16, nullptr);  // no frame buffer: nothing, no crash
}

TEST_F(DisplayTest, FrameBufferDiscoveryAndRotationRule) {
  // Raw frame buffer (OS 5): a landscape-addressed buffer under a portrait screen is a
  // panel scanned sideways and turns by the touch rule; under a landscape screen it is
  // the screen itself and keeps the start-up orientation.
  std::vector<uint16_t> memory(320 * 240);
  struct Case {
    int screenWidth, screenHeight;
    bool touch;
    int orientation, rotation;
  } cases[] = {{240, 320, true, 0, 4}, {240, 320, true, 1, 0}, {240, 320, true, 2, 1}, {240, 320, true, 4, 2},
               {240, 320, false, 1, 0}, {240, 320, false, 4, 0}, {320, 240, true, 0, 0}, {320, 240, false, 0, 0}};
  for (const Case& c : cases) {
    DeviceFacts f = facts(c.screenWidth, c.screenHeight, 320, 240);
    f.osMajor = 5;
    f.hasTouch = c.touch;
    f.startupOrientation = c.orientation;
    f.raw.framePointer = memory.data();
    f.raw.xStride = 2;
    f.raw.yStride = 640;
    f.raw.bitsPerPixel = 16;
    reset(f);
    beginDraw();
    EXPECT_EQ(directDisplay().frameBuffer, memory.data());
    EXPECT_EQ(directDisplay().properties.width, 320u);
    EXPECT_EQ(directDisplay().rotation, c.rotation) << c.screenWidth << " " << c.touch << " " << c.orientation;
    endDraw();
    EXPECT_EQ(directDisplay().frameBuffer, nullptr);
  }
}

TEST_F(DisplayTest, HandheldQuirkUsesTheFixedLandscapeAddressedBuffer) {
  DeviceFacts f = facts(240, 320);
  f.oemInfo = "hp ipaq h3870";
  f.osMajor = 5;
  reset(f);
  beginDraw();
  DirectDisplay& d = directDisplay();
  ASSERT_NE(d.frameBuffer, nullptr);
  EXPECT_EQ(d.properties.width, 240u);
  EXPECT_EQ(d.properties.height, 320u);
  EXPECT_EQ(d.properties.xPitch, -640);
  EXPECT_EQ(d.properties.yPitch, 2);
  EXPECT_EQ(d.properties.format, 0xA8u);
  Image page(240, 320, true);
  page.fill(0x00FF00, 0, 0, -1, -1);
  page.fill(0xFF0000, 232, 312, 8, 8);
  presentDirect(page, nullptr);
  EXPECT_EQ(d.frameBuffer[0], 0x07E0);
  EXPECT_EQ(d.frameBuffer[239 * -320 + 319], 0xF800);
  // The player sees it: the buffer is the profile's raw one, or it is sampled onto the
  // screen.
  std::vector<uint8_t> rgb;
  int32_t w = 0, h = 0;
  os::captureScreen(rgb, w, h);
  ASSERT_GT(w * h, 0);
  EXPECT_EQ(rgb[0], 0);
  EXPECT_EQ(rgb[1], 255);
  size_t last = (size_t(h - 1) * w + (w - 1)) * 3;
  EXPECT_EQ(rgb[last], 255);
  EXPECT_EQ(rgb[last + 1], 0);
  endDraw();
}

TEST_F(DisplayTest, GapiDrawingGoesToTheScreen) {
  DeviceFacts f = facts(240, 320);
  f.osMajor = 4;
  reset(f);
  ASSERT_TRUE(openDirect(0, true, false));
  EXPECT_TRUE(isDirectDisplayOpen());
  DirectDisplay& d = directDisplay();
  os::PixelSurface& screen = os::screenSurface();
  ASSERT_EQ(static_cast<void*>(d.frameBuffer), screen.bits);
  EXPECT_TRUE(d.drawingBegun);
  Image page(screen.width, screen.height, true);
  page.fill(0x0000FF, 0, 0, -1, -1);
  presentDirect(page, nullptr);
  EXPECT_EQ(static_cast<uint16_t*>(screen.bits)[5], 0x001F);
  // Suspended: beginDraw finds no frame buffer and presenting draws nothing.
  suspendDirect();
  endDraw();
  beginDraw();
  EXPECT_EQ(d.frameBuffer, nullptr);
  resumeDirect();
  beginDraw();
  EXPECT_NE(d.frameBuffer, nullptr);
  closeDirect();
  EXPECT_FALSE(isDirectDisplayOpen());
  EXPECT_EQ(d.frameBuffer, nullptr);
}

TEST_F(DisplayTest, KeysOrientationAndFullScreen) {
  EXPECT_EQ(keyMaskBit(os::VK_UP), 0x1u);
  EXPECT_EQ(keyMaskBit(os::VK_RETURN), 0x80u);
  EXPECT_EQ(keyMaskBit(os::VK_ACTION), 0x80u);
  EXPECT_EQ(keyMaskBit(os::VK_INSERT), 0x800u);
  EXPECT_EQ(keyMaskBit(os::VK_APP1), 0u);
  openDirect(0, false, true);
  EXPECT_TRUE(isDirectInputOpen());
  EXPECT_EQ(gapiKeyA(), int16_t(0xC1));
  EXPECT_EQ(gapiKeyStart(), int16_t(0xC4));
  EXPECT_EQ(keyMaskBit(os::VK_APP1), 0x2000u);
  EXPECT_EQ(keyMaskBit(os::VK_APP4), 0x10000u);
  EXPECT_EQ(keyMaskBit(os::VK_UP), 0x1u);
  closeDirect();
  EXPECT_EQ(keyMaskBit(os::VK_APP2), 0u);

  DeviceFacts f = facts(240, 320);
  f.startupOrientation = 0;
  reset(f);
  os::setDisplayOrientation(1);
  EXPECT_EQ(queryOrientation(), 1);
  restoreOrientation();
  EXPECT_EQ(queryOrientation(), 0);
  f.osMajor = 3;
  reset(f);
  os::setDisplayOrientation(2);
  EXPECT_EQ(queryOrientation(), 0);  // older systems: always 0
  os::setDisplayOrientation(0);

  setFullScreen(0, true);
  EXPECT_EQ(os::shFullScreenFlags(), 0x2Au);
  setFullScreen(0, false);
  EXPECT_EQ(os::shFullScreenFlags(), 0x19u);
}

TEST_F(DisplayTest, LetterboxedPageOnALandscapeAddressedDisplay) {
  // A 240 x 400 portrait screen whose raw frame buffer is addressed 400 x 240: the
  // touch rule turns it by rotation 4 and the 40-pixel letterbox lies along x.
  std::vector<uint16_t> memory(400 * 240, 0xDEAD);
  DeviceFacts f = facts(240, 400, 400, 240);
  f.osMajor = 5;
  f.hasTouch = true;
  f.raw.framePointer = memory.data();
  f.raw.xStride = 2;
  f.raw.yStride = 800;
  f.raw.bitsPerPixel = 16;
  reset(f);
  EXPECT_FALSE(deviceFacts().highResolution);  // same pixel count, other addressing
  EXPECT_EQ(displayLayout().offsetY, 40);
  beginDraw();
  ASSERT_EQ(directDisplay().rotation, 4);
  Image page(240, 320, true);
  for (int y = 0; y < 320; ++y)
    for (int x = 0; x < 240; ++x) page.setPixel(x, y, uint32_t((x * 7 + y * 3) & 0xF8) << 16);
  presentDirect(page, nullptr);
  for (int r = 0; r < 320; r += 7)
    for (int k = 0; k < 240; k += 5)
      ASSERT_EQ(memory[size_t(k) * 400 + 40 + (319 - r)], *reinterpret_cast<uint16_t*>(page.pixelAddress(k, r)));
  EXPECT_EQ(memory[0], 0xDEAD);          // the letterbox is left alone
  EXPECT_EQ(memory[399], 0xDEAD);
  endDraw();
}

TEST_F(DisplayTest, DetectsTheDeviceProfile) {
  detectDevice();
  computeLayout();
  const os::DeviceProfile& profile = os::deviceProfile();
  const DeviceFacts& f = deviceFacts();
  EXPECT_EQ(f.screenWidth, profile.screenWidth);
  EXPECT_EQ(f.screenHeight, profile.screenHeight);
  EXPECT_EQ(f.osMajor, profile.osMajor);
  std::string oem = profile.oemInfo.substr(0, 62);
  for (char& c : oem) c = char(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(f.oemInfo, oem);
  EXPECT_EQ(f.hasTouch, profile.hasTouch);
  EXPECT_EQ(f.hasKeyboard, profile.hasKeyboard);
  EXPECT_EQ(f.hasKeypad, profile.hasKeypad);
  EXPECT_EQ(f.raw.width, os::rawFrameBuffer().width);
  EXPECT_EQ(static_cast<uint8_t*>(f.raw.framePointer), os::rawFrameBuffer().origin);
  EXPECT_EQ(f.highResolution, profile.rawWidth * profile.rawHeight != 0 &&
                                  profile.rawWidth * profile.rawHeight != profile.screenWidth * profile.screenHeight);
}
