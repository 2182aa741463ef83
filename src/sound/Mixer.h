// The software mixer: one process-wide instance (theMixer) owns a pool of music voices
// (MOD replay) and sample voices (waves) and renders them, integer only, into the output
// device's buffers on the device's thread. Starting, stopping, pausing, resuming and
// repositioning take the device lock; volume, pan and pitch setters write single words.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "sound/ModFormat.h"
#include "sound/Sound.h"
#include "sound/WaveOutDevice.h"

class Mixer;

// Flags of play and playLooped.
enum : uint32_t {
  PlayAnyVoice = 0x10000000,  // take any free voice (else the low 16 bits name one)
  PlayPaused = 0x20000000,    // start paused
};

class Voice {
 public:
  Voice() = default;
  virtual ~Voice() = default;  // destroy
  virtual void setVolume(int volume);  // 0..64
  virtual int getVolume() const { return volume_; }
  virtual void setFrequency(uint32_t hz);
  virtual uint32_t getFrequency() const { return frequency_; }
  virtual void setPitch(int pitch);  // 128 = the base rate
  virtual int getPitch() const { return pitch_; }
  virtual void setLoop(bool loop) { loop_ = loop; }
  virtual bool getLoop() const { return loop_; }
  virtual void setPanning(int panning);  // 0..255, 128 = centre
  virtual int getPanning() const { return panning_; }
  virtual void setPosition(int32_t position) = 0;
  virtual int32_t getPosition() const = 0;
  virtual int32_t getLength() const = 0;

  bool isFree() const { return stopped_ && !paused_; }
  bool isAudible() const { return !stopped_ && !paused_; }
  bool isStopped() const { return stopped_; }
  bool isPaused() const { return paused_; }
  int effectiveVolume() const { return effectiveVolume_; }
  const void* source() const { return source_; }  // the data being played

  // State changes; callers hold the device lock.
  void start(bool paused);
  void stop();
  void pause();
  void resume();

 protected:
  friend class Mixer;
  virtual int masterVolume() const = 0;

  Mixer* mixer_ = nullptr;  // set once by the mixer that owns the voice
  std::atomic<int> volume_{64};           // 0..64
  std::atomic<int> effectiveVolume_{64};  // master * volume >> 6
  std::atomic<int> panning_{128};         // 0..255
  std::atomic<bool> loop_{false};
  std::atomic<uint32_t> baseRate_{0};     // Hz of the sound
  std::atomic<uint32_t> frequency_{0};    // Hz
  std::atomic<int> pitch_{128};           // 128 = base rate
  std::atomic<bool> changed_{false};      // frequency changed since the last mix
  bool paused_ = false;
  bool stopped_ = true;
  const void* source_ = nullptr;
};

class SampleVoice : public Voice {
 public:
  // Positions are in bytes of the source: frames, or half frames (16-bit or stereo),
  // or quarter frames (16-bit stereo). setPosition takes the device lock.
  void setPosition(int32_t position) override;
  int32_t getPosition() const override;
  int32_t getLength() const override;

  void setUp(const WaveSample& sound);  // caller holds the lock
  // Adds this voice's next output sample to left/right (stereo) or left (mono).
  void mix(int32_t& left, int32_t& right, bool stereoOut, uint32_t outputRate);

 private:
  int masterVolume() const override;
  int unitShift() const { return 8 - (eightBit_ ? 0 : 1) - (stereo_ ? 1 : 0); }

  const uint8_t* data8_ = nullptr;
  const int16_t* data16_ = nullptr;
  uint32_t step_ = 0;      // 24.8 source frames per output sample
  uint32_t position_ = 0;  // 24.8 source frame index
  uint32_t end_ = 0;       // frame count << 8
  bool eightBit_ = true;
  bool stereo_ = false;
};

// One channel of the MOD replay.
struct ModChannel {
  int sample = 0;         // 1..31, 0 = none yet
  int noteIndex = 0;      // finetune * 84 + note
  int period = 0;
  uint32_t step = 0;      // 20.12 bytes per output sample
  int volume = 0;         // 0..64 (set volume may exceed 64)
  int effectiveVolume = 0;
  int effect = 0, param = 0, x = 0, y = 0;
  uint32_t position = 0;  // 20.12 byte offset in the sample
  int panning = 128;
  int slideAmount = 0;    // volume slide per tick
  int slidePeriod = 0;
  int portaTarget = 0, portaSpeed = 0;
  int arpCounter = 0;
  uint32_t arpSteps[3] = {0, 0, 0};
  int vibPosition = 0, vibSpeed = 0, vibDepth = 0;
  int delayCounter = -2, delayPeriod = 0;  // -2: no delayed note pending
  int cutCounter = 0;
  uint32_t sampleOffset = 0;  // bytes
  int loopCount = 0, loopRow = 0;
  bool loopActive = false;
};

class MusicVoice : public Voice {
 public:
  // order * 64 + row; setPosition moves playback there under the lock.
  void setPosition(int32_t position) override;
  int32_t getPosition() const override;  // current pattern * 64 + row
  int32_t getLength() const override;    // song length * 64
  void setPanning(int separation) override;  // stereo separation of the channels

  bool setUp(const ModuleMusic& sound);  // caller holds the lock; false: not playable
  // One output sample of the replay: ticks, rows and effects, then the channel mix.
  void renderStep(int32_t& left, int32_t& right, bool stereoOut);

  int rowsRead() const { return rowsRead_; }  // rows read since the start (diagnostics)
  int speed() const { return speed_; }
  int ticksPerSecond() const { return ticksPerSecond_; }
  const ModChannel& channel(int c) const { return channels_[c]; }

 private:
  int masterVolume() const override;
  void computeSamplesPerTick();
  void readRow();
  void advance();
  void tickEffects(ModChannel& ch);
  void volumeSlide(ModChannel& ch);
  void updateEffective(ModChannel& ch);
  uint32_t stepOf(int period) const;
  int tablePeriod(int index) const;

  mod::Layout layout_;
  ModChannel channels_[mod::MaxChannels];
  int orderPosition_ = 0;
  int currentPattern_ = 0;
  int rowOffset_ = 0;  // row * channels
  int speed_ = 6;
  int tickCounter_ = 6;
  int ticksPerSecond_ = 50;
  uint32_t samplesPerTick_ = 0;
  uint32_t sampleCounter_ = 0;
  int pendingJump_ = -1;  // order, -1 = none
  int pendingRow_ = 0;    // row offset
  int patternDelay_ = 0;
  bool ending_ = false;  // the song is over: stop at the next row boundary
  int rowsRead_ = 0;
};

// How the game drives it:
//   start-up        theMixer().init(8000, 8, false, 1, 16)    (a failure leaves it silent)
//   shut-down       theMixer().shutdown()
//   sound switch    theMixer().setEnabled(on)                  (off stops everything)
//   deactivation    theMixer().pauseOutput() / resumeOutput()
//   page sounds     theMixer().play(sound, PlayAnyVoice), playLooped(...), stop(sound)
class Mixer {
 public:
  Mixer();
  ~Mixer();
  Mixer(const Mixer&) = delete;
  Mixer& operator=(const Mixer&) = delete;

  // Opens device 0 of the active backend. bits 8 or 16; returns SoundOk or a negative code.
  int init(int rate, int bits, bool stereo, int musicVoices, int sampleVoices);
  // The same on a given way of opening the device (tests, tools).
  int initWith(WaveOutOpener opener, int rate, int bits, bool stereo, int musicVoices, int sampleVoices);
  // Without any output device: the caller drives render() itself (tests, offline rendering).
  int initOffline(int rate, int bits, bool stereo, int musicVoices, int sampleVoices);
  void shutdown();

  // Voice id (music voices first, then sample voices), or SoundRefused; 0 while disabled.
  int play(Sound* sound, uint32_t flags);
  int playLooped(Sound* sound, uint32_t flags);
  void stop(Sound* sound);
  void pause(Sound* sound);
  void resume(Sound* sound);
  bool isPlaying(Sound* sound);
  Voice* voiceOf(Sound* sound);
  void stopAll();
  void pauseAll();
  void resumeAll();
  void setSampleMasterVolume(int volume);
  void setMusicMasterVolume(int volume);
  void setEnabled(bool on);
  bool isEnabled() const { return enabled_; }
  void pauseOutput();
  void resumeOutput();
  Voice* voice(int id);

  // Fills bytes of output; the device thread calls it with the lock held.
  void render(uint8_t* buffer, uint32_t bytes);
  void lock();
  void unlock();

  bool isInitialised() const { return initialised_; }
  uint32_t outputRate() const { return rate_; }
  bool isStereo() const { return stereo_; }
  bool isSixteenBit() const { return sixteenBit_; }
  int musicVoiceCount() const { return musicCount_; }
  int sampleVoiceCount() const { return sampleCount_; }
  int sampleMasterVolume() const { return sampleMaster_; }
  int musicMasterVolume() const { return musicMaster_; }
  WaveOutDevice* device() { return device_.get(); }

  // Period tables of the MOD replay, for periods 0..1712.
  uint32_t stepFor(int period) const { return step_[period]; }  // 20.12 step per output sample
  int noteFor(int period) const { return note_[period]; }        // nearest note index 0..83

  static constexpr uint32_t LatencyMs = 180;

 private:
  static void renderCallback(void* self, uint8_t* buffer, uint32_t bytes);
  int setUp(int rate, int bits, bool stereo, int musicVoices, int sampleVoices);
  void buildTables();
  int playWave(WaveSample* sound, uint32_t flags);
  int playModule(ModuleMusic* sound, uint32_t flags);
  Voice* findVoice(const Sound* sound);

  bool initialised_ = false;
  std::atomic<bool> enabled_{true};
  std::unique_ptr<WaveOutDevice> device_;
  std::vector<std::unique_ptr<MusicVoice>> music_;
  std::vector<std::unique_ptr<SampleVoice>> samples_;
  std::vector<MusicVoice*> activeMusic_;    // scratch lists of one render (sized at init)
  std::vector<SampleVoice*> activeSamples_;
  int musicCount_ = 0;
  int sampleCount_ = 0;
  std::atomic<int> musicMaster_{64};
  std::atomic<int> sampleMaster_{64};
  uint32_t rate_ = 0;
  bool stereo_ = false;
  bool sixteenBit_ = false;
  uint32_t step_[mod::MaxPeriod + 1] = {};
  uint8_t note_[mod::MaxPeriod + 1] = {};
};

// The process-wide mixer every page uses.
Mixer& theMixer();
