// Damaged pictures: every prefix of a GIF and a JPEG file and a few thousand seeded
// random byte changes must end in a decoded picture of the declared size, or in a
// message and a failed load; never a crash, a hang or a read outside the data (the
// ASan build checks the last).
#include <gtest/gtest.h>

#include <gif_lib.h>

#include <random>

#include "ImageTestSupport.h"
#include "JpegTestSupport.h"
#include "image/Gif.h"
#include "image/Jpeg.h"

namespace {

int writeBytes(GifFileType* gif, const GifByteType* bytes, int length) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), bytes, bytes + length);
  return length;
}

// An animated, partly interlaced GIF with local tables and transparency.
std::vector<uint8_t> sampleGif() {
  std::vector<uint8_t> out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, writeBytes, &error);
  EGifSetGifVersion(gif, true);
  GifColorType colours[16];
  for (int i = 0; i < 16; ++i) colours[i] = GifColorType{GifByteType(i * 16), GifByteType(255 - i * 9), GifByteType(i * 5)};
  ColorMapObject* map = GifMakeMapObject(16, colours);
  EGifPutScreenDesc(gif, 24, 18, 8, 2, map);
  std::mt19937 rng(99);
  for (int frame = 0; frame < 3; ++frame) {
    GraphicsControlBlock gcb{frame == 1 ? 2 : 1, false, 10, frame == 2 ? 4 : -1};
    GifByteType ext[4];
    EGifGCBToExtension(&gcb, ext);
    EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext);
    int w = 24 - frame * 5, h = 18 - frame * 4;
    EGifPutImageDesc(gif, frame * 2, frame, w, h, frame == 1, frame == 2 ? map : nullptr);
    std::vector<GifPixelType> line(w);
    for (int r = 0; r < h; ++r) {
      for (int c = 0; c < w; ++c) line[c] = GifPixelType((rng() % 3 == 0) ? rng() % 16 : (c / 3) % 16);
      EGifPutLine(gif, line.data(), w);
    }
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

std::vector<uint8_t> sampleJpeg(bool progressive) {
  std::vector<uint8_t> px;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) px.insert(px.end(), {uint8_t(x * 6), uint8_t(y * 8), uint8_t((x * y) & 0xFF)});
  return encodeJpeg(px, 40, 30, 3, 75, progressive, progressive ? 1 : 0);
}

// The damaged copies: every prefix, then seeded changes of one to four bytes.
std::vector<std::vector<uint8_t>> damaged(const std::vector<uint8_t>& file, int mutations) {
  std::vector<std::vector<uint8_t>> out;
  for (size_t n = 0; n < file.size(); ++n) out.emplace_back(file.begin(), file.begin() + n);
  std::mt19937 rng(12345);
  for (int i = 0; i < mutations; ++i) {
    std::vector<uint8_t> copy = file;
    int changes = 1 + int(rng() % 4);
    for (int k = 0; k < changes; ++k) {
      size_t at = rng() % copy.size();
      if (rng() % 2) copy[at] ^= uint8_t(1u << (rng() % 8));
      else copy[at] = uint8_t(rng());
    }
    out.push_back(copy);
  }
  return out;
}

}  // namespace

TEST(DamagedFiles, GifEndsInPicturesOrMessages) {
  std::vector<uint8_t> file = sampleGif();
  MessageRecorder messages;
  for (const auto& bytes : damaged(file, 3000)) {
    messages.clear();
    GifFrames frames;
    int decoded = decodeGif(bytes.data(), bytes.size(), u"d.gif", false, true, nullptr, frames);
    ASSERT_EQ(size_t(decoded), frames.size());
    if (decoded == 0) {
      ASSERT_GT(messages.count(), 0u);
    }
    for (auto& f : frames) {
      ASSERT_TRUE(f->valid());
      ASSERT_LE(f->width(), GifMaxSide);
      ASSERT_LE(f->height(), GifMaxSide);
    }
    messages.clear();
    Image target;
    GifFrames none;
    decoded = decodeGif(bytes.data(), bytes.size(), u"d.gif", true, false, &target, none);
    ASSERT_TRUE(none.empty());
    ASSERT_EQ(target.valid(), decoded == 1);
    if (!target.valid()) {
      ASSERT_GT(messages.count(), 0u);
    }
  }
}

TEST(DamagedFiles, JpegEndsInPicturesOrMessages) {
  MessageRecorder messages;
  for (bool progressive : {false, true}) {
    std::vector<uint8_t> file = sampleJpeg(progressive);
    for (const auto& bytes : damaged(file, 1000)) {
      messages.clear();
      Image img;
      bool ok = decodeJpeg(bytes.data(), bytes.size(), u"d.jpg", true, img);
      ASSERT_EQ(ok, img.valid());
      if (!ok) {
        ASSERT_EQ(messages.count(), 1u);
      } else {
        ASSERT_GT(img.width(), 0);
        ASSERT_LE(img.width(), JpegMaxSide);
        ASSERT_LE(img.height(), JpegMaxSide);
      }
    }
  }
}
