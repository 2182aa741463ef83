// Light records built from page templates: one colour for diffuse and specular, the
// default strength and shininess, and the travel direction normalized (a zero direction
// stays zero, as normalize leaves it).
#include "engine3d/LightRecord.h"

LightRecord LightRecord::fromTemplate(uint32_t colour, const Vector3& direction) {
  LightRecord light;
  light.diffuse = colour;
  light.specular = colour;
  light.direction = direction;
  normalize(light.direction);
  return light;
}
