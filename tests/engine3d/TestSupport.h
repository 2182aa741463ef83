// Helpers shared by the 3D engine tests: a texture with a fixed size and transparent
// colour, a texture source that records what was asked, and a message box recorder.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine3d/MaterialTexture.h"
#include "engine3d/ModelHost.h"

struct FakeTexture : MaterialTexture {
  int w = 64, h = 64;
  int32_t key = -1;
  bool animated = false;
  int lastFrame = -1;
  int steps = 0;
  float seconds = 0;

  Image* currentImage() override { return nullptr; }
  int width() const override { return w; }
  int height() const override { return h; }
  int32_t transparentColour() const override { return key; }
  bool isAnimated() const override { return animated; }
  int lastAdvancedFrame() const override { return lastFrame; }
  void advance(float s, int frame) override {
    ++steps;
    seconds += s;
    lastFrame = frame;
  }
};

// Hands out one FakeTexture per requested name; sizes and keys can be set up front.
struct FakeTextureSource : TextureSource {
  std::map<std::u16string, std::unique_ptr<FakeTexture>> textures;
  std::vector<std::u16string> requests;  // folder + name

  FakeTexture& texture(const std::u16string& name) {
    auto& slot = textures[name];
    if (!slot) slot.reset(new FakeTexture());
    return *slot;
  }
  MaterialTexture* acquire(os::WStringView folder, os::WStringView name) override {
    requests.push_back(std::u16string(folder) + std::u16string(name));
    return &texture(std::u16string(name));
  }
};

// Records every message the model loader shows while it is alive.
class MessageRecorder {
 public:
  struct Message {
    std::u16string text, caption;
    uint32_t type;
  };
  MessageRecorder() {
    messages().clear();
    previous_ = setModelMessageSink(&record);
  }
  ~MessageRecorder() { setModelMessageSink(previous_); }
  static std::vector<Message>& messages() {
    static std::vector<Message> list;
    return list;
  }

 private:
  static int record(os::WStringView text, os::WStringView caption, uint32_t type) {
    messages().push_back(Message{std::u16string(text), std::u16string(caption), type});
    return 1;
  }
  ModelMessageSink previous_;
};
