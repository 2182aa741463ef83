// Mixer start-up on the platform's wave-out device 0 (the active backend's audio).
// Kept in its own file so that tests and tools which open a named backend (through
// Mixer::initWith) do not need the backend selection linked in.
#include "platform/Audio.h"
#include "sound/Mixer.h"

int Mixer::init(int rate, int bits, bool stereo, int musicVoices, int sampleVoices) {
  return initWith(os::waveOutOpen, rate, bits, stereo, musicVoices, sampleVoices);
}
