// Conversions between milliseconds and sample counts at a sampling frequency:
// rounded to the nearest integer with halves away from zero, 0 when the
// frequency is below 1e-10.
#pragma once

#include <cstdint>

namespace ardv {

std::int64_t msToSamples(double ms, double frequence);
std::int64_t samplesToMs(double samples, double frequence);

}  // namespace ardv
