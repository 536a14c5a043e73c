// All-pole fit at the harmonics of a frame.
#include "formants/harmonic_fit.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace ardv {
namespace {

constexpr int kMostSteps = 40;
// Powers below this share of the loudest harmonic count as this share (a
// band-limited recording has none above its band).
constexpr double kPowerFloor = 1e-6;

// Solves m·x = b (n × n, row-major, overwritten) by elimination with
// partial pivoting; false when singular.
bool solve(std::vector<double>& m, std::vector<double>& b, int n) {
  for (int c = 0; c < n; ++c) {
    int pivot = c;
    for (int r = c + 1; r < n; ++r)
      if (std::abs(m[static_cast<std::size_t>(r * n + c)]) > std::abs(m[static_cast<std::size_t>(pivot * n + c)]))
        pivot = r;
    if (std::abs(m[static_cast<std::size_t>(pivot * n + c)]) < 1e-300) return false;
    if (pivot != c) {
      for (int k = 0; k < n; ++k)
        std::swap(m[static_cast<std::size_t>(c * n + k)], m[static_cast<std::size_t>(pivot * n + k)]);
      std::swap(b[static_cast<std::size_t>(c)], b[static_cast<std::size_t>(pivot)]);
    }
    const double d = m[static_cast<std::size_t>(c * n + c)];
    for (int r = c + 1; r < n; ++r) {
      const double f = m[static_cast<std::size_t>(r * n + c)] / d;
      if (f == 0.0) continue;
      for (int k = c; k < n; ++k) m[static_cast<std::size_t>(r * n + k)] -= f * m[static_cast<std::size_t>(c * n + k)];
      b[static_cast<std::size_t>(r)] -= f * b[static_cast<std::size_t>(c)];
    }
  }
  for (int r = n - 1; r >= 0; --r) {
    double s = b[static_cast<std::size_t>(r)];
    for (int k = r + 1; k < n; ++k) s -= m[static_cast<std::size_t>(r * n + k)] * b[static_cast<std::size_t>(k)];
    b[static_cast<std::size_t>(r)] = s / m[static_cast<std::size_t>(r * n + r)];
  }
  return true;
}

}  // namespace

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
  double highest = 0.0;
  for (int lag = shortest; lag <= longest; ++lag) highest = std::max(highest, r[static_cast<std::size_t>(lag)]);
  if (highest < clarity) return 0.0;
  for (int lag = shortest; lag <= longest; ++lag) {
    const double a = r[static_cast<std::size_t>(lag) - 1], b = r[static_cast<std::size_t>(lag)],
                 c = r[static_cast<std::size_t>(lag) + 1];
    if (b < 0.95 * highest || b < a || b < c) continue;
    const double curve = a - 2.0 * b + c;
    const double shift = curve < 0.0 ? std::clamp(0.5 * (a - c) / curve, -0.5, 0.5) : 0.0;
    return fs / (lag + shift);
  }
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

bool discreteAllPole(std::span<const double> omega, std::span<const double> power, int order, std::vector<double>& a) {
  const std::size_t n = omega.size();
  if (order < 1 || n < static_cast<std::size_t>(order) || power.size() != n) return false;
  const double loudest = *std::max_element(power.begin(), power.end());
  if (!(loudest > 0.0)) return false;
  std::vector<double> p(n);
  for (std::size_t m = 0; m < n; ++m) p[m] = std::max(power[m], kPowerFloor * loudest) / loudest;
  const auto q = static_cast<std::size_t>(order);
  // The autocorrelation of the discrete spectrum, and cos/sin(ω·j) per point.
  std::vector<double> r(q + 1, 0.0), cs(n * (q + 1)), sn(n * (q + 1));
  for (std::size_t m = 0; m < n; ++m)
    for (std::size_t j = 0; j <= q; ++j) {
      cs[m * (q + 1) + j] = std::cos(omega[m] * static_cast<double>(j));
      sn[m * (q + 1) + j] = std::sin(omega[m] * static_cast<double>(j));
      r[j] += p[m] * cs[m * (q + 1) + j];
    }
  // A(ω) at every point, the gain and the distance of a model.
  std::vector<std::complex<double>> am(n);
  auto distance = [&](const std::vector<double>& c, double& gain) {
    double sum = 0.0;
    for (std::size_t m = 0; m < n; ++m) {
      std::complex<double> v = 1.0;
      for (std::size_t j = 1; j <= q; ++j) v -= c[j - 1] * std::complex<double>(cs[m * (q + 1) + j], -sn[m * (q + 1) + j]);
      am[m] = v;
      sum += p[m] * std::norm(v);
    }
    gain = sum / static_cast<double>(n);
    double d = 0.0;
    for (std::size_t m = 0; m < n; ++m) {
      const double ratio = p[m] * std::norm(am[m]) / gain;
      d += ratio - std::log(ratio) - 1.0;
    }
    return d / static_cast<double>(n);
  };
  std::vector<double> m((q) * (q)), rhs(q), next(q);
  auto toeplitz = [&] {
    for (std::size_t i = 0; i < q; ++i)
      for (std::size_t k = 0; k < q; ++k)
        m[i * q + k] = r[i > k ? i - k : k - i];
  };
  // Linear prediction of the discrete spectrum to start.
  toeplitz();
  for (std::size_t i = 0; i < q; ++i) rhs[i] = r[i + 1];
  if (!solve(m, rhs, order)) return false;
  a = rhs;
  double gain = 0.0;
  double best = distance(a, gain);
  // Fixed point: Σ a[k]·R(i − k) = R(i) − g²·h(i), with h(i) the mean of
  // cos/sin(ω·i)/A(ω) over the points under the last model.
  for (int step = 0; step < kMostSteps; ++step) {
    for (std::size_t i = 1; i <= q; ++i) {
      double h = 0.0;
      for (std::size_t mm = 0; mm < n; ++mm)
        h += (std::complex<double>(cs[mm * (q + 1) + i], -sn[mm * (q + 1) + i]) / am[mm]).real();
      rhs[i - 1] = r[i] - gain * h / static_cast<double>(n);
    }
    toeplitz();
    if (!solve(m, rhs, order)) break;
    // Take the whole step, or less while it does not lower the distance.
    double d = 0.0, g = 0.0;
    bool lowered = false;
    for (double mu = 1.0; mu > 0.1; mu *= 0.5) {
      for (std::size_t j = 0; j < q; ++j) next[j] = a[j] + mu * (rhs[j] - a[j]);
      d = distance(next, g);
      if (d < best) {
        lowered = true;
        break;
      }
    }
    if (!lowered) break;
    const bool settled = best - d < 1e-6 * best;
    a = next;
    best = d;
    gain = g;
    if (settled) break;
  }
  return true;
}

}  // namespace ardv
