// Race frames allocate nothing: once the race runs (here on autopilot, so the window,
// decorations, camera, grid, smoke and HUD all move), every frame that does not close a
// one-second period makes no heap allocation. The once-a-second HUD texts may allocate.
#include <gtest/gtest.h>

#include "AllocationCounter.h"

#include <filesystem>
#include <memory>

#include "platform/System.h"
#include "race/GameCanvas.h"
#include "RaceApp.h"

namespace {

TEST(RaceFrames, RunningFramesAllocateNothing) {
  ASSERT_TRUE(std::filesystem::exists(std::string(KS_BUILD_DIR) + "/resources/scenes/Yukon/track.3ds"));
  allocations::startCounting();
  std::unique_ptr<int> probe(new int(1));
  allocations::stopCounting();
  ASSERT_EQ(allocations::counted(), 1);

  RaceApp& app = sharedRaceApp();
  auto* canvas = new GameCanvas(app, true);
  app.addChildAt(canvas, 0, 0, 240, 320);
  canvas->start(false, 7, 7);  // Thunder on the Yukon
  canvas->resume();  // as the application does: frames time from here
  ASSERT_TRUE(canvas->loaded());
  for (int i = 0; i < 6; ++i) canvas->onTick(1.0f);  // countdown to GO
  ASSERT_TRUE(canvas->raceRunning());
  canvas->vehicle()->autopilot = true;
  for (int i = 0; i < 80; ++i) {  // warm-up: first placements, first smoke, caches
    os::sleep(25);
    canvas->runFrame();
  }
  const int startTravelled = canvas->vehicle()->travelled;
  int frames = 0, allocatingFrames = 0;
  for (int i = 0; i < 400; ++i) {
    os::sleep(25);
    allocations::startCounting();
    canvas->runFrame();
    allocations::stopCounting();
    if (canvas->tickFlag()) continue;
    ++frames;
    if (allocations::counted() != 0) ++allocatingFrames;
  }
  EXPECT_GT(frames, 350);
  EXPECT_EQ(allocatingFrames, 0);
  EXPECT_GT(canvas->vehicle()->travelled, startTravelled + 10);  // the race really moved
  app.removeChild(canvas);
  delete canvas;
}

}  // namespace
