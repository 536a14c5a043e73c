// Bark, Mel and Mely scales and the Bark critical-band curve.
#include "spectral/critical_band_scale.h"

#include <cmath>

namespace ardv {
namespace {

constexpr double kMelFactor = 1127.01048;
constexpr double kMelyQuadratic = 0.000125;
constexpr double kMelyJoinHz = 3000.0;
constexpr double kMelyJoin = 1875.0;  // Mely value at the join

}  // namespace

double barkFromHz(double f) { return 6.0 * std::asinh(f / 600.0); }
double hzFromBark(double z) { return 600.0 * std::sinh(z / 6.0); }

double melFromHz(double f) { return kMelFactor * std::log(1.0 + f / 700.0); }
double hzFromMel(double m) { return 700.0 * (std::exp(m / kMelFactor) - 1.0); }

double melyOffset() {
  // Computed once so that both pieces meet exactly at the join.
  static const double c = kMelyJoin - 500.0 * std::log(kMelyJoinHz);
  return c;
}

double melyFromHz(double f) {
  if (f < kMelyJoinHz) return f * (1.0 - kMelyQuadratic * f);
  return 500.0 * std::log(f) + melyOffset();
}

double hzFromMely(double y) {
  if (y < kMelyJoin) return 4000.0 * (1.0 - std::sqrt(1.0 - 4.0 * kMelyQuadratic * y));
  return std::exp((y - melyOffset()) * 0.002);
}

double scaleFromHz(PerceptualScale scale, double f) {
  switch (scale) {
    case PerceptualScale::Mel: return melFromHz(f);
    case PerceptualScale::Mely: return melyFromHz(f);
    case PerceptualScale::Bark: break;
  }
  return barkFromHz(f);
}

double hzFromScale(PerceptualScale scale, double v) {
  switch (scale) {
    case PerceptualScale::Mel: return hzFromMel(v);
    case PerceptualScale::Mely: return hzFromMely(v);
    case PerceptualScale::Bark: break;
  }
  return hzFromBark(v);
}

double barkCurve(double x) {
  if (x < -2.5) return 0.0;
  if (x < -0.5) return std::pow(10.0, x + 0.5);
  if (x < 0.5) return 1.0;
  if (x < 1.3) return std::pow(10.0, -2.5 * (x - 0.5));
  return 0.0;
}

}  // namespace ardv
