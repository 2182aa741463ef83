// The mixer: voice pool, play/stop/pause requests under the device lock, the period
// tables of the MOD replay and the per-buffer render of all audible voices, in integer
// arithmetic (24.8 sample positions, no interpolation). The MOD replay of a music voice
// lives in ModPlayer.cpp; choosing the platform device lives in MixerInit.cpp.
#include "sound/Mixer.h"

#include <cstring>
#include <new>

namespace {
int clampInt(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }
}  // namespace

// ---- Voice -------------------------------------------------------------------------

void Voice::setVolume(int volume) {
  volume = clampInt(volume, 0, 64);
  volume_ = volume;
  effectiveVolume_ = (masterVolume() * volume) >> 6;
}

void Voice::setFrequency(uint32_t hz) {
  frequency_ = hz;
  uint32_t base = baseRate_;
  if (base) pitch_ = int(((uint64_t(hz) << 16) / base) >> 9);
  changed_ = true;
}

void Voice::setPitch(int pitch) {
  pitch_ = pitch;
  frequency_ = uint32_t(((uint64_t(uint32_t(pitch < 0 ? 0 : pitch)) << 9) * baseRate_) >> 16);
  changed_ = true;
}

void Voice::setPanning(int panning) { panning_ = clampInt(panning, 0, 255); }

void Voice::start(bool paused) {
  stopped_ = false;
  paused_ = paused;
}

void Voice::stop() {
  stopped_ = true;
  paused_ = false;
}

void Voice::pause() {
  if (!stopped_ && !paused_) paused_ = true;
}

void Voice::resume() {
  if (!stopped_) paused_ = false;
}

// ---- SampleVoice -------------------------------------------------------------------

int SampleVoice::masterVolume() const { return mixer_ ? mixer_->sampleMasterVolume() : 64; }

void SampleVoice::setUp(const WaveSample& sound) {
  eightBit_ = sound.eightBit;
  stereo_ = sound.stereo;
  data8_ = sound.eightBit ? sound.pcm8.data() : nullptr;
  data16_ = sound.eightBit ? nullptr : sound.pcm16.data();
  source_ = sound.dataId();
  baseRate_ = sound.rate;
  frequency_ = sound.frequency;
  pitch_ = sound.pitch;
  changed_ = true;
  position_ = 0;
  // 24.8 positions hold up to 2^24 frames (35 minutes at 8 kHz); longer data is cut.
  uint32_t frames = sound.length > 0xFFFFFFu ? 0xFFFFFFu : sound.length;
  end_ = frames << 8;
  loop_ = sound.loop;
  panning_ = clampInt(sound.panning, 0, 255);
  setVolume(sound.volume);
}

void SampleVoice::setPosition(int32_t position) {
  mixer_->lock();
  position_ = uint32_t(position < 0 ? 0 : position) << unitShift();
  mixer_->unlock();
}

int32_t SampleVoice::getPosition() const {
  mixer_->lock();
  int32_t value = int32_t(position_ >> unitShift());
  mixer_->unlock();
  return value;
}

int32_t SampleVoice::getLength() const {
  mixer_->lock();
  int32_t value = int32_t(end_ >> unitShift());
  mixer_->unlock();
  return value;
}

void SampleVoice::mix(int32_t& left, int32_t& right, bool stereoOut, uint32_t outputRate) {
  if (changed_) {
    changed_ = false;
    step_ = uint32_t((uint64_t(frequency_) << 16) / (uint64_t(outputRate) << 8));
  }
  if (loop_ && position_ >= end_ && end_ > 0) position_ -= end_;
  if (position_ >= end_) {
    if (!loop_) stop();
    return;
  }
  const uint32_t index = position_ >> 8;
  int32_t lv, rv;
  if (eightBit_) {
    if (stereo_) {
      lv = (int32_t(data8_[2 * index]) - 128) * 256;
      rv = (int32_t(data8_[2 * index + 1]) - 128) * 256;
    } else {
      lv = rv = (int32_t(data8_[index]) - 128) * 256;
    }
  } else {
    if (stereo_) {
      lv = data16_[2 * index];
      rv = data16_[2 * index + 1];
    } else {
      lv = rv = data16_[index];
    }
  }
  const int32_t e = effectiveVolume_;
  if (stereoOut) {
    const int32_t pan = panning_;
    if (pan != 128) {
      const int32_t q = (2 * e * pan) >> 8;
      const int32_t w = stereo_ ? lv + rv : lv;
      left += (2 * e - q) * w;
      right += q * w;
    } else {
      left += e * lv;
      right += e * rv;
    }
  } else {
    left += e * lv;
    if (stereo_) left += e * rv;
  }
  position_ += step_;
  if (position_ >= end_ && !loop_) stop();
}

// ---- Mixer -------------------------------------------------------------------------

Mixer::Mixer() = default;

Mixer::~Mixer() { shutdown(); }

Mixer& theMixer() {
  static Mixer mixer;
  return mixer;
}

void Mixer::buildTables() {
  static const int MasterClock = 7159090;  // NTSC Amiga clock, Hz
  step_[0] = 0;
  for (int p = 1; p <= mod::MaxPeriod; ++p)
    step_[p] = uint32_t((uint64_t(uint32_t(MasterClock / (2 * p))) << 12) / rate_);
  for (int p = 0; p <= mod::MaxPeriod; ++p) {
    int best = 0;
    int bestDistance = 1 << 30;
    for (int n = 0; n < mod::NotesPerRow; ++n) {
      int d = mod::periodTable.entries[n] - p;
      if (d < 0) d = -d;
      if (d < bestDistance) {
        bestDistance = d;
        best = n;
      }
    }
    note_[p] = uint8_t(best);
  }
}

int Mixer::setUp(int rate, int bits, bool stereo, int musicVoices, int sampleVoices) {
  rate_ = uint32_t(rate);
  stereo_ = stereo;
  sixteenBit_ = bits == 16;
  buildTables();
  musicCount_ = clampInt(musicVoices, 1, 64);
  sampleCount_ = clampInt(sampleVoices, 8, 128);
  music_.clear();
  samples_.clear();
  for (int i = 0; i < musicCount_; ++i) {
    music_.emplace_back(new (std::nothrow) MusicVoice);
    if (!music_.back()) return SoundNoMemory;
    music_.back()->mixer_ = this;
  }
  for (int i = 0; i < sampleCount_; ++i) {
    samples_.emplace_back(new (std::nothrow) SampleVoice);
    if (!samples_.back()) return SoundNoMemory;
    samples_.back()->mixer_ = this;
  }
  activeMusic_.assign(size_t(musicCount_), nullptr);
  activeSamples_.assign(size_t(sampleCount_), nullptr);
  musicMaster_ = 64;
  sampleMaster_ = 64;
  return SoundOk;
}

int Mixer::initWith(WaveOutOpener opener, int rate, int bits, bool stereo, int musicVoices, int sampleVoices) {
  if (initialised_) return SoundAlreadyOpen;
  if (rate <= 0 || (bits != 8 && bits != 16)) return SoundBadFormat;
  device_.reset(new (std::nothrow) WaveOutDevice(opener));
  if (!device_) return SoundNoDevice;
  WaveOutFormat format;
  format.rate = uint32_t(rate);
  format.channels = stereo ? 2 : 1;
  format.flags = bits == 16 ? (WaveFormat16Bit | WaveFormatSigned) : (WaveFormat8Bit | WaveFormatUnsigned);
  int result = device_->open(&format, uint32_t(uint64_t(LatencyMs) * uint32_t(rate) / 1000), renderCallback, this);
  if (result != SoundOk) {
    device_.reset();
    return result;
  }
  result = setUp(rate, bits, stereo, musicVoices, sampleVoices);
  if (result != SoundOk) {
    device_->close();
    device_.reset();
    return result;
  }
  initialised_ = true;
  device_->resume();
  return SoundOk;
}

int Mixer::initOffline(int rate, int bits, bool stereo, int musicVoices, int sampleVoices) {
  if (initialised_) return SoundAlreadyOpen;
  if (rate <= 0 || (bits != 8 && bits != 16)) return SoundBadFormat;
  int result = setUp(rate, bits, stereo, musicVoices, sampleVoices);
  if (result != SoundOk) return result;
  initialised_ = true;
  return SoundOk;
}

void Mixer::shutdown() {
  if (device_) {
    if (device_->isOpen()) device_->close();
    device_.reset();
  }
  music_.clear();
  samples_.clear();
  activeMusic_.clear();
  activeSamples_.clear();
  musicCount_ = sampleCount_ = 0;
  initialised_ = false;
}

void Mixer::lock() {
  if (device_) device_->lock();
}

void Mixer::unlock() {
  if (device_) device_->unlock();
}

void Mixer::renderCallback(void* self, uint8_t* buffer, uint32_t bytes) {
  static_cast<Mixer*>(self)->render(buffer, bytes);
}

int Mixer::play(Sound* sound, uint32_t flags) {
  if (!enabled_) return 0;
  if (!initialised_ || !sound || !sound->hasData()) return SoundRefused;
  if (sound->isModule) return playModule(static_cast<ModuleMusic*>(sound), flags);
  return playWave(static_cast<WaveSample*>(sound), flags);
}

int Mixer::playLooped(Sound* sound, uint32_t flags) {
  if (!enabled_) return 0;
  if (sound) sound->setLoop(true);
  return play(sound, flags);
}

int Mixer::playWave(WaveSample* sound, uint32_t flags) {
  lock();
  int candidate = -1;
  if (flags & PlayAnyVoice) {
    int playing = 0;
    const void* data = sound->dataId();
    for (int i = 0; i < sampleCount_; ++i) {
      SampleVoice& v = *samples_[size_t(i)];
      if (v.isFree()) {
        if (candidate < 0 || sound->instanceLimit >= 0) candidate = i;
      } else if (v.source() == data) {
        ++playing;
      }
    }
    if (sound->instanceLimit >= 0 && playing >= sound->instanceLimit) {
      unlock();
      return SoundRefused;
    }
  } else {
    int index = int(flags & 0xFFFF) - musicCount_;
    if (index >= 0 && index < sampleCount_ && samples_[size_t(index)]->isFree()) candidate = index;
  }
  if (candidate < 0) {
    unlock();
    return SoundRefused;
  }
  SampleVoice& v = *samples_[size_t(candidate)];
  v.setUp(*sound);
  v.start((flags & PlayPaused) != 0);
  unlock();
  return musicCount_ + candidate;
}

int Mixer::playModule(ModuleMusic* sound, uint32_t flags) {
  lock();
  int candidate = -1;
  if (flags & PlayAnyVoice) {
    for (int i = 0; i < musicCount_ && candidate < 0; ++i)
      if (music_[size_t(i)]->isFree()) candidate = i;
  } else {
    int index = int(flags & 0xFFFF);
    if (index < musicCount_ && music_[size_t(index)]->isFree()) candidate = index;
  }
  if (candidate < 0 || !music_[size_t(candidate)]->setUp(*sound)) {
    unlock();
    return SoundRefused;
  }
  MusicVoice& v = *music_[size_t(candidate)];
  v.start((flags & PlayPaused) != 0);
  unlock();
  return candidate;
}

Voice* Mixer::findVoice(const Sound* sound) {
  if (!sound || !sound->hasData()) return nullptr;
  const void* data = sound->dataId();
  if (sound->isModule) {
    for (auto& v : music_)
      if (!v->isFree() && v->source() == data) return v.get();
  } else {
    for (auto& v : samples_)
      if (!v->isFree() && v->source() == data) return v.get();
  }
  return nullptr;
}

void Mixer::stop(Sound* sound) {
  lock();
  if (Voice* v = findVoice(sound)) v->stop();
  unlock();
}

void Mixer::pause(Sound* sound) {
  lock();
  if (Voice* v = findVoice(sound)) v->pause();
  unlock();
}

void Mixer::resume(Sound* sound) {
  lock();
  if (Voice* v = findVoice(sound)) v->resume();
  unlock();
}

bool Mixer::isPlaying(Sound* sound) {
  lock();
  bool playing = findVoice(sound) != nullptr;
  unlock();
  return playing;
}

Voice* Mixer::voiceOf(Sound* sound) {
  lock();
  Voice* v = findVoice(sound);
  unlock();
  return v;
}

void Mixer::stopAll() {
  lock();
  for (auto& v : samples_) v->stop();
  for (auto& v : music_) v->stop();
  unlock();
}

void Mixer::pauseAll() {
  lock();
  for (auto& v : samples_) v->pause();
  for (auto& v : music_) v->pause();
  unlock();
}

void Mixer::resumeAll() {
  lock();
  for (auto& v : samples_) v->resume();
  for (auto& v : music_) v->resume();
  unlock();
}

void Mixer::setSampleMasterVolume(int volume) {
  sampleMaster_ = clampInt(volume, 0, 64);
  for (auto& v : samples_) v->setVolume(v->getVolume());
}

void Mixer::setMusicMasterVolume(int volume) {
  musicMaster_ = clampInt(volume, 0, 64);
  for (auto& v : music_) v->setVolume(v->getVolume());
}

void Mixer::setEnabled(bool on) {
  enabled_ = on;
  if (!on) stopAll();
}

void Mixer::pauseOutput() {
  if (device_) device_->pause();
}

void Mixer::resumeOutput() {
  if (device_) device_->resume();
}

Voice* Mixer::voice(int id) {
  if (id < 0) return nullptr;
  if (id < musicCount_) return music_[size_t(id)].get();
  if (id < musicCount_ + sampleCount_) return samples_[size_t(id - musicCount_)].get();
  return nullptr;
}

void Mixer::render(uint8_t* buffer, uint32_t bytes) {
  size_t musicActive = 0, samplesActive = 0;
  for (int i = 0; i < musicCount_; ++i)
    if (music_[size_t(i)]->isAudible()) activeMusic_[musicActive++] = music_[size_t(i)].get();
  for (int i = 0; i < sampleCount_; ++i)
    if (samples_[size_t(i)]->isAudible()) activeSamples_[samplesActive++] = samples_[size_t(i)].get();
  if (musicActive == 0 && samplesActive == 0) {
    std::memset(buffer, sixteenBit_ ? 0 : 128, bytes);
    return;
  }
  const uint32_t channels = stereo_ ? 2 : 1;
  const uint32_t frames = (sixteenBit_ ? bytes / 2 : bytes) / channels;
  int16_t* out16 = reinterpret_cast<int16_t*>(buffer);
  for (uint32_t f = 0; f < frames; ++f) {
    int32_t musicLeft = 0, musicRight = 0, sampleLeft = 0, sampleRight = 0;
    for (size_t i = 0; i < musicActive; ++i)
      if (activeMusic_[i]->isAudible()) activeMusic_[i]->renderStep(musicLeft, musicRight, stereo_);
    for (size_t i = 0; i < samplesActive; ++i)
      if (activeSamples_[i]->isAudible()) activeSamples_[i]->mix(sampleLeft, sampleRight, stereo_, rate_);
    int32_t out[2] = {musicLeft + (sampleLeft >> 7), musicRight + (sampleRight >> 7)};
    for (uint32_t c = 0; c < channels; ++c) {
      if (sixteenBit_) {
        out16[f * channels + c] = int16_t(clampInt(out[c], -32768, 32767));
      } else {
        buffer[f * channels + c] = uint8_t(clampInt(out[c] >> 8, -128, 127) + 128);
      }
    }
  }
  // An odd trailing byte (never with the device's buffer sizes) is silence.
  const uint32_t written = frames * channels * (sixteenBit_ ? 2 : 1);
  if (written < bytes) std::memset(buffer + written, sixteenBit_ ? 0 : 128, bytes - written);
}
