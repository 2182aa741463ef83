// The scenery of one race: the reshaped section mesh of a track folder, the ring of
// section centres and backward directions, borders, view depth, checkpoints, collision
// grid, strips beside the road, decorations, checkpoint arch and sky picture. Built once
// by the race page; the geometry steps are free functions so they can be checked on
// generated meshes without a page.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine3d/Vector3.h"
#include "platform/Text.h"
#include "race/CollisionGrid.h"

class Canvas;
class Group3D;
class Image;
class Mesh;
class MaterialTexture;
class Scene3DPage;
class Sound;
class Texture;

struct DecorationPlacement {
  float widthValue = 0;     // half extents (model) or full size (picture)
  float heightValue = 0;    // lifts the object off the ground
  int section = 0;          // where it stands now
  int lateral = 0;          // vertex 5 + lateral of the section
  float offsetRandom = 0;   // random pull toward the centre line, fraction
  float fraction = 0;       // along the section, 0..1
  float aspectAngle = -1000;  // degrees; not above -100: no rotation
};

struct Decoration {
  Group3D* object = nullptr;
  DecorationPlacement placement;
};

struct TrackShape {
  float terrainRolling = 0, terrainZigzag = 0;  // outer vertices: height and inward jitter
  float trackRolling = 0, trackBumpy = 0;       // per section: wave amplitude and jitter
};

struct StripLayout {
  bool present = false;
  bool left = true, right = true;
  float height = 1.0f;
  int offsetLeft = 0, offsetRight = 0;
};

class RaceTrack {
 public:
  RaceTrack();
  ~RaceTrack();
  RaceTrack(const RaceTrack&) = delete;
  RaceTrack& operator=(const RaceTrack&) = delete;

  int n = 0;                         // section count
  std::vector<Vector3> centre;       // vertex 5 of each section
  std::vector<Vector3> back;         // unit, against the driving direction
  int borderLeft = -5, borderRight = 5;
  int viewDepth = 1;                 // sections drawn ahead
  int checkpoint[5] = {0, 0, 0, 0, 0};
  float averageSectionLength = 0;

  Group3D* model = nullptr;          // the track model (the page's model cache owns it)
  Mesh* trackMesh = nullptr;
  Mesh* woodsMesh = nullptr;         // strips: owned by the model
  int woodsSides = 0;
  Mesh* railMesh = nullptr;
  int railSides = 0;
  std::vector<Decoration> decorations;
  int billboardCount = 0;
  Group3D* arch = nullptr;           // the checkpoint arch
  std::unique_ptr<Image> sky;
  CollisionGrid grid;

  uint32_t bkgColour = 0, ambientColour = 0xFFFFFF, smokeColour = 0xFFFFFF, hazeColour = 0xFFFFFF;
  Sound* music = nullptr;

  const Vector3& sectionCentre(int i) const;

  // The whole build on a page: false when the track model could not be loaded.
  bool build(Canvas& page, Scene3DPage& scene, const os::WString& scenesFolder, const os::WString& trackName);

  // Geometry steps (the build runs them in this order).
  // Rewrites texture coordinates, applies the fluctuation and fills centre[]; reports
  // progress through the callback when given.
  void reshape(Mesh& mesh, const TrackShape& shape, Canvas* progressPage = nullptr);
  // back[], view depth and checkpoints from centre[].
  void deriveRing();
  // A strip beside the road (woods band or guard rail) as a new mesh; narrows the
  // borders. woods selects the woods band's texture rule.
  std::shared_ptr<Mesh> buildStrip(const StripLayout& layout, bool woods, int& sides, Canvas* progressPage = nullptr);
  // Shuffle, billboard interleave and billboard sides of the decoration list.
  void orderDecorations();

  // The material texture of a page texture (null without a picture).
  MaterialTexture* adapt(Texture* texture);

};

// Colour "(r;g;b)" into 0xRRGGBB.
uint32_t parseRaceColour(os::WStringView text);
// Multiplies every channel by the ambient colour (c * a >> 8); key-coloured pixels keep
// their colour when keepKey is set. Nothing happens for 0xFFFFFF.
void tintPicture(Image& picture, uint32_t ambient, bool keepKey);
// The sky picture's bottom rows: background fill and haze blend.
void prepareSky(Image& sky, uint32_t background, uint32_t haze);
