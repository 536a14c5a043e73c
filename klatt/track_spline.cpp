// The penalised cubic B-spline fit behind the Smooth command: uniform knots,
// normal equations plus tau times the squared third differences of the
// coefficients (a P-spline, Eilers and Marx 1996), banded Cholesky solve.
#include <array>
#include <cmath>
#include <vector>

#include "klatt/track_ops.h"

namespace ardv {
namespace {

constexpr double kTau = 1e-5;
constexpr double kMsPerInterval = 80.0;
constexpr std::int64_t kMaxIntervals = 1'000'000;
constexpr int kBand = 3;  // half bandwidth of the normal matrix

// The four cubic B-spline values at u in [0, 1] of one interval.
std::array<double, 4> basis(double u) {
  const double v = 1.0 - u;
  return {v * v * v / 6.0, (3 * u * u * u - 6 * u * u + 4) / 6.0, (-3 * u * u * u + 3 * u * u + 3 * u + 1) / 6.0,
          u * u * u / 6.0};
}

}  // namespace

bool penalisedSplineFit(const std::vector<double>& x, std::vector<double>& y) {
  const std::size_t n = x.size();
  if (n < 2 || y.size() != n) return false;
  const double a = x.front(), b = x.back();
  if (!(b > a) || !std::isfinite(a) || !std::isfinite(b)) return false;
  const std::int64_t m = std::max<std::int64_t>(1, static_cast<std::int64_t>((b - a) / kMsPerInterval));
  if (m > kMaxIntervals) return false;
  const double h = (b - a) / static_cast<double>(m);
  const std::size_t nc = static_cast<std::size_t>(m) + 3;
  // band[i][d] holds A(i, i + d); later the Cholesky factor L(i + d, i).
  std::vector<std::array<double, kBand + 1>> band(nc, {0, 0, 0, 0});
  std::vector<double> rhs(nc, 0.0);
  auto locate = [&](double xi, std::size_t& i, double& u) {
    const double s = (xi - a) / h;
    i = static_cast<std::size_t>(std::min<double>(std::floor(s), static_cast<double>(m - 1)));
    u = s - static_cast<double>(i);
  };
  for (std::size_t k = 0; k < n; ++k) {
    if (!(x[k] >= a && x[k] <= b) || !std::isfinite(y[k])) return false;
    std::size_t i;
    double u;
    locate(x[k], i, u);
    const auto w = basis(u);
    for (int p = 0; p < 4; ++p) {
      rhs[i + p] += w[p] * y[k];
      for (int q = p; q < 4; ++q) band[i + p][q - p] += w[p] * w[q];
    }
  }
  const double d3[4] = {1, -3, 3, -1};
  for (std::size_t r = 0; r + 3 < nc; ++r)
    for (int p = 0; p < 4; ++p)
      for (int q = p; q < 4; ++q) band[r + p][q - p] += kTau * d3[p] * d3[q];
  // In-place banded Cholesky: A = L L^T, L(j + d, j) stored in band[j][d].
  for (std::size_t j = 0; j < nc; ++j) {
    double diag = band[j][0];
    for (std::size_t k = j >= kBand ? j - kBand : 0; k < j; ++k) diag -= band[k][j - k] * band[k][j - k];
    if (!(diag > 0) || !std::isfinite(diag)) return false;
    const double ljj = std::sqrt(diag);
    band[j][0] = ljj;
    for (std::size_t i = j + 1; i <= j + kBand && i < nc; ++i) {
      double s = band[j][i - j];
      for (std::size_t k = i >= kBand ? i - kBand : 0; k < j; ++k) s -= band[k][i - k] * band[k][j - k];
      band[j][i - j] = s / ljj;
    }
  }
  std::vector<double> c(rhs);
  for (std::size_t i = 0; i < nc; ++i) {
    for (std::size_t k = i >= kBand ? i - kBand : 0; k < i; ++k) c[i] -= band[k][i - k] * c[k];
    c[i] /= band[i][0];
  }
  for (std::size_t i = nc; i-- > 0;) {
    for (std::size_t k = i + 1; k <= i + kBand && k < nc; ++k) c[i] -= band[i][k - i] * c[k];
    c[i] /= band[i][0];
  }
  for (std::size_t k = 0; k < n; ++k) {
    const double xk = k + 1 == n ? b : a + (b - a) * static_cast<double>(k) / static_cast<double>(n - 1);
    std::size_t i;
    double u;
    locate(xk, i, u);
    const auto w = basis(u);
    y[k] = w[0] * c[i] + w[1] * c[i + 1] + w[2] * c[i + 2] + w[3] * c[i + 3];
  }
  return true;
}

}  // namespace ardv
