// What the 3D engine needs of a page texture, and where the model loader gets textures.
// The page's Texture (a picture, possibly animated) implements MaterialTexture; the page's
// image cache implements TextureSource. Textures belong to their source, which keeps them
// until the page is cleared: materials, clones and chips only refer to them.
#pragma once

#include <cstdint>

#include "platform/Text.h"

class Image;

class MaterialTexture {
 public:
  // The frame to sample now; null when the picture could not be loaded, in which case the
  // material is drawn untextured.
  virtual Image* currentImage() = 0;
  virtual int width() const = 0;   // pixels of the current picture, 0 without one
  virtual int height() const = 0;
  // The current picture's transparent colour, -1 for none.
  virtual int32_t transparentColour() const = 0;
  // Animation: the renderer advances an animated texture once per drawn frame; a texture
  // shared by several materials remembers the frame it was last advanced in.
  virtual bool isAnimated() const = 0;
  virtual int lastAdvancedFrame() const = 0;
  virtual void advance(float seconds, int frame) = 0;  // steps and records the frame

 protected:
  ~MaterialTexture() = default;
};

class TextureSource {
 public:
  // The texture of a map file named in a model: name as written in the file, folder the
  // model's folder (ending with "\"). Sizes are adjusted to powers of two. Null when
  // there is none; a failed load may also return a texture without a picture.
  virtual MaterialTexture* acquire(os::WStringView folder, os::WStringView name) = 0;

 protected:
  ~TextureSource() = default;
};
