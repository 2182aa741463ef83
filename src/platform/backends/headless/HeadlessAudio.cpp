// The headless audio device: a thread that plays nothing aloud but consumes the queued
// buffers at the format's byte rate, measured on a millisecond clock (a wall clock by
// default, the game clock when the backend selection sets it, so a virtual clock paces
// it too). While starved or paused it builds up no debt: time only counts with data.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/Audio.h"

namespace os {
namespace {

uint32_t wallClockMs() {
  using namespace std::chrono;
  static const steady_clock::time_point start = steady_clock::now();
  return uint32_t(duration_cast<milliseconds>(steady_clock::now() - start).count());
}

std::atomic<uint32_t (*)()> headlessClock{wallClockMs};

struct HeadlessStream {
  WaveFormat format;
  AudioPull pull = nullptr;
  void* context = nullptr;
  std::thread thread;
  std::mutex mutex;
  std::condition_variable wake;
  bool quit = false;
  uint32_t startMs = 0;  // device time starts at open, not when the thread first runs
};

void headlessLoop(HeadlessStream* stream) {
  uint8_t scratch[4096];
  const uint64_t bytesPerSecond = stream->format.avgBytesPerSec;
  const uint32_t frame = stream->format.blockAlign;
  uint32_t base = stream->startMs;
  uint64_t consumed = 0;  // bytes consumed since base
  std::unique_lock<std::mutex> lock(stream->mutex);
  while (!stream->quit) {
    stream->wake.wait_for(lock, std::chrono::milliseconds(2));
    if (stream->quit) break;
    lock.unlock();
    const uint32_t now = headlessClock.load()();
    uint64_t due = uint64_t(uint32_t(now - base)) * bytesPerSecond / 1000;
    due -= due % frame;
    bool starved = false;
    while (consumed < due && !starved) {
      uint64_t want = due - consumed;
      uint32_t chunk = uint32_t(want < sizeof scratch ? want : sizeof scratch);
      chunk -= chunk % frame;
      if (chunk == 0) break;
      uint32_t got = stream->pull(stream->context, scratch, chunk);
      consumed += got;
      starved = got < chunk;
    }
    if (starved) {
      // Nothing (more) to play: the clock restarts when data arrives again.
      base = now;
      consumed = 0;
    }
    lock.lock();
  }
}

void* headlessStart(const WaveFormat& format, AudioPull pull, void* context) {
  HeadlessStream* stream = new HeadlessStream;
  stream->format = format;
  stream->pull = pull;
  stream->context = context;
  stream->startMs = headlessClock.load()();
  stream->thread = std::thread(headlessLoop, stream);
  return stream;
}

void headlessStop(void* handle) {
  HeadlessStream* stream = static_cast<HeadlessStream*>(handle);
  {
    std::lock_guard<std::mutex> lock(stream->mutex);
    stream->quit = true;
    stream->wake.notify_all();
  }
  stream->thread.join();
  delete stream;
}

const AudioBackend headlessBackend{"headless", headlessStart, headlessStop};

}  // namespace

const AudioBackend& headlessAudioBackend() { return headlessBackend; }

void setHeadlessAudioClock(uint32_t (*nowMs)()) { headlessClock.store(nowMs ? nowMs : wallClockMs); }

}  // namespace os
