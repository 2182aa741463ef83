// The MOD replay against libopenmpt on modules generated here: both must agree on how
// many rows a song plays and, within half a percent, how long it lasts, for songs that
// use speed, tempo, pattern breaks, position jumps, pattern loops and pattern delays.
// (Our tick lasts one output sample longer than the exact tempo; that is the tolerance.)
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <cmath>
#include <functional>

#include "SoundFixtures.h"
#include "sound/Mixer.h"

namespace {

using fixtures::ModBuilder;
constexpr int Rate = 44100;

struct Length { long rows = 0; double seconds = 0; };

Length ours(const std::vector<uint8_t>& image) {
  Mixer mixer;
  EXPECT_EQ(mixer.initOffline(Rate, 16, false, 1, 8), SoundOk);
  ModuleMusic music;
  EXPECT_EQ(music.loadFromMemory(image.data(), image.size()), SoundLoaded);
  EXPECT_EQ(mixer.play(&music, PlayAnyVoice), 0);
  MusicVoice* voice = static_cast<MusicVoice*>(mixer.voice(0));
  long samples = 0;
  int32_t l, r;
  while (!voice->isStopped() && samples < 600L * Rate) {
    l = r = 0;
    voice->renderStep(l, r, false);
    ++samples;
  }
  EXPECT_TRUE(voice->isStopped());
  return {voice->rowsRead(), double(samples) / Rate};
}

Length openmpt(const std::vector<uint8_t>& image) {
  int error = 0;
  openmpt_module* mod = openmpt_module_create_from_memory2(image.data(), image.size(), openmpt_log_func_silent,
                                                           nullptr, nullptr, nullptr, &error, nullptr, nullptr);
  EXPECT_NE(mod, nullptr) << "libopenmpt error " << error;
  if (!mod) return {};
  Length length;
  length.seconds = openmpt_module_get_duration_seconds(mod);
  // Count the rows that start within the song while rendering in 1 ms steps (a row
  // lasts far longer); the end of the render reports the position the song wraps to.
  int16_t buffer[44];
  int32_t lastOrder = -1, lastRow = -1;
  long rendered = 0;
  while (openmpt_module_read_mono(mod, Rate, 44, buffer) > 0) {
    const int32_t order = openmpt_module_get_current_order(mod);
    const int32_t row = openmpt_module_get_current_row(mod);
    if ((order != lastOrder || row != lastRow) && double(rendered) / Rate < length.seconds - 0.002) ++length.rows;
    lastOrder = order;
    lastRow = row;
    rendered += 44;
  }
  openmpt_module_destroy(mod);
  return length;
}

struct Song {
  const char* what;
  std::function<void(ModBuilder&)> build;
};

}  // namespace

TEST(ModAgainstLibopenmpt, SongLengthInRowsAndSeconds) {
  const Song songs[] = {
      {"plain pattern", [](ModBuilder&) {}},
      {"speed changes", [](ModBuilder& b) {
         b.effect(0, 0, 0, 15, 3);
         b.effect(0, 32, 1, 15, 10);
       }},
      {"tempo changes", [](ModBuilder& b) {
         b.effect(0, 0, 0, 15, 150);
         b.effect(0, 20, 2, 15, 200);
         b.effect(0, 40, 3, 15, 0x7D);
       }},
      {"pattern breaks", [](ModBuilder& b) {
         b.orders = {0, 1, 2};
         b.ensurePattern(2);
         b.effect(0, 8, 0, 13, 0x10);
         b.effect(1, 40, 1, 13, 0x05);
       }},
      {"position jumps", [](ModBuilder& b) {
         b.orders = {0, 1, 2, 3};
         b.ensurePattern(3);
         b.effect(0, 16, 0, 11, 2);
         b.effect(2, 30, 3, 11, 3);
         b.effect(3, 63, 0, 11, 0);  // back to the start: the song ends here
       }},
      {"pattern loops", [](ModBuilder& b) {
         b.effect(0, 4, 0, 14, 0x60);
         b.effect(0, 7, 0, 14, 0x63);
         b.effect(0, 20, 2, 14, 0x60);
         b.effect(0, 25, 2, 14, 0x62);
       }},
      {"pattern delays", [](ModBuilder& b) {
         b.effect(0, 10, 0, 14, 0xE3);
         b.effect(0, 20, 1, 14, 0xE1);
         b.effect(0, 50, 3, 14, 0xEF);
       }},
      {"everything together", [](ModBuilder& b) {
         b.orders = {0, 1, 0, 2};
         b.ensurePattern(2);
         b.effect(0, 0, 0, 15, 4);
         b.effect(0, 0, 1, 15, 175);
         b.effect(0, 2, 2, 14, 0x60);
         b.effect(0, 5, 2, 14, 0x61);
         b.effect(0, 30, 3, 14, 0xE2);
         b.effect(1, 12, 0, 11, 3);
         b.effect(2, 3, 1, 15, 9);
         b.effect(2, 47, 0, 13, 0x20);
       }},
  };
  for (const Song& song : songs) {
    ModBuilder b;
    b.squareSample(1, 64);
    b.note(0, 0, 3, 1, 428);
    // Tempo 125 (the default) marks the file as ProTracker for libopenmpt, which
    // otherwise plays it as NoiseTracker, where breaks ignore their row.
    b.effect(0, 63, 3, 15, 0x7D);
    song.build(b);
    const auto image = b.build();
    const Length mine = ours(image);
    const Length theirs = openmpt(image);
    EXPECT_EQ(mine.rows, theirs.rows) << song.what;
    EXPECT_NEAR(mine.seconds, theirs.seconds, theirs.seconds * 0.005) << song.what;
  }
}
