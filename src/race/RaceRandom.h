// The race's random helpers on the C library generator (seeded once at start-up):
// randf(a, b) = a + (b - a) * r / 32767 and randi, its nearest integer (halves away from
// zero), with r taken to 15 bits so every platform sees the handheld's range.
#pragma once

#include <cmath>
#include <cstdlib>

inline float randf(float a, float b) { return a + (b - a) * float(std::rand() & 0x7FFF) / 32767.0f; }
inline int randi(int a, int b) { return int(std::lround(double(randf(float(a), float(b))))); }
