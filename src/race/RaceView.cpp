// Race camera and scenery window: the seven camera views, the chase camera kept above
// the ground and inside the borders, the drawn window of sections (draw ranges, which
// the collision grid follows), the decoration pool re-placed as the window moves, the
// navigator's turn value, the checkpoint arch and the scrolling sky.
#include <algorithm>
#include <cmath>

#include "engine3d/AngleTable.h"
#include "engine3d/Fixed.h"
#include "engine3d/Group3D.h"
#include "engine3d/Mesh.h"
#include "engine3d/Quaternion.h"
#include "gui/Page3D.h"
#include "image/Image.h"
#include "race/GameCanvas.h"
#include "race/RaceRandom.h"
#include "race/SectionWindow.h"
#include "shell/Display.h"
#include "shell/SystemServices.h"

namespace {

int wrapSection(int v, int n) { return n > 0 ? wrap(v, 0, n) : 0; }

}  // namespace

void GameCanvas::chooseView(int v) {
  if (scene3D_ == nullptr || !scene3D_->camera || !vehicle_) return;
  Camera& camera = *scene3D_->camera;
  view_ = v;
  const Matrix4* followed = vehicle_->model ? &vehicle_->model->placement : &vehicle_->body.orientation;
  const bool portrait = deviceFacts().layout == ScreenLayout::Portrait;
  viewOffset_ = portrait ? Vector3{0, 0, 0} : Vector3{0, 1, 0};
  switch (v) {
    case -1:
      camera.setPosition(transformPoint(vehicle_->body.orientation, Vector3{0, 10, 70}));
      viewDirection_ = Vector3{0, 0.2f, -1};
      camera.follow(Camera::FollowChase, followed, 15, 90, viewDirection_, &viewOffset_);
      break;
    case 0:
      viewDirection_ = Vector3{0, 0.2f, -1};
      camera.follow(Camera::FollowChase, followed, 5, 80, viewDirection_, &viewOffset_);
      break;
    case 1:
      viewDirection_ = Vector3{randi(0, 100) < 50 ? -0.2f : 0.2f, 0.1f, 0.9f};
      camera.follow(Camera::FollowChase, followed, 10, 20, viewDirection_, &viewOffset_);
      break;
    case 2: case 3: case 4: case 5: {
      const float x = (v == 2 || v == 4) ? -0.5f : 0.5f;
      const float z = v <= 3 ? -0.7f : 0.7f;
      viewDirection_ = Vector3{x, 0.1f, z};
      camera.follow(Camera::FollowChase, followed, 10, 20, viewDirection_, &viewOffset_);
      break;
    }
    case 6:
      camera.setCallback(this);
      viewDirection_ = Vector3{0, -0.05f, -0.95f};
      camera.follow(Camera::FollowLoose, followed, 65, 95, viewDirection_, nullptr);
      break;
    default:
      break;
  }
}

bool GameCanvas::needsReposition() {
  if (scene3D_ == nullptr || !scene3D_->camera) return false;
  Camera& camera = *scene3D_->camera;
  const float d2 = lengthSquared(camera.target() - camera.position());
  if (d2 <= camera.distance() * camera.distance()) {
    rememberedDistance_ = d2;
    return false;
  }
  const bool grows = d2 > rememberedDistance_;
  rememberedDistance_ = d2;
  return grows;
}

void GameCanvas::reposition() {
  if (scene3D_ == nullptr || !scene3D_->camera || !vehicle_ || track_.n <= 0) return;
  Camera& camera = *scene3D_->camera;
  const int s = vehicle_->section;
  const bool dir = dot(cameraForward_, track_.back[size_t(s)]) < 0;
  Vector3 p = track_.sectionCentre(dir ? s + 2 : s - 2);
  p.y += 4.8f;
  camera.setPosition(p);
  camera.setUp(0, 1, 0);
  rememberedDistance_ = 1e10f;
}

void GameCanvas::update(float dt) {
  if (!loaded_) return;
  cameraStep(dt);
}

void GameCanvas::cameraStep(float dt) {
  if (scene3D_ == nullptr || !scene3D_->camera || !vehicle_ || track_.n <= 0) return;
  Camera& camera = *scene3D_->camera;
  previousCameraPosition_ = camera.position();
  camera.update(dt);
  if (raceRunning_ && camera.followMode() == Camera::FollowChase) {
    const float d = camera.distance();
    const float d2 = d * d;
    const float l2 = lengthSquared(camera.target() - camera.position());
    const float distance = d2 > 0 ? 10.0f * clamp(1.0f - ((l2 - d2) / d2) * dt, 0.15f, 1.2f) : 10.0f;
    Vector3 position = camera.position();
    position.y += (10.0f - distance) * 0.05f;
    Vector3 probe = position;
    probe.y += 10;
    Vector3 normal;
    if (track_.grid.ground(probe, normal, true) != nullptr) {
      if (position.y < probe.y + 1) position.y = probe.y + 1;
      int l = 5 - ((track_.grid.lastHit().triangle % 20) >> 1);
      if (l >= 1) l -= 1;
      if (!(track_.borderLeft < l && l < track_.borderRight)) {
        const float away = length(camera.target() - position);
        position = camera.target();
        if (away >= 1e-10f) moveToward(position, previousCameraPosition_, away);
      }
    }
    camera.setPosition(position);
  }
  Vector3 forward = camera.target() - camera.position();
  normalize(forward);
  cameraPitch_ = forward.y;
  forward.y = 0;
  normalize(forward);
  cameraForward_ = forward;
  windowUpdate();
}

void GameCanvas::windowUpdate() {
  const int n = track_.n;
  if (n <= 0 || !vehicle_) return;
  const int s = vehicle_->section, T = vehicle_->travelled;
  const int k = (scene3D_ && scene3D_->camera && scene3D_->camera->followMode() == Camera::FollowLoose) ? 3 : 2;
  const bool forward = dot(cameraForward_, track_.back[size_t(s)]) < 0;
  const SectionWindow w = sectionWindow(T, track_.viewDepth, k, forward, n);
  lo_ = w.lo;
  hi_ = w.hi;
  first_ = w.first;
  last_ = w.last;
  wrapped_ = w.wrapped;
  if (T == lastSectionSeen_ && forward == directionFlag_) return;
  applyDrawRanges(track_, w);
  directionFlag_ = forward;
  lastSectionSeen_ = T;
  decorationWindow(forward, lo_, hi_);
  turn_ = ::turnValue(track_, T);
  if (track_.arch)
    track_.arch->visible =
        archVisible(w, track_.checkpoint[4], vehicle_->lapsRemaining, laps_, vehicle_->nextCheckpoint) ? 1 : 0;
}

void GameCanvas::decorationWindow(bool forward, int lo, int hi) {
  const int n = track_.n, D = track_.viewDepth;
  const int base = forward ? lo : hi;
  int newLow, newHigh;
  if (forward) {
    newLow = base + 1;
    newHigh = base + D - 2;
  } else {
    newLow = base - (D - 2);
    newHigh = base - 1;
  }
  const int N = int(track_.decorations.size()), B = track_.billboardCount;
  if (decoPending_) {
    const float W = float(newHigh - newLow);
    for (int j = 0; j < N; ++j) {
      Decoration& d = track_.decorations[size_t(j)];
      float p;
      if (j < B) p = float(j) * W / float(B);
      else p = float(j - B) * W / float(N - B);
      const int whole = truncToInt(double(p));
      d.placement.fraction = d.object->name.find(u"banner") != os::WString::npos ? 1.0f : p - float(whole);
      placeDecoration(d, wrapSection(newLow + whole, n));
    }
    decoPending_ = false;
  } else {
    int v[4] = {decoLow_, decoHigh_, newLow, newHigh};
    std::sort(v, v + 4);
    const int a = v[0], b = v[1], c = v[2], dd = v[3];
    if (newLow >= decoLow_) {
      for (int j = 0; j < b - a; ++j) {
        const int from = wrapSection(a + j, n), to = wrapSection(c + j, n);
        for (Decoration& d : track_.decorations)
          if (d.placement.section == from) placeDecoration(d, to);
      }
    } else {
      for (int j = 0; j < dd - c; ++j) {
        const int from = wrapSection(c + j, n), to = wrapSection(a + j, n);
        for (Decoration& d : track_.decorations)
          if (d.placement.section == from) placeDecoration(d, to);
      }
    }
  }
  decoLow_ = newLow;
  decoHigh_ = newHigh;
}

void GameCanvas::placeDecoration(Decoration& d, int s) {
  const int n = track_.n;
  if (n <= 0 || track_.trackMesh == nullptr || d.object == nullptr) return;
  DecorationPlacement& pl = d.placement;
  pl.section = s;
  const int k = std::clamp(5 + pl.lateral, 0, 10);
  const MeshVertex& mv = track_.trackMesh->vertices[size_t(11 * s + k)];
  Vector3 P{fromFixed(mv.x), fromFixed(mv.y), fromFixed(mv.z)};
  const Vector3& c = track_.centre[size_t(s)];
  P = P + (c - P) * randf(-pl.offsetRandom, pl.offsetRandom);
  P = P + (track_.sectionCentre(s + 1) - c) * pl.fraction;
  Vector3 probe = P;
  probe.y += 10;
  Vector3 normal;
  track_.grid.ground(probe, normal, true);
  P.y = probe.y + 0.49f * pl.heightValue;
  Matrix4 m;
  if (pl.aspectAngle > -100) {
    const float a = Pi * pl.aspectAngle / 180.0f;
    Vector3 dir{sinT(a), 0, cosT(a)};
    if (pl.lateral > 0) dir.x = -dir.x;
    Vector3 b = track_.back[size_t(s)];
    b.y = 0;
    m = quaternionToMatrix(shortestArc(dir, normalized(b)));
  }
  setTranslation(m, P);
  d.object->placement = m;
}

void GameCanvas::drawSky() {
  Image* target = backBuffer_;
  Image* sky = track_.sky.get();
  if (target == nullptr || sky == nullptr || !sky->valid() || scene3D_ == nullptr) return;
  const int w = sky->width(), h = sky->height();
  const int offset = skyOffset(cameraForward_.x, cameraForward_.z, w);
  const bool portrait = deviceFacts().layout == ScreenLayout::Portrait;
  const int v = truncToInt(double(float(h) * 2 * cameraPitch_ * 0.7f + float(portrait ? scaleToScreen(20) : 0)));
  const int vx = scene3D_->x, vy = scene3D_->y, vw = scene3D_->width, vh = scene3D_->height;
  const int top = vy + std::min(v, 0);
  if (top + h < vy + vh) target->fill(track_.bkgColour, vx, top + h, vw, vy + vh - (top + h));
  Image::copyTo(*sky, *target, vx - offset, top, 0, 0, w, h, true);
  if (vw + offset > w) Image::copyTo(*sky, *target, vx + w - offset, top, 0, 0, w, h, true);
}
