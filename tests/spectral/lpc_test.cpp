// Linear prediction: Levinson-Durbin on known AR processes and hand-worked
// frames, selective LPC, and the LPC spectrum against analytic responses.
#include "spectral/lpc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <random>

#include "platform/headless/recording_reporter.h"
#include "spectral/lpc_spectrum.h"
#include "spectral/roots.h"

namespace ardv {
namespace {

constexpr double kPi = std::numbers::pi;

// x[n] = Σ a[j]·x[n−j] + e[n], e Gaussian of deviation sigma, seeded.
std::vector<double> arProcess(const std::vector<double>& a, int n, double sigma, unsigned seed) {
  std::mt19937 gen(seed);
  std::normal_distribution<double> noise(0.0, sigma);
  std::vector<double> x(n + 500, 0.0);
  for (std::size_t i = 0; i < x.size(); ++i) {
    double v = noise(gen);
    for (std::size_t j = 1; j < a.size(); ++j)
      if (i >= j) v += a[j] * x[i - j];
    x[i] = v;
  }
  return std::vector<double>(x.end() - n, x.end());  // past the start-up transient
}

// Predictor coefficients (a[0] = 1 unused) of the poles r·e^(±iθ).
std::vector<double> predictorOf(const std::vector<std::pair<double, double>>& poles) {
  std::vector<double> c{1.0};  // A(z) in powers of z^-1
  for (auto [r, theta] : poles) {
    const std::vector<double> quad{1.0, -2.0 * r * std::cos(theta), r * r};
    std::vector<double> next(c.size() + 2, 0.0);
    for (std::size_t i = 0; i < c.size(); ++i)
      for (std::size_t j = 0; j < 3; ++j) next[i + j] += c[i] * quad[j];
    c = next;
  }
  for (std::size_t j = 1; j < c.size(); ++j) c[j] = -c[j];
  return c;
}

TEST(LpcAutocorrelation, RecoversArCoefficients) {
  const std::vector<double> a = predictorOf({{0.8, 0.5}, {0.7, 1.8}});
  const std::vector<double> x = arProcess(a, 1000000, 100.0, 7);
  LpcAnalysis lpc;
  ASSERT_TRUE(lpcAutocorrelation(x, 6, lpc));
  for (int j = 1; j <= 4; ++j) EXPECT_NEAR(lpc.a[j], a[j], 0.01) << j;
  EXPECT_NEAR(lpc.a[5], 0.0, 0.01);
  EXPECT_NEAR(lpc.a[6], 0.0, 0.01);
  EXPECT_NEAR(lpc.error / x.size(), 100.0 * 100.0, 200.0);  // residual power = innovation power
}

TEST(LpcAutocorrelation, HandWorkedFirstOrder) {
  // r = (1.25, 0.5): κ = 0.4, E = 1.25·0.84, k1 = −0.4, ar1 = 0.5·0.6/1.4.
  LpcAnalysis lpc;
  ASSERT_TRUE(lpcAutocorrelation(std::vector<double>{1.0, 0.5}, 1, lpc));
  EXPECT_DOUBLE_EQ(lpc.r[1], 0.5);
  EXPECT_DOUBLE_EQ(lpc.a[0], 1.0);
  EXPECT_DOUBLE_EQ(lpc.a[1], 0.4);
  EXPECT_DOUBLE_EQ(lpc.k[1], -0.4);
  EXPECT_DOUBLE_EQ(lpc.error, 1.05);
  EXPECT_DOUBLE_EQ(lpc.ar[2], 0.5);
  EXPECT_NEAR(lpc.ar[1], 0.5 * 0.6 / 1.4, 1e-15);
}

TEST(LpcAutocorrelation, SilentAndPredictableFrames) {
  LpcAnalysis lpc;
  ASSERT_TRUE(lpcAutocorrelation(std::vector<float>(256, 0.0f), 18, lpc));
  EXPECT_EQ(lpc.error, 1.0);
  for (int j = 1; j <= 18; ++j) EXPECT_EQ(lpc.a[j], 0.0);
  // A pure cosine is predicted exactly at order 2; higher orders stay finite.
  std::vector<double> x(256);
  for (int n = 0; n < 256; ++n) x[n] = std::cos(0.3 * n);
  ASSERT_TRUE(lpcAutocorrelation(x, 40, lpc));
  for (double v : lpc.a) EXPECT_TRUE(std::isfinite(v));
  EXPECT_TRUE(std::isfinite(lpc.error));
  EXPECT_GE(lpc.error, 0.0);
}

TEST(LpcAutocorrelation, BadOrderFailsReportedOnce) {
  ScopedRecorder rec;
  LpcAnalysis lpc;
  lpc.error = 5.0;
  EXPECT_FALSE(lpcAutocorrelation(std::vector<double>(100, 1.0), 61, lpc));
  EXPECT_FALSE(lpcAutocorrelation(std::vector<double>(10, 1.0), 10, lpc));
  EXPECT_EQ(rec->count(ReportKind::Bug), 2u);
  EXPECT_EQ(lpc.error, 5.0);
}

TEST(LpcSelective, ToneInBandMapsToBandRelativeAngle) {
  // 1000 Hz in the band 0..2000 Hz at 8 kHz, 512 samples (Nf = 1024): bin 128
  // of M = 255, so the order-2 root sits near angle 128π/255.
  std::vector<double> x(512);
  for (int n = 0; n < 512; ++n)
    x[n] = 1000.0 * std::cos(2.0 * kPi * 1000.0 / 8000.0 * n) * (0.54 - 0.46 * std::cos(2.0 * kPi * n / 512));
  std::vector<double> a;
  double e = 0.0;
  ASSERT_TRUE(lpcSelective(x, 2, 0.0, 2000.0, 8000.0, a, e));
  ASSERT_EQ(a.size(), 3u);
  EXPECT_EQ(a[0], 1.0);
  std::vector<std::complex<double>> roots;
  ASSERT_TRUE(polynomialRoots(a, roots));
  EXPECT_NEAR(std::fabs(std::arg(roots[0])), 128.0 * kPi / 255.0, 0.02);
  EXPECT_GT(std::abs(roots[0]), 0.9);
  EXPECT_GT(e, 0.0);
}

TEST(LpcSelective, SilenceAndBadBands) {
  std::vector<double> a;
  double e = -1.0;
  ASSERT_TRUE(lpcSelective(std::vector<double>(300, 0.0), 4, 500.0, 3000.0, 8000.0, a, e));
  EXPECT_EQ(a, (std::vector<double>{1.0, 0.0, 0.0, 0.0, 0.0}));
  EXPECT_EQ(e, 0.0);
  ScopedRecorder rec;
  const std::vector<double> x(300, 1.0);
  EXPECT_FALSE(lpcSelective(x, 4, 3000.0, 500.0, 8000.0, a, e));
  EXPECT_FALSE(lpcSelective(x, 4, 0.0, 5000.0, 8000.0, a, e));
  EXPECT_FALSE(lpcSelective(x, 4, 1000.0, 1010.0, 8000.0, a, e));  // under one bin
  EXPECT_EQ(rec->count(ReportKind::Bug), 3u);
  EXPECT_EQ(a.size(), 5u);
}

std::vector<std::int16_t> toSamples(const std::vector<double>& x) {
  std::vector<std::int16_t> s;
  for (double v : x) s.push_back(static_cast<std::int16_t>(std::lround(std::clamp(v, -32768.0, 32767.0))));
  return s;
}

TEST(LpcSpectrum, FollowsTheAllPoleResponse) {
  const double fs = 8000.0;
  const std::vector<double> a = predictorOf({{0.95, 2.0 * kPi * 700 / fs}, {0.9, 2.0 * kPi * 2200 / fs}});
  const std::vector<std::int16_t> s = toSamples(arProcess(a, 4200, 300.0, 11));
  LpcSpectrumSettings set{4096, 4096, 4, false, 1.0, fs};
  std::vector<float> column(2048);
  std::vector<LpcRoot> roots;
  ASSERT_TRUE(lpcSpectrum(s, 10, set, column, &roots));
  auto response = [&](int k) {  // 10·log10 1/|A|² at bin k
    std::complex<double> sum = 1.0;
    for (int j = 1; j <= 4; ++j) sum -= a[j] * std::polar(1.0, -2.0 * kPi * j * k / 4096);
    return -10.0 * std::log10(std::norm(sum));
  };
  const int ref = 100;
  for (int k = 0; k < 2048; k += 37) EXPECT_NEAR(column[k] - column[ref], response(k) - response(ref), 1.5) << k;
  ASSERT_EQ(roots.size(), 2u);
  EXPECT_NEAR(roots[0].frequencyHz, 700.0, 20.0);
  EXPECT_NEAR(roots[0].bandwidthHz, -std::log(0.95) * fs / kPi, 30.0);
  EXPECT_NEAR(roots[1].frequencyHz, 2200.0, 40.0);
  EXPECT_EQ(roots[0].bin, static_cast<int>(std::lround(roots[0].frequencyHz * 4096 / fs)));
  EXPECT_EQ(roots[0].level, column[roots[0].bin]);
}

TEST(LpcSpectrum, SilenceAndBadFrames) {
  const std::vector<std::int16_t> s(300, 0);
  std::vector<float> column(128, -7.0f);
  ASSERT_TRUE(lpcSpectrum(s, 0, LpcSpectrumSettings{256, 256, 18, true, 1.0, 16000.0}, column, nullptr));
  for (float v : column) EXPECT_NEAR(v, 0.0f, 1e-6);  // E = 1 and A = 1: 0 dB
  ScopedRecorder rec;
  std::fill(column.begin(), column.end(), -7.0f);
  EXPECT_FALSE(lpcSpectrum(s, 44, LpcSpectrumSettings{256, 256, 18, true, 1.0, 16000.0}, column, nullptr));
  EXPECT_FALSE(lpcSpectrum(s, 0, LpcSpectrumSettings{256, 300, 18, true, 1.0, 16000.0}, column, nullptr));
  EXPECT_EQ(rec->count(ReportKind::Bug), 2u);
  EXPECT_EQ(column[5], -7.0f);
}

}  // namespace
}  // namespace ardv
