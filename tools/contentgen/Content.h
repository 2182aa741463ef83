// The content generator's shared record: every file it produces, keyed by its path below
// the runnable tree's resources/ folder ('/' separators) or manual/ folder, plus the
// producers (one function per kind of content) that fill it. A producer that meets a
// malformed input returns false after printing which file and line is wrong.
#pragma once

#include <map>
#include <string>

#include "Codecs.h"

struct Content {
  std::string sourceDir;                 // the repository's content/ folder
  std::map<std::string, Bytes> resources;  // "GUI/btn.gif", "scenes/Alberta/music.mod", ...
  std::map<std::string, Bytes> manual;     // "KS.index.htm", ...

  bool addGif(const std::string& path, const std::vector<Raster>& frames, const GifOptions& options);
  bool addJpeg(const std::string& path, const Raster& image, int quality = 88);
};

// The eight tracks and their folders; the game's built-in list has the same order.
extern const char* const TrackNames[8];

// Producers run in this order (main.cpp); each adds its files to Content::resources under
// the path the game expects. Tracks (scenes/<track>/track.properties, models, textures)
// and vehicles (vehicle/<name>.jpg and .3ds, vehicle/common/) join as further producers
// of the same kind, with their inputs under content/tracks and content/vehicles.
bool makeTemplates(Content& content);  // page templates and texts from content/gui
bool makeGuiArt(Content& content);     // buttons, pads, HUD, covers, backgrounds, fonts
bool makeMovie(Content& content);      // the three title movie animations
bool makeTrackIcons(Content& content); // scenes/<track>_icon.gif
bool makeSounds(Content& content);     // WAV effects
bool makeMusic(Content& content);      // MOD modules from content/music/*.song
bool makeManual(Content& content);     // manual/ from content/manual

// Template reading shared by the checks and the page previews: the settings of a template
// text in file order, and the 'name:value' items of one value.
std::vector<std::pair<std::string, std::string>> templateSettings(const std::string& text);
std::vector<std::pair<std::string, std::string>> templateItems(const std::string& value);
