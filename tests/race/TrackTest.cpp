// Track builder geometry and the section window: section count, checkpoints, reshaping,
// strips, decoration order, draw ranges, turn value, arch visibility, sky scroll.
#include <gtest/gtest.h>

#include <cstdlib>

#include "RaceFixture.h"
#include "engine3d/Fixed.h"
#include "image/Image.h"
#include "race/SectionWindow.h"

namespace {

TEST(Track, ElevenHundredVerticesGiveOneHundredSectionsAndFiveCheckpoints) {
  LoopTrack loop(100);
  EXPECT_EQ(loop.track.n, 100);
  const int expected[5] = {20, 40, 60, 80, 0};
  for (int k = 0; k < 5; ++k) EXPECT_EQ(loop.track.checkpoint[k], expected[k]);
  // back[] points against the driving direction, unit length.
  for (int i = 0; i < 100; ++i) {
    EXPECT_NEAR(length(loop.track.back[size_t(i)]), 1.0f, 1e-4f);
    EXPECT_LT(dot(loop.track.back[size_t(i)], loop.track.centre[size_t((i + 1) % 100)] - loop.track.centre[size_t(i)]),
              0.0f);
  }
  // Section length 2*pi*200/100 = 12.57: 400 units of view need 32 sections plus one.
  EXPECT_NEAR(loop.track.averageSectionLength, 12.57f, 0.2f);
  EXPECT_EQ(loop.track.viewDepth, 1 + int(400.0f / loop.track.averageSectionLength));
}

TEST(Track, WithoutFluctuationOnlyTextureCoordinatesChange) {
  LoopTrack loop(40);
  Mesh& mesh = *loop.track.trackMesh;
  std::vector<MeshVertex> before = mesh.vertices;
  for (auto& v : mesh.vertices) v.u = v.v = 12345;  // rewritten by every reshape
  loop.track.reshape(mesh, TrackShape{});
  const int32_t across[11] = {0, 6144, 12288, 18432, 24576, 32768, 40960, 47104, 53248, 59392, 65536};
  const int32_t along[4] = {0, 32768, 65536, 32768};
  for (int i = 0; i < 40; ++i)
    for (int k = 0; k < 11; ++k) {
      const MeshVertex& v = mesh.vertices[size_t(11 * i + k)];
      const MeshVertex& b = before[size_t(11 * i + k)];
      EXPECT_EQ(v.x, b.x);
      EXPECT_EQ(v.y, b.y);
      EXPECT_EQ(v.z, b.z);
      EXPECT_EQ(v.u, across[k]);
      EXPECT_EQ(v.v, along[i % 4]);
    }
}

TEST(Track, FluctuationMovesOnlyOuterVerticesSidewaysAndKeepsCentres) {
  LoopTrack loop(40);
  Mesh& mesh = *loop.track.trackMesh;
  std::vector<MeshVertex> before = mesh.vertices;
  std::srand(7);
  TrackShape shape;
  shape.terrainZigzag = 0.5f;
  shape.terrainRolling = 0.3f;
  shape.trackRolling = 2.0f;
  loop.track.reshape(mesh, shape);
  int moved = 0;
  for (int i = 0; i < 40; ++i) {
    const int32_t dy = mesh.vertices[size_t(11 * i + 5)].y - before[size_t(11 * i + 5)].y;
    for (int k = 0; k < 11; ++k) {
      const MeshVertex& v = mesh.vertices[size_t(11 * i + k)];
      const MeshVertex& b = before[size_t(11 * i + k)];
      if (std::abs(k - 5) < 2) {
        EXPECT_EQ(v.x, b.x);  // the road's middle keeps its line and the section's lift
        EXPECT_EQ(v.y - b.y, dy);
      } else if (v.x != b.x || v.z != b.z) {
        ++moved;
      }
    }
    EXPECT_FLOAT_EQ(loop.track.centre[size_t(i)].y, fromFixed(mesh.vertices[size_t(11 * i + 5)].y));
  }
  EXPECT_GT(moved, 100);
}

TEST(Track, LeftStripNarrowsOnlyTheLeftBorderWithTwoTrianglesPerSection) {
  LoopTrack loop(50);
  StripLayout layout;
  layout.right = false;
  layout.offsetLeft = 4;
  layout.offsetRight = 4;
  layout.height = 2;
  int sides = 0;
  std::shared_ptr<Mesh> strip = loop.track.buildStrip(layout, false, sides, nullptr);
  EXPECT_EQ(sides, 1);
  EXPECT_EQ(loop.track.borderLeft, -4);
  EXPECT_EQ(loop.track.borderRight, 5);
  EXPECT_EQ(strip->faces.size(), size_t(2 * 50));
  EXPECT_EQ(strip->vertices.size(), size_t(2 * 51));
  // Bottom on the ground, top raised by the height; alternating u.
  for (int j = 0; j <= 50; ++j) {
    const MeshVertex& bottom = strip->vertices[size_t(2 * j)];
    const MeshVertex& top = strip->vertices[size_t(2 * j + 1)];
    EXPECT_NEAR(fromFixed(top.y - bottom.y), 2.0f, 1e-3f);
    EXPECT_NEAR(fromFixed(bottom.y), 0.0f, 1e-3f);
    EXPECT_EQ(bottom.u, (j & 1) * 65535);
  }
  // Both sides: four triangles per section, both borders narrowed.
  LoopTrack both(50);
  layout.right = true;
  layout.offsetRight = 3;
  strip = both.track.buildStrip(layout, false, sides, nullptr);
  EXPECT_EQ(sides, 2);
  EXPECT_EQ(strip->faces.size(), size_t(4 * 50));
  EXPECT_EQ(both.track.borderLeft, -4);
  EXPECT_EQ(both.track.borderRight, 3);
}

TEST(Track, TallWoodsBandCyclesItsTextureAlongTheTrack) {
  struct Case { float height; bool woods; int32_t u[4]; } cases[] = {
      {12, true, {0, 32768, 65536, 32768}}, {8, true, {0, 65535, 0, 65535}}, {12, false, {0, 65535, 0, 65535}}};
  for (const Case& c : cases) {
    LoopTrack loop(8);
    StripLayout layout;
    layout.left = false;
    layout.offsetRight = 5;
    layout.height = c.height;
    int sides = 0;
    std::shared_ptr<Mesh> strip = loop.track.buildStrip(layout, c.woods, sides, nullptr);
    for (int j = 0; j < 4; ++j) EXPECT_EQ(strip->vertices[size_t(2 * j)].u, c.u[j]) << c.height << " " << j;
  }
}

TEST(Track, DecorationOrderKeepsBannersAndAlternatesBillboards) {
  LoopTrack loop(20);
  std::vector<std::unique_ptr<Group3D>> objects;
  auto add = [&](const char16_t* name) {
    objects.emplace_back(new Group3D);
    objects.back()->name = name;
    loop.track.decorations.push_back(Decoration{objects.back().get(), DecorationPlacement{}});
  };
  for (int i = 0; i < 4; ++i) add(u"track.decor.billboard");
  loop.track.billboardCount = 4;
  add(u"track.decor.banner");
  for (int i = 0; i < 20; ++i) add(u"track.decor.trees");
  std::vector<Group3D*> billboards;
  for (int i = 0; i < 4; ++i) billboards.push_back(objects[size_t(i)].get());
  std::srand(3);
  loop.track.orderDecorations();
  auto& d = loop.track.decorations;
  EXPECT_EQ(d[4].object->name, u"track.decor.banner");  // never shuffled
  // Four billboards: one interleave swap, entries 1 and 2; they stay in front.
  EXPECT_EQ(d[0].object, billboards[0]);
  EXPECT_EQ(d[1].object, billboards[2]);
  EXPECT_EQ(d[2].object, billboards[1]);
  EXPECT_EQ(d[3].object, billboards[3]);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(d[size_t(i)].placement.lateral, i % 2 == 0 ? 2 : -2);
  int treesMoved = 0;
  for (size_t i = 5; i < d.size(); ++i) treesMoved += d[i].object != objects[i].get();
  EXPECT_GT(treesMoved, 0);
  // A list of two never swaps past its end.
  LoopTrack small(20);
  Group3D a, b;
  small.track.decorations = {Decoration{&a, {}}, Decoration{&b, {}}};
  small.track.billboardCount = 2;
  small.track.orderDecorations();
  EXPECT_EQ(small.track.decorations[1].object, &b);
}

TEST(Track, SkyBottomRowsTakeBackgroundThenHaze) {
  Image sky(8, 40, false);
  sky.clear(0x000000);
  prepareSky(sky, 0x102030, 0xFFFFFF);
  // The bottom 10 rows are filled first; the 20-row haze band (weight 255 - |10 - m| * 25
  // on row h - 20 + m) then blends over them and the rows above.
  auto red = [&sky](int y) { return int((sky.getPixel(3, y) >> 16) & 255); };
  EXPECT_EQ(red(10), 0);                          // above the band
  EXPECT_EQ(red(20), (255 * 5) >> 8);             // m = 0: weight 5
  EXPECT_EQ(red(25), (255 * 130) >> 8);           // m = 5
  EXPECT_EQ(red(30), 16 + ((239 * 255) >> 8));    // m = 10, filled row: strongest haze
  EXPECT_EQ(red(39), 16 + ((239 * 30) >> 8));     // m = 19, filled row
}

TEST(Track, ColourTextsAndTint) {
  EXPECT_EQ(parseRaceColour(u"(255;128;0)"), 0xFF8000u);
  EXPECT_EQ(parseRaceColour(u" ( 10 ; 20 ; 30 ) "), 0x0A141Eu);
  EXPECT_EQ(parseRaceColour(u"1;2"), 0x010200u);
  Image picture(2, 1, false);
  picture.setPixel(0, 0, 0xFF8040);
  picture.setPixel(1, 0, 0x00FF00);
  picture.setTransparentColour(0x00FF00);
  tintPicture(picture, 0x808080, true);
  EXPECT_EQ(picture.getPixel(0, 0), 0x7F4020u);
  EXPECT_EQ(picture.getPixel(1, 0), 0x00FF00u);  // the key colour stays
}

TEST(SectionWindowTest, WindowsCrossingSectionZeroWrapAndSetWrappedDrawRanges) {
  LoopTrack loop(100);
  Mesh strip;
  loop.track.railMesh = &strip;
  loop.track.railSides = 2;
  struct Case { int T; bool forward; int first, last; bool wrapped; } cases[] = {
      {50, true, 48, 80, false}, {99, true, 97, 29, true}, {100, true, 98, 30, true},
      {2, false, 72, 4, true},   {-1, true, 97, 29, true}, {60, false, 30, 62, false}};
  for (const Case& c : cases) {
    SectionWindow w = sectionWindow(c.T, 30, 2, c.forward, 100);
    EXPECT_EQ(w.first, c.first) << c.T;
    EXPECT_EQ(w.last, c.last) << c.T;
    EXPECT_EQ(w.wrapped, c.wrapped) << c.T;
    applyDrawRanges(loop.track, w);
    EXPECT_EQ(loop.track.trackMesh->drawFirst, c.first * 20);
    EXPECT_EQ(loop.track.trackMesh->drawLast, (c.last + 1) * 20);
    EXPECT_EQ(strip.drawFirst, c.first * 4);
    EXPECT_EQ(strip.drawLast, (c.last + 1) * 4);
    // The grid sees only the window: the centre of a section outside it is not found.
    const int outside = (c.last + 10) % 100;
    Vector3 p = loop.track.centre[size_t(outside)], n;
    p.y += 5;
    EXPECT_EQ(loop.track.grid.ground(p, n, true), nullptr) << c.T;
    Vector3 q = (loop.track.centre[size_t(c.first)] + loop.track.centre[size_t((c.first + 1) % 100)]) * 0.5f;
    q.y += 5;
    EXPECT_NE(loop.track.grid.ground(q, n, true), nullptr) << c.T;
  }
  // A window as long as the ring draws everything.
  applyDrawRanges(loop.track, sectionWindow(0, 120, 2, true, 100));
  EXPECT_EQ(loop.track.trackMesh->drawFirst, -1);
}

TEST(SectionWindowTest, TurnValueFollowsTheBend) {
  LoopTrack gentle(100, 200.0f), tight(24, 30.0f), straight(100, 100000.0f);
  EXPECT_EQ(turnValue(straight.track, 10), 0);
  // A bend of 3.6 degrees a section is at most the small arrow (the arithmetic shift
  // rounds small negative values to -1); 15 degrees is the big one.
  EXPECT_LE(std::abs(turnValue(gentle.track, 10)), 1);
  const int t = turnValue(tight.track, 5);
  EXPECT_EQ(std::abs(t), 2);
  EXPECT_EQ(turnValue(tight.track, -19), t);  // unwrapped sections wrap
}

TEST(SectionWindowTest, ArchShowsAtTheStartAndAfterTheThirdCheckpointOfTheLastLap) {
  const SectionWindow nearStart = sectionWindow(99, 30, 2, true, 100);  // 97..29, wrapped
  const SectionWindow middle = sectionWindow(50, 30, 2, true, 100);
  struct Case { const SectionWindow* w; int laps, index; bool shown; } cases[] = {
      {&nearStart, 2, 0, true},  {&nearStart, 2, 1, true}, {&nearStart, 2, 2, false}, {&nearStart, 1, 4, true},
      {&nearStart, 1, 2, false}, {&middle, 2, 0, false},   {&middle, 1, 4, false}};
  for (const Case& c : cases) EXPECT_EQ(archVisible(*c.w, 0, c.laps, 2, c.index), c.shown) << c.laps << c.index;
}

TEST(SectionWindowTest, SkyScrollsTwicePerTurn) {
  const int w = 400;
  EXPECT_EQ(skyOffset(0, 1, w), 0);
  EXPECT_EQ(skyOffset(1, 0, w), 200);    // a quarter turn: half the picture
  EXPECT_EQ(skyOffset(0, -1, w), 0);     // half a turn: once around the picture
  EXPECT_EQ(skyOffset(-1, 0, w), 200);
  for (int i = 0; i < 64; ++i) {
    const float a = float(i) * 0.1f;
    const int o = skyOffset(std::sin(a), std::cos(a), w);
    EXPECT_GE(o, 0);
    EXPECT_LT(o, w);
  }
}

}  // namespace
