// Chip construction: four vertices in a fixed order (upright, facing X or lying flat),
// texture coordinates optionally mirrored left to right, two faces, then normalized so
// the quad measures 2*r*|width| by 2*r*|height|.
#include "engine3d/Chip3D.h"

#include <cstdlib>

std::unique_ptr<Chip3D> Chip3D::create(float radius, int width, int height, int orientation,
                                       MaterialTexture* texture, MaterialTexture* alphaTexture, bool mirror) {
  std::unique_ptr<Chip3D> chip(new Chip3D());
  auto material = std::make_shared<Material>();
  material->texture = texture;
  material->alphaTexture = alphaTexture;
  material->applyColourKey();
  material->flat = 1;
  material->twoSided = 1;

  auto mesh = std::make_shared<Mesh>();
  float hw = float(std::abs(width)) / 2.0f;
  float hh = float(std::abs(height)) / 2.0f;
  Vector3 corners[4];
  if (orientation == Upright) {
    corners[0] = {hw, hh, 0};
    corners[1] = {hw, -hh, 0};
    corners[2] = {-hw, -hh, 0};
    corners[3] = {-hw, hh, 0};
  } else if (orientation == FacingX) {
    corners[0] = {0, hh, hw};
    corners[1] = {0, -hh, hw};
    corners[2] = {0, -hh, -hw};
    corners[3] = {0, hh, -hw};
  } else {
    corners[0] = {hw, 0, hh};
    corners[1] = {hw, 0, -hh};
    corners[2] = {-hw, 0, -hh};
    corners[3] = {-hw, 0, hh};
  }
  const int32_t vs[4] = {0, FixedOne, FixedOne, 0};
  const int32_t us[4] = {0, 0, FixedOne, FixedOne};
  for (int i = 0; i < 4; ++i) {
    int32_t u = mirror ? FixedOne - us[i] : us[i];
    mesh->addVertex(corners[i].x, corners[i].y, corners[i].z, u, vs[i]);
  }
  mesh->addFace(0, 1, 2);
  mesh->addFace(2, 3, 0);
  float size = float(width > height ? width : height) * radius;
  mesh->radius = size;
  mesh->material = material.get();
  chip->width = 2.0f * float(width) * radius;
  chip->height = 2.0f * float(height) * radius;
  chip->addMaterial(u"chipMtl", material);
  chip->addMesh(u"chip", mesh);
  chip->normalize(size);
  return chip;
}

std::unique_ptr<Group3D> Chip3D::clone() const {
  std::unique_ptr<Chip3D> copy(new Chip3D());
  copyInto(*copy);
  copy->width = width;
  copy->height = height;
  return copy;
}
