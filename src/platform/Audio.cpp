// The shared half of the wave-out interface: the queue of written buffers, their done
// notifications, pause and reset, and the optional WAV capture. Backends only pull
// bytes from here at their own pace. The capture holds exactly the bytes of the
// buffers played (gaps while starved are not written) and is renamed into place at close.
#include "platform/Audio.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace os {

struct WaveOut {
  const AudioBackend* backend = nullptr;
  void* stream = nullptr;
  WaveFormat format;
  WaveOutProc proc = nullptr;
  void* instance = nullptr;
  std::mutex mutex;
  WaveHeader* head = nullptr;  // queue of written buffers, oldest first
  WaveHeader* tail = nullptr;
  uint32_t headOffset = 0;     // bytes of head already played
  bool paused = false;
  FILE* capture = nullptr;
  std::string capturePath;
  uint32_t capturedBytes = 0;
};

namespace {

void putLe(uint8_t* p, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = uint8_t(value >> (8 * i));
}

// The 44-byte header of a PCM WAV file holding dataBytes of sound.
void waveFileHeader(uint8_t* h, const WaveFormat& f, uint32_t dataBytes) {
  std::memcpy(h, "RIFF", 4);
  putLe(h + 4, 36 + dataBytes, 4);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  putLe(h + 16, 16, 4);
  putLe(h + 20, 1, 2);
  putLe(h + 22, f.channels, 2);
  putLe(h + 24, f.samplesPerSec, 4);
  putLe(h + 28, f.avgBytesPerSec, 4);
  putLe(h + 32, f.blockAlign, 2);
  putLe(h + 34, f.bitsPerSample, 2);
  std::memcpy(h + 36, "data", 4);
  putLe(h + 40, dataBytes, 4);
}

void openCapture(WaveOut* device) {
  const char* path = std::getenv("KESTRUNE_AUDIO_CAPTURE");
  if (!path || !*path) return;
  device->capturePath = path;
  std::string part = device->capturePath + ".part";
  device->capture = std::fopen(part.c_str(), "wb");
  if (!device->capture) return;
  uint8_t header[44];
  waveFileHeader(header, device->format, 0);
  std::fwrite(header, 1, sizeof header, device->capture);
}

void closeCapture(WaveOut* device) {
  if (!device->capture) return;
  uint8_t header[44];
  waveFileHeader(header, device->format, device->capturedBytes);
  bool ok = std::fseek(device->capture, 0, SEEK_SET) == 0 &&
            std::fwrite(header, 1, sizeof header, device->capture) == sizeof header;
  ok = (std::fclose(device->capture) == 0) && ok;
  device->capture = nullptr;
  std::string part = device->capturePath + ".part";
  if (ok) ok = std::rename(part.c_str(), device->capturePath.c_str()) == 0;
  if (!ok) std::remove(part.c_str());
}

uint8_t silenceByte(const WaveFormat& format) { return format.bitsPerSample == 8 ? 0x80 : 0x00; }

// Delivers done notifications collected under the lock, oldest first.
void notifyDone(WaveOut* device, WaveHeader* done) {
  while (done) {
    WaveHeader* next = done->next;
    done->next = nullptr;
    if (device->proc) device->proc(device, WOM_DONE, device->instance, done);
    done = next;
  }
}

// Takes the head buffer off the queue and appends it to the done list.
void retireHead(WaveOut* device, WaveHeader*& doneHead, WaveHeader*& doneTail) {
  WaveHeader* header = device->head;
  device->head = header->next;
  if (!device->head) device->tail = nullptr;
  device->headOffset = 0;
  header->flags = (header->flags & ~WHDR_INQUEUE) | WHDR_DONE;
  header->next = nullptr;
  if (doneTail) doneTail->next = header; else doneHead = header;
  doneTail = header;
}

uint32_t pullFromQueue(void* context, uint8_t* dst, uint32_t bytes) {
  WaveOut* device = static_cast<WaveOut*>(context);
  WaveHeader* doneHead = nullptr;
  WaveHeader* doneTail = nullptr;
  uint32_t delivered = 0;
  {
    std::lock_guard<std::mutex> lock(device->mutex);
    while (!device->paused && delivered < bytes && device->head) {
      WaveHeader* header = device->head;
      uint32_t available = header->bufferLength - device->headOffset;
      uint32_t count = available < bytes - delivered ? available : bytes - delivered;
      std::memcpy(dst + delivered, header->data + device->headOffset, count);
      if (device->capture && std::fwrite(header->data + device->headOffset, 1, count, device->capture) == count)
        device->capturedBytes += count;
      delivered += count;
      device->headOffset += count;
      if (device->headOffset >= header->bufferLength) retireHead(device, doneHead, doneTail);
    }
  }
  if (delivered < bytes) std::memset(dst + delivered, silenceByte(device->format), bytes - delivered);
  notifyDone(device, doneHead);
  return delivered;
}

bool validFormat(const WaveFormat& f) {
  if (f.formatTag != 1) return false;
  if (f.channels != 1 && f.channels != 2) return false;
  if (f.bitsPerSample != 8 && f.bitsPerSample != 16) return false;
  if (f.samplesPerSec < 1000 || f.samplesPerSec > 192000) return false;
  if (f.blockAlign != f.channels * f.bitsPerSample / 8) return false;
  return f.avgBytesPerSec == f.blockAlign * f.samplesPerSec;
}

}  // namespace

int waveOutOpenOn(const AudioBackend& backend, WaveOut** out, const WaveFormat& format, WaveOutProc proc,
                  void* instance) {
  if (!out) return MMSYSERR_INVALPARAM;
  *out = nullptr;
  if (!validFormat(format)) return WAVERR_BADFORMAT;
  WaveOut* device = new WaveOut;
  device->backend = &backend;
  device->format = format;
  device->proc = proc;
  device->instance = instance;
  openCapture(device);
  device->stream = backend.start(format, pullFromQueue, device);
  if (!device->stream) {
    if (device->capture) {
      std::fclose(device->capture);
      std::remove((device->capturePath + ".part").c_str());
    }
    delete device;
    return MMSYSERR_BADDEVICEID;
  }
  *out = device;
  if (proc) proc(device, WOM_OPEN, instance, nullptr);
  return MMSYSERR_NOERROR;
}

int waveOutPrepareHeader(WaveOut* device, WaveHeader* header) {
  if (!device) return MMSYSERR_INVALHANDLE;
  if (!header || !header->data) return MMSYSERR_INVALPARAM;
  std::lock_guard<std::mutex> lock(device->mutex);
  header->flags |= WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

int waveOutUnprepareHeader(WaveOut* device, WaveHeader* header) {
  if (!device) return MMSYSERR_INVALHANDLE;
  if (!header) return MMSYSERR_INVALPARAM;
  std::lock_guard<std::mutex> lock(device->mutex);
  if (header->flags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  header->flags &= ~WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

int waveOutWrite(WaveOut* device, WaveHeader* header) {
  if (!device) return MMSYSERR_INVALHANDLE;
  if (!header || !header->data) return MMSYSERR_INVALPARAM;
  std::lock_guard<std::mutex> lock(device->mutex);
  if (!(header->flags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
  if (header->flags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  header->flags = (header->flags & ~WHDR_DONE) | WHDR_INQUEUE;
  header->next = nullptr;
  if (device->tail) device->tail->next = header; else device->head = header;
  device->tail = header;
  return MMSYSERR_NOERROR;
}

int waveOutPause(WaveOut* device) {
  if (!device) return MMSYSERR_INVALHANDLE;
  std::lock_guard<std::mutex> lock(device->mutex);
  device->paused = true;
  return MMSYSERR_NOERROR;
}

int waveOutRestart(WaveOut* device) {
  if (!device) return MMSYSERR_INVALHANDLE;
  std::lock_guard<std::mutex> lock(device->mutex);
  device->paused = false;
  return MMSYSERR_NOERROR;
}

int waveOutReset(WaveOut* device) {
  if (!device) return MMSYSERR_INVALHANDLE;
  WaveHeader* doneHead = nullptr;
  WaveHeader* doneTail = nullptr;
  {
    std::lock_guard<std::mutex> lock(device->mutex);
    while (device->head) retireHead(device, doneHead, doneTail);
  }
  notifyDone(device, doneHead);
  return MMSYSERR_NOERROR;
}

int waveOutClose(WaveOut* device) {
  if (!device) return MMSYSERR_INVALHANDLE;
  {
    std::lock_guard<std::mutex> lock(device->mutex);
    if (device->head) return WAVERR_STILLPLAYING;
  }
  device->backend->stop(device->stream);
  closeCapture(device);
  if (device->proc) device->proc(device, WOM_CLOSE, device->instance, nullptr);
  delete device;
  return MMSYSERR_NOERROR;
}

const char* waveOutBackendName(WaveOut* device) { return device ? device->backend->name : ""; }

}  // namespace os
