// Page previews for the contact sheets: each page template drawn roughly the way the game
// will show it at 240 x 320 (scenes, sprite pictures, fills, frames and texts in Liberation
// Sans, language-table texts preferred), with sample values where the game fills in text
// at run time. Good enough to judge layout and legibility; not the game's renderer.
#include "PagePreview.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>

#include "Text.h"

namespace {

struct Items {
  std::vector<std::pair<std::string, std::string>> list;
  std::string get(const std::string& k, const std::string& fallback = "") const {
    for (const auto& [key, v] : list)
      if (key == k) return v;
    return fallback;
  }
  bool has(const std::string& k) const {
    for (const auto& [key, v] : list)
      if (key == k) return true;
    return false;
  }
  int num(const std::string& k, int fallback) const { return has(k) ? std::atoi(get(k).c_str()) : fallback; }
};

int colourOf(const std::string& text, int fallback) {
  if (text.empty()) return fallback;
  std::string t = text;
  t.erase(std::remove_if(t.begin(), t.end(), [](char c) { return c == '(' || c == ')' || c == ' '; }), t.end());
  int r = 0, g = 0, b = 0;
  if (std::sscanf(t.c_str(), "%d;%d;%d", &r, &g, &b) < 3) return fallback;
  return r << 16 | g << 8 | b;
}

const Raster* picture(const Content& c, std::map<std::string, Raster>& cache, std::string name) {
  std::replace(name.begin(), name.end(), '\\', '/');
  std::string path = "GUI/" + name;
  size_t pos;
  while ((pos = path.find("/../")) != std::string::npos) {
    size_t start = path.rfind('/', pos - 1);
    start = start == std::string::npos ? 0 : start + 1;
    path.erase(start, pos + 4 - start);
  }
  auto hit = cache.find(path);
  if (hit != cache.end()) return &hit->second;
  auto it = c.resources.find(path);
  if (it == c.resources.end()) return nullptr;
  std::string error;
  Raster img;
  if (path.find(".gif") != std::string::npos) {
    std::vector<DecodedFrame> frames;
    if (!decodeGif(it->second, frames, error)) return nullptr;
    img = frames[0].image;
  } else if (!decodeJpeg(it->second, img, error)) {
    return nullptr;
  }
  return &(cache[path] = img);
}

void drawPicture(Raster& page, const Raster& pic, int x, int y, int w, int h) {
  const Raster& src = (w == pic.width() && h == pic.height()) ? pic : pic.scaled(w, h);
  Raster hard = src;
  hard.hardenAlpha(0.5f);
  page.draw(hard, x, y);
}

// Word-wrapped text the way the game's formatted sprite text flows.
void drawBlock(Raster& page, const std::string& text, int left, int top, int right, int bottom, int align,
               const TextStyle& style, bool wrap) {
  std::vector<std::string> lines;
  std::string cur;
  std::string t = text;
  for (size_t p; (p = t.find("\\n")) != std::string::npos;) t.replace(p, 2, "\n");
  for (size_t p; (p = t.find("^c")) != std::string::npos;) t.replace(p, 2, ": ");
  std::istringstream paragraphs(t);
  std::string para;
  while (std::getline(paragraphs, para)) {
    if (!wrap) {
      lines.push_back(para);
      continue;
    }
    std::istringstream words(para);
    std::string word;
    cur.clear();
    while (words >> word) {
      std::string next = cur.empty() ? word : cur + " " + word;
      if (!cur.empty() && textWidth(next, style) > right - left) {
        lines.push_back(cur);
        cur = word;
      } else {
        cur = next;
      }
    }
    lines.push_back(cur);
  }
  float lineH = style.pixelHeight * 1.18f;
  float y = top + textAscent(style) + style.pixelHeight * 0.2f;
  for (const std::string& line : lines) {
    if (y - textAscent(style) >= bottom && wrap) break;
    float w = textWidth(line, style);
    float x = align == 1 ? left + (right - left - w) / 2 : align == 2 ? right - w : float(left);
    drawText(page, x, y, line, style);
    y += lineH;
  }
}

}  // namespace

bool renderPagePreview(const Content& c, const std::string& templatePath, Raster& page) {
  auto tpl = c.resources.find(templatePath);
  auto lang = c.resources.find("GUI/KS.LanguageTable.txt");
  if (tpl == c.resources.end()) return false;
  std::map<std::string, std::string> texts;
  if (lang != c.resources.end())
    for (auto& [k, v] : templateSettings(std::string(lang->second.begin(), lang->second.end()))) texts[k] = v;
  // Sample values for texts the game fills in at run time.
  const std::map<std::string, std::string> samples = {
      {"sptVersion", "Version 1.1 "},  {"txtVehicleName", "Snowbird"}, {"txtTrackName", "British Columbia"},
      {"txtTitle", "Score Board - \\nBritish Columbia"}, {"sptTrackPreview", "Alberta"},
      {"sptVehiclePreview", "Snowbird"}, {"racer-1", "Ann Lee"}, {"score-1", "01:58"}, {"date-1", "2026/01/02"},
      {"sptProgressGauge", "01:23"}, {"sptNavigator", ""}, {"sptMessage", "Stage Yukon finished.\\nTotal time: 02:05"}};
  page = Raster(240, 320, rgb(0x000000));
  std::map<std::string, Raster> cache;
  std::map<std::string, std::pair<int, int>> scenes;
  std::map<std::string, bool> sceneVisible;
  int defaultColour = 0xFFFFFF, defaultSize = 16;
  bool showDialogs = templatePath.find("messagebox") != std::string::npos;
  for (const auto& [key, value] : templateSettings(std::string(tpl->second.begin(), tpl->second.end()))) {
    Items it{templateItems(value)};
    std::string type = it.get("type");
    if (type == "PageSetting") {
      defaultColour = colourOf(it.get("defaultTextColor"), defaultColour);
      defaultSize = it.num("defaultTextSize", defaultSize);
    } else if (type == "SceneSprite" || type == "Scene3D") {
      int w = it.num("width", 240), h = it.num("height", 320);
      int x = it.get("x") == "CENTER" ? (240 - w) / 2 : it.num("x", 0);
      int y = it.get("y") == "CENTER" ? (320 - h) / 2 : it.num("y", 0);
      scenes[key] = {x, y};
      bool visible = it.num("visible", 1) != 0 || showDialogs;
      sceneVisible[key] = visible;
      if (!visible) continue;
      int bkg = colourOf(it.get("bkgColor"), -1);
      if (bkg >= 0) page.fillRect(float(x), float(y), float(w), float(h), rgb(bkg));
      if (it.has("bkgTexture"))
        if (const Raster* pic = picture(c, cache, it.get("bkgTexture"))) drawPicture(page, *pic, x, y, w, h);
    } else if (type == "Sprite") {
      std::string container = it.get("container");
      if (!scenes.count(container) || !sceneVisible[container] || it.num("visible", 1) == 0) continue;
      if (key.find("Cover") != std::string::npos && key != "sptSpeedometerCover") continue;  // the curtain is open
      int x = scenes[container].first + it.num("x", 0), y = scenes[container].second + it.num("y", 0);
      int w = it.num("width", -1), h = it.num("height", -1);
      std::string texName = it.get("texture");
      if (key == "sptTrackPreview" && texName.empty()) texName = "..\\scenes\\Alberta_icon.gif";
      if (it.num("status", 0) != 0 && it.has("textureBright")) texName = it.get("textureBright");
      const Raster* pic = texName.empty() ? nullptr : picture(c, cache, texName);
      if (pic && w < 0) w = pic->width(), h = pic->height();
      if (pic) drawPicture(page, *pic, x, y, w, h);
      else if (it.has("color")) page.fillRect(float(x), float(y), float(w), float(h), rgb(colourOf(it.get("color"), 0)));
      if (it.has("frame"))
        page.strokeRoundRect(x - 1.0f, y - 1.0f, w + 2.0f, h + 2.0f, 0, 1, rgb(colourOf(it.get("frame"), 0)));
      std::string text = it.get("text");
      if (texts.count(it.get("LTID")) && !texts[it.get("LTID")].empty()) text = texts[it.get("LTID")];
      auto sample = samples.find(key);
      if (sample != samples.end()) text = sample->second;
      if (key.rfind("racer", 0) == 0 && key != "racer-1") text = "Player\\nNumber " + key.substr(5);
      if (key.rfind("score", 0) == 0 && key != "score-1") text = "0" + std::to_string(2 + (key.back() - '0') / 3) + ":1" + key.substr(5);
      if (key.rfind("date", 0) == 0 && key != "date-1") text = "2026/01/0" + key.substr(4);
      if (text.empty()) continue;
      TextStyle s;
      s.face = it.num("textBold", 0) ? Face::SansBold : Face::Sans;
      // Windows font heights include the internal leading: the em is about 0.85 of it.
      s.pixelHeight = std::max(11, it.num("textSize", defaultSize)) * 0.86f;
      bool bright = it.num("status", 0) == 1;
      s.fill = rgb(colourOf(it.get(bright ? "textColorBright" : "textColor"), defaultColour));
      std::string align = it.get("textAlignment", "LEFT");
      int a = align == "CENTER" ? 1 : align == "RIGHT" ? 2 : 0;
      int left = x + it.num("textOffsetX", 0) + 1, top = y + it.num("textOffsetY", 0);
      drawBlock(page, text, left, top, left + std::max(w, 1) - 3, top + std::max(h, 1), a, s,
                it.num("textFormatted", 1) != 0);
    }
  }
  return true;
}
