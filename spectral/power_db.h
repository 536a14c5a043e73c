// Levels in dB of a power spectrum: the exact value every column uses, and a
// fast approximation of it for callers that only need to know which display
// level a value falls into (they compute the exact value where in doubt).
#pragma once

#include <algorithm>
#include <cmath>

namespace ardv {

// 10*log10(max(P, 1e-10)) + G in float, as every FFT column holds it.
inline float powerDb(float power, float gainDb) { return 10.0f * std::log10(std::max(power, 1e-10f)) + gainDb; }

// The largest |approximation - powerDb| of approxPowerDb, dB (the
// approximation's own error is below 1e-6 dB; the rest covers the rounding
// of the exact value).
inline constexpr double kPowerDbError = 1e-3;

// out[k] = powerDb(power[k], gainDb) within kPowerDbError for finite powers
// of at least 1e-10 (a column's powers are floored there); NaN otherwise.
void approxPowerDb(const float* power, int count, float gainDb, double* out);

}  // namespace ardv
