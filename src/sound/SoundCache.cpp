// The page's sound cache and the page factory's entry for sound lines. The cache keys
// are lower-cased copies of the file names; load failures still cache the (silent)
// object, so a missing file is reported once per page.
#include "sound/SoundCache.h"

#include <vector>

#include "sound/Mixer.h"
#include "sound/SoundFile.h"

SoundCache::SoundCache(Mixer* mixer, MissingSoundReporter reporter) : mixer_(mixer), reporter_(reporter) {}

SoundCache::~SoundCache() { clear(); }

os::WString missingSoundMessage(os::WStringView fullPath) {
  os::WString path(fullPath);
  return os::format(u"Error: can not find the sound / music '%s'.", path.c_str());
}

Sound* SoundCache::get(os::WStringView folder, os::WStringView name) {
  const os::WString key = os::toLowerAscii(name);
  auto found = sounds_.find(key);
  if (found != sounds_.end()) {
    lastHit_ = true;
    return found->second.get();
  }
  lastHit_ = false;
  std::unique_ptr<Sound> sound;
  const bool wave = key.find(u".wav") != os::WString::npos;
  const bool module = !wave && key.find(u".mod") != os::WString::npos;
  if (wave) sound.reset(new WaveSample);
  else if (module) sound.reset(new ModuleMusic);
  else return nullptr;

  const os::WString path = soundPath(folder, key);
  std::vector<uint8_t> file;
  if (!readSoundFile(path, file)) {
    lastResult_ = SoundNotFound;
    if (reporter_) reporter_(path);
  } else if (wave) {
    lastResult_ = static_cast<WaveSample*>(sound.get())->loadFromMemory(file.data(), file.size());
  } else {
    lastResult_ = static_cast<ModuleMusic*>(sound.get())->loadFromMemory(file.data(), file.size());
  }
  Sound* result = sound.get();
  sounds_.emplace(key, std::move(sound));
  return result;
}

void SoundCache::clear() {
  if (mixer_) mixer_->stopAll();
  sounds_.clear();
}

Sound* createSoundObject(SoundCache& cache, os::WStringView pageFolder, os::WStringView src) {
  if (src.empty()) return nullptr;
  return cache.get(pageFolder, src);
}
