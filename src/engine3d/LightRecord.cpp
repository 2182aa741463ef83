// Light records built from page templates.
#include "engine3d/LightRecord.h"

LightRecord LightRecord::fromTemplate(uint32_t colour, const Vector3& direction) {
  LightRecord light;
  light.diffuse = colour;
  light.specular = colour;
  light.direction = direction;
  normalize(light.direction);
  return light;
}
