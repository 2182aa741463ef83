// The game's associative container: a chained hash table of untyped keys and values
// that remembers the order in which keys were first inserted. Keys are either
// zero-terminated UTF-16 strings compared by content or opaque pointers compared by
// identity. It never copies or frees keys or values; its users own them.
// Bucket counts, rehash and shrink points are fixed (65 -> 131 -> 263 ...).
#pragma once

#include <cstdint>
#include <vector>

#include "data/PointerList.h"
#include "platform/Text.h"

class PropertyTable {
 public:
  static constexpr int32_t kIdentityKeys = 0;
  static constexpr int32_t kStringKeys = 1;
  static constexpr int32_t kInitialBuckets = 65;

  explicit PropertyTable(int32_t keyMode = kStringKeys);
  ~PropertyTable();
  PropertyTable(const PropertyTable&) = delete;
  PropertyTable& operator=(const PropertyTable&) = delete;

  // Adds or (with replace) updates; returns the previous value, or null for a new key
  // and for a refused null key or value. An existing key keeps its stored pointer
  // and its place in the order.
  void* insert(const void* key, void* value, bool replace);
  void* lookup(const void* key) const;
  void* remove(const void* key);     // returns the removed value, null when absent
  void clear();                      // an empty table is left as it is

  // String-key mode only: the same operations with a key that needs no terminator.
  void* lookupText(os::WStringView key) const;
  const char16_t* storedKey(os::WStringView key) const;  // the key pointer in the table

  const void* const* orderedKeys() const;   // count() keys; valid until the next change
  std::vector<void*> orderedValues() const;

  int32_t count() const { return count_; }
  int32_t bucketCount() const { return bucketCount_; }
  int32_t threshold() const { return threshold_; }
  int32_t keyMode() const { return keyMode_; }

  // The string hash: 32 samples spread over the first 65535 characters, the
  // terminating zero being the last sample.
  static uint32_t hashText(os::WStringView text);

 private:
  struct Node {
    uint32_t hash;
    const void* key;
    void* value;
    Node* next;
  };

  bool stringMode() const { return keyMode_ == kStringKeys; }
  uint32_t hashOf(const void* key) const;
  int32_t bucketOf(uint32_t hash, int32_t buckets) const;
  Node* find(const void* key, uint32_t hash) const;
  Node* findText(os::WStringView key, uint32_t hash) const;
  void rehash(int32_t newBucketCount);
  void releaseNodes();
  void allocateBuckets(int32_t buckets);

  int32_t count_ = 0;
  Node** buckets_ = nullptr;
  PointerList order_;
  int32_t keyMode_;
  int32_t bucketCount_ = 0;
  int32_t threshold_ = 0;
  float loadFactor_ = 0.75f;
};
