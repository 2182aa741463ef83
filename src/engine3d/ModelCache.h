// The page's model cache: each model file is parsed once per page. The first request of a
// file name (as written in the template) gets the loaded model itself; later requests get
// clones, re-normalized when they ask for another radius. The cache owns every model it
// hands out and destroys them all when cleared, together with the page.
#pragma once

#include <memory>
#include <vector>

#include "engine3d/Group3D.h"
#include "platform/Text.h"

class TextureSource;

class ModelCache {
 public:
  explicit ModelCache(TextureSource* textures = nullptr) : textures_(textures) {}
  ModelCache(const ModelCache&) = delete;
  ModelCache& operator=(const ModelCache&) = delete;

  void setTextureSource(TextureSource* textures) { textures_ = textures; }

  // Null when the file cannot be loaded (the loader has reported it; nothing is stored,
  // so a later request tries again).
  Group3D* getModel(os::WStringView pageFolder, os::WStringView fileName, float radius,
                    const char16_t* wanted = nullptr, const char16_t* unwanted = nullptr);

  // The stored instance of a file name, or null.
  Group3D* stored(os::WStringView fileName) const;
  int hits() const { return hits_; }
  void clear();

 private:
  struct Entry {
    os::WString name;
    std::unique_ptr<Group3D> model;
  };
  TextureSource* textures_;
  std::vector<Entry> entries_;
  std::vector<std::unique_ptr<Group3D>> handedOut_;  // clones given to requesters
  int hits_ = 0;
};
