// The stretch of track worth drawing: a window of sections around the vehicle (ahead of
// it when the camera looks along the driving direction, behind it otherwise), the draw
// ranges it gives the track and strip meshes (which the collision grid follows), the
// navigator's turn value, the checkpoint arch's visibility and the sky's scroll offset.
#pragma once

class RaceTrack;

struct SectionWindow {
  int lo = 0, hi = 0;        // unwrapped sections
  int first = 0, last = 0;   // wrapped into 0..n-1
  bool wrapped = false;      // first > last: the window crosses section 0
};

// T: the vehicle's travelled (unwrapped) section, D: view depth, k: sections kept on the
// other side (2, or 3 for the roadside camera).
SectionWindow sectionWindow(int T, int D, int k, bool forward, int n);
// Draw ranges of the track mesh (20 faces a section) and the strips (2 per side); a
// window as long as the ring draws everything.
void applyDrawRanges(RaceTrack& track, const SectionWindow& window);
// -2..2 from the bend between back[T] and back[T + 1].
int turnValue(const RaceTrack& track, int T);
// The arch at section a shows near the start (first lap, before the second checkpoint)
// and near the end (last lap, after the third) while inside the window.
bool archVisible(const SectionWindow& window, int a, int lapsRemaining, int laps, int nextCheckpoint);
// Horizontal scroll of a sky picture of width w for the camera heading (fx, fz): the
// picture wraps twice per turn.
int skyOffset(float fx, float fz, int w);
