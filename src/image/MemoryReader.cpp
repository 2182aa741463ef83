// MemoryReader: bounded reads over an in-memory file.
#include "image/MemoryReader.h"

#include <cstring>

size_t MemoryReader::read(void* buffer, size_t elementSize, size_t count) {
  if (elementSize == 0 || position_ >= size_) return 0;
  size_t remaining = size_ - position_;
  if (count > remaining / elementSize) count = remaining / elementSize;
  size_t bytes = count * elementSize;
  std::memcpy(buffer, data_ + position_, bytes);
  position_ += bytes;
  return count;
}

int MemoryReader::getByte() {
  if (position_ >= size_) return -1;
  return data_[position_++];
}

void MemoryReader::seek(long offset, int origin) {
  long long target;
  if (origin == 0) target = offset;
  else if (origin == 1) target = (long long)position_ + offset;
  else target = (long long)size_ - offset - 1;
  // A seek before the start stays at the start; past the end reads as the end.
  position_ = target < 0 ? 0 : size_t(target);
}
