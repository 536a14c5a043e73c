// All-pole fit at the harmonics of a frame.
#include "formants/harmonic_fit.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ardv {

double periodicF0(std::span<const double> x, double fs, double lowHz, double highHz, double clarity) {
  const int n = static_cast<int>(x.size());
  const int shortest = std::max(2, static_cast<int>(std::floor(fs / highHz)));
  const int longest = std::min(n / 2, static_cast<int>(std::ceil(fs / lowHz)));
  if (longest <= shortest + 1) return 0.0;
  std::vector<double> r(static_cast<std::size_t>(longest) + 2, 0.0), energy(static_cast<std::size_t>(n) + 1, 0.0);
  for (int i = 0; i < n; ++i)
    energy[static_cast<std::size_t>(i) + 1] = energy[static_cast<std::size_t>(i)] + x[static_cast<std::size_t>(i)] * x[static_cast<std::size_t>(i)];
  const double* v = x.data();
  for (int lag = shortest - 1; lag <= longest + 1; ++lag) {
    double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
    int i = 0;
    for (; i + 3 + lag < n; i += 4) {
      s0 += v[i] * v[i + lag];
      s1 += v[i + 1] * v[i + 1 + lag];
      s2 += v[i + 2] * v[i + 2 + lag];
      s3 += v[i + 3] * v[i + 3 + lag];
    }
    for (; i + lag < n; ++i) s0 += v[i] * v[i + lag];
    const double s = (s0 + s1) + (s2 + s3);
    const double e0 = energy[static_cast<std::size_t>(n - lag)], e1 = energy[static_cast<std::size_t>(n)] - energy[static_cast<std::size_t>(lag)];
    r[static_cast<std::size_t>(lag)] = e0 > 0.0 && e1 > 0.0 ? s / std::sqrt(e0 * e1) : 0.0;
  }
  // Each peak's height and position refined by a parabola: at a coarse rate
  // a sharp peak falls between lags, and a multiple of the period that
  // falls on a lag would outrank it.
  auto peak = [&](int lag, double& at) {
    const double a = r[static_cast<std::size_t>(lag) - 1], b = r[static_cast<std::size_t>(lag)],
                 c = r[static_cast<std::size_t>(lag) + 1];
    if (b < a || b < c) return -1.0;
    const double curve = a - 2.0 * b + c;
    const double shift = curve < 0.0 ? std::clamp(0.5 * (a - c) / curve, -0.5, 0.5) : 0.0;
    at = lag + shift;
    return curve < 0.0 ? b - curve * shift * shift / 2.0 : b;
  };
  double highest = 0.0, at = 0.0;
  for (int lag = shortest; lag <= longest; ++lag) highest = std::max(highest, peak(lag, at));
  if (highest < clarity) return 0.0;
  // The shortest lag within 5 % of the highest. (Within 20 % where the
  // highest lies at a multiple of it took a third of a low voice's period
  // whose third harmonic stands alone below 1 kHz.)
  for (int lag = shortest; lag <= longest; ++lag)
    if (peak(lag, at) >= 0.95 * highest) return fs / at;
  return 0.0;
}

void powersAt(std::span<const double> x, std::span<const double> omega, std::vector<double>& power) {
  power.resize(omega.size());
  // Goertzel's recursion, four frequencies side by side.
  for (std::size_t k = 0; k < omega.size(); k += 4) {
    const std::size_t m = std::min<std::size_t>(4, omega.size() - k);
    double c[4] = {0, 0, 0, 0}, s1[4] = {0, 0, 0, 0}, s2[4] = {0, 0, 0, 0};
    for (std::size_t j = 0; j < m; ++j) c[j] = 2.0 * std::cos(omega[k + j]);
    for (double v : x)
      for (int j = 0; j < 4; ++j) {
        const double s0 = v + c[j] * s1[j] - s2[j];
        s2[j] = s1[j];
        s1[j] = s0;
      }
    for (std::size_t j = 0; j < m; ++j)
      power[k + j] = std::max(0.0, s1[j] * s1[j] + s2[j] * s2[j] - c[j] * s1[j] * s2[j]);
  }
}

void harmonicPowers(std::span<const double> x, double fs, double f0, std::vector<double>& omega,
                    std::vector<double>& power) {
  omega.clear();
  power.clear();
  if (f0 <= 0.0) return;
  for (int k = 1; k * f0 < 0.95 * fs / 2.0; ++k) omega.push_back(2.0 * std::numbers::pi * k * f0 / fs);
  powersAt(x, omega, power);
}

void subtractGaps(std::span<const double> x, double fs, double f0, std::span<const double> omega,
                  std::vector<double>& power) {
  std::vector<double> halfway(omega.size() + 1), noise;
  for (std::size_t k = 0; k < halfway.size(); ++k)
    halfway[k] = (static_cast<double>(k) + 0.5) * 2.0 * std::numbers::pi * f0 / fs;
  powersAt(x, halfway, noise);
  for (std::size_t k = 0; k < omega.size() && k < power.size(); ++k)
    power[k] = std::max(power[k] - 0.5 * (noise[k] + noise[k + 1]), 0.05 * power[k]);
}

void undoLowCut(std::span<const double> omega, double fs, double cutHz, double mostDb, std::vector<double>& power) {
  const double most = std::pow(10.0, mostDb / 10.0);
  for (std::size_t k = 0; k < omega.size() && k < power.size(); ++k) {
    const double ratio = cutHz / (omega[k] * fs / (2.0 * std::numbers::pi));
    const double section = 1.0 + std::pow(ratio, 4.0);
    power[k] *= std::min(most, section * section);
  }
}

bool lineSpectrumPrediction(std::span<const double> omega, std::span<const double> power, int order,
                            std::vector<double>& a) {
  const std::size_t n = omega.size();
  if (order < 1 || n < static_cast<std::size_t>(order) || power.size() != n) return false;
  const auto q = static_cast<std::size_t>(order);
  std::vector<double> r(q + 1, 0.0);
  for (std::size_t m = 0; m < n; ++m)
    for (std::size_t j = 0; j <= q; ++j) r[j] += power[m] * std::cos(omega[m] * static_cast<double>(j));
  if (!(r[0] > 0.0)) return false;
  // Levinson–Durbin.
  a.assign(q, 0.0);
  std::vector<double> previous(q);
  double e = r[0];
  for (std::size_t i = 1; i <= q; ++i) {
    double acc = r[i];
    for (std::size_t j = 1; j < i; ++j) acc -= a[j - 1] * r[i - j];
    const double k = acc / e;
    previous = a;
    a[i - 1] = k;
    for (std::size_t j = 1; j < i; ++j) a[j - 1] = previous[j - 1] - k * previous[i - j - 1];
    e *= 1.0 - k * k;
    if (!(e > 0.0)) return false;
  }
  return true;
}

double harmonicPeakHz(std::span<const double> power, double f0, double hz, int lowestHarmonic) {
  if (f0 <= 0.0 || hz <= 0.0) return hz;
  const auto k = static_cast<std::size_t>(std::lround(hz / f0));
  if (k < static_cast<std::size_t>(std::max(2, lowestHarmonic)) || k >= power.size()) return hz;
  auto db = [&](std::size_t h) { return 10.0 * std::log10(power[h - 1] + 1e-9); };
  const double below = db(k - 1), at = db(k), above = db(k + 1), bend = below - 2.0 * at + above;
  if (at < below || at < above || bend >= 0.0) return hz;
  return f0 * (static_cast<double>(k) + 0.5 * (below - above) / bend);
}

}  // namespace ardv
