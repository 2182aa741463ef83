// MemoryReader: reads a file that was loaded whole into memory, the way the decoders
// read a stream: element reads that stop at the end, single bytes with -1 at the end,
// and seeks. Never reads outside the buffer.
#pragma once

#include <cstddef>
#include <cstdint>

class MemoryReader {
 public:
  MemoryReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  // Reads up to count elements of elementSize bytes; returns the whole elements read.
  size_t read(void* buffer, size_t elementSize, size_t count);
  int getByte();  // the next byte, or -1 at or past the end
  // origin 0: from the start; 1: from the position; 2: size - offset - 1.
  void seek(long offset, int origin);
  size_t tell() const { return position_; }
  bool atEnd() const { return position_ >= size_; }
  size_t size() const { return size_; }
  const uint8_t* data() const { return data_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};
