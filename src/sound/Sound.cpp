// Sound objects and their loaders: RIFF/WAVE (8/16-bit PCM and Microsoft ADPCM) and
// MOD images. Every read is checked against the size of the file: chunks, data and
// ADPCM blocks that run past the end are refused or cut, never read beyond it.
#include "sound/Sound.h"

#include <cstring>

#include "sound/ModFormat.h"

namespace {

int clampInt(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }
uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
int16_t les16(const uint8_t* p) { return int16_t(le16(p)); }
uint32_t le32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

struct FormatChunk {
  uint16_t tag = 0, channels = 0;
  uint32_t rate = 0;
  uint16_t blockAlign = 0, bits = 0;
  uint16_t samplesPerBlock = 0, coefficientCount = 0;
  int16_t coefficients[14][2] = {};
};

const int AdaptationTable[16] = {230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230};
constexpr int MaxAdpcmDelta = 0x7FFFFFFF / 768;  // keeps the step adaptation from overflowing

struct AdpcmState {
  int predictor = 0;
  int delta = 0;
  int sample1 = 0, sample2 = 0;
};

int16_t decodeNibble(AdpcmState& st, int nibble, const int16_t (&coef)[2]) {
  const int signedNibble = nibble >= 8 ? nibble - 16 : nibble;
  int64_t predicted = (int64_t(st.sample1) * coef[0] + int64_t(st.sample2) * coef[1]) >> 8;
  predicted += int64_t(signedNibble) * st.delta;
  const int sample = predicted < -32768 ? -32768 : (predicted > 32767 ? 32767 : int(predicted));
  st.sample2 = st.sample1;
  st.sample1 = sample;
  st.delta = (AdaptationTable[nibble] * st.delta) >> 8;
  if (st.delta < 16) st.delta = 16;
  if (st.delta > MaxAdpcmDelta) st.delta = MaxAdpcmDelta;
  return int16_t(sample);
}

// Decodes Microsoft ADPCM blocks into interleaved 16-bit PCM. False on a block whose
// header names a predictor that does not exist, or a format that cannot hold a block.
bool decodeAdpcm(const uint8_t* data, size_t size, const FormatChunk& f, std::vector<int16_t>& out) {
  const int channels = f.channels;
  const size_t headerBytes = size_t(7) * channels;
  if (f.blockAlign < headerBytes) return false;
  const size_t maxPerBlock = 2 + (f.blockAlign - headerBytes) * 2 / channels;
  size_t perBlock = f.samplesPerBlock;
  if (perBlock < 2) return false;
  if (perBlock > maxPerBlock) perBlock = maxPerBlock;
  out.clear();
  out.reserve((size / f.blockAlign + 1) * perBlock * channels);
  for (size_t offset = 0; offset < size; offset += f.blockAlign) {
    const size_t blockBytes = size - offset < f.blockAlign ? size - offset : f.blockAlign;
    if (blockBytes < headerBytes) break;  // a cut-off header at the end holds no sound
    const uint8_t* b = data + offset;
    AdpcmState st[2];
    int16_t coef[2][2];
    for (int c = 0; c < channels; ++c) {
      st[c].predictor = b[c];
      if (st[c].predictor >= f.coefficientCount) return false;
      coef[c][0] = f.coefficients[st[c].predictor][0];
      coef[c][1] = f.coefficients[st[c].predictor][1];
      st[c].delta = les16(b + channels + 2 * c);
      st[c].sample1 = les16(b + 3 * channels + 2 * c);
      st[c].sample2 = les16(b + 5 * channels + 2 * c);
    }
    size_t frames = 2 + (blockBytes - headerBytes) * 2 / channels;
    if (frames > perBlock) frames = perBlock;
    for (int c = 0; c < channels; ++c) out.push_back(int16_t(st[c].sample2));
    for (int c = 0; c < channels; ++c) out.push_back(int16_t(st[c].sample1));
    const size_t nibbles = (frames - 2) * channels;
    for (size_t i = 0; i < nibbles; ++i) {
      const uint8_t byte = b[headerBytes + i / 2];
      const int nibble = (i & 1) ? (byte & 15) : (byte >> 4);
      const int c = channels == 2 ? int(i & 1) : 0;
      out.push_back(decodeNibble(st[c], nibble, coef[c]));
    }
  }
  return true;
}

}  // namespace

// ---- Sound -------------------------------------------------------------------------

Sound::~Sound() = default;

void Sound::setVolume(int v) { volume = clampInt(v, 0, 64); }

void Sound::setPitch(int p) {
  pitch = p;
  frequency = uint32_t(((uint64_t(uint32_t(p < 0 ? 0 : p)) << 9) * rate) >> 16);
}

void Sound::setFrequency(uint32_t hz) {
  frequency = hz;
  if (rate) pitch = int(((uint64_t(hz) << 16) / rate) >> 9);
}

void Sound::setPanning(int v) { panning = clampInt(v, 0, 255); }

const void* Sound::dataId() const {
  if (isModule) {
    const ModuleMusic* m = static_cast<const ModuleMusic*>(this);
    return m->image.empty() ? nullptr : m->image.data();
  }
  const WaveSample* w = static_cast<const WaveSample*>(this);
  if (w->length == 0) return nullptr;
  if (w->eightBit) return w->pcm8.empty() ? nullptr : w->pcm8.data();
  return w->pcm16.empty() ? nullptr : w->pcm16.data();
}

// ---- WaveSample --------------------------------------------------------------------

WaveSample::WaveSample() {
  volume = 64;
  panning = 128;
  pitch = 128;
  loop = false;
  frequency = 1;
}

int WaveSample::loadFromMemory(const uint8_t* file, size_t size) {
  pcm8.clear();
  pcm16.clear();
  length = 0;
  // The RIFF header (12 bytes) is not examined; the "fmt " chunk must follow it.
  if (!file || size < 20 || std::memcmp(file + 12, "fmt ", 4) != 0) return SoundMalformed;
  const uint32_t fmtSize = le32(file + 16);
  if (fmtSize < 16 || fmtSize > size - 20) return SoundMalformed;
  const uint8_t* f = file + 20;
  FormatChunk format;
  format.tag = le16(f);
  format.channels = le16(f + 2);
  format.rate = le32(f + 4);
  format.blockAlign = le16(f + 12);
  format.bits = le16(f + 14);
  if ((format.bits != 4 && format.bits != 8 && format.bits != 16) || (format.channels != 1 && format.channels != 2))
    return SoundUnsupported;

  // Find the "data" chunk; the search ends at the end of the file.
  size_t pos = 20 + size_t(fmtSize);
  uint32_t dataSize = 0;
  for (;;) {
    if (size - pos < 8) return SoundMalformed;
    const uint32_t chunkSize = le32(file + pos + 4);
    const bool isData = std::memcmp(file + pos, "data", 4) == 0;
    pos += 8;
    if (isData) {
      dataSize = chunkSize;
      break;
    }
    if (chunkSize > size - pos) return SoundMalformed;
    pos += chunkSize;
  }
  if (dataSize == 0 || format.rate == 0) return SoundMalformed;
  const size_t available = size - pos < dataSize ? size - pos : dataSize;  // short at the end of the file
  if (available == 0) return SoundMalformed;
  const uint8_t* data = file + pos;

  if (format.bits == 4) {
    if (format.tag != 2) return SoundUnsupported;
    if (fmtSize < 22) return SoundMalformed;
    format.samplesPerBlock = le16(f + 18);
    format.coefficientCount = le16(f + 20);
    if (format.coefficientCount != 7) return SoundUnsupported;
    if (fmtSize < 22 + 4u * format.coefficientCount) return SoundMalformed;
    for (int i = 0; i < format.coefficientCount; ++i) {
      format.coefficients[i][0] = les16(f + 22 + 4 * i);
      format.coefficients[i][1] = les16(f + 24 + 4 * i);
    }
    if (!decodeAdpcm(data, available, format, pcm16)) {
      pcm16.clear();
      return SoundMalformed;
    }
    eightBit = false;
    length = uint32_t(pcm16.size());
  } else if (format.bits == 8) {
    pcm8.assign(data, data + available);
    eightBit = true;
    length = uint32_t(available);
  } else {
    pcm16.resize(available / 2);
    for (size_t i = 0; i < pcm16.size(); ++i) pcm16[i] = les16(data + 2 * i);
    eightBit = false;
    length = uint32_t(pcm16.size());
  }
  stereo = format.channels == 2;
  if (stereo) length /= 2;
  if (length == 0) {
    pcm8.clear();
    pcm16.clear();
    return SoundMalformed;
  }
  rate = format.rate;
  frequency = rate;
  pitch = 128;
  ownsData = true;
  return SoundLoaded;
}

// ---- ModuleMusic -------------------------------------------------------------------

ModuleMusic::ModuleMusic() {
  isModule = true;
  volume = 64;
  panning = 255;  // full stereo separation
  rate = 44100;
  frequency = 44100;
  pitch = 128;
  loop = false;
}

int ModuleMusic::loadFromMemory(const uint8_t* file, size_t size) {
  image.clear();
  mod::Layout layout;
  switch (mod::parse(file, size, layout)) {
    case mod::LayoutResult::Unsupported:
      return SoundUnsupported;
    case mod::LayoutResult::Malformed:
      return SoundMalformed;
    case mod::LayoutResult::Ok:
      break;
  }
  image.assign(file, file + size);
  rate = frequency = 44100;
  pitch = 128;
  ownsData = true;
  return SoundLoaded;
}
