// Linear prediction: Levinson-Durbin on known AR processes and hand-worked
// frames, selective LPC, the LPC spectrum against analytic responses, and
// polynomial roots and LPC resonances on polynomials built from known roots.
#include "spectral/lpc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <tuple>

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

using Complex = std::complex<double>;

// Real coefficients (descending powers) of the monic polynomial with these roots.
std::vector<double> fromRoots(const std::vector<Complex>& roots) {
  std::vector<Complex> c{1.0};
  for (const Complex& r : roots) {
    c.push_back(0.0);
    for (std::size_t i = c.size() - 1; i > 0; --i) c[i] -= r * c[i - 1];
  }
  std::vector<double> real;
  for (const Complex& v : c) real.push_back(v.real());
  return real;
}

std::vector<Complex> conjugatePairs(const std::vector<std::pair<double, double>>& polar) {
  std::vector<Complex> roots;
  for (auto [radius, angle] : polar) {
    roots.push_back(std::polar(radius, angle));
    roots.push_back(std::polar(radius, -angle));
  }
  return roots;
}

// Predictor coefficients (a[0] = 1 unused) of the poles r·e^(±iθ).
std::vector<double> predictorOf(const std::vector<std::pair<double, double>>& poles) {
  std::vector<double> c = fromRoots(conjugatePairs(poles));  // A(z) in powers of z^-1
  for (std::size_t j = 1; j < c.size(); ++j) c[j] = -c[j];
  return c;
}

TEST(LpcAutocorrelation, RecoversArCoefficients) {
  const std::vector<double> a = predictorOf({{0.8, 0.5}, {0.7, 1.8}});
  const std::vector<double> x = arProcess(a, 1000000, 100.0, 7);
  LpcAnalysis lpc;
  ASSERT_TRUE(lpcAutocorrelation(x, 6, lpc));
  for (int j = 1; j <= 6; ++j) EXPECT_NEAR(lpc.a[j], j <= 4 ? a[j] : 0.0, 0.01) << j;
  EXPECT_NEAR(lpc.error / x.size(), 100.0 * 100.0, 200.0);  // residual power = innovation power
}

TEST(LpcAutocorrelation, HandWorkedFirstOrder) {
  // r = (1.25, 0.5): κ = 0.4, E = 1.25·0.84, k1 = −0.4, ar1 = 0.5·0.6/1.4.
  LpcAnalysis lpc;
  ASSERT_TRUE(lpcAutocorrelation(std::vector<double>{1.0, 0.5}, 1, lpc));
  for (const auto& [got, expected] : {std::pair{lpc.r[1], 0.5}, {lpc.a[0], 1.0}, {lpc.a[1], 0.4}, {lpc.k[1], -0.4},
                                      {lpc.error, 1.05}, {lpc.ar[2], 0.5}, {lpc.ar[1], 0.5 * 0.6 / 1.4}})
    EXPECT_NEAR(got, expected, 1e-15);
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
  EXPECT_TRUE(std::isfinite(lpc.error) && lpc.error >= 0.0) << lpc.error;
}

TEST(LpcAutocorrelation, BadOrderFailsReportedOnce) {
  ScopedRecorder rec;
  LpcAnalysis lpc;
  lpc.error = 5.0;
  EXPECT_FALSE(lpcAutocorrelation(std::vector<double>(100, 1.0), 61, lpc));
  EXPECT_FALSE(lpcAutocorrelation(std::vector<double>(10, 1.0), 10, lpc));
  EXPECT_EQ(std::tuple(rec->count(ReportKind::Bug), lpc.error), std::tuple(2u, 5.0));
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
  EXPECT_EQ(std::tuple(a, e), std::tuple(std::vector<double>{1.0, 0.0, 0.0, 0.0, 0.0}, 0.0));
  ScopedRecorder rec;
  const std::vector<double> x(300, 1.0);
  EXPECT_FALSE(lpcSelective(x, 4, 3000.0, 500.0, 8000.0, a, e));
  EXPECT_FALSE(lpcSelective(x, 4, 0.0, 5000.0, 8000.0, a, e));
  EXPECT_FALSE(lpcSelective(x, 4, 1000.0, 1010.0, 8000.0, a, e));  // under one bin
  EXPECT_EQ(std::tuple(rec->count(ReportKind::Bug), a.size()), std::tuple(3u, 5u));
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
  EXPECT_EQ(std::tuple(rec->count(ReportKind::Bug), column[5]), std::tuple(2u, -7.0f));
}

// Each expected root is matched to a distinct found root within tol.
void expectSameRoots(const std::vector<Complex>& expected, const std::vector<Complex>& found, double tol) {
  ASSERT_EQ(expected.size(), found.size());
  std::vector<bool> used(found.size(), false);
  for (const Complex& e : expected) {
    std::size_t best = found.size();
    for (std::size_t j = 0; j < found.size(); ++j)
      if (!used[j] && (best == found.size() || std::abs(found[j] - e) < std::abs(found[best] - e))) best = j;
    ASSERT_LT(best, found.size());
    used[best] = true;
    EXPECT_LT(std::abs(found[best] - e), tol) << "root " << e << " found as " << found[best];
  }
}

std::vector<Complex> randomPairs(int pairs, double rmin, double rmax, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> radius(rmin, rmax), angle(0.05, std::numbers::pi - 0.05);
  std::vector<std::pair<double, double>> polar;
  for (int i = 0; i < pairs; ++i) polar.emplace_back(radius(gen), angle(gen));
  return conjugatePairs(polar);
}

// Each polynomial built from its roots (or given) gives them back.
TEST(PolynomialRoots, KnownRootsAreFound) {
  std::vector<double> circle60(61, 0.0);  // z^60 - 0.5: sixty roots on the circle of radius 0.5^(1/60)
  circle60[0] = 1.0, circle60[60] = -0.5;
  std::vector<Complex> circle60Roots;
  for (int k = 0; k < 60; ++k) circle60Roots.push_back(std::polar(std::pow(0.5, 1.0 / 60), 2.0 * std::numbers::pi * k / 60));
  struct Row {
    const char* name;
    std::vector<Complex> roots;
    double tol;
    std::vector<double> coefficients = {};  // when not built from the roots
    bool refines = true;  // refineRoots finds them too (else it may refuse, never err)
  };
  const Row rows[] = {
      {"Real", {1.0, 2.0, 3.0}, 1e-12}, {"Linear", {-0.25}, 1e-15}, {"PairAndReal", {{0.5, 0.5}, {0.5, -0.5}, -0.3}, 1e-12},
      // Multiple roots are only determined to about eps^(1/multiplicity).
      {"Double", {0.5, 0.5, {0.2, 0.6}, {0.2, -0.6}}, 1e-6, {}, false},
      {"Triple", {-0.7, -0.7, -0.7, 0.4}, 1e-4, {}, false},
      {"NearUnitCircle", conjugatePairs({{0.999, 0.1}, {0.9995, 0.8}, {0.998, 1.6}, {0.9999, 2.9}}), 1e-9},
      {"Lpc18", randomPairs(9, 0.7, 0.999, 18), 1e-8}, {"Degree60", randomPairs(30, 0.85, 0.999, 60), 1e-6, {}, false},
      {"Degree60Clustered", randomPairs(30, 0.995, 0.9999, 61), 1e-5, {}, false},
      {"Degree60OnACircle", circle60Roots, 1e-10, circle60, false},
      // 0*z^4 + z^3 - 2z^2 + 0z + 0: degree 3.
      {"LeadingAndTrailingZeros", {2.0, 0.0, 0.0}, 1e-14, {0.0, 1.0, -2.0, 0.0, 0.0}, false}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const std::vector<double> c = r.coefficients.empty() ? fromRoots(r.roots) : r.coefficients;
    std::vector<Complex> found;
    ASSERT_TRUE(polynomialRoots(c, found));
    expectSameRoots(r.roots, found, r.tol);
    // The refinement from a circle round the roots, and from the roots
    // moved as between two frames, gives the same roots or refuses.
    std::vector<Complex> refined, moved;
    if (refineRoots(c, circleStart(c), 200, refined) || r.refines) expectSameRoots(r.roots, refined, r.tol);
    for (const Complex& z : r.roots)
      moved.push_back(z.imag() == 0.0 ? 1.01 * z : z * std::polar(1.01, std::copysign(0.02, z.imag())));
    refined.clear();
    if (refineRoots(c, moved, 20, refined) || r.refines) expectSameRoots(r.roots, refined, r.tol);
  }
  // Two real roots where the polynomial has a pair, and the other way round.
  const std::vector<Complex> pair{{0.6, 0.05}, {0.6, -0.05}, -0.4}, reals{0.55, 0.65, -0.4};
  for (const auto& [roots, start] : {std::pair{pair, reals}, std::pair{reals, pair}}) {
    std::vector<Complex> refined;
    ASSERT_TRUE(refineRoots(fromRoots(roots), start, 20, refined));
    expectSameRoots(roots, refined, 1e-12);
  }
  // A start of the wrong size or not closed under conjugation is refused,
  // the output unchanged.
  std::vector<Complex> kept{7.0};
  EXPECT_FALSE(refineRoots(fromRoots(pair), std::vector<Complex>{0.5, {0.6, 0.1}}, 20, kept));
  EXPECT_FALSE(refineRoots(fromRoots(pair), std::vector<Complex>{0.5, {0.6, 0.1}, {0.6, 0.1}}, 20, kept));
  EXPECT_EQ(kept, std::vector<Complex>{7.0});
}

TEST(PolynomialRoots, BadPolynomialsFailReportedOnceUnchanged) {
  for (const std::vector<double>& c : {std::vector<double>{1.0, NAN, 2.0}, std::vector<double>{0.0, 0.0},
                                       std::vector<double>{}, std::vector<double>(300, 1.0),
                                       std::vector<double>{1e-300, 1e300, 1.0}}) {
    ScopedRecorder rec;
    std::vector<Complex> found{7.0};
    EXPECT_FALSE(polynomialRoots(c, found));
    EXPECT_EQ(rec->count(ReportKind::Bug), 1u);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], Complex(7.0));
  }
}

TEST(Fband, ResonancesOfKnownPolesAndBadArguments) {
  // Poles at 500 Hz / 60 Hz, 1500 Hz / 90 Hz, 2500 Hz / 800 Hz, 4200 Hz / 100 Hz
  // and a real pole, at fs = 10 kHz; the 800 Hz bandwidth and the pole above
  // the band are rejected.
  const double fs = 10000.0;
  auto pole = [fs](double f, double b) {
    return std::make_pair(std::exp(-std::numbers::pi * b / fs), 2.0 * std::numbers::pi * f / fs);
  };
  std::vector<Complex> roots = conjugatePairs({pole(1500, 90), pole(500, 60), pole(2500, 800), pole(4200, 100)});
  roots.push_back(0.6);
  const std::vector<double> poly = fromRoots(roots);
  const std::pair<double, double> all[] = {{500, 60}, {1500, 90}, {2500, 800}, {4200, 100}};
  for (const auto& [maxBandwidth, maxHz, found] : {std::tuple{700.0, 4000.0, 2}, {1000.0, fs / 2, 4}}) {
    std::vector<Resonance> res;
    ASSERT_EQ(fband(9, poly, fs, maxBandwidth, 0.0, maxHz, res), found);
    for (int i = 0; i < found; ++i) {
      EXPECT_NEAR(res[i].frequencyHz, all[i].first, 1e-6) << i;
      EXPECT_NEAR(res[i].bandwidthHz, all[i].second, 1e-6) << i;
    }
  }
  ScopedRecorder rec;  // an order past 60, a polynomial shorter than its order
  std::vector<Resonance> res(1);
  EXPECT_EQ(fband(61, std::vector<double>(62, 0.1), 16000.0, 700.0, 0.0, 8000.0, res), -1);
  EXPECT_EQ(fband(4, std::vector<double>{1.0, 0.5}, 16000.0, 700.0, 0.0, 8000.0, res), -1);
  EXPECT_EQ(std::tuple(rec->count(ReportKind::Bug), res.size()), std::tuple(2u, 1u));
}

}  // namespace
}  // namespace ardv
