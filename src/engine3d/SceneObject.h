// The base of every object a scene holds, 2D or 3D: visible flag, type code and name.
// Scenes keep their objects in order and find them by exact name; names are cut to 63
// characters when an object is added.
#pragma once

#include <cstdint>

#include "platform/Text.h"

// Type codes of scene objects that the 3D engine knows.
constexpr int ObjectTypeGroup3D = 2;

class SceneObject {
 public:
  uint8_t visible = 1;
  int type = 0;
  os::WString name;  // at most 63 characters

  virtual ~SceneObject() = default;
};
