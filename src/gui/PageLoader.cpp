// Page content of a Canvas: loading a page template (with reset or merged into the
// current page, with progress reports), saving it back, clearing it, and finding
// scenes, objects, sounds and fonts by name.
#include <algorithm>

#include "data/PropertyTable.h"
#include "data/TemplateFile.h"
#include "data/ValueList.h"
#include "gui/BitmapFont.h"
#include "gui/InputPad.h"
#include "gui/PageCaches.h"
#include "gui/PageFactory.h"
#include "gui/Scene.h"
#include "gui/Sprite.h"
#include "platform/System.h"
#include "shell/Canvas.h"

namespace {

constexpr size_t kMaxFolder = 259;
constexpr size_t kMaxPageName = 64;

}  // namespace

os::WString Canvas::pagePath(os::WStringView fileName) const {
  os::WString path = pageFolder_;
  if (!path.empty() && path.back() != u'\\') path += u'\\';
  path += fileName;
  return path;
}

bool Canvas::loadPage(os::WStringView folder, os::WStringView name, bool layoutSuffix, bool reset) {
  if (folder.empty() || name.empty()) return false;
  layoutSuffix_ = layoutSuffix;
  defaultTextSize = 16;
  defaultTextColour = 0xFFFFFF;
  defaultBrightTextColour = 0xFFFFFF;

  os::WString rememberedFolder, rememberedName;
  if (reset) {
    clearPage();
  } else {
    rememberedFolder = pageFolder_;
    rememberedName = pageName_;
  }
  pageName_ = os::WString(name.substr(0, kMaxPageName));
  pageFolder_ = os::WString(folder.substr(0, kMaxFolder));

  std::vector<os::WString> fileKeys;
  if (!pageTemplate_->load(pageFolder_, pageName_, layoutSuffix_, &fileKeys, false, false)) {
    os::messageBox(hwnd_, os::format(u"Can not find the template file: %s%s.", pageFolder_.c_str(), pageName_.c_str()),
                   u"Error", os::MB_OK | os::MB_ICONERROR);
    return false;
  }
  os::logEvent("page", TemplateFile::composePath(pageFolder_, pageName_, layoutSuffix_));

  std::vector<os::WString> keys = pageTemplate_->keys();
  size_t n = keys.size();
  for (size_t i = 0; i < n; ++i) {
    const os::WString& key = keys[i];
    bool created = std::find(createdNames_.begin(), createdNames_.end(), key) != createdNames_.end();
    if (created) {
      // Merged pages recreate only what the new file defines.
      if (std::find(fileKeys.begin(), fileKeys.end(), key) == fileKeys.end()) continue;
    } else {
      createdNames_.push_back(key);
    }
    auto value = pageTemplate_->getString(key);
    if (!value) continue;
    ValueList items(*value, u',', u':');
    const char16_t* type = items.lookup(u"type");
    if (!type) continue;
    if (PageObjectCreator create = findPageObjectCreator(type)) {
      create(*this, key, items);
    } else {
      createCustomObject(*pageTemplate_, key);
    }
    if (loadListener_) {
      loadListener_->onLoadProgress(os::format(u"Load %.20s", key.c_str()), pageName_, int(i * 100 / n));
    }
  }
  if (loadListener_) loadListener_->onLoadProgress(u"Load", pageName_, 100);

  onPageLoaded();
  for (Scene* scene : scenes_) {
    if (scene->kind != SceneKindSprite) continue;
    auto* sprites = static_cast<SpriteScene*>(scene);
    if (sprites->focusListener) sprites->focusListener->onFocusChanged(sprites, nullptr, sprites->focusedSprite);
  }

  if (!reset && !rememberedName.empty()) {
    pageName_ = rememberedName;
    pageFolder_ = rememberedFolder;
  }
  // Saving writes the page's own file, not the last one merged into it.
  pageTemplate_->setPath(pageFolder_, pageName_, layoutSuffix_);
  if (reset) {
    focusedWidget_ = nullptr;
    hitScene_ = nullptr;
  }
  return true;
}

bool Canvas::savePage() {
  if (pageTemplate_->save()) return true;
  os::messageBox(hwnd_,
                 os::format(u"Can not update the template file: %s%s.\nThe file is read-only or the storage media is "
                            u"not available. All changes will be ignored.",
                            pageFolder_.c_str(), pageName_.c_str()),
                 u"Warning", os::MB_OK | os::MB_ICONEXCLAMATION);
  return false;
}

void Canvas::clearPage() {
  onPageUnload();
  focusedWidget_ = nullptr;
  hitScene_ = nullptr;
  imageCache_->clear();
  if (modelCache_) modelCache_->clear();
  if (soundCache_) soundCache_->clear();
  pageTemplate_->clear();
  createdNames_.clear();
  releaseNamedTables();
  releaseScenes();
}

void Canvas::releaseScenes() {
  if (inputPad_) inputPad_->pageCleared();
  std::vector<Scene*> scenes;
  scenes.swap(scenes_);
  for (Scene* scene : scenes) delete scene;
  focusedWidget_ = nullptr;
  hitScene_ = nullptr;
}

void Canvas::releaseNamedTables() {
  if (namedFonts_) {
    for (void* font : namedFonts_->orderedValues()) delete static_cast<BitmapFont*>(font);
    namedFonts_->clear();
  }
  if (namedSounds_) namedSounds_->clear();
  tableKeys_.clear();
}

void Canvas::addScene(os::WStringView name, Scene* scene) {
  if (!scene || std::find(scenes_.begin(), scenes_.end(), scene) != scenes_.end()) return;
  scene->name = os::WString(name.substr(0, MaxObjectName));
  scene->canvas = this;
  scene->parentSurface = backBuffer_;
  if (scene->buffered) scene->ensureSurface();
  scenes_.push_back(scene);
}

Scene* Canvas::findScene(os::WStringView name) const {
  for (Scene* scene : scenes_)
    if (scene->name == name) return scene;
  return nullptr;
}

PageObject* Canvas::findObject(os::WStringView name) const {
  for (Scene* scene : scenes_)
    if (PageObject* object = scene->findChild(name)) return object;
  return nullptr;
}

Sprite* Canvas::findSprite(os::WStringView name) const {
  PageObject* object = findObject(name);
  return object && object->type == PageObjectSprite ? static_cast<Sprite*>(object) : nullptr;
}

Scene* Canvas::findSceneOfObject(os::WStringView name) const {
  for (Scene* scene : scenes_)
    if (scene->findChild(name)) return scene;
  return nullptr;
}

SpriteScene* Canvas::topScene() const {
  for (size_t i = scenes_.size(); i-- > 0;)
    if (scenes_[i]->visible && scenes_[i]->kind == SceneKindSprite) return static_cast<SpriteScene*>(scenes_[i]);
  return nullptr;
}

Sound* Canvas::findSound(os::WStringView name) const {
  return static_cast<Sound*>(namedSounds_->lookupText(name));
}

void Canvas::addSound(os::WStringView name, Sound* sound) {
  if (!sound) return;
  const char16_t* stored = namedSounds_->storedKey(name);
  if (stored) {
    namedSounds_->insert(stored, sound, true);
    return;
  }
  tableKeys_.push_back(std::make_unique<os::WString>(name));
  namedSounds_->insert(tableKeys_.back()->c_str(), sound, false);
}

BitmapFont* Canvas::findFont(os::WStringView name) const {
  return static_cast<BitmapFont*>(namedFonts_->lookupText(name));
}

bool Canvas::addFont(os::WStringView name, BitmapFont* font) {
  if (!font) return false;
  if (namedFonts_->lookupText(name)) {
    delete font;
    return false;
  }
  tableKeys_.push_back(std::make_unique<os::WString>(name));
  namedFonts_->insert(tableKeys_.back()->c_str(), font, false);
  return true;
}

int Canvas::groupSelection(os::WStringView group) { return pageTemplate_->getInt(group, u"selected", 0); }
