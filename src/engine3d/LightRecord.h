// A directional light of a 3D scene and the scene's fog settings. A light made from a
// page template gets both colours from "color", specular level 320, shininess 120 and its
// travel direction from "dir" (default straight down), normalized on creation.
#pragma once

#include <cstdint>

#include "engine3d/Vector3.h"
#include "platform/Text.h"

struct LightRecord {
  uint32_t diffuse = 0xFFFFFF;   // 0xRRGGBB
  uint32_t specular = 0xFFFFFF;  // 0xRRGGBB
  int specularLevel = 320;       // strength = value / 255
  int shininess = 120;           // exponent = 1 / max(value / 4096, 0.01)
  Vector3 direction{0, -1, 0};   // the direction the light travels, unit length
  os::WString name;

  // The template form: one colour for both, direction normalized.
  static LightRecord fromTemplate(uint32_t colour, const Vector3& direction);
};

struct FogRecord {
  int front = 100;             // camera-space depth where fog starts
  int back = 200;              // depth of full fog
  uint32_t colour = 0xFFFFFF;  // 0xRRGGBB
};
