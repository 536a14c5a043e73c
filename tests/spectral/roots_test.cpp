// Polynomial roots and LPC resonances on polynomials built from known roots.
#include "spectral/roots.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "platform/headless/recording_reporter.h"

namespace ardv {
namespace {

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

std::vector<Complex> conjugatePairs(const std::vector<std::pair<double, double>>& polar) {
  std::vector<Complex> roots;
  for (auto [radius, angle] : polar) {
    roots.push_back(std::polar(radius, angle));
    roots.push_back(std::polar(radius, -angle));
  }
  return roots;
}

struct RootCase {
  const char* name;
  std::vector<Complex> roots;
  double tol;
  std::vector<double> coefficients = {};  // when not built from the roots
};

class KnownRoots : public ::testing::TestWithParam<RootCase> {};

TEST_P(KnownRoots, AreFound) {
  const RootCase& rc = GetParam();
  std::vector<Complex> found;
  ASSERT_TRUE(polynomialRoots(rc.coefficients.empty() ? fromRoots(rc.roots) : rc.coefficients, found));
  expectSameRoots(rc.roots, found, rc.tol);
}

// z^60 - 0.5: sixty roots equally spaced on the circle of radius 0.5^(1/60).
std::vector<double> circle60() {
  std::vector<double> c(61, 0.0);
  c[0] = 1.0, c[60] = -0.5;
  return c;
}
std::vector<Complex> circle60Roots() {
  std::vector<Complex> roots;
  for (int k = 0; k < 60; ++k) roots.push_back(std::polar(std::pow(0.5, 1.0 / 60), 2.0 * std::numbers::pi * k / 60));
  return roots;
}

std::vector<Complex> randomPairs(int pairs, double rmin, double rmax, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> radius(rmin, rmax), angle(0.05, std::numbers::pi - 0.05);
  std::vector<std::pair<double, double>> polar;
  for (int i = 0; i < pairs; ++i) polar.emplace_back(radius(gen), angle(gen));
  return conjugatePairs(polar);
}

INSTANTIATE_TEST_SUITE_P(
    Roots, KnownRoots,
    ::testing::Values(
        RootCase{"Real", {1.0, 2.0, 3.0}, 1e-12}, RootCase{"Linear", {-0.25}, 1e-15},
        RootCase{"PairAndReal", {{0.5, 0.5}, {0.5, -0.5}, -0.3}, 1e-12},
        // Multiple roots are only determined to about eps^(1/multiplicity).
        RootCase{"Double", {0.5, 0.5, {0.2, 0.6}, {0.2, -0.6}}, 1e-6},
        RootCase{"Triple", {-0.7, -0.7, -0.7, 0.4}, 1e-4},
        RootCase{"NearUnitCircle", conjugatePairs({{0.999, 0.1}, {0.9995, 0.8}, {0.998, 1.6}, {0.9999, 2.9}}), 1e-9},
        RootCase{"Lpc18", randomPairs(9, 0.7, 0.999, 18), 1e-8},
        RootCase{"Degree60", randomPairs(30, 0.85, 0.999, 60), 1e-6},
        RootCase{"Degree60Clustered", randomPairs(30, 0.995, 0.9999, 61), 1e-5},
        RootCase{"Degree60OnACircle", circle60Roots(), 1e-10, circle60()},
        // 0*z^4 + z^3 - 2z^2 + 0z + 0: degree 3.
        RootCase{"LeadingAndTrailingZeros", {2.0, 0.0, 0.0}, 1e-14, {0.0, 1.0, -2.0, 0.0, 0.0}}),
    [](const auto& param) { return std::string(param.param.name); });

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

TEST(Fband, ResonancesOfKnownPoles) {
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
  std::vector<Resonance> res;
  ASSERT_EQ(fband(9, poly, fs, 700.0, 0.0, 4000.0, res), 2);
  EXPECT_NEAR(res[0].frequencyHz, 500.0, 1e-6);
  EXPECT_NEAR(res[0].bandwidthHz, 60.0, 1e-6);
  EXPECT_NEAR(res[1].frequencyHz, 1500.0, 1e-6);
  EXPECT_NEAR(res[1].bandwidthHz, 90.0, 1e-6);
  ASSERT_EQ(fband(9, poly, fs, 1000.0, 0.0, fs / 2, res), 4);
  EXPECT_NEAR(res[2].frequencyHz, 2500.0, 1e-6);
  EXPECT_NEAR(res[3].bandwidthHz, 100.0, 1e-6);
}

TEST(Fband, BadArgumentsFail) {
  ScopedRecorder rec;
  std::vector<Resonance> res(1);
  EXPECT_EQ(fband(61, std::vector<double>(62, 0.1), 16000.0, 700.0, 0.0, 8000.0, res), -1);
  EXPECT_EQ(fband(4, std::vector<double>{1.0, 0.5}, 16000.0, 700.0, 0.0, 8000.0, res), -1);
  EXPECT_EQ(rec->count(ReportKind::Bug), 2u);
  EXPECT_EQ(res.size(), 1u);
}

}  // namespace
}  // namespace ardv
