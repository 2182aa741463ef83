// The lighting map: two 64 x 64 colour tables (diffuse with ambient, and specular) indexed
// by the x and y components of a world-space surface normal, in the drawing surface's
// pixel format. Built once when a renderer starts and again on request; nothing is lit
// per vertex at draw time. Normals cover the hemisphere with non-negative z through a
// cone-shaped parameterisation (z falls linearly with the distance from the centre).
#pragma once

#include <cstdint>
#include <vector>

#include "engine3d/LightRecord.h"

class LightingMap {
 public:
  static constexpr int Size = 64;  // rows and columns

  // Both tables from the ambient colour (0xRRGGBB) and the lights in list order, in 16-bit
  // RGB 5-6-5 (bits 16) or 0x00RRGGBB (any other value). The lights' directions are
  // normalized in place.
  void build(std::vector<LightRecord>& lights, uint32_t ambient, int bits);

  // Entry (row, column) at row * 64 + column.
  const uint32_t* diffuse() const { return diffuse_; }
  const uint32_t* specular() const { return specular_; }
  int bits() const { return bits_; }

 private:
  uint32_t diffuse_[Size * Size] = {};
  uint32_t specular_[Size * Size] = {};
  int bits_ = 16;
};
