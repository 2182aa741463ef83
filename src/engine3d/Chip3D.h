// A textured quad ("chip"): one two-sided, flat-lit mesh of two triangles, upright
// (orientation 2), facing along X (0) or lying flat (any other value), measuring
// 2*r*|width| by 2*r*|height| world units centred on the origin.
#pragma once

#include <memory>

#include "engine3d/Group3D.h"

class MaterialTexture;

class Chip3D : public Group3D {
 public:
  enum Orientation { FacingX = 0, Flat = 1, Upright = 2 };

  float width = 0;   // world size: 2 * width * radius
  float height = 0;

  static std::unique_ptr<Chip3D> create(float radius, int width, int height, int orientation,
                                        MaterialTexture* texture, MaterialTexture* alphaTexture, bool mirror);

  std::unique_ptr<Group3D> clone() const override;
};
