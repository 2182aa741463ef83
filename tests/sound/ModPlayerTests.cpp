// The MOD replay on generated modules: song end and restart, speed and tempo, pattern
// loops, breaks and jumps, volume and period limits, note cut and the table clamps;
// and MOD files that are truncated or lie about their contents.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "SoundFixtures.h"
#include "sound/ModFormat.h"
#include "sound/Mixer.h"

namespace {

using fixtures::ModBuilder;

constexpr int C2 = 428;  // a mid-range period of the finetune-0 row

ModuleMusic load(const ModBuilder& b) {
  ModuleMusic m;
  auto image = b.build();
  EXPECT_EQ(m.loadFromMemory(image.data(), image.size()), SoundLoaded);
  return m;
}

struct Replay : ::testing::Test {
  Mixer mixer;
  MusicVoice* voice = nullptr;
  void SetUp() override { ASSERT_EQ(mixer.initOffline(8000, 16, false, 1, 8), SoundOk); }
  void start(ModuleMusic& m, bool looped) {
    const int id = looped ? mixer.playLooped(&m, PlayAnyVoice) : mixer.play(&m, PlayAnyVoice);
    ASSERT_EQ(id, 0);
    voice = static_cast<MusicVoice*>(mixer.voice(0));
  }
  // One output sample; returns the mono mix of the voice.
  int32_t step() {
    int32_t l = 0, r = 0;
    voice->renderStep(l, r, false);
    return l;
  }
  // Renders until the voice has read `rows` rows (or stopped); false on a runaway.
  bool runRows(int rows) {
    for (long n = 0; n < 50000000L; ++n) {
      if (voice->isStopped() || voice->rowsRead() >= rows) return true;
      step();
    }
    return false;
  }
  // Plays the whole song without loop and returns the rows read.
  int songRows(ModuleMusic& m) {
    m.setLoop(false);
    start(m, false);
    EXPECT_TRUE(runRows(1 << 30));
    return voice->rowsRead();
  }
};

}  // namespace

TEST_F(Replay, LoopingSongRestartsAfterItsLastRow) {
  struct Case { std::vector<int> orders; int restart; int32_t positionAfter; };
  // Song length 1: back to order 0 row 0; length 2 with restart 1: order 1 (pattern 1).
  const Case cases[] = {{{0}, 127, 0}, {{0, 1}, 1, 64}, {{0, 1}, 5, 0}};
  for (const Case& c : cases) {
    ModBuilder b;
    b.orders = c.orders;
    b.restart = c.restart;
    b.squareSample(1, 32);
    b.note(0, 0, 0, 1, C2);
    b.ensurePattern(1);
    ModuleMusic m = load(b);
    start(m, true);
    const int rows = 64 * int(c.orders.size());
    ASSERT_TRUE(runRows(rows));
    EXPECT_FALSE(voice->isStopped());
    EXPECT_EQ(voice->getPosition(), c.positionAfter);
    EXPECT_EQ(voice->getLength(), rows);
    ASSERT_TRUE(runRows(rows + 70));
    EXPECT_FALSE(voice->isStopped());
    mixer.stopAll();
    // Without loop the same song ends after its rows.
    EXPECT_EQ(songRows(m), rows);
    EXPECT_TRUE(voice->isFree());
  }
}

TEST_F(Replay, SpeedAndTempoParameters) {
  struct Case { int param; int speed; int ticksPerSecond; };
  const Case cases[] = {{0x20, 32, 50}, {0x21, 6, 13}, {0x01, 1, 50}, {0x7D, 6, 50}, {0x96, 6, 60}, {0x00, 6, 50}};
  for (const Case& c : cases) {
    ModBuilder b;
    b.effect(0, 0, 0, 15, c.param);
    ModuleMusic m = load(b);
    start(m, false);
    step();
    EXPECT_EQ(voice->speed(), c.speed) << "F" << std::hex << c.param;
    EXPECT_EQ(voice->ticksPerSecond(), c.ticksPerSecond) << "F" << std::hex << c.param;
    mixer.stopAll();
  }
}

TEST_F(Replay, RowTimingFollowsSpeedAndTempo) {
  // At 8000 Hz and 50 ticks per second a tick is 160 + 1 samples; a row of speed s
  // lasts s ticks plus the sample that reads it.
  struct Case { int speedParam, tempoParam; long samplesPerRow; };
  const Case cases[] = {{6, 0x7D, 6 * 161 + 1}, {3, 0x7D, 3 * 161 + 1}, {6, 0xFA, 6 * 81 + 1}};
  for (const Case& c : cases) {
    ModBuilder b;
    b.effect(0, 0, 0, 15, c.speedParam);
    b.effect(0, 0, 1, 15, c.tempoParam);
    ModuleMusic m = load(b);
    start(m, false);
    ASSERT_TRUE(runRows(2));
    long n = 0;
    while (voice->rowsRead() < 3) { step(); ++n; }
    EXPECT_EQ(n, c.samplesPerRow);
    mixer.stopAll();
  }
}

TEST_F(Replay, PatternLoopE62PlaysTheLoopThreeTimes) {
  ModBuilder b;
  b.effect(0, 0, 0, 14, 0x60);
  b.effect(0, 3, 0, 14, 0x62);
  ModuleMusic m = load(b);
  EXPECT_EQ(songRows(m), 4 * 3 + 60);
  // A second loop later in the song starts again from its own row.
  ModBuilder twice = b;
  twice.effect(0, 10, 1, 14, 0x60);
  twice.effect(0, 11, 1, 14, 0x61);
  ModuleMusic m2 = load(twice);
  EXPECT_EQ(songRows(m2), 4 * 3 + 2 * 2 + 58);
}

TEST_F(Replay, PatternBreakOnTheLastOrder) {
  ModBuilder b;
  b.orders = {0, 1};
  b.ensurePattern(1);
  b.effect(1, 10, 2, 13, 0x32);
  ModuleMusic m = load(b);
  // Without loop the song ends at the break.
  EXPECT_EQ(songRows(m), 64 + 11);
  mixer.stopAll();
  // With loop it continues at the restart position (order 0), row 32.
  start(m, true);
  ASSERT_TRUE(runRows(64 + 11));
  EXPECT_FALSE(voice->isStopped());
  EXPECT_EQ(voice->getPosition(), 32);
}

TEST_F(Replay, BreaksAndJumpsMoveThroughTheOrders) {
  struct Case { const char* what; int effect, param, expectedRows; };
  const Case cases[] = {
      {"break to row 16 of the next order", 13, 0x16, 5 + (64 - 16) + 64},
      {"break past row 63 goes to row 0", 13, 0x99, 5 + 64 + 64},
      {"jump forward to order 2", 11, 2, 5 + 64},
      {"jump back ends a song without loop", 11, 0, 5},
      {"jump past the song ends it", 11, 9, 5},
  };
  for (const Case& c : cases) {
    ModBuilder b;
    b.orders = {0, 1, 2};
    b.ensurePattern(2);
    b.effect(0, 4, 0, c.effect, c.param);
    ModuleMusic m = load(b);
    EXPECT_EQ(songRows(m), c.expectedRows) << c.what;
    mixer.stopAll();
  }
}

TEST_F(Replay, PatternDelayRepeatsTheRowWithoutReadingIt) {
  ModBuilder b;
  b.effect(0, 0, 0, 14, 0xE2);
  ModuleMusic m = load(b);
  start(m, false);
  long n = 0;
  ASSERT_TRUE(runRows(1));
  while (voice->rowsRead() < 2) { step(); ++n; }
  EXPECT_EQ(n, 3 * (6 * 161) + 3);  // three rows' ticks, two delay boundaries, one read
}

TEST_F(Replay, SetVolumeIsNotClampedButSlidesAre) {
  ModBuilder b;
  b.squareSample(1, 32);
  b.note(0, 0, 0, 1, C2, 12, 0x50);
  b.note(0, 0, 1, 1, C2, 12, 0x3C);
  b.effect(0, 1, 1, 10, 0xF0);
  b.note(0, 0, 2, 1, C2, 12, 0x03);
  b.effect(0, 1, 2, 10, 0x0F);
  ModuleMusic m = load(b);
  start(m, false);
  step();
  EXPECT_EQ(voice->channel(0).volume, 80);
  EXPECT_EQ(voice->channel(0).effectiveVolume, 80);
  ASSERT_TRUE(runRows(2));
  while (voice->rowsRead() < 3) step();
  EXPECT_EQ(voice->channel(1).volume, 64);
  EXPECT_EQ(voice->channel(2).volume, 0);
}

TEST_F(Replay, PortamentoStopsAt13And1712) {
  ModBuilder b;
  b.squareSample(1, 32);
  b.note(0, 0, 0, 1, 113, 1, 0xFF);  // slide up: the period falls
  b.note(0, 0, 1, 1, 856, 2, 0xFF);  // slide down: the period rises
  ModuleMusic m = load(b);
  start(m, false);
  ASSERT_TRUE(runRows(1));
  while (voice->rowsRead() < 2) step();
  EXPECT_EQ(voice->channel(0).period, 13);
  EXPECT_EQ(voice->channel(1).period, 1712);
  EXPECT_EQ(voice->channel(0).step, mixer.stepFor(13));
  EXPECT_EQ(voice->channel(1).step, mixer.stepFor(1712));
}

TEST_F(Replay, TonePortamentoReachesItsTargetAndStays) {
  ModBuilder b;
  b.squareSample(1, 32);
  b.note(0, 0, 0, 1, 856);
  b.note(0, 1, 0, 0, 428, 3, 0x40);
  for (int row = 2; row < 8; ++row) b.effect(0, row, 0, 3, 0);
  ModuleMusic m = load(b);
  start(m, false);
  ASSERT_TRUE(runRows(3));
  EXPECT_EQ(voice->channel(0).period, 856 - 5 * 0x40);
  ASSERT_TRUE(runRows(8));
  EXPECT_EQ(voice->channel(0).period, 428);
}

TEST_F(Replay, NoteCutWithZeroSilencesFromTickOne) {
  ModBuilder b;
  b.squareSample(1, 64);
  b.note(0, 0, 0, 1, C2, 14, 0xC0);
  b.note(0, 0, 1, 1, C2, 14, 0xC3);
  ModuleMusic m = load(b);
  start(m, false);
  step();  // reads row 0
  EXPECT_EQ(voice->channel(0).effectiveVolume, 64);
  for (int n = 0; n < 160; ++n) step();
  EXPECT_EQ(voice->channel(0).effectiveVolume, 64);  // still tick 0
  step();                                             // tick 1
  EXPECT_EQ(voice->channel(0).effectiveVolume, 0);
  EXPECT_EQ(voice->channel(0).volume, 64);
  EXPECT_EQ(voice->channel(1).effectiveVolume, 64);
  for (int n = 0; n < 2 * 161; ++n) step();  // tick 3
  EXPECT_EQ(voice->channel(1).effectiveVolume, 0);
  EXPECT_EQ(step(), 0);
}

TEST_F(Replay, NoteDelaySoundsTheNoteFromTickYPlusOne) {
  ModBuilder b;
  b.squareSample(1, 64);
  b.note(0, 0, 0, 1, 856);
  b.note(0, 1, 0, 1, 428, 14, 0xD2);
  ModuleMusic m = load(b);
  start(m, false);
  ASSERT_TRUE(runRows(2));
  EXPECT_EQ(voice->channel(0).period, 856);
  for (int n = 0; n < 2 * 161; ++n) step();  // ticks 1 and 2
  EXPECT_EQ(voice->channel(0).period, 856);
  for (int n = 0; n < 161; ++n) step();  // tick 3
  EXPECT_EQ(voice->channel(0).period, 428);
}

TEST_F(Replay, VibratoAtTheEdgesOfThePeriodRangeStaysInTheTable) {
  // Speed 8, depth 15: the swing runs from -30 to +29 periods. Around 1712 the upper
  // half is held at 1712; around 13 the lower half is held at period 1.
  struct Case { int period; int lowestPeriod; int highestPeriod; };
  const Case cases[] = {{1712, 1712 - 30, 1712}, {13, 1, 13 + 29}};
  for (const Case& c : cases) {
    ModBuilder b;
    b.squareSample(1, 64);
    b.note(0, 0, 0, 1, c.period, 4, 0x8F);
    for (int row = 1; row < 8; ++row) b.effect(0, row, 0, 4, 0);
    ModuleMusic m = load(b);
    start(m, false);
    uint32_t smallest = 0xFFFFFFFFu, largest = 0;
    ASSERT_TRUE(runRows(1));
    while (voice->rowsRead() < 8) {
      step();
      smallest = std::min(smallest, voice->channel(0).step);
      largest = std::max(largest, voice->channel(0).step);
    }
    EXPECT_EQ(smallest, mixer.stepFor(c.highestPeriod)) << "period " << c.period;
    EXPECT_EQ(largest, mixer.stepFor(c.lowestPeriod)) << "period " << c.period;
    mixer.stopAll();
  }
}

TEST_F(Replay, ChannelsMixInStereoBySeparation) {
  Mixer stereo;
  ASSERT_EQ(stereo.initOffline(8000, 16, true, 1, 8), SoundOk);
  ModBuilder b;
  b.squareSample(1, 64);
  b.note(0, 0, 0, 1, C2);  // even channel: left side
  ModuleMusic m = load(b);
  struct Case { int separation; };
  for (const Case& c : {Case{255}, Case{0}}) {
    m.setPanning(c.separation);
    ASSERT_EQ(stereo.play(&m, PlayAnyVoice), 0);
    std::vector<int16_t> out(2);
    stereo.render(reinterpret_cast<uint8_t*>(out.data()), 4);
    // Full separation pans channel 0 to 64: e - (e * 64 >> 8) = 48 left, 16 right.
    // None pans it to 127: 33 left, 31 right.
    const int expectLeft = c.separation == 255 ? 48 * 2 * 100 : 33 * 2 * 100;
    const int expectRight = c.separation == 255 ? 16 * 2 * 100 : 31 * 2 * 100;
    EXPECT_EQ(std::abs(out[0]), expectLeft) << "separation " << c.separation;
    EXPECT_EQ(std::abs(out[1]), expectRight) << "separation " << c.separation;
    stereo.stopAll();
  }
}

TEST_F(Replay, SetPositionMovesToOrderAndRow) {
  ModBuilder b;
  b.orders = {2, 0, 1};
  b.ensurePattern(2);
  ModuleMusic m = load(b);
  start(m, false);
  step();
  voice->setPosition(1 * 64 + 20);  // order 1 = pattern 0, row 20
  EXPECT_EQ(voice->getPosition(), 20);
  voice->setPosition(3 * 64);  // past the song: ignored
  EXPECT_EQ(voice->getPosition(), 20);
  step();
  EXPECT_EQ(voice->getPosition(), 21);
  EXPECT_EQ(voice->getLength(), 3 * 64);
}

TEST(ModLayout, SignaturesGiveChannelCounts) {
  struct Case { const char* signature; int channels; };
  const Case cases[] = {{"M.K.", 4}, {"M!K!", 4}, {"6CHN", 6}, {"8CHN", 8}, {"16CH", 16},
                        {"32CH", 32}, {"FLT4", 0}, {"xxCH", 0}, {"ABCD", 0}};
  for (const Case& c : cases)
    EXPECT_EQ(mod::channelCount(reinterpret_cast<const uint8_t*>(c.signature)), c.channels) << c.signature;
}

TEST(ModLayout, PeriodTableRows) {
  const int firsts[16] = {1712, 1699, 1687, 1675, 1663, 1651, 1639, 1627, 1813, 1800, 1787, 1774, 1762, 1749, 1736, 1724};
  for (int row = 0; row < 16; ++row) {
    EXPECT_EQ(mod::periodTable.entries[row * 84], firsts[row]);
    EXPECT_EQ(mod::periodTable.entries[row * 84 + 83], row == 0 || row >= 8 ? 13 : 12);
    for (int n = 1; n < 84; ++n) EXPECT_LT(mod::periodTable.entries[row * 84 + n], mod::periodTable.entries[row * 84 + n - 1]);
  }
  EXPECT_EQ(mod::periodTable.entries[12], 856);
  EXPECT_EQ(mod::periodTable.entries[47], 113);
  Mixer mixer;
  ASSERT_EQ(mixer.initOffline(8000, 8, false, 1, 8), SoundOk);
  EXPECT_EQ(mixer.noteFor(856), 12);
  EXPECT_EQ(mixer.noteFor(430), 24);   // nearest to 428
  EXPECT_EQ(mixer.noteFor(0), 83);
  EXPECT_EQ(mixer.stepFor(0), 0u);
  EXPECT_EQ(mixer.stepFor(428), uint32_t((uint64_t(7159090 / 856) << 12) / 8000));
}

TEST(ModLoading, BrokenModulesAreRefusedOrCut) {
  ModBuilder good;
  good.squareSample(1, 100, 100, false);
  good.squareSample(2, 50, 100, false);
  const auto image = good.build();
  struct Case { const char* what; std::vector<uint8_t> file; int expected; };
  std::vector<Case> cases;
  cases.push_back({"complete", image, SoundLoaded});
  cases.push_back({"shorter than the header", std::vector<uint8_t>(image.begin(), image.begin() + 1000), SoundMalformed});
  cases.push_back({"patterns cut short", std::vector<uint8_t>(image.begin(), image.begin() + 1084 + 500), SoundMalformed});
  auto beyond = image;
  beyond[952] = 9;  // an order naming pattern 9, which is not in the file
  cases.push_back({"pattern beyond the data", beyond, SoundMalformed});
  auto empty = image;
  empty[950] = 0;
  cases.push_back({"empty song", empty, SoundMalformed});
  auto flt = image;
  std::memcpy(&flt[1080], "FLT4", 4);
  cases.push_back({"unknown signature", flt, SoundUnsupported});
  auto many = image;
  std::memcpy(&many[1080], "64CH", 4);
  cases.push_back({"too many channels", many, SoundUnsupported});
  for (const Case& c : cases) {
    ModuleMusic m;
    EXPECT_EQ(m.loadFromMemory(c.file.data(), c.file.size()), c.expected) << c.what;
    EXPECT_EQ(m.hasData(), c.expected == SoundLoaded) << c.what;
  }
  // Sample data cut by the end of the file keeps what is there; later samples are empty.
  std::vector<uint8_t> cut(image.begin(), image.end() - 50 * 2 - 30);
  mod::Layout layout;
  ASSERT_EQ(mod::parse(cut.data(), cut.size(), layout), mod::LayoutResult::Ok);
  EXPECT_EQ(layout.samples[1].length, uint32_t(170) << 12);
  EXPECT_EQ(layout.samples[2].data, nullptr);
  EXPECT_LE(reinterpret_cast<const uint8_t*>(layout.samples[1].data) + (layout.samples[1].length >> 12),
            cut.data() + cut.size());
}

TEST_F(Replay, TruncatedSamplesAndBadSampleNumbersPlayWithinTheFile) {
  ModBuilder b;
  b.squareSample(1, 400, 100, false);
  b.note(0, 0, 0, 1, 113);   // a fast note runs to the (cut) end of the sample
  b.note(0, 0, 1, 45, C2);   // sample 45 does not exist
  auto image = b.build();
  image.resize(image.size() - 500);
  ModuleMusic m;
  ASSERT_EQ(m.loadFromMemory(image.data(), image.size()), SoundLoaded);
  start(m, false);
  ASSERT_TRUE(runRows(1 << 30));
  EXPECT_EQ(voice->channel(1).sample, 0);
  EXPECT_GE(voice->channel(0).position, uint32_t(300) << 12);  // ran past the kept 300 bytes...
  EXPECT_TRUE(voice->isStopped());                             // ...silently, to the song's end
}

TEST_F(Replay, LastRowOfASongPlaysInFull) {
  ModBuilder b;
  b.squareSample(1, 64);
  b.note(0, 63, 0, 1, C2);  // the only note is on the last row
  ModuleMusic m = load(b);
  start(m, false);
  ASSERT_TRUE(runRows(64));
  long audible = 0;
  while (!voice->isStopped() && audible < 100000) {
    if (step() != 0) ++audible;
  }
  EXPECT_EQ(audible, 6 * 161);  // six ticks, then the song ends at the next row boundary
}
