// F2 from linear prediction of the spectrum below 2 kHz.
#include "formants/low_band_f2.h"

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "formants/harmonic_fit.h"
#include "spectral/roots.h"

namespace ardv {
namespace {

// The band's power spectrum at this many frequencies, spread over 0–π for
// the prediction; three pole pairs (F1, F2 and the slope or noise).
constexpr int kPoints = 64;
constexpr int kOrder = 6;
constexpr double kAboveF1Hz = 150.0;
constexpr double kWidestHz = 300.0;

}  // namespace

double lowBandF2(std::span<const double> windowed, double fs, double f1Hz, double lowestHz) {
  std::vector<double> omega(kPoints), mapped(kPoints), power, a;
  for (int m = 0; m < kPoints; ++m) {
    const double share = static_cast<double>(m) / (kPoints - 1);
    omega[static_cast<std::size_t>(m)] = 2.0 * std::numbers::pi * kLowBandHz * share / fs;
    mapped[static_cast<std::size_t>(m)] = std::numbers::pi * share;
  }
  powersAt(windowed, omega, power);
  if (!lineSpectrumPrediction(mapped, power, kOrder, a)) return 0.0;
  std::vector<double> poly(kOrder + 1, 1.0);
  for (int j = 1; j <= kOrder; ++j) poly[static_cast<std::size_t>(j)] = -a[static_cast<std::size_t>(j - 1)];
  std::vector<std::complex<double>> roots;
  if (!polynomialRoots(poly, roots, false)) return 0.0;
  double best = 0.0;
  for (const std::complex<double>& z : roots) {
    if (z.imag() <= 0.0) continue;
    // The band maps onto 0–π: its "sampling rate" is twice the band.
    const double hz = std::arg(z) / std::numbers::pi * kLowBandHz;
    const double bw = -std::log(std::abs(z)) * 2.0 * kLowBandHz / std::numbers::pi;
    if (hz <= f1Hz + kAboveF1Hz || hz < lowestHz || hz > kLowBandF2HighHz || bw >= kWidestHz) continue;
    if (best == 0.0 || hz < best) best = hz;
  }
  return best;
}

}  // namespace ardv
