// The software rasterizer: turns projected triangles (vertex records already transformed
// by the renderer) into pixels of a 16-bit 5-6-5 or 32-bit 0x00RRGGBB surface with a
// 32-bit depth buffer (smaller is nearer). Integer fixed point throughout: affine texture
// mapping with wrapping power-of-two textures, lighting by lighting-map lookup, five
// shading detail levels, linear depth fog, alpha textures, colour keys and depth-tested
// wire-frame lines. Not reentrant: one triangle at a time, state kept between calls.
#pragma once

#include <cstdint>

#include "engine3d/LightRecord.h"
#include "engine3d/Mesh.h"

struct Material;

// Where the rasterizer draws. Coordinates are scene pixels: (0, 0) is the scene's
// top-left pixel; only clipLeft..width-1 x clipTop..height-1 is drawn (the clip origin
// is non-zero only when the scene lies partly off its surface).
struct RasterTarget {
  uint8_t* pixels = nullptr;  // address of scene pixel (0, 0) (may lie off the surface)
  int pitch = 0;              // bytes per surface row
  int bits = 16;              // 16 or 32
  int width = 0, height = 0;  // the scene clipped to the surface
  int clipLeft = 0, clipTop = 0;
  uint32_t* depth = nullptr;  // depth of scene pixel (0, 0)
  int depthPitch = 0;         // entries per depth row (the scene width)
  const uint32_t* diffuse = nullptr;   // lighting map tables, 64 x 64, pixel format
  const uint32_t* specular = nullptr;
};

class Rasterizer {
 public:
  Rasterizer();

  // (Re)binds the surface, depth buffer and lighting tables; the depth-write flag is set.
  void create(const RasterTarget& target);
  const RasterTarget& target() const { return target_; }

  // Loads the frame's fog (null: none).
  void beginFrame(const FogRecord* fog);
  void setMaterial(const Material& material);
  void setMesh(const Mesh& mesh);

  // The two first rows of the lighting rotation, 11 fraction bits (flat lighting).
  void setLightingRotation(const int32_t row0[3], const int32_t row1[3]);
  // The current face's stored normal (16.16), for flat lighting.
  void setFaceNormal(int32_t nx, int32_t ny, int32_t nz);
  // The current triangle, in the face's own vertex order.
  void setVertices(const MeshVertex* a, const MeshVertex* b, const MeshVertex* c) {
    a_ = a;
    b_ = b;
    c_ = c;
  }
  void drawTriangle();
  // A depth-tested line in the colour 0xRRGGBB; its depth is camera z - bias (16.16).
  void drawLine(const MeshVertex& v1, const MeshVertex& v2, uint32_t colour, int32_t bias);

  // Cleared by the renderer for translucent meshes; the fast path always writes depth.
  bool depthWrite = true;

  // Colour helpers of both pixel formats (exposed for tests and the renderer).
  static uint32_t toPixel(uint32_t rgb, int bits);
  static uint32_t modulate(uint32_t x, uint32_t y, int bits);
  static uint32_t addSaturate(uint32_t x, uint32_t y, int bits);

  // Per-pixel state; public so the span routines (free templates) can read it.
  struct Shade {
    int level = 1;              // effective detail level 1..5
    bool wire = false;
    int edgeMask = 7;
    uint32_t colour = 0;        // material colour, pixel format
    uint32_t colourRgb = 0;     // the same as 0xRRGGBB (wire frames)
    uint32_t self = 0;          // self-illumination, pixel format
    bool selfOn = false;
    int transparency = 0;
    int specularLevel = 255;
    bool flat = false;
    const uint8_t* texture = nullptr;  // colour texture pixels or null
    const uint8_t* alpha = nullptr;    // alpha texture in use, or null
    int log2w = 0, log2h = 0;
    int32_t wmask = 0, hmask = 0;
    int rowShift = 0;           // log2 of the texture's row length in pixels
    uint32_t key = NoKey;
    bool textured = false;
    bool lighting = false;
    const uint8_t* reflection = nullptr;
    int32_t reflectionMask = 0;
    int32_t reflectionStride = 256;  // texels per row of the reflection map
    // mesh
    int32_t bias = 0;
    bool fogActive = false;
    // fog
    bool fog = false;
    uint32_t fogColour = 0;
    int fogFront = 0, fogBack = 0;
    int32_t fogReciprocal = 0;
    // face (flat lighting)
    uint32_t faceDiffuse = 0, faceSpecular = 0;
    int32_t faceU = 0, faceV = 0;  // reflection coordinates of a flat face
    // per-pixel gradients of z, u, v, light u, light v
    int32_t dq[5] = {};
    const uint32_t* diffuse = nullptr;
    const uint32_t* specular = nullptr;
    bool depthWrite = true;
  };
  static constexpr uint32_t NoKey = 0xFFFFFFFFu;

  using SpanFunction = void (*)(const Shade& s, uint8_t* pixels, uint32_t* depth, int count, const int32_t* q);

 private:
  void chooseSpan();
  void drawWire();
  void drawFilled();
  void drawHalf(int y0, int y1, int32_t xl, int32_t sl, int32_t xr, int32_t sr, int32_t* q, const int32_t* dq);

  RasterTarget target_;
  Shade s_;
  const MeshVertex* a_ = nullptr;
  const MeshVertex* b_ = nullptr;
  const MeshVertex* c_ = nullptr;
  int32_t rot0_[3] = {2048, 0, 0};
  int32_t rot1_[3] = {0, 2048, 0};
  int32_t faceNormal_[3] = {0, 0, 0};
  int attributes_ = 1;           // z, then u and v, then light u and v
  bool fastPath_ = false;
  bool spanDirty_ = true;
  SpanFunction span_ = nullptr;
};
