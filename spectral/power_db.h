// Levels in dB of a power spectrum: the exact value every column uses, and a
// fast approximation of it for callers that only need to know which display
// level a value falls into (they compute the exact value where in doubt).
#pragma once

#include <algorithm>
#include <cmath>

namespace ardv {

// 10*log10(max(P, 1e-10)) + G in float, as every FFT column holds it.
inline float powerDb(float power, float gainDb) { return 10.0f * std::log10(std::max(power, 1e-10f)) + gainDb; }

// A bound on |approximation - powerDb| of approxPowerDb, dB: the largest
// difference found over every 97th float from 1e-10 up is 3.5e-5 dB (the
// float rounding of both); the bound leaves a margin of about 30.
inline constexpr double kPowerDbError = 1e-3;

// out[k] = powerDb(power[k], gainDb) within kPowerDbError for finite powers
// of at least 1e-10 (a column's powers are floored there); NaN otherwise.
void approxPowerDb(const float* power, int count, float gainDb, double* out);

}  // namespace ardv
