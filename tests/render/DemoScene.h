// A generated winter scene for the demonstration render and the renderer benchmark: a
// snow field, a banked track strip with lane marks, a striped ball lit per vertex, fir
// chips with alpha textures, one sun light and distance fog. Everything (pictures
// included) is made here from code, deterministically.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine3d/Camera.h"
#include "engine3d/Chip3D.h"
#include "engine3d/Group3D.h"
#include "engine3d/Material.h"
#include "engine3d/MaterialTexture.h"
#include "engine3d/Renderer3D.h"
#include "engine3d/Scene3D.h"
#include "image/Image.h"

namespace demo {

struct Picture : MaterialTexture {
  std::unique_ptr<Image> image;
  Picture(int w, int h, int bits) : image(new Image(w, h, bits == 16)) {}
  Image* currentImage() override { return image.get(); }
  int width() const override { return image->width(); }
  int height() const override { return image->height(); }
  int32_t transparentColour() const override { return -1; }
  bool isAnimated() const override { return false; }
  int lastAdvancedFrame() const override { return -1; }
  void advance(float, int) override {}
};

// A page stand-in: the scene fills a surface of its own size, sky-coloured each frame.
struct Host : RenderHost {
  std::unique_ptr<Image> surface;
  int width, height;
  uint32_t sky = 0x9CC4E8;
  Host(int w, int h, int bits) : surface(new Image(w, h, bits == 16)), width(w), height(h) {}
  Image* renderSurface(int& x, int& y) override {
    x = y = 0;
    return surface.get();
  }
  int sceneWidth() const override { return width; }
  int sceneHeight() const override { return height; }
  void scenePosition(int& x, int& y) const override { x = y = 0; }
  void clientSize(int& w, int& h) const override {
    w = width;
    h = height;
  }
  void paintBackground(Image& target, int x, int y) override { target.fill(sky, x, y, width, height); }
  void presentSurface(const Image&, int, int) override {}
};

inline uint32_t hash(uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352d;
  x ^= x >> 15;
  x *= 0x846ca68b;
  x ^= x >> 16;
  return x;
}

inline uint32_t rgb(int r, int g, int b) {
  auto c = [](int v) { return uint32_t(v < 0 ? 0 : (v > 255 ? 255 : v)); };
  return (c(r) << 16) | (c(g) << 8) | c(b);
}

// Adds a face ordered so that its stored normal points along `hidden` (the engine keeps
// normals on the invisible side).
inline void addFaceHiding(Mesh& mesh, int a, int b, int c, float hx, float hy, float hz) {
  const MeshVertex &A = mesh.vertices[size_t(a)], &B = mesh.vertices[size_t(b)], &C = mesh.vertices[size_t(c)];
  double e1x = B.x - A.x, e1y = B.y - A.y, e1z = B.z - A.z;
  double e2x = C.x - B.x, e2y = C.y - B.y, e2z = C.z - B.z;
  double nx = e1y * e2z - e1z * e2y, ny = e1z * e2x - e1x * e2z, nz = e1x * e2y - e1y * e2x;
  if (nx * hx + ny * hy + nz * hz >= 0)
    mesh.addFace(a, b, c);
  else
    mesh.addFace(a, c, b);
}

struct Scene {
  demo::Host host;
  ::Scene3D scene;
  std::vector<std::unique_ptr<Picture>> pictures;
  Group3D* ball = nullptr;

  Picture* picture(int w, int h, int bits) {
    pictures.emplace_back(new Picture(w, h, bits));
    return pictures.back().get();
  }

  // cells: snow field cells per side (2 triangles each); ballRings: the ball's rings.
  Scene(int width, int height, int bits, int cells = 24, int ballRings = 16) : host(width, height, bits) {
    // Snow: bright with blue-grey grain.
    Picture* snow = picture(64, 64, bits);
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) {
        int n = int(hash(uint32_t(y * 64 + x)) % 24);
        snow->image->setPixel(x, y, rgb(226 - n, 232 - n, 246 - n / 2));
      }
    // Track: packed grey-brown snow, dark edges, a dashed centre line.
    Picture* track = picture(32, 64, bits);
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 32; ++x) {
        int n = int(hash(uint32_t(7000 + y * 32 + x)) % 20);
        uint32_t c = rgb(150 - n, 140 - n, 130 - n);
        if (x < 2 || x > 29) c = rgb(70, 60, 60);
        if ((x == 15 || x == 16) && (y / 8) % 2 == 0) c = rgb(240, 200, 40);
        track->image->setPixel(x, y, c);
      }
    // Ball: red and white stripes.
    Picture* stripes = picture(64, 32, bits);
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 64; ++x) stripes->image->setPixel(x, y, ((x / 8) % 2) ? rgb(250, 250, 250) : rgb(210, 30, 40));
    // Fir: green body; alpha is a soft-edged triangle.
    Picture* fir = picture(32, 64, bits);
    Picture* firAlpha = picture(32, 64, bits);
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 32; ++x) {
        int n = int(hash(uint32_t(9000 + y * 32 + x)) % 40);
        fir->image->setPixel(x, y, y > 56 ? rgb(90, 60, 30) : rgb(20 + n / 2, 90 + n, 40 + n / 2));
        float half = y > 56 ? 2.5f : 1.0f + 14.0f * float(y) / 56.0f;
        float d = std::fabs(float(x) - 15.5f) - half;
        int a = d <= -1.5f ? 255 : (d >= 0.5f ? 0 : int(255 * (0.5f - d) / 2.0f));
        firAlpha->image->setPixel(x, y, rgb(a, a, a));
      }

    // Snow field: a grid from z = -10 to 150, x = -80 to 80, gently rolling.
    {
      std::unique_ptr<Group3D> g(new Group3D());
      auto m = std::make_shared<Material>();
      m->texture = snow;
      m->detailLevel = 3;
      m->colour = 0xFFFFFF;
      Material* mat = g->addMaterial(u"snow", m);
      Mesh* mesh = g->addMesh(u"field");
      mesh->material = mat;
      const float x0 = -80, z0 = -10, size = 160;
      const int n = cells;
      for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i) {
          float x = x0 + size * float(i) / float(n), z = z0 + size * float(j) / float(n);
          float y = -0.3f + 0.6f * std::sin(x * 0.15f) * std::cos(z * 0.11f);
          mesh->addVertex(x, y, z, int32_t(float(i) * 65536.0f * 1.5f), int32_t(float(j) * 65536.0f * 1.5f));
        }
      for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
          int a = j * (n + 1) + i, b = a + 1, c = a + n + 1, d = c + 1;
          addFaceHiding(*mesh, a, b, d, 0, -1, 0);
          addFaceHiding(*mesh, a, d, c, 0, -1, 0);
        }
      g->culling = Group3D::CullNever;
      scene.addObject(u"grpField", std::unique_ptr<SceneObject>(g.release()));
    }
    // Track strip: a curving band 8 units wide just above the snow, drawn on top of it.
    {
      std::unique_ptr<Group3D> g(new Group3D());
      auto m = std::make_shared<Material>();
      m->texture = track;
      m->detailLevel = 1;
      Material* mat = g->addMaterial(u"track", m);
      Mesh* mesh = g->addMesh(u"strip");
      mesh->material = mat;
      const int segments = cells * 4;
      for (int s = 0; s <= segments; ++s) {
        float z = -8.0f + 150.0f * float(s) / float(segments);
        float cx = 6.0f * std::sin(z * 0.05f);
        for (int side = 0; side < 2; ++side)
          mesh->addVertex(cx + (side ? 4.0f : -4.0f), 0.45f, z, side ? 65536 : 0, int32_t(float(s) * 65536.0f * 0.5f));
      }
      for (int s = 0; s < segments; ++s) {
        int a = 2 * s, b = a + 1, c = a + 2, d = a + 3;
        addFaceHiding(*mesh, a, b, d, 0, -1, 0);
        addFaceHiding(*mesh, a, d, c, 0, -1, 0);
      }
      mesh->depthBias = 0.05f;
      g->culling = Group3D::CullNever;
      scene.addObject(u"grpTrack", std::unique_ptr<SceneObject>(g.release()));
    }
    // The ball: a UV sphere of radius 2, per-vertex lighting.
    {
      std::unique_ptr<Group3D> g(new Group3D());
      auto m = std::make_shared<Material>();
      m->texture = stripes;
      m->detailLevel = 4;
      m->specularLevel = 160;
      Material* mat = g->addMaterial(u"ball", m);
      Mesh* mesh = g->addMesh(u"sphere");
      mesh->material = mat;
      const int rings = ballRings, segs = ballRings * 2;
      const float r = 2.0f;
      for (int i = 0; i <= rings; ++i)
        for (int j = 0; j <= segs; ++j) {
          float th = 3.14159265f * float(i) / float(rings), ph = 6.2831853f * float(j) / float(segs);
          mesh->addVertex(r * std::sin(th) * std::cos(ph), r * std::cos(th), r * std::sin(th) * std::sin(ph),
                          int32_t(65536.0f * 2.0f * float(j) / float(segs)), int32_t(65536.0f * float(i) / float(rings)));
        }
      for (int i = 0; i < rings; ++i)
        for (int j = 0; j < segs; ++j) {
          int a = i * (segs + 1) + j, b = a + 1, c = a + segs + 1, d = c + 1;
          auto inward = [&](int p, int q, int s) {
            const MeshVertex &P = mesh->vertices[size_t(p)], &Q = mesh->vertices[size_t(q)], &S = mesh->vertices[size_t(s)];
            float mx = float(P.x + Q.x + S.x), my = float(P.y + Q.y + S.y), mz = float(P.z + Q.z + S.z);
            addFaceHiding(*mesh, p, q, s, -mx, -my, -mz);
          };
          if (i != 0) inward(a, b, d);
          if (i != rings - 1) inward(a, d, c);
        }
      g->radius = 2.0f;
      setTranslation(g->placement, Vector3{-1.5f, 2.2f, 14.0f});
      ball = g.get();
      scene.addObject(u"grpBall", std::unique_ptr<SceneObject>(g.release()));
    }
    // Firs along the track: upright chips with alpha textures.
    for (int k = 0; k < 12; ++k) {
      std::unique_ptr<Chip3D> chip = Chip3D::create(1.0f, 2, 4, Chip3D::Upright, fir, firAlpha, k % 2 == 1);
      float z = 10.0f + 11.0f * float(k / 2);
      float side = (k % 2) ? 1.0f : -1.0f;
      float cx = 6.0f * std::sin(z * 0.05f) + side * (9.0f + float(k % 3));
      setTranslation(chip->placement, Vector3{cx, 3.6f, z});
      chip->culling = Group3D::CullObject;
      chip->radius = 4.0f;
      scene.addObject(u"chipFir" + std::u16string(1, char16_t(u'a' + k)), std::unique_ptr<SceneObject>(chip.release()));
    }

    LightRecord sun;
    sun.diffuse = 0xFFF4E0;
    sun.specular = 0xFFFFFF;
    sun.direction = Vector3{-0.6f, -0.7f, 0.4f};
    scene.addLight(u"sun", sun);
    scene.ambient = 0x40485C;
    scene.fog.reset(new FogRecord{40, 140, 0xC8D8EC});
    host.sky = 0xC8D8EC;

    start3D(scene, &host, 0);
    scene.camera->setPosition(0, 4.5f, -6);
    scene.camera->setTarget(0, 1.5f, 20);
  }

  Renderer3D& renderer() { return *static_cast<Renderer3D*>(scene.renderer.get()); }
};

}  // namespace demo
