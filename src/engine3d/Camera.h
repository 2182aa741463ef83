// The camera of a 3D scene: eye, target and up turned lazily into a view matrix, the
// projection values the renderer reads (field of view, integer tangent and aspect with 10
// fraction bits, focal length in pixels), and the follow modes that chase, mount on or look
// at a scene object, updated once per frame by page code.
#pragma once

#include <memory>

#include "engine3d/Matrix4.h"
#include "engine3d/Vector3.h"

class Scene3D;

// Lets page code place the camera itself while it follows an object.
class CameraCallback {
 public:
  virtual void reposition() = 0;
  virtual bool needsReposition() = 0;

 protected:
  ~CameraCallback() = default;
};

class Camera {
 public:
  enum Kind { KindPerspective = 0, KindViewport = 1 };
  enum FollowMode {
    FollowDetached = -2,
    FollowLookAt = -1,   // target = object + direction + offset; position stays
    FollowLoose = 0,     // reposition when the object gets too far away
    FollowBehind = 1,    // rotated direction, unrotated height
    FollowAbove = 2,     // straight above or below
    FollowBehindLevel = 3,
    FollowMounted = 4,   // fixed to the object
    FollowChase = 5,     // smoothed chase
    FollowChaseLean = 6, // smoothed chase that leans with the object
    FollowChaseWorld = 7 // smoothed chase along a world direction
  };

  // kind 0: PerspectiveCamera, kind 1: ViewportCamera, any other kind: none.
  static std::unique_ptr<Camera> create(int kind, Scene3D* scene, int width, int height, float fieldOfView,
                                        float nearDistance, float farDistance, int followMode);

  virtual ~Camera() = default;

  // The projection interface, in slot order.
  virtual void setProjection(float fieldOfView, float nearDistance, float farDistance) = 0;
  virtual void getProjection(float& fieldOfView, float& nearDistance, float& farDistance) const = 0;
  virtual void setViewport(int width, int height) = 0;
  virtual void getViewport(int& width, int& height) const = 0;

  int kind() const { return kind_; }
  Scene3D* owner() const { return owner_; }

  // Projection values (stored by the derived kinds).
  float fieldOfView() const { return fieldOfView_; }
  int tangent() const { return tangent_; }          // tan(fov / 2) * 1024
  float nearDistance() const { return near_; }
  float farDistance() const { return far_; }
  int viewportWidth() const { return width_; }
  int viewportHeight() const { return height_; }
  int shorterSide() const { return shorterSide_; }
  int aspect() const { return aspect_; }            // width * 1024 / height
  // Half the shorter viewport side over tan(fov / 2), in pixels.
  int focalLength() const;

  void setPosition(float x, float y, float z) { setPosition(Vector3{x, y, z}); }
  void setPosition(const Vector3& p);
  const Vector3& position() const { return position_; }
  void setTarget(float x, float y, float z) { setTarget(Vector3{x, y, z}); }
  void setTarget(const Vector3& t);
  const Vector3& target() const { return target_; }
  void setUp(float x, float y, float z) { setUp(Vector3{x, y, z}); }
  void setUp(const Vector3& up);  // stored normalized
  const Vector3& up() const { return up_; }
  void resetUp();                 // back to (0, 1, 0)
  bool isDirty() const { return dirty_ != 0; }

  // Rebuilt from position, target and up when any of them changed.
  const Matrix4& viewMatrix();

  // Attaches the camera to the placement matrix of an object (mode -2 detaches). The
  // direction is normalized in the caller's record unless the mode is -1.
  void follow(int mode, const Matrix4* followed, float distance, float stiffness, Vector3& direction,
              const Vector3* offset = nullptr);
  int followMode() const { return followMode_; }
  void update(float seconds);

  void setCallback(CameraCallback* callback) { callback_ = callback; }
  CameraCallback* callback() const { return callback_; }
  float distance() const { return distance_; }
  float stiffness() const { return stiffness_; }
  const Vector3& direction() const { return direction_; }
  const Vector3& offset() const { return offset_; }
  const Matrix4* followed() const { return followed_; }

 protected:
  Camera(int kind, Scene3D* scene, int followMode);

  void reposition();

  int kind_;
  Scene3D* owner_;
  Vector3 position_{0, 0, -10};
  Vector3 target_{0, 0, 0};
  Vector3 up_{0, 1, 0};
  float distance_ = 10;
  float stiffness_ = 0;       // 0..100
  float baseStiffness_ = 0;
  Vector3 direction_;
  Vector3 offset_;
  CameraCallback* callback_ = nullptr;
  uint8_t dirty_ = 1;
  Matrix4 view_;
  int followMode_;
  const Matrix4* followed_ = nullptr;

  float fieldOfView_ = 0;
  int tangent_ = 0;
  float near_ = 0;
  float far_ = 0;
  int width_ = 0;
  int height_ = 0;
  int shorterSide_ = 0;
  int aspect_ = 0;

  void storeViewport(int width, int height);
};

class PerspectiveCamera : public Camera {
 public:
  PerspectiveCamera(Scene3D* scene, int followMode) : Camera(KindPerspective, scene, followMode) {}
  void setProjection(float fieldOfView, float nearDistance, float farDistance) override;
  void getProjection(float& fieldOfView, float& nearDistance, float& farDistance) const override;
  void setViewport(int width, int height) override { storeViewport(width, height); }
  void getViewport(int& width, int& height) const override;
};

// For a renderer kind that this game does not provide: only the viewport is kept.
class ViewportCamera : public Camera {
 public:
  ViewportCamera(Scene3D* scene, int followMode) : Camera(KindViewport, scene, followMode) {}
  void setProjection(float, float, float) override {}
  void getProjection(float& fieldOfView, float& nearDistance, float& farDistance) const override;
  void setViewport(int width, int height) override { storeViewport(width, height); }
  void getViewport(int& width, int& height) const override;
};
