// Camera state, projection values and the follow modes. Projection keeps integer forms
// (tangent and aspect with 10 fraction bits) for the renderer; the view matrix is only
// rebuilt after a change. No mode allocates, so update() is safe once per frame.
#include "engine3d/Camera.h"

#include <cmath>

#include "engine3d/Fixed.h"

std::unique_ptr<Camera> Camera::create(int kind, Scene3D* scene, int width, int height, float fieldOfView,
                                       float nearDistance, float farDistance, int followMode) {
  std::unique_ptr<Camera> camera;
  if (kind == KindPerspective) {
    camera.reset(new PerspectiveCamera(scene, followMode));
  } else if (kind == KindViewport) {
    camera.reset(new ViewportCamera(scene, followMode));
  } else {
    return nullptr;
  }
  camera->setViewport(width, height);
  camera->setProjection(fieldOfView, nearDistance, farDistance);
  return camera;
}

Camera::Camera(int kind, Scene3D* scene, int followMode) : kind_(kind), owner_(scene), followMode_(followMode) {}

int Camera::focalLength() const {
  // A field of view too narrow for the 10-bit tangent (or a camera without projection)
  // would divide by zero; the smallest step stands in.
  int t = tangent_ > 0 ? tangent_ : 1;
  return ((shorterSide_ & -2) * 512) / t;
}

void Camera::storeViewport(int width, int height) {
  width_ = width;
  height_ = height;
  shorterSide_ = width < height ? width : height;
  aspect_ = height != 0 ? (width * 1024) / height : 0;
}

void PerspectiveCamera::setProjection(float fieldOfView, float nearDistance, float farDistance) {
  if (fieldOfView <= 0.0f) fieldOfView = 1.0f;
  fieldOfView_ = fieldOfView;
  tangent_ = truncToInt(std::tan(double(fieldOfView) * 0.017453292 * 0.5) * 1024.0);
  near_ = nearDistance;
  far_ = farDistance;
}

void PerspectiveCamera::getProjection(float& fieldOfView, float& nearDistance, float& farDistance) const {
  fieldOfView = fieldOfView_;
  nearDistance = near_;
  farDistance = far_;
}

void PerspectiveCamera::getViewport(int& width, int& height) const {
  width = width_;
  height = height_;
}

void ViewportCamera::getProjection(float& fieldOfView, float& nearDistance, float& farDistance) const {
  fieldOfView = fieldOfView_;
  nearDistance = near_;
  farDistance = far_;
}

void ViewportCamera::getViewport(int& width, int& height) const {
  width = width_;
  height = height_;
}

void Camera::setPosition(const Vector3& p) {
  position_ = p;
  dirty_ = 1;
}

void Camera::setTarget(const Vector3& t) {
  target_ = t;
  dirty_ = 1;
}

void Camera::setUp(const Vector3& up) {
  up_ = up;
  normalize(up_);
  dirty_ = 1;
}

void Camera::resetUp() {
  if (up_ != Vector3{0, 1, 0}) setUp(Vector3{0, 1, 0});
}

const Matrix4& Camera::viewMatrix() {
  if (dirty_) {
    view_ = lookAt(position_, target_, up_, true);
    dirty_ = 0;
  }
  return view_;
}

void Camera::follow(int mode, const Matrix4* followed, float distance, float stiffness, Vector3& direction,
                    const Vector3* offset) {
  followMode_ = mode;
  if (mode == FollowDetached) {
    followed_ = nullptr;
    return;
  }
  followed_ = followed;
  distance_ = distance;
  stiffness_ = stiffness;
  baseStiffness_ = stiffness;
  if (mode != FollowLookAt) normalize(direction);
  direction_ = direction;
  offset_ = offset ? *offset : Vector3();
  if (mode == FollowLoose) reposition();
}

void Camera::reposition() {
  if (callback_) {
    callback_->reposition();
    return;
  }
  if (distance_ != 0.0f && followed_) {
    setPosition(transformPoint(*followed_, direction_ * -distance_));
    resetUp();
  }
}

void Camera::update(float seconds) {
  if (followMode_ == FollowDetached || followed_ == nullptr) return;
  const Matrix4& m = *followed_;
  Vector3 p = getTranslation(m);
  switch (followMode_) {
    case FollowLookAt:
      setTarget(p + direction_ + offset_);
      break;
    case FollowLoose: {
      setTarget(p + offset_);
      if (callback_) {
        if (callback_->needsReposition()) reposition();
      } else {
        float limit = 1.1f * distance_;
        if (lengthSquared(p - position_) > limit * limit) reposition();
      }
      break;
    }
    case FollowBehind:
    case FollowAbove:
    case FollowBehindLevel: {
      setTarget(p + offset_);
      Vector3 d = rotateDirection(m, direction_);
      if (followMode_ == FollowAbove) {
        d.x = 0.0f;
        d.z = -0.001f;
      } else {
        d.y = direction_.y;
      }
      if (lengthSquared(d) > 1e-18f) {
        setPosition(p + normalized(d) * distance_);
      } else {
        setPosition(p);
      }
      resetUp();
      break;
    }
    case FollowMounted: {
      setPosition(transformPoint(m, direction_ * distance_));
      float a = (std::fabs(position_.x) + std::fabs(position_.y) + std::fabs(position_.z)) * 0.33333f;
      setTarget(transformPoint(m, direction_ * (a > 10.0f ? a : 10.0f)));
      setUp(rotateDirection(m, Vector3{0, 1, 0}));
      break;
    }
    case FollowChase:
    case FollowChaseLean:
    case FollowChaseWorld: {
      float k = 1.0f - stiffness_ * 0.01f;
      setTarget(p + offset_);
      Vector3 desired = followMode_ == FollowChaseWorld ? target_ + direction_ * distance_
                                                        : transformPoint(m, direction_ * distance_);
      setPosition(position_ + (desired - position_) * k);
      float dd = lengthSquared(position_ - target_);
      float d2 = distance_ * distance_;
      if (d2 > 0.0f) stiffness_ = clamp(baseStiffness_ - ((dd - d2) / d2) * seconds, 0.0f, 100.0f);
      if (followMode_ == FollowChaseLean) {
        Vector3 u = rotateDirection(m, Vector3{0, 1, 0});
        setUp(u + (up_ - u) * (1.0f - k));
      } else {
        resetUp();
      }
      break;
    }
    default:
      break;
  }
}
