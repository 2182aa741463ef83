// The race's replay: the vehicle's state sampled every 0.77 s of race time into a ring
// of 779 frames (600 s), allocated once. Playback interpolates position, orientation
// (as axis and angle), speed and steer between frames and loops with a fade.
#pragma once

#include <vector>

#include "engine3d/Quaternion.h"
#include "engine3d/Vector3.h"

class Vehicle;

// What the recorder needs of its race page.
class ReplayHost {
 public:
  virtual Vehicle* replayVehicle() = 0;
  // Fade out (unless hardware 3D), hide smoke, reset the page's window and camera,
  // finished = false and race clock = time.
  virtual void restartPlayback(float time) = 0;

 protected:
  ~ReplayHost() = default;
};

class ReplayRecorder {
 public:
  struct Frame {
    float time = 0;
    Vector3 position;
    AxisAngle orientation;
    float speed = 0, steer = 0;
    int section = 0, travelled = 0;
  };

  ReplayRecorder(ReplayHost& host, float interval = 0.77f, float capacityTime = 600.0f);
  virtual ~ReplayRecorder() = default;

  // Virtual operations in slot order.
  virtual void record(float time);
  virtual void apply(int index, float fraction);
  virtual void beginPlayback();

  void recordTick(float raceClock);
  float duration() const;
  void startPlayback(float& raceClock);
  void playbackStep(float& raceClock);

  bool playing = false;
  int current = 0;
  int capacity = 0;
  int writeIndex = 0;
  float interval;
  float capacityTime;
  float lastRecordTime = 0;  // the first frame is taken one interval into the race
  bool wrapped = false;
  std::vector<Frame> frames;

 private:
  ReplayHost& host_;
};
