// Section window arithmetic shared by the race page's camera step and its tests.
#include "race/SectionWindow.h"

#include <algorithm>
#include <cmath>

#include "engine3d/AngleTable.h"
#include "engine3d/Fixed.h"
#include "engine3d/Mesh.h"
#include "race/RaceTrack.h"
#include "shell/SystemServices.h"

SectionWindow sectionWindow(int T, int D, int k, bool forward, int n) {
  SectionWindow w;
  if (forward) {
    w.lo = T - k;
    w.hi = T + D;
  } else {
    w.lo = T - D;
    w.hi = T + k;
  }
  if (n > 0) {
    w.first = wrap(w.lo, 0, n);
    w.last = wrap(w.hi, 0, n);
  }
  w.wrapped = w.first > w.last;
  return w;
}

void applyDrawRanges(RaceTrack& track, const SectionWindow& w) {
  const bool all = w.hi - w.lo + 1 >= track.n;
  if (track.trackMesh) {
    track.trackMesh->drawFirst = all ? -1 : w.first * 20;
    track.trackMesh->drawLast = all ? -1 : (w.last + 1) * 20;
  }
  Mesh* strips[2] = {track.woodsMesh, track.railMesh};
  const int sides[2] = {track.woodsSides, track.railSides};
  for (int i = 0; i < 2; ++i) {
    if (!strips[i]) continue;
    strips[i]->drawFirst = all ? -1 : w.first * sides[i] * 2;
    strips[i]->drawLast = all ? -1 : (w.last + 1) * sides[i] * 2;
  }
}

int turnValue(const RaceTrack& track, int T) {
  const int n = track.n;
  if (n <= 0) return 0;
  const Vector3 c = cross(track.back[size_t(wrap(T, 0, n))], track.back[size_t(wrap(T + 1, 0, n))]);
  return std::clamp(truncToInt(double(c.y * 100)) >> 3, -2, 2);
}

bool archVisible(const SectionWindow& w, int a, int lapsRemaining, int laps, int nextCheckpoint) {
  const bool between = w.first <= a && a <= w.last;
  const bool inside = w.wrapped ? !between : between;
  return inside && ((lapsRemaining >= laps && nextCheckpoint <= 1) || (lapsRemaining <= 1 && nextCheckpoint >= 3));
}

int skyOffset(float fx, float fz, int w) {
  if (w <= 0) return 0;
  float a = std::asin(std::max(-1.0f, std::min(1.0f, fx)));
  if (fx > 0 && fz <= 0) a = Pi - a;
  if (fx <= 0) {
    if (fz <= 0) a = -Pi - a;
    a += 2 * Pi;
  }
  return ((truncToInt(double(float(w) * a / (2 * Pi))) * 2) % w + w) % w;
}
