// The process-wide screen class; written at start-up, read afterwards.
#include "data/ScreenLayout.h"

namespace {
ScreenLayout currentLayout = ScreenLayout::Portrait;
}  // namespace

ScreenLayout screenLayoutOf(int width, int height) {
  if (width < height) return ScreenLayout::Portrait;
  return width == height ? ScreenLayout::Square : ScreenLayout::Landscape;
}

void setScreenLayout(ScreenLayout layout) { currentLayout = layout; }

ScreenLayout screenLayout() { return currentLayout; }

const char16_t* layoutSuffix(ScreenLayout layout) {
  switch (layout) {
    case ScreenLayout::Square: return u"_S";
    case ScreenLayout::Landscape: return u"_L";
    default: return u"_P";
  }
}
