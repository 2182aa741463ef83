// The 3D kind of page scene and the page factory's 3D lines: "Scene3D" (a page scene that
// is also an engine Scene3D and the host its renderer draws through), "Group3D" and
// "Chip3D" objects, "Fog", "Light" and "LOD". Models come from the page's model cache
// (which owns them); chips and clones belong to their scene; textures come from the
// page's image cache.
#pragma once

#include "engine3d/Renderer3D.h"
#include "engine3d/Scene3D.h"
#include "gui/Scene.h"

class Canvas;
class Group3D;
class ValueList;

class Scene3DPage : public Scene, public Scene3D, public RenderHost {
 public:
  Scene3DPage() : Scene(SceneKind3D) {}
  ~Scene3DPage() override;

  // Appends a 3D object to the page list (found by the page's findObject) and to the
  // drawing list. owned: the scene destroys it; otherwise its owner (the model cache)
  // outlives the scene's use of it.
  void add3DObject(os::WStringView childName, Group3D* object, bool owned);

  // Draws background and 3D objects through the renderer (none before start3D).
  void renderInto(Image* surface, os::HDC dc, int originX, int originY, float elapsed) override;

  // start3D for this scene as a page scene (a scene not on a canvas stays undrawable).
  bool start(int kind);

  // RenderHost
  Image* renderSurface(int& originX, int& originY) override;
  int sceneWidth() const override { return width; }
  int sceneHeight() const override { return height; }
  void scenePosition(int& px, int& py) const override;
  void clientSize(int& w, int& h) const override;
  void paintBackground(Image& target, int px, int py) override;
  void presentSurface(const Image& own, int px, int py) override;

 private:
  std::vector<PageObject*> borrowed_;  // children the model cache owns
  Image* target_ = nullptr;            // the surface of the frame being drawn
  int targetX_ = 0, targetY_ = 0;
  bool drawing_ = false;
  os::HDC dc_ = 0;
};

// The factory's 3D lines.
void createScene3D(Canvas& canvas, const os::WString& key, const ValueList& items);
void createGroup3D(Canvas& canvas, const os::WString& key, const ValueList& items);
void createChip3D(Canvas& canvas, const os::WString& key, const ValueList& items);
void createFog(Canvas& canvas, const os::WString& key, const ValueList& items);
void createLight(Canvas& canvas, const os::WString& key, const ValueList& items);
void createLOD(Canvas& canvas, const os::WString& key, const ValueList& items);

// The page's model cache (created on first use).
class ModelCache;
ModelCache& pageModelCache(Canvas& canvas);
