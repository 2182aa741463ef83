// The mixer's output device. Every buffer is queued once at open (silence, while the
// device is paused); afterwards each done notification releases the semaphore and the
// output thread refills and requeues the next buffer in ring order under the lock.
#include "sound/WaveOutDevice.h"

#include <cstring>
#include <new>

namespace {
constexpr uint32_t BufferMs = 30;
constexpr int MinBuffers = 4;
constexpr int MaxBuffers = 32;
constexpr uint32_t SettleMs = 100;  // the handheld's drivers wanted a pause around open/close
}  // namespace

WaveOutDevice::WaveOutDevice(WaveOutOpener opener) : opener_(opener) {}

WaveOutDevice::~WaveOutDevice() {
  if (opened_) close();
}

const char* WaveOutDevice::backendName() const { return waveOut_ ? os::waveOutBackendName(waveOut_) : ""; }

void WaveOutDevice::freeAll() {
  delete[] headers_;
  headers_ = nullptr;
  delete[] block_;
  block_ = nullptr;
  if (quit_) os::closeEvent(quit_);
  if (finished_) os::closeEvent(finished_);
  if (bufferDone_) os::closeSemaphore(bufferDone_);
  if (section_) os::deleteCriticalSection(section_);
  quit_ = finished_ = nullptr;
  bufferDone_ = nullptr;
  section_ = nullptr;
}

int WaveOutDevice::open(const WaveOutFormat* format, uint32_t latencySamples, WaveFillCallback callback,
                        void* user) {
  if (opened_) return SoundAlreadyOpen;
  if (!format || !callback || !opener_) return SoundBadFormat;
  const uint32_t sizes = format->flags & (WaveFormat8Bit | WaveFormat16Bit);
  const uint32_t signs = format->flags & (WaveFormatUnsigned | WaveFormatSigned);
  if (format->flags == 0 || sizes == (WaveFormat8Bit | WaveFormat16Bit) ||
      signs == (WaveFormatUnsigned | WaveFormatSigned))
    return SoundBadFormat;
  if (format->channels != 1 && format->channels != 2) return SoundBadFormat;
  if (format->rate < 1000 || format->rate > 192000) return SoundBadFormat;  // no such device rates
  format_ = *format;
  const bool sixteen = (format->flags & WaveFormat16Bit) != 0;
  const uint32_t frameBytes = (sixteen ? 2u : 1u) * uint32_t(format->channels);

  uint32_t latencyMs = uint32_t(uint64_t(latencySamples) * 1000 / format->rate);
  int count = int(latencyMs / BufferMs);
  bufferCount_ = count < MinBuffers ? MinBuffers : (count > MaxBuffers ? MaxBuffers : count);
  bufferSize_ = (format->rate * frameBytes * BufferMs / 1000 + 7) & ~7u;

  block_ = new (std::nothrow) uint8_t[size_t(bufferSize_) * bufferCount_];
  headers_ = new (std::nothrow) os::WaveHeader[bufferCount_];
  if (!block_ || !headers_) {
    freeAll();
    return SoundNoMemory;
  }
  std::memset(block_, sixteen ? 0 : 128, size_t(bufferSize_) * bufferCount_);

  // The thread's objects exist before it does, so a thread that must be ended
  // before the device ever ran can still be told to quit.
  section_ = os::createCriticalSection();
  bufferDone_ = os::createSemaphore(0, bufferCount_ + 1);
  quit_ = os::createEvent(false, false);
  finished_ = os::createEvent(false, false);
  callback_ = callback;
  user_ = user;
  next_ = 0;

  thread_ = os::createThread(threadMain, this, true);
  if (!thread_) {
    freeAll();
    return SoundNoThread;
  }
  os::setThreadPriority(thread_, 1);
  os::threadSleep(SettleMs);

  os::WaveFormat wave;
  wave.formatTag = 1;
  wave.channels = uint16_t(format->channels);
  wave.samplesPerSec = format->rate;
  wave.bitsPerSample = sixteen ? 16 : 8;
  wave.blockAlign = uint16_t(frameBytes);
  wave.avgBytesPerSec = frameBytes * format->rate;
  wave.extraSize = 0;
  int result = os::MMSYSERR_BADDEVICEID;
  for (uint32_t id = 0; id < 16; ++id) {
    result = opener_(&waveOut_, id, wave, waveCallback, this);
    if (result == os::MMSYSERR_NOERROR || result == os::MMSYSERR_BADDEVICEID) break;
  }
  if (result != os::MMSYSERR_NOERROR) {
    waveOut_ = nullptr;
    os::setEvent(quit_);
    os::closeThread(thread_);
    thread_ = nullptr;
    freeAll();
    return SoundBadFormat;
  }

  os::waveOutPause(waveOut_);
  for (int i = 0; i < bufferCount_; ++i) {
    headers_[i] = os::WaveHeader();
    headers_[i].data = block_ + size_t(i) * bufferSize_;
    headers_[i].bufferLength = bufferSize_;
    os::waveOutPrepareHeader(waveOut_, &headers_[i]);
    os::waveOutWrite(waveOut_, &headers_[i]);
  }
  opened_ = true;
  paused_ = true;
  return SoundOk;
}

void WaveOutDevice::waveCallback(os::WaveOut*, uint32_t message, void* instance, os::WaveHeader*) {
  if (message != os::WOM_DONE) return;
  WaveOutDevice* self = static_cast<WaveOutDevice*>(instance);
  os::releaseSemaphore(self->bufferDone_, 1);
}

uint32_t WaveOutDevice::threadMain(void* param) {
  WaveOutDevice* self = static_cast<WaveOutDevice*>(param);
  while (os::waitForEvent(self->quit_, 1) == os::WAIT_TIMEOUT) {
    while (os::waitForSemaphore(self->bufferDone_, 3) == os::WAIT_OBJECT_0) {
      os::enterCriticalSection(self->section_);
      os::WaveHeader& header = self->headers_[self->next_];
      self->callback_(self->user_, header.data, header.bufferLength);
      os::waveOutUnprepareHeader(self->waveOut_, &header);
      uint8_t* data = header.data;
      uint32_t length = header.bufferLength;
      header = os::WaveHeader();
      header.data = data;
      header.bufferLength = length;
      os::waveOutPrepareHeader(self->waveOut_, &header);
      os::waveOutWrite(self->waveOut_, &header);
      self->next_ = (self->next_ + 1) % self->bufferCount_;
      os::leaveCriticalSection(self->section_);
    }
  }
  os::setEvent(self->finished_);
  return 0;
}

int WaveOutDevice::close() {
  if (!opened_) return SoundNotOpen;
  lock();
  // The thread may be suspended by a pause; it has to run to see the quit event.
  while (os::resumeThread(thread_) > 1) {
  }
  os::setEvent(quit_);
  unlock();
  os::waitForEvent(finished_, os::INFINITE_WAIT);
  os::threadSleep(SettleMs);
  os::closeThread(thread_);
  thread_ = nullptr;
  os::waveOutReset(waveOut_);
  for (int i = 0; i < bufferCount_; ++i) os::waveOutUnprepareHeader(waveOut_, &headers_[i]);
  os::waveOutClose(waveOut_);
  waveOut_ = nullptr;
  freeAll();
  opened_ = false;
  paused_ = false;
  return SoundOk;
}

void WaveOutDevice::lock() {
  if (section_) os::enterCriticalSection(section_);
}

void WaveOutDevice::unlock() {
  if (section_) os::leaveCriticalSection(section_);
}

void WaveOutDevice::pause() {
  if (!opened_ || paused_) return;
  lock();
  os::waveOutPause(waveOut_);
  os::suspendThread(thread_);
  unlock();
  paused_ = true;
}

void WaveOutDevice::resume() {
  if (!opened_ || !paused_) return;
  lock();
  os::resumeThread(thread_);
  os::waveOutRestart(waveOut_);
  unlock();
  paused_ = false;
}
