// The music: 4-channel ProTracker modules ("M.K.") composed from the song descriptions
// in content/music/*.song (key, mode, tempo, chord progressions, form, groove, lead
// voice). Channel 1 plays a melody built from motifs over the chords, channel 2 the bass,
// channel 3 the chords as tracker arpeggios or broken chords, channel 4 the drums. The
// instruments are synthesised here. Every song lasts at least a minute before it loops.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "Content.h"
#include "Raster.h"

namespace fs = std::filesystem;

namespace {

const float TwoPi = 6.28318531f;
const int PatternRows = 64;
const int StepsPerBar = 16;

// Classic tracker periods, C-1 .. B-3.
const int Periods[36] = {856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453, 428, 404, 381, 360, 339, 320,
                         302, 285, 269, 254, 240, 226, 214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113};

enum Instrument { Lead = 1, Flute, Bell, Bass, Pad, Kick, Snare, HatClosed, HatOpen, InstrumentCount };
const char* InstrumentNames[] = {"", "lead", "flute", "bell", "bass", "pad", "kick", "snare", "hat", "open hat"};

struct Sample {
  std::string name;
  std::vector<int8_t> data;
  int loopStart = 0, loopLength = 0;  // bytes; 0 = no loop
  int volume = 64;
};

int8_t s8(float v) { return int8_t(std::clamp(int(std::lround(v * 127)), -127, 127)); }

// One-cycle waveforms from harmonics (band-limited), repeated `cycles` times and looped.
Sample cycleSample(const std::string& name, int cycleLen, const std::vector<float>& harmonics, int cycles = 1) {
  Sample s;
  s.name = name;
  std::vector<float> v(size_t(cycleLen * cycles));
  float peak = 0;
  for (size_t i = 0; i < v.size(); ++i) {
    float ph = float(i % size_t(cycleLen)) / cycleLen;
    for (size_t h = 0; h < harmonics.size(); ++h) v[i] += harmonics[h] * std::sin(TwoPi * ph * (h + 1));
    peak = std::max(peak, std::fabs(v[i]));
  }
  for (float x : v) s.data.push_back(s8(x / peak * 0.9f));
  s.loopStart = 0;
  s.loopLength = int(s.data.size());
  return s;
}

Sample bellSample() {
  Sample s;
  s.name = "bell";
  const int len = 4096;
  for (int i = 0; i < len; ++i) {
    float ph = float(i) / 32;  // 32-sample fundamental
    float t = float(i) / len;
    float v = std::sin(TwoPi * ph) * std::exp(-t * 3) + 0.5f * std::sin(TwoPi * ph * 2) * std::exp(-t * 6) +
              0.3f * std::sin(TwoPi * ph * 3.0f) * std::exp(-t * 9) + 0.15f * std::sin(TwoPi * ph * 4) * std::exp(-t * 14);
    s.data.push_back(s8(v * 0.6f));
  }
  return s;
}

Sample drumSample(Instrument which) {
  Sample s;
  s.name = InstrumentNames[which];
  const float rate = 8363;
  uint32_t seed = 12345u + uint32_t(which);
  auto noise = [&]() {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) / 8388608.0f - 1.0f;
  };
  int len = which == Kick ? 2400 : which == Snare ? 2000 : which == HatClosed ? 500 : 1800;
  float phase = 0, lp = 0, prev = 0;
  for (int i = 0; i < len; ++i) {
    float t = i / rate, v = 0;
    if (which == Kick) {
      float f = 48 + 120 * std::exp(-t * 30);
      phase += TwoPi * f / rate;
      v = std::sin(phase) * std::exp(-t * 9) + 0.3f * noise() * std::exp(-t * 150);
    } else if (which == Snare) {
      phase += TwoPi * 185 / rate;
      float n = noise();
      lp += 0.5f * (n - lp);
      v = 0.5f * std::sin(phase) * std::exp(-t * 25) + 0.8f * lp * std::exp(-t * 14);
    } else {
      float n = noise();
      float hp = n - prev;  // crude high-pass for a metallic hiss
      prev = n;
      v = 0.7f * hp * std::exp(-t * (which == HatClosed ? 60.0f : 9.0f));
    }
    s.data.push_back(s8(std::clamp(v, -1.0f, 1.0f)));
  }
  return s;
}

std::vector<Sample> makeInstruments() {
  std::vector<Sample> s(InstrumentCount);
  s[Lead] = cycleSample("lead", 32, {1, 0.7f, 0.45f, 0.2f, 0.28f, 0.12f, 0.14f, 0.05f});   // reedy pulse
  s[Flute] = cycleSample("flute", 32, {1, 0.25f, 0.12f, 0.03f});                          // soft whistle
  s[Bell] = bellSample();
  s[Bass] = cycleSample("bass", 64, {1, 0.55f, 0.33f, 0.22f, 0.14f, 0.08f});               // round saw
  s[Pad] = cycleSample("pad", 32, {1, 0.5f, 0.33f, 0.25f, 0.2f, 0.16f});                   // bright saw
  for (Instrument d : {Kick, Snare, HatClosed, HatOpen}) s[d] = drumSample(d);
  return s;
}

// ---- Song description -----------------------------------------------------------------

struct Song {
  std::string source, file, title, groove = "drive", lead = "lead", chords = "stabs";
  int tempo = 125, key = 0, seed = 1, leadOctave = 0;
  std::vector<int> mode;                        // semitone steps of the scale
  std::vector<std::vector<std::pair<int, bool>>> progressions;  // degree, seventh
  std::string form;
};

bool parseKey(const std::string& v, int& key) {
  static const std::map<std::string, int> names = {{"C", 0},  {"C#", 1}, {"Db", 1}, {"D", 2},  {"D#", 3}, {"Eb", 3},
                                                   {"E", 4},  {"F", 5},  {"F#", 6}, {"Gb", 6}, {"G", 7},  {"G#", 8},
                                                   {"Ab", 8}, {"A", 9},  {"A#", 10}, {"Bb", 10}, {"B", 11}};
  auto it = names.find(v);
  if (it == names.end()) return false;
  key = it->second;
  return true;
}

bool parseMode(const std::string& v, std::vector<int>& mode) {
  static const std::map<std::string, std::vector<int>> modes = {
      {"major", {0, 2, 4, 5, 7, 9, 11}},      {"minor", {0, 2, 3, 5, 7, 8, 10}},
      {"dorian", {0, 2, 3, 5, 7, 9, 10}},     {"mixolydian", {0, 2, 4, 5, 7, 9, 10}},
      {"harmonic", {0, 2, 3, 5, 7, 8, 11}},   {"lydian", {0, 2, 4, 6, 7, 9, 11}}};
  auto it = modes.find(v);
  if (it == modes.end()) return false;
  mode = it->second;
  return true;
}

bool parseNumeral(std::string v, std::pair<int, bool>& chord) {
  chord.second = !v.empty() && v.back() == '7';
  if (chord.second) v.pop_back();
  for (char& ch : v) ch = char(std::tolower(static_cast<unsigned char>(ch)));
  static const char* numerals[] = {"i", "ii", "iii", "iv", "v", "vi", "vii"};
  for (int i = 0; i < 7; ++i)
    if (v == numerals[i]) {
      chord.first = i;
      return true;
    }
  return false;
}

std::string trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
  return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

bool parseSong(const std::string& path, Song& song) {
  std::ifstream in(path);
  if (!in) {
    std::fprintf(stderr, "contentgen: cannot read %s\n", path.c_str());
    return false;
  }
  song.source = path;
  std::string line;
  int number = 0;
  bool hasKey = false, hasMode = false;
  auto fail = [&](const std::string& why) {
    std::fprintf(stderr, "%s:%d: error: %s\n", path.c_str(), number, why.c_str());
    return false;
  };
  while (std::getline(in, line)) {
    ++number;
    size_t hash = line.find('#');
    if (hash != std::string::npos) line = line.substr(0, hash);
    line = trim(line);
    if (line.empty()) continue;
    size_t eq = line.find('=');
    if (eq == std::string::npos) return fail("expected 'name = value'");
    std::string k = trim(line.substr(0, eq)), v = trim(line.substr(eq + 1));
    auto number_ = [&](int lo, int hi, int& out) {
      char* end = nullptr;
      long n = std::strtol(v.c_str(), &end, 10);
      if (v.empty() || *end || n < lo || n > hi) return false;
      out = int(n);
      return true;
    };
    if (k == "file") song.file = v;
    else if (k == "title") song.title = v;
    else if (k == "tempo") { if (!number_(60, 200, song.tempo)) return fail("tempo must be 60..200 beats per minute"); }
    else if (k == "seed") { if (!number_(0, 1000000, song.seed)) return fail("seed must be 0..1000000"); }
    else if (k == "octave") { if (!number_(-1, 1, song.leadOctave)) return fail("octave must be -1, 0 or 1"); }
    else if (k == "key") { if (!parseKey(v, song.key)) return fail("unknown key '" + v + "'"); hasKey = true; }
    else if (k == "mode") { if (!parseMode(v, song.mode)) return fail("unknown mode '" + v + "'"); hasMode = true; }
    else if (k == "groove") {
      if (v != "drive" && v != "shuffle" && v != "halftime" && v != "march" && v != "reel" && v != "calm")
        return fail("unknown groove '" + v + "'");
      song.groove = v;
    } else if (k == "lead") {
      if (v != "lead" && v != "flute" && v != "bell") return fail("unknown lead voice '" + v + "'");
      song.lead = v;
    } else if (k == "chords") {
      if (v != "stabs" && v != "sustain" && v != "broken") return fail("unknown chord style '" + v + "'");
      song.chords = v;
    } else if (k == "progression") {
      std::vector<std::pair<int, bool>> chords;
      std::istringstream words(v);
      std::string w;
      while (words >> w) {
        std::pair<int, bool> ch;
        if (!parseNumeral(w, ch)) return fail("'" + w + "' is not a chord numeral (I..VII, optional 7)");
        chords.push_back(ch);
      }
      if (chords.size() != 4 && chords.size() != 8) return fail("a progression holds 4 or 8 chords (one or two per bar)");
      song.progressions.push_back(chords);
    } else if (k == "form") {
      for (char ch : v) {
        if (ch == ' ') continue;
        int idx = std::toupper(static_cast<unsigned char>(ch)) - 'A';
        if (idx < 0 || idx > 7) return fail("form letters are A..H (lower case: without melody)");
        song.form += ch;
      }
    } else
      return fail("unknown setting '" + k + "'");
  }
  number = 0;
  if (song.file.empty() || song.file.find(".mod") == std::string::npos) return fail("missing 'file = ....mod'");
  if (!hasKey || !hasMode) return fail("missing 'key' or 'mode'");
  if (song.progressions.empty() || song.form.empty()) return fail("missing 'progression' or 'form'");
  for (char ch : song.form)
    if (std::toupper(static_cast<unsigned char>(ch)) - 'A' >= int(song.progressions.size()))
      return fail(std::string("form letter '") + ch + "' has no progression line");
  return true;
}

// ---- Composition ----------------------------------------------------------------------

struct Cell {
  int note = -1;     // 0..35 or -1
  int sample = 0;
  int effect = 0, param = 0;
  bool hasEffect = false;
};

struct Pattern {
  Cell cells[PatternRows][4];
  void set(int row, int ch, int note, int sample) {
    cells[row][ch].note = note, cells[row][ch].sample = sample;
  }
  void fx(int row, int ch, int effect, int param) {
    if (cells[row][ch].hasEffect) return;  // the first effect written wins
    cells[row][ch].effect = effect, cells[row][ch].param = param, cells[row][ch].hasEffect = true;
  }
};

struct Composer {
  const Song& song;
  explicit Composer(const Song& s) : song(s) {}

  // MIDI-like pitch of a scale degree (any integer; 7 = the octave) above the key at `base`.
  int pitch(int degree, int base) const {
    int oct = degree >= 0 ? degree / 7 : -((-degree + 6) / 7);
    int d = degree - oct * 7;
    return base + song.key + oct * 12 + song.mode[size_t(d)];
  }
  // Tracker note index of a pitch for a 32-sample-cycle voice (C-1 = pitch 48).
  static int noteFor(int p, int cycleShift = 0) {
    int n = p - 48 + cycleShift;
    while (n < 0) n += 12;
    while (n > 35) n -= 12;
    return n;
  }
  std::vector<int> chordDegrees(std::pair<int, bool> ch) const {
    std::vector<int> d = {ch.first, ch.first + 2, ch.first + 4};
    if (ch.second) d.push_back(ch.first + 6);
    return d;
  }

  void drums(Pattern& p, int bar, bool fill, Rng& rng) const {
    const std::string& g = song.groove;
    for (int s = 0; s < StepsPerBar; ++s) {
      int row = bar * StepsPerBar + s;
      Instrument hit = Instrument(0);
      int vol = 40;
      if (g == "drive" || g == "reel") {
        if (s == 0 || s == 8 || (s == 10 && bar % 2)) hit = Kick, vol = 64;
        else if (s == 4 || s == 12) hit = Snare, vol = 52;
        else if (s % 2 == 0) hit = HatClosed, vol = 26;
        else if (g == "reel") hit = HatClosed, vol = 16;
      } else if (g == "shuffle") {
        if (s == 0 || s == 7 || s == 10) hit = Kick, vol = 60;
        else if (s == 4 || s == 12) hit = Snare, vol = 50;
        else if (s % 4 == 0 || s % 4 == 3) hit = HatClosed, vol = s % 4 == 3 ? 18 : 28;
      } else if (g == "halftime") {
        if (s == 0 || s == 6) hit = Kick, vol = 64;
        else if (s == 8) hit = Snare, vol = 56;
        else if (s % 4 == 2) hit = HatOpen, vol = 20;
        else if (s % 2 == 0) hit = HatClosed, vol = 22;
      } else if (g == "march") {
        if (s == 0 || s == 8) hit = Kick, vol = 60;
        else if (s == 4 || s == 12 || s == 14 || s == 15) hit = Snare, vol = s > 12 ? 36 : 50;
        else if (s % 2 == 0) hit = HatClosed, vol = 22;
      } else {  // calm
        if (s == 0) hit = Kick, vol = 44;
        else if (s == 8) hit = Snare, vol = 30;
        else if (s % 4 == 2) hit = HatClosed, vol = 16;
      }
      if (fill && s >= 12) hit = (s % 2 || g == "calm") ? Snare : Kick, vol = 30 + (s - 12) * 8;
      if (fill && s >= 12 && rng.below(4) == 0) hit = Snare;
      if (hit) {
        p.set(row, 3, 12, hit);
        p.fx(row, 3, 0xC, vol);
      }
    }
  }

  // Bass line of one bar; the second half follows `second` when the bar holds two chords.
  void bass(Pattern& p, int bar, std::pair<int, bool> first, std::pair<int, bool> second,
            std::pair<int, bool> next) const {
    const std::string& g = song.groove;
    auto rootOf = [&](int step) { return pitch((step < 8 ? first : second).first, 36); };
    auto fifthOf = [&](int step) { return pitch((step < 8 ? first : second).first + 4, 36); };
    auto thirdOf = [&](int step) { return pitch((step < 8 ? first : second).first + 2, 36); };
    // The bass cycle is 64 samples: one octave lower than the lead for the same note index.
    auto put = [&](int step, int pitchValue, int vol, int slide) {
      int row = bar * StepsPerBar + step;
      p.set(row, 1, noteFor(pitchValue, 12), Bass);
      p.fx(row, 1, 0xC, vol);
      if (slide && row + 1 < PatternRows) p.fx(row + 1, 1, 0xA, slide);
    };
    if (g == "drive" || g == "reel") {
      for (int s = 0; s < 16; s += 2) put(s, (s % 8 == 6) ? rootOf(s) + 12 : rootOf(s), s % 4 ? 44 : 56, 0x02);
    } else if (g == "shuffle") {
      put(0, rootOf(0), 52, 0x01);
      put(4, thirdOf(4), 48, 0x01);
      put(8, fifthOf(8), 52, 0x01);
      put(10, fifthOf(10), 34, 0x03);
      put(12, rootOf(12) + 12, 48, 0x01);
    } else if (g == "halftime") {
      put(0, rootOf(0), 60, 0x01);
      put(6, rootOf(6), 44, 0x02);
      put(10, fifthOf(10), 48, 0x01);
    } else if (g == "march") {
      put(0, rootOf(0), 56, 0x02);
      put(4, fifthOf(4) - 12, 48, 0x02);
      put(8, rootOf(8), 56, 0x02);
      put(12, fifthOf(12) - 12, 48, 0x02);
    } else {  // calm: roots and a scale step leading into the next chord
      int target = next.first, here = (first == second ? first : second).first;
      put(0, rootOf(0), 52, 0);
      put(8, fifthOf(8), 44, 0);
      put(12, pitch(target > here ? target - 1 : target == here ? here : target + 1, 36), 40, 0x01);
    }
  }

  void chords(Pattern& p, int bar, int firstStep, int steps, std::pair<int, bool> ch) const {
    std::vector<int> d = chordDegrees(ch);
    int root = pitch(d[0], 48);
    int x = pitch(d[1], 48) - root, y = pitch(d[2], 48) - root;
    int arp = (x & 15) << 4 | (y & 15);
    for (int s = firstStep; s < firstStep + steps; ++s) {
      int row = bar * StepsPerBar + s;
      if (song.chords == "broken") {
        if (s % 2 == 0) {
          int idx = (s / 2) % int(d.size() + 1);
          int deg = idx < int(d.size()) ? d[size_t(idx)] : d[0] + 7;
          p.set(row, 2, noteFor(pitch(deg, 60)), Bell);
          p.fx(row, 2, 0xC, 30);
        }
      } else if (song.chords == "stabs") {
        if (s % 4 == 2) {
          p.set(row, 2, noteFor(root), Pad);
          p.fx(row, 2, 0xC, 26);
        }
        if (s % 4 == 3) p.fx(row, 2, 0xC, 0);
        else p.fx(row, 2, 0x0, arp);
      } else {  // sustain
        if (s == firstStep) {
          p.set(row, 2, noteFor(root), Pad);
          p.fx(row, 2, 0xC, 20);
        } else {
          p.fx(row, 2, 0x0, arp);
        }
      }
    }
  }

  // A melody for one 4-bar section: bars 1 and 3 share a motif, bar 4 cadences.
  void melody(Pattern& p, const std::vector<std::pair<int, bool>>& prog, Rng& rng, int register_) const {
    static const char* rhythms[][2] = {
        {"x.x.x...x.x.x...", "x...x.x.x.......",},
        {"x..x..x.x.x.x...", "x.x.x.x.x.......",},
        {"x...x...x.x.x.x.", "x.....x.x...x...",},
        {"x.xxx.x.x...x.x.", "x.x.x...x.......",},
    };
    static const char* calmRhythms[][2] = {{"x.......x...x...", "x...........x..."}, {"x.....x.x.......", "x...x...x......."}};
    bool calm = song.groove == "calm" || song.groove == "halftime";
    int r = calm ? rng.below(2) : rng.below(4);
    const char* a = calm ? calmRhythms[r][0] : rhythms[r][0];
    const char* b = calm ? calmRhythms[r][1] : rhythms[r][1];
    int instrument = song.lead == "flute" ? Flute : song.lead == "bell" ? Bell : Lead;
    // The tonic nearest middle C keeps every key's melody in the same comfortable range.
    int base = (song.key <= 5 ? 60 : 48) + 12 * song.leadOctave;
    int cur = 2 + register_;  // scale degree relative to the key at `base`
    std::vector<int> motifSteps;
    std::vector<int> motifMoves;
    auto chordAt = [&](int bar, int step) {
      return prog.size() == 8 ? prog[size_t(bar * 2 + (step >= 8))] : prog[size_t(bar)];
    };
    auto nearestChordTone = [&](int deg, std::pair<int, bool> ch) {
      int best = deg, bestD = 99;
      for (int d : chordDegrees(ch))
        for (int o = -14; o <= 14; o += 7) {
          int c = d + o;
          if (std::abs(c - deg) < bestD) bestD = std::abs(c - deg), best = c;
        }
      return best;
    };
    auto place = [&](int bar, int step, int deg, int len) {
      deg = std::clamp(deg, -3, 11);
      int row = bar * StepsPerBar + step;
      p.set(row, 0, noteFor(pitch(deg, base)), instrument);
      p.fx(row, 0, 0xC, instrument == Bell ? 44 : 34);
      if (len >= 6 && instrument != Bell && row + 2 < PatternRows)
        for (int k = 2; k < len && row + k < PatternRows; ++k) p.fx(row + k, 0, 0x4, 0x43);  // vibrato on long notes
      else if (len >= 3 && row + len - 1 < PatternRows && song.groove != "calm")
        p.fx(row + len - 1, 0, 0xC, 8);  // short release before the next note
      return deg;
    };
    for (int bar = 0; bar < 4; ++bar) {
      const char* rh = bar == 3 ? (calm ? "x.......x......." : "x...x...x.......") : (bar % 2 ? b : a);
      std::vector<int> steps;
      for (int s = 0; s < 16; ++s)
        if (rh[s] == 'x') steps.push_back(s);
      for (size_t i = 0; i < steps.size(); ++i) {
        int s = steps[i];
        int len = (i + 1 < steps.size() ? steps[i + 1] : 16) - s;
        auto ch = chordAt(bar, s);
        int deg;
        if (bar == 2 && i < motifMoves.size()) {
          // Repeat the first bar's contour over the new chord.
          deg = cur + motifMoves[i];
          if (s % 4 == 0) deg = nearestChordTone(deg, ch);
        } else if (bar == 3 && i + 1 == steps.size()) {
          deg = nearestChordTone(cur, {ch.first, false});
          int rootDeg = ch.first;
          while (rootDeg < cur - 3) rootDeg += 7;
          while (rootDeg > cur + 3) rootDeg -= 7;
          deg = rng.below(2) ? rootDeg : deg;
        } else {
          int move = rng.below(5) - 2;  // -2..2 scale steps
          if (move == 0) move = rng.below(2) ? 1 : -1;
          if (cur > 8) move = -std::abs(move);
          if (cur < 0) move = std::abs(move);
          deg = cur + move;
          if (s % 4 == 0) deg = nearestChordTone(deg, ch);
        }
        if (bar == 0) motifMoves.push_back(deg - cur), motifSteps.push_back(s);
        cur = place(bar, s, deg, len);
      }
    }
  }

  Pattern section(int progIndex, bool withMelody, int variant) const {
    Pattern p;
    const auto& prog = song.progressions[size_t(progIndex)];
    Rng rng(uint32_t(song.seed * 977 + progIndex * 131 + variant * 7));
    Rng melodyRng(uint32_t(song.seed * 31 + progIndex * 1009));  // same letter, same tune
    for (int bar = 0; bar < 4; ++bar) {
      std::pair<int, bool> first = prog.size() == 8 ? prog[size_t(bar * 2)] : prog[size_t(bar)];
      std::pair<int, bool> second = prog.size() == 8 ? prog[size_t(bar * 2 + 1)] : first;
      std::pair<int, bool> next = prog.size() == 8 ? prog[size_t((bar * 2 + 2) % 8)] : prog[size_t((bar + 1) % 4)];
      drums(p, bar, bar == 3 && variant % 2 == 1, rng);
      bass(p, bar, first, second, next);
      if (first == second) {
        chords(p, bar, 0, 16, first);
      } else {
        chords(p, bar, 0, 8, first);
        chords(p, bar, 8, 8, second);
      }
    }
    if (withMelody) melody(p, prog, melodyRng, progIndex == 1 ? 2 : progIndex == 2 ? -1 : 0);
    return p;
  }
};

Bytes writeModule(const Song& song, const std::vector<Pattern>& patterns, const std::vector<int>& order,
                  const std::vector<Sample>& samples) {
  Bytes b;
  auto put16 = [&](int v) {
    b.push_back(uint8_t(v >> 8));
    b.push_back(uint8_t(v));
  };
  std::string title = song.title.substr(0, 20);
  title.resize(20, '\0');
  b.insert(b.end(), title.begin(), title.end());
  for (int i = 1; i <= 31; ++i) {
    Sample s = i < int(samples.size()) ? samples[size_t(i)] : Sample{};
    if (s.data.size() % 2) s.data.push_back(0);
    std::string name = s.name.substr(0, 22);
    name.resize(22, '\0');
    b.insert(b.end(), name.begin(), name.end());
    put16(int(s.data.size() / 2));
    b.push_back(0);  // finetune
    b.push_back(uint8_t(s.data.empty() ? 0 : s.volume));
    if (s.loopLength > 0) {
      put16(s.loopStart / 2);
      put16(s.loopLength / 2);
    } else {
      put16(0);
      put16(1);
    }
  }
  b.push_back(uint8_t(order.size()));
  b.push_back(0);  // restart at the first order
  for (int i = 0; i < 128; ++i) b.push_back(uint8_t(i < int(order.size()) ? order[size_t(i)] : 0));
  b.insert(b.end(), {'M', '.', 'K', '.'});
  for (const Pattern& p : patterns)
    for (int row = 0; row < PatternRows; ++row)
      for (int ch = 0; ch < 4; ++ch) {
        const Cell& c = p.cells[row][ch];
        int period = c.note >= 0 ? Periods[c.note] : 0;
        int smp = c.note >= 0 ? c.sample : 0;
        int eff = c.hasEffect ? c.effect : 0, par = c.hasEffect ? c.param : 0;
        b.push_back(uint8_t((smp & 0xF0) | (period >> 8)));
        b.push_back(uint8_t(period & 0xFF));
        b.push_back(uint8_t((smp & 0x0F) << 4 | (eff & 0x0F)));
        b.push_back(uint8_t(par));
      }
  for (int i = 1; i < int(samples.size()); ++i) {
    for (int8_t v : samples[size_t(i)].data) b.push_back(uint8_t(v));
    if (samples[size_t(i)].data.size() % 2) b.push_back(0);
  }
  return b;
}

bool composeSong(const Song& song, const std::vector<Sample>& instruments, Bytes& out) {
  Composer composer(song);
  // Enough sections for at least 62 seconds: a pattern is 16 beats.
  double patternSeconds = 16 * 60.0 / song.tempo;
  std::string form = song.form;
  while (form.size() * patternSeconds < 62.0) form += song.form.substr(form.size() % song.form.size(), 1);
  if (form.size() > 100) {
    std::fprintf(stderr, "%s: error: the form is too long for one module\n", song.source.c_str());
    return false;
  }
  std::vector<Pattern> patterns;
  std::vector<int> order;
  std::map<std::string, int> made;
  std::map<char, int> seen;
  for (char letter : form) {
    int variant = seen[letter]++ % 2;
    std::string id = std::string(1, letter) + char('0' + variant);
    auto it = made.find(id);
    if (it == made.end()) {
      int prog = std::toupper(static_cast<unsigned char>(letter)) - 'A';
      Pattern p = composer.section(prog, std::isupper(static_cast<unsigned char>(letter)) != 0, variant);
      it = made.emplace(id, int(patterns.size())).first;
      patterns.push_back(p);
    }
    order.push_back(it->second);
  }
  // Every pattern states the tempo on its first row (the drum channel gives up that
  // row's volume), so the song and its loop restart always run at the song's tempo; the
  // speed stays at the default 6 ticks per row, four rows to a beat.
  for (Pattern& p : patterns) {
    Cell& c = p.cells[0][3];
    c.effect = 0xF, c.param = song.tempo, c.hasEffect = true;
  }
  out = writeModule(song, patterns, order, instruments);
  return true;
}

}  // namespace

bool makeMusic(Content& c) {
  std::vector<std::string> files;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(c.sourceDir + "/music", ec))
    if (e.path().extension() == ".song") files.push_back(e.path().string());
  if (ec || files.empty()) {
    std::fprintf(stderr, "contentgen: no songs in %s/music\n", c.sourceDir.c_str());
    return false;
  }
  std::sort(files.begin(), files.end());
  std::vector<Sample> instruments = makeInstruments();
  for (const std::string& f : files) {
    Song song;
    if (!parseSong(f, song)) return false;
    Bytes data;
    if (!composeSong(song, instruments, data)) return false;
    if (c.resources.count(song.file)) {
      std::fprintf(stderr, "%s: error: %s is produced twice\n", f.c_str(), song.file.c_str());
      return false;
    }
    c.resources[song.file] = std::move(data);
  }
  return true;
}
