// The sound effects, synthesised at 8000 Hz in 8-bit mono (the mixer's own format, so
// nothing is resampled): the engine loop with ten speed bands, landing bang, brake
// scrape, tyre screech, countdown and start beeps and the menu "transit" blip.
#include <cmath>
#include <cstdio>

#include "Content.h"

namespace {

const int Rate = 8000;
const float TwoPi = 6.28318531f;

// One-pole low-pass, for shaping noise.
struct LowPass {
  float a, y = 0;
  explicit LowPass(float cutoffHz) : a(1 - std::exp(-TwoPi * cutoffHz / Rate)) {}
  float operator()(float x) { return y += a * (x - y); }
};

struct Noise {
  uint32_t s;
  explicit Noise(uint32_t seed) : s(seed) {}
  float operator()() {
    s = s * 1664525u + 1013904223u;
    return (s >> 8) / 8388608.0f - 1.0f;
  }
};

void normalise(std::vector<float>& v, float peak) {
  float m = 0;
  for (float x : v) m = std::max(m, std::fabs(x));
  if (m > 0)
    for (float& x : v) x *= peak / m;
}

// The engine: the race keeps the play position inside band b = speed frame (0..9); each
// band is 0.5 s holding a whole number of two-revolution cycles, so looping a band is
// seamless, and the band frequencies rise like revs. The file is 102% of the ten bands:
// the tail continues the top band for the moment the game overshoots its end.
std::vector<float> motor() {
  const int bandLen = Rate / 2;
  const int total = bandLen * 10 * 102 / 100;
  std::vector<float> out(static_cast<size_t>(total));
  Noise noise(42);
  LowPass hiss(900);
  for (int i = 0; i < total; ++i) {
    int band = std::min(9, i / bandLen);
    int local = i - band * bandLen;
    // Firing rate 30 Hz at idle to 108 Hz at full speed; an even count of firings per band
    // so the lumpy two-cylinder pattern also repeats exactly.
    int firings = 2 * int(std::lround((30.0f + band * 8.7f) * 0.5f * 0.5f));
    float pos = float(local) * firings / bandLen;  // firings since band start
    int n = int(pos);
    float ph = pos - n;
    float lump = (n % 2) ? 0.78f : 1.0f;
    float env = (1 - std::exp(-ph * 25)) * std::exp(-ph * (3.0f + band * 0.25f));
    float bright = 0.15f + band * 0.05f;
    float pulse = env * lump *
                  (std::sin(TwoPi * ph * 1.5f) + 0.5f * std::sin(TwoPi * ph * 3) + bright * std::sin(TwoPi * ph * 6.5f));
    float rumble = 0.35f * std::sin(TwoPi * pos * 0.5f);  // half-rate crank rumble
    float whine = band >= 4 ? 0.06f * (band - 3) / 6.0f * std::sin(TwoPi * pos * 9) : 0;
    float exhaust = hiss(noise()) * env * (0.6f + band * 0.08f);
    out[size_t(i)] = 0.7f * pulse + rumble * (0.6f - band * 0.03f) + whine + exhaust;
  }
  normalise(out, 0.85f);
  return out;
}

std::vector<float> bang() {
  std::vector<float> out(size_t(Rate * 45 / 100));
  Noise noise(7);
  LowPass lp(600);
  float phase = 0;
  for (size_t i = 0; i < out.size(); ++i) {
    float t = float(i) / Rate;
    float f = 45 + 90 * std::exp(-t * 14);
    phase += TwoPi * f / Rate;
    float thump = std::sin(phase) * std::exp(-t * 9);
    float crunch = lp(noise()) * 2.5f * std::exp(-t * 18);
    float clank = (std::sin(TwoPi * 320 * t) + 0.7f * std::sin(TwoPi * 517 * t) + 0.5f * std::sin(TwoPi * 833 * t)) *
                  0.25f * std::exp(-t * 25);
    out[i] = thump + crunch + clank;
  }
  normalise(out, 0.95f);
  return out;
}

std::vector<float> brake() {
  std::vector<float> out(size_t(Rate * 70 / 100));
  Noise noise(9);
  LowPass lp1(2200), lp2(400);
  for (size_t i = 0; i < out.size(); ++i) {
    float t = float(i) / Rate;
    float env = std::min(1.0f, t / 0.04f) * (t > 0.5f ? std::max(0.0f, 1 - (t - 0.5f) / 0.2f) : 1.0f);
    float n = noise();
    float scrape = (lp1(n) - lp2(n)) * 2.2f;  // band-passed hiss of skis on hard snow
    float squeal = 0.18f * std::sin(TwoPi * (1850 + 40 * std::sin(TwoPi * 7 * t)) * t);
    out[i] = env * (scrape + squeal);
  }
  normalise(out, 0.8f);
  return out;
}

std::vector<float> screech() {
  std::vector<float> out(size_t(Rate * 55 / 100));
  Noise noise(13);
  LowPass lp(2500);
  float phase = 0;
  for (size_t i = 0; i < out.size(); ++i) {
    float t = float(i) / Rate;
    float env = std::min(1.0f, t / 0.03f) * std::max(0.0f, 1 - std::max(0.0f, t - 0.35f) / 0.2f);
    float f = 1450 - 180 * t + 35 * std::sin(TwoPi * 28 * t);
    phase += TwoPi * f / Rate;
    out[i] = env * (std::sin(phase) + 0.3f * std::sin(2 * phase) * 0.5f + 0.35f * lp(noise()));
  }
  normalise(out, 0.75f);
  return out;
}

std::vector<float> beep(float freq, float seconds) {
  std::vector<float> out(size_t(Rate * seconds));
  for (size_t i = 0; i < out.size(); ++i) {
    float t = float(i) / Rate;
    float env = std::min(1.0f, t / 0.008f) * std::min(1.0f, (seconds - t) / 0.06f);
    out[i] = env * (std::sin(TwoPi * freq * t) + 0.25f * std::sin(TwoPi * freq * 2 * t) +
                    0.1f * std::sin(TwoPi * freq * 3 * t));
  }
  normalise(out, 0.8f);
  return out;
}

std::vector<float> transit() {
  std::vector<float> out(size_t(Rate * 18 / 100));
  float phase = 0;
  Noise noise(3);
  LowPass lp(1500);
  for (size_t i = 0; i < out.size(); ++i) {
    float t = float(i) / Rate;
    float f = 700 + 900 * t / 0.18f;
    phase += TwoPi * f / Rate;
    float env = std::min(1.0f, t / 0.01f) * std::exp(-t * 14);
    out[i] = env * (std::sin(phase) + 0.3f * std::sin(phase * 2) + 0.25f * lp(noise()));
  }
  normalise(out, 0.7f);
  return out;
}

}  // namespace

bool makeSounds(Content& c) {
  // File names are lower case: the game lower-cases sound names before it opens them.
  c.resources["GUI/motor.wav"] = encodeWav8(motor(), Rate);
  c.resources["GUI/bang.wav"] = encodeWav8(bang(), Rate);
  c.resources["GUI/brake.wav"] = encodeWav8(brake(), Rate);
  c.resources["GUI/screech.wav"] = encodeWav8(screech(), Rate);
  c.resources["GUI/whistle0.wav"] = encodeWav8(beep(880.0f, 0.3f), Rate);
  c.resources["GUI/whistle1.wav"] = encodeWav8(beep(1318.5f, 0.9f), Rate);
  c.resources["GUI/transit.wav"] = encodeWav8(transit(), Rate);
  return true;
}
