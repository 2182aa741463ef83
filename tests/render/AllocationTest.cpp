// Frames allocate nothing: after a few warm-up frames (the render list has grown to the
// scene), rendering the demonstration scene makes no heap allocation. Counts through a
// replacement of the global allocation functions, active only while a test asks.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

#include "DemoScene.h"

namespace {
std::atomic<bool> counting{false};
std::atomic<int> allocations{0};
}  // namespace

void* operator new(std::size_t size) {
  if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
  void* p = std::malloc(size != 0 ? size : 1);
  if (p == nullptr) std::abort();
  return p;
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

TEST(RenderAllocations, FramesAllocateNothing) {
  // The counter sees allocations at all.
  counting = true;
  std::unique_ptr<int> probe(new int(1));
  counting = false;
  ASSERT_EQ(allocations.load(), 1);
  for (int bits : {16, 32}) {
    demo::Scene s(120, 160, bits, 12, 8);
    for (int i = 0; i < 3; ++i) s.scene.draw(0.04f);
    allocations = 0;
    counting = true;
    for (int i = 0; i < 5; ++i) {
      s.scene.camera->setPosition(float(i) * 0.3f, 4.5f, -6.0f);
      s.scene.draw(0.04f);
    }
    counting = false;
    EXPECT_EQ(allocations.load(), 0) << bits;
    EXPECT_GT(s.renderer().statistics().trianglesDrawn, 100);
  }
}

}  // namespace
