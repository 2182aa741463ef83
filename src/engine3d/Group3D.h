// A model object: an ordered list of meshes, the materials they use, a placement matrix
// and optional level-of-detail mesh lists. The hierarchy is flat (no nested groups): a
// vertex is drawn through view * placement * mesh local. Meshes and materials are held by
// shared pointers so that level meshes taken from cached models, and clones sharing level
// lists, are each released exactly once whatever is destroyed first.
#pragma once

#include <memory>
#include <vector>

#include "engine3d/Material.h"
#include "engine3d/Matrix4.h"
#include "engine3d/Mesh.h"
#include "engine3d/SceneObject.h"
#include "engine3d/Vector3.h"

class FaceHook;

using MeshList = std::vector<std::shared_ptr<Mesh>>;

// Level-of-detail meshes of a model, shared between the model and its clones.
struct LevelSet {
  std::vector<MeshList> lists;
  // The level meshes' materials, kept alive with the meshes that point at them.
  std::vector<std::shared_ptr<Material>> materials;
};

class Group3D : public SceneObject {
 public:
  enum Billboard { BillboardNone = 0, BillboardUpright = 1, BillboardScreen = 2 };
  enum Culling { CullNever = 0, CullObject = 1, CullEachMesh = 2 };

  MeshList meshes;
  std::vector<std::shared_ptr<Material>> materials;
  Matrix4 placement;             // object to world
  int billboard = BillboardNone;
  int culling = CullObject;
  float nearOverride = -1;       // replaces the camera's near distance when positive
  float farOverride = -1;
  float radius = 0;              // the size normalized to; also the culling radius
  Vector3 size;                  // extent of the normalization set after normalization
  std::shared_ptr<LevelSet> levels;  // none without levels
  int levelCount = 0;
  float levelSegment = 0;
  uint8_t isClone = 0;
  Matrix4 drawnPlacement;        // renderer scratch: placement after billboard adjustment
  Matrix4 modelView;             // renderer scratch: view * drawn placement

  Group3D();

  // Names are cut to 63 characters; the model becomes the mesh's owner.
  Mesh* addMesh(os::WStringView name, std::shared_ptr<Mesh> mesh);
  Mesh* addMesh(os::WStringView name);
  Mesh* findMesh(os::WStringView name) const;
  Mesh* findMeshInLevel(int level, os::WStringView name) const;
  // Takes the first mesh of that name out of the list (owner cleared) and hands it back.
  std::shared_ptr<Mesh> removeMesh(os::WStringView name);

  Material* addMaterial(os::WStringView name, std::shared_ptr<Material> material);
  Material* findMaterial(os::WStringView name) const;
  // The shared pointer that holds a material of this model's list, or none.
  std::shared_ptr<Material> materialHandle(const Material* material) const;

  // Own meshes last to first, then the level meshes.
  void prepare(bool withBounds);

  // Scales and centres the model so that the selected meshes' box has its largest half
  // side equal to radius. wanted / unwanted are texts in which a mesh name must (must not)
  // occur; null means no filter. Without a selection of non-zero size the vertices stay.
  void normalize(float radius, const char16_t* wanted = nullptr, const char16_t* unwanted = nullptr);

  void setDetailLevel(int level);   // every material of the list
  void setFogEnabled(bool enabled); // every own mesh
  void setDepthBias(float bias);
  void setFaceHook(FaceHook* hook);

  // models[i] become level i; nothing happens when count < 1 or segment <= 0.
  void setLevels(Group3D* const* models, int count, float segment);

  // A copy with its own meshes and materials (textures shared), sharing the level lists.
  virtual std::unique_ptr<Group3D> clone() const;

  // Advances the animated textures of every material once per frame number.
  void updateTextures(float seconds, int frame);

 protected:
  void copyInto(Group3D& copy) const;
};
