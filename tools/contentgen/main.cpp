// contentgen: builds the game's resources/ and manual/ trees and the two archives from
// the inputs under content/ and from code, deterministically. With --sheets it writes PNG
// contact sheets of every picture instead. Exit code 1 and a message on any bad input.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "ContactSheet.h"
#include "Content.h"
#include "Text.h"
#include "World.h"

namespace fs = std::filesystem;

const char* const TrackNames[8] = {"Alberta", "British Columbia", "New Brunswick", "Newfoundland",
                                   "Nova Scotia", "Ontario", "Quebec", "Yukon"};

bool Content::addGif(const std::string& path, const std::vector<Raster>& frames, const GifOptions& options) {
  std::string error;
  Bytes data;
  if (!encodeGif(frames, options, data, error)) {
    std::fprintf(stderr, "contentgen: %s: %s\n", path.c_str(), error.c_str());
    return false;
  }
  resources[path] = std::move(data);
  return true;
}

bool Content::addJpeg(const std::string& path, const Raster& image, int quality) {
  std::string error;
  Bytes data;
  if (!encodeJpeg(image, quality, data, error)) {
    std::fprintf(stderr, "contentgen: %s: %s\n", path.c_str(), error.c_str());
    return false;
  }
  resources[path] = std::move(data);
  return true;
}

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: contentgen --content DIR --fonts DIR --out BUILD_DIR [--sheets DIR]\n"
               "  writes BUILD_DIR/resources, BUILD_DIR/manual and the archives KS.GUI.zip and\n"
               "  KS.resources.zip; with --sheets only PNG contact sheets into DIR\n");
  return 2;
}

void removeStale(const std::string& folder, const std::map<std::string, Bytes>& keep,
                 const std::vector<std::string>& alsoKeep) {
  std::error_code ec;
  std::vector<fs::path> stale;
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (!it->is_regular_file()) continue;
    std::string rel = fs::relative(it->path(), folder).generic_string();
    if (!keep.count(rel) && std::find(alsoKeep.begin(), alsoKeep.end(), rel) == alsoKeep.end()) stale.push_back(it->path());
  }
  for (const fs::path& p : stale) fs::remove(p, ec);
}

bool writeTree(const Content& c, const std::string& out) {
  std::string error;
  std::string res = out + "/resources/";
  std::vector<std::pair<std::string, const Bytes*>> gui, rest;
  // Every file is written loose and packed into the archive that mounts over its folder:
  // the GUI folder into KS.GUI.zip (names relative to GUI/), the rest into
  // KS.resources.zip (names relative to resources/). Loose copies win at run time and are
  // the ones the game writes back; the archives serve installs that keep only them.
  for (const auto& [path, data] : c.resources) {
    if (!writeFileAtomic(res + path, data, error)) {
      std::fprintf(stderr, "contentgen: %s\n", error.c_str());
      return false;
    }
    if (path.rfind("GUI/", 0) == 0)
      gui.emplace_back(path.substr(4), &data);
    else
      rest.emplace_back(path, &data);
  }
  if (!writeZip(res + "GUI/KS.GUI.zip", gui, error) || !writeZip(res + "KS.resources.zip", rest, error)) {
    std::fprintf(stderr, "contentgen: %s\n", error.c_str());
    return false;
  }
  for (const auto& [path, data] : c.manual)
    if (!writeFileAtomic(out + "/manual/" + path, data, error)) {
      std::fprintf(stderr, "contentgen: %s\n", error.c_str());
      return false;
    }
  // Files of earlier runs that the content no longer has would linger loose (and outside
  // the archives); the score list is the game's own and stays.
  removeStale(res, c.resources, {"GUI/KS.GUI.zip", "KS.resources.zip", "GUI/KS.racescore.txt"});
  removeStale(out + "/manual/", c.manual, {});
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string contentDir, fontDir, outDir, sheetDir;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--content")) contentDir = argv[i + 1];
    else if (!std::strcmp(argv[i], "--fonts")) fontDir = argv[i + 1];
    else if (!std::strcmp(argv[i], "--out")) outDir = argv[i + 1];
    else if (!std::strcmp(argv[i], "--sheets")) sheetDir = argv[i + 1];
    else return usage();
  }
  if (contentDir.empty() || fontDir.empty() || (outDir.empty() && sheetDir.empty())) return usage();
  if (!textInit(fontDir)) return 1;
  Content c;
  c.sourceDir = contentDir;
  bool ok = makeTemplates(c) && makeGuiArt(c) && makeMovie(c) && makeSounds(c) && makeMusic(c) &&
            makeManual(c) && makeWorldCommon(c) && makeTracks(c) && makeVehicles(c);
  if (!ok) {
    textShutdown();
    std::fprintf(stderr, "contentgen: stopped; nothing was written\n");
    return 1;
  }
  ok = sheetDir.empty() ? writeTree(c, outDir) : writeContactSheets(c, sheetDir);
  textShutdown();
  return ok ? 0 : 1;
}
