// The mixer's voice handling and render, driven offline (render called by the test)
// so every output sample can be checked exactly; plus the device-backed init.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "SoundFixtures.h"
#include "sound/Mixer.h"

namespace {

// An 8-bit mono wave whose frame k has the value 128 + step * (k + 1): each frame is
// recognisable in the 16-bit output as 128 * step * (k + 1).
WaveSample makeRamp(int frames, int step = 10, uint32_t rate = 8000) {
  WaveSample w;
  fixtures::WavSpec spec;
  spec.rate = rate;
  for (int k = 0; k < frames; ++k) spec.data.push_back(uint8_t(128 + step * (k + 1)));
  auto file = fixtures::makeWav(spec);
  EXPECT_EQ(w.loadFromMemory(file.data(), file.size()), SoundLoaded);
  return w;
}

std::vector<int16_t> render16(Mixer& m, size_t samples) {
  std::vector<int16_t> out(samples);
  m.render(reinterpret_cast<uint8_t*>(out.data()), uint32_t(samples * 2));
  return out;
}

struct OfflineMixer : ::testing::Test {
  Mixer mixer;
  void SetUp() override { ASSERT_EQ(mixer.initOffline(8000, 16, false, 1, 8), SoundOk); }
};

}  // namespace

TEST(MixerInit, SecondInitIsRefusedAndShutdownAllowsAnother) {
  Mixer mixer;
  ASSERT_EQ(mixer.initWith(fixtures::openHeadless, 8000, 8, false, 1, 16), SoundOk);
  EXPECT_EQ(mixer.initWith(fixtures::openHeadless, 8000, 8, false, 1, 16), SoundAlreadyOpen);
  EXPECT_EQ(mixer.initOffline(8000, 8, false, 1, 16), SoundAlreadyOpen);
  // The game's format: six 30 ms buffers of 240 bytes.
  EXPECT_EQ(mixer.device()->bufferCount(), 6);
  EXPECT_EQ(mixer.device()->bufferSize(), 240u);
  EXPECT_STREQ(mixer.device()->backendName(), "headless");
  mixer.shutdown();
  EXPECT_EQ(mixer.initWith(fixtures::openHeadless, 22050, 16, true, 1, 16), SoundOk);
  // 22050 Hz 16-bit stereo: 2646 bytes per 30 ms, rounded up to 2648.
  EXPECT_EQ(mixer.device()->bufferSize(), 2648u);
}

TEST(MixerInit, VoiceCountsAreClampedAndIdsMapMusicFirst) {
  Mixer mixer;
  ASSERT_EQ(mixer.initOffline(8000, 8, false, 0, 200), SoundOk);
  EXPECT_EQ(mixer.musicVoiceCount(), 1);
  EXPECT_EQ(mixer.sampleVoiceCount(), 128);
  EXPECT_NE(dynamic_cast<MusicVoice*>(mixer.voice(0)), nullptr);
  EXPECT_NE(dynamic_cast<SampleVoice*>(mixer.voice(1)), nullptr);
  EXPECT_NE(dynamic_cast<SampleVoice*>(mixer.voice(128)), nullptr);
  EXPECT_EQ(mixer.voice(129), nullptr);
  EXPECT_EQ(mixer.voice(-1), nullptr);
}

TEST(MixerInit, DeviceRefusesBadFormats) {
  struct Case { WaveOutFormat format; bool callback; int expected; };
  WaveOutFormat good;
  WaveOutFormat bothSizes = good;  bothSizes.flags = WaveFormat8Bit | WaveFormat16Bit | WaveFormatUnsigned;
  WaveOutFormat bothSigns = good;  bothSigns.flags = WaveFormat8Bit | WaveFormatUnsigned | WaveFormatSigned;
  WaveOutFormat none = good;       none.flags = 0;
  WaveOutFormat three = good;      three.channels = 3;
  const Case cases[] = {{bothSizes, true, SoundBadFormat}, {bothSigns, true, SoundBadFormat},
                        {none, true, SoundBadFormat},      {three, true, SoundBadFormat},
                        {good, false, SoundBadFormat},     {good, true, SoundOk}};
  for (const Case& c : cases) {
    WaveOutDevice device(fixtures::openHeadless);
    auto fill = [](void*, uint8_t*, uint32_t) {};
    EXPECT_EQ(device.open(&c.format, 1440, c.callback ? +fill : nullptr, nullptr), c.expected);
    if (c.expected == SoundOk) {
      EXPECT_EQ(device.open(&c.format, 1440, +fill, nullptr), SoundAlreadyOpen);
      EXPECT_EQ(device.close(), SoundOk);
    }
    EXPECT_EQ(device.close(), SoundNotOpen);
  }
}

TEST_F(OfflineMixer, AllVoicesFreeRendersPureSilence) {
  Mixer eight;
  ASSERT_EQ(eight.initOffline(8000, 8, false, 1, 16), SoundOk);
  std::vector<uint8_t> buffer(240, 0x11);
  eight.render(buffer.data(), 240);
  EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 128), 240);
  auto out = render16(mixer, 120);
  EXPECT_EQ(std::count(out.begin(), out.end(), 0), 120);
}

TEST_F(OfflineMixer, LoopingVoiceWrapsExactlyAtItsEnd) {
  WaveSample ramp = makeRamp(10);
  ASSERT_GE(mixer.playLooped(&ramp, PlayAnyVoice), 1);
  auto out = render16(mixer, 35);
  for (int i = 0; i < 35; ++i) EXPECT_EQ(out[size_t(i)], 1280 * (i % 10 + 1)) << "sample " << i;
  EXPECT_TRUE(mixer.isPlaying(&ramp));
}

TEST_F(OfflineMixer, NonLoopingVoiceStopsAndIsFreeForTheNextPlay) {
  WaveSample ramp = makeRamp(10);
  const int id = mixer.play(&ramp, PlayAnyVoice);
  ASSERT_EQ(id, 1);  // one music voice, then the first sample voice
  auto out = render16(mixer, 15);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(out[size_t(i)], 1280 * (i + 1));
  for (int i = 10; i < 15; ++i) EXPECT_EQ(out[size_t(i)], 0);
  EXPECT_FALSE(mixer.isPlaying(&ramp));
  EXPECT_TRUE(mixer.voice(id)->isFree());
  EXPECT_EQ(mixer.play(&ramp, PlayAnyVoice), id);
}

TEST_F(OfflineMixer, InstanceLimitWaitsForTheVoiceToBeFree) {
  WaveSample ramp = makeRamp(10);
  ramp.instanceLimit = 1;
  ASSERT_GE(mixer.play(&ramp, PlayAnyVoice), 1);
  EXPECT_EQ(mixer.play(&ramp, PlayAnyVoice), SoundRefused);
  render16(mixer, 5);
  EXPECT_EQ(mixer.play(&ramp, PlayAnyVoice), SoundRefused);
  render16(mixer, 5);  // the first voice ends
  EXPECT_GE(mixer.play(&ramp, PlayAnyVoice), 1);
  // Without a limit the same sound may play on several voices at once.
  WaveSample other = makeRamp(10);
  for (int i = 0; i < 7; ++i) EXPECT_GE(mixer.play(&other, PlayAnyVoice), 1);
  EXPECT_EQ(mixer.play(&other, PlayAnyVoice), SoundRefused);  // all 8 voices busy
}

TEST_F(OfflineMixer, NamedVoiceMustBeASampleVoiceThatIsFree) {
  WaveSample ramp = makeRamp(10);
  EXPECT_EQ(mixer.play(&ramp, 3), 3);
  EXPECT_EQ(mixer.play(&ramp, 3), SoundRefused);
  EXPECT_EQ(mixer.play(&ramp, 0), SoundRefused);  // the music voice
  EXPECT_EQ(mixer.play(&ramp, 9), SoundRefused);  // past the sample voices
}

TEST_F(OfflineMixer, DisabledSoundStopsEverythingAndPlaysNothing) {
  WaveSample a = makeRamp(10), b = makeRamp(10);
  const int ia = mixer.playLooped(&a, PlayAnyVoice);
  const int ib = mixer.play(&b, PlayAnyVoice | PlayPaused);
  mixer.setEnabled(false);
  EXPECT_TRUE(mixer.voice(ia)->isFree());
  EXPECT_TRUE(mixer.voice(ib)->isFree());
  EXPECT_EQ(mixer.play(&a, PlayAnyVoice), 0);
  EXPECT_EQ(mixer.playLooped(&b, PlayAnyVoice), 0);
  auto out = render16(mixer, 20);
  EXPECT_EQ(std::count(out.begin(), out.end(), 0), 20);
  mixer.setEnabled(true);
  EXPECT_GE(mixer.play(&a, PlayAnyVoice), 1);
}

TEST_F(OfflineMixer, PauseAllAndResumeAllContinueWhereVoicesWere) {
  WaveSample a = makeRamp(10);
  WaveSample b = makeRamp(40, 1);  // frame k contributes 128 * (k + 1)
  ASSERT_GE(mixer.playLooped(&a, PlayAnyVoice), 1);
  render16(mixer, 3);
  const int ib = mixer.play(&b, PlayAnyVoice | PlayPaused);
  auto heldBack = render16(mixer, 1);
  EXPECT_EQ(heldBack[0], 1280 * 4);  // b started paused: silent
  mixer.pauseAll();
  auto paused = render16(mixer, 6);
  EXPECT_EQ(std::count(paused.begin(), paused.end(), 0), 6);
  EXPECT_EQ(mixer.voice(1)->getPosition(), 4);
  mixer.resumeAll();
  auto resumed = render16(mixer, 2);
  EXPECT_EQ(resumed[0], 1280 * 5 + 128 * 1);
  EXPECT_EQ(resumed[1], 1280 * 6 + 128 * 2);
  // Pausing and resuming one sound acts on its voice only.
  mixer.pause(&b);
  EXPECT_TRUE(mixer.voice(ib)->isPaused());
  EXPECT_EQ(render16(mixer, 1)[0], 1280 * 7);
  mixer.resume(&b);
  EXPECT_EQ(render16(mixer, 1)[0], 1280 * 8 + 128 * 3);
  mixer.stop(&a);
  EXPECT_FALSE(mixer.isPlaying(&a));
  EXPECT_TRUE(mixer.isPlaying(&b));
}

TEST_F(OfflineMixer, SamplePositionUnitsFollowTheSourceFormat) {
  struct Case { uint16_t bits, channels; int32_t length; };
  const Case cases[] = {{8, 1, 100}, {8, 2, 200}, {16, 1, 200}, {16, 2, 400}};
  for (const Case& c : cases) {
    fixtures::WavSpec spec;
    spec.bits = c.bits;
    spec.channels = c.channels;
    spec.data.assign(size_t(100) * c.channels * c.bits / 8, 0);
    // Frame 50 carries a mark so setPosition can be checked through the output.
    const size_t frameBytes = size_t(c.channels) * c.bits / 8;
    if (c.bits == 8) for (size_t i = 0; i < frameBytes; ++i) spec.data[50 * frameBytes + i] = 228;
    else for (size_t i = 0; i < frameBytes; i += 2) spec.data[50 * frameBytes + i + 1] = 0x10;
    for (size_t i = 0; c.bits == 8 && i < spec.data.size(); ++i) if (spec.data[i] == 0) spec.data[i] = 128;
    auto file = fixtures::makeWav(spec);
    WaveSample w;
    ASSERT_EQ(w.loadFromMemory(file.data(), file.size()), SoundLoaded);
    const int id = mixer.play(&w, PlayAnyVoice);
    Voice* v = mixer.voice(id);
    EXPECT_EQ(v->getLength(), c.length) << c.bits << "-bit, " << c.channels << " channels";
    v->setPosition(c.length / 2);
    EXPECT_EQ(v->getPosition(), c.length / 2);
    auto out = render16(mixer, 1);
    EXPECT_NE(out[0], 0) << "frame 50 is the marked one";
    EXPECT_EQ(render16(mixer, 1)[0], 0);
    mixer.stopAll();
  }
}

TEST_F(OfflineMixer, VolumeFrequencyAndMasterVolume) {
  WaveSample ramp = makeRamp(10);
  ramp.setVolume(200);
  EXPECT_EQ(ramp.volume, 64);
  ramp.setFrequency(4000);  // half the rate: every frame twice
  EXPECT_EQ(ramp.pitch, 64);
  const int id = mixer.play(&ramp, PlayAnyVoice);
  auto out = render16(mixer, 4);
  EXPECT_EQ(out, (std::vector<int16_t>{1280, 1280, 2560, 2560}));
  mixer.setSampleMasterVolume(32);
  EXPECT_EQ(mixer.voice(id)->effectiveVolume(), 32);
  EXPECT_EQ(render16(mixer, 1)[0], 3840 / 2);
  mixer.setSampleMasterVolume(99);
  EXPECT_EQ(mixer.sampleMasterVolume(), 64);
  mixer.voice(id)->setPitch(128);
  EXPECT_EQ(mixer.voice(id)->getFrequency(), 8000u);
}

TEST(MixerStereo, PanningSendsMonoSourcesLeftOrRight) {
  Mixer mixer;
  ASSERT_EQ(mixer.initOffline(8000, 16, true, 1, 8), SoundOk);
  WaveSample ramp = makeRamp(10);
  struct Case { int pan; int16_t left, right; };
  // e = 64, v = 2560 (frame 0 = 128 + 10): centre gives e * v >> 7 on both sides;
  // pan 0 gives 2e * v >> 7 left only; pan 255: q = 127, left (128 - 127) * v.
  const Case cases[] = {{128, 1280, 1280}, {0, 2560, 0}, {255, 20, 2540}};
  for (const Case& c : cases) {
    ramp.setPanning(c.pan);
    mixer.play(&ramp, PlayAnyVoice);
    std::vector<int16_t> out(2);
    mixer.render(reinterpret_cast<uint8_t*>(out.data()), 4);
    EXPECT_EQ(out[0], c.left) << "pan " << c.pan;
    EXPECT_EQ(out[1], c.right) << "pan " << c.pan;
    mixer.stopAll();
  }
}

TEST(MixerRefusals, UninitialisedMixerAndEmptySoundsAreRefused) {
  Mixer mixer;
  WaveSample ramp = makeRamp(10);
  EXPECT_EQ(mixer.play(&ramp, PlayAnyVoice), SoundRefused);
  ASSERT_EQ(mixer.initOffline(8000, 8, false, 1, 8), SoundOk);
  WaveSample empty;
  ModuleMusic noMusic;
  EXPECT_EQ(mixer.play(&empty, PlayAnyVoice), SoundRefused);
  EXPECT_EQ(mixer.play(&noMusic, PlayAnyVoice), SoundRefused);
  EXPECT_EQ(mixer.play(nullptr, PlayAnyVoice), SoundRefused);
  EXPECT_FALSE(mixer.isPlaying(&empty));
  EXPECT_EQ(mixer.voiceOf(&empty), nullptr);
}
