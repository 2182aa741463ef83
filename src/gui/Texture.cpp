// Texture loading, power-of-two adjustment, resizing and GIF animation.
#include "gui/Texture.h"

#include <cstdlib>

#include "image/Gif.h"

namespace {

bool isGifPath(const os::WString& path) {
  return path.find(u".gif") != os::WString::npos || path.find(u".GIF") != os::WString::npos;
}

}  // namespace

int Texture::exponentFor(int size, bool roundUp) {
  if (size < 2) return 0;
  int e = 0;
  while ((1 << e) < size && e < 30) ++e;  // smallest power not below size
  if (roundUp || (1 << e) == size) return e;
  int lower = 1 << (e - 1), upper = 1 << e;
  // Nearest power; exactly between the two takes the lower one.
  return (size - lower <= upper - size) ? e - 1 : e;
}

bool Texture::load(const os::WString& path, bool powerOfTwo, bool roundUp) {
  size_t cut = path.find_last_of(u"\\/");
  fileName = cut == os::WString::npos ? path : path.substr(cut + 1);
  std::vector<std::unique_ptr<Image>> frames;
  if (isGifPath(path)) {
    GifFrames decoded;
    loadGif(path, false, true, nullptr, decoded);
    for (auto& frame : decoded)
      if (frame && frame->valid()) frames.push_back(std::move(frame));
  } else {
    auto picture = std::make_unique<Image>(path, true);
    if (picture->valid()) frames.push_back(std::move(picture));
  }
  setFrames(std::move(frames));
  if (!valid()) return false;
  if (powerOfTwo) {
    widthExponent = exponentFor(width_, roundUp);
    heightExponent = exponentFor(height_, roundUp);
    int w = 1 << widthExponent, h = 1 << heightExponent;
    if (w != width_ || h != height_) resize(w, h, roundUp);
  }
  return true;
}

void Texture::setFrames(std::vector<std::unique_ptr<Image>> frames) {
  frames_ = std::move(frames);
  frameCount = int(frames_.size());
  animated = looping = frameCount >= 2;
  currentFrame = 0;
  frameTime = 0;
  lastAdvanced = -1;
  width_ = sourceWidth = frameCount ? frames_[0]->width() : 0;
  height_ = sourceHeight = frameCount ? frames_[0]->height() : 0;
}

Image* Texture::frameImage(int index) const {
  if (frames_.empty()) return nullptr;
  if (index < 0) index = 0;
  if (index >= int(frames_.size())) index = int(frames_.size()) - 1;
  return frames_[size_t(index)].get();
}

void Texture::setFrame(int index) {
  if (frames_.empty()) return;
  if (index < 0) index = 0;
  if (index > frameCount - 1) index = frameCount - 1;
  currentFrame = index;
  if (frameListener) frameListener->onTextureFrame(this, index);
}

void Texture::animate(float elapsedSeconds) {
  if (frameCount == 1 || frames_.empty()) return;
  bool step = elapsedSeconds < 0;
  if (!step) {
    frameTime += elapsedSeconds;
    if (frameTime > frames_[size_t(currentFrame)]->frameDelay()) step = true;
  }
  if (!step) return;
  frameTime = 0;
  int next = currentFrame + 1;
  if (next >= frameCount) {
    if (!looping) return;
    next = 0;
  }
  setFrame(next);
}

void Texture::randomFrame() {
  if (frameCount > 0) setFrame(std::rand() % frameCount);
}

void Texture::resize(int newWidth, int newHeight, bool pad) {
  if (newWidth <= 0 || newHeight <= 0) return;
  for (auto& frame : frames_) {
    auto resized = std::make_unique<Image>(newWidth, newHeight, frame->deviceDepth());
    if (!resized->valid()) continue;
    int32_t key = frame->transparentColour();
    resized->setTransparentColour(key);
    resized->setFrameDelay(frame->frameDelay());
    if (pad) {
      if (key != -1) resized->clear(uint32_t(key));
      Image::copyTo(*frame, *resized, 0, 0, 0, 0, frame->width(), frame->height(), true);
    } else {
      if (key != -1) resized->clear(uint32_t(key));
      Image::stretchTo(*frame, *resized, 0, 0, newWidth, newHeight, 0, 0, frame->width(), frame->height(), true);
    }
    frame = std::move(resized);
  }
  width_ = newWidth;
  height_ = newHeight;
}

int32_t Texture::transparentColour() const {
  Image* image = currentImage();
  return image ? image->transparentColour() : -1;
}

void Texture::advance(float seconds, int frame) {
  animate(seconds);
  lastAdvanced = frame;
}
