// Track centre lines and cross-sections: a centripetal Catmull-Rom loop through each
// track's control points, resampled into equal sections, with hills, launching crests,
// banked corners and terrain walls that never fold over on the inside of a bend or reach
// into a neighbouring stretch of the same track. See TrackShapes.h.
#include "TrackShapes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Nominal lateral offsets of the eleven vertices (positive = right of the driver).
const float BaseLateral[11] = {52, 30, 16, 10, 6, 0, -6, -10, -16, -30, -52};

struct P2 {
  float x, z;
};

std::vector<P2> catmullRomLoop(const std::vector<float>& pts, int perSegment) {
  size_t n = pts.size() / 2;
  std::vector<P2> c(n);
  for (size_t i = 0; i < n; ++i) c[i] = {pts[2 * i], pts[2 * i + 1]};
  std::vector<P2> out;
  for (size_t i = 0; i < n; ++i) {
    P2 p0 = c[(i + n - 1) % n], p1 = c[i], p2 = c[(i + 1) % n], p3 = c[(i + 2) % n];
    auto knot = [](P2 a, P2 b) { return std::sqrt(std::sqrt((b.x - a.x) * (b.x - a.x) + (b.z - a.z) * (b.z - a.z))); };
    float t0 = 0, t1 = t0 + knot(p0, p1), t2 = t1 + knot(p1, p2), t3 = t2 + knot(p2, p3);
    for (int s = 0; s < perSegment; ++s) {
      float t = t1 + (t2 - t1) * s / perSegment;
      auto lerp = [](P2 a, P2 b, float ta, float tb, float tt) {
        float w = (tt - ta) / (tb - ta);
        return P2{a.x + (b.x - a.x) * w, a.z + (b.z - a.z) * w};
      };
      P2 a1 = lerp(p0, p1, t0, t1, t), a2 = lerp(p1, p2, t1, t2, t), a3 = lerp(p2, p3, t2, t3, t);
      P2 b1 = lerp(a1, a2, t0, t2, t), b2 = lerp(a2, a3, t1, t3, t);
      out.push_back(lerp(b1, b2, t1, t2, t));
    }
  }
  return out;
}

float cyclicDistance(float a, float b, float period) {
  float d = std::fabs(a - b);
  return std::min(d, period - d);
}

float loopNoise(float t, float cycles, uint32_t seed) {
  float a = t * 2 * float(M_PI);
  return valueNoise(10 + cycles * std::cos(a), 10 + cycles * std::sin(a), seed);
}

}  // namespace

std::vector<Section> buildSections(const TrackDef& def) {
  std::vector<P2> dense = catmullRomLoop(def.points, 48);
  // Scale the loop so the finished mesh spans about 2 x TrackRadius; the exact fit follows.
  float minX = 1e9f, maxX = -1e9f, minZ = 1e9f, maxZ = -1e9f;
  for (P2 p : dense) minX = std::min(minX, p.x), maxX = std::max(maxX, p.x), minZ = std::min(minZ, p.z), maxZ = std::max(maxZ, p.z);
  float scale = (2 * TrackRadius - 2 * BaseLateral[0]) / std::max(maxX - minX, maxZ - minZ);
  for (P2& p : dense) p.x *= scale, p.z *= scale;
  std::vector<float> cumulative(dense.size() + 1, 0);
  for (size_t i = 0; i < dense.size(); ++i) {
    P2 a = dense[i], b = dense[(i + 1) % dense.size()];
    cumulative[i + 1] = cumulative[i] + std::hypot(b.x - a.x, b.z - a.z);
  }
  float total = cumulative.back();
  int n = std::max(40, int(std::lround(total / SectionLength)));
  std::vector<Section> s(static_cast<size_t>(n));
  size_t seg = 0;
  for (int i = 0; i < n; ++i) {
    float target = total * i / n;
    while (cumulative[seg + 1] < target) ++seg;
    float w = (target - cumulative[seg]) / std::max(1e-6f, cumulative[seg + 1] - cumulative[seg]);
    P2 a = dense[seg], b = dense[(seg + 1) % dense.size()];
    s[size_t(i)].centre = {a.x + (b.x - a.x) * w, 0, a.z + (b.z - a.z) * w};
  }
  auto at = [&](int i) -> Section& { return s[size_t(((i % n) + n) % n)]; };
  for (int i = 0; i < n; ++i) {
    V3 f = normalized(at(i + 1).centre - at(i - 1).centre);
    f.y = 0;
    f = normalized(f);
    at(i).forward = f;
    at(i).right = {f.z, 0, -f.x};
  }
  std::vector<float> turn(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    V3 d0 = normalized(at(i).centre - at(i - 1).centre), d1 = normalized(at(i + 1).centre - at(i).centre);
    V3 r0 = {d0.z, 0, -d0.x};
    turn[size_t(i)] = std::asin(std::clamp(dot(d1, r0), -1.0f, 1.0f)) / SectionLength;
  }
  for (int i = 0; i < n; ++i) {
    float sum = 0;
    for (int k = -3; k <= 3; ++k) sum += turn[size_t(((i + k) % n + n) % n)];
    at(i).turn = sum / 7;
  }
  // Heights along the lap: hills, then crests with a straight ramp and a sharp top so
  // that a vehicle at speed leaves the ground, and a rounded landing.
  float lap = SectionLength * n;
  for (int i = 0; i < n; ++i) {
    float d = lap * i / n, h = 0;
    for (const Hill& hl : def.hills) {
      float x = cyclicDistance(d, hl.at * lap, lap) / (hl.width * 0.5f);
      h += hl.height * std::exp(-x * x);
    }
    for (const Crest& c : def.crests) {
      float top = c.at * lap;
      float delta = d - top;
      if (delta > lap / 2) delta -= lap;
      if (delta < -lap / 2) delta += lap;
      if (delta < 0 && delta > -c.rise) {
        float t = 1 + delta / c.rise;  // 0..1 up the ramp
        h += c.height * (t < 0.3f ? t * t / 0.6f : t - 0.15f) / 0.85f;
      } else if (delta >= 0 && delta < c.drop) {
        float t = delta / c.drop;
        h += c.height * (1 - t * t * (3 - 2 * t));
      }
    }
    at(i).centre.y = h;
  }
  // How far the terrain may reach on each side: less than the radius on the inside of a
  // bend, and less than half the way to any other part of the loop.
  std::vector<float> reach[2];
  for (int side = 0; side < 2; ++side) reach[side].assign(size_t(n), BaseLateral[0]);
  for (int i = 0; i < n; ++i) {
    float maxTurn = 0;
    for (int k = -8; k <= 8; ++k) maxTurn = std::max(maxTurn, std::fabs(at(i + k).turn) * (at(i + k).turn * at(i).turn >= 0 ? 1 : 0));
    if (maxTurn > 1e-5f) {
      int inner = at(i).turn > 0 ? 0 : 1;  // 0 = right side
      reach[inner][size_t(i)] = std::min(reach[inner][size_t(i)], 0.6f / maxTurn);
    }
    for (int j = 0; j < n; ++j) {
      int gap = std::abs(i - j);
      gap = std::min(gap, n - gap);
      if (gap < 25) continue;
      V3 d = at(j).centre - at(i).centre;
      d.y = 0;
      float dist = length(d);
      if (dist > 2.5f * BaseLateral[0]) continue;
      int side = dot(d, at(i).right) > 0 ? 0 : 1;
      reach[side][size_t(i)] = std::min(reach[side][size_t(i)], dist * 0.45f);
    }
  }
  for (int side = 0; side < 2; ++side) {
    std::vector<float> m(static_cast<size_t>(n)), a(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
      float v = 1e9f;
      for (int k = -5; k <= 5; ++k) v = std::min(v, reach[side][size_t(((i + k) % n + n) % n)]);
      m[size_t(i)] = v;
    }
    for (int i = 0; i < n; ++i) {
      float sum = 0;
      for (int k = -4; k <= 4; ++k) sum += m[size_t(((i + k) % n + n) % n)];
      a[size_t(i)] = std::max(20.0f, std::min(sum / 9, reach[side][size_t(i)]));
    }
    reach[side] = a;
  }
  for (int i = 0; i < n; ++i) {
    Section& sec = at(i);
    float t = float(i) / n;
    float bank = std::clamp(def.bank * sec.turn, -0.2f, 0.2f);
    for (int k = 0; k < 11; ++k) {
      int side = k < 5 ? 0 : 1;
      float sign = k < 5 ? 1.0f : -1.0f;
      float base = std::fabs(BaseLateral[k]);
      float r = reach[side][size_t(i)];
      float lat = base;
      if (base > 16) lat = std::min(base, 16 + (r - 16) * (base - 16) / (BaseLateral[0] - 16));
      sec.lateral[k] = sign * lat;
      float wall = (side == 0 ? def.wallRight : def.wallLeft) +
                   def.wallVary * (loopNoise(t, n / 45.0f, def.seed + uint32_t(side) * 17u) - 0.5f) * 2;
      float rise = 0;
      if (base >= 52) rise = wall;
      else if (base >= 30) rise = wall * 0.35f;
      else if (base >= 16) rise = 0.5f;
      else if (base >= 10) rise = 0.15f;
      // Banking tilts the road and, less, the terrain: the outer side of a bend rises.
      float tilt = base <= 16 ? 1.0f : 0.6f;
      rise += -bank * sec.lateral[k] * tilt;
      sec.rise[k] = rise;
    }
  }
  // Fit: centre the mesh and scale it so its largest half extent is TrackRadius, which
  // makes the game's normalization leave it as it is.
  V3 lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
  for (const Section& sec : s)
    for (int k = 0; k < 11; ++k) {
      V3 p = sec.centre + sec.right * sec.lateral[k] + V3{0, sec.rise[k], 0};
      lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
      hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
  V3 mid = (lo + hi) * 0.5f;
  float fit = 2 * TrackRadius / std::max({hi.x - lo.x, hi.y - lo.y, hi.z - lo.z});
  for (Section& sec : s) {
    sec.centre = (sec.centre - mid) * fit;
    sec.turn /= fit;
    for (int k = 0; k < 11; ++k) sec.lateral[k] *= fit, sec.rise[k] *= fit;
  }
  return s;
}

const std::vector<TrackDef>& trackDefs() {
  static const std::vector<TrackDef> defs = [] {
    std::vector<TrackDef> d(8);
    // Alberta: foothills under the Rockies; long fast straights and sweeping bends.
    d[0].name = "Alberta";
    d[0].points = {0, 0, 30, -6, 62, -4, 92, 4, 108, 18, 104, 34, 86, 38, 66, 30, 48, 34, 30, 44, 10, 42, -6, 26};
    d[0].hills = {{0.12f, 10, 160}, {0.45f, -8, 200}, {0.7f, 14, 240}, {0.88f, 6, 120}};
    d[0].crests = {{0.22f, 5, 40, 30}, {0.62f, 4, 36, 26}};
    d[0].bank = 14;
    d[0].wallRight = 3, d[0].wallLeft = 8, d[0].wallVary = 5;
    d[0].seed = 11;
    // British Columbia: a mountain pass, hairpins and big climbs.
    d[1].name = "British Columbia";
    d[1].points = {0, 0, 20, -6.2, 40, -1.6, 48, 10.9, 36, 20.3, 26, 28.1, 30, 35.9, 52, 34.3, 70, 39, 78, 51.5, 66, 60.8, 44, 59.3, 26, 54.6, 8, 48.4, -4, 37.4, 6, 26.5, -8, 14};
    d[1].hills = {{0.1f, 24, 300}, {0.35f, -14, 260}, {0.55f, 30, 340}, {0.8f, -10, 220}};
    d[1].crests = {{0.47f, 4, 30, 24}};
    d[1].bank = 18;
    d[1].wallRight = 12, d[1].wallLeft = -6, d[1].wallVary = 8;
    d[1].seed = 22;
    // New Brunswick: forest roads, rolling hills and S-bends.
    d[2].name = "New Brunswick";
    d[2].points = {0, 0, 24, -4, 44, 6, 58, -2, 80, 2, 92, 18, 84, 36, 64, 40, 52, 54, 34, 58, 16, 50, 12, 34, -2, 22};
    d[2].hills = {{0.05f, 8, 120}, {0.25f, 10, 140}, {0.42f, -6, 120}, {0.6f, 12, 160}, {0.78f, 8, 120}};
    d[2].crests = {{0.15f, 4, 34, 24}, {0.52f, 5, 36, 28}, {0.9f, 4, 30, 24}};
    d[2].bank = 12;
    d[2].wallRight = 5, d[2].wallLeft = 5, d[2].wallVary = 4;
    d[2].seed = 33;
    // Newfoundland: cliffs and coves along the sea, a long shore straight.
    d[3].name = "Newfoundland";
    d[3].points = {0, 0, 40, -4, 80, -2, 104, 8, 110, 26, 98, 40, 82, 34, 70, 46, 56, 58, 36, 54, 26, 40, 10, 46, -6, 30};
    d[3].hills = {{0.3f, 12, 180}, {0.55f, 18, 200}, {0.75f, -6, 140}};
    d[3].crests = {{0.1f, 5, 40, 32}, {0.46f, 4, 30, 24}};
    d[3].bank = 14;
    d[3].wallRight = -8, d[3].wallLeft = 10, d[3].wallVary = 5;
    d[3].seed = 44;
    // Nova Scotia: a gentle shore loop with long banked bends.
    d[4].name = "Nova Scotia";
    d[4].points = {0, 0, 36, -6, 70, 0, 92, 14, 96, 34, 80, 48, 56, 46, 40, 36, 24, 44, 4, 40, -8, 20};
    d[4].hills = {{0.2f, 6, 200}, {0.5f, 10, 260}, {0.8f, -5, 200}};
    d[4].crests = {{0.32f, 4, 40, 30}};
    d[4].bank = 22;
    d[4].wallRight = 2, d[4].wallLeft = 6, d[4].wallVary = 3;
    d[4].seed = 55;
    // Ontario: lakes and woods, flat and fast with a chicane.
    d[5].name = "Ontario";
    d[5].points = {0, 0, 40, -2, 80, 0, 106, 6, 112, 18, 100, 26, 80, 22, 70, 30, 50, 30, 24, 28, 4, 24, -6, 12};
    d[5].hills = {{0.3f, 4, 200}, {0.75f, 5, 220}};
    d[5].crests = {{0.16f, 4, 36, 26}, {0.58f, 5, 40, 28}};
    d[5].bank = 12;
    d[5].wallRight = 2, d[5].wallLeft = 3, d[5].wallVary = 2;
    d[5].seed = 66;
    // Quebec: the Laurentians, tight and technical with jumps.
    d[6].name = "Quebec";
    d[6].points = {0, 0, 22, -6, 42, 0, 50, 16, 66, 20, 78, 10, 94, 16, 96, 34, 80, 44, 62, 38, 48, 48, 52, 64, 36, 74,
                   18, 66, 20, 50, 6, 40, -4, 22};
    d[6].hills = {{0.12f, 14, 200}, {0.4f, 20, 260}, {0.66f, -10, 200}, {0.9f, 8, 160}};
    d[6].crests = {{0.06f, 5, 36, 28}, {0.3f, 5, 34, 26}, {0.74f, 6, 40, 30}};
    d[6].bank = 16;
    d[6].wallRight = 7, d[6].wallLeft = 9, d[6].wallVary = 6;
    d[6].seed = 77;
    // Yukon: the far north under the aurora, wide open with big jumps.
    d[7].name = "Yukon";
    d[7].points = {0, 0, 30, -10, 60, -8, 86, 4, 96, 26, 90, 50, 70, 60, 50, 52, 38, 64, 16, 62, 2, 48, -8, 24};
    d[7].hills = {{0.2f, 16, 260}, {0.5f, -10, 240}, {0.72f, 20, 300}};
    d[7].crests = {{0.1f, 6, 44, 34}, {0.4f, 5, 40, 30}, {0.62f, 6, 44, 32}};
    d[7].bank = 16;
    d[7].wallRight = 10, d[7].wallLeft = 4, d[7].wallVary = 7;
    d[7].seed = 88;
    for (TrackDef& t : d) t.folder = t.name;
    return d;
  }();
  return defs;
}
