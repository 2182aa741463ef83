// The sound system as the game starts it: the mixer on the active backend's device 0
// in the game's format, paced by the game clock; the page cache's warning box for a
// missing file; and the SDL audio device itself (through SDL's dummy and disk drivers,
// which need no sound card), including the failure that makes device 0 fall back.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "SoundFixtures.h"
#include "platform/Audio.h"
#include "platform/Backend.h"
#include "platform/System.h"
#include "sound/Mixer.h"
#include "sound/SoundCache.h"

namespace fs = std::filesystem;

namespace {

std::string readText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::atomic<int> sdlDone{0};
void countSdlDone(os::WaveOut*, uint32_t message, void*, os::WaveHeader*) {
  if (message == os::WOM_DONE) ++sdlDone;
}

}  // namespace

TEST(SoundStartup, GameFormatOnTheActiveBackendFollowsTheGameClock) {
  Mixer mixer;
  ASSERT_EQ(mixer.init(8000, 8, false, 1, 16), SoundOk);
  EXPECT_EQ(mixer.musicVoiceCount(), 1);
  EXPECT_EQ(mixer.sampleVoiceCount(), 16);
  EXPECT_EQ(mixer.device()->bufferCount(), 6);
  EXPECT_EQ(mixer.device()->bufferSize(), 240u);
  if (os::backendIsHeadless()) {
    EXPECT_STREQ(mixer.device()->backendName(), "headless");
  }

  fixtures::WavSpec spec;
  spec.data.assign(800, 200);  // 0.1 s
  auto file = fixtures::makeWav(spec);
  WaveSample click;
  ASSERT_EQ(click.loadFromMemory(file.data(), file.size()), SoundLoaded);
  ASSERT_EQ(mixer.play(&click, PlayAnyVoice), 1);
  // The effect ends once the game clock has moved on by latency + length (0.28 s);
  // with the virtual clock only the sleeps below move it.
  bool ended = false;
  for (int i = 0; i < 300 && !ended; ++i) {
    os::sleep(10);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ended = !mixer.isPlaying(&click);
  }
  EXPECT_TRUE(ended);
  // Deactivation pauses the output; the voice keeps its place.
  ASSERT_EQ(mixer.playLooped(&click, PlayAnyVoice), 1);
  mixer.pauseOutput();
  EXPECT_TRUE(mixer.device()->isPaused());
  mixer.resumeOutput();
  EXPECT_FALSE(mixer.device()->isPaused());
  mixer.shutdown();
  EXPECT_FALSE(mixer.isInitialised());
}

TEST(SoundStartup, MissingSoundShowsTheExceptionBox) {
  const fs::path events = fs::path(KS_BUILD_DIR) / "sound-startup-events.txt";
  fs::remove(events);
  setenv("KESTRUNE_EVENTS", events.c_str(), 1);
  {
    SoundCache cache;  // the game's: the process mixer and the message box
    Sound* music = cache.get(u"..\\resources\\GUI", u"NoSuchTitle.mod");
    ASSERT_NE(music, nullptr);
    EXPECT_FALSE(music->hasData());
    cache.get(u"..\\resources\\GUI", u"nosuchtitle.MOD");
  }
  unsetenv("KESTRUNE_EVENTS");
  const std::string log = readText(events);
  const std::string line =
      "msgbox\tException\tError: can not find the sound / music '..\\resources\\GUI\\nosuchtitle.mod'.";
  ASSERT_NE(log.find(line), std::string::npos) << log;
  EXPECT_EQ(log.find(line), log.rfind(line)) << "shown once per object";
  fs::remove(events);
}

TEST(SdlAudio, DiskDriverReceivesTheQueuedBuffers) {
  const fs::path out = fs::path(KS_BUILD_DIR) / "sound-sdl-disk.raw";
  fs::remove(out);
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
  setenv("SDL_DISKAUDIODELAY", "1", 1);
  const fs::path capture = fs::path(KS_BUILD_DIR) / "sound-sdl-capture.wav";
  fs::remove(capture);
  setenv("KESTRUNE_AUDIO_CAPTURE", capture.c_str(), 1);
  os::WaveFormat f;
  f.channels = 1;
  f.samplesPerSec = 8000;
  f.bitsPerSample = 8;
  f.blockAlign = 1;
  f.avgBytesPerSec = 8000;
  os::WaveOut* device = nullptr;
  sdlDone = 0;
  const int opened = os::waveOutOpenOn(os::sdlAudioBackend(), &device, f, countSdlDone, nullptr);
  unsetenv("SDL_AUDIODRIVER");
  unsetenv("KESTRUNE_AUDIO_CAPTURE");
  if (opened != os::MMSYSERR_NOERROR) GTEST_SKIP() << "this SDL has no disk audio driver";
  std::vector<uint8_t> data(3 * 240);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i % 251);
  os::WaveHeader headers[3];
  for (int i = 0; i < 3; ++i) {
    headers[i].data = data.data() + 240 * i;
    headers[i].bufferLength = 240;
    os::waveOutPrepareHeader(device, &headers[i]);
    os::waveOutWrite(device, &headers[i]);
  }
  for (int i = 0; i < 3000 && sdlDone.load() < 3; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(sdlDone.load(), 3);
  EXPECT_EQ(os::waveOutClose(device), os::MMSYSERR_NOERROR);
  const std::string raw = readText(out);
  // SDL got our bytes unchanged (the same format on both sides), with silence while
  // the queue was empty before and after them.
  size_t start = 0;
  while (start < raw.size() && uint8_t(raw[start]) == 128) ++start;
  ASSERT_GE(raw.size(), start + data.size());
  EXPECT_TRUE(std::equal(data.begin(), data.end(), reinterpret_cast<const uint8_t*>(raw.data()) + start));
  for (size_t i = start + data.size(); i < raw.size(); ++i) ASSERT_EQ(uint8_t(raw[i]), 128) << i;
  // The capture holds the played buffers, whichever backend played them.
  const std::string wav = readText(capture);
  ASSERT_EQ(wav.size(), 44 + data.size());
  EXPECT_TRUE(std::equal(data.begin(), data.end(), reinterpret_cast<const uint8_t*>(wav.data()) + 44));
  fs::remove(capture);
  unsetenv("SDL_DISKAUDIOFILE");
  unsetenv("SDL_DISKAUDIODELAY");
  fs::remove(out);
}

TEST(SdlAudio, NoAudioDriverMeansNoDevice) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  os::WaveFormat f;
  f.channels = 2;
  f.samplesPerSec = 22050;
  f.bitsPerSample = 16;
  f.blockAlign = 4;
  f.avgBytesPerSec = 88200;
  os::WaveOut* device = nullptr;
  // The answer device 0 turns into a silent fall-back to the headless device.
  EXPECT_EQ(os::waveOutOpenOn(os::sdlAudioBackend(), &device, f, countSdlDone, nullptr), os::MMSYSERR_BADDEVICEID);
  EXPECT_EQ(device, nullptr);
  unsetenv("SDL_AUDIODRIVER");
}
