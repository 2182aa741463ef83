// Helpers of the renderer tests: pictures in either pixel format, a texture over a
// picture, a page stand-in that gives the renderer a surface, and small generated meshes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "engine3d/Group3D.h"
#include "engine3d/MaterialTexture.h"
#include "engine3d/Renderer3D.h"
#include "image/Image.h"

// A picture of the asked pixel format (16: the display's 5-6-5, 32: 0x00RRGGBB).
inline std::unique_ptr<Image> makeImage(int width, int height, int bits) {
  std::unique_ptr<Image> image(new Image(width, height, bits == 16));
  return image;
}

struct PictureTexture : MaterialTexture {
  std::unique_ptr<Image> image;
  int32_t key = -1;
  PictureTexture(int width, int height, int bits) : image(makeImage(width, height, bits)) {}
  Image* currentImage() override { return image.get(); }
  int width() const override { return image->width(); }
  int height() const override { return image->height(); }
  int32_t transparentColour() const override { return key; }
  bool isAnimated() const override { return false; }
  int lastAdvancedFrame() const override { return -1; }
  void advance(float, int) override {}
  // Raw pixel in the picture's own format.
  void setRaw(int x, int y, uint32_t value) {
    uint8_t* p = image->pixelAddress(x, y);
    if (image->bitsPerPixel() == 16)
      *reinterpret_cast<uint16_t*>(p) = uint16_t(value);
    else
      *reinterpret_cast<uint32_t*>(p) = value;
  }
};

// The page side of a scene: a surface of its own size at an origin, or none at all.
struct TestHost : RenderHost {
  std::unique_ptr<Image> surface;
  int originX = 0, originY = 0;
  int width = 64, height = 64;
  int clientWidth = 64, clientHeight = 64;
  uint32_t background = 0;  // 0xRRGGBB fill of the scene area
  int backgrounds = 0, presents = 0;

  TestHost(int w, int h, int bits, bool withSurface = true) : width(w), height(h), clientWidth(w), clientHeight(h) {
    if (withSurface) surface = makeImage(w, h, bits);
  }
  Image* renderSurface(int& x, int& y) override {
    x = originX;
    y = originY;
    return surface.get();
  }
  int sceneWidth() const override { return width; }
  int sceneHeight() const override { return height; }
  void scenePosition(int& x, int& y) const override {
    x = originX;
    y = originY;
  }
  void clientSize(int& w, int& h) const override {
    w = clientWidth;
    h = clientHeight;
  }
  void paintBackground(Image& target, int x, int y) override {
    ++backgrounds;
    target.fill(background, x, y, width, height);
  }
  void presentSurface(const Image&, int, int) override { ++presents; }
};

// Adds a quad of side 2 * half at depth z (facing the camera at the origin that looks
// along +z) to a mesh; u, v span 0..1. Wound so that its stored normal points away
// from the camera (visible).
inline void addQuad(Mesh& mesh, float cx, float cy, float z, float half) {
  int base = int(mesh.vertices.size());
  mesh.addVertex(cx - half, cy + half, z, 0, 0);
  mesh.addVertex(cx + half, cy + half, z, 65536, 0);
  mesh.addVertex(cx + half, cy - half, z, 65536, 65536);
  mesh.addVertex(cx - half, cy - half, z, 0, 65536);
  mesh.addFace(base, base + 2, base + 1);
  mesh.addFace(base, base + 3, base + 2);
}
