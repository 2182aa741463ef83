// Every way a frame reaches the screen shows the player the same picture: the same race
// moment, driven by the same input script, captured on device profiles that take the
// GAPI frame buffer, the raw frame buffer, a landscape-scanned panel (rotation 4), both
// panels turned upside down at start-up (rotations 1 and 2), the handheld quirk's fixed
// buffer, and a high-resolution panel where every pixel is doubled. (Displays turned by
// a quarter change the screen's shape, so their pictures cannot match; presentDirect's
// own tests cover every rotation pixel by pixel.)
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "GameProcess.h"

namespace {

struct Picture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  uint32_t at(int x, int y) const {
    const uint8_t* p = &rgb[size_t(y * width + x) * 3];
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
  }
};

uint32_t be32(const std::string& s, size_t at) {
  return uint32_t(uint8_t(s[at])) << 24 | uint32_t(uint8_t(s[at + 1])) << 16 | uint32_t(uint8_t(s[at + 2])) << 8 |
         uint8_t(s[at + 3]);
}

// Reads the 8-bit RGB, unfiltered PNG files our screenshots are.
bool readPng(const std::string& path, Picture& out) {
  std::ifstream in(path, std::ios::binary);
  std::string s((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (s.size() < 33 || s.compare(1, 3, "PNG") != 0) return false;
  std::string compressed;
  for (size_t at = 8; at + 8 <= s.size();) {
    uint32_t length = be32(s, at);
    std::string type = s.substr(at + 4, 4);
    if (at + 12 + length > s.size()) return false;
    if (type == "IHDR") {
      out.width = int(be32(s, at + 8));
      out.height = int(be32(s, at + 12));
    } else if (type == "IDAT") {
      compressed += s.substr(at + 8, length);
    }
    at += 12 + length;
  }
  size_t row = size_t(out.width) * 3 + 1;
  std::vector<uint8_t> raw(row * size_t(out.height));
  uLongf rawSize = uLongf(raw.size());
  if (uncompress(raw.data(), &rawSize, reinterpret_cast<const Bytef*>(compressed.data()), uLong(compressed.size())) !=
          Z_OK ||
      rawSize != raw.size())
    return false;
  out.rgb.clear();
  for (int y = 0; y < out.height; ++y) {
    if (raw[size_t(y) * row] != 0) return false;  // our writer never filters
    out.rgb.insert(out.rgb.end(), raw.begin() + long(size_t(y) * row + 1), raw.begin() + long(size_t(y + 1) * row));
  }
  return true;
}

int litPixels(const Picture& picture) {
  int lit = 0;
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) lit += picture.at(x, y) != 0;
  return lit;
}

Picture raceMoment(const std::string& device) {
  GameRun run;
  std::ofstream(run.dir() + "/script.txt") << "4000 key UP down\n5500 key RIGHT down\n6200 key RIGHT up\n"
                                           << "7000 screenshot " << run.dir() << "/shot.png\n7200 close\n";
  run.env["KESTRUNE_SCRIPT"] = run.dir() + "/script.txt";
  run.env["KESTRUNE_SEED"] = "99";
  run.env["KESTRUNE_DEVICE"] = device;
  EXPECT_EQ(run.wait(run.start(KS_GAME_PATH, {"ARG:race /Level:4, Racer:5,PlayerName:Eve, useOpenGL:0"}), 120), 0);
  Picture picture;
  EXPECT_TRUE(readPng(run.dir() + "/shot.png", picture)) << device;
  return picture;
}

}  // namespace

TEST(Presentation, EveryPathShowsTheSamePicture) {
  Picture reference = raceMoment("240x320");
  ASSERT_EQ(reference.width, 240);
  ASSERT_EQ(reference.height, 320);
  ASSERT_GT(litPixels(reference), 240 * 320 / 2);  // a real picture, not an empty screen

  const char* samePixels[] = {
      "240x320,os=5",                          // raw frame buffer, rotation 0
      "240x320,fb=landscape",                  // landscape-scanned panel, rotation 4
      "240x320,fb=landscape,orientation=2",    // the same panel turned upside down, rotation 1
      "240x320,orientation=2",                 // a portrait panel turned upside down, rotation 2
      "240x320,oem=hp ipaq h3800",             // the handheld quirk
  };
  for (const char* device : samePixels) {
    SCOPED_TRACE(device);
    Picture shot = raceMoment(device);
    ASSERT_EQ(shot.width, 240);
    ASSERT_EQ(shot.height, 320);
    EXPECT_TRUE(shot.rgb == reference.rgb);
  }

  // A high-resolution panel under the same screen metrics: every pixel a 2 x 2 block.
  Picture doubled = raceMoment("240x320,raw=480x640");
  ASSERT_EQ(doubled.width, 480);
  ASSERT_EQ(doubled.height, 640);
  int differing = 0;
  for (int y = 0; y < 640; ++y)
    for (int x = 0; x < 480; ++x) differing += doubled.at(x, y) != reference.at(x / 2, y / 2);
  EXPECT_EQ(differing, 0);
}

TEST(Presentation, LandscapeAndSquareDevicesShowTheRace) {
  // Screens whose frame buffer is as wide as the screen itself are not turned.
  for (const char* device : {"320x240", "240x240", "480x640"}) {
    SCOPED_TRACE(device);
    Picture shot = raceMoment(device);
    ASSERT_GT(shot.width, 0);
    EXPECT_GT(litPixels(shot), shot.width * shot.height / 2);
  }
}
