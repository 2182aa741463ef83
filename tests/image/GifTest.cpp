// The GIF decoder against giflib: pictures are encoded with giflib's encoder, decoded by
// both giflib and ours, and giflib's frames composed by the game's rules (disposal 1
// keeps the previous frame, 2 starts from the background or transparent colour) must
// equal ours pixel for pixel. Also hand-made LZW streams for the dictionary limits.
#include <gtest/gtest.h>

#include <gif_lib.h>

#include <cstring>
#include <random>
#include <string>

#include "ImageTestSupport.h"
#include "image/Gif.h"

namespace {

struct Palette {
  std::vector<uint32_t> colours;  // 0x00RRGGBB; size a power of two, 2 to 256
};

struct FrameSpec {
  int left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;
  Palette local;                 // empty: none
  bool control = false;          // write a graphic control extension
  int disposal = 0;
  int transparentIndex = -1;
  int delay = 0;
  std::vector<uint8_t> indices;  // width * height, row by row in picture order
};

struct GifSpec {
  int width = 0, height = 0, background = 0;
  Palette global;  // empty: none
  std::vector<FrameSpec> frames;
  std::vector<uint8_t> raw;  // written by hand (giflib's encoder insists on a table)
  bool extras = false;       // a looping application extension and comments to skip
};

ColorMapObject* makeMap(const Palette& p) {
  if (p.colours.empty()) return nullptr;
  std::vector<GifColorType> entries(p.colours.size());
  for (size_t i = 0; i < p.colours.size(); ++i) {
    entries[i].Red = GifByteType(p.colours[i] >> 16);
    entries[i].Green = GifByteType(p.colours[i] >> 8);
    entries[i].Blue = GifByteType(p.colours[i]);
  }
  return GifMakeMapObject(int(p.colours.size()), entries.data());
}

int writeBytes(GifFileType* gif, const GifByteType* bytes, int length) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), bytes, bytes + length);
  return length;
}

std::vector<uint8_t> encode(const GifSpec& spec) {
  if (!spec.raw.empty()) return spec.raw;
  std::vector<uint8_t> out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, writeBytes, &error);
  EXPECT_NE(gif, nullptr);
  EGifSetGifVersion(gif, true);
  ColorMapObject* global = makeMap(spec.global);
  EXPECT_EQ(EGifPutScreenDesc(gif, spec.width, spec.height, 8, spec.background, global), GIF_OK);
  if (spec.extras) {
    EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
    EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0");
    const GifByteType loop[3] = {1, 0, 0};
    EGifPutExtensionBlock(gif, 3, loop);
    EGifPutExtensionTrailer(gif);
  }
  for (const FrameSpec& f : spec.frames) {
    if (spec.extras) EGifPutComment(gif, std::string(300, 'k').c_str());  // two sub-blocks
    if (f.control) {
      GraphicsControlBlock gcb;
      gcb.DisposalMode = f.disposal;
      gcb.UserInputFlag = false;
      gcb.DelayTime = f.delay;
      gcb.TransparentColor = f.transparentIndex;
      GifByteType ext[4];
      EGifGCBToExtension(&gcb, ext);
      EXPECT_EQ(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext), GIF_OK);
    }
    ColorMapObject* local = makeMap(f.local);
    EXPECT_EQ(EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlaced, local), GIF_OK);
    // giflib writes lines in the order given: interlaced pictures go pass by pass.
    std::vector<int> order;
    if (f.interlaced) {
      const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass)
        for (int r = start[pass]; r < f.height; r += step[pass]) order.push_back(r);
    } else {
      for (int r = 0; r < f.height; ++r) order.push_back(r);
    }
    for (int r : order) {
      std::vector<GifPixelType> line(f.indices.begin() + r * f.width, f.indices.begin() + (r + 1) * f.width);
      EXPECT_EQ(EGifPutLine(gif, line.data(), f.width), GIF_OK);
    }
    if (local) GifFreeMapObject(local);
  }
  EGifCloseFile(gif, &error);
  if (global) GifFreeMapObject(global);
  return out;
}

// Packs codes the way the decoder reads them, following its code size growth.
class CodeWriter {
 public:
  explicit CodeWriter(int minCodeSize) : m_(minCodeSize) { reset(); }
  void clear() {
    put(1 << m_);
    reset();
  }
  void literal(int value) {
    put(value);
    if (!first_) {
      ++nextFree_;
      if (nextFree_ >= (1 << size_) && size_ < 12) ++size_;
    }
    first_ = false;
  }
  void end() { put((1 << m_) + 1); }
  // The image data: code size byte and sub-blocks.
  std::vector<uint8_t> blocks() const {
    std::vector<uint8_t> out{uint8_t(m_)};
    for (size_t i = 0; i < bytes_.size(); i += 255) {
      size_t n = std::min<size_t>(255, bytes_.size() - i);
      out.push_back(uint8_t(n));
      out.insert(out.end(), bytes_.begin() + i, bytes_.begin() + i + n);
    }
    out.push_back(0);
    return out;
  }

 private:
  void reset() {
    size_ = m_ + 1;
    nextFree_ = (1 << m_) + 2;
    first_ = true;
  }
  void put(int code) {
    for (int b = 0; b < size_; ++b, ++bit_) {
      if (bit_ % 8 == 0) bytes_.push_back(0);
      if (code & (1 << b)) bytes_.back() |= uint8_t(1 << (bit_ % 8));
    }
  }
  int m_, size_ = 0, nextFree_ = 0;
  bool first_ = true;
  size_t bit_ = 0;
  std::vector<uint8_t> bytes_;
};

std::vector<uint8_t> rawGif(int w, int h, const std::vector<uint8_t>& imageData) {
  std::vector<uint8_t> f = {'G', 'I', 'F', '8', '9', 'a', uint8_t(w), uint8_t(w >> 8), uint8_t(h), uint8_t(h >> 8),
                            0x00, 0, 0};
  std::vector<uint8_t> desc = {0x2C, 0, 0, 0, 0, uint8_t(w), uint8_t(w >> 8), uint8_t(h), uint8_t(h >> 8), 0};
  f.insert(f.end(), desc.begin(), desc.end());
  f.insert(f.end(), imageData.begin(), imageData.end());
  f.push_back(0x3B);
  return f;
}

struct ReadState {
  const std::vector<uint8_t>* data;
  size_t position;
};

int readBytes(GifFileType* gif, GifByteType* bytes, int length) {
  auto* st = static_cast<ReadState*>(gif->UserData);
  size_t n = std::min(size_t(length), st->data->size() - st->position);
  std::memcpy(bytes, st->data->data() + st->position, n);
  st->position += n;
  return int(n);
}

// giflib's decoding, composed into 0x00RRGGBB frames of the logical screen size by the
// game's rules.
std::vector<std::vector<uint32_t>> referenceFrames(const std::vector<uint8_t>& file) {
  ReadState st{&file, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&st, readBytes, &error);
  EXPECT_NE(gif, nullptr);
  EXPECT_EQ(DGifSlurp(gif), GIF_OK);
  int w = gif->SWidth, h = gif->SHeight;
  std::vector<uint32_t> global(256, 0);
  if (gif->SColorMap) {
    for (int i = 0; i < gif->SColorMap->ColorCount; ++i) {
      const GifColorType& c = gif->SColorMap->Colors[i];
      global[i] = uint32_t(c.Red) << 16 | uint32_t(c.Green) << 8 | c.Blue;
    }
  } else {
    for (uint32_t i = 0; i < 256; ++i) global[i] = i << 16 | i << 8 | i;
  }
  std::vector<std::vector<uint32_t>> frames;
  int previousDisposal = 0;
  for (int k = 0; k < gif->ImageCount; ++k) {
    const SavedImage& img = gif->SavedImages[k];
    GraphicsControlBlock gcb;
    gcb.DisposalMode = 0;
    gcb.TransparentColor = -1;
    DGifSavedExtensionToGCB(gif, k, &gcb);
    std::vector<uint32_t> canvas(size_t(w) * h, 0);
    if (k > 0 && previousDisposal == 1) canvas = frames.back();
    if (k > 0 && previousDisposal == 2) {
      uint32_t fillColour = global[gcb.TransparentColor >= 0 ? gcb.TransparentColor : gif->SBackGroundColor];
      std::fill(canvas.begin(), canvas.end(), fillColour);
    }
    previousDisposal = gcb.DisposalMode;
    std::vector<uint32_t> palette = global;
    if (img.ImageDesc.ColorMap) {
      std::fill(palette.begin(), palette.end(), 0);
      for (int i = 0; i < img.ImageDesc.ColorMap->ColorCount; ++i) {
        const GifColorType& c = img.ImageDesc.ColorMap->Colors[i];
        palette[i] = uint32_t(c.Red) << 16 | uint32_t(c.Green) << 8 | c.Blue;
      }
    }
    const GifImageDesc& d = img.ImageDesc;
    for (int r = 0; r < d.Height; ++r)
      for (int c = 0; c < d.Width; ++c) {
        int x = d.Left + c, y = d.Top + r;
        if (x < w && y < h) canvas[size_t(y) * w + x] = palette[img.RasterBits[r * d.Width + c]];
      }
    frames.push_back(canvas);
  }
  DGifCloseFile(gif, &error);
  return frames;
}

Palette randomPalette(std::mt19937& rng, int size) {
  Palette p;
  for (int i = 0; i < size; ++i) p.colours.push_back(rng() & 0xFFFFFF);
  return p;
}

FrameSpec randomFrame(std::mt19937& rng, int left, int top, int w, int h, int colours) {
  FrameSpec f;
  f.left = left, f.top = top, f.width = w, f.height = h;
  f.indices.resize(size_t(w) * h);
  // Runs of equal indices, so the dictionary holds long strings too.
  for (size_t i = 0; i < f.indices.size();) {
    uint8_t v = uint8_t(rng() % colours);
    size_t run = 1 + rng() % 6;
    for (size_t k = 0; k < run && i < f.indices.size(); ++k) f.indices[i++] = v;
  }
  return f;
}

std::string gamePath(const std::string& host) {
  std::string p = host;
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

// All the differential cases, built once.
std::vector<std::pair<std::string, GifSpec>> differentialCases() {
  std::mt19937 rng(20240611);
  std::vector<std::pair<std::string, GifSpec>> cases;
  {
    GifSpec s;
    s.width = 16, s.height = 13;
    s.global = randomPalette(rng, 16);
    FrameSpec f = randomFrame(rng, 0, 0, 16, 13, 16);
    f.interlaced = true;
    s.frames.push_back(f);
    cases.emplace_back("interlaced", s);
  }
  {
    GifSpec s;
    s.width = 1, s.height = 3;
    s.global = Palette{{0x000000, 0xFF0000, 0x00FF00, 0x0000FF}};
    FrameSpec f;
    f.width = 1, f.height = 3, f.interlaced = true, f.indices = {1, 2, 3};
    s.frames.push_back(f);
    cases.emplace_back("interlaced 1x3", s);
  }
  for (int disposal : {1, 2}) {
    GifSpec s;
    s.width = 20, s.height = 15, s.background = 3;
    s.global = randomPalette(rng, 8);
    s.frames.push_back(randomFrame(rng, 0, 0, 20, 15, 8));
    s.frames.push_back(randomFrame(rng, 4, 3, 9, 7, 8));
    s.frames.push_back(randomFrame(rng, 12, 8, 12, 10, 8));  // reaches past the screen
    s.frames.push_back(randomFrame(rng, 2, 2, 5, 5, 8));
    for (size_t k = 0; k < s.frames.size(); ++k) {
      s.frames[k].control = true;
      s.frames[k].disposal = disposal;
      s.frames[k].delay = int(k) * 5;
    }
    s.frames[2].transparentIndex = 5;
    s.frames[3].interlaced = true;
    s.extras = disposal == 1;
    cases.emplace_back(disposal == 1 ? "animated, disposal 1" : "animated, disposal 2", s);
  }
  {
    GifSpec s;  // no global table: each frame brings its own
    s.width = 10, s.height = 10;
    FrameSpec a = randomFrame(rng, 0, 0, 10, 10, 4);
    a.local = randomPalette(rng, 4);
    FrameSpec b = randomFrame(rng, 3, 3, 4, 4, 32);
    b.local = randomPalette(rng, 32);
    b.control = true, b.disposal = 1, b.transparentIndex = 7;
    a.control = true, a.disposal = 1;
    s.frames = {a, b};
    cases.emplace_back("local tables only", s);
  }
  {
    GifSpec s;  // no table at all: the grey ramp
    s.width = 16, s.height = 16;
    FrameSpec f;
    f.width = 16, f.height = 16;
    CodeWriter w(8);
    w.clear();
    for (int i = 0; i < 256; ++i) w.literal(255 - i);
    w.end();
    s.frames.push_back(f);
    s.raw = rawGif(16, 16, w.blocks());
    cases.emplace_back("grey ramp", s);
  }
  {
    GifSpec s;  // many distinct strings: code sizes up to 12 and clear codes
    s.width = 96, s.height = 80;
    s.global = randomPalette(rng, 256);
    FrameSpec f;
    f.width = 96, f.height = 80;
    for (int i = 0; i < 96 * 80; ++i) f.indices.push_back(uint8_t(rng()));
    s.frames.push_back(f);
    FrameSpec g = randomFrame(rng, 0, 0, 96, 80, 3);  // few colours: long strings
    s.frames.push_back(g);
    cases.emplace_back("large, 256 colours", s);
  }
  {
    GifSpec s;  // a small table: indices beyond it read as black
    s.width = 4, s.height = 1;
    s.global = Palette{{0xFFFFFF, 0x808080}};
    FrameSpec f;
    f.width = 4, f.height = 1, f.indices = {0, 1, 0, 1};
    FrameSpec g = f;
    g.local = Palette{{0x112233, 0x445566, 0x778899, 0xAABBCC}};
    g.indices = {3, 2, 1, 0};
    s.frames = {f, g};
    cases.emplace_back("small tables", s);
  }
  return cases;
}

uint32_t to16(uint32_t c) {
  uint32_t v = ((c >> 8) & 0xF800) | ((c >> 5) & 0x07E0) | ((c >> 3) & 0x1F);
  return (v >> 11) << 3 << 16 | ((v >> 5) & 63) << 2 << 8 | (v & 31) << 3;
}

}  // namespace

TEST(Gif, DecodesLikeGiflibInBothDepths) {
  for (auto& [name, spec] : differentialCases()) {
    SCOPED_TRACE(name);
    std::vector<uint8_t> file = encode(spec);
    auto expected = referenceFrames(file);
    ASSERT_EQ(expected.size(), spec.frames.size());
    for (bool device : {false, true}) {
      MessageRecorder messages;
      GifFrames frames;
      int decoded = decodeGif(file.data(), file.size(), u"test.gif", false, device, nullptr, frames);
      EXPECT_EQ(messages.count(), 0u);
      ASSERT_EQ(decoded, int(expected.size()));
      ASSERT_EQ(frames.size(), expected.size());
      for (size_t k = 0; k < frames.size(); ++k) {
        const Image& img = *frames[k];
        ASSERT_EQ(img.width(), spec.width);
        ASSERT_EQ(img.height(), spec.height);
        EXPECT_EQ(img.bitsPerPixel(), device ? 16 : 32);
        EXPECT_FLOAT_EQ(img.frameDelay(), spec.frames[k].delay * 0.01f);
        int t = spec.frames[k].transparentIndex;
        if (t >= 0) {
          const Palette& p = spec.frames[k].local.colours.empty() ? spec.global : spec.frames[k].local;
          EXPECT_EQ(img.transparentColour(), int32_t(p.colours[t]));
        } else {
          EXPECT_EQ(img.transparentColour(), -1);
        }
        for (int y = 0; y < spec.height; ++y)
          for (int x = 0; x < spec.width; ++x) {
            uint32_t want = expected[k][size_t(y) * spec.width + x];
            ASSERT_EQ(img.getPixel(x, y), device ? to16(want) : want) << "frame " << k << " at " << x << "," << y;
          }
      }
    }
  }
}

TEST(Gif, InterlacedOneByThreePlacesRowsInPassOrder) {
  GifSpec s;
  s.width = 1, s.height = 3;
  s.global = Palette{{0x000000, 0xFF0000, 0x00FF00, 0x0000FF}};
  FrameSpec f;
  f.width = 1, f.height = 3, f.interlaced = true, f.indices = {1, 2, 3};
  s.frames.push_back(f);
  std::vector<uint8_t> file = encode(s);
  Image target;
  GifFrames none;
  ASSERT_EQ(decodeGif(file.data(), file.size(), u"x.gif", true, false, &target, none), 1);
  // The file carries rows 0, 2, 1 in that order; they land on rows 0, 1, 2.
  EXPECT_EQ(target.getPixel(0, 0), 0xFF0000u);
  EXPECT_EQ(target.getPixel(0, 1), 0x00FF00u);
  EXPECT_EQ(target.getPixel(0, 2), 0x0000FFu);
}

TEST(Gif, FirstFrameOnlyOfTwentyDecodesOneIntoTheTarget) {
  std::mt19937 rng(7);
  GifSpec s;
  s.width = 12, s.height = 9;
  s.global = randomPalette(rng, 16);
  for (int k = 0; k < 20; ++k) s.frames.push_back(randomFrame(rng, 0, 0, 12, 9, 16));
  s.frames[0].control = true;
  s.frames[0].transparentIndex = 2;
  s.frames[0].delay = 7;
  std::vector<uint8_t> file = encode(s);
  auto expected = referenceFrames(file);

  TempFolder folder;
  std::string path = folder.write("movie.gif", file);
  MessageRecorder messages;
  Image target;
  GifFrames frames;
  ASSERT_TRUE(loadGif(os::fromUtf8(gamePath(path)), true, false, &target, frames));
  EXPECT_TRUE(frames.empty());
  ASSERT_TRUE(target.valid());
  EXPECT_EQ(target.transparentColour(), int32_t(s.global.colours[2]));
  EXPECT_FLOAT_EQ(target.frameDelay(), 0.07f);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 12; ++x) ASSERT_EQ(target.getPixel(x, y), expected[0][y * 12 + x]);
  EXPECT_EQ(messages.count(), 0u);

  GifFrames all;
  ASSERT_TRUE(loadGif(os::fromUtf8(gamePath(path)), false, true, nullptr, all));
  EXPECT_EQ(all.size(), 20u);

  // The Image constructor takes the first frame as well.
  Image byPath(os::fromUtf8(gamePath(path)), true);
  ASSERT_TRUE(byPath.valid());
  EXPECT_EQ(byPath.bitsPerPixel(), 16);
  EXPECT_EQ(byPath.getPixel(5, 5), to16(expected[0][5 * 12 + 5]));
}

TEST(Gif, FullDictionaryWithoutClearIsCorrupt) {
  // 3838 new entries fill the table to 4096; the next one overflows it.
  for (int literals : {3838 + 1, 3838 + 2}) {
    CodeWriter w(8);
    w.clear();
    for (int i = 0; i < literals; ++i) w.literal(i % 251);
    w.end();
    std::vector<uint8_t> file = rawGif(64, 64, w.blocks());
    MessageRecorder messages;
    GifFrames frames;
    int decoded = decodeGif(file.data(), file.size(), u"full.gif", false, false, nullptr, frames);
    if (literals == 3839) {
      EXPECT_EQ(decoded, 1) << "a table of exactly 4096 entries is fine";
      EXPECT_EQ(messages.count(), 0u);
      EXPECT_EQ(frames[0]->getPixel(10, 0), 10u * 0x010101u);  // grey ramp
    } else {
      EXPECT_EQ(decoded, 0);
      EXPECT_TRUE(messages.has("Image File Corrupt", "Error"));
      EXPECT_TRUE(messages.has("Premature End Of Image File", "Error"));
      EXPECT_TRUE(frames.empty());
    }
  }
  // With a clear code before the table is full the same amount decodes.
  CodeWriter w(8);
  w.clear();
  for (int i = 0; i < 3000; ++i) w.literal(i % 200);
  w.clear();
  for (int i = 0; i < 1096; ++i) w.literal(7);
  w.end();
  std::vector<uint8_t> file = rawGif(64, 64, w.blocks());
  MessageRecorder messages;
  GifFrames frames;
  ASSERT_EQ(decodeGif(file.data(), file.size(), u"ok.gif", false, false, nullptr, frames), 1);
  EXPECT_EQ(messages.count(), 0u);
  EXPECT_EQ(frames[0]->getPixel(2999 % 64, 2999 / 64), uint32_t(2999 % 200) * 0x010101u);
  EXPECT_EQ(frames[0]->getPixel(63, 63), 7u * 0x010101u);
}

TEST(Gif, FailuresShowTheirMessages) {
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
    std::vector<std::pair<std::string, std::string>> messages;
    int frames;
  };
  CodeWriter good(2);
  good.clear();
  good.literal(1);
  good.end();
  std::vector<uint8_t> valid = rawGif(1, 1, good.blocks());
  std::vector<uint8_t> notGif = valid;
  notGif[0] = 'J';
  std::vector<uint8_t> huge = rawGif(1, 1, good.blocks());
  huge[6] = 0x01, huge[7] = 0x30;  // logical screen 12289 wide
  std::vector<uint8_t> bigFrame = rawGif(1, 1, good.blocks());
  bigFrame[13 + 5] = 0xFF, bigFrame[13 + 6] = 0xFF;  // frame 65535 wide
  CodeWriter undefined(2);
  undefined.clear();
  undefined.literal(1);
  undefined.literal(7);  // past the next free code (6)
  undefined.end();
  Case cases[] = {
      {"valid", valid, {}, 1},
      {"not a GIF", notGif, {{"Error: bad.gif is not a valid image.", "Error"}}, 1},
      {"no frame", std::vector<uint8_t>(valid.begin(), valid.begin() + 13),
       {{"Premature End Of Image File", "Error"}}, 0},
      {"empty", {}, {{"Error: bad.gif is not a valid image.", "Error"}, {"Premature End Of Image File", "Error"}}, 0},
      {"screen too large", huge, {{"Image File Corrupt", "Error"}, {"Premature End Of Image File", "Error"}}, 0},
      {"frame too large", bigFrame, {{"Image File Corrupt", "Error"}, {"Premature End Of Image File", "Error"}}, 0},
      {"undefined code", rawGif(4, 1, undefined.blocks()),
       {{"Image File Corrupt", "Error"}, {"Premature End Of Image File", "Error"}}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MessageRecorder messages;
    GifFrames frames;
    EXPECT_EQ(decodeGif(c.file.data(), c.file.size(), u"bad.gif", false, false, nullptr, frames), c.frames);
    EXPECT_EQ(MessageRecorder::messages(), c.messages);
    EXPECT_EQ(int(frames.size()), c.frames);
  }
  // In first-frame mode a corrupt frame leaves the target without bitmap.
  Image target(3, 3, false);
  GifFrames none;
  MessageRecorder messages;
  decodeGif(huge.data(), huge.size(), u"bad.gif", true, false, &target, none);
  EXPECT_FALSE(target.valid());
}

TEST(Gif, AnimationsHaveAPixelBudget) {
  // 8192 x 4096 screens: two frames fill the budget, the third is refused once and
  // decoding stops there.
  CodeWriter w(2);
  w.clear();
  w.literal(1);
  w.end();
  std::vector<uint8_t> file = {'G', 'I', 'F', '8', '9', 'a', 0x00, 0x20, 0x00, 0x10, 0x00, 0, 0};
  for (int k = 0; k < 4; ++k) {
    std::vector<uint8_t> desc = {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0};
    file.insert(file.end(), desc.begin(), desc.end());
    std::vector<uint8_t> data = w.blocks();
    file.insert(file.end(), data.begin(), data.end());
  }
  file.push_back(0x3B);
  MessageRecorder messages;
  GifFrames frames;
  EXPECT_EQ(decodeGif(file.data(), file.size(), u"big.gif", false, true, nullptr, frames), 2);
  EXPECT_EQ(frames.size(), 2u);
  EXPECT_EQ(MessageRecorder::messages(),
            (std::vector<std::pair<std::string, std::string>>{{"Image File Corrupt", "Error"}}));
  EXPECT_EQ(frames[1]->width(), 8192);
  EXPECT_EQ(frames[1]->height(), 4096);
}

TEST(Gif, MissingFileAndUnsupportedExtension) {
  MessageRecorder messages;
  GifFrames frames;
  EXPECT_FALSE(loadGif(u"\\no\\such\\dir\\..\\pic.gif", false, false, nullptr, frames));
  EXPECT_TRUE(messages.has("Error: can not find the image '\\no\\such\\pic.gif'.", "Exception"));
  messages.clear();
  Image png(u"title.png", true);
  EXPECT_FALSE(png.valid());
  EXPECT_TRUE(messages.has("Error: title.png is not a supported image.", "Error"));
}
