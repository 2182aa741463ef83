// Vehicle motion, ground following, borders, lap counting, autopilot, wheels and smoke.
#include "race/Vehicle.h"

#include <algorithm>
#include <cmath>

#include "engine3d/AngleTable.h"
#include "engine3d/Chip3D.h"
#include "engine3d/Fixed.h"
#include "engine3d/Group3D.h"
#include "engine3d/Mesh.h"
#include "engine3d/ModelCache.h"
#include "engine3d/Quaternion.h"
#include "gui/Page3D.h"
#include "gui/PageCaches.h"
#include "gui/Texture.h"
#include "image/Image.h"
#include "platform/System.h"
#include "race/RaceRandom.h"
#include "race/RaceTrack.h"
#include "shell/Canvas.h"
#include "shell/SystemServices.h"

float Vehicle::smokeLifetime = 0.8f;

namespace {

constexpr float kGravity = 15.0f;
constexpr float kGripSpeed = 35.175f;
constexpr float kGripFactor = 0.6f;

}  // namespace

void turnMatrix(Matrix4& m, const Quaternion& q) {
  const Vector3 t = getTranslation(m);
  setTranslation(m, Vector3{});
  multiply(m, quaternionToMatrix(q), m);
  setTranslation(m, t);
}

Vehicle::Vehicle(VehicleHost& host, const RaceTrack& track, int laps, bool autopilotOn)
    : host_(host), track_(track) {
  body.gravity = kGravity;
  body.gripSpeed = kGripSpeed;
  body.gripFactor = kGripFactor;
  body.rising = 0;
  autopilot = autopilotOn;
  lapsRemaining = laps;
  nextCheckpoint = 0;
  smokeInterval = 0.1f * smokeLifetime;
}

Vehicle::~Vehicle() = default;

void Vehicle::setDimensions(float w, float l, float h, float wheelRadius) {
  width = w;
  length = l;
  height = h;
  rideHeight = 0.6f * h;
  wheelFactor = wheelRadius > 0 ? 1.0f / wheelRadius : 1.0f;
}

bool Vehicle::buildModel(Canvas& page, Scene3DPage& scene, bool hardware3D, const os::WString& vehicleFolder,
                         const os::WString& name, uint32_t ambient, uint32_t smokeColour) {
  RaceTrack& track = const_cast<RaceTrack&>(track_);
  auto tint = [ambient](Texture* texture) {
    if (texture == nullptr || !texture->valid()) return;
    for (int f = 0; f < texture->frameCount; ++f)
      if (Image* image = texture->frameImage(f)) tintPicture(*image, ambient, true);
  };
  model = pageModelCache(page).getModel(vehicleFolder, name + u".3ds", 3.2f);
  if (model != nullptr) {
    model->removeMesh(u"dummy");
    model->setDetailLevel(1);
    Texture* bodyPicture = page.imageCache().get(vehicleFolder, (name + u".jpg").c_str(), true, false);
    tint(bodyPicture);
    if (Material* m = model->findMaterial(u"body")) m->texture = track.adapt(bodyPicture);
    // The wheel texture: three pictures as frames of one texture, chosen by speed.
    std::vector<std::unique_ptr<Image>> frames;
    for (int i = 0; i < 3; ++i) {
      Texture loaded;
      if (!loaded.load(vehicleFolder + os::format(u"common\\wheel%d.gif", i), true, false)) continue;
      std::unique_ptr<Image> copy(new Image(loaded.width(), loaded.height(), loaded.currentImage()->deviceDepth()));
      Image::copyTo(*loaded.currentImage(), *copy, 0, 0, 0, 0, loaded.width(), loaded.height(), true);
      copy->setTransparentColour(loaded.currentImage()->transparentColour());
      frames.push_back(std::move(copy));
    }
    if (!frames.empty()) {
      wheelTexture_.reset(new Texture);
      wheelTexture_->setFrames(std::move(frames));
      wheelTexture_->setFrame(0);
      tint(wheelTexture_.get());
      if (Material* m = model->findMaterial(u"wheel")) m->texture = track.adapt(wheelTexture_.get());
    }
    for (auto& mesh : model->meshes) mesh->prepared = 0;
    model->prepare(true);
    const char16_t* wheelNames[4] = {u"flwheel", u"frwheel", u"rlwheel", u"rrwheel"};
    for (int i = 0; i < 4; ++i) {
      wheels_[i] = model->findMesh(wheelNames[i]);
      if (wheels_[i]) pivots_[i] = wheels_[i]->boundsCentre();
    }
    if (Mesh* b = model->findMesh(u"body")) {
      const Vector3 s = b->boundsSize();
      setDimensions(s.x, s.z, s.y, wheels_[0] ? 0.5f * wheels_[0]->boundsSize().y : 0.5f);
    }
    model->type = ObjectTypeGroup3D;
    scene.add3DObject(name, model, false);
    body.body = model;
  }

  // The shadow: a black flat quad whose opacity is the shadow picture's brightness.
  Texture* shadowPicture = page.imageCache().get(vehicleFolder, u"common\\shadow.jpg", true, false);
  std::unique_ptr<Chip3D> chip = Chip3D::create(0.01f, truncToInt(double(60 * width)), truncToInt(double(55 * length)),
                                                Chip3D::Flat, nullptr, track.adapt(shadowPicture), false);
  if (chip) {
    for (auto& m : chip->materials) {
      m->colour = 0;
      m->detailLevel = 1;
      m->twoSided = 1;
    }
    chip->setDepthBias(hardware3D ? 0.05f : 1.5f);
    chip->type = ObjectTypeGroup3D;
    shadow = chip.release();
    scene.add3DObject(u"shadow", shadow, true);
  }

  // Smoke puffs: the smoke colour with a picture's brightness as opacity, one cell of a
  // 4 x 4 atlas at a time.
  smokeLifetime = 0.5f;
  Texture* smoke[3];
  for (int i = 0; i < 3; ++i)
    smoke[i] = page.imageCache().get(vehicleFolder, os::format(u"common\\smoke%d.jpg", i + 1).c_str(), true, false);
  for (int i = 0; i < PuffCount; ++i) {
    std::unique_ptr<Chip3D> puff =
        Chip3D::create(0.7f * 0.012f, 120, 100, Chip3D::Upright, nullptr, track.adapt(smoke[i % 3]), false);
    if (!puff) continue;
    for (auto& m : puff->materials) {
      m->colour = smokeColour;
      m->texture = nullptr;
      m->detailLevel = 1;
    }
    Puff& p = puffs[i];
    if (!puff->meshes.empty()) {
      Mesh& mesh = *puff->meshes[0];
      for (size_t v = 0; v < mesh.vertices.size() && v < 4; ++v) {
        p.baseU[v] = mesh.vertices[v].u / 4;
        p.baseV[v] = mesh.vertices[v].v / 4;
        mesh.vertices[v].u = p.baseU[v];
        mesh.vertices[v].v = p.baseV[v];
      }
    }
    puff->setDepthBias(hardware3D ? 0.01f : 2.5f);
    puff->visible = 0;
    puff->billboard = Group3D::BillboardScreen;
    puff->type = ObjectTypeGroup3D;
    p.chip = puff.release();
    scene.add3DObject(u"fume", p.chip, true);
  }
  return model != nullptr;
}

void Vehicle::idle() {
  body.rateY = 0;
  steering = 0;
}

void Vehicle::steer(int direction, float amount) {
  const float s = std::fabs(body.speed);
  const float sensitivity = host_.steeringSensitivity();
  if (direction == 2) {
    if (s > 0.1f) {
      if (std::fabs(steering) >= 0.005f) steering *= std::max(1.0f - 7.0f * amount, 0.0f);
      else steering = 0;
      body.rateY = steering;
    } else {
      body.rateY = 0;
    }
    return;
  }
  const bool reversing = body.speed < 0;
  const bool decrease = (direction == 0) != reversing;
  if (decrease) steering = std::max(steering - sensitivity * amount, -1.15f);
  else steering = std::min(steering + sensitivity * amount, 1.15f);
  if (s > 0.1f) body.rateY = steering;
}

void Vehicle::accelerate(float dt) {
  body.speed = std::min(body.speed + 15.0f * dt, MaxSpeed);
  cruise = body.speed > 10.0f;
}

void Vehicle::brake(float dt) {
  body.speed -= 15.0f * dt;
  if (body.speed > 44.555f) host_.startSound(VehicleBrake, -1, -1);
  body.speed = std::max(body.speed, MinSpeed);
  cruise = false;
}

void Vehicle::playerInput(uint32_t keys, float dt) {
  if (keys & 4) steer(0, dt);
  else if (keys & 8) steer(1, dt);
  else steer(2, dt);
  if (keys & 1) accelerate(dt);
  else if (keys & 2) brake(dt);
  else if (cruise) accelerate(dt);
  else if (std::fabs(body.speed) < 3.0f) {
    body.speed = 0;
    idle();
  }
}

void Vehicle::placeAtSection(int s) {
  const int n = std::max(track_.n, 1);
  section = ((s % n) + n) % n;
  travelled = s;
  host_.setStartSection(s);
  Vector3 backward = rotateDirection(body.orientation, Vector3{0, 0, -1});
  Vector3 target = track_.back.empty() ? Vector3{0, 0, -1} : track_.back[size_t(section)];
  backward.y = 0;
  target.y = 0;
  setIdentity(body.orientation);
  body.orientation = quaternionToMatrix(shortestArc(normalized(backward), normalized(target)));
  if (!track_.centre.empty()) {
    body.position = (track_.sectionCentre(section) + track_.sectionCentre(section + 1)) * 0.5f;
    body.position.y += 0.32f;
  }
  setTranslation(body.orientation, body.position);
  body.heading = rotateDirection(body.orientation, Vector3{0, 0, 1});
  lastValidPosition = body.position;
  update(0.1f);
}

void Vehicle::resetSmoke() {
  for (Puff& p : puffs)
    if (p.chip) p.chip->visible = 0;
}

float Vehicle::alignment() const {
  Vector3 h = normalized(body.heading);
  Vector3 b = normalized(track_.back[size_t(section)]);
  return -dot(h, b);
}

// Y of back[section] x v: which side of the centre line v points to.
float Vehicle::sideOf(const Vector3& v) const {
  const Vector3& b = track_.back[size_t(section)];
  return b.z * v.x - b.x * v.z;
}

void Vehicle::trackSections() {
  const int n = track_.n;
  auto flat = [this](int i) {
    const Vector3& c = track_.sectionCentre(i);
    const float dx = body.position.x - c.x, dz = body.position.z - c.z;
    return dx * dx + dz * dz;
  };
  const int next = wrap(section + 1, 0, n);
  const float here = flat(section);
  if (flat(next) < here) {
    section = next;
    ++travelled;
  } else if (!autopilot) {
    const int prev = wrap(section - 1, 0, n);
    if (flat(prev) < here) {
      section = prev;
      --travelled;
    }
  }
}

void Vehicle::passCheckpoints() {
  if (track_.checkpoint[nextCheckpoint] != section || body.speed <= 0 || finished) return;
  nextCheckpoint += wrongWay ? -1 : 1;
  bool lastLapDone = false;
  if (nextCheckpoint < 0) {
    nextCheckpoint = 4;
    ++lapsRemaining;
  } else if (nextCheckpoint >= 5) {
    nextCheckpoint = 0;
    lastLapDone = --lapsRemaining <= 0;
  }
  // Observable for automation (a rare event; the formatting is not per frame).
  os::logEvent("race", u"checkpoint", os::format(u"%d", nextCheckpoint), os::format(u"%d", lapsRemaining));
  if (lastLapDone) {
    finishTime = host_.raceClock();
    autopilot = finished = true;
    host_.stageFinished();
  }
}

void Vehicle::probeGround(bool& hit, Vector3& groundPoint, Vector3& groundNormal) {
  Vector3 p = body.position;
  p.y += 10;
  CollisionGrid& grid = const_cast<CollisionGrid&>(track_.grid);
  hit = grid.ground(p, groundNormal, true) != nullptr;
  groundPoint = p;
  if (hit) {
    const int q = (grid.lastHit().triangle % 20) / 2;
    const int l = 5 - q;
    lateralQuad = l > 0 ? l - 1 : l;
  } else {
    lateralQuad = sideOf(body.position - track_.centre[size_t(section)]) < 0 ? 5 : -5;
  }
  offCentre = lateralQuad != 0;
}

void Vehicle::alignShadow(const Vector3& groundPoint, const Vector3& groundNormal) {
  if (shadow == nullptr) return;
  const Vector3 up = rotateDirection(body.orientation, Vector3{0, 1, 0});
  const Quaternion r = shortestArc(up, groundNormal);
  Matrix4 placement = body.orientation;
  turnMatrix(placement, r);
  setTranslation(placement, groundPoint);
  shadow->placement = placement;
}

void Vehicle::runAutopilot(float dt) {
  const Vector3& target = track_.sectionCentre(section + 1);
  Vector3 heading = body.heading;
  heading.y = 0;
  Vector3 toTarget = target - body.position;
  toTarget.y = 0;
  Quaternion q = shortestArc(normalized(heading), normalized(toTarget));
  Quaternion p = identityQuaternion();
  slerp(p, q, std::min(3.0f * dt, 0.3f));
  turnMatrix(body.orientation, p);
  if (!finished) {
    if (std::fabs(p.y) > 0.015f) brake(dt);
    else accelerate(dt);
  } else {
    if (body.speed > 10.0f) brake(dt);
    else accelerate(dt);
  }
  if (p.y > 0.004f) steer(1, 0.12f * dt);
  else if (p.y < -0.004f) steer(0, 0.12f * dt);
  else steer(2, 0.12f * dt);
  body.rateY = 0;
}

void Vehicle::groundContact(float dt, const Vector3& groundPoint, const Vector3& groundNormal) {
  const float target = groundPoint.y + rideHeight;
  const bool wasAirborne = body.airborne != 0;
  body.airborne = (target - body.position.y) < -0.1f ? 1 : 0;
  const Vector3 up = rotateDirection(body.orientation, Vector3{0, 1, 0});
  const Quaternion r = shortestArc(up, groundNormal);
  if (model == nullptr || model->visible) alignShadow(groundPoint, groundNormal);
  if (!body.airborne) {
    if (!wasAirborne) {
      Quaternion part = r, id = identityQuaternion();
      slerp(part, id, std::max(1.0f - 10.0f * dt, 0.0f));
      turnMatrix(body.orientation, part);
    } else {
      if (airtime > 0.25f) {
        host_.startSound(VehicleBang, int(clamp(float(truncToInt(double(airtime * 128))), 32, 64)), randi(100, 150));
      }
      turnMatrix(body.orientation, r);
    }
    airtime = 0;
    const float roll = clamp(body.speed * (0.08f / MaxSpeed) * steering * 0.5f, -0.25f, 0.25f);
    postMultiply(body.orientation, rotationZ(roll));
    body.rateZ = 0;
    if (std::fabs(roll) > 0.04f) host_.startSound(VehicleScreech, -1, -1);
    body.position.y = target;
  } else {
    airtime += dt;
    const Quaternion u = shortestArc(up, Vector3{0, 1, 0});
    Quaternion part = u, id = identityQuaternion();
    slerp(part, id, std::max(1.0f - 2.0f * dt, 0.0f));
    turnMatrix(body.orientation, part);
  }
}

bool Vehicle::keepInsideBorders() {
  if (track_.borderLeft < lateralQuad && lateralQuad < track_.borderRight) return true;
  cruise = body.speed > 10.0f;
  const float side = sideOf(body.position - track_.centre[size_t(section)]);
  Vector3 dir = body.heading;
  if (body.speed < 0) dir = -dir;
  if (side * sideOf(dir) <= 0) return true;  // already heading back in
  if (body.speed > 3.0f) host_.startSound(VehicleBang, -1, randi(60, 90));
  const float a = alignment();
  if (!autopilot && a <= 0.26f) {
    body.speed = 0;
    body.position = lastValidPosition;
    setTranslation(body.orientation, body.position);
    if (body.body) body.body->placement = body.orientation;
    return false;
  }
  const Vector3 backward = rotateDirection(body.orientation, Vector3{0, 0, -1});
  AxisAngle aa = quaternionToAxisAngle(shortestArc(backward, track_.back[size_t(section)]));
  aa.angle += 0.002f * body.speed;
  turnMatrix(body.orientation, quaternionFromAxisAngle(aa));
  body.speed = (a - 0.25f) * body.speed * 0.5f;
  return true;
}

void Vehicle::shake() {
  const float m = body.speed * (0.08f / MaxSpeed);
  shakeZ = (shakeZ + randf(-m, m)) / 2;
  shakeX = (shakeX + randf(-m, m)) / 2;
  if (model) {
    postMultiply(model->placement, rotationZ(shakeZ));
    postMultiply(model->placement, rotationX(shakeX));
  }
}

void Vehicle::turnWheels(float dt) {
  const int frame = std::min(truncToInt(double(std::fabs(body.speed) / MaxSpeed * 3)), 2);
  if (wheelTexture_ && frame != wheelFrame_) {
    wheelTexture_->setFrame(frame);
    wheelFrame_ = frame;
  }
  float steerAngle = 0.3f * steering;
  if (body.speed < 0) steerAngle = -steerAngle;
  spinAngle += body.speed * dt * wheelFactor;
  const Matrix4 spin = rotationX(spinAngle);
  for (int i = 0; i < 3; ++i) {
    if (wheels_[i] == nullptr) continue;
    const Vector3& p = pivots_[i];
    Matrix4 m;
    setTranslation(m, p);
    if (i < 2 && steerAngle != 0) postMultiply(m, rotationY(steerAngle));
    postMultiply(m, spin);
    Matrix4 back;
    setTranslation(back, -p);
    postMultiply(m, back);
    if (body.airborne) {
      Matrix4 lower;
      setTranslation(lower, Vector3{0, -0.03f * height, 0});
      multiply(m, lower, m);
    }
    wheels_[i]->local = m;
  }
  if (wheels_[3] && wheels_[2]) wheels_[3]->local = wheels_[2]->local;
}

void Vehicle::animateSmoke(float dt) {
  for (Puff& p : puffs) {
    if (p.chip == nullptr || !p.chip->visible) continue;
    p.age += dt;
    if (p.age >= smokeLifetime) {
      p.chip->visible = 0;
      continue;
    }
    Vector3 pos = getTranslation(p.chip->placement);
    addScaled(pos, p.direction, p.speed * dt);
    p.fallSpeed += 9.8f * dt;
    pos.y -= p.fallSpeed * dt;
    setTranslation(p.chip->placement, pos);
    const int f = std::min(truncToInt(double(p.age / smokeLifetime * 16)), 15);
    const int32_t du = (f % 4) * 16384, dv = (f / 4) * 16384;
    if (!p.chip->meshes.empty()) {
      Mesh& mesh = *p.chip->meshes[0];
      for (size_t v = 0; v < mesh.vertices.size() && v < 4; ++v) {
        mesh.vertices[v].u = p.baseU[v] + du;
        mesh.vertices[v].v = p.baseV[v] + dv;
      }
    }
  }
  const bool visible = model != nullptr && model->visible;
  if (!visible || body.airborne) return;
  if (randf(0.2f, 0.8f) * MaxSpeed < body.speed) {
    smokeTimer += dt;
    if (smokeTimer > smokeInterval) {
      smokeTimer = 0;
      for (Puff& p : puffs) {
        if (p.chip == nullptr || p.chip->visible) continue;
        Matrix4 placement = model->placement;
        setTranslation(placement, transformPoint(model->placement, Vector3{0, -0.2f * height, -0.5f * length}));
        p.chip->placement = placement;
        p.direction = rotateDirection(model->placement, Vector3{0, 0, 1});
        p.speed = 0.5f * body.speed;
        p.age = 0;
        p.fallSpeed = 0;
        p.chip->visible = 1;
        break;
      }
    }
  }
}

void Vehicle::update(float dt) {
  if (track_.n <= 0) return;
  replayPlayback = host_.replayPlaying();
  trackSections();
  if (!replayPlayback) {
    passCheckpoints();
    body.step(dt);
  }
  bool hit = false;
  Vector3 groundPoint, groundNormal;
  probeGround(hit, groundPoint, groundNormal);

  if (replayPlayback) {
    if ((model == nullptr || model->visible) && hit) alignShadow(groundPoint, groundNormal);
    if (model) model->placement = body.orientation;
  } else {
    if (autopilot && host_.raceRunning() && !body.airborne) runAutopilot(dt);
    if (hit) groundContact(dt, groundPoint, groundNormal);
    if (!keepInsideBorders()) return;
    if (!autopilot) wrongWay = alignment() < 0;
    lastValidPosition = body.position;
    const float k = (offCentre ? 0.4f : 0.0f) + ((body.sliding && body.slideAlignment < 0.985f) ? 0.5f : 0.2f);
    body.speed *= 1.0f - k * dt;
    if (body.airborne) body.rateY = 0;
    body.turn(dt);
  }
  if (offCentre) shake();
  if (model == nullptr || model->visible) turnWheels(dt);
  animateSmoke(dt);
}
