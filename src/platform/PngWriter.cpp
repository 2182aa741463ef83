// PNG writer for screenshots: signature, IHDR, one zlib-compressed IDAT, IEND.
#include "platform/PngWriter.h"

#include <zlib.h>

#include <cstdio>

namespace {

void put32(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v >> 24));
  out.push_back(uint8_t(v >> 16));
  out.push_back(uint8_t(v >> 8));
  out.push_back(uint8_t(v));
}

void chunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
  put32(out, uint32_t(data.size()));
  size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  uLong crc = crc32(0L, out.data() + start, uInt(out.size() - start));
  put32(out, uint32_t(crc));
}

}  // namespace

namespace os {

bool writePng(const std::string& path, const std::vector<uint8_t>& rgb, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0 || rgb.size() != size_t(width) * size_t(height) * 3) return false;
  std::vector<uint8_t> raw;
  raw.reserve(size_t(height) * (size_t(width) * 3 + 1));
  for (int32_t y = 0; y < height; ++y) {
    raw.push_back(0);  // filter: none
    const uint8_t* row = rgb.data() + size_t(y) * size_t(width) * 3;
    raw.insert(raw.end(), row, row + size_t(width) * 3);
  }
  uLongf packedSize = compressBound(uLong(raw.size()));
  std::vector<uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), uLong(raw.size()), 6) != Z_OK) return false;
  packed.resize(packedSize);

  std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  put32(header, uint32_t(width));
  put32(header, uint32_t(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit, RGB, deflate, no filter set, no interlace
  chunk(file, "IHDR", header);
  chunk(file, "IDAT", packed);
  chunk(file, "IEND", {});

  std::string temp = path + ".tmp";
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
  ok = std::fclose(f) == 0 && ok;
  if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace os
