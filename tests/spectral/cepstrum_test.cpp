// Lifter, cepstral smoothing and the true envelope, checked against a plain
// DFT kept in this test.
#include "spectral/cepstrum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <random>

#include "platform/headless/recording_reporter.h"
#include "spectral/true_envelope.h"

namespace ardv {
namespace {

constexpr double kPi = std::numbers::pi;

double hamming(int j, int l) { return 0.54 - 0.46 * std::cos(2.0 * kPi * j / l); }

// 10·log10 |X(k)|², k = 0..nc−1, of the Hamming-windowed frame x[s..s+l−1]
// (no pre-emphasis), by a direct DFT.
std::vector<double> logSpectrum(const std::vector<std::int16_t>& x, int s, int l, int nc) {
  std::vector<double> out(nc);
  for (int k = 0; k < nc; ++k) {
    std::complex<double> sum = 0.0;
    for (int j = 0; j < l; ++j) sum += x[s + j] * hamming(j, l) * std::polar(1.0, -2.0 * kPi * j * k / nc);
    out[k] = 10.0 * std::log10(std::norm(sum));
  }
  return out;
}

std::vector<std::int16_t> noise(int n, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_int_distribution<int> d(-3000, 3000);
  std::vector<std::int16_t> x(n);
  for (auto& v : x) v = static_cast<std::int16_t>(d(gen));
  return x;
}

// (30, 10): the upper bound is raised to the lower, a plain cut.
TEST(Lifter, Values) {
  const struct {
    int l1, l2, m;
    double w;
  } rows[] = {{20, 40, 0, 1.0},  {20, 40, 19, 1.0}, {20, 40, 20, 0.5 * (1.0 + std::cos(kPi / 20))},
              {20, 40, 29, 0.5}, {20, 40, 39, 0.0}, {20, 40, 40, 0.0}, {20, 40, 63, 0.0}, {30, 10, 29, 1.0},
              {30, 10, 30, 0.0}, {-5, 2, 0, 0.5},   {-5, 2, 2, 0.0}};
  for (const auto& r : rows) {
    std::vector<float> w(64, -1.0f);
    liftre(r.l1, r.l2, w);
    EXPECT_NEAR(w[static_cast<std::size_t>(r.m)], r.w, 1e-7) << r.l1 << " " << r.l2 << " at " << r.m;
  }
}

CepstrumSettings plain(int l, int nc, int n, int l1, int l2) {
  return CepstrumSettings{l, nc, n, l1, l2, false, false};
}

TEST(Cepstre, FlatSpectrumStaysFlat) {
  // An impulse has a flat spectrum: every lifter gives its level.
  std::vector<std::int16_t> x(600, 0);
  x[100 + 128] = 1000;
  std::vector<float> column(256);
  ASSERT_TRUE(cepstre(column, x, 100, 1, 0, 1, plain(256, 512, 512, 20, 40)));
  const double level = 20.0 * std::log10(1000.0 * hamming(128, 256));
  for (float v : column) EXPECT_NEAR(v, level, 1e-3);
}

// The cepstrum and the smoothed spectrum against the definition, with a
// lifter and with none (every level is then the mean log level).
TEST(Cepstre, CepstrumAndSmoothingMatchTheDefinition) {
  const struct {
    unsigned seed;
    int first, l, nc, n, l1, l2;
  } rows[] = {{5, 0, 256, 256, 512, 10, 20}, {3, 7, 200, 256, 256, 0, 0}};
  for (const auto& r : rows) {
    const std::vector<std::int16_t> x = noise(600, r.seed);
    const std::vector<double> ref = logSpectrum(x, r.first, r.l, r.nc);
    std::vector<double> c(r.nc, 0.0);
    for (int m = 0; m < r.nc; ++m)
      for (int k = 0; k < r.nc; ++k) c[m] += ref[k] * std::cos(2.0 * kPi * m * k / r.nc) / r.nc;
    CepstrumSettings set = plain(r.l, r.nc, r.n, r.l1, r.l2);
    set.cepstrumOnly = true;
    std::vector<float> column(r.n / 2);
    ASSERT_TRUE(cepstre(column, x, r.first, 1, 0, 1, set));
    for (int m = 0; m < r.n / 2; ++m) ASSERT_NEAR(column[m], c[m], 1e-4) << m;
    set.cepstrumOnly = false;
    ASSERT_TRUE(cepstre(column, x, r.first, 1, 0, 1, set));
    std::vector<float> w(r.n);
    liftre(r.l1, r.l2, w);
    for (int k = 0; k < r.n / 2; ++k) {
      double v = c[0];
      for (int m = 1; m < std::min(r.n, r.nc); ++m) v += 2.0 * c[m] * w[m] * std::cos(2.0 * kPi * m * k / r.n);
      EXPECT_NEAR(column[k], v, 1e-3) << k << " lifter " << r.l2;
    }
  }
}

TEST(Cepstre, SeriesEqualsFramesOneByOne) {
  const std::vector<std::int16_t> x = noise(2000, 9);
  CepstrumSettings set{300, 512, 256, 12, 24, true, false};
  std::vector<float> series(3 * 128), single(128);
  ASSERT_TRUE(cepstre(series, x, 1200, 3, 250, -1, set));
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(cepstre(single, x, 1200 - 250 * i, 1, 0, 1, set));
    for (int k = 0; k < 128; ++k) ASSERT_EQ(series[i * 128 + k], single[k]) << i << " " << k;
  }
}

TEST(Cepstre, BadSizesAndFramesFailUnchanged) {
  const std::vector<std::int16_t> x = noise(600, 1);
  std::vector<float> column(256, -3.0f);
  ScopedRecorder rec;
  EXPECT_FALSE(cepstre(column, x, 0, 1, 0, 1, plain(256, 300, 512, 10, 20)));
  EXPECT_TRUE(rec->saw("cepstre() : taille fenetre fft non prévue"));
  EXPECT_FALSE(cepstre(column, x, 0, 1, 0, 1, plain(256, 512, 4096, 10, 20)));
  EXPECT_FALSE(cepstre(column, x, 400, 1, 0, 1, plain(256, 512, 512, 10, 20)));  // runs past the end
  EXPECT_FALSE(cepstre(column, x, 0, 3, 200, -1, plain(256, 512, 512, 10, 20)));  // before the start
  EXPECT_FALSE(cepstre(column, x, 0, 1, 0, 1, plain(600, 512, 512, 10, 20)));    // longer than Nc
  EXPECT_EQ(rec->count(ReportKind::Bug), 5u);
  EXPECT_EQ(column[0], -3.0f);
}

TEST(TrueEnvelope, NoIterationIsTheCepstralSmoothing) {
  const std::vector<std::int16_t> x = noise(800, 4);
  std::vector<float> te(256), cep(256);
  // Lifters below and above half the transform (two ways of smoothing).
  for (auto [l1, l2] : {std::pair{15, 30}, std::pair{200, 300}}) {
    ASSERT_TRUE(trueEnvelope(te, x, 10, TrueEnvelopeSettings{400, 512, l1, l2, 0.0, 0, true}));
    ASSERT_TRUE(cepstre(cep, x, 10, 1, 0, 1, CepstrumSettings{400, 512, 512, l1, l2, true, false}));
    for (int k = 0; k < 256; ++k) ASSERT_NEAR(te[k], cep[k], 1e-3) << k << " lifter " << l2;
  }
}

TEST(TrueEnvelope, ClimbsOntoTheHarmonics) {
  // Pulse train at 200 Hz (fs 16 kHz) through a resonance: harmonics every
  // 12.8 bins of a 1024-point spectrum.
  std::vector<double> y(3000, 0.0);
  for (int n = 0; n < 3000; ++n) {
    const double pulse = n % 80 == 0 ? 3000.0 : 0.0;
    y[n] = pulse + (n > 0 ? 1.6 * std::cos(2.0 * kPi * 700 / 16000) * y[n - 1] : 0.0) -
           (n > 1 ? 0.64 * y[n - 2] : 0.0);
  }
  std::vector<std::int16_t> x;
  for (double v : y) x.push_back(static_cast<std::int16_t>(std::lround(std::clamp(v, -32000.0, 32000.0))));
  const std::vector<double> a = logSpectrum(x, 1000, 1024, 1024);
  auto excess = [&](int iterations) {  // how far the harmonic peaks stick out above the envelope
    std::vector<float> v(512);
    EXPECT_TRUE(trueEnvelope(v, x, 1000, TrueEnvelopeSettings{1024, 1024, 30, 40, 0.0, iterations, false}));
    double worst = -1e9;
    for (int h = 1; h <= 30; ++h) {
      const int k = static_cast<int>(std::lround(12.8 * h));
      double peak = -1e9;
      for (int j = k - 2; j <= k + 2; ++j) peak = std::max(peak, a[j] - v[j]);
      worst = std::max(worst, peak);
    }
    return worst;
  };
  const double e0 = excess(0), e2 = excess(2), e6 = excess(6), e30 = excess(30);
  EXPECT_GT(e0, 3.0);
  EXPECT_LT(e2, e0);
  EXPECT_LT(e6, e2);
  EXPECT_LT(e30, e6);
  EXPECT_LT(e30, 2.0);
  EXPECT_LT(excess(100), 0.05);  // converged onto every harmonic
}

TEST(TrueEnvelope, BadSettingsFail) {
  const std::vector<std::int16_t> x = noise(600, 2);
  std::vector<float> column(256, -3.0f);
  ScopedRecorder rec;
  EXPECT_FALSE(trueEnvelope(column, x, 0, TrueEnvelopeSettings{256, 500, 10, 20, 0.0, 6, true}));
  EXPECT_FALSE(trueEnvelope(column, x, 500, TrueEnvelopeSettings{256, 512, 10, 20, 0.0, 6, true}));
  EXPECT_EQ(rec->count(ReportKind::Bug), 2u);
  EXPECT_EQ(column[0], -3.0f);
}

}  // namespace
}  // namespace ardv
