#include "signal/time_conversion.h"

#include <cmath>

namespace ardv {
namespace {

std::int64_t roundHalfAway(double x) {
  if (!std::isfinite(x)) return 0;
  if (x > 9.2e18) return INT64_MAX;
  if (x < -9.2e18) return INT64_MIN;
  return static_cast<std::int64_t>(std::llround(x));
}

}  // namespace

std::int64_t msToSamples(double ms, double frequence) {
  if (frequence < 1e-10) return 0;
  return roundHalfAway(ms * 0.001 * frequence);
}

std::int64_t samplesToMs(double samples, double frequence) {
  if (frequence < 1e-10) return 0;
  return roundHalfAway(samples / (0.001 * frequence));
}

}  // namespace ardv
