// The replay's fade: 21 passes over 2 s that leave the back buffer black, and nothing
// at all on a canvas without a back buffer.
#include <gtest/gtest.h>

#include "image/Image.h"
#include "platform/System.h"
#include "shell/FadeTransition.h"

namespace {

struct Painted : Canvas {
  Painted(bool backBuffer) : Canvas(u"fade", backBuffer) {}
  int paints = 0;
  void paint(const os::RECT* rect) override {
    ++paints;
    Canvas::paint(rect);
  }
};

// A main window to hold the canvas, as the application does.
Window* makeOwner() {
  auto* owner = new Window(u"fade owner", 0, false);
  owner->create(0, 0, 240, 320);
  return owner;
}

}  // namespace

TEST(FadeTransition, FadeOutWithoutRedrawEndsBlackAfterTwentyOnePasses) {
  Window* owner = makeOwner();
  auto* canvas = new Painted(true);
  ASSERT_TRUE(owner->addChildAt(canvas, 0, 0, 64, 48));
  Image* buffer = canvas->backBuffer();
  ASSERT_NE(buffer, nullptr);
  buffer->fill(0xFFFFFF, 0, 0, 64, 48);  // white, the farthest from black

  FadeTransition fade(2.0f, 10, 0x000000);
  uint32_t start = os::getTickCount();
  canvas->runTransition(&fade, false, false);
  EXPECT_GE(os::getTickCount() - start, 2100u);
  EXPECT_EQ(canvas->paints, 21);
  EXPECT_TRUE(canvas->components().empty());
  const uint16_t* pixels = reinterpret_cast<const uint16_t*>(buffer->pixels());
  for (int i = 0; i < 64 * 48; ++i) ASSERT_EQ(pixels[i], 0) << "pixel " << i;
  owner->destroy();
  delete owner;  // and the canvas with it
}

TEST(FadeTransition, CanvasWithoutBackBufferIsLeftAlone) {
  Window* owner = makeOwner();
  auto* canvas = new Painted(false);
  ASSERT_TRUE(owner->addChildAt(canvas, 0, 0, 64, 48));
  FadeTransition fade(2.0f, 10, 0x000000);
  uint32_t start = os::getTickCount();
  canvas->runTransition(&fade, false, false);
  EXPECT_EQ(os::getTickCount(), start);
  EXPECT_EQ(canvas->paints, 0);
  owner->destroy();
  delete owner;  // and the canvas with it
}
