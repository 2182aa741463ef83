// Model cache lookups by file name as written: the stored instance on the first
// request, clones afterwards (re-normalized for another radius). A failed load stores
// nothing, so the next request tries (and reports) again.
#include "engine3d/ModelCache.h"

#include "engine3d/ModelLoader.h"

Group3D* ModelCache::stored(os::WStringView fileName) const {
  for (const Entry& entry : entries_)
    if (entry.name == fileName) return entry.model.get();
  return nullptr;
}

Group3D* ModelCache::getModel(os::WStringView pageFolder, os::WStringView fileName, float radius,
                              const char16_t* wanted, const char16_t* unwanted) {
  if (Group3D* model = stored(fileName)) {
    ++hits_;
    std::unique_ptr<Group3D> copy = model->clone();
    if (radius != model->radius) copy->normalize(radius, wanted, unwanted);
    handedOut_.push_back(std::move(copy));
    return handedOut_.back().get();
  }
  std::unique_ptr<Group3D> model = loadModelFile(pageFolder, fileName, radius, textures_, wanted, unwanted);
  if (!model) return nullptr;
  entries_.push_back(Entry{os::WString(fileName), std::move(model)});
  return entries_.back().model.get();
}

void ModelCache::clear() {
  handedOut_.clear();
  entries_.clear();
  hits_ = 0;
}
