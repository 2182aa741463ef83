// Sound objects: a loaded sound file plus the settings the mixer starts it with.
// WaveSample holds 8-bit unsigned or 16-bit signed PCM (mono or interleaved stereo;
// Microsoft ADPCM is decoded to 16-bit at load); ModuleMusic holds a MOD file image
// whole, replayed by the music voices. Setters take effect at the next start.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Text.h"

// Results of loading a sound file.
enum : int {
  SoundLoaded = 0,
  SoundUnsupported = -100,  // a format or encoding the game does not play
  SoundNotFound = -200,     // no such file
  SoundMalformed = -300,    // a broken or truncated file
};

class Sound {
 public:
  virtual ~Sound();  // destroy: frees owned data

  void setVolume(int v);          // 0..64, clamped to 64
  void setPitch(int p);           // 128 = the file's rate
  void setFrequency(uint32_t hz);
  void setLoop(bool on) { loop = on; }
  void setPanning(int v);         // 0..255 (a module: stereo separation)

  // The identity of the data a voice plays (null when nothing was loaded).
  const void* dataId() const;
  bool hasData() const { return dataId() != nullptr; }

  int volume = 64;        // 0..64
  bool loop = false;
  int panning = 128;      // 0..255, 128 = centre
  uint32_t rate = 0;      // Hz of the data
  uint32_t frequency = 1; // Hz to play at
  int pitch = 128;        // frequency as a fraction of rate, 128 = unchanged
  bool ownsData = false;
  bool isModule = false;

 protected:
  Sound() = default;
  Sound(const Sound&) = delete;
  Sound& operator=(const Sound&) = delete;
  Sound(Sound&&) = default;  // the data moves with its buffer; never move a playing sound
  Sound& operator=(Sound&&) = default;
};

class WaveSample : public Sound {
 public:
  WaveSample();
  // Parses a RIFF/WAVE image; SoundLoaded or one of the negative results.
  int loadFromMemory(const uint8_t* file, size_t size);

  bool eightBit = true;
  bool stereo = false;
  uint32_t length = 0;        // frames
  int instanceLimit = -1;     // voices at once, -1 = unlimited
  std::vector<uint8_t> pcm8;  // unsigned 8-bit samples (eightBit)
  std::vector<int16_t> pcm16; // signed 16-bit samples (!eightBit)
};

class ModuleMusic : public Sound {
 public:
  ModuleMusic();
  // Keeps a MOD image whose layout is playable; SoundLoaded or a negative result.
  int loadFromMemory(const uint8_t* file, size_t size);

  std::vector<uint8_t> image;  // the whole file
};
