// A growable array of untyped pointers: the game's general object list and the
// insertion order of every PropertyTable. Growth and shrinking follow fixed rules
// (capacity c grows to (c + 1) * 2) because callers and tests can see them.
// The list never owns what its pointers point to.
#pragma once

#include <cstdint>

class PointerList {
 public:
  explicit PointerList(int32_t initialCapacity = 0);
  ~PointerList();
  PointerList(const PointerList& other);
  PointerList& operator=(const PointerList& other);

  void append(void* item);
  void insertAt(int32_t index, void* item);   // 0 <= index <= count, else ignored
  void removeAt(int32_t index);               // 0 <= index < count, else ignored
  bool remove(const void* item);              // first occurrence; false when absent
  int32_t indexOf(const void* item) const;    // -1 when absent
  bool contains(const void* item) const { return indexOf(item) >= 0; }
  void* at(int32_t index) const;              // null outside 0..count-1
  template <class T>
  T* get(int32_t index) const { return static_cast<T*>(at(index)); }
  void clear();

  int32_t count() const { return count_; }
  int32_t capacity() const { return capacity_; }
  void* const* items() const { return items_; }   // valid until the next change

 private:
  void reallocate(int32_t newCapacity);

  void** items_ = nullptr;
  int32_t count_ = 0;
  int32_t capacity_ = 0;
  int32_t initialCapacity_ = 0;
  int32_t growAdd_ = 1;
  int32_t growFactor_ = 2;
};
