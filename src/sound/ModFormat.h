// The MOD file layout (private to the sound folder): channel count from the signature,
// the song, the pattern block and the 31 sample headers, all checked against the size
// of the image so the player never reads outside it; and the replay's constant tables.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mod {

constexpr int MaxChannels = 32;
constexpr int Rows = 64;
constexpr int NotesPerRow = 84;   // 7 octaves of 12
constexpr int FinetuneRows = 16;
constexpr int MaxPeriod = 1712;
constexpr size_t SignatureOffset = 1080;
constexpr size_t PatternOffset = 1084;

struct SampleInfo {
  uint32_t length = 0;      // bytes, 20.12 fixed
  uint32_t loopStart = 0;   // bytes, 20.12 fixed
  uint32_t loopLength = 0;  // bytes, 20.12 fixed; 0 = no loop
  int volume = 0;           // 0..64 as stored (larger values are kept)
  int finetune = 0;         // 0..15, the period table row
  const int8_t* data = nullptr;  // none for an empty sample
};

struct Layout {
  int channels = 0;
  int songLength = 0;        // 1..128
  int restart = 0;           // order to continue at when looping
  int patterns = 0;
  const uint8_t* orders = nullptr;       // 128 pattern numbers
  const uint8_t* patternData = nullptr;  // patterns * channels * 256 bytes
  SampleInfo samples[32];    // 1..31; [0] unused
};

// 4 for M.K.-style signatures, N for "NCHN"/"NNCH"-style ones, else 0.
int channelCount(const uint8_t* signature);

enum class LayoutResult { Ok, Unsupported, Malformed };
// Reads the layout of a MOD image. Sample data that runs past the end of the image is
// cut at the end; a song or pattern block that does not fit is Malformed.
LayoutResult parse(const uint8_t* image, size_t size, Layout& out);

// Period table: 16 finetune rows x 84 notes (row 0 is finetune 0, rows 8..15 are -8..-1).
struct PeriodTable {
  int16_t entries[FinetuneRows * NotesPerRow] = {};
  constexpr PeriodTable();
};
extern const PeriodTable periodTable;
extern const uint8_t vibratoSine[32];

}  // namespace mod
