// The page image cache.
#include "gui/PageCaches.h"

#include "gui/Texture.h"

ImageCache::~ImageCache() { clear(); }

Texture* ImageCache::get(os::WStringView folder, const char16_t* name, bool powerOfTwo, bool roundUp) {
  if (!name) return nullptr;
  os::WString key(name);
  auto found = textures_.find(key);
  if (found != textures_.end()) {
    ++hits_;
    return found->second.get();
  }
  os::WString path(folder);
  if (!path.empty() && path.back() != u'\\') path += u'\\';
  path += key;
  auto texture = std::make_unique<Texture>();
  texture->load(path, powerOfTwo, roundUp);
  Texture* result = texture.get();
  textures_.emplace(std::move(key), std::move(texture));
  return result;
}

MaterialTexture* ImageCache::acquire(os::WStringView folder, os::WStringView name) {
  os::WString key(name);
  return get(folder, key.c_str(), true, false);
}

Texture* ImageCache::stored(os::WStringView name) const {
  auto found = textures_.find(os::WString(name));
  return found == textures_.end() ? nullptr : found->second.get();
}

void ImageCache::clear() {
  textures_.clear();
  hits_ = 0;
}
