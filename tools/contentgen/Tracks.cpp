// The eight track folders: the section mesh "track.3ds", the road and snow texture, the
// wrapping sky panorama, the woods band and guard rail strips, the banner picture, the
// track template with colours, fluctuations, borders, strips, decorations and music, and
// the menu icon with the track's real outline. Every picture is painted in code.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Style.h"
#include "TrackShapes.h"
#include "World.h"

namespace {

struct Look {
  int skyTop, skyHorizon;
  int rockLit, rockShade;
  float mountains;      // peak height, fraction of the sky picture
  bool night, sun;
  float clouds;         // 0 clear .. 1 overcast
  int bkg, ambient, smoke, haze;
  int road;             // packed snow of the road
  float terrainRolling, terrainZigzag, trackRolling, trackBumpy;
  const char* woods;    // nullptr, "BOTH", "LEFT", "RIGHT"
  float woodsHeight;
  const char* rail;     // nullptr, "BOTH", "LEFT", "RIGHT"
  const char* banner;   // text on the track's banner
  int bannerColour;
  const char* mood;     // template header
};

const Look Looks[8] = {
    {0x3E7CC8, 0xCFE3F5, 0x7C8FB0, 0x4A5A7C, 0.55f, false, true, 0.2f, 0xDCE8F4, 0xFFFCF4, 0xF2F6FC, 0xDCE8F4,
     0xE4E8EE, 0.4f, 0.15f, 0.6f, 0.1f, "BOTH", 14, "BOTH", "ALBERTA", 0xC8302C,
     "Alberta: foothills under the Rockies, long fast straights and sweeping bends on a bright day."},
    {0x5A7FA8, 0xC6D4E2, 0x6B7890, 0x3C4860, 0.8f, false, false, 0.75f, 0xC4D0DC, 0xE8ECF2, 0xE8EEF4, 0xC4D0DC,
     0xD8DEE6, 0.6f, 0.2f, 0.8f, 0.15f, "RIGHT", 16, "LEFT", "BRITISH COLUMBIA", 0x1F6B4A,
     "British Columbia: a mountain pass under low cloud, hairpins and long climbs above the valley."},
    {0x4C86C4, 0xD6E6F4, 0x6E86A8, 0x46587A, 0.3f, false, true, 0.35f, 0xE0EAF4, 0xFFF8EE, 0xF4F6FA, 0xE0EAF4,
     0xE2E4E6, 0.5f, 0.2f, 0.7f, 0.1f, "BOTH", 15, nullptr, "NEW BRUNSWICK", 0x2C5FA8,
     "New Brunswick: forest roads over rolling hills, S-bends between the spruce."},
    {0x6F88A6, 0xD2DCE6, 0x708098, 0x485468, 0.35f, false, false, 0.6f, 0xCCD8E2, 0xECF0F4, 0xEEF2F6, 0xCCD8E2,
     0xDCE0E4, 0.5f, 0.25f, 0.9f, 0.2f, "LEFT", 12, "RIGHT", "NEWFOUNDLAND", 0xB8862A,
     "Newfoundland: cliffs and coves along the grey sea, a long shore straight with a rail above the drop."},
    {0xE89A6C, 0xF6D8C0, 0x9A8AA8, 0x62587C, 0.25f, false, true, 0.3f, 0xF0DCCC, 0xFFEEDC, 0xFFF4EA, 0xF0DCCC,
     0xEADCD4, 0.3f, 0.1f, 0.5f, 0.05f, "BOTH", 12, "BOTH", "NOVA SCOTIA", 0x7A3C8C,
     "Nova Scotia: a shore loop at sunset, long banked bends above the bays."},
    {0x3C78C0, 0xD4E6F6, 0x7890B0, 0x50607E, 0.2f, false, true, 0.15f, 0xDEEAF6, 0xFFFFFF, 0xF6F8FC, 0xDEEAF6,
     0xE6E8EC, 0.2f, 0.1f, 0.4f, 0.05f, "BOTH", 14, "BOTH", "ONTARIO", 0x1F8A8A,
     "Ontario: lakes and woods, flat and fast, with a chicane through the pines."},
    {0x2A4E86, 0xA8BEDC, 0x5E7094, 0x34405E, 0.45f, false, false, 0.1f, 0xB0C4DE, 0xD8E0F0, 0xE2EAF6, 0xB0C4DE,
     0xC8D0DC, 0.6f, 0.25f, 0.9f, 0.15f, "BOTH", 16, "RIGHT", "QUEBEC", 0x2A5AC8,
     "Quebec: the Laurentians at dusk, tight and technical with three jumps."},
    {0x07102A, 0x2C4A78, 0x4A5C86, 0x24304E, 0.6f, true, false, 0.0f, 0x34507C, 0xA8B8DC, 0xC8D4EC, 0x34507C,
     0xA8B4C8, 0.7f, 0.3f, 1.0f, 0.2f, "LEFT", 13, nullptr, "YUKON", 0xD8A020,
     "Yukon: the far north under the aurora, wide open with big jumps."},
};

// Noise periodic in t: sampled on a circle whose radius grows with y, so y is a second,
// non-repeating direction.
float loopNoise(float t, float cycles, uint32_t seed, float y = 0) {
  float a = t * 2 * float(M_PI), radius = cycles + y;
  return valueNoise(40 + radius * std::cos(a), 40 + radius * std::sin(a), seed);
}

float loopFbm(float t, float cycles, uint32_t seed, int octaves, float y = 0) {
  float sum = 0, amp = 0.5f, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += amp * loopNoise(t, cycles, seed + uint32_t(o) * 31u, y);
    norm += amp, cycles *= 2, y *= 2, amp *= 0.5f;
  }
  return sum / norm;
}

std::string colour(int c) {
  char b[32];
  std::snprintf(b, sizeof b, "(%d;%d;%d)", (c >> 16) & 255, (c >> 8) & 255, c & 255);
  return b;
}

// ---------------------------------------------------------------- the mesh

PartMesh trackMesh(const std::vector<Section>& s) {
  PartMesh m;
  m.name = "track";
  m.material = "track";
  static const float A[11] = {0, 0.09375f, 0.1875f, 0.28125f, 0.375f, 0.5f, 0.625f, 0.71875f, 0.8125f, 0.90625f, 1};
  static const float Along[4] = {0, 0.5f, 1, 0.5f};
  int n = int(s.size());
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < 11; ++k)
      m.vertex(s[size_t(i)].centre + s[size_t(i)].right * s[size_t(i)].lateral[k] + V3{0, s[size_t(i)].rise[k], 0}, A[k],
               Along[i % 4]);
  // Section i owns the twenty triangles between it and the next section, quad q joining
  // vertices q and q + 1; they face up.
  for (int i = 0; i < n; ++i) {
    int a = 11 * i, b = 11 * ((i + 1) % n);
    for (int q = 0; q < 10; ++q) {
      m.triangle(a + q, a + q + 1, b + q);
      m.triangle(b + q, a + q + 1, b + q + 1);
    }
  }
  return m;
}

// ---------------------------------------------------------------- pictures

Raster trackTexture(const Look& l, uint32_t seed) {
  const int W = 256, H = 256;
  Raster r(W, H);
  Rgba road = mix(rgb(l.road), rgb(0x8A96A8), 0.35f), snow = rgb(0xF4F8FE), shadowSnow = rgb(0xC4D4EA),
       packed = mix(road, rgb(0x6E7A8E), 0.35f);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      float u = (x + 0.5f) / W, v = (y + 0.5f) / H;
      float fine = fbm(u * 40, v * 40, seed, 3), coarse = fbm(u * 6, v * 6, seed + 5, 3);
      float d = std::fabs(u - 0.5f);  // 0 centre .. 0.5 edge
      Rgba c;
      if (d < 0.125f) {
        // Packed road: tyre ruts, darker ice in the wheel lines, loose snow between.
        c = mix(road, packed, coarse * 0.6f);
        for (float rut : {0.055f, 0.095f}) {
          float w = std::fabs(d - rut);
          float groove = std::exp(-w * w / (0.00025f));
          c = mix(c, rgb(0x5E6A7E), groove * (0.45f + 0.3f * fine));
        }
        float ice = std::max(0.0f, fbm(u * 10, v * 3, seed + 9, 3) - 0.58f) * 2.5f;
        c = mix(c, rgb(0xB8CCE2), std::min(ice, 0.5f));
        c = mix(c, rgb(0xFFFFFF), std::max(0.0f, fine - 0.7f) * 1.5f);
      } else if (d < 0.22f) {
        // Shoulder: loose ploughed snow rising towards the berm.
        float t = (d - 0.125f) / 0.095f;
        c = mix(mix(road, snow, 0.5f), snow, t);
        c = mix(c, shadowSnow, (0.5f - std::fabs(t - 0.6f)) * 0.35f * coarse);
        c = mix(c, rgb(0xFFFFFF), std::max(0.0f, fine - 0.6f));
      } else {
        // Deep snow: drifts with blue shadows and sparkle.
        float drift = fbm(u * 9 + coarse, v * 4, seed + 13, 4);
        c = mix(snow, shadowSnow, std::clamp((drift - 0.45f) * 1.6f, 0.0f, 0.6f));
        if (hashUnit(x, y, seed + 21) > 0.985f) c = rgb(0xFFFFFF);
      }
      c.a = 1;
      r.at(x, y) = c;
    }
  return r;
}

// The sky panorama wraps: everything is painted from functions periodic in x.
Raster skyPicture(const Look& l, uint32_t seed) {
  const int W = 512, H = 128;
  Raster r(W, H);
  const float horizon = 104;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      float t = std::clamp(y / horizon, 0.0f, 1.0f);
      Rgba c = mix(rgb(l.skyTop), rgb(l.skyHorizon), std::pow(t, 1.4f));
      c.a = 1;
      r.at(x, y) = c;
    }
  float sunX = 140 + (seed % 5) * 40;
  if (l.night) {
    for (int i = 0; i < 420; ++i) {
      int sx = int(hashUnit(i, 1, seed) * W), sy = int(hashUnit(i, 2, seed) * horizon * 0.8f);
      r.blend(sx, sy, rgb(0xFFFFFF), 0.3f + 0.7f * hashUnit(i, 3, seed) * (1 - sy / horizon));
    }
    for (int y = 0; y < int(horizon); ++y)
      for (int x = 0; x < W; ++x) {
        float t = float(x) / W;
        float centre = 30 + 14 * std::sin(t * 4 * float(M_PI) + 1) + 8 * std::sin(t * 10 * float(M_PI));
        float d = (y - centre) / (y < centre ? 26.0f : 7.0f);
        float band = std::exp(-d * d);
        float rays = 0.5f + 0.5f * std::sin(t * 2 * float(M_PI) * 60 + 6 * loopFbm(t, 3, seed, 2));
        float a = band * rays * (0.35f + 0.5f * loopFbm(t, 4, seed + 3, 2));
        r.blend(x, y, mix(rgb(pal::Aurora), rgb(0x8A6BFF), std::clamp(-d * 0.3f, 0.0f, 1.0f)), std::clamp(a, 0.0f, 0.85f));
      }
  }
  if (l.sun)
    for (int y = 0; y < H; ++y)
      for (int dx = -W; dx <= W; dx += W)
        for (int x = 0; x < W; ++x) {
          float d = std::hypot(x - sunX - dx, y - 34.0f);
          if (d < 60) r.blend(x, y, rgb(0xFFF6DC), std::clamp(0.6f * std::exp(-d * d / 400) + (d < 7 ? 1.0f : 0.0f), 0.0f, 1.0f));
        }
  if (l.clouds > 0)
    for (int y = 0; y < int(horizon); ++y)
      for (int x = 0; x < W; ++x) {
        float t = float(x) / W;
        float n = loopFbm(t, 4, seed + 40, 4, y * 0.14f);
        float a = std::clamp((n - (0.62f - 0.25f * l.clouds)) * 3.0f, 0.0f, 0.9f) * (0.5f + 0.5f * y / horizon);
        float lightTop = std::clamp((loopFbm(t, 4, seed + 40, 4, y * 0.14f - 0.5f) - n) * 4 + 0.5f, 0.0f, 1.0f);
        if (a > 0) r.blend(x, y, mix(rgb(0x9AA8BC), rgb(0xF8FAFE), lightTop), a);
      }
  // Two mountain ranges: peaks at hashed places around the circle, lit from the left.
  for (int layer = 0; layer < 2; ++layer) {
    int peaks = layer ? 13 : 8;
    float base = layer ? horizon + 4 : horizon - 4;
    float height = (layer ? 0.5f : 1.0f) * l.mountains * 70;
    uint32_t s = seed * 7 + uint32_t(layer) * 101;
    Rgba lit = layer ? mix(rgb(l.rockLit), rgb(0xFFFFFF), 0.25f) : rgb(l.rockLit);
    Rgba shade = layer ? mix(rgb(l.rockShade), rgb(0xFFFFFF), 0.1f) : rgb(l.rockShade);
    Rgba snowLit = rgb(l.night ? 0xB8C8E8 : 0xF6FAFF), snowShade = rgb(l.night ? 0x6A7CA8 : 0xB8C8DE);
    if (layer == 0) lit = mix(lit, rgb(l.skyHorizon), 0.35f), shade = mix(shade, rgb(l.skyHorizon), 0.35f),
                    snowLit = mix(snowLit, rgb(l.skyHorizon), 0.35f), snowShade = mix(snowShade, rgb(l.skyHorizon), 0.35f);
    for (int x = 0; x < W; ++x) {
      float best = -1e9f, peakX = 0, peakH = 0;
      for (int k = 0; k < peaks; ++k) {
        float px = (k + 0.15f + 0.7f * hashUnit(k, 1, s)) * W / peaks;
        float ph = height * (0.45f + 0.55f * hashUnit(k, 2, s));
        float slope = 0.8f + 0.7f * hashUnit(k, 3, s);
        float dxp = x - px;
        if (dxp > W / 2) dxp -= W;
        if (dxp < -W / 2) dxp += W;
        float v = ph - std::fabs(dxp) * slope;
        if (v > best) best = v, peakX = dxp, peakH = ph;
      }
      best += (loopFbm(float(x) / W, 24, s + 3, 3) - 0.5f) * height * 0.2f;
      best = std::max(best, height * 0.08f + 2);
      float top = base - best;
      bool litSide = peakX > 0;  // the point lies right of its peak's top: away from the light
      litSide = !litSide;
      float snowLine = base - peakH * (0.55f + 0.15f * loopFbm(float(x) / W, 30, s + 4, 2));
      for (int y = std::max(0, int(top)); y < H; ++y) {
        bool snowy = y < snowLine || fbm(x * 0.2f, y * 0.08f, s + 9, 3) > 0.6f + (y - snowLine) * 0.01f;
        Rgba c = snowy ? (litSide ? snowLit : snowShade) : (litSide ? lit : shade);
        float cov = y == int(top) ? 1 - (top - std::floor(top)) : 1;
        r.blend(x, y, c, cov);
      }
    }
  }
  // Far forest edge and the snowfield at the bottom, into the haze.
  for (int x = 0; x < W; ++x) {
    float t = float(x) / W;
    float treeTop = horizon + 6 - 8 * loopFbm(t, 60, seed + 70, 2) - 3 * std::max(0.0f, std::sin(x * 1.7f));
    for (int y = int(treeTop); y < H; ++y) r.blend(x, y, mix(rgb(pal::Pine), rgb(l.haze), l.night ? 0.55f : 0.45f), 1);
  }
  for (int y = int(horizon) + 10; y < H; ++y)
    for (int x = 0; x < W; ++x) r.blend(x, y, mix(rgb(0xF0F6FC), rgb(l.haze), 0.5f), 1);
  return r;
}

// Woods band: a dense row of snowy pines on a transparent sky, mirrored every section.
Raster woodsBand(const Look& l, uint32_t seed) {
  const int W = 128, H = 64;
  Raster r(W, H);
  Rgba dark = rgb(l.night ? 0x0C2420 : 0x143A30), mid = rgb(l.night ? 0x1A3A34 : 0x1F5242);
  Rgba snow = rgb(l.night ? 0x9CB0D0 : 0xEAF2FA);
  for (int row = 0; row < 3; ++row) {
    int count = 7 + row * 2;
    for (int i = -1; i <= count; ++i) {
      float cx = (i + 0.5f + (hashUnit(i, row, seed) - 0.5f) * 0.6f) * W / count;
      float h = H * (0.55f + 0.4f * hashUnit(i, row + 7, seed)) * (1 - row * 0.12f);
      float w = h * 0.36f;
      float base = H;
      Rgba body = row == 0 ? mix(dark, rgb(l.haze), 0.35f) : (row == 1 ? mid : dark);
      // Tiered silhouette.
      for (int tier = 0; tier < 4; ++tier) {
        float ty = base - h + tier * h * 0.22f, by = ty + h * 0.38f;
        float tw = w * (0.35f + tier * 0.22f);
        r.fillPolygon({cx, ty, cx - tw, by, cx + tw, by}, body);
        r.fillPolygon({cx, ty, cx - tw * 0.7f, ty + h * 0.16f, cx + tw * 0.2f, ty + h * 0.12f}, mix(snow, body, 0.15f));
      }
      r.fillRect(cx - 1, base - h * 0.1f, 2, h * 0.1f, rgb(0x3A2A20));
    }
  }
  // Snow at the foot of the trees.
  r.fillShape(0, H - 10, W, H, [&](float x, float y) { return y > H - 6 + 3 * std::sin(x * 0.15f + seed); },
              [&](float, float) { return snow; });
  return r;
}

// Guard rail: a steel beam with reflectors on posts over a snow bank; opaque.
Raster guardRail(const Look& l) {
  const int W = 64, H = 16;
  Raster r(W, H, rgb(0xEEF3FA));
  r.verticalGradient(0, 7, rgb(0xDDE3EA), rgb(0x7D8896));
  r.fillRect(0, 2, W, 1, rgb(0xF6F8FA));
  r.fillRect(0, 6, W, 1, rgb(0x5A6472));
  for (int px : {0, W - 4}) r.fillRect(float(px), 0, 4, H, rgb(0x4A5260));
  r.fillRect(W / 2 - 3, 3, 6, 2, rgb(l.night ? 0xFF5020 : 0xE03A20));
  for (int y = 7; y < H; ++y)
    for (int x = 4; x < W - 4; ++x) r.at(x, y) = mix(rgb(0xF4F8FE), rgb(0xC4D2E6), (y - 7) / 9.0f * 0.6f);
  return r;
}

Raster bannerPicture(const Look& l) {
  Raster r(256, 64, rgb(l.bannerColour));
  r.verticalGradient(0, 64, mix(rgb(l.bannerColour), rgb(0xFFFFFF), 0.25f), mix(rgb(l.bannerColour), rgb(0), 0.25f));
  r.fillRect(0, 0, 256, 5, rgb(0xF4F8FE));
  r.fillRect(0, 59, 256, 5, rgb(0xF4F8FE));
  if (std::string(l.banner).size() <= 10)
    for (int i = 0; i < 2; ++i) paintSnowflake(r, i ? 232.0f : 24.0f, 32, 14, 2, rgb(0xFFFFFF, 0.9f));
  TextStyle t;
  t.face = Face::SansNarrowBold;
  t.pixelHeight = std::string(l.banner).size() > 10 ? 30.0f : 34.0f;
  t.fill = rgb(0xFFFFFF);
  t.shadow = rgb(0x000000, 0.5f);
  drawTextCentered(r, 128, 32, l.banner, t);
  return r;
}

// The menu icon: the real outline seen from above on a snowfield, with the start line.
Raster trackIcon(const std::vector<Section>& s, const Look& l, uint32_t seed) {
  const int W = 120, H = 90, S = 3;
  Raster big(W * S, H * S);
  big.verticalGradient(0, float(H * S), mix(rgb(l.skyHorizon), rgb(0xFFFFFF), 0.4f), mix(rgb(l.skyTop), rgb(0xE8F0F8), 0.55f));
  for (int y = 0; y < H * S; ++y)
    for (int x = 0; x < W * S; ++x) {
      float n = fbm(x * 0.02f, y * 0.02f, seed, 3);
      big.blend(x, y, rgb(0xFFFFFF), std::clamp((n - 0.5f) * 0.8f, 0.0f, 0.3f));
    }
  float minX = 1e9f, maxX = -1e9f, minZ = 1e9f, maxZ = -1e9f, minY = 1e9f, maxY = -1e9f;
  for (const Section& sec : s) {
    minX = std::min(minX, sec.centre.x), maxX = std::max(maxX, sec.centre.x);
    minZ = std::min(minZ, sec.centre.z), maxZ = std::max(maxZ, sec.centre.z);
    minY = std::min(minY, sec.centre.y), maxY = std::max(maxY, sec.centre.y);
  }
  float scale = std::min((W * S - 30.0f) / (maxX - minX), (H * S - 30.0f) / (maxZ - minZ));
  float ox = W * S / 2.0f - (minX + maxX) / 2 * scale, oy = H * S / 2.0f + (minZ + maxZ) / 2 * scale;
  auto px = [&](const V3& p) { return std::make_pair(ox + p.x * scale, oy - p.z * scale); };
  size_t n = s.size();
  // Shadow, dark outline, then the road coloured by height (low blue, high amber).
  for (int pass = 0; pass < 3; ++pass)
    for (size_t i = 0; i < n; ++i) {
      auto [x0, y0] = px(s[i].centre);
      auto [x1, y1] = px(s[(i + 1) % n].centre);
      if (pass == 0) big.strokeLine(x0 + 4, y0 + 5, x1 + 4, y1 + 5, 15, rgb(0x203050, 0.12f));
      if (pass == 1) big.strokeLine(x0, y0, x1, y1, 13, rgb(pal::Night));
      if (pass == 2) {
        float h = (s[i].centre.y - minY) / std::max(1.0f, maxY - minY);
        big.strokeLine(x0, y0, x1, y1, 7, mix(rgb(0x9FD0F4), rgb(pal::Amber), h));
      }
    }
  // Start and finish: a chequered bar across the road at section 0, and an arrow.
  V3 c = s[0].centre, rt = s[0].right, fw = s[0].forward;
  for (int k = -3; k <= 2; ++k) {
    auto [ax, ay] = px(c + rt * (k * 7.0f / scale));
    auto [bx, by] = px(c + rt * ((k + 1) * 7.0f / scale));
    big.strokeLine(ax, ay, bx, by, 6, rgb(k & 1 ? 0x101010 : 0xFFFFFF));
  }
  auto [tx, ty] = px(c + fw * (34 / scale));
  auto [lx, ly] = px(c + fw * (14 / scale) + rt * (10 / scale));
  auto [rx, ry] = px(c + fw * (14 / scale) - rt * (10 / scale));
  big.fillPolygon({tx, ty, lx, ly, rx, ry}, rgb(pal::Red));
  Raster icon = big.scaled(W, H);
  icon.strokeRoundRect(0, 0, W, H, 0, 1, rgb(pal::Ice));
  return icon;
}

std::string trackTemplate(const Look& l, int index) {
  std::string t;
  t += "# " + std::string(l.mood) + "\n";
  t += "# Loaded into the race page: colours, reshaping, borders, strips, decorations, music.\n";
  t += "music=type:Sound, src:music.mod\n";
  t += "track.music=music\n";
  t += "scene.bkgColor=" + colour(l.bkg) + "\n";
  t += "scene.ambientColor=" + colour(l.ambient) + "\n";
  t += "scene.smokeColor=" + colour(l.smoke) + "\n";
  t += "scene.haze=" + colour(l.haze) + "\n";
  char b[256];
  std::snprintf(b, sizeof b, "terrain.fluctuation=rolling:%.2f, zigzag:%.2f\n", l.terrainRolling, l.terrainZigzag);
  t += b;
  std::snprintf(b, sizeof b, "track.fluctuation=rolling:%.2f, bumpy:%.2f\n", l.trackRolling, l.trackBumpy);
  t += b;
  t += "track.border=left:-3, right:3\n";
  if (l.woods) {
    std::snprintf(b, sizeof b, "woodsband=sideType:%s, height:%.0f, offset:5\n", l.woods, l.woodsHeight);
    t += b;
  }
  if (l.rail) t += std::string("guardrail=sideType:") + l.rail + ", height:1.1, offset:3\n";
  // Billboards first: the game counts them from the front of the list.
  const char* boards[2] = {"board1", "board2"};
  t += std::string("track.decor.billboard1=texture:..\\common\\") + boards[index % 2] +
       ".gif, width:5, height:2.5, number:3, aspectAngle:20\n";
  t += std::string("track.decor.billboard2=texture:..\\common\\") + boards[(index + 1) % 2] +
       ".gif, width:5, height:2.5, number:2, aspectAngle:20\n";
  t += "track.decor.banner=model:..\\common\\banner.3ds, radius:14, texture:1;banner.jpg, number:1, aspectAngle:0\n";
  const char* treeA = (index % 3 == 0) ? "pine" : (index % 3 == 1 ? "spruce" : "pine");
  const char* treeB = (index % 2 == 0) ? "spruce" : "birch";
  std::snprintf(b, sizeof b,
                "track.decor.treesRight=texture:..\\common\\%s.gif, width:6, height:12, sizeRandom:0.25, number:9, "
                "offset:4, offsetRandom:0.35, billboard:1\n",
                treeA);
  t += b;
  std::snprintf(b, sizeof b,
                "track.decor.treesLeft=texture:..\\common\\%s.gif, width:6, height:12, sizeRandom:0.25, number:9, "
                "offset:-4, offsetRandom:0.35, billboard:1\n",
                treeA);
  t += b;
  std::snprintf(b, sizeof b,
                "track.decor.treesMixed=texture:..\\common\\%s.gif, width:5, height:10, sizeRandom:0.3, number:6, "
                "offset:%d, offsetRandom:0.3, billboard:1\n",
                treeB, index % 2 ? -3 : 3);
  t += b;
  t += "track.decor.rocks=model:..\\common\\rock.3ds, radius:2.2, sizeRandom:1.0, number:4, offset:" +
       std::string(index % 2 ? "4" : "-4") + ", offsetRandom:0.3\n";
  t += "track.decor.cabin=model:..\\common\\cabin.3ds, radius:7, number:1, offset:" + std::string(index % 2 ? "-5" : "5") +
       ", offsetRandom:0.05, aspectAngle:90\n";
  t += "track.decor.sign=model:..\\common\\sign.3ds, radius:1.6, number:2, offset:" + std::string(index % 2 ? "3" : "-3") +
       ", offsetRandom:0.1, aspectAngle:0\n";
  if (l.night || index == 6)
    t += "track.decor.snowman=texture:..\\common\\snowman.gif, width:2.4, height:3.2, number:2, offset:-3, "
         "offsetRandom:0.2, billboard:1\n";
  return t;
}

}  // namespace

bool makeTracks(Content& c) {
  const auto& defs = trackDefs();
  for (size_t i = 0; i < defs.size(); ++i) {
    const TrackDef& def = defs[i];
    const Look& l = Looks[i];
    std::vector<Section> s = buildSections(def);
    float lap = 0;
    for (size_t k = 0; k < s.size(); ++k) lap += length(s[(k + 1) % s.size()].centre - s[k].centre);
    float seconds = lap / TopSpeed;
    if (std::getenv("KS_TRACK_INFO")) std::fprintf(stderr, "%s: %zu sections, %.0f units, %.1f s\n", def.name, s.size(), lap, seconds);
    if (((seconds < 62 || seconds > 118) && !std::getenv("KS_TRACK_INFO")) || s.size() * SectionVertices > 32768) {
      std::fprintf(stderr, "contentgen: track %s: %zu sections, a lap of %.0f units takes %.1f s at full speed\n",
                   def.name, s.size(), lap, seconds);
      return false;
    }
    std::string dir = std::string("scenes/") + def.folder + "/";
    WorldModel model;
    model.materials.push_back({"track", 0xFFFFFF, "track.jpg", false});
    model.meshes.push_back(trackMesh(s));
    addModel(c, dir + "track.3ds", model);
    if (!c.addJpeg(dir + "track.jpg", trackTexture(l, def.seed), 90) || !c.addJpeg(dir + "Skydome.jpg", skyPicture(l, def.seed), 90) ||
        !c.addJpeg(dir + "banner.jpg", bannerPicture(l), 90))
      return false;
    GifOptions keyed;
    keyed.transparent = true;
    if (l.woods && !c.addGif(dir + "woodsband.gif", {woodsBand(l, def.seed)}, keyed)) return false;
    if (l.rail && !c.addGif(dir + "guardrail.gif", {guardRail(l)}, GifOptions{})) return false;
    std::string text = trackTemplate(l, int(i));
    c.resources[dir + "track.properties"] = Bytes(text.begin(), text.end());
    if (!c.addGif(std::string("scenes/") + def.folder + "_icon.gif", {trackIcon(s, l, def.seed)}, GifOptions{})) return false;
  }
  return true;
}
