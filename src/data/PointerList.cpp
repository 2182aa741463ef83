// PointerList: the growable pointer array with the game's fixed growth rules.
// Reallocation copies the surviving items into a fresh array of the new capacity.
#include "data/PointerList.h"

#include <algorithm>

PointerList::PointerList(int32_t initialCapacity)
    : initialCapacity_(std::max<int32_t>(initialCapacity, 0)) {
  reallocate(initialCapacity_);
}

PointerList::~PointerList() { delete[] items_; }

PointerList::PointerList(const PointerList& other)
    : initialCapacity_(other.initialCapacity_), growAdd_(other.growAdd_), growFactor_(other.growFactor_) {
  reallocate(other.capacity_);
  std::copy(other.items_, other.items_ + other.count_, items_);
  count_ = other.count_;
}

PointerList& PointerList::operator=(const PointerList& other) {
  if (this == &other) return *this;
  count_ = 0;
  initialCapacity_ = other.initialCapacity_;
  growAdd_ = other.growAdd_;
  growFactor_ = other.growFactor_;
  reallocate(other.capacity_);
  std::copy(other.items_, other.items_ + other.count_, items_);
  count_ = other.count_;
  return *this;
}

void PointerList::reallocate(int32_t newCapacity) {
  void** fresh = newCapacity > 0 ? new void*[newCapacity] : nullptr;
  int32_t kept = std::min(count_, newCapacity);
  if (kept > 0) std::copy(items_, items_ + kept, fresh);
  delete[] items_;
  items_ = fresh;
  capacity_ = newCapacity;
  count_ = kept;
}

void PointerList::append(void* item) { insertAt(count_, item); }

void PointerList::insertAt(int32_t index, void* item) {
  if (index < 0 || index > count_) return;
  if (count_ == capacity_) reallocate((capacity_ + growAdd_) * growFactor_);
  std::copy_backward(items_ + index, items_ + count_, items_ + count_ + 1);
  items_[index] = item;
  ++count_;
}

void PointerList::removeAt(int32_t index) {
  if (index < 0 || index >= count_) return;
  if (count_ > capacity_ / growFactor_ - growAdd_) {
    std::copy(items_ + index + 1, items_ + count_, items_ + index);
    --count_;
    return;
  }
  // Mostly empty: move the survivors into an array just as large as the list was.
  void** fresh = new void*[count_];
  std::copy(items_, items_ + index, fresh);
  std::copy(items_ + index + 1, items_ + count_, fresh + index);
  delete[] items_;
  items_ = fresh;
  capacity_ = count_;
  --count_;
}

bool PointerList::remove(const void* item) {
  int32_t index = indexOf(item);
  if (index < 0) return false;
  removeAt(index);
  return true;
}

int32_t PointerList::indexOf(const void* item) const {
  for (int32_t i = 0; i < count_; ++i)
    if (items_[i] == item) return i;
  return -1;
}

void* PointerList::at(int32_t index) const {
  return index >= 0 && index < count_ ? items_[index] : nullptr;
}

void PointerList::clear() {
  count_ = 0;
  if (capacity_ > initialCapacity_) reallocate(initialCapacity_);
}
