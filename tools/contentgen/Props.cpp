// Shared world parts: the checkpoint arch and its banner, the decoration models (cabin,
// rock, sign, banner gate) with their shading atlas, the decoration pictures (pines,
// spruce, birch, snowman, roadside boards) and the vehicles' common pictures (wheels,
// shadow, snow smoke). Models keep their lighting in the atlas because the game draws
// decorations unlit.
#include <algorithm>
#include <cmath>

#include "Style.h"
#include "World.h"

namespace {

// Shading atlas columns: base colours of the props' surfaces.
enum Column { Log, Snow, Rock, DarkWood, Steel, RedPaint, Yellow, Green, Columns };
const int ColumnColour[Columns] = {0x8A5A34, 0xF2F6FC, 0x6E747E, 0x4A3222, 0x9AA4B0, 0xC23028, 0xF0B830, 0x2C5A3C};
constexpr int Rows = 8;

Raster propsAtlas() {
  const int W = 128, H = 128, cw = W / Columns, ch = H / Rows;
  Raster r(W, H);
  for (int col = 0; col < Columns; ++col)
    for (int row = 0; row < Rows; ++row) {
      float shade = 1.12f - row * 0.085f;
      for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x) {
          Rgba c = rgb(ColumnColour[col]);
          float n = hashUnit(x + col * 97, y + row * 31, 5) * 0.08f - 0.04f;
          if (col == Log) n += (y % 4 == 0 ? -0.12f : 0);
          if (col == Snow) c = mix(c, rgb(0xB4C8E4), row / 10.0f);
          c = {std::clamp(c.r * shade + n, 0.0f, 1.0f), std::clamp(c.g * shade + n, 0.0f, 1.0f),
               std::clamp(c.b * shade + n, 0.0f, 1.0f), 1};
          r.at(col * cw + x, row * ch + y) = c;
        }
    }
  return r;
}

PartMesh shaded(PartMesh m, int column, int snowColumn = -1) {
  mapByFacing(m, column, Columns, Rows, snowColumn);
  return m;
}

void addPart(WorldModel& model, const char* name, const char* material, const PartMesh& m) {
  PartMesh p = m;
  p.name = name;
  p.material = material;
  model.meshes.push_back(p);
}

// A flat two-faced panel in the XY plane at depth z, textured whole from both sides so
// the text reads correctly from the front (+Z) and the back.
PartMesh panel(float x0, float x1, float y0, float y1, float z, float thickness) {
  PartMesh m;
  float zf = z + thickness / 2, zb = z - thickness / 2;
  // Front faces +Z; a viewer there has -X on the right.
  int a = m.vertex({x1, y1, zf}, 0, 0), b = m.vertex({x0, y1, zf}, 1, 0), c = m.vertex({x0, y0, zf}, 1, 1),
      d = m.vertex({x1, y0, zf}, 0, 1);
  m.quad(a, d, c, b);
  int e = m.vertex({x0, y1, zb}, 0, 0), f = m.vertex({x1, y1, zb}, 1, 0), g = m.vertex({x1, y0, zb}, 1, 1),
      h = m.vertex({x0, y0, zb}, 0, 1);
  m.quad(e, h, g, f);
  return m;
}

// Gate over the road: two posts, a beam and a banner panel (material "panel" or
// "banner"). Width spans x; the bottom of the posts sinks below the ground.
WorldModel gate(float halfWidth, float height, float sink, const char* panelMaterial, const char* panelMap) {
  WorldModel m;
  m.materials.push_back({"frame", 0x9AA4B0, "props.jpg", false});
  m.materials.push_back({panelMaterial, 0xFFFFFF, panelMap, true});
  PartMesh frame;
  for (float sx : {-1.0f, 1.0f}) {
    PartMesh post;
    cylinderY(post, {sx * (halfWidth - 0.6f), -sink, 0}, 0.45f, height + sink, 8, true);
    frame.append(shaded(post, Steel, Snow));
    PartMesh foot;
    box(foot, {sx * (halfWidth - 0.6f) - 0.9f, -sink, -0.9f}, {sx * (halfWidth - 0.6f) + 0.9f, 0.5f, 0.9f});
    frame.append(shaded(foot, RedPaint, Snow));
  }
  PartMesh beam;
  box(beam, {-halfWidth, height - 0.5f, -0.35f}, {halfWidth, height + 0.1f, 0.35f});
  frame.append(shaded(beam, Steel, Snow));
  addPart(m, "frame", "frame", frame);
  addPart(m, "panel", panelMaterial, panel(-halfWidth + 1.3f, halfWidth - 1.3f, height - 3.6f, height - 0.5f, 0, 0.2f));
  return m;
}

WorldModel cabin() {
  WorldModel m;
  m.materials.push_back({"props", 0x8A5A34, "props.jpg", false});
  PartMesh walls, roof, details;
  box(walls, {-4, -0.5f, -3}, {4, 3.4f, 3});
  // Gable roof with overhang, snow on top.
  std::vector<std::vector<V3>> rings;
  for (float x : {-4.8f, 4.8f}) rings.push_back({{x, 3.2f, -3.8f}, {x, 6.0f, 0}, {x, 3.2f, 3.8f}});
  loft(roof, rings, true, true, true);
  PartMesh chimney;
  box(chimney, {2.0f, 4.0f, 0.8f}, {2.9f, 6.8f, 1.7f});
  box(details, {-0.8f, -0.2f, 3.0f}, {0.8f, 2.4f, 3.15f});       // door
  box(details, {-3.2f, 1.2f, 3.0f}, {-1.8f, 2.4f, 3.12f});       // window
  box(details, {1.8f, 1.2f, 3.0f}, {3.2f, 2.4f, 3.12f});
  PartMesh all = shaded(walls, Log);
  all.append(shaded(roof, DarkWood, Snow));
  all.append(shaded(chimney, Rock, Snow));
  all.append(shaded(details, DarkWood));
  addPart(m, "cabin", "props", all);
  return m;
}

WorldModel rock() {
  WorldModel m;
  m.materials.push_back({"props", 0x6E747E, "props.jpg", false});
  std::vector<std::vector<V3>> rings;
  const int around = 9, up = 5;
  for (int j = 0; j <= up; ++j) {
    std::vector<V3> ring;
    float phi = float(M_PI) * (0.08f + 0.84f * j / up) - float(M_PI) / 2;
    for (int i = 0; i < around; ++i) {
      float th = 2 * float(M_PI) * i / around;
      float rr = 1 + 0.28f * (hashUnit(i, j, 41) - 0.5f);
      ring.push_back({std::cos(th) * std::cos(phi) * 2.2f * rr, (std::sin(phi) + 0.25f) * 1.3f * rr,
                      std::sin(th) * std::cos(phi) * 1.7f * rr});
    }
    rings.push_back(ring);
  }
  PartMesh r;
  loft(r, rings, true, true, true);
  addPart(m, "rock", "props", shaded(r, Rock, Snow));
  return m;
}

WorldModel sign() {
  WorldModel m;
  m.materials.push_back({"props", 0xF0B830, "props.jpg", false});
  PartMesh post, board;
  box(post, {-0.12f, -0.5f, -0.12f}, {0.12f, 2.6f, 0.12f});
  // A chevron board: yellow with a dark arrow plate.
  box(board, {-1.1f, 1.6f, -0.08f}, {1.1f, 2.9f, 0.08f});
  PartMesh arrow;
  std::vector<std::vector<V3>> rings;
  for (float z : {0.09f, 0.14f}) rings.push_back({{-0.7f, 2.25f, z}, {0.2f, 2.75f, z}, {0.2f, 2.45f, z}, {0.5f, 2.25f, z}, {0.2f, 2.05f, z}, {0.2f, 1.75f, z}});
  loft(arrow, rings, true, false, true);
  PartMesh all = shaded(post, DarkWood, Snow);
  all.append(shaded(board, Yellow, Snow));
  all.append(shaded(arrow, DarkWood));
  addPart(m, "sign", "props", all);
  return m;
}

// ------------------------------------------------------------------ pictures

// A conifer: tiers of drooping branches, snow on their upper edges.
Raster conifer(uint32_t seed, bool snowy, int needle) {
  const int W = 64, H = 128;
  Raster r(W, H);
  float cx = W / 2.0f;
  r.fillRect(cx - 2.5f, H - 18, 5, 18, rgb(0x4A3020));
  int tiers = 7;
  for (int t = 0; t < tiers; ++t) {
    float top = 4 + t * 15.0f, bottom = top + 30;
    float half = 6 + t * 4.0f;
    float sag = 4 + t * 0.6f;
    Rgba body = mix(rgb(needle), rgb(0x0A1A14), 0.15f * (t % 2));
    r.fillShape(cx - half - 2, top, cx + half + 2, bottom + sag, [&](float x, float y) {
      float dx = std::fabs(x - cx) / half;
      if (dx > 1) return false;
      float edge = top + (bottom - top) * dx;  // branch tips lower than the trunk
      float lower = bottom + sag * dx * dx - 3 * std::fabs(std::sin(x * 0.9f + t));
      return y > edge - 2 && y < lower;
    }, [&](float x, float y) {
      float shade = 0.85f + 0.3f * hashUnit(int(x), int(y), seed) - 0.25f * ((x - cx) / half + 1) / 2;
      return Rgba{body.r * shade, body.g * shade, body.b * shade, 1};
    });
    if (snowy)
      r.fillShape(cx - half, top, cx + half, bottom, [&](float x, float y) {
        float dx = std::fabs(x - cx) / half;
        if (dx > 0.95f) return false;
        float edge = top + (bottom - top) * dx;
        return y > edge - 2 && y < edge + 3.5f + 2 * hashUnit(int(x), t, seed);
      }, [&](float x, float) { return mix(rgb(0xFFFFFF), rgb(0xC8D8EE), std::clamp((x - cx) / half, 0.0f, 1.0f)); });
  }
  r.hardenAlpha();
  return r;
}

Raster birch(uint32_t seed) {
  const int W = 64, H = 128;
  Raster r(W, H);
  float cx = W / 2.0f;
  // Bare crown: thin branches, then the white trunk with dark marks.
  Rng rng(seed);
  for (int i = 0; i < 26; ++i) {
    float y0 = 20 + rng.unit() * 60, dir = rng.unit() < 0.5f ? -1.0f : 1.0f;
    float len = 10 + rng.unit() * 16;
    r.strokeLine(cx, y0 + 8, cx + dir * len, y0 - len * 0.7f, 1.6f, rgb(0x5A4A44));
    r.strokeLine(cx + dir * len * 0.6f, y0 - len * 0.4f, cx + dir * len * 0.9f, y0 - len * 0.9f - 4, 1.2f, rgb(0x6A5A54));
  }
  r.fillRect(cx - 3, 12, 6, H - 12, rgb(0xECECE6));
  for (int y = 14; y < H; y += 7)
    r.fillRect(cx - 3 + float(rng.below(3)), float(y + rng.below(3)), 3 + float(rng.below(3)), 2, rgb(0x28241E));
  r.hardenAlpha();
  return r;
}

Raster snowman() {
  Raster r(64, 64);
  r.fillEllipse(32, 48, 15, 14, rgb(0xF4F8FE));
  r.fillEllipse(32, 27, 11, 10, rgb(0xF8FAFE));
  r.fillEllipse(32, 11, 8, 8, rgb(0xFFFFFF));
  r.fillRect(24, 2, 16, 3, rgb(0x202020));
  r.fillRect(27, -4, 10, 7, rgb(0x202020));
  r.fillPolygon({32, 11, 42, 13, 32, 14}, rgb(0xF07A1A));
  r.fillRect(22, 19, 20, 4, rgb(0xD03030));
  for (int i = 0; i < 3; ++i) r.fillEllipse(32, 24.0f + i * 5, 1.5f, 1.5f, rgb(0x202020));
  r.fillEllipse(29, 9, 1.2f, 1.2f, rgb(0x202020));
  r.fillEllipse(35, 9, 1.2f, 1.2f, rgb(0x202020));
  r.strokeLine(21, 27, 8, 18, 1.5f, rgb(0x5A3A24));
  r.strokeLine(43, 27, 56, 20, 1.5f, rgb(0x5A3A24));
  r.hardenAlpha();
  return r;
}

Raster board(const char* text, int colour, int textColour) {
  Raster r(128, 64);
  r.fillRect(14, 40, 5, 24, rgb(0x5A5E66));
  r.fillRect(109, 40, 5, 24, rgb(0x5A5E66));
  r.fillRoundRect(2, 4, 124, 40, 4, rgb(0x1A1E26));
  r.fillRoundRect(4, 6, 120, 36, 3, [&](float, float y) { return mix(rgb(colour), mix(rgb(colour), rgb(0), 0.35f), (y - 6) / 36); });
  r.fillRect(4, 4, 120, 4, rgb(0xF4F8FE));  // snow on the top edge
  TextStyle t;
  t.face = Face::SansNarrowBold;
  t.pixelHeight = 24;
  t.fill = rgb(textColour);
  drawTextCentered(r, 64, 25, text, t);
  r.hardenAlpha();
  return r;
}

Raster checkpointBanner() {
  Raster r(256, 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 256; ++x) {
      bool chequer = ((x / 8) + (y / 8)) & 1;
      bool edge = x < 32 || x >= 224;
      r.at(x, y) = edge ? (chequer ? rgb(0x101010) : rgb(0xFFFFFF)) : rgb(0xE0383B);
    }
  r.verticalGradient(0, 64, rgb(0xFFFFFF, 0.0f), rgb(0x000000, 0.0f));
  for (int y = 0; y < 64; ++y)
    for (int x = 32; x < 224; ++x) r.at(x, y) = mix(rgb(0xF04A40), rgb(0xA81E22), y / 64.0f);
  TextStyle t;
  t.face = Face::SansBold;
  t.pixelHeight = 30;
  t.fill = rgb(0xFFFFFF);
  t.shadow = rgb(0, 0.5f);
  drawTextCentered(r, 128, 32, "CHECKPOINT", t);
  return r;
}

// Wheel: studded winter tyre around a five-spoke rim; blur turns the spokes about the hub.
Raster wheel(float blurDegrees) {
  const int S = 64;
  Raster r(S, S, rgb(0x16181C));
  auto sample = [&](float x, float y) -> Rgba {
    float dx = x - S / 2.0f, dy = y - S / 2.0f;
    float d = std::sqrt(dx * dx + dy * dy), a = std::atan2(dy, dx);
    if (d > 31) return rgb(0x16181C);
    if (d > 21) {
      float tread = std::fmod(a * 24 / float(M_PI) + 48, 2.0f) < 1 ? 0.0f : 0.06f;
      float stud = std::fabs(std::fmod(a * 12 / float(M_PI) + 48, 1.0f) - 0.5f) < 0.12f && std::fabs(d - 27) < 1.5f;
      Rgba c = rgb(0x24272C);
      c = mix(c, rgb(0x3A3E46), tread * 8);
      if (stud) c = rgb(0xB8C0CC);
      if (d > 29.5f) c = mix(c, rgb(0xF0F4FA), 0.5f);  // snow caked on the shoulder
      return c;
    }
    if (d > 19) return rgb(0x9CA4B0);
    float spoke = std::fabs(std::fmod(a * 5 / (2 * float(M_PI)) + 10, 1.0f) - 0.5f);
    if (d < 5) return d < 3 ? rgb(0x5A6270) : rgb(0xC8D0DA);
    if (spoke > 0.36f) return mix(rgb(0xD4DAE2), rgb(0x8C94A0), (d - 5) / 14);
    return rgb(0x2A2E34);
  };
  for (int y = 0; y < S; ++y)
    for (int x = 0; x < S; ++x) {
      float dx = x + 0.5f - S / 2.0f, dy = y + 0.5f - S / 2.0f;
      float d = std::sqrt(dx * dx + dy * dy), a = std::atan2(dy, dx);
      float rr = 0, gg = 0, bb = 0;
      const int taps = 12;
      for (int k = 0; k < taps; ++k) {
        float aa = a + (blurDegrees * float(M_PI) / 180) * (k / float(taps - 1) - 0.5f);
        Rgba c = sample(S / 2.0f + d * std::cos(aa), S / 2.0f + d * std::sin(aa));
        rr += c.r, gg += c.g, bb += c.b;
      }
      r.at(x, y) = {rr / taps, gg / taps, bb / taps, 1};
    }
  return r;
}

Raster shadowPicture() {
  const int S = 64;
  Raster r(S, S);
  for (int y = 0; y < S; ++y)
    for (int x = 0; x < S; ++x) {
      float dx = std::max(0.0f, std::fabs(x + 0.5f - S / 2.0f) - 14) / 16, dy = std::max(0.0f, std::fabs(y + 0.5f - S / 2.0f) - 18) / 12;
      float d = std::sqrt(dx * dx + dy * dy);
      float v = 0.62f * std::clamp(1 - d, 0.0f, 1.0f);
      v = v * v * (3 - 2 * v) * 0.9f;
      r.at(x, y) = {v, v, v, 1};
    }
  return r;
}

// Snow smoke: 16 frames in a 4 x 4 atlas, a puff that grows, billows and fades.
Raster smokeAtlas(uint32_t seed) {
  const int S = 128, C = 32;
  Raster r(S, S, rgb(0));
  for (int f = 0; f < 16; ++f) {
    float t = f / 15.0f;
    float radius = C * (0.18f + 0.3f * std::sqrt(t));
    float opacity = 0.95f * (1 - t) * (1 - t * 0.3f);
    int ox = (f % 4) * C, oy = (f / 4) * C;
    for (int y = 0; y < C; ++y)
      for (int x = 0; x < C; ++x) {
        float dx = x + 0.5f - C / 2.0f, dy = y + 0.5f - C * 0.55f;
        float n = fbm((x + seed * 13) * 0.18f + t * 2, (y + seed * 7) * 0.18f - t * 3, seed, 3);
        float d = std::sqrt(dx * dx + dy * dy) / (radius * (0.75f + 0.5f * n));
        float v = std::clamp(1 - d, 0.0f, 1.0f);
        v = v * v * (3 - 2 * v) * opacity * (0.7f + 0.5f * n);
        v = std::clamp(v, 0.0f, 1.0f);
        r.at(ox + x, oy + y) = {v, v, v, 1};
      }
  }
  return r;
}

}  // namespace

bool makeWorldCommon(Content& c) {
  // Checkpoint arch: 24 units wide, 12 high with 3 below the ground, so that the game's
  // lift by a quarter of its radius puts the feet on the road.
  WorldModel arch = gate(12, 9, 3, "banner", "checkpoint.jpg");
  addModel(c, "scenes/common/checkpoint.3DS", arch);
  if (!c.addJpeg("scenes/common/checkpoint.jpg", checkpointBanner(), 90)) return false;
  WorldModel banner = gate(13, 8, 2, "panel", "banner.jpg");
  addModel(c, "scenes/common/banner.3ds", banner);
  Raster generic(256, 64);
  {
    generic.verticalGradient(0, 64, rgb(0x2B4C7E), rgb(0x14284F));
    TextStyle t;
    t.face = Face::SansNarrowBold;
    t.pixelHeight = 30;
    t.fill = rgb(0xFFFFFF);
    drawTextCentered(generic, 128, 32, "KESTRUNE", t);
  }
  if (!c.addJpeg("scenes/common/banner.jpg", generic, 90)) return false;
  addModel(c, "scenes/common/cabin.3ds", cabin());
  addModel(c, "scenes/common/rock.3ds", rock());
  addModel(c, "scenes/common/sign.3ds", sign());
  if (!c.addJpeg("scenes/common/props.jpg", propsAtlas(), 92)) return false;
  GifOptions keyed;
  keyed.transparent = true;
  if (!c.addGif("scenes/common/pine.gif", {conifer(3, true, 0x1E4A38)}, keyed) ||
      !c.addGif("scenes/common/spruce.gif", {conifer(7, true, 0x173D33)}, keyed) ||
      !c.addGif("scenes/common/birch.gif", {birch(9)}, keyed) || !c.addGif("scenes/common/snowman.gif", {snowman()}, keyed) ||
      !c.addGif("scenes/common/board1.gif", {board("KESTRUNE", 0x2B4C7E, 0xFFB03A)}, keyed) ||
      !c.addGif("scenes/common/board2.gif", {board("DADUZE", 0xE0383B, 0xFFFFFF)}, keyed))
    return false;
  // The vehicles' shared pictures.
  GifOptions plain;
  if (!c.addGif("vehicle/common/wheel0.gif", {wheel(0)}, plain) || !c.addGif("vehicle/common/wheel1.gif", {wheel(30)}, plain) ||
      !c.addGif("vehicle/common/wheel2.gif", {wheel(75)}, plain))
    return false;
  if (!c.addJpeg("vehicle/common/shadow.jpg", shadowPicture(), 92)) return false;
  for (int i = 1; i <= 3; ++i)
    if (!c.addJpeg("vehicle/common/smoke" + std::to_string(i) + ".jpg", smokeAtlas(uint32_t(i) * 11), 92)) return false;
  return true;
}
