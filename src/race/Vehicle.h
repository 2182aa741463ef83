// The player's snow vehicle: a model with body and four wheels, a ground shadow and a
// pool of ten smoke puffs, moved by an arcade model (speed along a heading, drift above
// the grip speed, gravity in the air), kept on the ground by the collision grid and
// inside the track borders, counting sections, checkpoints and laps, with an autopilot
// for the exercise race and the finish. Per-frame work allocates nothing.
#pragma once

#include <cstdint>
#include <memory>

#include "engine3d/Matrix4.h"
#include "engine3d/MovingBody.h"
#include "engine3d/Vector3.h"
#include "platform/Text.h"

class Canvas;
class Group3D;
class Mesh;
class RaceTrack;
class Scene3DPage;
class Texture;

enum VehicleSound { VehicleBang = 0, VehicleBrake = 1, VehicleScreech = 2 };

// What the vehicle asks of its race page.
class VehicleHost {
 public:
  virtual float steeringSensitivity() const = 0;  // 1.0, 1.5 or 2.0
  virtual float raceClock() const = 0;
  virtual bool raceRunning() const = 0;
  virtual bool replayPlaying() const = 0;
  virtual void setStartSection(int section) = 0;
  virtual void stageFinished() = 0;
  // Starts the sound unless it is playing; volume / pitch -1 leave the sound's own.
  virtual void startSound(VehicleSound sound, int volume, int pitch) = 0;

 protected:
  ~VehicleHost() = default;
};

class Vehicle {
 public:
  static constexpr float MaxSpeed = 46.9f;
  static constexpr float MinSpeed = -8.0f;
  static constexpr int PuffCount = 10;

  Vehicle(VehicleHost& host, const RaceTrack& track, int laps, bool autopilot);
  virtual ~Vehicle();

  // Model, shadow and smoke on the page's 3D scene. False when the model is missing (the
  // vehicle then still drives, invisibly).
  bool buildModel(Canvas& page, Scene3DPage& scene, bool hardware3D, const os::WString& vehicleFolder,
                  const os::WString& name, uint32_t ambient, uint32_t smokeColour);
  // Sets the dimensions without a model (tests, or a missing model).
  void setDimensions(float width, float length, float height, float wheelRadius);

  // Virtual operations in slot order.
  virtual void update(float dt);
  virtual void idle();
  virtual void steer(int direction, float amount);
  virtual void accelerate(float dt);
  virtual void brake(float dt);

  // The player's keys (bits: up 1, down 2, left 4, right 8).
  void playerInput(uint32_t keys, float dt);
  void placeAtSection(int s);
  void resetSmoke();

  MovingBody body;
  Vector3 lastValidPosition;
  float steering = 0;          // -1.15..1.15
  float spinAngle = 0;
  int section = 0;             // 0..n-1
  int travelled = 0;           // unwrapped
  int nextCheckpoint = 0;      // 0..4
  int lapsRemaining = 2;
  float finishTime = 0;
  bool finished = false, autopilot = false, wrongWay = false, cruise = false, offCentre = false;
  bool replayPlayback = false;
  int lateralQuad = 0;         // -4..4 on the mesh, +-5 beside it
  float airtime = 0;
  float smokeTimer = 0, smokeInterval = 0.08f;
  float shakeZ = 0, shakeX = 0;
  float width = 1.6f, length = 3.2f, height = 1.2f, rideHeight = 0.72f, wheelFactor = 2.0f;
  Group3D* model = nullptr;
  Group3D* shadow = nullptr;

  struct Puff {
    Group3D* chip = nullptr;
    float age = 0, speed = 0, fallSpeed = 0;
    Vector3 direction;
    int32_t baseU[4] = {0, 0, 0, 0}, baseV[4] = {0, 0, 0, 0};
  };
  Puff puffs[PuffCount];
  static float smokeLifetime;  // 0.8 s until the first smoke is set up, then 0.5 s

 private:
  void trackSections();
  void passCheckpoints();
  void probeGround(bool& hit, Vector3& groundPoint, Vector3& groundNormal);
  void alignShadow(const Vector3& groundPoint, const Vector3& groundNormal);
  void runAutopilot(float dt);
  void groundContact(float dt, const Vector3& groundPoint, const Vector3& groundNormal);
  bool keepInsideBorders();  // false: the update ends (stopped at the border)
  void shake();
  void turnWheels(float dt);
  void animateSmoke(float dt);
  float alignment() const;
  float sideOf(const Vector3& direction) const;

  VehicleHost& host_;
  const RaceTrack& track_;
  Mesh* wheels_[4] = {nullptr, nullptr, nullptr, nullptr};  // fl, fr, rl, rr
  Vector3 pivots_[4];
  std::unique_ptr<Texture> wheelTexture_;
  int wheelFrame_ = -1;
};

// Turns the rotation part of m by q (world axes), keeping its translation.
void turnMatrix(Matrix4& m, const struct Quaternion& q);
