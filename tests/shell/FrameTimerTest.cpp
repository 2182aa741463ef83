// Frame pacing: the clamp of a stalled menu frame, the race's adaptive sleep, and the
// periodic idle-timer reset. Runs on the virtual clock, so stalls are exact.
#include <gtest/gtest.h>

#include "platform/System.h"
#include "shell/Canvas.h"
#include "shell/FrameTimer.h"

TEST(FrameTimer, ClampModeCutsAStallToTheInterval) {
  ASSERT_TRUE(os::clockIsVirtual());
  FrameTimer timer;
  timer.mode = 2;
  timer.targetRate = 10;
  timer.period = 200;
  timer.restart();
  os::sleep(500);
  timer.tick();
  EXPECT_FLOAT_EQ(timer.frameTime, 0.1f);

  FrameTimer measuring;  // mode 0 reports the stall as it was
  measuring.restart();
  os::sleep(500);
  measuring.tick();
  EXPECT_FLOAT_EQ(measuring.frameTime, 0.5f);
}

TEST(FrameTimer, AdaptiveModeSleepsTheAverageSurplus) {
  FrameTimer timer;
  timer.mode = 1;
  timer.targetRate = 40;
  timer.period = 999;  // 50 frames of 20 ms close the period at 1000 ms
  timer.restart();
  bool closed = false;
  for (int frame = 0; frame < 50; ++frame) {
    os::sleep(20);
    closed = timer.tick();
  }
  ASSERT_TRUE(closed);
  EXPECT_EQ(timer.adaptiveSleep, 5);  // (50 * 25 - 1000) / 50
  EXPECT_EQ(timer.measuredRate, 50);

  // The sleep is now part of every frame; in clamp mode it never builds up.
  timer.mode = 2;
  for (int frame = 0; frame < 250; ++frame) timer.tick();  // 5 ms each: one more period
  EXPECT_EQ(timer.adaptiveSleep, 0);
}

TEST(FrameTimer, FrameTimeNeverReachesZero) {
  FrameTimer timer;
  timer.restart();
  timer.tick();  // no time passed on the virtual clock
  EXPECT_GT(timer.frameTime, 0.0f);
}

TEST(CanvasFrames, IdleTimerIsResetAfterFortyFiveSeconds) {
  Canvas canvas(u"idle", false);
  FrameTimer& timer = canvas.frameTimer();
  timer.mode = 2;
  timer.targetRate = 10;
  timer.period = 200;
  canvas.resume();
  int highest = 0;
  bool wrapped = false;
  for (int frame = 0; frame < 3 * 240; ++frame) {  // a 200 ms period closes every third frame
    os::sleep(100);
    canvas.runFrame();
    if (canvas.idleFrameCount() < highest) wrapped = true;
    highest = std::max(highest, canvas.idleFrameCount());
  }
  // 45000 ms of 200 ms periods: the count restarts once it passes 225.
  EXPECT_TRUE(wrapped);
  EXPECT_EQ(highest, 225);
  canvas.suspend();
}

namespace {
struct OrderRecorder : FrameListener {
  std::vector<int>* log;
  int id;
  OrderRecorder(std::vector<int>* l, int i) : log(l), id(i) {}
  void onFrame(Canvas*, float) override { log->push_back(id); }
};
}  // namespace

TEST(CanvasFrames, ListenersRunLastToFirstAndSuspendHandsBackTheFrameTarget) {
  Canvas canvas(u"listeners", false);
  std::vector<int> log;
  OrderRecorder first(&log, 1), second(&log, 2), post(&log, 3);
  canvas.addPreFrameListener(&first);
  canvas.addPreFrameListener(&second);
  canvas.addPostFrameListener(&post);
  canvas.runFrame();
  EXPECT_EQ(log, (std::vector<int>{2, 1, 3}));

  EXPECT_FALSE(canvas.isRunning());
  canvas.resume();
  EXPECT_TRUE(canvas.isRunning());
  canvas.suspend();
  EXPECT_FALSE(canvas.isRunning());
}
