// The operations a scene asks of its renderer. SceneRenderer is the two-operation base
// that 2D page renderers share; RenderPipeline adds what 3D renderer kinds offer, in this
// order. Destroying a renderer is deleting it through the base.
#pragma once

#include "platform/Text.h"

class SceneRenderer {
 public:
  virtual ~SceneRenderer() = default;
  virtual void render(float seconds) = 0;
};

class RenderPipeline : public SceneRenderer {
 public:
  // Rebuilds the lighting map from the scene's lights and ambient colour.
  virtual void rebuildLighting() = 0;
  // Upper 16 bits (signed) of the buffered depth at a scene pixel; -1 outside the scene.
  virtual int depthAt(int x, int y) const = 0;
  // A product and version line.
  virtual os::WString identification() const = 0;
};
