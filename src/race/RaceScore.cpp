// Race score list: read, insert with per-track ordering and limit, rewrite through a
// fresh template so the file is replaced atomically (temp file renamed over it).
#include "race/RaceScore.h"

#include <algorithm>

#include "data/TextSplit.h"
#include "data/TemplateFile.h"
#include "shell/SystemServices.h"

namespace {

os::WString fileNameOf(os::WStringView prefix) { return os::WString(prefix) + u"racescore.txt"; }

std::unique_ptr<RaceScore> readRecord(TemplateFile& file, const os::WString& key) {
  auto record = std::make_unique<RaceScore>();
  record->track = file.getString(key, u"track").value_or(u"");
  record->racer = file.getString(key, u"racer").value_or(u"");
  record->vehicle = file.getString(key, u"vehicle").value_or(u"");
  record->date = file.getString(key, u"date").value_or(u"");
  record->time = file.getFloat(key, u"time", 0.0f);
  record->speed = file.getInt(key, u"speed", -1);
  return record;
}

os::WString decimal(int value) { return os::fromUtf8(std::to_string(value)); }

}  // namespace

std::unique_ptr<RaceScore> makeRaceScore(os::WStringView track, os::WStringView racer, os::WStringView vehicle,
                                         os::WStringView date, float time, int speed) {
  auto record = std::make_unique<RaceScore>();
  record->track = os::WString(track);
  record->racer = os::WString(racer);
  record->vehicle = os::WString(vehicle);
  record->date = os::WString(date.substr(0, 10));
  record->time = time;
  record->speed = speed;
  return record;
}

const os::WString& raceScoreFolder() {
  static const os::WString folder = programFolder() + u"..\\resources\\GUI\\";
  return folder;
}

bool readRaceScores(RaceScoreList& list, std::unique_ptr<RaceScore>* latest, os::WStringView filePrefix,
                    os::WStringView folder) {
  if (latest) latest->reset();
  TemplateFile file(u'=', u',', u':');
  if (!file.load(folder.empty() ? os::WStringView(raceScoreFolder()) : folder, fileNameOf(filePrefix))) return false;
  const int count = file.settingCount();
  for (int i = 0; i < count; ++i) {
    const os::WString key = decimal(i);
    if (!file.getString(key)) continue;
    list.push_back(readRecord(file, key));
  }
  if (latest && file.getString(u"-1")) *latest = readRecord(file, u"-1");
  return true;
}

os::WString formatRaceScore(int key, const RaceScore& r) {
  return os::format(u"%d = track:%s, racer:%s, vehicle:%s, date:%s, time:%8.3f, speed:%d", key, r.track.c_str(),
                    r.racer.c_str(), r.vehicle.c_str(), r.date.c_str(), double(r.time), r.speed);
}

bool addRaceScore(const RaceScore& record, int maxPerTrack, os::WStringView filePrefix, os::WStringView folder) {
  const os::WStringView dir = folder.empty() ? os::WStringView(raceScoreFolder()) : folder;
  RaceScoreList list;
  readRaceScores(list, nullptr, filePrefix, dir);  // a missing file is an empty list
  list.push_back(std::make_unique<RaceScore>(record));

  // Sort the track's records among their own positions; other tracks keep theirs.
  std::vector<size_t> slots;
  std::vector<std::unique_ptr<RaceScore>> own;
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i]->track == record.track) {
      slots.push_back(i);
      own.push_back(std::move(list[i]));
    }
  }
  std::stable_sort(own.begin(), own.end(), [](const auto& a, const auto& b) { return a->time < b->time; });
  for (size_t k = 0; k < slots.size(); ++k) list[slots[k]] = std::move(own[k]);

  // Drop the slowest of the track beyond the limit, walking from the end.
  int excess = int(slots.size()) - maxPerTrack;
  for (size_t i = list.size(); i > 0 && excess > 0; --i) {
    if (list[i - 1]->track == record.track) {
      list.erase(list.begin() + long(i - 1));
      --excess;
    }
  }

  TemplateFile file(u'=', u',', u':');
  file.setPath(dir, fileNameOf(filePrefix));
  auto store = [&file](const os::WString& line) {
    const size_t eq = line.find(u'=');
    file.set(trimBlanks(os::WStringView(line).substr(0, eq)), trimBlanks(os::WStringView(line).substr(eq + 1)));
  };
  store(formatRaceScore(-1, record));
  for (size_t i = 0; i < list.size(); ++i) store(formatRaceScore(int(i), *list[i]));
  return file.save();
}
