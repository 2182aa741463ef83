// Contact sheet pages of the world: every model drawn from three quarters with the
// pictures the game gives it (decoded back from the generated files), and every track
// seen from high above with its road texture, centre line and start line.
#include <algorithm>
#include <cmath>

#include "World.h"

std::vector<ModelRecord>& madeModels() {
  static std::vector<ModelRecord> models;
  return models;
}

void addModel(Content& content, const std::string& path, const WorldModel& model) {
  content.resources[path] = model.to3ds();
  std::string folder = path.substr(0, path.find_last_of('/') + 1);
  auto& list = madeModels();
  for (ModelRecord& r : list)
    if (r.path == path) {
      r.model = model;
      return;
    }
  list.push_back({path, folder, model});
}

namespace {

bool decodePicture(const Content& c, const std::string& path, Raster& out) {
  auto it = c.resources.find(path);
  if (it == c.resources.end()) return false;
  std::string error;
  if (path.size() > 4 && path.substr(path.size() - 4) == ".gif") {
    std::vector<DecodedFrame> frames;
    if (!decodeGif(it->second, frames, error) || frames.empty()) return false;
    out = frames[0].image;
    return true;
  }
  return decodeJpeg(it->second, out, error);
}

std::vector<ViewTexture> texturesOf(const Content& c, const ModelRecord& r) {
  std::vector<ViewTexture> out;
  for (const WorldMaterial& m : r.model.materials) {
    if (m.texture.empty()) continue;
    std::string p = r.folder + m.texture;
    std::replace(p.begin(), p.end(), '\\', '/');
    ViewTexture t;
    t.material = m.name;
    if (decodePicture(c, p, t.image)) out.push_back(t);
  }
  return out;
}

}  // namespace

std::vector<SheetItem> worldSheetItems(const Content& c) {
  std::vector<SheetItem> items;
  for (const ModelRecord& r : madeModels()) {
    WorldModel shown = r.model;
    shown.meshes.erase(std::remove_if(shown.meshes.begin(), shown.meshes.end(),
                                      [](const PartMesh& m) { return m.name == "dummy"; }),
                       shown.meshes.end());
    V3 lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
    for (const PartMesh& m : shown.meshes)
      for (V3 p : m.pos)
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)},
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    V3 mid = (lo + hi) * 0.5f;
    float size = std::max({hi.x - lo.x, hi.y - lo.y, hi.z - lo.z});
    bool track = r.path.find("track.3ds") != std::string::npos;
    std::vector<ViewTexture> tex = texturesOf(c, r);
    std::string name = r.path.substr(r.path.find_last_of('/') + 1);
    std::string label = r.path.substr(0, r.path.size());
    if (track) {
      ViewSpec top;
      top.width = top.height = 400;
      top.eye = {mid.x, mid.y + size * 2.2f, mid.z - 0.01f};
      top.target = mid;
      top.fovDegrees = 26;
      top.background = 0x2A3A50;
      top.light = 0.5f;
      items.push_back({"track-maps", label + " (from above)", renderModelView(shown, tex, top)});
      // A driver's-eye view from the start line, looking along the road.
      const PartMesh& m = shown.meshes[0];
      V3 c0 = m.pos[5], c1 = m.pos[11 * 6 + 5];
      V3 f = normalized(c1 - c0);
      ViewSpec drive;
      drive.width = 320, drive.height = 200;
      drive.eye = c0 - f * 14 + V3{0, 6, 0};
      drive.target = c0 + f * 60 + V3{0, 1, 0};
      drive.fovDegrees = 50;
      drive.background = 0xC8D8EA;
      drive.light = 0.5f;
      items.push_back({"track-maps", label + " (start line)", renderModelView(shown, tex, drive)});
      continue;
    }
    for (int view = 0; view < 2; ++view) {
      ViewSpec v;
      v.width = 240, v.height = 160;
      float d = size * 1.45f;
      v.eye = view == 0 ? mid + V3{-0.75f * d, 0.45f * d, 0.65f * d} : mid + V3{0.8f * d, 0.35f * d, -0.6f * d};
      v.target = mid;
      v.fovDegrees = 40;
      v.light = 0.3f;
      items.push_back({"models", label + (view ? " (rear)" : ""), renderModelView(shown, tex, v)});
    }
  }
  return items;
}
