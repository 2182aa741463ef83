// The game's sound cache: the process-wide mixer and the warning box for missing files.
// Apart from SoundCache.cpp so tests can build caches without the message box linked in.
#include "platform/System.h"
#include "platform/Types.h"
#include "sound/Mixer.h"
#include "sound/SoundCache.h"

namespace {
void showMissingSound(os::WStringView fullPath) {
  os::messageBox(0, missingSoundMessage(fullPath), u"Exception", os::MB_OK | os::MB_ICONEXCLAMATION);
}
}  // namespace

SoundCache::SoundCache() : SoundCache(&theMixer(), showMissingSound) {}
