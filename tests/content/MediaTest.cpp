// Every picture, sound and module of the tree opened with the libraries a player's tools
// would use: giflib and libjpeg decode each picture, WAV headers and lengths are right,
// the engine loop's bands join seamlessly and rise in pitch, and libopenmpt plays every
// module for at least a minute with sound in it.
#include <gtest/gtest.h>
#include <gif_lib.h>
#include <jpeglib.h>
#include <libopenmpt/libopenmpt.h>

#include <cmath>
#include <csetjmp>
#include <cstring>
#include <set>

#include "TreeHelpers.h"

namespace {

bool endsWith(const std::string& s, const std::string& e) {
  return s.size() >= e.size() && s.compare(s.size() - e.size(), e.size(), e) == 0;
}

std::vector<std::string> treeFiles(const std::string& extension) {
  std::vector<std::string> out;
  for (const std::string& f : listTree(resourcesDir()))
    if (endsWith(f, extension)) out.push_back(f);
  return out;
}

struct GifInfo {
  int width = 0, height = 0, frames = 0, totalDelayCs = 0;
  bool keyClash = false;  // an opaque colour that a 16-bit display would take for the key
};

bool readGif(const std::string& path, GifInfo& info, std::string& error) {
  int err = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &err);
  if (!gif) {
    error = GifErrorString(err);
    return false;
  }
  if (DGifSlurp(gif) != GIF_OK) {
    error = GifErrorString(gif->Error);
    DGifCloseFile(gif, &err);
    return false;
  }
  info.width = gif->SWidth, info.height = gif->SHeight, info.frames = gif->ImageCount;
  for (int i = 0; i < gif->ImageCount; ++i) {
    GraphicsControlBlock gcb{};
    gcb.TransparentColor = NO_TRANSPARENT_COLOR;
    DGifSavedExtensionToGCB(gif, i, &gcb);
    info.totalDelayCs += gcb.DelayTime;
    ColorMapObject* map = gif->SavedImages[i].ImageDesc.ColorMap ? gif->SavedImages[i].ImageDesc.ColorMap : gif->SColorMap;
    if (!map || gcb.TransparentColor == NO_TRANSPARENT_COLOR) continue;
    GifColorType key = map->Colors[gcb.TransparentColor];
    auto to565 = [](GifColorType c) { return (c.Red & 0xF8) << 8 | (c.Green & 0xFC) << 3 | c.Blue >> 3; };
    // Used indices only: the decoder keys on colour, so a used twin of the key would vanish.
    std::set<int> used(gif->SavedImages[i].RasterBits,
                       gif->SavedImages[i].RasterBits + gif->SavedImages[i].ImageDesc.Width * gif->SavedImages[i].ImageDesc.Height);
    for (int idx : used)
      if (idx != gcb.TransparentColor && idx < map->ColorCount && to565(map->Colors[idx]) == to565(key)) info.keyClash = true;
  }
  DGifCloseFile(gif, &err);
  return true;
}

struct JpegErr {
  jpeg_error_mgr mgr;
  jmp_buf jump;
};
void jpegExit(j_common_ptr c) { longjmp(reinterpret_cast<JpegErr*>(c->err)->jump, 1); }

bool readJpeg(const Bytes& data, int& w, int& h, int& components) {
  jpeg_decompress_struct cinfo;
  JpegErr err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = jpegExit;
  err.mgr.emit_message = [](j_common_ptr, int) {};
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, const_cast<unsigned char*>(data.data()), (unsigned long)data.size());
  jpeg_read_header(&cinfo, TRUE);
  components = cinfo.num_components;
  jpeg_start_decompress(&cinfo);
  std::vector<JSAMPLE> row(size_t(cinfo.output_width) * cinfo.output_components);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW r = row.data();
    jpeg_read_scanlines(&cinfo, &r, 1);
  }
  w = int(cinfo.output_width), h = int(cinfo.output_height);
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

struct Wave {
  int rate = 0, bits = 0, channels = 0, format = 0;
  std::vector<float> samples;  // -1..1
};

bool readWave(const Bytes& b, Wave& w, std::string& error) {
  auto u32 = [&](size_t o) { return uint32_t(b[o]) | uint32_t(b[o + 1]) << 8 | uint32_t(b[o + 2]) << 16 | uint32_t(b[o + 3]) << 24; };
  auto u16 = [&](size_t o) { return int(b[o]) | int(b[o + 1]) << 8; };
  if (b.size() < 44 || std::memcmp(b.data(), "RIFF", 4) || std::memcmp(b.data() + 8, "WAVE", 4)) {
    error = "not RIFF/WAVE";
    return false;
  }
  if (u32(4) + 8 != b.size()) {
    error = "RIFF size does not match the file";
    return false;
  }
  size_t pos = 12;
  bool fmt = false;
  while (pos + 8 <= b.size()) {
    uint32_t size = u32(pos + 4);
    if (!std::memcmp(b.data() + pos, "fmt ", 4)) {
      w.format = u16(pos + 8), w.channels = u16(pos + 10), w.rate = int(u32(pos + 12)), w.bits = u16(pos + 22);
      fmt = true;
    } else if (!std::memcmp(b.data() + pos, "data", 4)) {
      if (!fmt || pos + 8 + size > b.size()) {
        error = "data before fmt or beyond the file";
        return false;
      }
      for (uint32_t i = 0; i < size; i += uint32_t(w.bits / 8))
        w.samples.push_back(w.bits == 8 ? (b[pos + 8 + i] - 128) / 128.0f
                                        : int16_t(u16(pos + 8 + i)) / 32768.0f);
      return true;
    }
    pos += 8 + size + (size & 1);
  }
  error = "no data chunk";
  return false;
}

// Repetition period (in samples) between lo and hi: the shortest lag whose
// autocorrelation peak comes close to the strongest one (multiples of the true period
// correlate as well, so the strongest alone is ambiguous).
int period(const std::vector<float>& s, size_t from, size_t len, int lo, int hi) {
  std::vector<double> r(size_t(hi) + 2, 0.0);
  double best = -1e30;
  for (int p = lo; p <= hi + 1; ++p) {
    double score = 0;
    for (size_t i = from; i + size_t(p) < from + len; ++i) score += s[i] * s[i + size_t(p)];
    r[size_t(p)] = score / double(len - size_t(p));
    best = std::max(best, r[size_t(p)]);
  }
  for (int p = lo + 1; p <= hi; ++p)
    if (r[size_t(p)] >= r[size_t(p) - 1] && r[size_t(p)] >= r[size_t(p) + 1] && r[size_t(p)] >= 0.85 * best) return p;
  return hi;
}

}  // namespace

TEST(ContentMedia, EveryGifDecodesWithGiflib) {
  auto gifs = treeFiles(".gif");
  ASSERT_GE(gifs.size(), 40u);
  for (const std::string& f : gifs) {
    GifInfo info;
    std::string error;
    ASSERT_TRUE(readGif(resourcesDir() + f, info, error)) << f << ": " << error;
    EXPECT_GT(info.width, 0) << f;
    EXPECT_GT(info.frames, 0) << f;
    EXPECT_FALSE(info.keyClash) << f << " uses a colour the game would take for transparent";
    if (f.find("/font") != std::string::npos) {
      // Bitmap fonts: 16 x 6 cells for the characters 32..127.
      EXPECT_EQ(info.width % 16, 0) << f;
      EXPECT_EQ(info.height % 6, 0) << f;
    }
  }
}

TEST(ContentMedia, AnimationsHaveTheirFrames) {
  struct Case {
    const char* file;
    int minFrames, maxFrames, minDelayCs;
  };
  const Case cases[] = {{"GUI/KS.movie0.gif", 12, 80, 150},
                        {"GUI/KS.movie1.gif", 12, 80, 150},
                        {"GUI/KS.movie2.gif", 12, 80, 150},
                        // Frames for speed frames 0..10 (top speed 46.9 x 0.2324 = 10).
                        {"GUI/speedometer.gif", 11, 11, 0}};
  GifInfo first;
  for (const Case& c : cases) {
    GifInfo info;
    std::string error;
    ASSERT_TRUE(readGif(resourcesDir() + c.file, info, error)) << c.file << ": " << error;
    EXPECT_GE(info.frames, c.minFrames) << c.file;
    EXPECT_LE(info.frames, c.maxFrames) << c.file;
    EXPECT_GE(info.totalDelayCs, c.minDelayCs) << c.file;
    if (std::string(c.file).find("movie") != std::string::npos) {
      if (first.width == 0) first = info;
      EXPECT_EQ(info.width, first.width) << "the movie files must share one size";
      EXPECT_EQ(info.height, first.height);
    }
  }
}

TEST(ContentMedia, EveryJpegDecodesAsRgbWithLibjpeg) {
  auto jpegs = treeFiles(".jpg");
  ASSERT_FALSE(jpegs.empty());
  for (const std::string& f : jpegs) {
    Bytes data;
    ASSERT_TRUE(readBytes(resourcesDir() + f, data));
    int w = 0, h = 0, components = 0;
    ASSERT_TRUE(readJpeg(data, w, h, components)) << f;
    EXPECT_EQ(components, 3) << f << ": the game converts three components only";
    EXPECT_GT(w, 0);
    EXPECT_GT(h, 0);
  }
}

TEST(ContentMedia, EveryWaveHasAPlayableHeaderAndLength) {
  struct Case {
    const char* file;
    float minSeconds, maxSeconds;
  };
  const Case cases[] = {{"GUI/motor.wav", 5.0f, 5.2f},    {"GUI/bang.wav", 0.2f, 1.0f},
                        {"GUI/brake.wav", 0.3f, 1.5f},    {"GUI/screech.wav", 0.3f, 1.5f},
                        {"GUI/whistle0.wav", 0.1f, 0.6f}, {"GUI/whistle1.wav", 0.4f, 1.5f},
                        {"GUI/transit.wav", 0.05f, 0.5f}};
  for (const Case& c : cases) {
    Bytes data;
    ASSERT_TRUE(readBytes(resourcesDir() + c.file, data)) << c.file;
    Wave w;
    std::string error;
    ASSERT_TRUE(readWave(data, w, error)) << c.file << ": " << error;
    EXPECT_EQ(w.format, 1) << c.file;
    EXPECT_EQ(w.channels, 1) << c.file;
    EXPECT_TRUE(w.bits == 8 || w.bits == 16) << c.file;
    EXPECT_GE(w.rate, 8000) << c.file;
    float seconds = float(w.samples.size()) / float(w.rate);
    EXPECT_GE(seconds, c.minSeconds) << c.file;
    EXPECT_LE(seconds, c.maxSeconds) << c.file;
    float peak = 0;
    for (float s : w.samples) peak = std::max(peak, std::fabs(s));
    EXPECT_GT(peak, 0.3f) << c.file << " is nearly silent";
  }
}

// The race keeps the motor's play position in the band of the current speed and jumps
// back to the band start at its end: each band must loop without a click, and the bands
// must sound faster from 0 to 9.
TEST(ContentMedia, MotorBandsLoopSeamlesslyAndRiseInPitch) {
  Bytes data;
  ASSERT_TRUE(readBytes(resourcesDir() + "GUI/motor.wav", data));
  Wave w;
  std::string error;
  ASSERT_TRUE(readWave(data, w, error)) << error;
  size_t bandLen = w.samples.size() * 100 / 102 / 10;
  ASSERT_GT(bandLen, size_t(w.rate / 10));
  int lastPeriod = 1 << 30;
  for (size_t b = 0; b < 10; ++b) {
    size_t start = b * bandLen, end = start + bandLen;
    // The sample after the band's last one is the band's first again when looping.
    float jump = std::fabs(w.samples[start] - w.samples[end - 1]);
    float typicalStep = 0;
    for (size_t i = start + 1; i < end; ++i) typicalStep += std::fabs(w.samples[i] - w.samples[i - 1]);
    typicalStep /= float(bandLen - 1);
    EXPECT_LT(jump, std::max(0.05f, 4 * typicalStep)) << "band " << b << " clicks when it loops";
    int p = period(w.samples, start, bandLen, w.rate / 150, w.rate / 12);
    EXPECT_LT(p, lastPeriod) << "band " << b << " is not faster than the band below";
    lastPeriod = p;
  }
}

TEST(ContentMedia, EveryModulePlaysForAMinuteInLibopenmpt) {
  auto mods = treeFiles(".mod");
  ASSERT_EQ(mods.size(), 10u);  // title, score board and eight tracks
  std::set<Bytes> distinct;
  for (const std::string& f : mods) {
    Bytes data;
    ASSERT_TRUE(readBytes(resourcesDir() + f, data));
    ASSERT_GT(data.size(), 1084u);
    EXPECT_EQ(std::string(data.begin() + 1080, data.begin() + 1084), "M.K.") << f;
    distinct.insert(data);
    int error = 0;
    std::string errors;
    openmpt_module* mod = openmpt_module_create_from_memory2(
        data.data(), data.size(),
        [](const char* message, void* user) {
          std::string m = message;
          if (m.find("rror") != std::string::npos) *static_cast<std::string*>(user) += m + "\n";
        },
        &errors, nullptr, nullptr, &error, nullptr, nullptr);
    ASSERT_NE(mod, nullptr) << f << ": libopenmpt error " << error;
    EXPECT_TRUE(errors.empty()) << f << ": " << errors;
    EXPECT_EQ(openmpt_module_get_num_channels(mod), 4) << f;
    double duration = openmpt_module_get_duration_seconds(mod);
    EXPECT_GE(duration, 60.0) << f;
    EXPECT_LE(duration, 240.0) << f;
    // Render the whole song at the game's 8000 Hz and check it is music, not silence.
    std::vector<int16_t> buffer(8000);
    size_t frames = 0;
    double energy = 0;
    while (size_t n = openmpt_module_read_mono(mod, 8000, buffer.size(), buffer.data())) {
      for (size_t i = 0; i < n; ++i) energy += double(buffer[i]) * buffer[i];
      frames += n;
      if (frames > size_t(8000 * 300)) break;
    }
    EXPECT_GE(frames, size_t(8000 * 60)) << f;
    double rms = std::sqrt(energy / double(std::max<size_t>(frames, 1)));
    EXPECT_GT(rms, 500.0) << f << " is too quiet";
    openmpt_module_destroy(mod);
  }
  EXPECT_EQ(distinct.size(), mods.size()) << "two songs are identical";
}

// Songs are written from a key and a mode: every melody, bass and chord-root note of a
// module must belong to that scale, the melody must move, and all four channels play.
TEST(ContentMedia, ModulesStayInTheKeyOfTheirSong) {
  const int periods[36] = {856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453,
                           428, 404, 381, 360, 339, 320, 302, 285, 269, 254, 240, 226,
                           214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113};
  const std::map<std::string, int> keys = {{"C", 0}, {"C#", 1}, {"Db", 1}, {"D", 2},  {"D#", 3},  {"Eb", 3},
                                           {"E", 4}, {"F", 5},  {"F#", 6}, {"Gb", 6}, {"G", 7},   {"G#", 8},
                                           {"Ab", 8}, {"A", 9}, {"A#", 10}, {"Bb", 10}, {"B", 11}};
  const std::map<std::string, std::vector<int>> modes = {
      {"major", {0, 2, 4, 5, 7, 9, 11}},  {"minor", {0, 2, 3, 5, 7, 8, 10}},      {"dorian", {0, 2, 3, 5, 7, 9, 10}},
      {"mixolydian", {0, 2, 4, 5, 7, 9, 10}}, {"harmonic", {0, 2, 3, 5, 7, 8, 11}}, {"lydian", {0, 2, 4, 6, 7, 9, 11}}};
  int songs = 0;
  for (const std::string& song : listTree(std::string(KS_CONTENT_SOURCE) + "/music")) {
    std::map<std::string, std::string> cfg;
    for (const TemplateLine& l : readTemplate(std::string(KS_CONTENT_SOURCE) + "/music/" + song)) cfg[l.key] = l.value;
    ASSERT_TRUE(keys.count(cfg["key"]) && modes.count(cfg["mode"])) << song;
    std::set<int> scale;
    for (int m : modes.at(cfg["mode"])) scale.insert((keys.at(cfg["key"]) + m) % 12);
    Bytes d;
    ASSERT_TRUE(readBytes(resourcesDir() + cfg["file"], d)) << song << " -> " << cfg["file"];
    ++songs;
    int patterns = 0;
    for (int i = 0; i < d[950]; ++i) patterns = std::max(patterns, d[952 + i] + 1);
    ASSERT_GE(d.size(), size_t(1084 + patterns * 1024));
    int lowest = 99, highest = -1, perChannel[4] = {};
    for (int p = 0; p < patterns; ++p)
      for (int row = 0; row < 64; ++row)
        for (int ch = 0; ch < 4; ++ch) {
          const uint8_t* n = &d[size_t(1084 + p * 1024 + row * 16 + ch * 4)];
          int period = (n[0] & 15) << 8 | n[1];
          if (!period) continue;
          ++perChannel[ch];
          if (ch == 3) continue;  // drums
          int index = int(std::find(periods, periods + 36, period) - periods);
          ASSERT_LT(index, 36) << song << ": period " << period << " is not a note";
          EXPECT_TRUE(scale.count(index % 12)) << song << ": note " << index << " on channel " << ch << " is off the scale";
          if (ch == 0) lowest = std::min(lowest, index), highest = std::max(highest, index);
        }
    for (int ch = 0; ch < 4; ++ch) EXPECT_GT(perChannel[ch], 20) << song << ": channel " << ch << " is nearly empty";
    EXPECT_GE(highest - lowest, 7) << song << ": the melody hardly moves";
  }
  EXPECT_EQ(songs, 10);
}
