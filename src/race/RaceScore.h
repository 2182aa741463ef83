// The race score list: finished races in "<prefix>racescore.txt" beside the page
// templates, one record per line in the template format. The latest race is key "-1";
// kept records follow as "0", "1", ... with at most a fixed number per track, fastest
// first. The file is always read and written loose, never from the archives.
#pragma once

#include <memory>
#include <vector>

#include "platform/Text.h"

struct RaceScore {
  os::WString track;
  os::WString racer;
  os::WString vehicle;
  os::WString date;   // "yyyy/mm/dd", at most 10 characters
  float time = 0;     // seconds
  int speed = -1;     // -1 when the record had none
};

using RaceScoreList = std::vector<std::unique_ptr<RaceScore>>;

std::unique_ptr<RaceScore> makeRaceScore(os::WStringView track, os::WStringView racer, os::WStringView vehicle,
                                         os::WStringView date, float time, int speed);

// The folder of the score list: the program folder followed by "..\resources\GUI\".
const os::WString& raceScoreFolder();

// Appends the kept records to list in key order; latest gets the "-1" record (or none).
// folder defaults to raceScoreFolder(). False when the file could not be read.
bool readRaceScores(RaceScoreList& list, std::unique_ptr<RaceScore>* latest, os::WStringView filePrefix,
                    os::WStringView folder = {});

// Inserts the record (fastest first within its track, at most maxPerTrack of the track
// kept), writes it as the latest and rewrites the whole file. False when writing failed.
bool addRaceScore(const RaceScore& record, int maxPerTrack, os::WStringView filePrefix, os::WStringView folder = {});

// The record's line "<key> = track:..., time:%8.3f, speed:%d".
os::WString formatRaceScore(int key, const RaceScore& record);
