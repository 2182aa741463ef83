// The score board page: the race just finished (row -1) and the kept times of its
// track, read from the score list and written into the page's "racer%d", "score%d" and
// "date%d" sprites, with the track in the title. Times show as mm:ss; a page whose
// "tittxtscore" LTID mentions SPEED shows speeds instead.
#pragma once

#include <vector>

#include "platform/Text.h"

class Canvas;
struct RaceScore;

// The speed shown for a record time in speed mode.
using ScoreSpeed = float (*)(void* context, float recordTime);

// "mm:ss" of a race time: minutes cut, then the seconds rounded; a rounded 60 carries.
os::WString formatScoreTime(float seconds);

// Fills the board from a latest record and the kept list (only the latest record's
// track is shown). Nothing without a latest record.
void showScores(Canvas& canvas, const RaceScore* latest, const std::vector<const RaceScore*>& list,
                ScoreSpeed speed, void* context);

// Reads the score list of the file prefix and fills the board; a missing file leaves
// the board empty.
void fillScoreBoard(Canvas& canvas, os::WStringView filePrefix, ScoreSpeed speed, void* context);
