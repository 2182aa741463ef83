// The per-page resource caches, keyed by the file name as the template writes it (not
// the full path) and emptied with the page. The image cache is built here; the model and
// sound caches belong to the 3D and sound code, which plug their cache types into a
// page through CacheSlot (a page only needs to clear and destroy them).
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "engine3d/MaterialTexture.h"
#include "platform/Text.h"

class Texture;

class ImageCache : public TextureSource {
 public:
  ImageCache() = default;
  ~ImageCache();
  ImageCache(const ImageCache&) = delete;
  ImageCache& operator=(const ImageCache&) = delete;

  // The texture of folder + '\' + name, loaded on first request. A picture that cannot
  // be loaded is kept as a texture without frames (so it is reported once per page);
  // null only for a null name.
  Texture* get(os::WStringView folder, const char16_t* name, bool powerOfTwo, bool roundUp);
  Texture* stored(os::WStringView name) const;
  // Textures of 3D models and chips: power-of-two sizes, rounded to the nearest.
  MaterialTexture* acquire(os::WStringView folder, os::WStringView name) override;
  int hits() const { return hits_; }
  size_t size() const { return textures_.size(); }
  void clear();

 private:
  std::map<os::WString, std::unique_ptr<Texture>> textures_;
  int hits_ = 0;
};

// A page's slot for a cache type owned by another subsystem.
class CacheSlot {
 public:
  virtual ~CacheSlot() = default;
  virtual void clear() = 0;
};

template <class Cache>
class CacheSlotOf : public CacheSlot {
 public:
  template <class... Args>
  explicit CacheSlotOf(Args&&... args) : cache(std::forward<Args>(args)...) {}
  void clear() override { cache.clear(); }
  Cache cache;
};
