// The wave-out interface on the headless device: buffers consumed at the format's rate
// on a clock the test turns by hand, pause and restart, reset and close, the WAV
// capture; and the whole mixer playing a module and an effect into a capture.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "SoundFixtures.h"
#include "platform/Audio.h"
#include "sound/Mixer.h"

namespace fs = std::filesystem;

namespace {

std::atomic<uint32_t> manualNow{0};
uint32_t manualClock() { return manualNow.load(); }

std::atomic<int> doneCount{0};
void countDone(os::WaveOut*, uint32_t message, void*, os::WaveHeader*) {
  if (message == os::WOM_DONE) ++doneCount;
}

// Waits (in real time) until the condition holds; the headless thread polls every 2 ms.
template <typename F>
bool eventually(F condition, int ms = 2000) {
  for (int i = 0; i < ms; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return condition();
}

os::WaveFormat format8k() {
  os::WaveFormat f;
  f.channels = 1;
  f.samplesPerSec = 8000;
  f.bitsPerSample = 8;
  f.blockAlign = 1;
  f.avgBytesPerSec = 8000;
  return f;
}

struct ManualClock : ::testing::Test {
  void SetUp() override {
    manualNow = 1000;
    doneCount = 0;
    os::setHeadlessAudioClock(manualClock);
  }
  void TearDown() override {
    os::setHeadlessAudioClock(nullptr);
    unsetenv("KESTRUNE_AUDIO_CAPTURE");
  }
};

std::vector<uint8_t> readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

uint32_t le32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

}  // namespace

TEST_F(ManualClock, HeadlessDeviceConsumesBuffersAtTheFormatsRate) {
  os::WaveOut* device = nullptr;
  ASSERT_EQ(os::waveOutOpenOn(os::headlessAudioBackend(), &device, format8k(), countDone, nullptr), os::MMSYSERR_NOERROR);
  std::vector<uint8_t> data(4 * 240, 128);
  os::WaveHeader headers[4];
  for (int i = 0; i < 4; ++i) {
    headers[i].data = data.data() + 240 * i;
    headers[i].bufferLength = 240;
    ASSERT_EQ(os::waveOutWrite(device, &headers[i]), os::WAVERR_UNPREPARED);
    ASSERT_EQ(os::waveOutPrepareHeader(device, &headers[i]), os::MMSYSERR_NOERROR);
    ASSERT_EQ(os::waveOutWrite(device, &headers[i]), os::MMSYSERR_NOERROR);
  }
  EXPECT_EQ(os::waveOutUnprepareHeader(device, &headers[3]), os::WAVERR_STILLPLAYING);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(doneCount.load(), 0);  // no time has passed on the device's clock
  manualNow += 60;                 // 480 bytes at 8000 bytes per second
  EXPECT_TRUE(eventually([] { return doneCount.load() == 2; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(doneCount.load(), 2);
  EXPECT_TRUE(headers[0].flags & os::WHDR_DONE);
  EXPECT_FALSE(headers[2].flags & os::WHDR_DONE);

  os::waveOutPause(device);
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  manualNow += 500;
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(doneCount.load(), 2);  // paused: nothing played, no time owed afterwards
  os::waveOutRestart(device);
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  manualNow += 30;
  EXPECT_TRUE(eventually([] { return doneCount.load() == 3; }));
  EXPECT_EQ(os::waveOutClose(device), os::WAVERR_STILLPLAYING);
  EXPECT_EQ(os::waveOutReset(device), os::MMSYSERR_NOERROR);
  EXPECT_EQ(doneCount.load(), 4);
  EXPECT_EQ(os::waveOutUnprepareHeader(device, &headers[3]), os::MMSYSERR_NOERROR);
  EXPECT_EQ(os::waveOutClose(device), os::MMSYSERR_NOERROR);
}

TEST_F(ManualClock, FormatsTheDeviceCannotPlayAreRefused) {
  os::WaveFormat bad = format8k();
  bad.bitsPerSample = 12;
  os::WaveOut* device = nullptr;
  EXPECT_EQ(os::waveOutOpenOn(os::headlessAudioBackend(), &device, bad, countDone, nullptr), os::WAVERR_BADFORMAT);
  EXPECT_EQ(device, nullptr);
  bad = format8k();
  bad.avgBytesPerSec = 1234;
  EXPECT_EQ(os::waveOutOpenOn(os::headlessAudioBackend(), &device, bad, countDone, nullptr), os::WAVERR_BADFORMAT);
}

TEST_F(ManualClock, CaptureHoldsEveryPlayedByteInAWaveFile) {
  const fs::path capture = fs::path(KS_BUILD_DIR) / "sound-capture-device.wav";
  fs::remove(capture);
  setenv("KESTRUNE_AUDIO_CAPTURE", capture.c_str(), 1);
  os::WaveFormat stereo16;
  stereo16.channels = 2;
  stereo16.samplesPerSec = 8000;
  stereo16.bitsPerSample = 16;
  stereo16.blockAlign = 4;
  stereo16.avgBytesPerSec = 32000;
  os::WaveOut* device = nullptr;
  ASSERT_EQ(os::waveOutOpenOn(os::headlessAudioBackend(), &device, stereo16, countDone, nullptr), os::MMSYSERR_NOERROR);
  std::vector<uint8_t> data(2 * 960);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 13);
  os::WaveHeader headers[2];
  for (int i = 0; i < 2; ++i) {
    headers[i].data = data.data() + 960 * i;
    headers[i].bufferLength = 960;
    os::waveOutPrepareHeader(device, &headers[i]);
    os::waveOutWrite(device, &headers[i]);
  }
  manualNow += 60;
  ASSERT_TRUE(eventually([] { return doneCount.load() == 2; }));
  EXPECT_FALSE(fs::exists(capture));  // written under another name until closed
  ASSERT_EQ(os::waveOutClose(device), os::MMSYSERR_NOERROR);
  const auto file = readFile(capture);
  ASSERT_EQ(file.size(), 44u + 1920u);
  EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "RIFF");
  EXPECT_EQ(le32(&file[4]), 36u + 1920u);
  EXPECT_EQ(le32(&file[24]), 8000u);
  EXPECT_EQ(file[22], 2);
  EXPECT_EQ(file[34], 16);
  EXPECT_EQ(le32(&file[40]), 1920u);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), file.begin() + 44));
  EXPECT_FALSE(fs::exists(capture.string() + ".part"));
  fs::remove(capture);
}

TEST_F(ManualClock, MixerPlaysAModuleAndAnEffectIntoTheCapture) {
  const fs::path capture = fs::path(KS_BUILD_DIR) / "sound-capture-mixer.wav";
  fs::remove(capture);
  setenv("KESTRUNE_AUDIO_CAPTURE", capture.c_str(), 1);

  // A short song (12 rows at speed 3) and a quarter-second effect.
  fixtures::ModBuilder song;
  song.squareSample(1, 64);
  song.note(0, 0, 0, 1, 428, 15, 3);
  song.note(0, 4, 1, 1, 214);
  song.effect(0, 11, 0, 13, 0);
  ModuleMusic music;
  auto image = song.build();
  ASSERT_EQ(music.loadFromMemory(image.data(), image.size()), SoundLoaded);
  fixtures::WavSpec bang;
  for (int i = 0; i < 2000; ++i) bang.data.push_back(uint8_t(i % 40 < 20 ? 40 : 216));
  auto bangFile = fixtures::makeWav(bang);
  WaveSample effect;
  ASSERT_EQ(effect.loadFromMemory(bangFile.data(), bangFile.size()), SoundLoaded);

  // What the two should sound like, rendered offline.
  Mixer reference;
  ASSERT_EQ(reference.initOffline(8000, 8, false, 1, 16), SoundOk);
  reference.play(&music, PlayAnyVoice);
  reference.play(&effect, PlayAnyVoice);
  std::vector<uint8_t> expected(8000);
  reference.render(expected.data(), uint32_t(expected.size()));
  const size_t lastSound = expected.size() - size_t(std::find_if(expected.rbegin(), expected.rend(),
                                                                   [](uint8_t b) { return b != 128; }) - expected.rbegin());
  ASSERT_GT(lastSound, 2000u);   // the song outlasts the effect...
  ASSERT_LT(lastSound, 7000u);   // ...and ends within the rendered second

  Mixer mixer;
  ASSERT_EQ(mixer.initWith(fixtures::openHeadless, 8000, 8, false, 1, 16), SoundOk);
  EXPECT_EQ(mixer.play(&music, PlayAnyVoice), 0);
  EXPECT_EQ(mixer.play(&effect, PlayAnyVoice), 1);
  // Play 1.5 s of device time in 10 ms steps, giving the threads time to keep up.
  for (int step = 0; step < 150; ++step) {
    manualNow += 10;
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(mixer.isPlaying(&music));
  mixer.shutdown();

  const auto file = readFile(capture);
  ASSERT_GE(file.size(), 44u);
  const size_t played = file.size() - 44;
  EXPECT_EQ(le32(&file[40]), played);
  // 1.5 s at 8000 bytes per second, less what a slow test machine may have starved.
  EXPECT_LE(played, 12000u);
  EXPECT_GE(played, 10000u);
  // The six buffers queued at open are silence; then the mix follows byte for byte.
  const size_t latency = 6 * 240;
  for (size_t i = 0; i < latency; ++i) ASSERT_EQ(file[44 + i], 128) << "byte " << i;
  const size_t compared = std::min(expected.size(), played - latency);
  for (size_t i = 0; i < compared; ++i) ASSERT_EQ(file[44 + latency + i], expected[i]) << "byte " << i;
  for (size_t i = latency + expected.size(); i < played; ++i) ASSERT_EQ(file[44 + i], 128) << "byte " << i;
  fs::remove(capture);
}
