// Material rules that depend on the texture's picture.
#include "engine3d/Material.h"

#include "engine3d/MaterialTexture.h"

void Material::applyColourKey() {
  if (texture == nullptr) return;
  int32_t key = texture->transparentColour();
  if (key < 0) return;
  colourKeyed = 1;
  keyColour = uint32_t(key);
  alphaTexture = texture;
}
