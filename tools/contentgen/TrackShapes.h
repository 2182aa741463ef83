// The eight tracks' shapes: control points of a smooth closed centre line, hills,
// launching crests, banking and the terrain walls beside the road. The centre line is resampled into sections of equal
// length; the section cross-sections become the track mesh (Tracks.cpp).
#pragma once

#include <string>
#include <vector>

#include "World.h"

struct Crest {
  float at;       // lap fraction of the crest's top
  float height;   // units above the surrounding road
  float rise;     // length of the ramp before the top, units
  float drop;     // length of the fall after it, units
};

struct Hill {
  float at;      // lap fraction
  float height;  // units; negative for a dip
  float width;   // units (about two standard deviations)
};

struct TrackDef {
  const char* name;
  const char* folder;              // same as name
  std::vector<float> points;       // x, z pairs in driving order (arbitrary units)
  std::vector<Hill> hills;
  std::vector<Crest> crests;
  float bank;                      // banking per unit of curvature
  float wallRight, wallLeft;       // mean height of the outer terrain on each side
  float wallVary;                  // how much it varies along the lap
  uint32_t seed;
};

struct Section {
  V3 centre;        // road centre (vertex 5)
  V3 forward;       // unit, horizontal
  V3 right;         // unit, horizontal
  float turn = 0;   // signed curvature, 1/units, positive turning right
  float lateral[11];  // signed offsets of the eleven vertices along right
  float rise[11];     // heights of the vertices above the centre
};

const std::vector<TrackDef>& trackDefs();
// Sections of equal length (about SectionLength units) along the track's centre line,
// in game units such that the finished mesh's largest half extent is TrackRadius.
std::vector<Section> buildSections(const TrackDef& def);
constexpr float SectionLength = 7.0f;
