// One surface of a model: colours, transparency, textures and the flags that pick the
// shading pipeline. Names are unique within a model's list. Textures are shared, never
// owned (see MaterialTexture.h).
#pragma once

#include <cstdint>

#include "platform/Text.h"

class MaterialTexture;

struct Material {
  uint32_t colour = 0x969696;          // 0xRRGGBB, diffuse; the surface colour without texture
  uint32_t selfIllumination = 0;       // 0xRRGGBB, added to the lit colour at detail level 5
  int transparency = 0;                // 0..255, 0 opaque; blend weight of the background
  MaterialTexture* texture = nullptr;  // colour texture
  MaterialTexture* alphaTexture = nullptr;  // grey picture whose brightness is the opacity
  uint8_t colourKeyed = 0;             // texels equal to keyColour are skipped
  uint32_t keyColour = 0;              // the texture's transparent colour
  int detailLevel = 1;                 // 1..5, shading pipeline
  os::WString name;                    // at most 63 characters
  uint8_t twoSided = 0;                // no back-face rejection
  int specularLevel = 255;             // scale of the specular term, 256 = 1.0
  uint8_t flat = 0;                    // lighting once per face
  uint8_t wire = 0;                    // edges only
  int edgeMask = 7;                    // wire edges: bit 0 b-c, bit 1 c-a, bit 2 a-b
  MaterialTexture* reflectionMap = nullptr;  // replaces the specular term at detail level 5

  // A texture whose picture has a transparent colour makes the material colour-keyed: the
  // key is copied and the alpha texture becomes the colour texture itself.
  void applyColourKey();
  // Transparency 0 and no alpha texture, or colour-keyed.
  bool isOpaque() const { return transparency == 0 && (alphaTexture == nullptr || colourKeyed != 0); }
};

// Names of meshes, materials, objects and lights are cut to 63 characters.
constexpr size_t MaxNameLength = 63;
inline os::WString limitName(os::WStringView name) {
  return os::WString(name.substr(0, name.size() < MaxNameLength ? name.size() : MaxNameLength));
}
