// Vehicle: throttle, brake and steering rules, landing, borders, wrong way, checkpoints
// and laps, on a generated loop track (flat and tilted) without a page.
#include <gtest/gtest.h>

#include <cmath>

#include "RaceFixture.h"
#include "engine3d/Quaternion.h"

namespace {

constexpr float kDt = 0.025f;

struct VehicleTest : ::testing::Test {
  LoopTrack loop;
  RecordingHost host;
  std::unique_ptr<Vehicle> vehicle;
  void make(bool autopilot = false) {
    vehicle.reset(new Vehicle(host, loop.track, 2, autopilot));
    vehicle->setDimensions(1.6f, 3.2f, 1.2f, 0.4f);
    vehicle->placeAtSection(loop.track.n - 1);
  }
};

TEST_F(VehicleTest, PlacedLevelOnTheLastSectionFacingTheDrivingDirection) {
  make();
  EXPECT_EQ(host.startSection, loop.track.n - 1);
  EXPECT_EQ(vehicle->section, loop.track.n - 1);
  const Vector3 forward = rotateDirection(vehicle->body.orientation, Vector3{0, 0, 1});
  EXPECT_LT(dot(forward, loop.track.back[size_t(loop.track.n - 1)]), -0.99f);
  EXPECT_NEAR(vehicle->body.position.y, vehicle->rideHeight, 0.05f);  // settled onto the ground
  EXPECT_FALSE(vehicle->body.airborne);
  EXPECT_EQ(vehicle->lateralQuad, 0);
}

TEST(VehicleThrottle, ReachesTopSpeedInAboutThreeSecondsAndNeverExceedsIt) {
  LoopTrack wide(400, 3000.0f);  // nearly straight for the distance driven here
  RecordingHost host;
  auto vehicle = std::make_unique<Vehicle>(host, wide.track, 2, false);
  vehicle->setDimensions(1.6f, 3.2f, 1.2f, 0.4f);
  vehicle->placeAtSection(wide.track.n - 1);
  int steps = 0;
  while (vehicle->body.speed < Vehicle::MaxSpeed && steps < 1000) {
    vehicle->accelerate(kDt);
    ++steps;
  }
  EXPECT_NEAR(steps * kDt, 3.13f, 0.03f);
  vehicle->body.speed = 0;
  float top = 0;
  for (int i = 0; i < 400; ++i) {
    vehicle->playerInput(1, kDt);
    vehicle->update(kDt);
    top = std::max(top, vehicle->body.speed);
  }
  EXPECT_LE(top, Vehicle::MaxSpeed);
  EXPECT_GT(top, 40.0f);
  EXPECT_GT(vehicle->travelled, wide.track.n - 1 + 3);
}

TEST_F(VehicleTest, BrakeSoundOnlyAboveItsSpeedAndReverseStopsAtMinusEight) {
  make();
  vehicle->body.speed = Vehicle::MaxSpeed;
  int brakeSoundsAbove = 0;
  for (int i = 0; i < 400; ++i) {
    const float before = vehicle->body.speed;
    const int was = host.count(VehicleBrake);
    vehicle->brake(kDt);
    if (host.count(VehicleBrake) > was) {
      EXPECT_GT(before - 15.0f * kDt, 44.555f);
      ++brakeSoundsAbove;
    }
  }
  EXPECT_GE(brakeSoundsAbove, 1);
  EXPECT_FLOAT_EQ(vehicle->body.speed, Vehicle::MinSpeed);
  EXPECT_FALSE(vehicle->cruise);
}

TEST_F(VehicleTest, ReleasingKeysStopsSlowVehiclesAndCruisesFastOnes) {
  make();
  vehicle->body.speed = 2.5f;
  vehicle->steering = 0.5f;
  vehicle->playerInput(0, kDt);
  EXPECT_EQ(vehicle->body.speed, 0.0f);
  EXPECT_EQ(vehicle->steering, 0.0f);
  vehicle->body.speed = 9.0f;
  for (int i = 0; i < 10; ++i) vehicle->playerInput(1, kDt);  // up held past 10
  EXPECT_TRUE(vehicle->cruise);
  const float held = vehicle->body.speed;
  vehicle->playerInput(0, kDt);  // released: cruise keeps accelerating
  EXPECT_GT(vehicle->body.speed, held);
  vehicle->playerInput(2, kDt);  // down ends the cruise
  EXPECT_FALSE(vehicle->cruise);
}

TEST_F(VehicleTest, SteeringRulesForwardReverseAndRelease) {
  make();
  struct Case { float speed; int direction; float sensitivity; float expected; } cases[] = {
      {20, 0, 1.0f, -0.1f}, {20, 1, 1.0f, 0.1f}, {-5, 0, 1.0f, 0.1f}, {-5, 1, 2.0f, -0.2f}, {20, 1, 1.5f, 0.15f}};
  for (const Case& c : cases) {
    vehicle->steering = 0;
    vehicle->body.speed = c.speed;
    host.sensitivity = c.sensitivity;
    vehicle->steer(c.direction, 0.1f);
    EXPECT_NEAR(vehicle->steering, c.expected, 1e-5f) << c.speed << " " << c.direction;
    EXPECT_NEAR(vehicle->body.rateY, c.expected, 1e-5f);
  }
  vehicle->steering = 1.1f;
  vehicle->body.speed = 20;
  vehicle->steer(1, 1.0f);
  EXPECT_FLOAT_EQ(vehicle->steering, 1.15f);  // clamped
  vehicle->steer(2, 0.1f);
  EXPECT_NEAR(vehicle->steering, 1.15f * 0.3f, 1e-5f);
  vehicle->steering = 0.004f;
  vehicle->steer(2, 0.01f);
  EXPECT_EQ(vehicle->steering, 0.0f);
  vehicle->steering = 0.5f;
  vehicle->body.speed = 0.05f;  // standing: release keeps the wheel, yaw stops
  vehicle->steer(2, 0.1f);
  EXPECT_FLOAT_EQ(vehicle->steering, 0.5f);
  EXPECT_EQ(vehicle->body.rateY, 0.0f);
}

TEST_F(VehicleTest, LandingBangDependsOnAirtime) {
  make();
  struct Case { float airtime; bool bang; int volume; } cases[] = {{0.2f, false, 0}, {0.3f, true, 38}, {0.6f, true, 64}};
  for (const Case& c : cases) {
    make();
    host.sounds.clear();
    vehicle->body.airborne = 1;
    vehicle->body.wasAirborne = 1;
    vehicle->airtime = c.airtime;
    vehicle->update(0.001f);
    EXPECT_FALSE(vehicle->body.airborne);
    EXPECT_EQ(vehicle->airtime, 0.0f);
    ASSERT_EQ(host.count(VehicleBang), c.bang ? 1 : 0) << c.airtime;
    if (c.bang) {
      EXPECT_EQ(host.sounds[0].volume, c.volume);
      EXPECT_GE(host.sounds[0].pitch, 100);
      EXPECT_LE(host.sounds[0].pitch, 150);
    }
  }
}

TEST_F(VehicleTest, FallingVehicleIsAirborneAndCountsAirtime) {
  make();
  vehicle->body.position.y += 6;
  vehicle->update(kDt);
  EXPECT_TRUE(vehicle->body.airborne);
  for (int i = 0; i < 10; ++i) vehicle->update(kDt);
  EXPECT_NEAR(vehicle->airtime, 11 * kDt, 1e-4f);
  EXPECT_GT(vehicle->body.fallSpeed, 0.0f);
}

// Puts the vehicle on section s at lateral offset l (units, + right), heading rotated
// by angle radians to the right of the driving direction.
void pose(Vehicle& v, const RaceTrack& t, int s, float l, float angle) {
  const Vector3 forward = -t.back[size_t(s)];
  const Vector3 right = Vector3{-forward.z, 0, forward.x};
  Vector3 p = (t.centre[size_t(s)] + t.centre[size_t((s + 1) % t.n)]) * 0.5f + right * l;
  p.y = v.rideHeight;
  const Vector3 heading = normalized(forward * std::cos(angle) + right * std::sin(angle));
  v.body.orientation = quaternionToMatrix(shortestArc(Vector3{0, 0, 1}, heading));
  setTranslation(v.body.orientation, p);
  v.body.position = p;
  v.body.heading = heading;
  v.section = s;
  v.travelled = s;
}

TEST_F(VehicleTest, BorderStopsHeadOnAndDeflectsShallow) {
  make();
  loop.track.borderLeft = -3;
  loop.track.borderRight = 3;
  // Head-on into the right border from lateral quad 3.
  pose(*vehicle, loop.track, 10, 6.5f, 1.5f);
  vehicle->lastValidPosition = Vector3{1, 2, 3};
  vehicle->body.speed = 20;
  vehicle->update(0.001f);
  EXPECT_EQ(vehicle->body.speed, 0.0f);
  EXPECT_EQ(vehicle->body.position, (Vector3{1, 2, 3}));
  EXPECT_GE(host.count(VehicleBang), 1);
  // A shallow angle: turned toward the track and slowed.
  make();
  loop.track.borderRight = 3;
  pose(*vehicle, loop.track, 10, 6.5f, 0.3f);
  vehicle->body.speed = 30;
  const Vector3 before = rotateDirection(vehicle->body.orientation, Vector3{0, 0, 1});
  vehicle->update(0.001f);
  const Vector3 after = rotateDirection(vehicle->body.orientation, Vector3{0, 0, 1});
  EXPECT_GT(vehicle->body.speed, 0.0f);
  EXPECT_LT(vehicle->body.speed, 30.0f * 0.5f);
  const Vector3 along = -loop.track.back[10];
  EXPECT_GT(dot(after, along), dot(before, along));  // turned back toward the road
  // Inside the borders nothing happens.
  make();
  pose(*vehicle, loop.track, 10, 0.5f, 0.3f);
  vehicle->body.speed = 30;
  vehicle->update(0.001f);
  EXPECT_GT(vehicle->body.speed, 29.0f);
}

TEST_F(VehicleTest, TurningAroundIsWrongWayAndPassingACheckpointBackwardsGivesTheLapBack) {
  make();
  const int n = loop.track.n;
  // Just behind the finish line (checkpoint 4 = section 0) with the first lap's four
  // checkpoints passed: stepping onto section 0 completes lap one.
  vehicle->nextCheckpoint = 4;
  pose(*vehicle, loop.track, n - 1, 0, 0);
  vehicle->body.speed = 5;
  for (int i = 0; i < 200 && vehicle->section != 0; ++i) vehicle->update(kDt);
  ASSERT_EQ(vehicle->section, 0);
  EXPECT_EQ(vehicle->nextCheckpoint, 0);
  EXPECT_EQ(vehicle->lapsRemaining, 1);
  // Turned around: wrong way.
  pose(*vehicle, loop.track, 22, 0, 3.14159f);
  vehicle->body.speed = 5;
  vehicle->update(kDt);
  EXPECT_TRUE(vehicle->wrongWay);
  // Driving on backwards onto the section of the checkpoint ahead (20): the index steps
  // back past 0 to 4 and the lap is given back.
  vehicle->nextCheckpoint = 0;
  for (int i = 0; i < 2000 && vehicle->section != 20; ++i) {
    vehicle->body.speed = 5;
    vehicle->update(kDt);
  }
  ASSERT_EQ(vehicle->section, 20);
  EXPECT_EQ(vehicle->nextCheckpoint, 4);
  EXPECT_EQ(vehicle->lapsRemaining, 2);
  EXPECT_EQ(host.finishedCalls, 0);
}

TEST_F(VehicleTest, TwoLapsFromTheStartSectionFinishTheRaceOnce) {
  make();
  const int n = loop.track.n;
  std::vector<int> order;
  int lastIndex = vehicle->nextCheckpoint;
  for (int step = 0; step < 3 * n && !vehicle->finished; ++step) {
    const int next = (vehicle->section + 1) % n;
    const int travelledBefore = vehicle->travelled;
    pose(*vehicle, loop.track, vehicle->section, 0, 0);
    vehicle->travelled = travelledBefore;
    vehicle->body.position = loop.track.centre[size_t(next)];
    vehicle->body.position.y = vehicle->rideHeight;
    vehicle->body.speed = 10;
    host.clock = float(step);
    const int travelled = vehicle->travelled;
    vehicle->update(0.0001f);
    ASSERT_EQ(vehicle->travelled, travelled + 1);
    if (vehicle->nextCheckpoint != lastIndex) {
      order.push_back(vehicle->section);
      lastIndex = vehicle->nextCheckpoint;
    }
  }
  ASSERT_TRUE(vehicle->finished);
  EXPECT_TRUE(vehicle->autopilot);
  EXPECT_EQ(host.finishedCalls, 1);
  EXPECT_EQ(vehicle->lapsRemaining, 0);
  // Crossing section 0 right after the start does not count; then 20, 40, 60, 80, 0 twice.
  const std::vector<int> expected = {20, 40, 60, 80, 0, 20, 40, 60, 80, 0};
  EXPECT_EQ(order, expected);
  EXPECT_EQ(vehicle->travelled, n - 1 + 2 * n + 1);
  EXPECT_FLOAT_EQ(vehicle->finishTime, host.clock);
}

TEST_F(VehicleTest, AutopilotDrivesAroundTheLoopOnTheRoad) {
  make(true);
  for (int i = 0; i < 40 * 30; ++i) {
    vehicle->update(kDt);
    ASSERT_LT(std::abs(vehicle->lateralQuad), 4) << "frame " << i;
  }
  EXPECT_GT(vehicle->travelled - (loop.track.n - 1), 40);
  EXPECT_FALSE(vehicle->wrongWay);
}

TEST(VehicleSlope, UphillIsSlowerThanDownhillAndTheBodyLeansWithTheGround) {
  LoopTrack tilted(100, 200.0f, 0.15f);
  RecordingHost host;
  // Section 75 (angle 270 degrees) drives toward +x: uphill; section 25 toward -x.
  float travelled[2];
  const int sections[2] = {75, 25};
  for (int k = 0; k < 2; ++k) {
    Vehicle v(host, tilted.track, 2, false);
    v.setDimensions(1.6f, 3.2f, 1.2f, 0.4f);
    v.placeAtSection(sections[k]);
    for (int i = 0; i < 20; ++i) v.update(kDt);  // settle onto the slope
    const Vector3 start = v.body.position;
    v.body.speed = 20;
    for (int i = 0; i < 20; ++i) {
      v.body.speed = 20;
      v.update(kDt);
    }
    travelled[k] = length(v.body.position - start);
    const Vector3 up = rotateDirection(v.body.orientation, Vector3{0, 1, 0});
    EXPECT_GT(std::abs(up.x), 0.05f) << "leans with the slope";
    EXPECT_FALSE(v.body.airborne);
  }
  EXPECT_LT(travelled[0], travelled[1]);
}

}  // namespace
