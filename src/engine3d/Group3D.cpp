// Model objects: mesh and material lists, preparation, normalization with wanted and
// unwanted name texts, level-of-detail lists shared with clones, and clones. A selection
// without extent leaves the vertices alone instead of dividing by zero.
#include "engine3d/Group3D.h"

#include "engine3d/MaterialTexture.h"

Group3D::Group3D() { type = ObjectTypeGroup3D; }

Mesh* Group3D::addMesh(os::WStringView name, std::shared_ptr<Mesh> mesh) {
  if (!mesh) return nullptr;
  mesh->name = limitName(name);
  mesh->owner = this;
  meshes.push_back(mesh);
  return mesh.get();
}

Mesh* Group3D::addMesh(os::WStringView name) { return addMesh(name, std::make_shared<Mesh>()); }

Mesh* Group3D::findMesh(os::WStringView name) const {
  for (const auto& mesh : meshes)
    if (mesh->name == name) return mesh.get();
  return nullptr;
}

Mesh* Group3D::findMeshInLevel(int level, os::WStringView name) const {
  if (!levels || level < 0 || size_t(level) >= levels->lists.size()) return nullptr;
  for (const auto& mesh : levels->lists[size_t(level)])
    if (mesh->name == name) return mesh.get();
  return nullptr;
}

std::shared_ptr<Mesh> Group3D::removeMesh(os::WStringView name) {
  for (auto it = meshes.begin(); it != meshes.end(); ++it) {
    if ((*it)->name == name) {
      std::shared_ptr<Mesh> mesh = *it;
      meshes.erase(it);
      mesh->owner = nullptr;
      return mesh;
    }
  }
  return nullptr;
}

Material* Group3D::addMaterial(os::WStringView name, std::shared_ptr<Material> material) {
  if (!material) return nullptr;
  material->name = limitName(name);
  materials.push_back(material);
  return material.get();
}

Material* Group3D::findMaterial(os::WStringView name) const {
  for (const auto& material : materials)
    if (material->name == name) return material.get();
  return nullptr;
}

std::shared_ptr<Material> Group3D::materialHandle(const Material* material) const {
  for (const auto& handle : materials)
    if (handle.get() == material) return handle;
  return nullptr;
}

void Group3D::prepare(bool withBounds) {
  for (size_t i = meshes.size(); i-- > 0;) meshes[i]->prepare(withBounds);
  if (levels)
    for (MeshList& list : levels->lists)
      for (auto& mesh : list) mesh->prepare(withBounds);
}

namespace {

bool selected(const Mesh& mesh, const char16_t* wanted, const char16_t* unwanted) {
  if (wanted && os::WStringView(wanted).find(mesh.name) == os::WStringView::npos) return false;
  if (unwanted && os::WStringView(unwanted).find(mesh.name) != os::WStringView::npos) return false;
  return true;
}

}  // namespace

void Group3D::normalize(float newRadius, const char16_t* wanted, const char16_t* unwanted) {
  radius = newRadius;
  if (meshes.empty()) return;
  bool any = false;
  Vector3 min, max;
  for (const auto& mesh : meshes) {
    if (!selected(*mesh, wanted, unwanted)) continue;
    Vector3 lo, hi;
    if (!mesh->bounds(lo, hi)) continue;  // a mesh without vertices has no extent
    if (!any) {
      min = lo;
      max = hi;
      any = true;
      continue;
    }
    if (lo.x < min.x) min.x = lo.x;
    if (lo.y < min.y) min.y = lo.y;
    if (lo.z < min.z) min.z = lo.z;
    if (hi.x > max.x) max.x = hi.x;
    if (hi.y > max.y) max.y = hi.y;
    if (hi.z > max.z) max.z = hi.z;
  }
  Vector3 extent = any ? max - min : Vector3();
  float largest = extent.x;
  if (extent.y > largest) largest = extent.y;
  if (extent.z > largest) largest = extent.z;
  if (!(largest > 0.0f)) {
    // Nothing to measure: leave the model as it is rather than divide by zero.
    size = extent;
    return;
  }
  float scale = newRadius / (largest * 0.5f);
  size = extent * scale;
  Vector3 mid = (min + max) * 0.5f;
  int32_t centre[3] = {truncToInt(double(mid.x * 65536.0f + 0.5f)), truncToInt(double(mid.y * 65536.0f + 0.5f)),
                       truncToInt(double(mid.z * 65536.0f + 0.5f))};
  for (auto& mesh : meshes) {
    for (MeshVertex& v : mesh->vertices) {
      v.x = truncToInt(double(float(int64_t(v.x) - centre[0]) * scale));
      v.y = truncToInt(double(float(int64_t(v.y) - centre[1]) * scale));
      v.z = truncToInt(double(float(int64_t(v.z) - centre[2]) * scale));
    }
    // Bounds from an earlier preparation no longer hold.
    mesh->prepared = 0;
  }
}

void Group3D::setDetailLevel(int level) {
  for (auto& material : materials) material->detailLevel = level;
}

void Group3D::setFogEnabled(bool enabled) {
  for (auto& mesh : meshes) mesh->fogEnabled = enabled ? 1 : 0;
}

void Group3D::setDepthBias(float bias) {
  for (auto& mesh : meshes) mesh->depthBias = bias;
}

void Group3D::setFaceHook(FaceHook* hook) {
  for (auto& mesh : meshes) mesh->faceHook = hook;
}

void Group3D::setLevels(Group3D* const* models, int count, float segment) {
  if (count < 1 || !(segment > 0.0f)) return;
  levelCount = count;
  levelSegment = segment;
  levels = std::make_shared<LevelSet>();
  levels->lists.resize(size_t(count));
  for (int i = 0; i < count; ++i) {
    const Group3D* model = models[i];
    if (model == nullptr) continue;
    for (const auto& mesh : model->meshes) {
      if (mesh->material != nullptr) {
        std::shared_ptr<Material> handle = model->materialHandle(mesh->material);
        if (!handle && mesh->ownMaterial.get() == mesh->material) handle = mesh->ownMaterial;
        if (handle) {
          levels->materials.push_back(handle);
          if (findMaterial(handle->name) == nullptr) materials.push_back(handle);
        }
      }
      levels->lists[size_t(i)].push_back(mesh);
      mesh->owner = this;
    }
  }
}

void Group3D::copyInto(Group3D& copy) const {
  copy.isClone = 1;
  copy.name = name;
  copy.visible = visible;
  copy.type = type;
  copy.billboard = billboard;
  copy.culling = culling;
  copy.nearOverride = nearOverride;
  copy.farOverride = farOverride;
  copy.radius = radius;
  copy.size = size;
  copy.placement = placement;
  for (const auto& mesh : meshes) copy.addMesh(mesh->name, std::shared_ptr<Mesh>(mesh->clone()));
  for (const auto& material : materials) copy.materials.push_back(std::make_shared<Material>(*material));
  for (size_t m = 0; m < meshes.size(); ++m) {
    for (size_t i = 0; i < materials.size(); ++i) {
      if (meshes[m]->material == materials[i].get()) {
        copy.meshes[m]->material = copy.materials[i].get();
        break;
      }
    }
  }
  copy.levels = levels;
  copy.levelCount = levelCount;
  copy.levelSegment = levelSegment;
}

std::unique_ptr<Group3D> Group3D::clone() const {
  std::unique_ptr<Group3D> copy(new Group3D());
  copyInto(*copy);
  return copy;
}

namespace {

void advanceOnce(MaterialTexture* texture, float seconds, int frame) {
  if (texture && texture->isAnimated() && texture->lastAdvancedFrame() != frame) texture->advance(seconds, frame);
}

}  // namespace

void Group3D::updateTextures(float seconds, int frame) {
  for (auto& material : materials) {
    advanceOnce(material->texture, seconds, frame);
    advanceOnce(material->alphaTexture, seconds, frame);
  }
}
