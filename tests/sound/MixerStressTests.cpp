// Locking under load: one thread starts, stops, pauses, resumes and repositions voices
// and changes their settings while the output thread renders as fast as a sped-up
// device clock lets it. Built a second time with ThreadSanitizer (KS_TSAN=ON, target
// sound_tsan), where any unguarded access between the two threads is reported.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "SoundFixtures.h"
#include "sound/Mixer.h"

namespace {

// Device time at 20 times real time, so the output thread renders continuously.
uint32_t fastClock() {
  using namespace std::chrono;
  static const steady_clock::time_point start = steady_clock::now();
  return uint32_t(duration_cast<milliseconds>(steady_clock::now() - start).count() * 20);
}

}  // namespace

TEST(MixerStress, VoiceChangesWhileTheOutputThreadRenders) {
  os::setHeadlessAudioClock(fastClock);
  Mixer mixer;
  ASSERT_EQ(mixer.initWith(fixtures::openHeadless, 22050, 16, true, 2, 12), SoundOk);

  fixtures::ModBuilder song;
  song.squareSample(1, 64);
  for (int row = 0; row < 64; row += 2) song.note(0, row, row % 4, 1, 214 + row, 4, 0x46);
  song.effect(0, 8, 1, 14, 0x60);
  song.effect(0, 12, 1, 14, 0x62);
  auto image = song.build();
  ModuleMusic music;
  ASSERT_EQ(music.loadFromMemory(image.data(), image.size()), SoundLoaded);
  std::vector<WaveSample> waves(4);
  for (size_t i = 0; i < waves.size(); ++i) {
    fixtures::WavSpec spec;
    spec.bits = i % 2 ? 16 : 8;
    spec.channels = i < 2 ? 1 : 2;
    spec.rate = 11025;
    spec.data.assign(400 + 300 * i, uint8_t(60 + 40 * i));
    auto file = fixtures::makeWav(spec);
    ASSERT_EQ(waves[i].loadFromMemory(file.data(), file.size()), SoundLoaded);
  }
  waves[1].instanceLimit = 2;

  std::mt19937 random(1234);
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
  long operations = 0;
  while (std::chrono::steady_clock::now() < end) {
    WaveSample& w = waves[random() % waves.size()];
    switch (random() % 14) {
      case 0: mixer.play(&w, PlayAnyVoice); break;
      case 1: mixer.playLooped(&w, PlayAnyVoice | (random() % 2 ? uint32_t(PlayPaused) : 0u)); break;
      case 2: mixer.stop(&w); break;
      case 3: mixer.pause(&w); break;
      case 4: mixer.resume(&w); break;
      case 5: if (Voice* v = mixer.voiceOf(&w)) v->setPosition(int32_t(random() % 800)); break;
      case 6: if (Voice* v = mixer.voiceOf(&w)) { v->setVolume(int(random() % 70)); v->setPitch(64 + int(random() % 128)); v->setPanning(int(random() % 256)); } break;
      case 7: if (!mixer.isPlaying(&music)) mixer.playLooped(&music, PlayAnyVoice); break;
      case 8: if (Voice* v = mixer.voiceOf(&music)) v->setPosition(int32_t(random() % 64)); break;
      case 9: mixer.pauseAll(); mixer.resumeAll(); break;
      case 10: mixer.stopAll(); break;
      case 11: mixer.pauseOutput(); std::this_thread::sleep_for(std::chrono::microseconds(200)); mixer.resumeOutput(); break;
      case 12: mixer.setMusicMasterVolume(int(random() % 65)); mixer.setSampleMasterVolume(int(random() % 65)); break;
      case 13: if (Voice* v = mixer.voiceOf(&music)) { v->getPosition(); v->setFrequency(30000 + random() % 20000); } break;
    }
    ++operations;
    if (operations % 64 == 0) std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
  EXPECT_GT(operations, 1000);
  mixer.setEnabled(false);
  for (int id = 0; id < mixer.musicVoiceCount() + mixer.sampleVoiceCount(); ++id)
    EXPECT_TRUE(mixer.voice(id)->isFree());
  mixer.shutdown();
  os::setHeadlessAudioClock(nullptr);
}
