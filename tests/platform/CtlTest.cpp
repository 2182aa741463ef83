// kestrune-ctl against a running helper process: waiting for its window, keys to the
// focus window, taps routed to the window under the point, screenshots as PNG files
// (screen surface and raw frame buffers of other layouts), and closing the game.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/NativeWindows.h"

namespace {

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// Reads an 8-bit RGB PNG without interlace (what kestrune-ctl writes), checking every
// chunk's CRC; false when the file is not such a PNG.
bool readPng(const std::string& path, int& width, int& height, std::vector<uint8_t>& rgb) {
  std::ifstream in(path, std::ios::binary);
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const uint8_t* p = reinterpret_cast<const uint8_t*>(data.data());
  static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (data.size() < 8 || std::memcmp(p, signature, 8) != 0) return false;
  size_t pos = 8;
  std::vector<uint8_t> idat;
  bool sawEnd = false;
  while (pos + 12 <= data.size() && !sawEnd) {
    uint32_t length = be32(p + pos);
    if (pos + 12 + length > data.size()) return false;
    std::string type(data, pos + 4, 4);
    if (crc32(0, p + pos + 4, length + 4) != be32(p + pos + 8 + length)) return false;
    const uint8_t* body = p + pos + 8;
    if (type == "IHDR") {
      width = int(be32(body));
      height = int(be32(body + 4));
      if (body[8] != 8 || body[9] != 2 || body[12] != 0) return false;
    } else if (type == "IDAT") {
      idat.insert(idat.end(), body, body + length);
    } else if (type == "IEND") {
      sawEnd = true;
    }
    pos += 12 + length;
  }
  if (!sawEnd || width <= 0 || height <= 0) return false;
  std::vector<uint8_t> raw(size_t(height) * (size_t(width) * 3 + 1));
  uLongf size = uLongf(raw.size());
  if (uncompress(raw.data(), &size, idat.data(), uLong(idat.size())) != Z_OK || size != raw.size()) return false;
  rgb.clear();
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = raw.data() + size_t(y) * (size_t(width) * 3 + 1);
    if (row[0] != 0) return false;
    rgb.insert(rgb.end(), row + 1, row + 1 + width * 3);
  }
  return true;
}

int ctl(const std::vector<std::string>& args, std::string* output = nullptr) {
  return kstest::runProgram(kstest::ctlPath(), args, output);
}

const uint8_t* pixel(const std::vector<uint8_t>& rgb, int width, int x, int y) {
  return &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
}

TEST(CtlTest, RoundTripWithARunningGame) {
  EXPECT_NE(ctl({"wait-window", "Kestrune - Daduze", "--timeout", "0.2"}), 0) << "nothing runs yet";
  kstest::Helper game;
  ASSERT_TRUE(kstest::startHelper(game, {"window", "Pavlet_WINDOW", "Kestrune - Daduze"}));
  ASSERT_EQ(ctl({"wait-window", "Kestrune - Daduze", "--timeout", "10"}), 0);
  std::string line;

  ASSERT_EQ(ctl({"key", "LEFT"}), 0);
  ASSERT_TRUE(kstest::waitLine(game, "key ", line));
  EXPECT_EQ(line, "key down 37 top");
  ASSERT_TRUE(kstest::waitLine(game, "key ", line));
  EXPECT_EQ(line, "key up 37 top");
  ASSERT_EQ(ctl({"key", "ACTION", "down"}), 0);
  ASSERT_TRUE(kstest::waitLine(game, "key ", line));
  EXPECT_EQ(line, "key down 134 top");
  ASSERT_EQ(ctl({"key", "0xC1", "up"}), 0);
  ASSERT_TRUE(kstest::waitLine(game, "key ", line));
  EXPECT_EQ(line, "key up 193 top");
  EXPECT_NE(ctl({"key", "NOSUCHKEY"}), 0);

  // The child lies at (20, 40): a tap at screen (30, 45) is its client point (10, 5).
  ASSERT_EQ(ctl({"tap", "30", "45"}), 0);
  ASSERT_TRUE(kstest::waitLine(game, "mouse ", line));
  EXPECT_EQ(line, "mouse 513 10 5 child");
  ASSERT_TRUE(kstest::waitLine(game, "mouse ", line));
  EXPECT_EQ(line, "mouse 514 10 5 child");
  ASSERT_EQ(ctl({"tap", "200", "300"}), 0);
  ASSERT_TRUE(kstest::waitLine(game, "mouse ", line));
  EXPECT_EQ(line, "mouse 513 200 300 top");
  ASSERT_TRUE(kstest::waitLine(game, "mouse ", line));
  // Once the double-click time has passed on the game's clock, the same spot again is
  // a new press, not a double click.
  ASSERT_EQ(ctl({"wait-ms", "600", "--timeout", "20"}), 0);
  ASSERT_EQ(ctl({"tap", "200", "300"}), 0);
  ASSERT_TRUE(kstest::waitLine(game, "mouse ", line));
  EXPECT_EQ(line, "mouse 513 200 300 top");

  std::string png = kstest::makeTempFolder() + "/shot.png";
  ASSERT_EQ(ctl({"screenshot", png}), 0);
  int w = 0, h = 0;
  std::vector<uint8_t> rgb;
  ASSERT_TRUE(readPng(png, w, h, rgb));
  ASSERT_EQ(w, 240);
  ASSERT_EQ(h, 320);
  EXPECT_EQ(pixel(rgb, w, 5, 5)[0], 255);    // red top half
  EXPECT_EQ(pixel(rgb, w, 5, 5)[2], 0);
  EXPECT_EQ(pixel(rgb, w, 5, 300)[2], 255);  // blue bottom half
  EXPECT_EQ(pixel(rgb, w, 5, 300)[0], 0);
  EXPECT_EQ(pixel(rgb, w, 105, 105)[1], 255);  // green square
  EXPECT_EQ(pixel(rgb, w, 105, 105)[0], 0);

  ASSERT_EQ(ctl({"close"}), 0);
  ASSERT_TRUE(kstest::waitLine(game, "close top", line));
  ASSERT_TRUE(kstest::waitLine(game, "destroy top", line));
  EXPECT_EQ(kstest::waitExit(game), 0);
  std::string error;
  EXPECT_NE(ctl({"key", "LEFT"}, &error), 0) << "the game is gone";
  EXPECT_NE(ctl({"close"}), 0);
}

TEST(CtlTest, DrawingOnTheScreenReachesASeparateRawFrameBuffer) {
  // The helper paints the screen surface red above, blue below, then a green 10x10
  // square at (100, 100) reported as a rectangle of its own.
  const char* const devices[] = {"240x320,raw=480x640", "240x320,fb=landscape"};
  for (const char* device : devices) {
    kstest::Helper game;
    ASSERT_TRUE(kstest::startHelper(game, {"window", "SHOT", "shot game"}, {std::string("KESTRUNE_DEVICE=") + device}));
    std::string line;
    ASSERT_TRUE(kstest::waitLine(game, "ready ", line)) << device;
    std::string png = kstest::makeTempFolder() + "/shot.png";
    ASSERT_EQ(ctl({"--title", "shot game", "screenshot", png}), 0) << device;
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
    ASSERT_TRUE(readPng(png, w, h, rgb)) << device;
    int scale = w / 240;
    EXPECT_EQ(h, 320 * scale) << device;
    EXPECT_EQ(pixel(rgb, w, 0, 0)[0], 255) << device;
    EXPECT_EQ(pixel(rgb, w, w - 1, h - 1)[2], 255) << device;
    EXPECT_EQ(pixel(rgb, w, 100 * scale, 100 * scale)[1], 255) << device;
    EXPECT_EQ(pixel(rgb, w, 110 * scale - 1, 110 * scale - 1)[1], 255) << device;
    EXPECT_EQ(pixel(rgb, w, 110 * scale, 110 * scale)[1], 0) << device;
    EXPECT_EQ(pixel(rgb, w, 110 * scale, 110 * scale)[0], 255) << device;
    ASSERT_EQ(ctl({"--title", "shot game", "close"}), 0);
    EXPECT_EQ(kstest::waitExit(game), 0);
  }
}

struct RawCase {
  const char* device;
  int width, height;
};

TEST(CtlTest, ScreenshotsShowTheRawFrameBufferWhenTheGameDrewThere) {
  // The helper paints left half green, right half red and a white top-left pixel,
  // addressed through the pitches, so the picture is the same whatever the layout.
  const RawCase cases[] = {{"240x320,raw=480x640", 480, 640}, {"320x240,fb=landscape", 320, 240},
                           {"240x320,fb=landscape", 240, 320}};
  for (const RawCase& c : cases) {
    kstest::Helper game;
    ASSERT_TRUE(kstest::startHelper(game, {"raw", "raw game"}, {std::string("KESTRUNE_DEVICE=") + c.device}));
    std::string line;
    ASSERT_TRUE(kstest::waitLine(game, "ready ", line)) << c.device;
    std::string png = kstest::makeTempFolder() + "/raw.png";
    ASSERT_EQ(ctl({"--title", "raw game", "screenshot", png}), 0) << c.device;
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
    ASSERT_TRUE(readPng(png, w, h, rgb)) << c.device;
    EXPECT_EQ(w, c.width) << c.device;
    EXPECT_EQ(h, c.height) << c.device;
    const uint8_t* corner = pixel(rgb, w, 0, 0);
    EXPECT_EQ(corner[0] + corner[1] + corner[2], 255 * 3) << c.device;
    EXPECT_EQ(pixel(rgb, w, 1, h - 1)[1], 255) << c.device;      // green on the left
    EXPECT_EQ(pixel(rgb, w, w - 1, h - 1)[0], 255) << c.device;  // red on the right
    EXPECT_EQ(pixel(rgb, w, w - 1, h - 1)[1], 0) << c.device;
    ASSERT_EQ(ctl({"--title", "raw game", "close"}), 0);
    EXPECT_EQ(kstest::waitExit(game), 0);
  }
}

}  // namespace
