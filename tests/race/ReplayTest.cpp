// Replay ring and the race page's small rules: recording interval and duration, the ring
// wrapping after 600 s, playback interpolation and restart, laps frozen while replaying;
// clock and finish texts, speedometer frames.
#include <gtest/gtest.h>

#include <cmath>

#include "RaceFixture.h"
#include "race/GameCanvas.h"
#include "race/ReplayRecorder.h"

namespace {

struct ReplayFixture : ::testing::Test, ReplayHost {
  LoopTrack loop;
  RecordingHost host;
  std::unique_ptr<Vehicle> vehicle;
  int restarts = 0;
  float restartTime = -1;
  Vehicle* replayVehicle() override { return vehicle.get(); }
  void restartPlayback(float time) override {
    ++restarts;
    restartTime = time;
  }
  void SetUp() override {
    vehicle.reset(new Vehicle(host, loop.track, 2, false));
    vehicle->setDimensions(1.6f, 3.2f, 1.2f, 0.4f);
    vehicle->placeAtSection(loop.track.n - 1);
  }
};

TEST_F(ReplayFixture, FourSecondsHoldFiveFramesAndAreNotOfferedAReplay) {
  ReplayRecorder replay(*this);
  EXPECT_EQ(replay.capacity, 779);
  for (float clock = 0; clock <= 4.0f; clock += 0.025f) replay.recordTick(clock);
  EXPECT_EQ(replay.writeIndex, 5);  // about 0.77, 1.54, 2.31, 3.08, 3.85
  EXPECT_NEAR(replay.duration(), 6 * 600.0f / 779, 1e-3f);
  EXPECT_LT(replay.duration(), 5.0f);
  for (float clock = 4.0f; clock <= 5.0f; clock += 0.025f) replay.recordTick(clock);
  EXPECT_GE(replay.duration(), 5.0f);
  // Frames are at least the interval apart.
  for (int i = 1; i < replay.writeIndex; ++i)
    EXPECT_GE(replay.frames[size_t(i)].time - replay.frames[size_t(i - 1)].time, 0.77f - 1e-4f);
}

TEST_F(ReplayFixture, LongRacesWrapAndPlaybackStartsWithTheOldestFrame) {
  ReplayRecorder replay(*this);
  float clock = 0;
  for (; clock < 700.0f; clock += 0.1f) replay.recordTick(clock);
  EXPECT_TRUE(replay.wrapped);
  EXPECT_FLOAT_EQ(replay.duration(), 600.0f);
  float raceClock = 0;
  replay.startPlayback(raceClock);
  EXPECT_TRUE(replay.playing);
  EXPECT_EQ(replay.writeIndex, replay.capacity);
  for (int i = 1; i < replay.capacity; ++i) ASSERT_GT(replay.frames[size_t(i)].time, replay.frames[size_t(i - 1)].time);
  // Ticks of 0.1 s sample every 0.8 s: the ring keeps the last 779 of them.
  EXPECT_NEAR(replay.frames[0].time, 700.0f - 779 * 0.8f, 1.0f);
  EXPECT_FLOAT_EQ(raceClock, replay.frames[0].time);
  EXPECT_EQ(restarts, 1);
}

TEST_F(ReplayFixture, PlaybackInterpolatesAndRestartsAtTheEnd) {
  ReplayRecorder replay(*this);
  // Record a drive along the loop.
  float clock = 0;
  for (int i = 0; i < 400; ++i, clock += 0.025f) {
    vehicle->playerInput(1, 0.025f);
    vehicle->update(0.025f);
    replay.recordTick(clock);
  }
  const int frames = replay.writeIndex;
  ASSERT_GE(frames, 10);
  const ReplayRecorder::Frame a = replay.frames[3], b = replay.frames[4];
  float raceClock = 0;
  replay.startPlayback(raceClock);
  host.replay = true;
  const int laps = vehicle->lapsRemaining, index = vehicle->nextCheckpoint;
  // Half-way between frames 3 and 4.
  replay.current = 3;
  raceClock = (a.time + b.time) / 2;
  replay.playbackStep(raceClock);
  const Vector3 mid = (a.position + b.position) * 0.5f;
  EXPECT_NEAR(vehicle->body.position.x, mid.x, 1e-3f);
  EXPECT_NEAR(vehicle->body.position.z, mid.z, 1e-3f);
  EXPECT_NEAR(vehicle->body.speed, (a.speed + b.speed) / 2, 1e-3f);
  // Play to the end: it starts again from the first frame.
  const int before = restarts;
  for (int i = 0; i < 2000 && restarts == before; ++i) {
    raceClock += 0.025f;
    replay.playbackStep(raceClock);
    vehicle->update(0.025f);
  }
  EXPECT_EQ(restarts, before + 1);
  EXPECT_EQ(replay.current, 0);
  EXPECT_FLOAT_EQ(raceClock, replay.frames[0].time);
  // The replayed vehicle passed sections without changing laps or checkpoints.
  EXPECT_EQ(vehicle->lapsRemaining, laps);
  EXPECT_EQ(vehicle->nextCheckpoint, index);
  EXPECT_EQ(host.finishedCalls, 0);
}

TEST_F(ReplayFixture, OrientationTakesTheShortWayRound) {
  ReplayRecorder replay(*this);
  replay.writeIndex = 2;
  replay.frames[0].orientation = AxisAngle{0, 1, 0, 0.1f};
  replay.frames[1].orientation = AxisAngle{0, -1, 0, 0.1f};  // the same turn size the other way
  replay.frames[0].time = 0;
  replay.frames[1].time = 1;
  replay.apply(0, 0.5f);
  const Vector3 forward = rotateDirection(vehicle->body.orientation, Vector3{0, 0, 1});
  EXPECT_NEAR(forward.z, 1.0f, 1e-3f);  // half-way between +0.1 and -0.1 about Y is straight
}

TEST(RacePageRules, ClockAndFinishTexts) {
  struct Case { float t; int clockM, clockS, finishM, finishS; } cases[] = {
      {59.6f, 0, 59, 1, 0}, {125.4f, 2, 5, 2, 5}, {0, 0, 0, 0, 0}, {119.5f, 1, 59, 2, 0}, {3599.2f, 59, 59, 59, 59}};
  for (const Case& c : cases) {
    int m, s;
    clockMinutesSeconds(c.t, m, s);
    EXPECT_EQ(m, c.clockM) << c.t;
    EXPECT_EQ(s, c.clockS) << c.t;
    finishMinutesSeconds(c.t, m, s);
    EXPECT_EQ(m, c.finishM) << c.t;
    EXPECT_EQ(s, c.finishS) << c.t;
  }
  EXPECT_EQ(speedometerFrame(-8.0f), -1);
  EXPECT_EQ(speedometerFrame(0), 0);
  EXPECT_EQ(speedometerFrame(46.9f), 10);
  EXPECT_EQ(speedometerFrame(43.1f), 10);
  EXPECT_EQ(speedometerFrame(43.0f), 9);
}

}  // namespace
