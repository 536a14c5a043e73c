// Autocorrelation LPC, Levinson-Durbin recursion, selective LPC.
#include "spectral/lpc.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "platform/report.h"
#include "spectral/fft.h"

namespace ardv {
namespace {

// Levinson-Durbin on r[0..p] with the starting error e: fills a[1..p] and
// k[1..p] (sized p + 1 and zeroed by the caller) and returns the final error.
double levinson(const double* r, int p, double e, double* a, double* k) {
  std::array<double, kMaxLpcOrder + 1> previous{};
  for (int i = 1; i <= p; ++i) {
    double acc = r[i];
    for (int j = 1; j < i; ++j) acc -= r[i - j] * a[j];
    const double kappa = acc / e;
    // A vanishing error (|κ| reaching 1) means the frame is exactly
    // predictable at this order: going on would only amplify rounding.
    if (!(e > 0.0) || !(std::fabs(kappa) < 1.0)) break;
    for (int j = 1; j < i; ++j) previous[j] = a[j];
    for (int j = 1; j < i; ++j) a[j] = previous[j] - kappa * previous[i - j];
    a[i] = kappa;
    k[i] = -kappa;
    e *= 1.0 - kappa * kappa;
  }
  return e;
}

template <class T>
bool autocorrelation(std::span<const T> x, int p, LpcAnalysis& out) {
  const int n = static_cast<int>(x.size());
  if (p < 1 || p > kMaxLpcOrder || p >= n) {
    debugMessage("lpcAutocorrelation() : bad order " + std::to_string(p) + " for " + std::to_string(n) + " samples");
    return false;
  }
  LpcAnalysis res;
  res.r.assign(p + 1, 0.0);
  res.a.assign(p + 1, 0.0);
  res.k.assign(p + 1, 0.0);
  res.ar.assign(p + 2, 0.0);
  for (int i = 0; i <= p; ++i) {
    double sum = 0.0;
    for (int m = 0; m < n - i; ++m) sum += static_cast<double>(x[m]) * x[m + i];
    res.r[i] = sum;
  }
  double e = res.r[0];
  if (e < 1e-10) e = 1.0;
  res.error = levinson(res.r.data(), p, e, res.a.data(), res.k.data());
  res.ar[p + 1] = 0.5;
  for (int m = p; m >= 1; --m) res.ar[m] = res.ar[m + 1] * (1.0 + res.k[m]) / (1.0 - res.k[m]);
  res.a[0] = 1.0;
  out = std::move(res);
  return true;
}

}  // namespace

bool lpcAutocorrelation(std::span<const double> x, int p, LpcAnalysis& out) { return autocorrelation(x, p, out); }
bool lpcAutocorrelation(std::span<const float> x, int p, LpcAnalysis& out) { return autocorrelation(x, p, out); }

bool lpcSelective(std::span<const double> x, int p, double f1, double f2, double fs, std::vector<double>& a,
                  double& error) {
  const int length = static_cast<int>(x.size());
  int nf = length < 256 ? 512 : 1024;
  while (nf < length && nf < kMaxFftSize) nf *= 2;
  const bool bandOk = fs > 0.0 && f1 >= 0.0 && f2 <= fs / 2.0 && f1 < f2;
  const int k1 = bandOk ? static_cast<int>(nf / fs * f1) : 0;
  const int k2 = bandOk ? static_cast<int>(nf / fs * f2) - 1 : 0;
  const int m = k2 - k1;
  if (p < 1 || p > kMaxLpcOrder || length < 1 || length > nf || !bandOk || m < 1) {
    debugMessage("lpcSelective() : bad order, frame or band (order " + std::to_string(p) + ", " +
                 std::to_string(length) + " samples, band " + std::to_string(f1) + " - " + std::to_string(f2) + " Hz)");
    return false;
  }
  std::vector<double> spectrum(static_cast<std::size_t>(nf), 0.0);
  std::copy(x.begin(), x.end(), spectrum.begin());
  fftRealForward(nf, spectrum.data());
  auto power = [&](int k) {
    const double re = spectrum[k];
    const double im = (k == 0 || k == nf / 2) ? 0.0 : spectrum[nf - k];
    return re * re + im * im;
  };
  std::vector<double> band(static_cast<std::size_t>(m) + 1);
  for (int i = 0; i <= m; ++i) band[i] = power(k1 + i);

  constexpr double kPi = 3.14159;
  std::vector<double> r(static_cast<std::size_t>(p) + 1);
  for (int i = 0; i <= p; ++i) {
    double sum = band[0] + ((i % 2 == 0) ? band[m] : -band[m]);
    for (int j = 1; j < m; ++j) sum += 2.0 * band[j] * std::cos(j * i * kPi / m);
    r[i] = sum / (2.0 * m);
  }
  std::vector<double> coeffs(static_cast<std::size_t>(p) + 1, 0.0), k(coeffs.size(), 0.0);
  double e = r[0];
  if (e != 0.0) {
    e = levinson(r.data(), p, e, coeffs.data(), k.data());
    for (int j = 1; j <= p; ++j) coeffs[j] = -coeffs[j];
  }
  coeffs[0] = 1.0;
  a = std::move(coeffs);
  error = e;
  return true;
}

}  // namespace ardv
