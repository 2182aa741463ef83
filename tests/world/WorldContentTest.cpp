// Checks of the generated world in the runnable tree (KS_BUILD_DIR/resources): the track
// meshes have the section layout, winding and lap length the race relies on; vehicles
// carry the named parts and stand on their wheels at the game's ride height; every 3DS
// file reads with lib3ds and with the game's loader; every file a track template or a
// model names is there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

extern "C" {
#include <lib3ds/file.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>
}

#include "engine3d/ModelHost.h"
#include "engine3d/ModelLoader.h"

namespace fs = std::filesystem;

namespace {

const char* const Tracks[8] = {"Alberta", "British Columbia", "New Brunswick", "Newfoundland",
                               "Nova Scotia", "Ontario", "Quebec", "Yukon"};
const char* const Vehicles[8] = {"Cheetah", "Goshawk", "Oxygen", "Pyrostar", "Rocky", "Snowbird", "Stallion", "Thunder"};
constexpr float TopSpeed = 46.9f;

std::string resources() { return std::string(KS_BUILD_DIR) + "/resources/"; }

std::vector<uint8_t> readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> messages;
int recordMessage(os::WStringView text, os::WStringView, uint32_t) {
  messages.push_back(os::toUtf8(os::WString(text)));
  return 1;
}

// The game's loader on a file of the tree; no message box may come up.
std::unique_ptr<Group3D> loadOurs(const std::string& path, float radius) {
  std::vector<uint8_t> data = readAll(path);
  ModelStream stream(data.data(), data.size());
  messages.clear();
  ModelMessageSink previous = setModelMessageSink(recordMessage);
  auto model = parseModel(stream, radius);
  setModelMessageSink(previous);
  EXPECT_TRUE(messages.empty()) << path << ": " << (messages.empty() ? "" : messages[0]);
  return model;
}

struct Lib3ds {
  Lib3dsFile* file = nullptr;
  explicit Lib3ds(const std::string& path) : file(lib3ds_file_load(path.c_str())) {}
  ~Lib3ds() {
    if (file) lib3ds_file_free(file);
  }
  Lib3dsMesh* mesh(const std::string& name) const {
    for (Lib3dsMesh* m = file ? file->meshes : nullptr; m; m = m->next)
      if (name == m->name) return m;
    return nullptr;
  }
  bool material(const std::string& name) const {
    for (Lib3dsMaterial* m = file ? file->materials : nullptr; m; m = m->next)
      if (name == m->name) return true;
    return false;
  }
};

Vector3 position(const MeshVertex& v) { return {v.x / 65536.0f, v.y / 65536.0f, v.z / 65536.0f}; }

float horizontalDistance(Vector3 a, Vector3 b) { return std::hypot(a.x - b.x, a.z - b.z); }

// "..\common\x.gif" relative to a folder below resources/, as the game collapses it.
std::string resolve(const std::string& folder, std::string name) {
  std::replace(name.begin(), name.end(), '\\', '/');
  fs::path p = fs::path(folder) / name;
  return p.lexically_normal().generic_string();
}

std::vector<std::pair<std::string, std::string>> items(const std::string& value) {
  std::vector<std::pair<std::string, std::string>> out;
  std::stringstream ss(value);
  std::string item;
  while (std::getline(ss, item, ',')) {
    size_t b = item.find_first_not_of(" \t");
    if (b == std::string::npos) continue;
    item = item.substr(b);
    size_t colon = item.find(':');
    out.emplace_back(item.substr(0, colon), colon == std::string::npos ? "" : item.substr(colon + 1));
  }
  return out;
}

}  // namespace

TEST(TrackMesh, SectionLayoutWindingAndClosedLoop) {
  for (const char* track : Tracks) {
    SCOPED_TRACE(track);
    std::string path = resources() + "scenes/" + track + "/track.3ds";
    Lib3ds theirs(path);
    ASSERT_NE(theirs.file, nullptr);
    auto model = loadOurs(path, 800);
    ASSERT_NE(model, nullptr);
    ASSERT_FALSE(model->meshes.empty());
    const Mesh& m = *model->meshes[0];
    size_t count = m.vertices.size();
    ASSERT_EQ(count % 11, 0u);
    ASSERT_LE(count, 32768u);
    int n = int(count / 11);
    ASSERT_GE(n, 100);
    ASSERT_EQ(m.faces.size(), size_t(20 * n));
    ASSERT_NE(model->findMaterial(u"track"), nullptr);
    // The largest half extent is the radius the race loads it at.
    Vector3 lo, hi;
    ASSERT_TRUE(m.bounds(lo, hi));
    EXPECT_NEAR(std::max(hi.x - lo.x, hi.z - lo.z) / 2, 800, 1.0f);
    int upward = 0, firstUpward = -1;
    for (int t = 0; t < 20 * n; ++t) {
      const MeshFace& f = m.faces[size_t(t)];
      int i = t / 20, q = (t % 20) / 2, j = (i + 1) % n;
      std::set<int> allowed = {11 * i + q, 11 * i + q + 1, 11 * j + q, 11 * j + q + 1};
      std::set<int> used = {f.a, f.b, f.c};
      ASSERT_EQ(used.size(), 3u) << "face " << t;
      for (int v : used) ASSERT_TRUE(allowed.count(v)) << "face " << t << " uses vertex " << v;
      ASSERT_TRUE(used.count(11 * i + q) || used.count(11 * i + q + 1)) << "face " << t;
      ASSERT_TRUE(used.count(11 * j + q) || used.count(11 * j + q + 1)) << "face " << t;
      // Stored normals point to the invisible side: down for ground seen from above.
      if (m.faceNormal(f).y >= 0 && upward++ == 0) firstUpward = t;
    }
    EXPECT_EQ(upward, 0) << "faces that the back-face rule hides from a camera above, first " << firstUpward;
    float sum = 0;
    for (int i = 0; i < n; ++i) {
      Vector3 c = position(m.vertices[size_t(11 * i + 5)]);
      Vector3 l = position(m.vertices[size_t(11 * i + 6)]), r = position(m.vertices[size_t(11 * i + 4)]);
      Vector3 mid = {(l.x + r.x) / 2, 0, (l.z + r.z) / 2};
      EXPECT_LT(horizontalDistance(c, mid), 0.05f * horizontalDistance(l, r)) << "section " << i;
      // The lateral vertices run from the right edge (0) to the left edge (10) in order.
      for (int k = 0; k < 10; ++k) {
        Vector3 a = position(m.vertices[size_t(11 * i + k)]), b = position(m.vertices[size_t(11 * i + k + 1)]);
        ASSERT_GT(horizontalDistance(a, b), 0.5f) << "section " << i << " vertex " << k;
      }
      sum += horizontalDistance(c, position(m.vertices[size_t(11 * ((i + 1) % n) + 5)]));
    }
    float closing = horizontalDistance(position(m.vertices[5]), position(m.vertices[size_t(11 * (n - 1) + 5)]));
    EXPECT_LT(closing, 1.5f * sum / n) << "the last section does not meet the first";
  }
}

TEST(TrackMesh, LapAtTopSpeedTakesOneToTwoMinutes) {
  for (const char* track : Tracks) {
    SCOPED_TRACE(track);
    auto model = loadOurs(resources() + "scenes/" + track + "/track.3ds", 800);
    ASSERT_NE(model, nullptr);
    const Mesh& m = *model->meshes[0];
    int n = int(m.vertices.size() / 11);
    float lap = 0;
    for (int i = 0; i < n; ++i) {
      Vector3 a = position(m.vertices[size_t(11 * i + 5)]), b = position(m.vertices[size_t(11 * ((i + 1) % n) + 5)]);
      lap += std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
    }
    EXPECT_GE(lap / TopSpeed, 60.0f);
    EXPECT_LE(lap / TopSpeed, 120.0f);
  }
}

TEST(Vehicles, NamedPartsAndWheelsOnTheGroundAtRideHeight) {
  for (const char* name : Vehicles) {
    SCOPED_TRACE(name);
    std::string path = resources() + "vehicle/" + name + ".3ds";
    Lib3ds theirs(path);
    ASSERT_NE(theirs.file, nullptr);
    for (const char* mesh : {"body", "flwheel", "frwheel", "rlwheel", "rrwheel", "dummy"})
      EXPECT_NE(theirs.mesh(mesh), nullptr) << mesh;
    EXPECT_TRUE(theirs.material("body"));
    EXPECT_TRUE(theirs.material("wheel"));
    auto model = loadOurs(path, 3.2f);
    ASSERT_NE(model, nullptr);
    ASSERT_NE(model->removeMesh(u"dummy"), nullptr);
    Mesh* body = model->findMesh(u"body");
    ASSERT_NE(body, nullptr);
    ASSERT_NE(body->material, nullptr);
    EXPECT_EQ(body->material->name, u"body");
    Vector3 lo, hi;
    ASSERT_TRUE(body->bounds(lo, hi));
    float height = hi.y - lo.y, length = hi.z - lo.z, width = hi.x - lo.x;
    EXPECT_GT(length, width);
    EXPECT_LE(length, 6.4f + 1e-3f);
    EXPECT_GT(length, 4.0f);
    std::map<std::string, Vector3> centre;
    for (const char* wheel : {"flwheel", "frwheel", "rlwheel", "rrwheel"}) {
      Mesh* w = model->findMesh(os::fromUtf8(wheel));
      ASSERT_NE(w, nullptr) << wheel;
      ASSERT_NE(w->material, nullptr);
      EXPECT_EQ(w->material->name, u"wheel");
      Vector3 wl, wh;
      ASSERT_TRUE(w->bounds(wl, wh));
      // The race holds the model's origin 0.6 body heights above the ground.
      EXPECT_NEAR(wl.y, -0.6f * height, 0.04f) << wheel;
      centre[wheel] = {(wl.x + wh.x) / 2, (wl.y + wh.y) / 2, (wl.z + wh.z) / 2};
    }
    EXPECT_GT(centre["flwheel"].z, centre["rlwheel"].z);
    EXPECT_LT(centre["flwheel"].x, centre["frwheel"].x);
    // The right rear wheel turns with the left one's matrix: same axle.
    EXPECT_NEAR(centre["rlwheel"].y, centre["rrwheel"].y, 1e-3f);
    EXPECT_NEAR(centre["rlwheel"].z, centre["rrwheel"].z, 1e-3f);
  }
}

TEST(WorldFiles, EveryModelLoadsWithLib3dsAndTheGameLoaderAndItsMapsExist) {
  int models = 0;
  for (const auto& entry : fs::recursive_directory_iterator(resources())) {
    std::string ext = entry.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
    if (ext != ".3ds") continue;
    ++models;
    std::string path = entry.path().string();
    SCOPED_TRACE(path);
    Lib3ds theirs(path);
    ASSERT_NE(theirs.file, nullptr);
    ASSERT_NE(theirs.file->meshes, nullptr);
    auto ours = loadOurs(path, 10);
    ASSERT_NE(ours, nullptr);
    size_t meshes = 0;
    for (Lib3dsMesh* m = theirs.file->meshes; m; m = m->next) {
      ++meshes;
      ASSERT_NE(ours->findMesh(os::fromUtf8(m->name)), nullptr) << m->name;
      EXPECT_EQ(ours->findMesh(os::fromUtf8(m->name))->vertices.size(), m->points) << m->name;
    }
    EXPECT_EQ(ours->meshes.size(), meshes);
    std::string folder = fs::relative(entry.path().parent_path(), resources()).generic_string();
    for (Lib3dsMaterial* mat = theirs.file->materials; mat; mat = mat->next) {
      if (mat->texture1_map.name[0]) {
        EXPECT_TRUE(fs::exists(resources() + resolve(folder, mat->texture1_map.name))) << mat->texture1_map.name;
      }
    }
  }
  EXPECT_GE(models, 8 + 8 + 2);
}

TEST(WorldFiles, EveryFileATrackTemplateNamesExists) {
  for (const char* track : Tracks) {
    SCOPED_TRACE(track);
    std::string folder = std::string("scenes/") + track;
    std::ifstream in(resources() + folder + "/track.properties");
    ASSERT_TRUE(in.good());
    std::vector<std::string> named = {"track.3ds", "track.jpg", "Skydome.jpg", "../common/checkpoint.3DS",
                                      "../common/checkpoint.jpg", "../" + std::string(track) + "_icon.gif"};
    std::set<std::string> keys, sounds;
    std::string line, music;
    int decorations = 0;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      size_t eq = line.find('=');
      ASSERT_NE(eq, std::string::npos) << line;
      std::string key = line.substr(0, eq), value = line.substr(eq + 1);
      ASSERT_TRUE(keys.insert(key).second) << "key twice: " << key;
      if (key == "track.music") music = value;
      if (key == "woodsband" || key == "guardrail") named.push_back(key + ".gif");
      if (key.find("track.decor.") != std::string::npos) ++decorations;
      for (const auto& [k, v] : items(value)) {
        if (k == "type" && (v == "Sound" || v == "WaveSound")) sounds.insert(key);
        if (k == "src" || k == "model") named.push_back(v);
        if (k == "texture") named.push_back(v.find(';') == std::string::npos ? v : v.substr(v.find(';') + 1));
      }
    }
    EXPECT_TRUE(sounds.count(music)) << "track.music names no sound object: " << music;
    for (const char* key : {"scene.bkgColor", "scene.ambientColor", "scene.smokeColor", "scene.haze", "track.border",
                            "terrain.fluctuation", "track.fluctuation"})
      EXPECT_TRUE(keys.count(key)) << key;
    EXPECT_GE(decorations, 4);
    for (const std::string& file : named)
      EXPECT_TRUE(fs::is_regular_file(resources() + resolve(folder, file))) << file;
  }
}

TEST(WorldFiles, VehicleAndTrackListsAndCommonPicturesAreLooseFiles) {
  // The game builds its lists by scanning for these names, so they must be real files.
  for (const char* track : Tracks) EXPECT_TRUE(fs::is_regular_file(resources() + "scenes/" + track + "_icon.gif")) << track;
  for (const char* name : Vehicles) EXPECT_TRUE(fs::is_regular_file(resources() + "vehicle/" + name + ".jpg")) << name;
  for (const char* file : {"wheel0.gif", "wheel1.gif", "wheel2.gif", "shadow.jpg", "smoke1.jpg", "smoke2.jpg", "smoke3.jpg"})
    EXPECT_TRUE(fs::is_regular_file(resources() + "vehicle/common/" + file)) << file;
  Lib3ds arch(resources() + "scenes/common/checkpoint.3DS");
  ASSERT_NE(arch.file, nullptr);
  EXPECT_TRUE(arch.material("banner"));
}
