// Contact sheet pages: see ContactSheet.h.
#include "ContactSheet.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "PagePreview.h"
#include "Text.h"
#include "World.h"

namespace {

struct Item {
  std::string label;
  Raster image;
};

bool endsWith(const std::string& s, const char* suffix) {
  std::string t(suffix);
  return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

}  // namespace

bool writeContactSheets(const Content& content, const std::string& folder) {
  std::filesystem::create_directories(folder);
  // Group pictures by sheet: GUI pictures, movies, fonts, track icons.
  std::map<std::string, std::vector<Item>> sheets;
  for (const auto& [path, data] : content.resources) {
    std::vector<DecodedFrame> frames;
    std::string error;
    std::string name = path.substr(path.find_last_of('/') + 1);
    std::string sheet = path.find("movie") != std::string::npos  ? "movie"
                        : name.rfind("font", 0) == 0             ? "fonts"
                        : path.rfind("scenes/", 0) == 0          ? "tracks"
                        : endsWith(path, ".jpg")                 ? "backgrounds"
                                                                 : "gui";
    if (endsWith(path, ".gif")) {
      if (!decodeGif(data, frames, error)) {
        std::fprintf(stderr, "contentgen: %s does not decode: %s\n", path.c_str(), error.c_str());
        return false;
      }
      for (size_t i = 0; i < frames.size(); ++i) {
        std::string label = frames.size() > 1 ? name + " #" + std::to_string(i) : name;
        sheets[sheet].push_back({label, frames[i].image});
      }
    } else if (endsWith(path, ".properties") && path.rfind("GUI/KS.", 0) == 0) {
      Raster page;
      if (renderPagePreview(content, path, page)) sheets["pages"].push_back({name, page});
    } else if (endsWith(path, ".jpg")) {
      Raster img;
      if (!decodeJpeg(data, img, error)) {
        std::fprintf(stderr, "contentgen: %s does not decode: %s\n", path.c_str(), error.c_str());
        return false;
      }
      sheets[sheet].push_back({name, img});
    }
  }
  for (SheetItem& item : worldSheetItems(content)) sheets[item.sheet].push_back({item.label, std::move(item.image)});
  TextStyle label;
  label.face = Face::Sans;
  label.pixelHeight = 11;
  label.fill = rgb(0x202020);
  for (auto& [sheetName, items] : sheets) {
    const int pageW = 1024, margin = 8, labelH = 14;
    int page = 0;
    size_t i = 0;
    while (i < items.size()) {
      // Lay out rows until the page is about 1400 pixels high.
      std::vector<std::pair<size_t, std::pair<int, int>>> placed;
      int x = margin, y = margin, rowH = 0;
      for (; i < items.size(); ++i) {
        const Raster& img = items[i].image;
        int cellW = std::max(img.width(), int(textWidth(items[i].label, label)) + 2);
        if (x + cellW > pageW - margin && x > margin) x = margin, y += rowH + margin, rowH = 0;
        if (y + img.height() + labelH > 1400 && !placed.empty()) break;
        placed.push_back({i, {x, y}});
        x += cellW + margin;
        rowH = std::max(rowH, img.height() + labelH);
      }
      Raster sheet(pageW, y + rowH + margin, rgb(0xE8E8E8));
      for (auto& [idx, pos] : placed) {
        const Raster& img = items[idx].image;
        for (int yy = 0; yy < img.height(); ++yy)
          for (int xx = 0; xx < img.width(); ++xx) {
            bool dark = ((xx >> 3) + (yy >> 3)) & 1;
            sheet.at(pos.first + xx, pos.second + yy) = dark ? rgb(0xB0B0B0) : rgb(0xF8F8F8);
          }
        sheet.draw(img, pos.first, pos.second);
        drawText(sheet, float(pos.first), float(pos.second + img.height() + 11), items[idx].label, label);
      }
      std::string file = folder + "/" + sheetName + (page ? "-" + std::to_string(page + 1) : "") + ".png";
      std::string error;
      if (!writeFileAtomic(file, encodePng(sheet), error)) {
        std::fprintf(stderr, "contentgen: %s\n", error.c_str());
        return false;
      }
      ++page;
    }
  }
  return true;
}
