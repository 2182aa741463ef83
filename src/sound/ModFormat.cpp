// MOD layout checks and the replay tables. The finetune rows of the period table are
// derived from row 0 by a fixed 16.16 factor 2^(-f/96) per row, rounded down, which
// gives the classic first and last entries of every row; all integer, built at compile time.
#include "sound/ModFormat.h"

namespace mod {
namespace {

constexpr int16_t row0[NotesPerRow] = {
    1712, 1616, 1525, 1440, 1357, 1281, 1209, 1141, 1077, 1017, 961, 907,
    856,  808,  762,  720,  678,  640,  604,  570,  538,  508,  480, 453,
    428,  404,  381,  360,  339,  320,  302,  285,  269,  254,  240, 226,
    214,  202,  190,  180,  170,  160,  151,  143,  135,  127,  120, 113,
    107,  101,  95,   90,   85,   80,   76,   71,   67,   64,   60,  57,
    53,   50,   47,   45,   42,   40,   37,   35,   33,   31,   30,  28,
    26,   25,   23,   22,   20,   19,   18,   17,   16,   15,   14,  13};

// round(2^(-f/96) * 65536) for the finetune f of each row: 0..7, then -8..-1.
constexpr int32_t rowFactor[FinetuneRows] = {65536, 65065, 64596, 64132, 63670, 63212, 62757, 62306,
                                             69433, 68933, 68438, 67945, 67456, 66971, 66489, 66011};

uint16_t be16(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }

}  // namespace

constexpr PeriodTable::PeriodTable() {
  for (int row = 0; row < FinetuneRows; ++row)
    for (int n = 0; n < NotesPerRow; ++n)
      entries[row * NotesPerRow + n] = int16_t((int32_t(row0[n]) * rowFactor[row]) >> 16);
}

constexpr PeriodTable periodTable;

const uint8_t vibratoSine[32] = {0,   24,  49,  74,  97,  120, 141, 161, 180, 197, 212,
                                 224, 235, 244, 250, 253, 255, 253, 250, 244, 235, 224,
                                 212, 197, 180, 161, 141, 120, 97,  74,  49,  24};

int channelCount(const uint8_t* s) {
  if (s[0] == 'M' && s[2] == 'K') return 4;
  if (s[1] != 'C' && s[2] != 'C') return 0;
  auto digit = [](uint8_t c) { return c >= '0' && c <= '9'; };
  if (!digit(s[0])) return 0;
  if (digit(s[1])) return (s[0] - '0') * 10 + (s[1] - '0');
  return s[0] - '0';
}

LayoutResult parse(const uint8_t* image, size_t size, Layout& out) {
  out = Layout();
  if (!image || size < PatternOffset) return LayoutResult::Malformed;
  int channels = channelCount(image + SignatureOffset);
  if (channels <= 0 || channels > MaxChannels) return LayoutResult::Unsupported;
  out.channels = channels;
  out.songLength = image[950] > 128 ? 128 : image[950];
  if (out.songLength == 0) return LayoutResult::Malformed;  // nothing to play
  out.restart = image[951];
  if (out.restart == 127 || out.restart >= out.songLength) out.restart = 0;
  out.orders = image + 952;
  int highest = 0;
  for (int i = 0; i < out.songLength; ++i)
    if (out.orders[i] > highest) highest = out.orders[i];
  out.patterns = highest + 1;
  const size_t patternBytes = size_t(out.patterns) * channels * 256;
  if (patternBytes > size - PatternOffset) return LayoutResult::Malformed;
  out.patternData = image + PatternOffset;
  size_t offset = PatternOffset + patternBytes;
  for (int s = 1; s <= 31; ++s) {
    const uint8_t* h = image + 20 + (s - 1) * 30;
    uint32_t words = be16(h + 22);
    if (words == 0) continue;
    SampleInfo& info = out.samples[s];
    size_t bytes = size_t(words) * 2;
    // Sample data cut short by the end of the file keeps what is there.
    size_t available = offset < size ? size - offset : 0;
    size_t kept = bytes < available ? bytes : available;
    if (kept > 0) {
      info.data = reinterpret_cast<const int8_t*>(image + offset);
      info.length = uint32_t(kept) << 12;
      info.finetune = h[24] & 15;
      info.volume = h[25];
      uint32_t loopWords = be16(h + 28);
      info.loopStart = uint32_t(be16(h + 26)) << 13;
      info.loopLength = loopWords > 1 ? loopWords << 13 : 0;
    }
    offset += bytes;
  }
  return LayoutResult::Ok;
}

}  // namespace mod
