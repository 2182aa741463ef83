// Device 0 of the wave-out interface: the active backend's audio. The headless backend
// always uses the headless device; the SDL backend uses SDL audio and silently falls
// back to the headless device when SDL cannot open one (no sound card, no server).
// Kept apart from Audio.cpp so code that names its backend does not need the selection.
#include "platform/Audio.h"
#include "platform/Backend.h"
#include "platform/System.h"

namespace os {

uint32_t waveOutGetNumDevs() { return 1; }

int waveOutOpen(WaveOut** device, uint32_t deviceId, const WaveFormat& format, WaveOutProc proc,
                void* instance) {
  if (device) *device = nullptr;
  if (deviceId != 0) return MMSYSERR_BADDEVICEID;
  setHeadlessAudioClock(getTickCount);
  if (!backendIsHeadless()) {
    int result = waveOutOpenOn(sdlAudioBackend(), device, format, proc, instance);
    if (result != MMSYSERR_BADDEVICEID) return result;
  }
  return waveOutOpenOn(headlessAudioBackend(), device, format, proc, instance);
}

}  // namespace os
