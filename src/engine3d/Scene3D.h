// The 3D part of a page scene: its objects (in drawing order, found by exact name), its
// lights, ambient colour and fog, the scene whose depth buffer it starts each frame from,
// and, once 3D drawing starts, its renderer and camera. The page scene (position, size,
// background, layer) derives from this class; a scene owns its renderer, its camera and
// the objects added as owned (models handed out by the model cache belong to the cache).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine3d/Camera.h"
#include "engine3d/LightRecord.h"
#include "engine3d/RenderPipeline.h"
#include "engine3d/SceneObject.h"

class Group3D;

class Scene3D {
 public:
  std::vector<LightRecord> lights;
  uint32_t ambient = 0;                 // 0xRRGGBB
  std::unique_ptr<FogRecord> fog;       // none without fog
  Scene3D* depthSource = nullptr;       // "zBufferProviderScene"
  std::unique_ptr<RenderPipeline> renderer;  // none until 3D drawing starts
  std::unique_ptr<Camera> camera;            // likewise

  Scene3D() = default;
  virtual ~Scene3D();
  Scene3D(const Scene3D&) = delete;
  Scene3D& operator=(const Scene3D&) = delete;

  // Names the object (63 characters at most) and appends it. With owned the scene
  // destroys it; otherwise its owner (a cache) must outlive the scene's use of it.
  SceneObject* addObject(os::WStringView name, SceneObject* object, bool owned = true);
  SceneObject* addObject(os::WStringView name, std::unique_ptr<SceneObject> object);
  SceneObject* findObject(os::WStringView name) const;
  Group3D* findGroup(os::WStringView name) const;
  size_t objectCount() const { return objects_.size(); }
  SceneObject* objectAt(size_t index) const { return objects_[index].object; }
  // Takes an object out of the list; an owned one is destroyed. False when absent.
  bool removeObject(SceneObject* object);

  LightRecord& addLight(os::WStringView name, const LightRecord& light);

  // Prepares every 3D object, last to first, with bounds (done when drawing starts).
  void prepareObjects();

  // Renders through the renderer when there is one.
  void draw(float seconds);

 private:
  struct Entry {
    SceneObject* object;
    bool owned;
  };
  std::vector<Entry> objects_;
};
