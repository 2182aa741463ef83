// 3D page scenes and the factory lines that fill them from a page template.
#include "gui/Page3D.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "data/TextSplit.h"
#include "data/ValueList.h"
#include "engine3d/Chip3D.h"
#include "engine3d/Group3D.h"
#include "engine3d/LightRecord.h"
#include "engine3d/MaterialTexture.h"
#include "engine3d/ModelCache.h"
#include "engine3d/Vector3.h"
#include "gui/PageCaches.h"
#include "gui/PageFactory.h"
#include "gui/Texture.h"
#include "image/Image.h"
#include "shell/Canvas.h"

namespace {

// The page's model cache; its models take their textures from the page's image cache.
class ModelCacheSlot : public CacheSlot {
 public:
  explicit ModelCacheSlot(Canvas& canvas) : cache(&canvas.imageCache()) {}
  void clear() override { cache.clear(); }
  ModelCache cache;
};

ModelCacheSlot& modelSlot(Canvas& canvas) {
  std::unique_ptr<CacheSlot>& slot = canvas.modelCacheSlot();
  if (!slot) slot.reset(new ModelCacheSlot(canvas));
  return *static_cast<ModelCacheSlot*>(slot.get());
}

Scene3DPage* scene3DOf(Canvas& canvas, const ValueList& items) {
  const char16_t* name = items.lookup(u"container");
  if (name == nullptr) return nullptr;
  Scene* scene = canvas.findScene(name);
  return scene != nullptr && scene->kind == SceneKind3D ? static_cast<Scene3DPage*>(scene) : nullptr;
}

// A 3D picture of a template key (power-of-two sizes rounded to the nearest power).
MaterialTexture* picture3D(Canvas& canvas, const ValueList& items, const char16_t* key) {
  const char16_t* name = items.lookup(key);
  if (name == nullptr || *name == 0) return nullptr;
  return canvas.imageCache().get(canvas.pageFolder(), name, true, false);
}

// The keys both object kinds share, then the copies asked for by "number".
void placeObject(Canvas& /*canvas*/, Scene3DPage& scene, const os::WString& key, const ValueList& items,
                 Group3D* object, bool owned) {
  object->visible = items.getBool(u"visible", true) ? 1 : 0;
  object->setDetailLevel(items.getInt(u"detailLevel", 1));
  object->setFogEnabled(items.getBool(u"environmentEnabled", true));
  object->billboard = items.getInt(u"billboard", 0);
  object->culling = items.getInt(u"cullingPolicy", 1);
  int number = items.getInt(u"number", 0);
  if (number < 1) {
    scene.add3DObject(key, object, owned);
    return;
  }
  for (int i = 0; i < number; ++i) {
    os::WString name = key + os::fromUtf8(std::to_string(i));
    if (i == 0) {
      scene.add3DObject(name, object, owned);
    } else {
      std::unique_ptr<Group3D> copy = object->clone();
      scene.add3DObject(name, copy.release(), true);
    }
  }
}

}  // namespace

ModelCache& pageModelCache(Canvas& canvas) { return modelSlot(canvas).cache; }

Scene3DPage::~Scene3DPage() {
  // The renderer goes first (it refers to this host); borrowed models stay with the cache.
  renderer.reset();
  children_.erase(std::remove_if(children_.begin(), children_.end(),
                                 [this](PageObject* child) {
                                   return std::find(borrowed_.begin(), borrowed_.end(), child) != borrowed_.end();
                                 }),
                  children_.end());
}

void Scene3DPage::add3DObject(os::WStringView childName, Group3D* object, bool owned) {
  if (object == nullptr) return;
  addChild(childName, object);
  if (!owned) borrowed_.push_back(object);
  addObject(object->name, object, false);  // the page list owns (or borrows) it
}

bool Scene3DPage::start(int kind) { return start3D(*this, canvas != nullptr ? this : nullptr, kind); }

void Scene3DPage::renderInto(Image* surface, os::HDC dc, int originX, int originY, float elapsed) {
  if (!renderer) {
    drawBackground(surface, dc, originX, originY);
    return;
  }
  target_ = surface;
  targetX_ = originX;
  targetY_ = originY;
  dc_ = dc;
  drawing_ = true;
  draw(elapsed);
  drawing_ = false;
  target_ = nullptr;
  dc_ = 0;
}

Image* Scene3DPage::renderSurface(int& originX, int& originY) {
  if (drawing_) {
    originX = targetX_;
    originY = targetY_;
    return target_;
  }
  // Before the first frame: where frames will draw.
  if (buffered && ensureSurface()) {
    originX = originY = 0;
    return surface.get();
  }
  originX = x;
  originY = y;
  return parentSurface;
}

void Scene3DPage::scenePosition(int& px, int& py) const {
  px = x;
  py = y;
}

void Scene3DPage::clientSize(int& w, int& h) const {
  w = canvas != nullptr ? canvas->clientWidth() : width;
  h = canvas != nullptr ? canvas->clientHeight() : height;
  if (w <= 0) w = x + width;
  if (h <= 0) h = y + height;
}

void Scene3DPage::paintBackground(Image& target, int px, int py) { drawBackground(&target, 0, px, py); }

void Scene3DPage::presentSurface(const Image& own, int px, int py) {
  if (dc_ != 0) own.drawToDC(dc_, px, py, px, py, width, height, true);
}

void createScene3D(Canvas& canvas, const os::WString& key, const ValueList& items) {
  Scene* existing = canvas.findScene(key);
  Scene3DPage* scene = existing && existing->kind == SceneKind3D ? static_cast<Scene3DPage*>(existing) : nullptr;
  bool fresh = scene == nullptr;
  if (fresh) scene = new Scene3DPage;
  readSceneKeys(canvas, *scene, items);
  scene->width = std::max(8, scene->width);
  scene->height = std::max(8, scene->height);
  scene->ambient = items.getColor(u"ambient", 0);
  scene->depthSource = nullptr;
  if (const char16_t* provider = items.lookup(u"zBufferProviderScene")) {
    Scene* source = canvas.findScene(provider);
    if (source != nullptr && source->kind == SceneKind3D && source != scene)
      scene->depthSource = static_cast<Scene3DPage*>(source);
  }
  if (fresh) {
    canvas.addScene(key, scene);
  } else if (scene->buffered) {
    scene->surface.reset();
    scene->ensureSurface();
  }
}

void createGroup3D(Canvas& canvas, const os::WString& key, const ValueList& items) {
  Scene3DPage* scene = scene3DOf(canvas, items);
  const char16_t* model = items.lookup(u"model");
  if (scene == nullptr || model == nullptr || *model == 0) return;
  Group3D* object = pageModelCache(canvas).getModel(canvas.pageFolder(), model, items.getFloat(u"radius", 1.0f),
                                                    items.lookup(u"wantedObjectsWhenNormalize"),
                                                    items.lookup(u"unwantedObjectsWhenNormalize"));
  if (object == nullptr) return;
  object->type = ObjectTypeGroup3D;
  placeObject(canvas, *scene, key, items, object, false);
}

void createChip3D(Canvas& canvas, const os::WString& key, const ValueList& items) {
  Scene3DPage* scene = scene3DOf(canvas, items);
  if (scene == nullptr) return;
  std::unique_ptr<Chip3D> chip =
      Chip3D::create(items.getFloat(u"radius", 1.0f), items.getInt(u"width", 1), items.getInt(u"height", 1),
                     items.getInt(u"orientation", 2), picture3D(canvas, items, u"texture"),
                     picture3D(canvas, items, u"alpha"), items.getInt(u"mirror", 0) != 0);
  if (!chip) return;
  chip->type = ObjectTypeGroup3D;
  placeObject(canvas, *scene, key, items, chip.release(), true);
}

void createFog(Canvas& canvas, const os::WString& /*key*/, const ValueList& items) {
  Scene3DPage* scene = scene3DOf(canvas, items);
  if (scene == nullptr) return;
  scene->fog.reset(new FogRecord{items.getInt(u"front", 100), items.getInt(u"back", 200),
                                 items.getColor(u"color", 0xFFFFFF)});
}

void createLight(Canvas& canvas, const os::WString& key, const ValueList& items) {
  Scene3DPage* scene = scene3DOf(canvas, items);
  if (scene == nullptr) return;
  const char16_t* dir = items.lookup(u"dir");
  Vector3 direction = dir != nullptr ? parseVector(dir) : Vector3{0, -1, 0};
  scene->addLight(key, LightRecord::fromTemplate(items.getColor(u"color", 0xFFFFFF), direction));
}

void createLOD(Canvas& canvas, const os::WString& /*key*/, const ValueList& items) {
  const char16_t* containerName = items.lookup(u"container");
  if (containerName == nullptr) return;
  Group3D* container = dynamic_cast<Group3D*>(canvas.findObject(containerName));
  if (container == nullptr) return;
  const int count = items.getInt(u"levelNum", 1);
  const float radius = items.getFloat(u"radius", 1.0f);
  const int level = items.getInt(u"detailLevel", 1);
  const char16_t* list = items.lookup(u"model");
  if (list == nullptr || count < 1) return;
  // '(file;file;...)': blanks, tabs and parentheses trimmed at both ends, split at ';'.
  os::WStringView text(list);
  auto trimmable = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'(' || c == u')'; };
  while (!text.empty() && trimmable(text.front())) text.remove_prefix(1);
  while (!text.empty() && trimmable(text.back())) text.remove_suffix(1);
  std::vector<os::WString> files;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(u';', start);
    if (end == os::WStringView::npos) end = text.size();
    files.emplace_back(trimBlanks(text.substr(start, end - start)));
    start = end + 1;
  }
  std::vector<Group3D*> models;
  for (int i = 0; i < count; ++i) {
    Group3D* model = nullptr;
    if (size_t(i) < files.size() && !files[size_t(i)].empty())
      model = pageModelCache(canvas).getModel(canvas.pageFolder(), files[size_t(i)], radius,
                                              items.lookup(u"wantedObjectsWhenNormalize"),
                                              items.lookup(u"unwantedObjectsWhenNormalize"));
    if (model != nullptr) model->setDetailLevel(level);
    models.push_back(model);
  }
  container->setLevels(models.data(), count, items.getFloat(u"segment", 1.0f));
}
