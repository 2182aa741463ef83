// The page's sound cache: sound objects by lower-cased file name, so names differing
// only in case share one object. A ".wav" name makes a WaveSample, a ".mod" name a
// ModuleMusic; a missing file is reported once (a message box in the game) and leaves a
// silent object. Clearing stops every voice first, so no voice plays freed data.
#pragma once

#include <map>
#include <memory>

#include "platform/Text.h"
#include "sound/Sound.h"

class Mixer;

// Told the full path of a sound file that does not exist.
using MissingSoundReporter = void (*)(os::WStringView fullPath);

class SoundCache {
 public:
  // The game's cache: theMixer() and the "Exception" message box.
  SoundCache();
  SoundCache(Mixer* mixer, MissingSoundReporter reporter);
  ~SoundCache();  // destroy: clear
  SoundCache(const SoundCache&) = delete;
  SoundCache& operator=(const SoundCache&) = delete;

  // The object for folder + name (created and loaded on first use), or none for a
  // name that is neither ".wav" nor ".mod" (such names are not stored).
  Sound* get(os::WStringView folder, os::WStringView name);
  bool lastWasHit() const { return lastHit_; }
  int lastLoadResult() const { return lastResult_; }  // of the last object created
  void clear();
  size_t size() const { return sounds_.size(); }

 private:
  Mixer* mixer_;
  MissingSoundReporter reporter_;
  std::map<os::WString, std::unique_ptr<Sound>> sounds_;
  bool lastHit_ = false;
  int lastResult_ = 0;
};

// The message the game shows for a missing sound or music file.
os::WString missingSoundMessage(os::WStringView fullPath);

// What the page factory calls for a "Sound" or "WaveSound" line: the sound named by its
// src value (relative to the page folder) from the page's cache, or none when the line
// has no src. The factory stores the result in the page's named sounds under the key.
Sound* createSoundObject(SoundCache& cache, os::WStringView pageFolder, os::WStringView src);
