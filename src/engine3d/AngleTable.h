// The 4096-entry sine and cosine tables that stand in for the trigonometric functions
// wherever speed matters. The index of an angle is trunc(angle * K) AND 4095, so the
// table step is 2*pi/4096 and angles below one step read as index 0. The tables are
// filled once, on first use (or by initAngleTable), and read-only afterwards.
#pragma once

#include <cstdint>

constexpr float Pi = 3.1415927f;
constexpr float Epsilon = 1e-10f;
constexpr float HugeReciprocal = 1e30f;  // stands in for an infinite reciprocal
constexpr int AngleTableSize = 4096;

// Fills the tables when they are not filled yet; later calls do nothing.
void initAngleTable();

// K = 4096 / (2 * pi), single precision.
float angleIndexFactor();
// trunc(angle * K) AND 4095 (negative angles wrap through two's complement).
int angleIndex(float angle);

float sinT(float angle);
float cosT(float angle);
// The raw entries, for callers that already hold an index.
float sineAt(int index);
float cosineAt(int index);
