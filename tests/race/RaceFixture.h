// A generated loop track for the race tests: n sections of 11 vertices 2 units apart on
// a circle (optionally tilted), faces visible from above, prepared and gridded the way
// the track builder does it; and a vehicle host that records what the vehicle asks for.
#pragma once

#include <cmath>
#include <memory>
#include <vector>

#include "engine3d/Group3D.h"
#include "engine3d/Mesh.h"
#include "race/RaceTrack.h"
#include "race/Vehicle.h"

struct LoopTrack {
  std::unique_ptr<Group3D> model;
  RaceTrack track;

  // radius: circle radius; tilt: y grows by tilt per unit of x.
  explicit LoopTrack(int n = 100, float radius = 200.0f, float tilt = 0.0f) {
    model.reset(new Group3D);
    Mesh* mesh = model->addMesh(u"track");
    for (int i = 0; i < n; ++i) {
      const float a = 2.0f * 3.14159265f * float(i) / float(n);
      const float cx = radius * std::cos(a), cz = radius * std::sin(a);
      // Driving direction (-sin, 0, cos); its right side is cross(forward, up).
      const float fx = -std::sin(a), fz = std::cos(a);
      const float rx = -fz, rz = fx;
      for (int k = 0; k < 11; ++k) {
        const float l = float(5 - k) * 2.0f;  // positive: right side
        const float x = cx + rx * l, z = cz + rz * l;
        mesh->addVertex(x, tilt * x, z, 0, 0);
      }
    }
    for (int i = 0; i < n; ++i) {
      const int j = (i + 1) % n;
      for (int q = 0; q < 10; ++q) {
        const int a = 11 * i + q, b = 11 * i + q + 1, c = 11 * j + q, d = 11 * j + q + 1;
        addUp(*mesh, a, b, c);
        addUp(*mesh, b, d, c);
      }
    }
    track.model = model.get();
    track.trackMesh = mesh;
    track.reshape(*mesh, TrackShape{});
    track.deriveRing();
    mesh->prepared = 0;
    model->prepare(true);
    track.grid.build(model.get(), 0, 100, 1, 100);
  }

  // Adds the face wound so that its visible side is up.
  static void addUp(Mesh& mesh, int a, int b, int c) {
    auto p = [&mesh](int i) {
      const MeshVertex& v = mesh.vertices[size_t(i)];
      return Vector3{v.x / 65536.0f, v.y / 65536.0f, v.z / 65536.0f};
    };
    const Vector3 n = cross(p(b) - p(a), p(c) - p(b));
    if (n.y > 0) mesh.addFace(a, c, b);
    else mesh.addFace(a, b, c);
  }
};

struct RecordingHost : VehicleHost {
  float sensitivity = 1.0f;
  float clock = 0;
  bool running = true;
  bool replay = false;
  int startSection = -1;
  int finishedCalls = 0;
  struct Start { VehicleSound sound; int volume, pitch; };
  std::vector<Start> sounds;

  float steeringSensitivity() const override { return sensitivity; }
  float raceClock() const override { return clock; }
  bool raceRunning() const override { return running; }
  bool replayPlaying() const override { return replay; }
  void setStartSection(int s) override { startSection = s; }
  void stageFinished() override { ++finishedCalls; }
  void startSound(VehicleSound sound, int volume, int pitch) override { sounds.push_back({sound, volume, pitch}); }
  int count(VehicleSound s) const {
    int c = 0;
    for (auto& e : sounds) c += e.sound == s;
    return c;
  }
};
