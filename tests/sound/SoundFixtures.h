// Small generated sound files for the sound tests: RIFF/WAVE images with any format
// chunk and chunk order, MOD images built note by note, and a way to open the headless
// wave-out device without the backend selection.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Audio.h"

namespace fixtures {

inline void put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(uint8_t(x));
  v.push_back(uint8_t(x >> 8));
}
inline void put32(std::vector<uint8_t>& v, uint32_t x) {
  put16(v, x & 0xFFFF);
  put16(v, x >> 16);
}
inline void putTag(std::vector<uint8_t>& v, const char* tag) { v.insert(v.end(), tag, tag + 4); }

struct WavSpec {
  uint16_t tag = 1;
  uint16_t channels = 1;
  uint32_t rate = 8000;
  uint16_t bits = 8;
  uint16_t blockAlign = 0;              // 0: channels * bits / 8
  std::vector<uint8_t> fmtExtra;        // bytes after the 16 standard ones
  std::vector<uint8_t> data;
  std::vector<std::vector<uint8_t>> chunksBeforeData;  // whole chunks (header included)
  bool withData = true;
  int32_t dataSizeOverride = -1;        // a size field that lies
};

inline std::vector<uint8_t> makeWav(const WavSpec& s) {
  std::vector<uint8_t> v;
  putTag(v, "RIFF");
  put32(v, 0);
  putTag(v, "WAVE");
  putTag(v, "fmt ");
  put32(v, uint32_t(16 + s.fmtExtra.size()));
  put16(v, s.tag);
  put16(v, s.channels);
  put32(v, s.rate);
  uint16_t align = s.blockAlign ? s.blockAlign : uint16_t(s.channels * (s.bits ? s.bits : 8) / 8);
  put32(v, s.rate * align);
  put16(v, align);
  put16(v, s.bits);
  v.insert(v.end(), s.fmtExtra.begin(), s.fmtExtra.end());
  for (const auto& c : s.chunksBeforeData) v.insert(v.end(), c.begin(), c.end());
  if (s.withData) {
    putTag(v, "data");
    put32(v, s.dataSizeOverride >= 0 ? uint32_t(s.dataSizeOverride) : uint32_t(s.data.size()));
    v.insert(v.end(), s.data.begin(), s.data.end());
  }
  uint32_t riff = uint32_t(v.size() - 8);
  std::memcpy(&v[4], &riff, 4);
  return v;
}

inline std::vector<uint8_t> chunk(const char* tag, uint32_t declaredSize, size_t realSize) {
  std::vector<uint8_t> v;
  putTag(v, tag);
  put32(v, declaredSize);
  v.resize(v.size() + realSize, 0x55);
  return v;
}

// A MOD image: 31 sample slots, song, patterns, sample data.
struct ModBuilder {
  int channels = 4;
  std::string signature = "M.K.";
  std::vector<int> orders{0};
  int restart = 127;
  struct Sample {
    std::vector<int8_t> data;
    int volume = 64, finetune = 0, loopStart = 0, loopLength = 0;  // words for loops
  };
  Sample samples[32];
  std::vector<std::vector<uint8_t>> patterns;

  void ensurePattern(int p) {
    while (int(patterns.size()) <= p) patterns.emplace_back(size_t(channels) * 64 * 4, 0);
  }
  void note(int pattern, int row, int channel, int sample, int period, int effect = 0, int param = 0) {
    ensurePattern(pattern);
    uint8_t* n = &patterns[size_t(pattern)][size_t((row * channels + channel) * 4)];
    n[0] = uint8_t((sample & 0xF0) | ((period >> 8) & 0x0F));
    n[1] = uint8_t(period & 0xFF);
    n[2] = uint8_t(((sample & 0x0F) << 4) | (effect & 0x0F));
    n[3] = uint8_t(param);
  }
  void effect(int pattern, int row, int channel, int effect, int param) { note(pattern, row, channel, 0, 0, effect, param); }
  // A square-ish wave that is never silent, so a playing channel is always audible.
  void squareSample(int index, int words, int amplitude = 100, bool looped = true) {
    Sample& s = samples[index];
    s.data.resize(size_t(words) * 2);
    for (size_t i = 0; i < s.data.size(); ++i) s.data[i] = int8_t(((i / 8) & 1) ? amplitude : -amplitude);
    s.loopStart = 0;
    s.loopLength = looped ? words : 0;
  }
  std::vector<uint8_t> build() const {
    std::vector<uint8_t> v(1084, 0);
    std::memcpy(&v[0], "generated song", 14);
    for (int i = 1; i <= 31; ++i) {
      uint8_t* h = &v[size_t(20 + (i - 1) * 30)];
      const Sample& s = samples[i];
      uint32_t words = uint32_t(s.data.size() / 2);
      h[22] = uint8_t(words >> 8);
      h[23] = uint8_t(words);
      h[24] = uint8_t(s.finetune);
      h[25] = uint8_t(s.volume);
      h[26] = uint8_t(s.loopStart >> 8);
      h[27] = uint8_t(s.loopStart);
      int loopWords = s.loopLength ? s.loopLength : 1;
      h[28] = uint8_t(loopWords >> 8);
      h[29] = uint8_t(loopWords);
    }
    v[950] = uint8_t(orders.size());
    v[951] = uint8_t(restart);
    int highest = 0;
    for (size_t i = 0; i < orders.size(); ++i) {
      v[952 + i] = uint8_t(orders[i]);
      if (orders[i] > highest) highest = orders[i];
    }
    std::memcpy(&v[1080], signature.data(), 4);
    for (int p = 0; p <= highest; ++p) {
      if (p < int(patterns.size())) v.insert(v.end(), patterns[size_t(p)].begin(), patterns[size_t(p)].end());
      else v.insert(v.end(), size_t(channels) * 256, 0);
    }
    for (int i = 1; i <= 31; ++i)
      for (int8_t b : samples[i].data) v.push_back(uint8_t(b));
    return v;
  }
};

// Opens only the headless device (what the game's device 0 is in headless runs).
inline int openHeadless(os::WaveOut** device, uint32_t deviceId, const os::WaveFormat& format,
                        os::WaveOutProc proc, void* instance) {
  if (deviceId != 0) return os::MMSYSERR_BADDEVICEID;
  return os::waveOutOpenOn(os::headlessAudioBackend(), device, format, proc, instance);
}

}  // namespace fixtures
