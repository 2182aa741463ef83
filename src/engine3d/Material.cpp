// Material rules that depend on the texture's picture: a picture with a transparent
// colour makes the material colour-keyed and serves as its own alpha texture. A material
// without a texture, or whose picture has no key, is left as it is.
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
