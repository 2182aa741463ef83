// Track builder: loads a track folder into the race page and derives the ring of
// sections every other race part uses. Reshaping works on the 16.16 vertex records.
#include "race/RaceTrack.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "data/TemplateFile.h"
#include "data/TextSplit.h"
#include "data/ValueList.h"
#include "engine3d/AngleTable.h"
#include "engine3d/Chip3D.h"
#include "engine3d/Fixed.h"
#include "engine3d/Group3D.h"
#include "engine3d/MaterialTexture.h"
#include "engine3d/Mesh.h"
#include "engine3d/ModelCache.h"
#include "engine3d/Quaternion.h"
#include "gui/Page3D.h"
#include "gui/PageCaches.h"
#include "gui/Texture.h"
#include "image/Image.h"
#include "race/RaceRandom.h"
#include "shell/Canvas.h"
#include "shell/Display.h"
#include "shell/SystemServices.h"

namespace {

const int32_t kAcross[11] = {0, 6144, 12288, 18432, 24576, 32768, 40960, 47104, 53248, 59392, 65536};
const int32_t kAlong[4] = {0, 32768, 65536, 32768};

Vector3 vertexPoint(const Mesh& mesh, int index) {
  const MeshVertex& v = mesh.vertices[size_t(index)];
  return Vector3{fromFixed(v.x), fromFixed(v.y), fromFixed(v.z)};
}

bool contains(const os::WString& text, const char16_t* part) { return text.find(part) != os::WString::npos; }

}  // namespace

RaceTrack::RaceTrack() = default;
RaceTrack::~RaceTrack() = default;

const Vector3& RaceTrack::sectionCentre(int i) const { return centre[size_t(wrap(i, 0, n))]; }

MaterialTexture* RaceTrack::adapt(Texture* texture) {
  // A page texture is what materials sample; one without a picture draws untextured.
  return texture != nullptr && texture->valid() ? texture : nullptr;
}

uint32_t parseRaceColour(os::WStringView text) {
  auto trimmable = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'(' || c == u')'; };
  while (!text.empty() && trimmable(text.front())) text.remove_prefix(1);
  while (!text.empty() && trimmable(text.back())) text.remove_suffix(1);
  uint32_t parts[3] = {0, 0, 0};
  for (int i = 0; i < 3; ++i) {
    size_t end = text.find(u';');
    os::WStringView part = trimBlanks(text.substr(0, end));
    uint32_t v = 0;
    for (char16_t c : part) {
      if (c < u'0' || c > u'9') break;
      v = v * 10 + uint32_t(c - u'0');
    }
    parts[i] = std::min(v, 255u);
    if (end == os::WStringView::npos) break;
    text.remove_prefix(end + 1);
  }
  return (parts[0] << 16) | (parts[1] << 8) | parts[2];
}

void tintPicture(Image& picture, uint32_t ambient, bool keepKey) {
  if (ambient == 0xFFFFFF || !picture.valid()) return;
  const int32_t key = keepKey ? picture.transparentColour() : -1;
  const uint32_t ar = (ambient >> 16) & 255, ag = (ambient >> 8) & 255, ab = ambient & 255;
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      const uint32_t c = picture.getPixel(x, y);
      if (key >= 0 && c == uint32_t(key)) continue;
      const uint32_t r = (((c >> 16) & 255) * ar) >> 8, g = (((c >> 8) & 255) * ag) >> 8, b = ((c & 255) * ab) >> 8;
      picture.setPixel(x, y, (r << 16) | (g << 8) | b);
    }
  }
}

void prepareSky(Image& sky, uint32_t background, uint32_t haze) {
  if (!sky.valid()) return;
  const int w = sky.width(), h = sky.height();
  sky.fill(background, 0, std::max(0, h - 10), w, std::min(10, h), false);
  const int hr = (haze >> 16) & 255, hg = (haze >> 8) & 255, hb = haze & 255;
  for (int m = 0; m < 20; ++m) {
    const int y = h - 20 + m;
    if (y < 0) continue;
    const int v = 10 - m;
    const int a = 255 - std::abs(v) * 25;
    for (int x = 0; x < w; ++x) {
      // getPixel widens 5-6-5 pixels to 8 bits per channel; setPixel narrows them back.
      const uint32_t c = sky.getPixel(x, y);
      int r = int((c >> 16) & 255), g = int((c >> 8) & 255), b = int(c & 255);
      r += ((hr - r) * a) >> 8;
      g += ((hg - g) * a) >> 8;
      b += ((hb - b) * a) >> 8;
      sky.setPixel(x, y, (uint32_t(r & 255) << 16) | (uint32_t(g & 255) << 8) | uint32_t(b & 255));
    }
  }
}

void RaceTrack::reshape(Mesh& mesh, const TrackShape& shape, Canvas* progressPage) {
  n = int(mesh.vertices.size()) / 11;
  centre.assign(size_t(n), Vector3{});
  float lengthSum = 0;
  for (int i = 0; i < n; ++i) {
    const float angle = float(i) * ((float(n) - 2.0f) * 0.25f / float(n));
    float dy = sinT(angle) * shape.trackRolling;
    if (shape.trackBumpy != 0) dy += randf(-shape.trackBumpy, shape.trackBumpy);
    const int32_t DY = truncToInt(double(dy * 65536.0f));
    MeshVertex* section = &mesh.vertices[size_t(11 * i)];
    const MeshVertex& c = section[5];
    for (int k = 0; k < 11; ++k) {
      MeshVertex& v = section[k];
      v.u = kAcross[k];
      v.v = kAlong[i % 4];
      const int away = std::abs(k - 5);
      if (away >= 2) {
        const int d = away - 1;
        const int32_t t = truncToInt(double(float(d) * randf(-shape.terrainZigzag, shape.terrainZigzag) * 32.0f));
        v.x += int32_t((int64_t(c.x - v.x) * t) >> 5);
        v.z += int32_t((int64_t(c.z - v.z) * t) >> 5);
        v.y -= truncToInt(double(randf(-shape.terrainRolling, shape.terrainRolling) * -65536.0f)) * d;
      }
      v.y += DY;
    }
    centre[size_t(i)] = vertexPoint(mesh, 11 * i + 5);
    if (i % 10 == 1) lengthSum += length(centre[size_t(i)] - centre[size_t(i - 1)]);
    if (progressPage && i % 5 == 0) drawProgressBar(progressPage, u"Set up Track", 100 * (i + 1) / n);
  }
  averageSectionLength = n > 1 ? (10.0f * lengthSum) / float(n - 1) : 0;
  mesh.prepared = 0;
}

void RaceTrack::deriveRing() {
  back.assign(size_t(n), Vector3{});
  for (int i = 0; i < n; ++i) back[size_t(i)] = normalized(centre[size_t(i)] - centre[size_t((i + 1) % n)]);
  // A degenerate ring (no measurable length) draws everything.
  viewDepth = averageSectionLength > 0 ? 1 - truncToInt(double(-400.0f / averageSectionLength)) : std::max(n, 1);
  for (int k = 0; k < 5; ++k) checkpoint[k] = n > 0 ? ((k + 1) * n / 5) % n : 0;
}

std::shared_ptr<Mesh> RaceTrack::buildStrip(const StripLayout& layout, bool woods, int& sides, Canvas* progressPage) {
  auto strip = std::make_shared<Mesh>();
  int leftValue = -layout.offsetLeft, rightValue = layout.offsetRight;
  if (!layout.left) leftValue = -10000;
  if (!layout.right) rightValue = 10000;
  if (leftValue > borderLeft) borderLeft = leftValue;
  if (rightValue < borderRight) borderRight = rightValue;
  sides = (layout.left ? 1 : 0) + (layout.right ? 1 : 0);
  if (trackMesh == nullptr || n <= 0 || sides == 0) return strip;
  const Mesh& mesh = *trackMesh;
  for (int j = 0; j <= n; ++j) {
    const int s = j == n ? 0 : j;
    int32_t u;
    if (woods && layout.height > 8) u = kAlong[s % 4];
    else u = (j & 1) * 65535;
    for (int side = 0; side < 2; ++side) {
      const bool right = side == 0;
      if (right ? !layout.right : !layout.left) continue;
      const int o = right ? layout.offsetRight : layout.offsetLeft;
      const int k = std::clamp(right ? 5 - o : 5 + o, 0, 10);
      Vector3 p = vertexPoint(mesh, 11 * s + k);
      // Pushed a little outward; an offset of 0 (the road's centre) is left in place.
      if (o != 0) p = p + (centre[size_t(s)] - p) * (-0.15f / float(o));
      p.y += 8;
      Vector3 normal;
      grid.ground(p, normal, true);
      strip->addVertex(p.x, p.y, p.z, u, 65535);
      strip->addVertex(p.x, p.y + layout.height, p.z, u, 0);
    }
    if (j >= 1) {
      const int stride = 2 * sides;
      const int base = j * stride, prevBase = (j - 1) * stride;
      for (int q = 0; q < sides; ++q) {
        const int bottom = base + 2 * q, top = bottom + 1;
        const int prevBottom = prevBase + 2 * q, prevTop = prevBottom + 1;
        strip->addFace(top, bottom, prevTop);
        strip->addFace(bottom, prevBottom, prevTop);
      }
    }
    if (progressPage && j % 10 == 0) drawProgressBar(progressPage, u"Set up guard rail", 100 * (j + 1) / n);
  }
  return strip;
}

void RaceTrack::orderDecorations() {
  const int N = int(decorations.size()), B = billboardCount;
  if (N - B > 1) {
    for (int r = 0; r < 2 * (N - B); ++r) {
      const int a = randi(B, N - 1), b = randi(B, N - 1);
      if (a == b || a < 0 || b < 0 || a >= N || b >= N) continue;
      if (contains(decorations[size_t(a)].object->name, u"banner") ||
          contains(decorations[size_t(b)].object->name, u"banner"))
        continue;
      std::swap(decorations[size_t(a)], decorations[size_t(b)]);
    }
  }
  // Billboards in pairs: entries 1 and 2, 5 and 6, ... (swaps past the end skipped).
  for (int k = 0; 4 * k < B; ++k) {
    const int a = 4 * k + 1, b = 4 * k + 2;
    if (b >= N) break;
    std::swap(decorations[size_t(a)], decorations[size_t(b)]);
  }
  for (int i = 0; i < B && i < N; ++i) decorations[size_t(i)].placement.lateral = (i % 2 == 0) ? 2 : -2;
}

bool RaceTrack::build(Canvas& page, Scene3DPage& scene, const os::WString& scenesFolder, const os::WString& trackName) {
  const os::WString folder = scenesFolder + trackName + u"\\";
  // 1. The track template joins the page.
  page.loadPage(folder, u"track.properties", false, false);
  TemplateFile& t = page.pageTemplate();
  if (auto musicName = t.getString(u"track.music")) music = page.findSound(*musicName);
  if (auto c = t.getString(u"scene.bkgColor")) bkgColour = parseRaceColour(*c);
  if (auto c = t.getString(u"scene.ambientColor")) ambientColour = parseRaceColour(*c);
  if (auto c = t.getString(u"scene.smokeColor")) smokeColour = parseRaceColour(*c);
  if (auto c = t.getString(u"scene.haze")) hazeColour = parseRaceColour(*c);
  auto half = [](uint32_t c) {
    return ((((c >> 16) & 255) * 128 >> 8) << 16) | ((((c >> 8) & 255) * 128 >> 8) << 8) | ((c & 255) * 128 >> 8);
  };
  scene.ambient = half(ambientColour);

  // 2. The section mesh.
  ModelCache& models = pageModelCache(page);
  model = models.getModel(folder, u"track.3ds", 800.0f);
  if (model == nullptr || model->meshes.empty()) return false;
  trackMesh = model->meshes[0].get();

  // 3. The sky picture.
  sky.reset(new Image(folder + u"Skydome.jpg", true));
  if (sky->valid()) {
    prepareSky(*sky, bkgColour, hazeColour);
    const int32_t sw = scaleToScreen(sky->width()), sh = scaleToScreen(sky->height());
    if (sw != sky->width() || sh != sky->height()) {
      std::unique_ptr<Image> scaled(new Image(sw, sh, true));
      if (scaled->valid()) {
        Image::stretchTo(*sky, *scaled, 0, 0, sw, sh, 0, 0, sky->width(), sky->height(), true);
        sky = std::move(scaled);
      }
    }
  }

  // 4. The road texture on a fresh "track" material (the model's record is reused so
  // the meshes keep pointing at it).
  Texture* road = page.imageCache().get(folder, u"track.jpg", true, false);
  if (Material* m = model->findMaterial(u"track")) {
    *m = Material{};
    m->name = u"track";
    m->texture = adapt(road);
  }

  // 5-8. Shape and ring.
  TrackShape shape;
  shape.terrainRolling = t.getFloat(u"terrain.fluctuation", u"rolling", 0);
  shape.terrainZigzag = t.getFloat(u"terrain.fluctuation", u"zigzag", 0);
  shape.trackRolling = t.getFloat(u"track.fluctuation", u"rolling", 0);
  shape.trackBumpy = t.getFloat(u"track.fluctuation", u"bumpy", 0);
  borderLeft = t.getInt(u"track.border", u"left", -5);
  borderRight = t.getInt(u"track.border", u"right", 5);
  reshape(*trackMesh, shape, &page);
  if (n < 3) return false;
  deriveRing();

  // 9. Normals again, then the grid over the whole model.
  for (auto& mesh : model->meshes) mesh->prepared = 0;
  model->prepare(true);
  grid.build(model, 0, 100, 1, 100);

  // 10. Strips.
  const char16_t* stripKeys[2] = {u"woodsband", u"guardrail"};
  for (int s = 0; s < 2; ++s) {
    const char16_t* key = stripKeys[s];
    if (!t.getString(key)) continue;
    StripLayout layout;
    layout.present = true;
    const os::WString side = t.getString(key, u"sideType").value_or(u"");
    if (side == u"LEFT") layout.right = false;
    if (side == u"RIGHT") layout.left = false;
    layout.height = t.getFloat(key, u"height", 1.0f);
    const int offset = t.getInt(key, u"offset", 0);
    layout.offsetRight = t.getInt(key, u"offsetRight", offset);
    layout.offsetLeft = t.getInt(key, u"offsetLeft", offset);
    auto material = std::make_shared<Material>();
    material->texture = adapt(page.imageCache().get(folder, (os::WString(key) + u".gif").c_str(), true, false));
    material->detailLevel = 1;
    material->twoSided = 1;
    material->applyColourKey();
    Material* stored = model->addMaterial(key, material);
    int sides = 0;
    std::shared_ptr<Mesh> mesh = buildStrip(layout, s == 0, sides, &page);
    mesh->material = stored;
    Mesh* added = model->addMesh(key, mesh);
    added->prepare(true);
    if (s == 0) {
      woodsMesh = added;
      woodsSides = sides;
    } else {
      railMesh = added;
      railSides = sides;
    }
  }

  // 11. Decorations.
  std::set<Texture*> tinted;
  auto tintTexture = [&](Texture* texture, bool onlyUnkeyed) {
    if (texture == nullptr || !texture->valid() || tinted.count(texture)) return;
    tinted.insert(texture);
    for (int f = 0; f < texture->frameCount; ++f) {
      Image* frame = texture->frameImage(f);
      if (frame == nullptr) continue;
      if (onlyUnkeyed && frame->transparentColour() >= 0) continue;
      tintPicture(*frame, ambientColour, false);
    }
  };
  const std::vector<os::WString> keys = t.keys();
  for (size_t keyIndex = 0; keyIndex < keys.size(); ++keyIndex) {
    const os::WString& key = keys[keyIndex];
    if (!contains(key, u"track.decor.")) continue;
    auto value = t.getString(key);
    if (!value) continue;
    ValueList items(*value, u',', u':');
    const char16_t* modelName = items.lookup(u"model");
    const float sizeRandom = items.getFloat(u"sizeRandom", 0);
    Group3D* object = nullptr;
    float widthValue = 0, heightValue = 0;
    if (modelName == nullptr) {
      const char16_t* textureName = items.lookup(u"texture");
      Texture* texture = textureName ? page.imageCache().get(folder, textureName, true, false) : nullptr;
      tintTexture(texture, true);
      const float r = randf(-sizeRandom, sizeRandom);
      MaterialTexture* mt = adapt(texture);
      std::unique_ptr<Chip3D> chip =
          Chip3D::create(0.005f + 0.01f * r, truncToInt(double(items.getFloat(u"width", 1.0f) * 100)),
                         truncToInt(double(items.getFloat(u"height", 1.0f) * 100)), Chip3D::Upright, mt, mt, false);
      if (!chip) continue;
      for (auto& m : chip->materials) m->applyColourKey();
      widthValue = chip->width;
      heightValue = chip->height;
      object = chip.release();
      scene.add3DObject(key, object, true);
    } else {
      object = models.getModel(folder, modelName, items.getFloat(u"radius", 1.0f) + randf(-sizeRandom, sizeRandom));
      if (object == nullptr) continue;
      Vector3 lo, hi;
      bool any = false;
      for (auto& mesh : object->meshes) {
        Vector3 a, b;
        if (!mesh->bounds(a, b)) continue;
        if (!any) { lo = a; hi = b; any = true; }
        lo = Vector3{std::min(lo.x, a.x), std::min(lo.y, a.y), std::min(lo.z, a.z)};
        hi = Vector3{std::max(hi.x, b.x), std::max(hi.y, b.y), std::max(hi.z, b.z)};
      }
      widthValue = (hi.x - lo.x) / 2;
      heightValue = (hi.y - lo.y) / 2;
      if (const char16_t* tex = items.lookup(u"texture")) {
        os::WStringView field(tex);
        const size_t semi = field.find(u';');
        if (semi != os::WStringView::npos) {
          const int index = std::atoi(os::toUtf8(field.substr(0, semi)).c_str());
          Texture* texture = page.imageCache().get(folder, os::WString(field.substr(semi + 1)).c_str(), true, false);
          tintTexture(texture, true);
          if (index >= 0 && size_t(index) < object->materials.size())
            object->materials[size_t(index)]->texture = adapt(texture);
        }
      }
      object->type = ObjectTypeGroup3D;
      scene.add3DObject(key, object, false);
    }
    object->type = ObjectTypeGroup3D;
    object->setDetailLevel(items.getInt(u"detailLevel", 1));
    object->billboard = items.getInt(u"billboard", 0);
    DecorationPlacement placement;
    placement.widthValue = widthValue;
    placement.heightValue = heightValue;
    placement.aspectAngle = items.getFloat(u"aspectAngle", -1000.0f);
    placement.lateral = -items.getInt(u"offset", 0);
    placement.offsetRandom = items.getFloat(u"offsetRandom", 0);
    const bool billboardKey = contains(key, u"billboard");
    const int number = std::max(1, items.getInt(u"number", 1));
    for (int c = 0; c < number; ++c) {
      Group3D* instance = object;
      if (c > 0) {
        std::unique_ptr<Group3D> copy = object->clone();
        instance = copy.release();
        instance->type = ObjectTypeGroup3D;
        scene.add3DObject(key, instance, true);
      }
      decorations.push_back(Decoration{instance, placement});
      if (billboardKey) ++billboardCount;
    }
    drawProgressBar(&page, u"Set up track decoration", int(100 * (keyIndex + 1) / keys.size()));
  }
  orderDecorations();

  // 12. The checkpoint arch at the start and finish line.
  arch = models.getModel(folder, u"..\\common\\checkpoint.3DS", 12.0f);
  if (arch != nullptr) {
    arch->setDetailLevel(1);
    const Vector3 z{0, 0, 1};
    arch->placement = quaternionToMatrix(shortestArc(z, back[size_t(checkpoint[4])]));
    setTranslation(arch->placement, centre[size_t(checkpoint[4])] + Vector3{0, 3, 0});
    Texture* banner = page.imageCache().get(folder, u"..\\common\\checkpoint.jpg", true, false);
    tintTexture(banner, true);
    if (Material* m = arch->findMaterial(u"banner")) m->texture = adapt(banner);
    arch->type = ObjectTypeGroup3D;
    scene.add3DObject(u"checkpoint", arch, false);
  }

  // 13.
  model->setDetailLevel(1);
  return true;
}
