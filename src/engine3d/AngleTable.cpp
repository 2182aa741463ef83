// Angle tables: sine and cosine of i * (1/K) for i = 0..4095, computed in double
// precision and stored as floats, filled by the first caller (a function-local static
// is the once-flag). Indexing truncates toward zero and masks, so any float is safe.
#include "engine3d/AngleTable.h"

#include <cmath>

#include "engine3d/Fixed.h"

namespace {

const float IndexFactor = float(4096.0 / (double(Pi) * 2.0));

struct Tables {
  float sine[AngleTableSize];
  float cosine[AngleTableSize];
  Tables() {
    double step = 1.0 / double(IndexFactor);
    for (int i = 0; i < AngleTableSize; ++i) {
      sine[i] = float(std::sin(double(i) * step));
      cosine[i] = float(std::cos(double(i) * step));
    }
  }
};

const Tables& tables() {
  static const Tables filled;  // the once-flag: filled on first use only
  return filled;
}

}  // namespace

void initAngleTable() { (void)tables(); }

float angleIndexFactor() { return IndexFactor; }

int angleIndex(float angle) { return truncToInt(double(angle * IndexFactor)) & (AngleTableSize - 1); }

float sinT(float angle) { return tables().sine[angleIndex(angle)]; }
float cosT(float angle) { return tables().cosine[angleIndex(angle)]; }
float sineAt(int index) { return tables().sine[index & (AngleTableSize - 1)]; }
float cosineAt(int index) { return tables().cosine[index & (AngleTableSize - 1)]; }
