// A page picture: one Image, or every frame of an animated GIF with its delays. Loads
// GIF and JPEG files (optionally adjusted to power-of-two sizes for 3D textures), steps
// its animation by elapsed time, and can be resized by padding or stretching. A picture
// that cannot be loaded leaves a texture without frames (valid() is false), which every
// drawing path treats as no picture.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine3d/MaterialTexture.h"
#include "image/Image.h"
#include "platform/Text.h"

class Texture;

// Told when a texture shows another frame.
class TextureFrameListener {
 public:
  virtual ~TextureFrameListener() = default;
  virtual void onTextureFrame(Texture* texture, int frameIndex) = 0;
};

class Texture : public MaterialTexture {
 public:
  Texture() = default;
  Texture(const Texture&) = delete;
  Texture& operator=(const Texture&) = delete;

  // Loads path: ".gif"/".GIF" through the GIF decoder (all frames), anything else as one
  // picture. powerOfTwo adjusts both sizes (roundUp: pad to the next power; otherwise
  // stretch to the nearest, ties going down). False when no picture could be had.
  bool load(const os::WString& path, bool powerOfTwo, bool roundUp);
  // Takes over decoded frames (the first is the still surface).
  void setFrames(std::vector<std::unique_ptr<Image>> frames);

  bool valid() const { return !frames_.empty() && frames_[0]->valid(); }
  void setFrame(int index);      // clamped; tells the frame listener
  void animate(float elapsedSeconds);
  void randomFrame();
  Image* currentImage() const { return frames_.empty() ? nullptr : frames_[size_t(currentFrame)].get(); }
  int width() const override { return width_; }    // current surfaces, pixels
  int height() const override { return height_; }

  // The 3D engine's view of the texture.
  Image* currentImage() override { return static_cast<const Texture*>(this)->currentImage(); }
  int32_t transparentColour() const override;
  bool isAnimated() const override { return animated; }
  int lastAdvancedFrame() const override { return lastAdvanced; }
  void advance(float seconds, int frame) override;
  Image* frameImage(int index) const;
  // Replaces every frame by one of width x height: pad copies the old picture to the
  // top-left unscaled, otherwise it is stretched over the transparent colour.
  void resize(int newWidth, int newHeight, bool pad);

  int sourceWidth = 0;      // as loaded
  int sourceHeight = 0;
  int widthExponent = 0;    // chosen by a power-of-two adjustment
  int heightExponent = 0;
  int frameCount = 0;       // 1 for a still picture, 0 when nothing loaded
  bool animated = false;
  bool looping = false;
  os::WString fileName;     // without folder
  int lastAdvanced = -1;    // frame number of the last animation step
  int currentFrame = 0;
  float frameTime = 0;      // seconds spent in the current frame
  TextureFrameListener* frameListener = nullptr;

  // The exponent of the power of two a size is adjusted to.
  static int exponentFor(int size, bool roundUp);

 private:
  std::vector<std::unique_ptr<Image>> frames_;
  int width_ = 0;   // current surfaces, pixels
  int height_ = 0;
};
