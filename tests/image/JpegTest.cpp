// JPEG loading: pixels equal libjpeg's own decoding in both depths, greyscale pictures
// become grey RGB, and bad data (empty, truncated, not a JPEG, too large) shows the
// loading message once and never ends the game.
#include <gtest/gtest.h>

#include "ImageTestSupport.h"
#include "JpegTestSupport.h"
#include "image/Jpeg.h"

namespace {

std::vector<uint8_t> gradient(int w, int h, int channels) {
  std::vector<uint8_t> px;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (channels == 1) {
        px.push_back(uint8_t((x * 255) / (w - 1)));
      } else {
        px.push_back(uint8_t((x * 255) / (w - 1)));
        px.push_back(uint8_t((y * 255) / (h - 1)));
        px.push_back(uint8_t(((x + y) * 40) & 0xFF));
      }
    }
  return px;
}

uint32_t to16(uint32_t c) {
  uint32_t v = ((c >> 8) & 0xF800) | ((c >> 5) & 0x07E0) | ((c >> 3) & 0x1F);
  return (v >> 11) << 3 << 16 | ((v >> 5) & 63) << 2 << 8 | (v & 31) << 3;
}

std::string gamePath(const std::string& host) {
  std::string p = host;
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

const char* const LoadMessage = "Error happened when loading image:\npic.jpg\n";

}  // namespace

TEST(Jpeg, PixelsMatchLibjpegInColourAndGrey) {
  struct Case {
    int channels;
    bool progressive;
    int restartRows;
  } cases[] = {{3, false, 0}, {1, false, 0}, {3, true, 0}, {3, false, 1}, {1, true, 1}};
  for (const Case& c : cases) {
    int channels = c.channels;
    SCOPED_TRACE(testing::Message() << "progressive " << c.progressive << " restart " << c.restartRows);
    std::vector<uint8_t> file = encodeJpeg(gradient(37, 21, channels), 37, 21, channels, 90, c.progressive,
                                           c.restartRows);
    int w = 0, h = 0;
    std::vector<uint32_t> expected = referenceJpeg(file, w, h);
    for (bool device : {false, true}) {
      SCOPED_TRACE(channels == 3 ? "colour" : "grey");
      MessageRecorder messages;
      Image img;
      ASSERT_TRUE(decodeJpeg(file.data(), file.size(), u"pic.jpg", device, img));
      EXPECT_EQ(messages.count(), 0u);
      ASSERT_EQ(img.width(), 37);
      ASSERT_EQ(img.height(), 21);
      EXPECT_EQ(img.bitsPerPixel(), device ? 16 : 32);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          uint32_t want = expected[size_t(y) * w + x];
          ASSERT_EQ(img.getPixel(x, y), device ? to16(want) : want) << x << "," << y;
          if (channels == 1) {
            ASSERT_EQ(want >> 16, want & 0xFF);
          }
        }
    }
  }
}

TEST(Jpeg, ThreeByTwoRedBecomesF800) {
  std::vector<uint8_t> red;
  for (int i = 0; i < 6; ++i) red.insert(red.end(), {255, 0, 0});
  std::vector<uint8_t> file = encodeJpeg(red, 3, 2, 3, 100);
  TempFolder folder;
  // Chosen by extension: JPEG wherever its name appears, before the GIF test.
  for (const char* name : {"car.JPEG", "car.jpeg.gif", "car.jpg", "car.JPG"}) {
    std::string path = folder.write(name, file);
    MessageRecorder messages;
    Image img(os::fromUtf8(gamePath(path)), true);
    ASSERT_TRUE(img.valid()) << name;
    EXPECT_EQ(img.width(), 3);
    EXPECT_EQ(img.height(), 2);
    EXPECT_EQ(*reinterpret_cast<uint16_t*>(img.pixelAddress(2, 1)), 0xF800) << name;
    EXPECT_EQ(messages.count(), 0u);
  }
}

TEST(Jpeg, BadDataShowsTheMessageAndFailsTheLoad) {
  std::vector<uint8_t> file = encodeJpeg(gradient(64, 48, 3), 64, 48, 3, 80);
  std::vector<uint8_t> cmyk = encodeJpeg(std::vector<uint8_t>(8 * 8 * 4, 100), 8, 8, 4, 80);
  std::vector<uint8_t> wide = encodeJpeg(std::vector<uint8_t>(9000 * 2, 128), 9000, 2, 1, 50);
  struct Case {
    const char* name;
    std::vector<uint8_t> data;
  } cases[] = {
      {"empty", {}},
      {"not a JPEG", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0}},
      {"header only", std::vector<uint8_t>(file.begin(), file.begin() + 20)},
      {"wider than 8192", wide},
      {"CMYK", cmyk},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MessageRecorder messages;
    Image img(5, 5, false);
    EXPECT_FALSE(decodeJpeg(c.data.data(), c.data.size(), u"pic.jpg", true, img));
    EXPECT_FALSE(img.valid());
    ASSERT_EQ(messages.count(), 1u);
    EXPECT_TRUE(messages.has(LoadMessage, "Error"));
  }
}

TEST(Jpeg, TruncatedFileWarnsOnceAndKeepsTheFullSize) {
  std::vector<uint8_t> file = encodeJpeg(gradient(64, 48, 3), 64, 48, 3, 80);
  std::vector<uint8_t> half(file.begin(), file.begin() + file.size() / 2);
  MessageRecorder messages;
  Image img;
  ASSERT_TRUE(decodeJpeg(half.data(), half.size(), u"pic.jpg", true, img));
  EXPECT_EQ(messages.count(), 1u);
  EXPECT_TRUE(messages.has(LoadMessage, "Error"));
  ASSERT_TRUE(img.valid());
  EXPECT_EQ(img.width(), 64);
  EXPECT_EQ(img.height(), 48);
}

TEST(Jpeg, MissingFileShowsTheNotFoundMessage) {
  MessageRecorder messages;
  Image img(u"\\nowhere\\x\\..\\car.jpg", true);
  EXPECT_FALSE(img.valid());
  EXPECT_TRUE(messages.has("Error: can not find the image '\\nowhere\\car.jpg'.", "Exception"));
  EXPECT_EQ(messages.count(), 1u);
}
