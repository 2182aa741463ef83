// Wave loading: PCM layouts, the format chunk's length, chunk search, Microsoft ADPCM
// (checked against a small encoder written here), and files that are cut short or lie
// about their sizes: refused or cut, never read outside the file.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "SoundFixtures.h"
#include "sound/Sound.h"

namespace {

using fixtures::WavSpec;

int load(WaveSample& w, const std::vector<uint8_t>& file) { return w.loadFromMemory(file.data(), file.size()); }

const int16_t StandardCoefficients[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
const int Adaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230};

// A plain Microsoft ADPCM encoder: per channel a fixed predictor, nibbles chosen by
// rounding the prediction error, the decoder's own state update mirrored.
std::vector<uint8_t> encodeAdpcm(const std::vector<int16_t>& pcm, int channels, int blockAlign,
                                 const int predictor[2]) {
  const int perBlock = 2 + (blockAlign - 7 * channels) * 2 / channels;
  const size_t frames = pcm.size() / channels;
  std::vector<uint8_t> out;
  for (size_t start = 0; start < frames; start += perBlock) {
    size_t blockStart = out.size();
    int s1[2], s2[2], delta[2];
    for (int c = 0; c < channels; ++c) out.push_back(uint8_t(predictor[c]));
    for (int c = 0; c < channels; ++c) { delta[c] = 16; fixtures::put16(out, 16); }
    for (int c = 0; c < channels; ++c) { s1[c] = pcm[(start + 1) * channels + c]; fixtures::put16(out, uint16_t(s1[c])); }
    for (int c = 0; c < channels; ++c) { s2[c] = pcm[start * channels + c]; fixtures::put16(out, uint16_t(s2[c])); }
    int pending = -1;
    for (size_t f = start + 2; f < start + perBlock; ++f) {
      for (int c = 0; c < channels; ++c) {
        int x = f < frames ? pcm[f * channels + c] : 0;
        const int16_t* k = StandardCoefficients[predictor[c]];
        int predicted = (s1[c] * k[0] + s2[c] * k[1]) >> 8;
        int n = int(std::lround(double(x - predicted) / delta[c]));
        n = n < -8 ? -8 : (n > 7 ? 7 : n);
        int value = predicted + n * delta[c];
        value = value < -32768 ? -32768 : (value > 32767 ? 32767 : value);
        s2[c] = s1[c];
        s1[c] = value;
        int nibble = n & 15;
        delta[c] = Adaptation[nibble] * delta[c] >> 8;
        if (delta[c] < 16) delta[c] = 16;
        if (pending < 0) pending = nibble << 4;
        else { out.push_back(uint8_t(pending | nibble)); pending = -1; }
      }
    }
    if (pending >= 0) out.push_back(uint8_t(pending));
    out.resize(blockStart + blockAlign, 0);
  }
  return out;
}

WavSpec adpcmSpec(int channels, int blockAlign, const std::vector<uint8_t>& data, int coefficientCount = 7) {
  WavSpec s;
  s.tag = 2;
  s.bits = 4;
  s.channels = uint16_t(channels);
  s.rate = 11025;
  s.blockAlign = uint16_t(blockAlign);
  fixtures::put16(s.fmtExtra, uint16_t(4 + 4 * coefficientCount));
  fixtures::put16(s.fmtExtra, uint16_t(2 + (blockAlign - 7 * channels) * 2 / channels));
  fixtures::put16(s.fmtExtra, uint16_t(coefficientCount));
  for (int i = 0; i < coefficientCount; ++i) {
    fixtures::put16(s.fmtExtra, uint16_t(StandardCoefficients[i % 7][0]));
    fixtures::put16(s.fmtExtra, uint16_t(StandardCoefficients[i % 7][1]));
  }
  s.data = data;
  return s;
}

std::vector<int16_t> sine(size_t frames, int channels) {
  std::vector<int16_t> pcm;
  for (size_t i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      pcm.push_back(int16_t(12000 * std::sin(double(i) * (0.05 + 0.03 * c))));
  return pcm;
}

}  // namespace

TEST(WaveLoading, PcmLayoutsGiveFramesRateAndFormat) {
  struct Case { uint16_t bits, channels; size_t bytes; uint32_t frames; };
  const Case cases[] = {{8, 1, 100, 100}, {8, 2, 100, 50}, {16, 1, 100, 50}, {16, 2, 100, 25}, {16, 1, 101, 50}};
  for (const Case& c : cases) {
    WavSpec s;
    s.bits = c.bits;
    s.channels = c.channels;
    s.rate = 22050;
    for (size_t i = 0; i < c.bytes; ++i) s.data.push_back(uint8_t(i * 7));
    WaveSample w;
    ASSERT_EQ(load(w, fixtures::makeWav(s)), SoundLoaded);
    EXPECT_EQ(w.length, c.frames) << c.bits << "-bit " << c.channels << "ch";
    EXPECT_EQ(w.eightBit, c.bits == 8);
    EXPECT_EQ(w.stereo, c.channels == 2);
    EXPECT_EQ(w.rate, 22050u);
    EXPECT_EQ(w.frequency, 22050u);
    EXPECT_EQ(w.pitch, 128);
    if (c.bits == 16) EXPECT_EQ(w.pcm16[1], int16_t(uint16_t(14 | (21 << 8))));
    else EXPECT_EQ(w.pcm8[3], 21);
  }
}

TEST(WaveLoading, FormatChunkLengthAndOtherChunks) {
  struct Case { const char* what; size_t fmtExtra; std::vector<std::vector<uint8_t>> before; };
  const Case cases[] = {
      {"16-byte fmt chunk", 0, {}},
      {"18-byte fmt chunk", 2, {}},
      {"fmt chunk longer than 80 bytes", 90, {}},
      {"LIST and fact chunks before the data", 0, {fixtures::chunk("LIST", 26, 26), fixtures::chunk("fact", 4, 4)}},
  };
  for (const Case& c : cases) {
    WavSpec s;
    s.fmtExtra.assign(c.fmtExtra, 0);
    s.chunksBeforeData = c.before;
    s.data = {10, 20, 30, 40, 50};
    WaveSample w;
    ASSERT_EQ(load(w, fixtures::makeWav(s)), SoundLoaded) << c.what;
    EXPECT_EQ(w.pcm8, (std::vector<uint8_t>{10, 20, 30, 40, 50})) << c.what;
  }
}

TEST(WaveLoading, UnsupportedFormatsAreRefused) {
  struct Case { const char* what; uint16_t tag, bits, channels; };
  const Case cases[] = {{"4-bit IMA ADPCM", 0x11, 4, 1}, {"4-bit PCM", 1, 4, 1}, {"24-bit", 1, 24, 1},
                        {"32-bit float", 3, 32, 1},     {"three channels", 1, 8, 3}, {"12-bit", 1, 12, 1}};
  for (const Case& c : cases) {
    WavSpec s;
    s.tag = c.tag;
    s.bits = c.bits;
    s.channels = c.channels;
    s.blockAlign = 4;
    s.fmtExtra.assign(34, 0);
    s.data.assign(64, 1);
    WaveSample w;
    EXPECT_EQ(load(w, fixtures::makeWav(s)), SoundUnsupported) << c.what;
    EXPECT_FALSE(w.hasData());
  }
  // Microsoft ADPCM with other than the seven standard coefficient pairs.
  WaveSample w;
  EXPECT_EQ(load(w, fixtures::makeWav(adpcmSpec(1, 256, std::vector<uint8_t>(256, 0), 4))), SoundUnsupported);
}

TEST(WaveLoading, BrokenFilesAreRefusedOrCutNeverReadPastTheEnd) {
  WavSpec good;
  good.data.assign(40, 200);
  const auto file = fixtures::makeWav(good);
  struct Case { const char* what; std::vector<uint8_t> bytes; int expected; uint32_t frames; };
  std::vector<Case> cases;
  cases.push_back({"ten bytes", std::vector<uint8_t>(file.begin(), file.begin() + 10), SoundMalformed, 0});
  auto notFmt = file;
  notFmt.at(12) = 'j';  // "fmt " becomes "jmt "
  cases.push_back({"no fmt chunk first", notFmt, SoundMalformed, 0});
  auto hugeFmt = file;
  hugeFmt[16] = 0xF0; hugeFmt[17] = 0xFF; hugeFmt[18] = 0xFF; hugeFmt[19] = 0x7F;
  cases.push_back({"fmt size past the end", hugeFmt, SoundMalformed, 0});
  auto tinyFmt = file;
  tinyFmt[16] = 8;
  cases.push_back({"fmt chunk of 8 bytes", tinyFmt, SoundMalformed, 0});
  WavSpec noData = good;
  noData.withData = false;
  noData.chunksBeforeData = {fixtures::chunk("LIST", 4, 4)};
  cases.push_back({"no data chunk", fixtures::makeWav(noData), SoundMalformed, 0});
  WavSpec liar = good;
  liar.chunksBeforeData = {fixtures::chunk("LIST", 0x7FFFFFF0u, 4)};
  cases.push_back({"chunk size past the end", fixtures::makeWav(liar), SoundMalformed, 0});
  WavSpec zero = good;
  zero.dataSizeOverride = 0;
  cases.push_back({"data size 0", fixtures::makeWav(zero), SoundMalformed, 0});
  WavSpec longData = good;
  longData.dataSizeOverride = 100000;
  cases.push_back({"data size past the end", fixtures::makeWav(longData), SoundLoaded, 40});
  cases.push_back({"data cut in the header", std::vector<uint8_t>(file.begin(), file.begin() + 40), SoundMalformed, 0});
  WavSpec noRate = good;
  noRate.rate = 0;
  cases.push_back({"rate 0", fixtures::makeWav(noRate), SoundMalformed, 0});
  for (const Case& c : cases) {
    WaveSample w;
    // Copy into an exact-size heap block so a read past the end is caught by sanitizers.
    std::unique_ptr<uint8_t[]> exact(new uint8_t[c.bytes.size()]);
    std::memcpy(exact.get(), c.bytes.data(), c.bytes.size());
    EXPECT_EQ(w.loadFromMemory(exact.get(), c.bytes.size()), c.expected) << c.what;
    EXPECT_EQ(w.length, c.frames) << c.what;
    EXPECT_EQ(w.hasData(), c.expected == SoundLoaded) << c.what;
  }
}

TEST(WaveLoading, AdpcmDecodesMonoAndStereoCloseToTheSource) {
  struct Case { int channels; int blockAlign; size_t frames; int predictors[2]; };
  const Case cases[] = {{1, 256, 1500, {1, 0}}, {2, 512, 1300, {4, 6}}, {1, 64, 60, {0, 0}}};
  for (const Case& c : cases) {
    const auto pcm = sine(c.frames, c.channels);
    const auto encoded = encodeAdpcm(pcm, c.channels, c.blockAlign, c.predictors);
    WaveSample w;
    ASSERT_EQ(load(w, fixtures::makeWav(adpcmSpec(c.channels, c.blockAlign, encoded))), SoundLoaded);
    const size_t perBlock = 2 + size_t(c.blockAlign - 7 * c.channels) * 2 / c.channels;
    const size_t blocks = (c.frames + perBlock - 1) / perBlock;
    EXPECT_EQ(w.length, blocks * perBlock) << c.channels << " channels";
    EXPECT_FALSE(w.eightBit);
    EXPECT_EQ(w.stereo, c.channels == 2);
    double error = 0;
    for (size_t i = 0; i < pcm.size(); ++i) error += std::abs(double(w.pcm16[i]) - pcm[i]);
    EXPECT_LT(error / double(pcm.size()), 300.0) << "mean error, " << c.channels << " channels";
  }
}

TEST(WaveLoading, AdpcmWithBadBlocksIsRefusedOrCut) {
  const int predictors[2] = {1, 1};
  const auto encoded = encodeAdpcm(sine(1500, 1), 1, 256, predictors);
  WaveSample w;
  // A predictor index past the seven pairs in the third block.
  auto badPredictor = encoded;
  badPredictor[512] = 9;
  EXPECT_EQ(load(w, fixtures::makeWav(adpcmSpec(1, 256, badPredictor))), SoundMalformed);
  EXPECT_FALSE(w.hasData());
  // A block size too small to hold a block header.
  EXPECT_EQ(load(w, fixtures::makeWav(adpcmSpec(1, 6, encoded))), SoundMalformed);
  // A last block cut inside its header is dropped; one cut in its samples is kept in part.
  std::vector<uint8_t> cutHeader(encoded.begin(), encoded.begin() + 256 * 2 + 4);
  ASSERT_EQ(load(w, fixtures::makeWav(adpcmSpec(1, 256, cutHeader))), SoundLoaded);
  EXPECT_EQ(w.length, 2u * 500);
  std::vector<uint8_t> cutSamples(encoded.begin(), encoded.begin() + 256 * 2 + 7 + 10);
  ASSERT_EQ(load(w, fixtures::makeWav(adpcmSpec(1, 256, cutSamples))), SoundLoaded);
  EXPECT_EQ(w.length, 2u * 500 + 2 + 20);
  // A format chunk too short for its coefficient table.
  WavSpec shortFmt = adpcmSpec(1, 256, encoded);
  shortFmt.fmtExtra.resize(10);
  EXPECT_EQ(load(w, fixtures::makeWav(shortFmt)), SoundMalformed);
}

TEST(WaveLoading, SettersClampAndKeepPitchAndFrequencyTogether) {
  WavSpec s;
  s.rate = 11025;
  s.data.assign(10, 128);
  WaveSample w;
  ASSERT_EQ(load(w, fixtures::makeWav(s)), SoundLoaded);
  w.setPitch(256);
  EXPECT_EQ(w.frequency, 22050u);
  w.setFrequency(5512);
  EXPECT_EQ(w.pitch, 63);  // (5512 << 16) / 11025 >> 9
  w.setVolume(-3);
  EXPECT_EQ(w.volume, 0);
  w.setPanning(999);
  EXPECT_EQ(w.panning, 255);
  w.setLoop(true);
  EXPECT_TRUE(w.loop);
}
