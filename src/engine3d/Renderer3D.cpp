// The render pipeline: depth buffer, gathering and culling, depth sort, fixed-point
// vertex transform and projection, back faces, near-plane splits, face hooks and the
// hand-over to the Rasterizer. Per frame nothing is allocated once the render list has
// grown to the scene's mesh count.
#include "engine3d/Renderer3D.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "engine3d/Camera.h"
#include "engine3d/Fixed.h"
#include "engine3d/Group3D.h"
#include "engine3d/Material.h"
#include "engine3d/ModelHost.h"
#include "engine3d/Scene3D.h"
#include "image/Image.h"
#include "platform/Types.h"

namespace {

// Detail levels outside 1..4 shade like level 5 (lighting included).
int effectiveLevel(int level) { return (level >= 1 && level <= 4) ? level : 5; }

int clampScreen(int64_t v) { return v < -4096 ? -4096 : (v > 4095 ? 4095 : int(v)); }

int32_t fixedOf(float v) { return truncToInt(double(v) * 65536.0); }

}  // namespace

Renderer3D::Renderer3D(Scene3D& scene, RenderHost& host) : scene_(scene), host_(host) {
  list_.reserve(256);
  resizeDepth(host.sceneWidth(), host.sceneHeight());
  int ox = 0, oy = 0;
  Image* surface = host.renderSurface(ox, oy);
  if (surface == nullptr || !surface->valid()) {
    int cw = 0, ch = 0;
    host.clientSize(cw, ch);
    ownSurface_.reset(new Image(cw, ch, true));
    surface = ownSurface_.get();
    host.scenePosition(ox, oy);
  }
  bits_ = (surface != nullptr && surface->valid() && surface->bitsPerPixel() == 32) ? 32 : 16;
  lighting_.build(scene_.lights, scene_.ambient, bits_);
  if (surface != nullptr && surface->valid()) bindSurface(surface, ox, oy);
}

Renderer3D::~Renderer3D() = default;

void Renderer3D::resizeDepth(int width, int height) {
  width_ = width > 0 ? width : 0;
  height_ = height > 0 ? height : 0;
  depth_.assign(size_t(width_) * size_t(height_), 0xFFFFFFFFu);
}

bool Renderer3D::bindSurface(Image* surface, int originX, int originY) {
  if (surface == nullptr || !surface->valid()) return false;
  int bits = surface->bitsPerPixel() == 32 ? 32 : 16;
  if (bits != bits_) {
    bits_ = bits;
    lighting_.build(scene_.lights, scene_.ambient, bits_);
  }
  RasterTarget t;
  t.bits = bits_;
  t.pitch = surface->rowStep();
  t.pixels = surface->pixels() + intptr_t(originY) * t.pitch + intptr_t(originX) * surface->pixelStep();
  t.width = width_ < surface->width() - originX ? width_ : surface->width() - originX;
  t.height = height_ < surface->height() - originY ? height_ : surface->height() - originY;
  t.clipLeft = originX < 0 ? -originX : 0;
  t.clipTop = originY < 0 ? -originY : 0;
  if (t.width < t.clipLeft) t.width = t.clipLeft;
  if (t.height < t.clipTop) t.height = t.clipTop;
  t.depth = depth_.data();
  t.depthPitch = width_;
  t.diffuse = lighting_.diffuse();
  t.specular = lighting_.specular();
  const RasterTarget& old = raster_.target();
  if (old.pixels != t.pixels || old.pitch != t.pitch || old.bits != t.bits || old.width != t.width ||
      old.height != t.height || old.clipLeft != t.clipLeft || old.clipTop != t.clipTop || old.depth != t.depth ||
      old.diffuse != t.diffuse)
    raster_.create(t);
  return true;
}

void Renderer3D::rebuildLighting() { lighting_.build(scene_.lights, scene_.ambient, bits_); }

int Renderer3D::depthAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return -1;
  return int32_t(depth_[size_t(y) * size_t(width_) + size_t(x)]) >> 16;
}

os::WString Renderer3D::identification() const { return u"Kestrune software renderer 1.0 (16.16 fixed point)"; }

bool Renderer3D::outsideView(const Vector3& centre, float radius, int32_t nearFixed, int32_t farFixed) const {
  const int64_t r = truncToInt(double(radius) * 72089.6);
  const int64_t z = fixedOf(centre.z);
  if (z > int64_t(farFixed) + r || z < int64_t(nearFixed) - r) return true;
  const int64_t e = (std::llabs(z + r) >> 10) * tangent_;
  int64_t limitX, limitY;
  if (aspect_ >= 1024) {
    limitX = (e >> 10) * aspect_;
    limitY = e;
  } else {
    limitX = e;
    limitY = (e / (aspect_ > 0 ? aspect_ : 1)) << 10;
  }
  return std::llabs(int64_t(fixedOf(centre.x))) - r > limitX || std::llabs(int64_t(fixedOf(centre.y))) - r > limitY;
}

void Renderer3D::render(float seconds) {
  if (seconds > 0) ++frame_;
  material_ = nullptr;
  stats_ = Statistics();
  if (host_.sceneWidth() != width_ || host_.sceneHeight() != height_)
    resizeDepth(host_.sceneWidth(), host_.sceneHeight());

  int ox = 0, oy = 0;
  Image* surface;
  if (ownSurface_) {
    surface = ownSurface_.get();
    host_.scenePosition(ox, oy);
  } else {
    surface = host_.renderSurface(ox, oy);
  }
  if (surface == nullptr || !surface->valid()) return;
  host_.paintBackground(*surface, ox, oy);
  bindSurface(surface, ox, oy);

  // A depth source of the same size hands its buffer on; anything else starts far.
  const Renderer3D* source = nullptr;
  if (scene_.depthSource != nullptr && scene_.depthSource != &scene_)
    source = dynamic_cast<const Renderer3D*>(scene_.depthSource->renderer.get());
  if (source != nullptr && source->width_ == width_ && source->height_ == height_)
    std::memcpy(depth_.data(), source->depth_.data(), depth_.size() * sizeof(uint32_t));
  else
    std::fill(depth_.begin(), depth_.end(), 0xFFFFFFFFu);

  raster_.beginFrame(scene_.fog.get());

  Camera* camera = scene_.camera.get();
  if (camera != nullptr) {
    viewportWidth_ = camera->viewportWidth();
    viewportHeight_ = camera->viewportHeight();
    centreX_ = viewportWidth_ >> 1;
    centreY_ = viewportHeight_ >> 1;
    focal_ = camera->focalLength();
    tangent_ = camera->tangent();
    aspect_ = camera->aspect();
    cameraNear_ = fixedOf(camera->nearDistance());
    cameraFar_ = fixedOf(camera->farDistance());
    gather(seconds);
    if (!list_.empty()) sortList(0, int(list_.size()) - 1);
    raster_.depthWrite = true;
    bool translucentSeen = false;
    for (const Entry& entry : list_) {
      const Material* m = entry.mesh->material;
      if (!translucentSeen && !m->isOpaque()) {
        translucentSeen = true;
        if (m->detailLevel != 1 && m->detailLevel != 3) raster_.depthWrite = false;
      }
      drawMesh(entry);
    }
  }
  raster_.depthWrite = true;
  list_.clear();
  if (ownSurface_) host_.presentSurface(*ownSurface_, ox, oy);
}

void Renderer3D::gather(float seconds) {
  const Matrix4& view = scene_.camera->viewMatrix();
  const size_t count = scene_.objectCount();
  for (size_t i = 0; i < count; ++i) {
    SceneObject* object = scene_.objectAt(i);
    if (object == nullptr || !object->visible) continue;
    Group3D* g = dynamic_cast<Group3D*>(object);
    if (g == nullptr) continue;
    g->updateTextures(seconds, frame_);
    const int32_t nearFixed = g->nearOverride > 0 ? fixedOf(g->nearOverride) : cameraNear_;
    const int32_t farFixed = g->farOverride > 0 ? fixedOf(g->farOverride) : cameraFar_;
    g->drawnPlacement = g->placement;
    multiply(g->modelView, view, g->drawnPlacement);
    if (g->billboard == Group3D::BillboardScreen) {
      for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) g->modelView.at(r, c) = r == c ? 1.0f : 0.0f;
    } else if (g->billboard == Group3D::BillboardUpright) {
      const Vector3 up{0, 1, 0};
      Vector3 f = rotateDirection(g->modelView, Vector3{0, 0, 1});
      Vector3 s = normalized(cross(up, f));
      Vector3 f2 = normalized(cross(s, up));
      Matrix4 b;
      b.at(0, 0) = s.x, b.at(0, 1) = s.y, b.at(0, 2) = s.z;
      b.at(1, 0) = 0, b.at(1, 1) = 1, b.at(1, 2) = 0;
      b.at(2, 0) = f2.x, b.at(2, 1) = f2.y, b.at(2, 2) = f2.z;
      postMultiply(g->drawnPlacement, b);
      multiply(g->modelView, view, g->drawnPlacement);
    }
    const Vector3 position = getTranslation(g->modelView);
    if (g->culling == Group3D::CullObject && outsideView(position, g->radius, nearFixed, farFixed)) continue;

    const MeshList* meshes = &g->meshes;
    if (g->levels && g->levelCount > 0 && g->levelSegment > 0) {
      int level = truncToInt(double(std::fabs(position.z / g->levelSegment))) - 1;
      if (level >= 0) {
        int index = level < g->levelCount - 1 ? level : g->levelCount - 1;
        if (index < int(g->levels->lists.size())) meshes = &g->levels->lists[size_t(index)];
      }
    }
    bool any = false;
    for (const auto& handle : *meshes) {
      Mesh* mesh = handle.get();
      if (mesh == nullptr || !mesh->visible || mesh->material == nullptr) continue;
      const bool opaque = mesh->material->isOpaque();
      Matrix4 meshView;
      multiply(meshView, g->modelView, mesh->local);
      const Vector3 c = transformPoint(meshView, mesh->centre);
      const int k = truncToInt(double(c.z * 10.0f));
      const int key = opaque ? 65536 - k : k;
      if (g->culling == Group3D::CullEachMesh && outsideView(c, mesh->radius, nearFixed, farFixed)) continue;
      mesh->sortKey = key;
      list_.push_back(Entry{mesh, g, key});
      any = true;
    }
    if (any) ++stats_.objectsDrawn;
  }
}

// Largest key first; the pivot is the mean of the range's first and last keys.
void Renderer3D::sortList(int first, int last) {
  while (first < last) {
    const int pivot = int((int64_t(list_[size_t(first)].key) + list_[size_t(last)].key) / 2);
    int i = first, j = last;
    while (i <= j) {
      while (list_[size_t(i)].key > pivot) ++i;
      while (list_[size_t(j)].key < pivot) --j;
      if (i <= j) {
        std::swap(list_[size_t(i)], list_[size_t(j)]);
        ++i;
        --j;
      }
    }
    // Recurse into the smaller part so the stack stays shallow.
    if (j - first < last - i) {
      sortList(first, j);
      first = i;
    } else {
      sortList(i, last);
      last = j;
    }
  }
}

void Renderer3D::drawMesh(const Entry& entry) {
  Mesh& mesh = *entry.mesh;
  Group3D& g = *entry.owner;
  const Material& m = *mesh.material;
  near_ = g.nearOverride > 0 ? fixedOf(g.nearOverride) : cameraNear_;
  far_ = g.farOverride > 0 ? fixedOf(g.farOverride) : cameraFar_;
  const bool lighting = effectiveLevel(m.detailLevel) >= 3;
  vertexLighting_ = lighting && !m.flat;
  faceLighting_ = lighting && m.flat;

  Matrix4 meshView;
  multiply(meshView, g.modelView, mesh.local);
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) rot_[r * 3 + c] = truncToInt(double(meshView.at(r, c)) * 8192.0);
    trans_[r] = fixedOf(meshView.at(r, 3));
  }
  if (lighting) {
    Matrix4 world;
    multiply(world, g.drawnPlacement, mesh.local);
    for (int c = 0; c < 3; ++c) {
      light0_[c] = fixedOf(world.at(0, c)) >> 5;
      light1_[c] = fixedOf(world.at(1, c)) >> 5;
    }
    raster_.setLightingRotation(light0_, light1_);
  }
  if (material_ != &m) {
    raster_.setMaterial(m);
    material_ = &m;
  }
  raster_.setMesh(mesh);

  for (MeshVertex& v : mesh.vertices) transformVertex(v);
  stats_.verticesTransformed += int(mesh.vertices.size());

  const int faceCount = int(mesh.faces.size());
  int ranges[2][2] = {{0, faceCount}, {0, 0}};
  if (mesh.drawFirst >= 0 && mesh.drawLast >= 0) {
    const int first = mesh.drawFirst, last = mesh.drawLast;
    if (last >= first) {
      ranges[0][0] = first;
      ranges[0][1] = last < faceCount ? last : faceCount;
    } else {
      ranges[0][0] = first;
      ranges[0][1] = faceCount;
      ranges[1][0] = 0;
      ranges[1][1] = last < faceCount ? last : faceCount;
    }
  }
  hook_ = mesh.faceHook;
  const uint32_t vertexCount = uint32_t(mesh.vertices.size());
  MeshVertex* vertices = mesh.vertices.data();
  for (const auto& range : ranges) {
    for (int f = range[0]; f < range[1]; ++f) {
      const MeshFace& face = mesh.faces[size_t(f)];
      // Indices are signed 16-bit; a face naming no vertex of this mesh is skipped.
      if (uint32_t(int32_t(face.a)) >= vertexCount || uint32_t(int32_t(face.b)) >= vertexCount ||
          uint32_t(int32_t(face.c)) >= vertexCount) {
        ++stats_.trianglesRejected;
        continue;
      }
      MeshVertex& a = vertices[face.a];
      MeshVertex& b = vertices[face.b];
      MeshVertex& c = vertices[face.c];
      const int code = classify(face, a, b, c);
      if (code < 0) {
        ++stats_.trianglesRejected;
        continue;
      }
      face_ = &face;
      if (faceLighting_) raster_.setFaceNormal(face.nx, face.ny, face.nz);
      if (code == 0)
        drawTriangle(a, b, c);
      else
        drawSplit(code, a, b, c);
    }
  }
  hook_ = nullptr;
}

void Renderer3D::transformVertex(MeshVertex& v) const {
  const int64_t x = v.x >> 9, y = v.y >> 9, z = v.z >> 9;
  v.cx = int32_t(trans_[0] + ((rot_[0] * x + rot_[1] * y + rot_[2] * z) >> 4));
  v.cy = int32_t(trans_[1] + ((rot_[3] * x + rot_[4] * y + rot_[5] * z) >> 4));
  v.cz = int32_t(trans_[2] + ((rot_[6] * x + rot_[7] * y + rot_[8] * z) >> 4));
  if (v.cz < near_) {
    v.clip = 16;
    return;
  }
  v.clip = 0;
  project(v);
}

void Renderer3D::project(MeshVertex& v) const {
  int32_t d = v.cz >> 5;
  // Near distances below 1/2048 unit would leave nothing to divide by.
  if (d <= 0) d = 1;
  v.sx = clampScreen((int64_t(v.cx >> 5) * focal_) / d + centreX_);
  v.sy = clampScreen(centreY_ - (int64_t(v.cy >> 5) * focal_) / d);
  v.depth = v.cz >> 16;
  int flags = v.clip & 64;
  if (v.sx < 0) flags |= 1;
  if (v.sx > viewportWidth_) flags |= 2;
  if (v.sy < 0) flags |= 4;
  if (v.sy > viewportHeight_) flags |= 8;
  if (v.cz > far_) flags |= 32;
  v.clip = flags;
}

void Renderer3D::lightCoordinates(MeshVertex& v) const {
  const int64_t nx = v.nx >> 5, ny = v.ny >> 5, nz = v.nz >> 5;
  const int64_t du = (light0_[0] * nx + light0_[1] * ny + light0_[2] * nz) >> 6;
  const int64_t dv = (light1_[0] * nx + light1_[1] * ny + light1_[2] * nz) >> 6;
  int u = int(((du * 127) >> 16) + 127), w = int(((dv * 127) >> 16) + 127);
  // Scaled placements can lengthen normals; keep to the map's 0..254.
  v.lu = u < 0 ? 0 : (u > 254 ? 254 : u);
  v.lv = w < 0 ? 0 : (w > 254 ? 254 : w);
}

int Renderer3D::classify(const MeshFace& face, MeshVertex& a, MeshVertex& b, MeshVertex& c) const {
  if ((a.clip & b.clip & c.clip) != 0) return -1;
  if (!material_->twoSided) {
    const int64_t nx = face.nx >> 5, ny = face.ny >> 5, nz = face.nz >> 5;
    const int64_t rx = (rot_[0] * nx + rot_[1] * ny + rot_[2] * nz) >> 16;
    const int64_t ry = (rot_[3] * nx + rot_[4] * ny + rot_[5] * nz) >> 16;
    const int64_t rz = (rot_[6] * nx + rot_[7] * ny + rot_[8] * nz) >> 16;
    const int64_t dotP = rx * (a.cx >> 6) + ry * (a.cy >> 6) + rz * (a.cz >> 6);
    if (dotP <= 0) return -1;
  }
  const int code = (a.clip == 16 ? 1 : 0) + (b.clip == 16 ? 2 : 0) + (c.clip == 16 ? 4 : 0);
  if (vertexLighting_) {
    lightCoordinates(a);
    lightCoordinates(b);
    lightCoordinates(c);
  }
  return code;
}

bool Renderer3D::intersect(const MeshVertex& p, const MeshVertex& q, MeshVertex& out) const {
  const int64_t dz = int64_t(q.cz) - p.cz;
  if (std::llabs(dz) < 4096) return false;
  const int64_t t = ((int64_t(near_) - p.cz) * 32) / dz;
  auto mix = [t](int32_t a, int32_t b) { return int32_t(a + ((int64_t(b - int64_t(a)) * t) >> 5)); };
  out.cx = mix(p.cx, q.cx);
  out.cy = mix(p.cy, q.cy);
  out.u = mix(p.u, q.u);
  out.v = mix(p.v, q.v);
  if (vertexLighting_) {
    out.nx = mix(p.nx, q.nx);
    out.ny = mix(p.ny, q.ny);
    out.nz = mix(p.nz, q.nz);
  }
  out.cz = near_;
  out.clip = 64;
  project(out);
  if (vertexLighting_) lightCoordinates(out);
  return true;
}

void Renderer3D::drawSplit(int code, MeshVertex& a, MeshVertex& b, MeshVertex& c) {
  MeshVertex& i1 = scratch_[0];
  MeshVertex& i2 = scratch_[1];
  bool ok = true;
  switch (code) {
    case 1:  // a behind
      ok = intersect(b, a, i1) && intersect(c, a, i2);
      if (ok) {
        drawTriangle(i1, b, c);
        drawTriangle(i2, i1, c);
      }
      break;
    case 2:  // b behind
      ok = intersect(c, b, i1) && intersect(a, b, i2);
      if (ok) {
        drawTriangle(i1, c, a);
        drawTriangle(i2, i1, a);
      }
      break;
    case 4:  // c behind
      ok = intersect(a, c, i1) && intersect(b, c, i2);
      if (ok) {
        drawTriangle(i1, a, b);
        drawTriangle(i2, i1, b);
      }
      break;
    case 3:  // a and b behind
      ok = intersect(c, b, i1) && intersect(c, a, i2);
      if (ok) drawTriangle(c, i2, i1);
      break;
    case 5:  // a and c behind
      ok = intersect(b, a, i1) && intersect(b, c, i2);
      if (ok) drawTriangle(b, i2, i1);
      break;
    case 6:  // b and c behind
      ok = intersect(a, c, i1) && intersect(a, b, i2);
      if (ok) drawTriangle(a, i2, i1);
      break;
    default:  // all three behind share the flag and never get here
      ok = false;
      break;
  }
  if (!ok) ++stats_.trianglesRejected;
}

void Renderer3D::drawTriangle(MeshVertex& a, MeshVertex& b, MeshVertex& c) {
  if (hook_ != nullptr) {
    hook_->depth = 0;
    hook_->face = face_;
    hook_->vertex0 = &a;
    hook_->vertex1 = &b;
    hook_->vertex2 = &c;
    hookMaxDepth_ = hook_->maxDepth();
    if (hookMaxDepth_ > MaxSubdivision) hookMaxDepth_ = MaxSubdivision;
    subdivideDraw(a, b, c, 0);
    return;
  }
  raster_.setVertices(&a, &b, &c);
  raster_.drawTriangle();
  ++stats_.trianglesDrawn;
}

void Renderer3D::midpoint(const MeshVertex& p, const MeshVertex& q, MeshVertex& out) const {
  auto mean = [](int32_t a, int32_t b) { return int32_t((int64_t(a) + b) >> 1); };
  out.u = mean(p.u, q.u);
  out.v = mean(p.v, q.v);
  out.cx = mean(p.cx, q.cx);
  out.cy = mean(p.cy, q.cy);
  out.cz = mean(p.cz, q.cz);
  if (vertexLighting_) {
    out.nx = mean(p.nx, q.nx);
    out.ny = mean(p.ny, q.ny);
    out.nz = mean(p.nz, q.nz);
  }
  out.clip = 64;
  project(out);
  if (vertexLighting_) lightCoordinates(out);
}

void Renderer3D::subdivideDraw(MeshVertex& a, MeshVertex& b, MeshVertex& c, int level) {
  hook_->vertex0 = &a;
  hook_->vertex1 = &b;
  hook_->vertex2 = &c;
  if (level < MaxSubdivision && hook_->depth < hookMaxDepth_ && hook_->subdivide()) {
    hook_->depth += 1;
    MeshVertex* m = &scratch_[2 + 3 * level];
    midpoint(a, b, m[0]);
    midpoint(b, c, m[1]);
    midpoint(a, c, m[2]);
    subdivideDraw(a, m[0], m[2], level + 1);
    subdivideDraw(m[0], b, m[1], level + 1);
    subdivideDraw(m[2], m[1], c, level + 1);
    subdivideDraw(m[0], m[1], m[2], level + 1);
    hook_->depth -= 1;
    return;
  }
  raster_.setVertices(&a, &b, &c);
  raster_.drawTriangle();
  ++stats_.trianglesDrawn;
}

bool start3D(Scene3D& scene, RenderHost* host, int kind) {
  if (scene.renderer) return true;
  if (host == nullptr) return false;
  if (kind == 0)
    scene.renderer.reset(new Renderer3D(scene, *host));
  else
    showModelMessage(u"Can not create the 3D rendering pipeline.", u"Error", os::MB_OK | os::MB_ICONERROR);
  scene.camera = Camera::create(kind, &scene, host->sceneWidth(), host->sceneHeight(), 45.0f, 1.0f, 10000.0f, 0);
  scene.prepareObjects();
  return scene.renderer != nullptr;
}
