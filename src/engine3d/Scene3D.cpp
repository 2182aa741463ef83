// Scene contents: the ordered object list with per-object ownership, lights,
// preparation when drawing starts, and drawing through the renderer. Destroying a scene
// destroys its renderer first, then the objects it owns.
#include "engine3d/Scene3D.h"

#include "engine3d/Group3D.h"
#include "engine3d/Material.h"

Scene3D::~Scene3D() {
  renderer.reset();
  for (Entry& entry : objects_)
    if (entry.owned) delete entry.object;
}

SceneObject* Scene3D::addObject(os::WStringView name, SceneObject* object, bool owned) {
  if (object == nullptr) return nullptr;
  object->name = limitName(name);
  objects_.push_back(Entry{object, owned});
  return object;
}

SceneObject* Scene3D::addObject(os::WStringView name, std::unique_ptr<SceneObject> object) {
  return addObject(name, object.release(), true);
}

SceneObject* Scene3D::findObject(os::WStringView name) const {
  for (const Entry& entry : objects_)
    if (entry.object->name == name) return entry.object;
  return nullptr;
}

Group3D* Scene3D::findGroup(os::WStringView name) const { return dynamic_cast<Group3D*>(findObject(name)); }

bool Scene3D::removeObject(SceneObject* object) {
  for (auto it = objects_.begin(); it != objects_.end(); ++it) {
    if (it->object == object) {
      if (it->owned) delete it->object;
      objects_.erase(it);
      return true;
    }
  }
  return false;
}

LightRecord& Scene3D::addLight(os::WStringView name, const LightRecord& light) {
  lights.push_back(light);
  lights.back().name = limitName(name);
  return lights.back();
}

void Scene3D::prepareObjects() {
  for (size_t i = objects_.size(); i-- > 0;) {
    if (Group3D* group = dynamic_cast<Group3D*>(objects_[i].object)) group->prepare(true);
  }
}

void Scene3D::draw(float seconds) {
  if (renderer) renderer->render(seconds);
}
