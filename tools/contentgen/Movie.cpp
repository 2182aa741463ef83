// The title movie (three animated GIFs the intro page plays one after the other in a
// loop: snowfall over the mountains, a racer speeding past, the title) and the track
// icons of the track menu, all painted with the shared winter style.
#include <cmath>

#include "Content.h"
#include "Style.h"

namespace {

const int MovieW = 240, MovieH = 140;

void snowfall(Raster& r, float t, uint32_t seed, int count, float wind) {
  for (int i = 0; i < count; ++i) {
    float depth = 0.4f + hashUnit(i, 0, seed) * 0.6f;
    float x = hashUnit(i, 1, seed) * (MovieW + 40) - 20 + wind * t * depth + std::sin(t * 2 + i) * 3;
    float y = hashUnit(i, 2, seed) * (MovieH + 20) + t * 38 * depth;
    x = std::fmod(x + 10 * (MovieW + 40), float(MovieW + 40)) - 20;
    y = std::fmod(y, float(MovieH + 20)) - 10;
    float rad = 0.6f + depth * 1.3f;
    r.fillEllipse(x, y, rad, rad, rgb(0xFFFFFF, 0.55f + 0.45f * depth));
  }
}

std::vector<Raster> movieSnow() {
  std::vector<Raster> frames;
  for (int f = 0; f < 24; ++f) {
    float t = f * 0.1f;
    Raster r(MovieW, MovieH);
    LandscapeParams p;
    p.seed = 3;
    p.pan = t * 12;
    p.horizon = 0.5f;
    paintLandscape(r, p);
    snowfall(r, t, 11, 90, -10);
    if (f < 5) r.fillRect(0, 0, MovieW, MovieH, rgb(0x000000, 1.0f - f / 5.0f));  // fade in from black
    frames.push_back(std::move(r));
  }
  return frames;
}

std::vector<Raster> movieRacer() {
  std::vector<Raster> frames;
  for (int f = 0; f < 28; ++f) {
    float t = f * 0.07f;
    Raster r(MovieW, MovieH);
    LandscapeParams p;
    p.seed = 3;
    p.pan = 29 + t * 90;  // the camera follows the racer
    p.horizon = 0.5f;
    paintLandscape(r, p);
    // The racer crosses from right to left, slightly growing as it comes closer.
    float x = 270 - f * 12.5f, y = 100 - f * 0.3f, s = 1.05f + f * 0.012f;
    // Snow spray behind the track.
    for (int i = 0; i < 40; ++i) {
      float age = hashUnit(i, f, 5) * 1.0f;
      float px = x + 60 * s + age * 45 + hashUnit(i, 1, 6) * 10;
      float py = y + 22 * s - age * 22 * hashUnit(i, 2, 6) - std::sin(age * 3) * 8;
      float rad = 1.5f + age * 4.5f;
      r.fillEllipse(px, py, rad, rad, rgb(0xFFFFFF, 0.75f * (1 - age)));
    }
    r.fillEllipse(x + 32 * s, y + 27 * s, 34 * s, 3 * s, rgb(0x1A2C4A, 0.35f));  // shadow
    paintRacer(r, x, y, s, pal::Orange);
    snowfall(r, 2.4f + t, 11, 60, -60);
    frames.push_back(std::move(r));
  }
  return frames;
}

std::vector<Raster> movieTitle() {
  std::vector<Raster> frames;
  for (int f = 0; f < 26; ++f) {
    float t = f * 0.1f;
    Raster r(MovieW, MovieH);
    LandscapeParams p;
    p.seed = 3;
    p.pan = 29 + 2 * 90 + t * 8;
    p.horizon = 0.5f;
    paintLandscape(r, p);
    r.fillRect(0, 0, MovieW, MovieH, rgb(pal::Night, std::min(0.45f, t * 0.4f)));
    float appear = std::min(1.0f, t / 0.9f);
    float size = 30 + 8 * (1 - appear);
    paintLogo(r, MovieW / 2.0f, 68, size, appear);
    // A glint running over the letters once the title stands.
    if (f >= 10 && f < 20) {
      float gx = 40 + (f - 10) * 18.0f;
      paintSnowflake(r, gx, 48, 6, 1.2f, rgb(0xFFFFFF, 0.9f));
    }
    snowfall(r, 4.4f + t, 11, 70, -10);
    if (f >= 20) r.fillRect(0, 0, MovieW, MovieH, rgb(0x000000, (f - 19) / 6.0f));  // fade out to black
    frames.push_back(std::move(r));
  }
  return frames;
}

// Track icons: the track's landscape with its loop drawn on the snowfield.
struct IconLook {
  int skyBottom;
  bool sea, forest, aurora;
  float mountains;
};

Raster trackIcon(int index) {
  const IconLook looks[8] = {
      {0x4A73A8, false, false, true, 0.34f},  // Alberta: the Rockies over the prairie
      {0x3F6FA0, true, true, false, 0.40f},   // British Columbia: coast mountains
      {0x5A6F98, false, true, false, 0.16f},  // New Brunswick: forest hills
      {0x46628E, true, false, true, 0.20f},   // Newfoundland: cliffs and sea
      {0x577BA8, true, true, false, 0.14f},   // Nova Scotia: shore
      {0x6A86B4, false, true, false, 0.10f},  // Ontario: lakes and woods
      {0x5C6FA0, false, true, true, 0.22f},   // Quebec: Laurentians
      {0x2E4A7A, false, false, true, 0.36f},  // Yukon: northern peaks
  };
  const IconLook& l = looks[index];
  Raster big(240, 180);
  LandscapeParams p;
  p.seed = 100 + uint32_t(index) * 13;
  p.skyBottom = l.skyBottom;
  p.sea = l.sea;
  p.forest = l.forest;
  p.aurora = l.aurora;
  p.mountainHeight = l.mountains;
  p.horizon = 0.45f;
  paintLandscape(big, p);
  if (l.sea) {
    // Land for the track in front of the sea.
    big.fillShape(0, 120, 240, 180, [](float x, float y) { return y > 128 + 6 * std::sin(x * 0.05f); },
                  [](float, float y) { return mix(rgb(0xBCD3EA), rgb(pal::Snow), (y - 120) / 60); });
  }
  // A closed track loop in perspective: a wobbly ellipse, different for each track.
  std::vector<std::pair<float, float>> loop;
  for (int i = 0; i <= 64; ++i) {
    float a = i / 64.0f * 2 * 3.14159265f;
    float wob = 1 + 0.18f * std::sin(a * (2 + index % 3) + index) + 0.1f * std::cos(a * 3 + index * 2);
    loop.push_back({120 + std::cos(a) * 92 * wob, 146 + std::sin(a) * 26 * wob});
  }
  // Infield in the shade of the banks, and pines scattered over the snow outside the loop.
  std::vector<float> poly;
  for (const auto& pt : loop) poly.push_back(pt.first), poly.push_back(pt.second);
  big.fillPolygon(poly, rgb(0x9FB9DA, 0.45f));
  for (int t = 0; t < 36; ++t) {
    float tx = hashUnit(t, 1, uint32_t(index) + 900) * 240, ty = 112 + hashUnit(t, 2, uint32_t(index) + 900) * 68;
    float dx = (tx - 120) / 100, dy = (ty - 146) / 34;
    if (dx * dx + dy * dy < 1.12f) continue;  // keep the track and its banks clear
    float th = 6 + hashUnit(t, 3, uint32_t(index) + 900) * 8 + (ty - 112) * 0.08f;
    big.fillPolygon({tx, ty - th, tx - th * 0.35f, ty, tx + th * 0.35f, ty}, rgb(pal::Pine));
    big.fillPolygon({tx, ty - th, tx - th * 0.14f, ty - th * 0.6f, tx + th * 0.1f, ty - th * 0.62f}, rgb(0xE6F0FA));
  }
  for (size_t i = 0; i + 1 < loop.size(); ++i)
    big.strokeLine(loop[i].first, loop[i].second, loop[i + 1].first, loop[i + 1].second, 7, rgb(pal::Night));
  for (size_t i = 0; i + 1 < loop.size(); ++i)
    big.strokeLine(loop[i].first, loop[i].second, loop[i + 1].first, loop[i + 1].second, 4, rgb(pal::Amber));
  // Start/finish flag.
  big.strokeLine(loop[16].first, loop[16].second, loop[16].first, loop[16].second - 22, 2, rgb(pal::Night));
  big.fillRect(loop[16].first, loop[16].second - 22, 12, 8, rgb(pal::Red));
  Raster icon = big.scaled(120, 90);
  icon.strokeRoundRect(0, 0, 120, 90, 0, 1, rgb(pal::Ice));
  return icon;
}

}  // namespace

bool makeMovie(Content& c) {
  // The menu pages run at 10 frames per second and a movie frame advances once its delay
  // is exceeded, so delays just under 10 cs give one movie frame per page frame.
  GifOptions o;
  o.delaysCs.assign(24, 8);
  if (!c.addGif("GUI/KS.movie0.gif", movieSnow(), o)) return false;
  o.delaysCs.assign(28, 7);
  if (!c.addGif("GUI/KS.movie1.gif", movieRacer(), o)) return false;
  o.delaysCs.assign(26, 8);
  o.delaysCs[19] = 120;  // hold the finished title
  return c.addGif("GUI/KS.movie2.gif", movieTitle(), o);
}

bool makeTrackIcons(Content& c) {
  for (int i = 0; i < 8; ++i)
    if (!c.addGif(std::string("scenes/") + TrackNames[i] + "_icon.gif", {trackIcon(i)}, GifOptions{}))
      return false;
  return true;
}
