// Camera projection values for portrait and landscape viewports, the narrow field of
// view, the viewport-only kind, the lazy view matrix and every follow mode with the
// numbers a player would see (distances, damping, stiffness limits).
#include <gtest/gtest.h>

#include "engine3d/Camera.h"
#include "engine3d/Math3D.h"

namespace {

void expectVector(const Vector3& v, float x, float y, float z, float tol = 1e-4f) {
  EXPECT_NEAR(v.x, x, tol);
  EXPECT_NEAR(v.y, y, tol);
  EXPECT_NEAR(v.z, z, tol);
}

std::unique_ptr<Camera> perspective(int w = 240, int h = 320) {
  return Camera::create(Camera::KindPerspective, nullptr, w, h, 45.0f, 1.0f, 10000.0f, 0);
}

TEST(Camera, ProjectionValues) {
  struct Case { int w, h, tangent, shorter, focal, aspect; } cases[] = {
      {240, 320, 424, 240, 289, 768},
      {320, 240, 424, 240, 289, 1365},
      {241, 320, 424, 241, 289, 771},  // odd sides lose their last bit for the focal length
  };
  for (const Case& c : cases) {
    auto camera = perspective(c.w, c.h);
    EXPECT_EQ(camera->tangent(), c.tangent);
    EXPECT_EQ(camera->shorterSide(), c.shorter);
    EXPECT_EQ(camera->focalLength(), c.focal);
    EXPECT_EQ(camera->aspect(), c.aspect);
    int w = 0, h = 0;
    camera->getViewport(w, h);
    EXPECT_EQ(w, c.w);
    EXPECT_EQ(h, c.h);
  }
  auto camera = perspective();
  camera->setProjection(0.0f, 1.0f, 100.0f);
  float fov, nearD, farD;
  camera->getProjection(fov, nearD, farD);
  EXPECT_EQ(fov, 1.0f);
  EXPECT_EQ(nearD, 1.0f);
  EXPECT_EQ(farD, 100.0f);
  EXPECT_EQ(camera->tangent(), 8);
  camera->setProjection(0.01f, 1.0f, 100.0f);  // too narrow for the integer tangent
  EXPECT_EQ(camera->tangent(), 0);
  EXPECT_GT(camera->focalLength(), 0);
  EXPECT_EQ(Camera::create(2, nullptr, 240, 320, 45, 1, 100, 0), nullptr);
}

TEST(Camera, ViewportCameraKeepsOnlyTheViewport) {
  auto camera = Camera::create(Camera::KindViewport, nullptr, 320, 240, 45.0f, 1.0f, 100.0f, -2);
  ASSERT_NE(camera, nullptr);
  EXPECT_EQ(camera->kind(), Camera::KindViewport);
  EXPECT_EQ(camera->aspect(), 1365);
  float fov = -1, nearD = -1, farD = -1;
  camera->getProjection(fov, nearD, farD);
  EXPECT_EQ(fov, 0.0f);
  EXPECT_EQ(camera->tangent(), 0);
  EXPECT_EQ(camera->focalLength(), 240 * 512);
  EXPECT_EQ(camera->followMode(), -2);
}

TEST(Camera, DefaultsAndLazyViewMatrix) {
  auto camera = perspective();
  EXPECT_EQ(camera->position(), (Vector3{0, 0, -10}));
  EXPECT_EQ(camera->target(), (Vector3{0, 0, 0}));
  EXPECT_EQ(camera->up(), (Vector3{0, 1, 0}));
  EXPECT_EQ(camera->distance(), 10.0f);
  EXPECT_TRUE(camera->isDirty());
  Matrix4 view = camera->viewMatrix();
  EXPECT_FALSE(camera->isDirty());
  expectVector(transformPoint(view, Vector3{0, 0, 0}), 0, 0, 10);
  camera->setPosition(0, 0, -20);
  EXPECT_TRUE(camera->isDirty());
  expectVector(transformPoint(camera->viewMatrix(), Vector3{0, 0, 0}), 0, 0, 20);
  camera->setUp(0, 5, 0);
  EXPECT_EQ(camera->up(), (Vector3{0, 1, 0}));
  camera->setUp(1, 1, 0);
  EXPECT_NEAR(camera->up().x, 0.70710677f, 1e-6f);
  camera->viewMatrix();
  camera->resetUp();
  EXPECT_EQ(camera->up(), (Vector3{0, 1, 0}));
  EXPECT_TRUE(camera->isDirty());
  camera->viewMatrix();
  camera->resetUp();  // already upright: no change, stays clean
  EXPECT_FALSE(camera->isDirty());
}

TEST(CameraFollow, LooseModeRepositionsBeyondTenPercent) {
  auto camera = perspective();
  Matrix4 object;
  Vector3 direction{0, 0, 2};
  camera->follow(Camera::FollowLoose, &object, 10.0f, 0.0f, direction);
  EXPECT_EQ(direction, (Vector3{0, 0, 1}));  // normalized in the caller's record
  expectVector(camera->position(), 0, 0, -10);
  setTranslation(object, Vector3{0, 0, 1});  // 11 units from the camera
  camera->update(0.1f);
  expectVector(camera->position(), 0, 0, -10);
  expectVector(camera->target(), 0, 0, 1);
  setTranslation(object, Vector3{0, 0, 1.1f});  // 11.1 units
  camera->update(0.1f);
  expectVector(camera->position(), 0, 0, 1.1f - 10.0f);
  // In the object's space: a turned object puts the camera behind its own back.
  object = rotationY(Pi * 0.5f);
  setTranslation(object, Vector3{50, 0, 0});
  camera->update(0.1f);
  expectVector(camera->position(), 40, 0, 0);
}

struct RecordingCallback : CameraCallback {
  bool answer = false;
  int repositions = 0;
  void reposition() override { ++repositions; }
  bool needsReposition() override { return answer; }
};

TEST(CameraFollow, CallbackDecidesInLooseMode) {
  auto camera = perspective();
  RecordingCallback callback;
  camera->setCallback(&callback);
  Matrix4 object;
  Vector3 direction{0, 0, 1};
  camera->follow(Camera::FollowLoose, &object, 10.0f, 0.0f, direction);
  EXPECT_EQ(callback.repositions, 1);
  expectVector(camera->position(), 0, 0, -10);  // the callback places the camera
  setTranslation(object, Vector3{0, 0, 100});
  camera->update(0.1f);
  EXPECT_EQ(callback.repositions, 1);
  callback.answer = true;
  camera->update(0.1f);
  EXPECT_EQ(callback.repositions, 2);
}

TEST(CameraFollow, LookAtModeUsesTheRawDirection) {
  auto camera = perspective();
  Matrix4 object;
  setTranslation(object, Vector3{5, 0, 0});
  Vector3 direction{0, 3, 0};
  Vector3 offset{0, 0, 1};
  camera->follow(Camera::FollowLookAt, &object, 10.0f, 0.0f, direction, &offset);
  EXPECT_EQ(direction, (Vector3{0, 3, 0}));
  camera->update(0.1f);
  expectVector(camera->target(), 5, 3, 1);
  expectVector(camera->position(), 0, 0, -10);
}

TEST(CameraFollow, BehindAboveAndLevelModes) {
  Matrix4 object = rotationX(-0.5f);  // nose up
  setTranslation(object, Vector3{0, 10, 0});
  for (int mode : {Camera::FollowBehind, Camera::FollowBehindLevel}) {
    auto camera = perspective();
    Vector3 direction{0, 1, -2};
    camera->follow(mode, &object, 10.0f, 0.0f, direction);
    camera->update(0.1f);
    Vector3 rotated = rotateDirection(object, direction);
    Vector3 d{rotated.x, direction.y, rotated.z};  // height from the unrotated direction
    Vector3 expected = Vector3{0, 10, 0} + normalized(d) * 10.0f;
    expectVector(camera->position(), expected.x, expected.y, expected.z);
    expectVector(camera->target(), 0, 10, 0);
    EXPECT_EQ(camera->up(), (Vector3{0, 1, 0}));
  }
  auto camera = perspective();
  Vector3 direction{0, 1, 0};
  camera->follow(Camera::FollowAbove, &object, 20.0f, 0.0f, direction);
  camera->update(0.1f);
  Vector3 rotated = rotateDirection(object, direction);
  Vector3 expected = Vector3{0, 10, 0} + normalized(Vector3{0, rotated.y, -0.001f}) * 20.0f;
  expectVector(camera->position(), expected.x, expected.y, expected.z);
  EXPECT_GT(camera->position().y, 29.0f);
  // A direction that vanishes puts the camera on the object.
  auto onTop = perspective();
  Vector3 none{0, 0, 0};
  onTop->follow(Camera::FollowBehind, &object, 5.0f, 0.0f, none);
  onTop->update(0.1f);
  expectVector(onTop->position(), 0, 10, 0);
}

TEST(CameraFollow, MountedMode) {
  auto camera = perspective();
  Matrix4 object = rotationZ(Pi * 0.5f);  // rolled onto its side
  setTranslation(object, Vector3{3, 0, 0});
  Vector3 direction{0, 0, 1};
  camera->follow(Camera::FollowMounted, &object, 2.0f, 0.0f, direction);
  camera->update(0.1f);
  expectVector(camera->position(), 3, 0, 2);
  // a = (3 + 0 + 2) / 3 < 10: the target is 10 units along the mounted direction.
  expectVector(camera->target(), 3, 0, 10);
  expectVector(camera->up(), -1, 0, 0);
}

TEST(CameraFollow, SmoothedChaseModes) {
  Matrix4 object;
  Vector3 direction{0, 0, -1};
  auto camera = perspective();
  camera->follow(Camera::FollowChase, &object, 10.0f, 80.0f, direction);
  camera->setPosition(0, 0, 0);
  camera->update(0.0f);  // no time: stiffness stays, the camera moves 20 % of the way
  expectVector(camera->position(), 0, 0, -2);
  EXPECT_FLOAT_EQ(camera->stiffness(), 80.0f);
  // Lagging far behind drops the stiffness, never below 0.
  setTranslation(object, Vector3{0, 0, 500});
  camera->update(1.0f);
  EXPECT_EQ(camera->stiffness(), 0.0f);
  // With stiffness 0 the camera lands on its desired place, at the follow distance, and
  // the stiffness returns to its base value.
  camera->update(1.0f);
  expectVector(camera->position(), 0, 0, 490);
  EXPECT_FLOAT_EQ(camera->stiffness(), 80.0f);
  // Too close raises it, never above 100.
  auto close = perspective();
  Vector3 back{0, 0, -1};
  close->follow(Camera::FollowChase, &object, 10.0f, 99.0f, back);
  close->setPosition(0, 0, 500);
  close->update(100.0f);
  EXPECT_EQ(close->stiffness(), 100.0f);

  // Mode 7 chases along a world direction from the target.
  Matrix4 turned = rotationY(Pi * 0.5f);
  auto world = perspective();
  Vector3 worldDirection{0, 0, -1};
  world->follow(Camera::FollowChaseWorld, &turned, 10.0f, 0.0f, worldDirection);
  world->update(0.0f);
  expectVector(world->position(), 0, 0, -10);
  auto chase = perspective();
  Vector3 chaseDirection{0, 0, -1};
  chase->follow(Camera::FollowChase, &turned, 10.0f, 0.0f, chaseDirection);
  chase->update(0.0f);
  expectVector(chase->position(), -10, 0, 0);

  // Mode 6 leans with the object, damped like the position.
  Matrix4 rolled = rotationZ(Pi * 0.5f);
  auto lean = perspective();
  Vector3 leanDirection{0, 0, -1};
  lean->follow(Camera::FollowChaseLean, &rolled, 10.0f, 50.0f, leanDirection);
  lean->update(0.0f);
  // u = (-1, 0, 0); up = normalize(u + ((0, 1, 0) - u) * 0.5) = normalize(-0.5, 0.5, 0).
  expectVector(lean->up(), -0.70710677f, 0.70710677f, 0);
}

TEST(CameraFollow, DetachedDoesNothing) {
  auto camera = perspective();
  Matrix4 object;
  setTranslation(object, Vector3{100, 0, 0});
  Vector3 direction{0, 0, 1};
  camera->follow(Camera::FollowChase, &object, 10.0f, 0.0f, direction);
  camera->follow(Camera::FollowDetached, &object, 10.0f, 0.0f, direction);
  EXPECT_EQ(camera->followed(), nullptr);
  camera->update(1.0f);
  expectVector(camera->position(), 0, 0, -10);
  expectVector(camera->target(), 0, 0, 0);
}

}  // namespace
