// Replay ring: record at a fixed interval of race time, rotate once when playback
// starts on a wrapped ring, interpolate between frames while playing, loop at the end.
#include "race/ReplayRecorder.h"

#include <algorithm>
#include <cmath>

#include "engine3d/AngleTable.h"
#include "engine3d/Fixed.h"
#include "engine3d/Matrix4.h"
#include "race/Vehicle.h"

ReplayRecorder::ReplayRecorder(ReplayHost& host, float intervalSeconds, float capacitySeconds)
    : interval(intervalSeconds), capacityTime(capacitySeconds), host_(host) {
  capacity = std::max(2, truncToInt(double(capacitySeconds / intervalSeconds)));
  frames.resize(size_t(capacity));
}

void ReplayRecorder::recordTick(float c) {
  if (c - lastRecordTime < interval) return;
  if (writeIndex >= capacity) {
    wrapped = true;
    writeIndex = 0;
  }
  record(c);
  lastRecordTime = c;
  ++writeIndex;
}

void ReplayRecorder::record(float c) {
  Vehicle* v = host_.replayVehicle();
  if (v == nullptr) return;
  Frame& f = frames[size_t(writeIndex)];
  f.time = c;
  f.position = v->body.position;
  f.orientation = axisAngleFromMatrix(v->body.orientation, false);
  f.speed = v->body.speed;
  f.steer = v->steering;
  f.section = v->section;
  f.travelled = v->travelled;
}

float ReplayRecorder::duration() const {
  return wrapped ? capacityTime : float(writeIndex + 1) * capacityTime / float(capacity);
}

void ReplayRecorder::startPlayback(float& raceClock) {
  if (wrapped) {
    std::rotate(frames.begin(), frames.begin() + writeIndex, frames.end());
    writeIndex = capacity;
    wrapped = false;
  }
  playing = true;
  raceClock = frames[0].time;
  current = 0;
  beginPlayback();
}

void ReplayRecorder::beginPlayback() {
  if (Vehicle* v = host_.replayVehicle()) {
    v->resetSmoke();
    v->section = frames[0].section;
    v->travelled = frames[0].travelled;
  }
  host_.restartPlayback(frames[0].time);
}

void ReplayRecorder::playbackStep(float& c) {
  // Fewer than two frames cannot be interpolated: hold the first.
  if (writeIndex < 2) {
    apply(0, 0);
    return;
  }
  int i = current;
  float span = frames[size_t(i + 1)].time - frames[size_t(i)].time;
  float f = span > 0 ? (c - frames[size_t(i)].time) / span : 1.0f;
  if (f < 1.0f) {
    apply(i, f);
    return;
  }
  ++i;
  if (i < writeIndex - 1) {
    current = i;
    apply(i, f - 1.0f > 1.0f ? 1.0f : f - 1.0f);
    return;
  }
  c = frames[0].time;
  current = 0;
  beginPlayback();
}

void ReplayRecorder::apply(int i, float f) {
  Vehicle* v = host_.replayVehicle();
  if (v == nullptr) return;
  const Frame& A = frames[size_t(i)];
  const Frame& B = frames[size_t(std::min(i + 1, capacity - 1))];
  v->body.position = A.position + (B.position - A.position) * f;
  AxisAngle a = A.orientation, b = B.orientation;
  if (a.x * b.x + a.y * b.y + a.z * b.z < 0) {
    b.x = -b.x;
    b.y = -b.y;
    b.z = -b.z;
    b.angle = 2 * Pi - b.angle;
  }
  if (std::fabs(b.angle - a.angle) > Pi) b.angle += b.angle > a.angle ? -2 * Pi : 2 * Pi;
  AxisAngle m{a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f, a.z + (b.z - a.z) * f, a.angle + (b.angle - a.angle) * f};
  v->body.orientation = rotationFromAxisAngle(m);
  setTranslation(v->body.orientation, v->body.position);
  v->body.speed = A.speed + (B.speed - A.speed) * f;
  v->steering = A.steer + (B.steer - A.steer) * f;
}
