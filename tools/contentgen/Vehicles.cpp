// The eight snow racers: a lofted body (stations of cross-sections from nose to tail)
// plus extras (wings, light bars, bull bars, roll cages), four studded wheels and the
// "dummy" box that fixes every vehicle's scale and origin, so that after the game's
// normalization the wheels touch the ground at the ride height it derives from the body.
// The body texture is a blueprint atlas (side, top, front and rear views with the livery
// and baked light), which is also the vehicle's picture file.
#include <algorithm>
#include <cmath>
#include <map>

#include "Style.h"
#include "World.h"

namespace {

struct Station {
  float z;       // along the length, +Z forward
  float bottom;  // underside height
  float beltY, beltW;  // widest line: height and half width
  float topY, topW;    // roof or hood line: height and half width
};

enum Extra { Wing = 1, LightBar = 2, BullBar = 4, RollCage = 8, RoofRack = 16, Scoop = 32 };

struct VehicleDef {
  const char* name;
  int paint, accent, trim;
  int livery;  // 0 stripes, 1 spots, 2 flames, 3 bolt, 4 two-tone, 5 chequer band
  std::vector<Station> stations;  // nose first
  float windowFrom, windowTo;     // z range of the glass house
  float wheelRadius, wheelWidth, trackHalf, axleFront, axleRear;
  int extras;
};

const std::vector<VehicleDef>& vehicleDefs() {
  static const std::vector<VehicleDef> v = {
      {"Cheetah", 0xF2B01E, 0x1A1A1A, 0xFFF1C8, 1,
       {{2.3f, 0.32f, 0.52f, 0.70f, 0.62f, 0.55f},
        {2.0f, 0.26f, 0.62f, 0.92f, 0.78f, 0.80f},
        {0.9f, 0.26f, 0.66f, 0.96f, 0.90f, 0.86f},
        {0.3f, 0.26f, 0.70f, 0.98f, 1.30f, 0.60f},
        {-0.6f, 0.26f, 0.72f, 0.98f, 1.34f, 0.58f},
        {-1.4f, 0.26f, 0.72f, 0.98f, 1.02f, 0.82f},
        {-2.2f, 0.30f, 0.70f, 0.92f, 0.96f, 0.80f}},
       0.35f, -1.3f, 0.40f, 0.30f, 0.88f, 1.45f, -1.45f, Wing},
      {"Goshawk", 0x5C7896, 0xF4F8FE, 0x1E2A3A, 0,
       {{2.15f, 0.34f, 0.58f, 0.74f, 0.72f, 0.62f},
        {1.9f, 0.30f, 0.66f, 0.90f, 0.88f, 0.82f},
        {0.9f, 0.30f, 0.72f, 0.92f, 1.00f, 0.84f},
        {0.4f, 0.30f, 0.76f, 0.92f, 1.52f, 0.70f},
        {-1.2f, 0.30f, 0.78f, 0.92f, 1.56f, 0.70f},
        {-1.8f, 0.30f, 0.76f, 0.92f, 1.36f, 0.76f},
        {-2.0f, 0.34f, 0.72f, 0.88f, 1.10f, 0.78f}},
       0.4f, -1.8f, 0.42f, 0.30f, 0.86f, 1.30f, -1.30f, LightBar | Scoop},
      {"Oxygen", 0x36C4E0, 0xF4F8FE, 0x22303C, 4,
       {{2.0f, 0.46f, 0.66f, 0.50f, 0.78f, 0.40f},
        {1.6f, 0.42f, 0.74f, 0.74f, 0.94f, 0.62f},
        {0.6f, 0.42f, 0.80f, 0.80f, 1.00f, 0.70f},
        {-0.8f, 0.42f, 0.82f, 0.80f, 1.04f, 0.70f},
        {-1.7f, 0.46f, 0.80f, 0.76f, 1.02f, 0.64f},
        {-2.0f, 0.50f, 0.78f, 0.66f, 0.96f, 0.54f}},
       0.5f, -1.2f, 0.52f, 0.36f, 0.96f, 1.35f, -1.40f, RollCage},
      {"Pyrostar", 0xD8301C, 0xFFB020, 0x2A1A14, 2,
       {{2.4f, 0.32f, 0.56f, 0.56f, 0.70f, 0.46f},
        {1.9f, 0.30f, 0.64f, 0.78f, 0.86f, 0.66f},
        {0.5f, 0.30f, 0.70f, 0.84f, 0.98f, 0.72f},
        {-0.1f, 0.30f, 0.72f, 0.86f, 1.40f, 0.62f},
        {-1.2f, 0.30f, 0.74f, 0.90f, 1.42f, 0.62f},
        {-1.7f, 0.30f, 0.74f, 0.92f, 1.04f, 0.80f},
        {-2.3f, 0.34f, 0.70f, 0.86f, 0.96f, 0.74f}},
       -0.1f, -1.5f, 0.42f, 0.32f, 0.90f, 1.55f, -1.50f, Scoop},
      {"Rocky", 0x6A6A3A, 0xD8C8A0, 0x2A2A20, 4,
       {{2.2f, 0.56f, 0.84f, 0.86f, 1.08f, 0.82f},
        {1.9f, 0.52f, 0.96f, 0.98f, 1.24f, 0.94f},
        {0.8f, 0.52f, 1.02f, 1.00f, 1.34f, 0.94f},
        {0.4f, 0.52f, 1.04f, 1.00f, 2.00f, 0.86f},
        {-1.9f, 0.52f, 1.04f, 1.00f, 2.02f, 0.86f},
        {-2.2f, 0.56f, 1.00f, 0.96f, 1.90f, 0.84f}},
       0.4f, -2.0f, 0.56f, 0.40f, 1.00f, 1.40f, -1.40f, BullBar | RoofRack},
      {"Snowbird", 0xEAF2FA, 0x2B6CD0, 0x142850, 0,
       {{2.3f, 0.30f, 0.50f, 0.64f, 0.58f, 0.52f},
        {1.9f, 0.26f, 0.60f, 0.88f, 0.76f, 0.78f},
        {0.8f, 0.26f, 0.66f, 0.92f, 0.88f, 0.84f},
        {0.2f, 0.26f, 0.70f, 0.94f, 1.32f, 0.62f},
        {-0.9f, 0.26f, 0.72f, 0.94f, 1.36f, 0.62f},
        {-1.6f, 0.26f, 0.72f, 0.94f, 1.04f, 0.82f},
        {-2.25f, 0.30f, 0.70f, 0.90f, 1.00f, 0.80f}},
       0.2f, -1.5f, 0.40f, 0.30f, 0.86f, 1.45f, -1.45f, Wing | LightBar},
      {"Stallion", 0x1C1C22, 0xE0383B, 0xC8CCD4, 0,
       {{2.5f, 0.32f, 0.58f, 0.70f, 0.74f, 0.62f},
        {2.2f, 0.30f, 0.66f, 0.92f, 0.92f, 0.84f},
        {0.5f, 0.30f, 0.72f, 0.96f, 1.02f, 0.88f},
        {-0.1f, 0.30f, 0.74f, 0.96f, 1.42f, 0.70f},
        {-1.1f, 0.30f, 0.76f, 0.96f, 1.44f, 0.70f},
        {-1.8f, 0.30f, 0.76f, 0.96f, 1.06f, 0.88f},
        {-2.45f, 0.34f, 0.72f, 0.90f, 1.02f, 0.82f}},
       -0.1f, -1.6f, 0.43f, 0.32f, 0.90f, 1.60f, -1.55f, Scoop},
      {"Thunder", 0x5A2E8A, 0xFFD030, 0x1E1030, 3,
       {{2.3f, 0.54f, 0.86f, 0.88f, 1.16f, 0.84f},
        {2.0f, 0.50f, 0.98f, 1.00f, 1.34f, 0.96f},
        {1.0f, 0.50f, 1.04f, 1.02f, 1.44f, 0.96f},
        {0.5f, 0.50f, 1.06f, 1.02f, 2.04f, 0.90f},
        {-0.6f, 0.50f, 1.06f, 1.02f, 2.06f, 0.90f},
        {-0.8f, 0.50f, 1.06f, 1.02f, 1.46f, 0.98f},
        {-2.3f, 0.54f, 1.02f, 1.00f, 1.44f, 0.96f}},
       0.5f, -0.6f, 0.55f, 0.40f, 1.00f, 1.45f, -1.45f, LightBar | BullBar},
  };
  return v;
}

// Atlas regions of the body picture (256 x 256): side view, top view, front, rear.
constexpr float SideV0 = 0, SideV1 = 96 / 256.0f, TopV0 = 96 / 256.0f, TopV1 = 176 / 256.0f, EndV0 = 176 / 256.0f;

struct Extent {
  V3 lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
  void add(V3 p) {
    lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
  }
};

// Texture coordinates by projection: every face takes the view it faces most.
PartMesh projectBody(const PartMesh& in, const Extent& e) {
  PartMesh out;
  out.name = in.name;
  out.material = in.material;
  std::map<std::pair<int, int>, int> welded;
  auto uvFor = [&](V3 p, int view) -> std::array<float, 2> {
    float fz = (e.hi.z - p.z) / (e.hi.z - e.lo.z);  // nose at the left
    float fy = (e.hi.y - p.y) / (e.hi.y - e.lo.y);
    float fx = (p.x - e.lo.x) / (e.hi.x - e.lo.x);
    switch (view) {
      case 0: return {0.01f + 0.98f * fz, SideV0 + (SideV1 - SideV0) * fy};
      case 1: return {0.01f + 0.98f * fz, TopV0 + (TopV1 - TopV0) * fx};
      case 2: return {0.5f * (1 - fx), EndV0 + (1 - EndV0) * fy};   // front, seen from ahead
      default: return {0.5f + 0.5f * fx, EndV0 + (1 - EndV0) * fy};  // rear
    }
  };
  for (auto t : in.tri) {
    V3 n = normalized(cross(in.pos[t[1]] - in.pos[t[0]], in.pos[t[2]] - in.pos[t[0]]));
    int view = std::fabs(n.x) >= std::max(std::fabs(n.y), std::fabs(n.z)) * 0.9f ? 0
               : std::fabs(n.y) >= std::fabs(n.z)                              ? 1
               : n.z > 0                                                       ? 2
                                                                               : 3;
    std::array<int, 3> o;
    for (int k = 0; k < 3; ++k) {
      auto key = std::make_pair(t[k], view);
      auto it = welded.find(key);
      if (it == welded.end()) {
        auto uv = uvFor(in.pos[t[k]], view);
        it = welded.emplace(key, out.vertex(in.pos[t[k]], uv[0], uv[1])).first;
      }
      o[k] = it->second;
    }
    out.triangle(o[0], o[1], o[2]);
  }
  return out;
}

std::vector<V3> stationRing(const Station& s) {
  float b = s.bottom, by = s.beltY, bw = s.beltW, ty = s.topY, tw = s.topW;
  float sill = b + (by - b) * 0.3f;
  return {{bw * 0.82f, b, s.z}, {bw, sill, s.z}, {bw, by, s.z}, {tw, ty, s.z},
          {-tw, ty, s.z},       {-bw, by, s.z},  {-bw, sill, s.z}, {-bw * 0.82f, b, s.z}};
}

PartMesh wheelMesh(const char* name, V3 centre, float radius, float halfWidth) {
  PartMesh m;
  m.name = name;
  m.material = "wheel";
  const int sides = 14;
  std::vector<int> ringL, ringR;
  // Tread: its own vertices mapped onto the studded tyre band at the top of the picture.
  for (int s = 0; s <= sides; ++s) {
    float a = 2 * float(M_PI) * s / sides;
    V3 p = {0, centre.y + std::sin(a) * radius, centre.z + std::cos(a) * radius};
    float u = 0.3f + 0.4f * s / sides;
    ringL.push_back(m.vertex({centre.x - halfWidth, p.y, p.z}, u, 0.03f));
    ringR.push_back(m.vertex({centre.x + halfWidth, p.y, p.z}, u, 0.12f));
  }
  for (int s = 0; s < sides; ++s) {
    int a = ringL[size_t(s)], b = ringL[size_t(s) + 1], c = ringR[size_t(s) + 1], d = ringR[size_t(s)];
    V3 n = cross(m.pos[size_t(b)] - m.pos[size_t(a)], m.pos[size_t(c)] - m.pos[size_t(a)]);
    V3 mid = (m.pos[size_t(a)] + m.pos[size_t(c)]) * 0.5f;
    if (dot(n, mid - centre) < 0) m.quad(a, d, c, b);
    else m.quad(a, b, c, d);
  }
  // Caps: the wheel picture mapped flat on both sides.
  for (int side = -1; side <= 1; side += 2) {
    float x = centre.x + side * halfWidth;
    int c = m.vertex({x, centre.y, centre.z}, 0.5f, 0.5f);
    std::vector<int> rim;
    for (int s = 0; s < sides; ++s) {
      float a = 2 * float(M_PI) * s / sides;
      float dy = std::sin(a), dz = std::cos(a);
      rim.push_back(m.vertex({x, centre.y + dy * radius, centre.z + dz * radius}, 0.5f + 0.49f * dz * float(side), 0.5f - 0.49f * dy));
    }
    for (int s = 0; s < sides; ++s) {
      int a = rim[size_t(s)], b = rim[size_t((s + 1) % sides)];
      V3 n = cross(m.pos[size_t(a)] - m.pos[size_t(c)], m.pos[size_t(b)] - m.pos[size_t(c)]);
      if (n.x * side > 0) m.triangle(c, a, b);
      else m.triangle(c, b, a);
    }
  }
  return m;
}

WorldModel vehicleModel(const VehicleDef& d) {
  WorldModel m;
  m.materials.push_back({"body", d.paint, d.name + std::string(".jpg"), false});
  m.materials.push_back({"wheel", 0x202020, "common\\wheel0.gif", false});
  PartMesh body;
  body.name = "body";
  body.material = "body";
  std::vector<std::vector<V3>> rings;
  for (const Station& s : d.stations) rings.push_back(stationRing(s));
  loft(body, rings, true, true, true);
  float roofY = 0, backZ = d.stations.back().z, frontZ = d.stations.front().z;
  for (const Station& s : d.stations) roofY = std::max(roofY, s.topY);
  float hw = d.stations[2].beltW;
  if (d.extras & Wing) {
    box(body, {-0.14f - hw * 0.7f, 0.9f, backZ + 0.05f}, {-hw * 0.7f, 1.25f, backZ + 0.3f});
    box(body, {hw * 0.7f, 0.9f, backZ + 0.05f}, {hw * 0.7f + 0.14f, 1.25f, backZ + 0.3f});
    box(body, {-hw * 0.95f, 1.25f, backZ - 0.05f}, {hw * 0.95f, 1.33f, backZ + 0.4f});
  }
  if (d.extras & LightBar) {
    float z = d.windowFrom - 0.15f;
    box(body, {-0.6f, roofY, z - 0.12f}, {0.6f, roofY + 0.16f, z + 0.12f});
  }
  if (d.extras & Scoop) {
    float z = (d.stations[1].z + d.stations[2].z) / 2;
    box(body, {-0.22f, d.stations[2].topY - 0.02f, z - 0.35f}, {0.22f, d.stations[2].topY + 0.14f, z + 0.2f});
  }
  if (d.extras & BullBar) {
    box(body, {-hw * 0.85f, d.stations[0].bottom, frontZ + 0.05f}, {hw * 0.85f, d.stations[0].bottom + 0.12f, frontZ + 0.18f});
    box(body, {-hw * 0.85f, d.stations[0].bottom + 0.35f, frontZ + 0.05f}, {hw * 0.85f, d.stations[0].bottom + 0.45f, frontZ + 0.18f});
    for (float x : {-0.45f, 0.45f}) box(body, {x - 0.05f, d.stations[0].bottom, frontZ + 0.05f}, {x + 0.05f, d.stations[0].bottom + 0.55f, frontZ + 0.18f});
  }
  if (d.extras & RoofRack) {
    for (float x : {-0.7f, 0.7f}) box(body, {x - 0.05f, roofY, d.windowTo + 0.2f}, {x + 0.05f, roofY + 0.14f, d.windowFrom - 0.2f});
    box(body, {-0.7f, roofY + 0.14f, -0.9f}, {0.7f, roofY + 0.18f, -0.75f});
    box(body, {-0.7f, roofY + 0.14f, 0.0f}, {0.7f, roofY + 0.18f, 0.15f});
  }
  if (d.extras & RollCage) {
    for (float x : {-0.62f, 0.62f}) {
      box(body, {x - 0.05f, 1.0f, 0.1f}, {x + 0.05f, 1.62f, 0.2f});
      box(body, {x - 0.05f, 1.0f, -0.9f}, {x + 0.05f, 1.62f, -0.8f});
      box(body, {x - 0.05f, 1.56f, -0.9f}, {x + 0.05f, 1.64f, 0.2f});
    }
    box(body, {-0.62f, 1.56f, 0.1f}, {0.62f, 1.64f, 0.2f});
    box(body, {-0.62f, 1.56f, -0.9f}, {0.62f, 1.64f, -0.8f});
  }
  Extent e;
  for (V3 p : body.pos) e.add(p);
  m.meshes.push_back(projectBody(body, e));
  float r = d.wheelRadius, hwid = d.wheelWidth / 2;
  m.meshes.push_back(wheelMesh("flwheel", {-d.trackHalf, r, d.axleFront}, r, hwid));
  m.meshes.push_back(wheelMesh("frwheel", {d.trackHalf, r, d.axleFront}, r, hwid));
  m.meshes.push_back(wheelMesh("rlwheel", {-d.trackHalf, r, d.axleRear}, r, hwid));
  m.meshes.push_back(wheelMesh("rrwheel", {d.trackHalf, r, d.axleRear}, r, hwid));
  // The dummy fixes the normalization box: 5.2 units long for every vehicle, centred at
  // 0.6 of the body's height above the ground (the game's ride height).
  float bodyH = e.hi.y - e.lo.y;
  float cy = 0.6f * bodyH;
  PartMesh dummy;
  dummy.name = "dummy";
  V3 lo{-1.4f, cy - 1.6f, -2.6f}, hi{1.4f, cy + 1.6f, 2.6f};
  int a = dummy.vertex(lo), b = dummy.vertex({hi.x, lo.y, hi.z}), c = dummy.vertex(hi), dd = dummy.vertex({lo.x, hi.y, lo.z});
  dummy.triangle(a, b, c);
  dummy.triangle(a, c, dd);
  m.meshes.push_back(dummy);
  return m;
}

// ------------------------------------------------------------------ the body picture

float stationAt(const VehicleDef& d, float z, float Station::*field) {
  const auto& s = d.stations;
  if (z >= s.front().z) return s.front().*field;
  for (size_t i = 0; i + 1 < s.size(); ++i)
    if (z <= s[i].z && z >= s[i + 1].z) {
      float t = (s[i].z - z) / (s[i].z - s[i + 1].z);
      return s[i].*field + (s[i + 1].*field - s[i].*field) * t;
    }
  return s.back().*field;
}

Raster bodyPicture(const VehicleDef& d, const WorldModel& model) {
  const int W = 256, H = 256;
  Raster r(W, H, rgb(d.paint));
  Extent e;
  for (const PartMesh& m : model.meshes)
    if (m.name == "body")
      for (V3 p : m.pos) e.add(p);
  Rgba paint = rgb(d.paint), accent = rgb(d.accent), glass = rgb(0x1A2838), trim = rgb(d.trim);
  auto zAt = [&](float u) { return e.hi.z - (u - 0.01f) / 0.98f * (e.hi.z - e.lo.z); };
  // Side view: y grows down; rows map height.
  int sideH = int(SideV1 * H);
  for (int y = 0; y < sideH; ++y)
    for (int x = 0; x < W; ++x) {
      float z = zAt((x + 0.5f) / W);
      float h = e.hi.y - (y + 0.5f) / sideH * (e.hi.y - e.lo.y);
      float belt = stationAt(d, z, &Station::beltY), top = stationAt(d, z, &Station::topY);
      float bottom = stationAt(d, z, &Station::bottom);
      Rgba c = mix(mix(paint, rgb(0xFFFFFF), 0.22f), mix(paint, rgb(0), 0.35f), std::clamp((e.hi.y - h) / (e.hi.y - e.lo.y), 0.0f, 1.0f));
      // Glass house above the belt line between the pillars.
      if (h > belt + 0.06f && z < d.windowFrom && z > d.windowTo && h < top - 0.05f) {
        c = mix(glass, rgb(0x8FB4D8), std::clamp(0.5f - (h - belt) * 0.6f + 0.25f * std::sin(z * 3), 0.0f, 0.6f));
        float pillar = std::fabs(z - (d.windowFrom + d.windowTo) / 2);
        if (pillar < 0.05f) c = trim;
      }
      float mid = bottom + (belt - bottom) * 0.55f;
      switch (d.livery) {
        case 0:  // twin stripes along the flank
          if (std::fabs(h - mid) < 0.05f || std::fabs(h - mid - 0.12f) < 0.03f) c = accent;
          break;
        case 1:  // spots
          if (h < belt && fbm(x * 0.18f, y * 0.18f, 5, 2) > 0.64f) c = mix(accent, c, 0.1f);
          break;
        case 2: {  // flames from the nose
          float flame = (z - e.lo.z) / (e.hi.z - e.lo.z);
          float edge = 0.45f + 0.18f * std::sin(h * 18 + flame * 10) + 0.1f * std::sin(h * 41);
          if (h < belt && flame > edge) c = mix(accent, rgb(0xFFE070), std::clamp((flame - edge) * 3, 0.0f, 1.0f));
          break;
        }
        case 3: {  // lightning bolt
          float zz = (z - e.lo.z) / (e.hi.z - e.lo.z);
          float boltH = mid + 0.18f * (std::fmod(zz * 5, 1.0f) < 0.5f ? std::fmod(zz * 5, 1.0f) : 1 - std::fmod(zz * 5, 1.0f)) - 0.05f;
          if (h < belt && std::fabs(h - boltH) < 0.055f && zz > 0.1f && zz < 0.9f) c = accent;
          break;
        }
        case 4:  // two-tone: lower body in the accent colour
          if (h < mid) c = mix(accent, rgb(0), (mid - h) * 0.8f);
          break;
        default:
          break;
      }
      // Wheel arches, sill and lights.
      for (float az : {d.axleFront, d.axleRear}) {
        float dz = z - az, dh = h - d.wheelRadius;
        if (dz * dz + dh * dh < (d.wheelRadius + 0.08f) * (d.wheelRadius + 0.08f)) c = rgb(0x101214);
      }
      if (h < bottom + 0.05f) c = trim;
      if (z > e.hi.z - 0.12f && h > belt - 0.14f && h < belt - 0.02f) c = rgb(0xFFF6D0);
      if (z < e.lo.z + 0.1f && h > belt - 0.16f && h < belt - 0.04f) c = rgb(0xD02020);
      c.a = 1;
      r.at(x, y) = c;
    }
  // Top view: bonnet and roof, glass of the wind screen and rear window, stripes.
  int top0 = int(TopV0 * H), top1 = int(TopV1 * H);
  for (int y = top0; y < top1; ++y)
    for (int x = 0; x < W; ++x) {
      float z = zAt((x + 0.5f) / W);
      float xx = e.lo.x + (y + 0.5f - top0) / (top1 - top0) * (e.hi.x - e.lo.x);
      Rgba c = mix(paint, rgb(0xFFFFFF), 0.3f);
      float topW = stationAt(d, z, &Station::topW);
      bool roof = stationAt(d, z, &Station::topY) > stationAt(d, z, &Station::beltY) + 0.45f;
      if (roof && std::fabs(xx) < topW) {
        bool screen = z > d.windowFrom - 0.45f || z < d.windowTo + 0.35f;
        if (screen) c = mix(glass, rgb(0xA8C8E8), 0.3f + 0.2f * std::sin(xx * 4));
      }
      if ((d.livery == 0 || d.livery == 5) && std::fabs(std::fabs(xx) - 0.16f) < 0.07f) c = accent;
      if (d.livery == 4 && !roof && std::fabs(xx) < 0.25f) c = accent;
      if (d.livery == 1 && fbm(x * 0.2f, y * 0.2f, 9, 2) > 0.66f) c = accent;
      c.a = 1;
      r.at(x, y) = c;
    }
  // Front and rear: grille, lamps, bumper; slightly shaded.
  int end0 = int(EndV0 * H);
  for (int y = end0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      bool front = x < W / 2;
      float fx = front ? 1 - (x + 0.5f) / (W / 2.0f) : (x - W / 2 + 0.5f) / (W / 2.0f);
      float xx = e.lo.x + fx * (e.hi.x - e.lo.x);
      float h = e.hi.y - (y + 0.5f - end0) / (H - end0) * (e.hi.y - e.lo.y);
      const Station& s = front ? d.stations.front() : d.stations.back();
      Rgba c = mix(paint, rgb(0), 0.15f);
      if (h > s.beltY + 0.05f && std::fabs(xx) < s.topW * 0.9f && s.topY > s.beltY + 0.4f) c = glass;
      float lampY = s.beltY - 0.1f;
      if (std::fabs(h - lampY) < 0.07f && std::fabs(std::fabs(xx) - s.beltW * 0.7f) < 0.14f)
        c = front ? rgb(0xFFF8DC) : rgb(0xE02020);
      if (front && h < lampY - 0.08f && h > s.bottom + 0.08f && std::fabs(xx) < s.beltW * 0.45f)
        c = ((int(h * 40)) & 1) ? rgb(0x14161A) : rgb(0x3A3E46);
      if (h < s.bottom + 0.08f) c = trim;
      c.a = 1;
      r.at(x, y) = c;
    }
  return r;
}

}  // namespace

bool makeVehicles(Content& c) {
  for (const VehicleDef& d : vehicleDefs()) {
    WorldModel m = vehicleModel(d);
    addModel(c, std::string("vehicle/") + d.name + ".3ds", m);
    if (!c.addJpeg(std::string("vehicle/") + d.name + ".jpg", bodyPicture(d, m), 90)) return false;
  }
  return true;
}
