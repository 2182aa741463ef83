// The software render pipeline of a 3D scene: starts each frame from a cleared (or a
// shared) depth buffer, gathers visible objects and meshes with culling, billboards and
// level lists, sorts them (opaque near to far, then translucent far to near), transforms
// and projects vertices in 16.16 fixed point, rejects back faces, splits faces at the
// near plane, lets face hooks subdivide, and hands triangles to the Rasterizer. Where the
// scene lives on the page (surface, position, background) is asked of a RenderHost.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine3d/LightingMap.h"
#include "engine3d/Rasterizer.h"
#include "engine3d/RenderPipeline.h"

class Group3D;
class Image;
class Scene3D;
struct Material;

// What the page tells the renderer about the scene it draws.
class RenderHost {
 public:
  // The surface the scene is drawn into (the page's back buffer or the scene's layer) and
  // where the scene's top-left pixel lies in it; null when there is none.
  virtual Image* renderSurface(int& originX, int& originY) = 0;
  virtual int sceneWidth() const = 0;
  virtual int sceneHeight() const = 0;
  // The scene's position on the page: where a renderer with a surface of its own draws.
  virtual void scenePosition(int& x, int& y) const = 0;
  // The canvas window's client size, the size of a renderer's own surface.
  virtual void clientSize(int& width, int& height) const = 0;
  // The scene's background painting (picture stretched to the scene, or a colour fill)
  // into the target with the scene's top-left pixel at (x, y); runs every frame.
  virtual void paintBackground(Image& target, int x, int y) = 0;
  // A renderer with its own surface shows it in the canvas window after each frame.
  virtual void presentSurface(const Image& surface, int x, int y) = 0;

 protected:
  ~RenderHost() = default;
};

class Renderer3D : public RenderPipeline {
 public:
  struct Statistics {
    int objectsDrawn = 0;
    int verticesTransformed = 0;
    int trianglesDrawn = 0;
    int trianglesRejected = 0;
  };
  // Deepest subdivision a face hook can ask for (deeper requests stop here).
  static constexpr int MaxSubdivision = 12;

  Renderer3D(Scene3D& scene, RenderHost& host);
  ~Renderer3D() override;

  void render(float seconds) override;
  void rebuildLighting() override;
  int depthAt(int x, int y) const override;
  os::WString identification() const override;

  int kind() const { return 0; }
  int frameCounter() const { return frame_; }
  const Statistics& statistics() const { return stats_; }
  const uint32_t* depthBuffer() const { return depth_.data(); }
  int depthWidth() const { return width_; }
  int depthHeight() const { return height_; }
  const LightingMap& lightingMap() const { return lighting_; }
  Rasterizer& rasterizer() { return raster_; }
  bool hasOwnSurface() const { return ownSurface_ != nullptr; }
  Image* ownSurface() const { return ownSurface_.get(); }

  // The view-volume test: true when the sphere (camera-space centre, radius in units)
  // lies outside the view between nearFixed and farFixed (16.16).
  bool outsideView(const Vector3& centre, float radius, int32_t nearFixed, int32_t farFixed) const;

 private:
  struct Entry {
    Mesh* mesh;
    Group3D* owner;
    int key;
  };

  bool bindSurface(Image* surface, int originX, int originY);
  void resizeDepth(int width, int height);
  void gather(float seconds);
  void sortList(int first, int last);
  void drawMesh(const Entry& entry);
  void transformVertex(MeshVertex& v) const;
  void project(MeshVertex& v) const;
  void lightCoordinates(MeshVertex& v) const;
  int classify(const MeshFace& face, MeshVertex& a, MeshVertex& b, MeshVertex& c) const;
  bool intersect(const MeshVertex& inside, const MeshVertex& outside, MeshVertex& out) const;
  void drawSplit(int code, MeshVertex& a, MeshVertex& b, MeshVertex& c);
  void drawTriangle(MeshVertex& a, MeshVertex& b, MeshVertex& c);
  void subdivideDraw(MeshVertex& a, MeshVertex& b, MeshVertex& c, int level);
  void midpoint(const MeshVertex& p, const MeshVertex& q, MeshVertex& out) const;

  Scene3D& scene_;
  RenderHost& host_;
  int frame_ = 0;
  std::unique_ptr<Image> ownSurface_;
  int bits_ = 16;
  std::vector<uint32_t> depth_;
  int width_ = 0, height_ = 0;
  LightingMap lighting_;
  Rasterizer raster_;
  std::vector<Entry> list_;
  Statistics stats_;

  // Per-frame projection values.
  int viewportWidth_ = 0, viewportHeight_ = 0, centreX_ = 0, centreY_ = 0, focal_ = 1;
  int tangent_ = 0, aspect_ = 1024;
  int32_t cameraNear_ = 0, cameraFar_ = 0;
  // Per-mesh state.
  int32_t near_ = 0, far_ = 0;
  const Material* material_ = nullptr;
  int32_t rot_[9] = {};    // 13 fraction bits
  int32_t trans_[3] = {};  // 16.16
  int32_t light0_[3] = {}, light1_[3] = {};  // 11 fraction bits
  bool vertexLighting_ = false;
  bool faceLighting_ = false;
  FaceHook* hook_ = nullptr;
  int hookMaxDepth_ = 0;
  const MeshFace* face_ = nullptr;
  // Clipping points (2) and subdivision midpoints (3 per level).
  MeshVertex scratch_[2 + 3 * (MaxSubdivision + 1)] = {};
};

// Makes a scene drawable (once; a scene that already has a renderer is left alone). With
// a host (the scene belongs to a canvas): kind 0 creates the software renderer, any other
// kind shows "Can not create the 3D rendering pipeline." and creates none; the camera of
// that kind (viewport the scene's size, 45 degrees, near 1, far 10000, follow mode 0) is
// created either way and every object is prepared with bounds. True when a renderer exists.
bool start3D(Scene3D& scene, RenderHost* host, int kind);
