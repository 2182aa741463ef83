// The factory's sound lines: "Sound" and "WaveSound" fetch the file named by src from the
// page's sound cache and name it on the page; a line without src creates nothing.
#include "data/ValueList.h"
#include "gui/PageCaches.h"
#include "gui/PageFactory.h"
#include "shell/Canvas.h"
#include "sound/SoundCache.h"

namespace {

using SoundCacheSlot = CacheSlotOf<SoundCache>;

SoundCache& soundCacheOf(Canvas& canvas) {
  std::unique_ptr<CacheSlot>& slot = canvas.soundCacheSlot();
  if (!slot) slot.reset(new SoundCacheSlot());
  return static_cast<SoundCacheSlot*>(slot.get())->cache;
}

}  // namespace

void createSound(Canvas& canvas, const os::WString& key, const ValueList& items) {
  const char16_t* src = items.lookup(u"src");
  if (!src || !*src) return;
  if (Sound* sound = createSoundObject(soundCacheOf(canvas), canvas.pageFolder(), src)) canvas.addSound(key, sound);
}
