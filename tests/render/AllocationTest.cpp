// Frames allocate nothing: after a few warm-up frames (the render list has grown to the
// scene), rendering the demonstration scene makes no heap allocation. Counts through a
// replacement of the global allocation functions, active only while a test asks.
#include <gtest/gtest.h>

#include "AllocationCounter.h"

#include <memory>

#include "DemoScene.h"

namespace {

TEST(RenderAllocations, FramesAllocateNothing) {
  // The counter sees allocations at all.
  allocations::startCounting();
  std::unique_ptr<int> probe(new int(1));
  allocations::stopCounting();
  ASSERT_EQ(allocations::counted(), 1);
  for (int bits : {16, 32}) {
    demo::Scene s(120, 160, bits, 12, 8);
    for (int i = 0; i < 3; ++i) s.scene.draw(0.04f);
    allocations::startCounting();
    for (int i = 0; i < 5; ++i) {
      s.scene.camera->setPosition(float(i) * 0.3f, 4.5f, -6.0f);
      s.scene.draw(0.04f);
    }
    allocations::stopCounting();
    EXPECT_EQ(allocations::counted(), 0) << bits;
    EXPECT_GT(s.renderer().statistics().trianglesDrawn, 100);
  }
}

}  // namespace
