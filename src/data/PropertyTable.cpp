// PropertyTable: chains pushed at the head, order kept in a PointerList, rehash to
// 2n + 1 buckets at three quarters load and back to (n - 1) / 2 when it empties out.
#include "data/PropertyTable.h"

#include <cstring>

namespace {

size_t terminatedLength(const void* key) { return os::length(static_cast<const char16_t*>(key)); }

bool textEquals(const char16_t* stored, os::WStringView key) {
  for (size_t i = 0; i < key.size(); ++i)
    if (stored[i] != key[i] || stored[i] == 0) return false;
  return stored[key.size()] == 0;
}

}  // namespace

PropertyTable::PropertyTable(int32_t keyMode) : keyMode_(keyMode) { allocateBuckets(kInitialBuckets); }

PropertyTable::~PropertyTable() {
  releaseNodes();
  delete[] buckets_;
}

void PropertyTable::allocateBuckets(int32_t buckets) {
  buckets_ = new Node*[buckets]();
  bucketCount_ = buckets;
  threshold_ = int32_t(float(buckets) * loadFactor_);
}

uint32_t PropertyTable::hashText(os::WStringView text) {
  size_t len = text.size() > 65535 ? 65535 : text.size();
  uint32_t h = 0;
  for (size_t k = 1; k <= 32; ++k) {
    size_t index = (k * len) / 32;
    uint32_t c = index < text.size() ? text[index] : 0;  // index len of a short key is its end
    h = h * 31 + c;
  }
  return h;
}

uint32_t PropertyTable::hashOf(const void* key) const {
  if (stringMode()) {
    const char16_t* text = static_cast<const char16_t*>(key);
    return hashText(os::WStringView(text, terminatedLength(key)));
  }
  return uint32_t(reinterpret_cast<uintptr_t>(key));
}

int32_t PropertyTable::bucketOf(uint32_t hash, int32_t buckets) const {
  // |h| of the hash as a signed number, taken without overflow for the most negative one.
  int32_t signedHash = int32_t(hash);
  uint32_t magnitude = signedHash < 0 ? uint32_t(0) - hash : hash;
  return int32_t(magnitude % uint32_t(buckets));
}

PropertyTable::Node* PropertyTable::find(const void* key, uint32_t hash) const {
  if (stringMode()) {
    const char16_t* text = static_cast<const char16_t*>(key);
    return findText(os::WStringView(text, terminatedLength(key)), hash);
  }
  for (Node* node = buckets_[bucketOf(hash, bucketCount_)]; node != nullptr; node = node->next)
    if (node->hash == hash && node->key == key) return node;
  return nullptr;
}

PropertyTable::Node* PropertyTable::findText(os::WStringView key, uint32_t hash) const {
  for (Node* node = buckets_[bucketOf(hash, bucketCount_)]; node != nullptr; node = node->next)
    if (node->hash == hash && textEquals(static_cast<const char16_t*>(node->key), key)) return node;
  return nullptr;
}

void* PropertyTable::insert(const void* key, void* value, bool replace) {
  if (key == nullptr || value == nullptr) return nullptr;
  uint32_t hash = hashOf(key);
  for (;;) {
    if (Node* node = find(key, hash)) {
      void* old = node->value;
      if (replace) node->value = value;
      return old;
    }
    if (count_ < threshold_) break;
    rehash(2 * bucketCount_ + 1);
  }
  int32_t bucket = bucketOf(hash, bucketCount_);
  buckets_[bucket] = new Node{hash, key, value, buckets_[bucket]};
  ++count_;
  order_.append(const_cast<void*>(key));
  return nullptr;
}

void* PropertyTable::lookup(const void* key) const {
  if (key == nullptr) return nullptr;
  Node* node = find(key, hashOf(key));
  return node != nullptr ? node->value : nullptr;
}

void* PropertyTable::lookupText(os::WStringView key) const {
  if (!stringMode()) return nullptr;
  Node* node = findText(key, hashText(key));
  return node != nullptr ? node->value : nullptr;
}

const char16_t* PropertyTable::storedKey(os::WStringView key) const {
  if (!stringMode()) return nullptr;
  Node* node = findText(key, hashText(key));
  return node != nullptr ? static_cast<const char16_t*>(node->key) : nullptr;
}

void* PropertyTable::remove(const void* key) {
  if (key == nullptr) return nullptr;
  uint32_t hash = hashOf(key);
  Node* target = find(key, hash);
  if (target == nullptr) return nullptr;
  Node** link = &buckets_[bucketOf(hash, bucketCount_)];
  while (*link != target) link = &(*link)->next;
  *link = target->next;
  const void* storedKeyPointer = target->key;
  void* value = target->value;
  delete target;
  --count_;
  int32_t lowerBound = int32_t(loadFactor_ * 32.0f);
  int32_t shrinkBelow = int32_t(float((bucketCount_ - 1) / 2) * loadFactor_);
  if (count_ > lowerBound && count_ < shrinkBelow) rehash((bucketCount_ - 1) / 2);
  // The order holds the stored key pointer, which is the very one the node had.
  for (int32_t i = 0; i < order_.count(); ++i) {
    const void* ordered = order_.at(i);
    bool same = stringMode() ? ordered == storedKeyPointer ||
                                   std::u16string_view(static_cast<const char16_t*>(ordered)) ==
                                       std::u16string_view(static_cast<const char16_t*>(key))
                             : ordered == key;
    if (same) {
      order_.removeAt(i);
      break;
    }
  }
  return value;
}

void PropertyTable::rehash(int32_t newBucketCount) {
  Node** old = buckets_;
  int32_t oldCount = bucketCount_;
  allocateBuckets(newBucketCount);
  for (int32_t b = oldCount - 1; b >= 0; --b) {
    Node* node = old[b];
    while (node != nullptr) {
      Node* next = node->next;
      int32_t bucket = bucketOf(node->hash, bucketCount_);
      node->next = buckets_[bucket];
      buckets_[bucket] = node;
      node = next;
    }
  }
  delete[] old;
}

void PropertyTable::releaseNodes() {
  for (int32_t b = 0; b < bucketCount_; ++b) {
    Node* node = buckets_[b];
    while (node != nullptr) {
      Node* next = node->next;
      delete node;
      node = next;
    }
    buckets_[b] = nullptr;
  }
}

void PropertyTable::clear() {
  if (count_ == 0) return;
  releaseNodes();
  delete[] buckets_;
  order_ = PointerList();
  count_ = 0;
  allocateBuckets(kInitialBuckets);
}

const void* const* PropertyTable::orderedKeys() const { return order_.items(); }

std::vector<void*> PropertyTable::orderedValues() const {
  std::vector<void*> values;
  values.reserve(size_t(count_));
  for (int32_t i = 0; i < order_.count(); ++i) values.push_back(lookup(order_.at(i)));
  return values;
}
