// Lighting map: ambient only, a single white light, the shininess floor, saturation, and
// both pixel formats.
#include <gtest/gtest.h>

#include <vector>

#include "engine3d/LightingMap.h"

namespace {

LightRecord light(float x, float y, float z, uint32_t colour = 0xFFFFFF) {
  LightRecord l;
  l.diffuse = l.specular = colour;
  l.direction = Vector3{x, y, z};
  return l;
}

TEST(LightingMap, AmbientOnlyFillsDiffuseAndLeavesSpecularBlack) {
  std::vector<LightRecord> none;
  LightingMap map;
  map.build(none, 0x404040, 16);
  for (int i = 0; i < 64 * 64; ++i) {
    ASSERT_EQ(map.diffuse()[i], 0x4208u);
    ASSERT_EQ(map.specular()[i], 0u);
  }
  map.build(none, 0x404040, 32);
  for (int i = 0; i < 64 * 64; ++i) {
    ASSERT_EQ(map.diffuse()[i], 0x404040u);
    ASSERT_EQ(map.specular()[i], 0u);
  }
}

TEST(LightingMap, SingleWhiteLightIntoTheScreen) {
  std::vector<LightRecord> lights{light(0, 0, 1)};
  LightingMap map;
  map.build(lights, 0, 32);
  EXPECT_EQ(map.diffuse()[32 * 64 + 32], 0xFEFEFEu);   // 255 * 255 >> 8
  EXPECT_EQ(map.specular()[32 * 64 + 32], 0xFFFFFFu);  // strength 1.25 saturates
  // Normals with x^2 + y^2 >= 1 have z = 0: at right angles to the light.
  for (int index : {32 * 64 + 0, 0 * 64 + 32, 0, 63 * 64 + 0, 4 * 64 + 4}) {
    EXPECT_EQ(map.diffuse()[index], 0u) << index;
    EXPECT_EQ(map.specular()[index], 0u) << index;
  }
  // Falls off away from the centre.
  EXPECT_LT(map.diffuse()[32 * 64 + 48] & 0xFF, 0xFEu);
  EXPECT_GT(map.diffuse()[32 * 64 + 48] & 0xFF, 0u);

  map.build(lights, 0, 16);
  EXPECT_EQ(map.diffuse()[32 * 64 + 32], 0xFFFFu & ((31u << 11) | (63u << 5) | 31u));
  EXPECT_EQ(map.specular()[32 * 64 + 32], 0xFFFFu);
}

TEST(LightingMap, ShininessZeroUsesExponentHundred) {
  // Entry (32, 33): cosine 0.99948, k = 254. Exponent 100 gives 255 * 1.2549 * 0.6751
  // = 216; the default exponent (about 34) saturates.
  std::vector<LightRecord> lights{light(0, 0, 1)};
  lights[0].shininess = 0;
  LightingMap map;
  map.build(lights, 0, 32);
  EXPECT_EQ(map.specular()[32 * 64 + 33] & 0xFF, 216u);
  lights[0].shininess = 120;
  map.build(lights, 0, 32);
  EXPECT_EQ(map.specular()[32 * 64 + 33] & 0xFF, 255u);
}

TEST(LightingMap, SumsSaturatePerChannel) {
  std::vector<LightRecord> lights{light(0, 0, 1, 0xFF8000), light(0, 0, 1, 0x808000)};
  LightingMap map;
  map.build(lights, 0x000040, 32);
  // red 254 + 127, green 127 + 127, blue 0x40 + 0.
  EXPECT_EQ(map.diffuse()[32 * 64 + 32], 0xFFFE40u);
  // Unnormalized directions are normalized in place.
  std::vector<LightRecord> scaled{light(0, 0, 5)};
  map.build(scaled, 0, 32);
  EXPECT_FLOAT_EQ(scaled[0].direction.z, 1.0f);
  EXPECT_EQ(map.diffuse()[32 * 64 + 32], 0xFEFEFEu);
}

}  // namespace
