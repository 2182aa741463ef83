// The mixer's output device: a ring of 30 ms buffers kept queued on the wave-out
// interface and an output thread that refills each buffer the device has finished,
// calling the fill callback under the device's critical section (the mixer's only lock).
// Pausing suspends the thread while holding that lock, never in the middle of a fill.
#pragma once

#include <cstdint>

#include "platform/Audio.h"
#include "platform/Threads.h"

// Sample format flags of a WaveOutFormat: exactly one size and one sign.
enum : uint32_t {
  WaveFormat8Bit = 0x1,
  WaveFormat16Bit = 0x2,
  WaveFormatUnsigned = 0x4,
  WaveFormatSigned = 0x8,
};

// Results of the device and the mixer.
enum : int {
  SoundOk = 0,
  SoundBadFormat = -1,       // invalid format, or no device accepted it
  SoundAlreadyOpen = -2,     // already open / already initialised
  SoundNotOpen = -3,         // close while not open
  SoundNoThread = -4,        // the output thread was not created
  SoundNoDevice = -5,        // the device object was not allocated
  SoundNoMemory = -10,       // buffer or voice memory exhausted
  SoundRefused = -1000,      // a play request that cannot be served
};

struct WaveOutFormat {
  uint32_t rate = 8000;     // Hz
  int channels = 1;         // 1 or 2
  uint32_t flags = WaveFormat8Bit | WaveFormatUnsigned;
};

// Fills bytes of output at data; runs on the output thread with the lock held.
using WaveFillCallback = void (*)(void* user, uint8_t* data, uint32_t bytes);
// How the device reaches the platform: os::waveOutOpen, or a chosen backend in tests.
using WaveOutOpener = int (*)(os::WaveOut** device, uint32_t deviceId, const os::WaveFormat& format,
                              os::WaveOutProc proc, void* instance);

class WaveOutDevice {
 public:
  explicit WaveOutDevice(WaveOutOpener opener);
  virtual ~WaveOutDevice();  // destroy: closes when open
  virtual int open(const WaveOutFormat* format, uint32_t latencySamples, WaveFillCallback callback, void* user);
  virtual int close();
  virtual void lock();
  virtual void unlock();
  virtual void pause();
  virtual void resume();

  bool isOpen() const { return opened_; }
  bool isPaused() const { return paused_; }
  int bufferCount() const { return bufferCount_; }
  uint32_t bufferSize() const { return bufferSize_; }
  const char* backendName() const;

 private:
  static uint32_t threadMain(void* self);
  static void waveCallback(os::WaveOut* device, uint32_t message, void* instance, os::WaveHeader* header);
  void freeAll();

  WaveOutOpener opener_;
  WaveOutFormat format_;
  int bufferCount_ = 0;
  uint32_t bufferSize_ = 0;     // bytes
  uint8_t* block_ = nullptr;    // all buffers
  os::WaveHeader* headers_ = nullptr;
  int next_ = 0;
  os::WaveOut* waveOut_ = nullptr;
  os::Thread* thread_ = nullptr;
  os::CriticalSection* section_ = nullptr;
  os::Semaphore* bufferDone_ = nullptr;
  os::Event* quit_ = nullptr;
  os::Event* finished_ = nullptr;
  bool opened_ = false;
  bool paused_ = false;
  WaveFillCallback callback_ = nullptr;
  void* user_ = nullptr;
};
