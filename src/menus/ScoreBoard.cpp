// Filling the score board page from the score list: the latest record in row -1, then
// the kept records of the same track in list order. Rows without their sprites on the
// page are skipped; a missing score file leaves the board as the template made it.
#include "menus/ScoreBoard.h"

#include <memory>

#include "data/TemplateFile.h"
#include "gui/Sprite.h"
#include "race/RaceScore.h"
#include "shell/Canvas.h"
#include "shell/Display.h"

namespace {

void setText(Canvas& canvas, const os::WString& name, os::WStringView text) {
  if (Sprite* sprite = canvas.findSprite(name)) sprite->setText(text);
}

void fillRow(Canvas& canvas, int row, const RaceScore& record, bool listRow, bool speedMode, ScoreSpeed speed,
             void* context) {
  os::WString racer = record.racer;
  if (listRow) {
    // Two-word names take two lines in the narrow list column.
    size_t blank = racer.find(u' ');
    if (blank != os::WString::npos) racer.replace(blank, 1, u"\\n");
  }
  setText(canvas, os::format(u"racer%d", row), racer);
  os::WString score;
  if (speedMode) {
    float value = speed ? speed(context, record.time) : 0.0f;
    score = os::format(u"%d km/h", int(value + 0.5f));
  } else {
    score = formatScoreTime(record.time);
  }
  setText(canvas, os::format(u"score%d", row), score);
  setText(canvas, os::format(u"date%d", row), record.date);
}

}  // namespace

os::WString formatScoreTime(float seconds) {
  int minutes = int(seconds * 0.016666668f);
  int rest = int(seconds - float(minutes) * 60.0f + 0.5f);
  if (rest == 60) {
    ++minutes;
    rest = 0;
  }
  return os::format(u"%02d:%02d", minutes, rest);
}

void showScores(Canvas& canvas, const RaceScore* latest, const std::vector<const RaceScore*>& list,
                ScoreSpeed speed, void* context) {
  if (!latest) return;
  std::optional<os::WString> kind = canvas.pageTemplate().getString(u"tittxtscore", u"LTID");
  bool speedMode = kind && kind->find(u"SPEED") != os::WString::npos;

  if (Sprite* title = canvas.findSprite(u"txtTitle")) {
    // A tall title takes the track on a line of its own.
    const char16_t* pattern = title->height > scaleToScreen(30) ? u"Score Board - \\n%s" : u"Score Board - %s";
    title->setText(os::format(pattern, latest->track.c_str()));
  }
  fillRow(canvas, -1, *latest, false, speedMode, speed, context);
  int row = 0;
  for (const RaceScore* record : list) {
    if (!record || record->track != latest->track) continue;
    fillRow(canvas, row++, *record, true, speedMode, speed, context);
  }
}

void fillScoreBoard(Canvas& canvas, os::WStringView filePrefix, ScoreSpeed speed, void* context) {
  RaceScoreList records;
  std::unique_ptr<RaceScore> latest;
  readRaceScores(records, &latest, filePrefix);
  std::vector<const RaceScore*> list;
  for (const auto& record : records) list.push_back(record.get());
  showScores(canvas, latest.get(), list, speed, context);
}
