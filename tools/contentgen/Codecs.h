// File encoders and decoders of the content generator: GIF (giflib, median-cut palettes,
// colour key for transparent pixels), JPEG (libjpeg, RGB baseline), PNG (zlib, for the
// contact sheets), 8-bit WAV, and ZIP archives (minizip) with fixed entry dates so two
// builds give identical bytes. Everything works on in-memory byte vectors.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "Raster.h"

using Bytes = std::vector<uint8_t>;

// The colour key of every GIF with transparent pixels: pure magenta, never used by the art.
constexpr int KeyColour = 0xFF00FF;

struct GifOptions {
  bool transparent = false;  // pixels with alpha < 0.5 become the colour key
  bool dither = false;       // ordered dither against banding in gradients
  int colours = 256;         // palette size per frame (including the key)
  std::vector<int> delaysCs; // per frame, hundredths of a second (animations)
};

bool encodeGif(const std::vector<Raster>& frames, const GifOptions& options, Bytes& out, std::string& error);
bool encodeJpeg(const Raster& image, int quality, Bytes& out, std::string& error);
Bytes encodePng(const Raster& image);
// Unsigned 8-bit mono PCM at the given rate; samples are -1..1 and are clipped.
Bytes encodeWav8(const std::vector<float>& samples, int rate);

// Decoded picture frames (alpha 0 where the GIF is transparent) for sheets and checks.
struct DecodedFrame {
  Raster image;
  int delayCs = 0;
};
bool decodeGif(const Bytes& data, std::vector<DecodedFrame>& frames, std::string& error);
bool decodeJpeg(const Bytes& data, Raster& image, std::string& error);

// Writes a ZIP archive of (entry name, data) pairs to path via a temporary file that is
// renamed over the target only after the archive closed cleanly.
bool writeZip(const std::string& path, const std::vector<std::pair<std::string, const Bytes*>>& entries,
              std::string& error);
// Writes a file through a temporary name and a rename; creates parent folders.
bool writeFileAtomic(const std::string& path, const Bytes& data, std::string& error);
bool readFile(const std::string& path, Bytes& data);
