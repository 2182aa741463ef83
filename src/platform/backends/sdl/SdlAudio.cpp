// SDL audio output: opens the default playback device in the wave format asked for and
// lets SDL convert to whatever the hardware wants; SDL's callback pulls the queued
// buffers. Fails (null) when SDL has no audio device, so the caller can fall back.
#include <SDL.h>

#include "platform/Audio.h"

namespace os {
namespace {

struct SdlStream {
  SDL_AudioDeviceID device = 0;
  AudioPull pull = nullptr;
  void* context = nullptr;
};

void SDLCALL sdlCallback(void* userdata, Uint8* stream, int length) {
  SdlStream* s = static_cast<SdlStream*>(userdata);
  if (length > 0) s->pull(s->context, stream, uint32_t(length));
}

void* sdlStart(const WaveFormat& format, AudioPull pull, void* context) {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return nullptr;
  SdlStream* s = new SdlStream;
  s->pull = pull;
  s->context = context;
  SDL_AudioSpec want;
  SDL_zero(want);
  want.freq = int(format.samplesPerSec);
  want.format = format.bitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16SYS;
  want.channels = Uint8(format.channels);
  // About 30 ms per callback, a power of two as some drivers prefer.
  Uint16 samples = 256;
  while (samples < 4096 && uint32_t(samples) * 1000 / format.samplesPerSec < 30) samples = Uint16(samples * 2);
  want.samples = samples;
  want.callback = sdlCallback;
  want.userdata = s;
  SDL_AudioSpec have;
  // No allowed changes: SDL converts our format to the hardware's itself.
  s->device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (s->device == 0) {
    delete s;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return nullptr;
  }
  SDL_PauseAudioDevice(s->device, 0);
  return s;
}

void sdlStop(void* handle) {
  SdlStream* s = static_cast<SdlStream*>(handle);
  SDL_CloseAudioDevice(s->device);  // waits for a running callback to return
  delete s;
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

const AudioBackend sdlBackend{"sdl", sdlStart, sdlStop};

}  // namespace

const AudioBackend& sdlAudioBackend() { return sdlBackend; }

}  // namespace os
