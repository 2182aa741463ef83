// The wave-out interface: open a PCM format, queue buffers that are played in order,
// a done notification per buffer, pause, restart, reset and close. Device 0 is the
// backend's output (SDL audio, or the headless device when SDL cannot open one or the
// headless backend runs). KESTRUNE_AUDIO_CAPTURE=path also writes everything the
// device plays to that WAV file (written as path + ".part", renamed at close).
#pragma once

#include <cstdint>

namespace os {

// PCM wave format (format tag 1); block align and byte rate follow from the rest.
struct WaveFormat {
  uint16_t formatTag = 1;
  uint16_t channels = 1;        // 1 or 2
  uint32_t samplesPerSec = 0;   // Hz
  uint32_t avgBytesPerSec = 0;  // blockAlign * samplesPerSec
  uint16_t blockAlign = 0;      // bytes per frame
  uint16_t bitsPerSample = 8;   // 8 (unsigned) or 16 (signed)
  uint16_t extraSize = 0;
};

enum : uint32_t { WHDR_DONE = 0x1, WHDR_PREPARED = 0x2, WHDR_INQUEUE = 0x10 };

// A buffer handed to the device; it stays the caller's memory.
struct WaveHeader {
  uint8_t* data = nullptr;
  uint32_t bufferLength = 0;   // bytes
  uintptr_t user = 0;
  uint32_t flags = 0;          // WHDR_*
  WaveHeader* next = nullptr;  // used by the device while queued
};

enum : uint32_t { WOM_OPEN = 0x3BB, WOM_CLOSE = 0x3BC, WOM_DONE = 0x3BD };

enum : int {
  MMSYSERR_NOERROR = 0,
  MMSYSERR_ERROR = 1,
  MMSYSERR_BADDEVICEID = 2,
  MMSYSERR_INVALHANDLE = 5,
  MMSYSERR_NOMEM = 7,
  MMSYSERR_INVALPARAM = 11,
  WAVERR_BADFORMAT = 32,
  WAVERR_STILLPLAYING = 33,
  WAVERR_UNPREPARED = 34,
};

struct WaveOut;  // an open device

// Called on the device's own thread (WOM_DONE with the finished header). It must not
// call wave-out functions: releasing a semaphore or setting an event is what it is for.
using WaveOutProc = void (*)(WaveOut* device, uint32_t message, void* instance, WaveHeader* header);

using AudioPull = uint32_t (*)(void* context, uint8_t* dst, uint32_t bytes);

// A backend's way to make sound: it is started with a pull function that fills the
// next bytes of output (silence while paused or starved) and must call it from its
// own thread at the format's pace. See Audio.cpp for the shared queue it drains.
struct AudioBackend {
  const char* name;
  // Starts output of format, pulling bytes with pull(context, dst, bytes); pull always
  // fills all bytes and returns how many of them came from queued buffers. Returns a
  // backend stream, or null when the format or the device cannot be had.
  void* (*start)(const WaveFormat& format, AudioPull pull, void* context);
  // Stops pulling; after it returns pull is never called again for this stream.
  void (*stop)(void* stream);
};

const AudioBackend& headlessAudioBackend();
const AudioBackend& sdlAudioBackend();

// Clock of the headless device, in milliseconds. Default: a monotonic wall clock.
// The backend selection points it at the game clock (os::getTickCount), so a
// virtual clock paces headless audio as well.
void setHeadlessAudioClock(uint32_t (*nowMs)());

// Number of output devices (1) and opening device 0 on the active backend.
uint32_t waveOutGetNumDevs();
int waveOutOpen(WaveOut** device, uint32_t deviceId, const WaveFormat& format, WaveOutProc proc,
                void* instance);
// Opens on a given backend (what waveOutOpen does after choosing one).
int waveOutOpenOn(const AudioBackend& backend, WaveOut** device, const WaveFormat& format,
                  WaveOutProc proc, void* instance);

int waveOutPrepareHeader(WaveOut* device, WaveHeader* header);
int waveOutUnprepareHeader(WaveOut* device, WaveHeader* header);  // WAVERR_STILLPLAYING while queued
int waveOutWrite(WaveOut* device, WaveHeader* header);            // queues a prepared header
int waveOutPause(WaveOut* device);
int waveOutRestart(WaveOut* device);
// Marks every queued buffer done (with WOM_DONE) and empties the queue.
int waveOutReset(WaveOut* device);
int waveOutClose(WaveOut* device);  // WAVERR_STILLPLAYING while buffers are queued
// Name of the backend actually playing ("sdl" or "headless").
const char* waveOutBackendName(WaveOut* device);

}  // namespace os
