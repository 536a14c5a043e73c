// Polynomial roots by the balanced companion matrix and the Francis double-shift
// QR iteration; resonances of LPC polynomial roots.
#include "spectral/roots.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <string>

#include "platform/report.h"

namespace ardv {
namespace {

using Complex = std::complex<double>;

// Row-major n × n matrix.
class Matrix {
 public:
  explicit Matrix(int n) : n_(n), v_(static_cast<std::size_t>(n) * n, 0.0) {}
  double& operator()(int i, int j) { return v_[static_cast<std::size_t>(i) * n_ + j]; }
  int size() const { return n_; }

 private:
  int n_;
  std::vector<double> v_;
};

// Diagonal similarity by powers of two so that each row and its column have
// comparable norms (Parlett and Reinsch); keeps the Hessenberg form.
void balance(Matrix& a) {
  const int n = a.size();
  constexpr double kRadix = 2.0;
  constexpr double kRadix2 = kRadix * kRadix;
  bool changed = true;
  while (changed) {
    changed = false;
    for (int i = 0; i < n; ++i) {
      double col = 0.0;
      double row = 0.0;
      for (int j = 0; j < n; ++j) {
        if (j == i) continue;
        col += std::fabs(a(j, i));
        row += std::fabs(a(i, j));
      }
      if (col == 0.0 || row == 0.0) continue;
      const double total = col + row;
      double f = 1.0;
      double g = row / kRadix;
      while (col < g) {
        f *= kRadix;
        col *= kRadix2;
      }
      g = row * kRadix;
      while (col > g) {
        f /= kRadix;
        col /= kRadix2;
      }
      if ((col + row) / f < 0.95 * total) {
        changed = true;
        for (int j = 0; j < n; ++j) a(i, j) /= f;
        for (int j = 0; j < n; ++j) a(j, i) *= f;
      }
    }
  }
}

// Eigenvalues of an upper Hessenberg matrix (destroyed) by the Francis
// double-shift QR iteration with deflation on negligible subdiagonals.
bool hessenbergEigenvalues(Matrix& a, std::vector<Complex>& eig) {
  const int n = a.size();
  double norm = 0.0;
  for (int i = 0; i < n; ++i)
    for (int j = std::max(i - 1, 0); j < n; ++j) norm += std::fabs(a(i, j));

  constexpr int kMaxIterations = 60;
  int hi = n - 1;
  int iterations = 0;
  double shiftSum = 0.0;  // accumulated exceptional shifts
  while (hi >= 0) {
    // Lowest row lo of the unreduced block ending at hi.
    int lo = hi;
    for (; lo >= 1; --lo) {
      double s = std::fabs(a(lo - 1, lo - 1)) + std::fabs(a(lo, lo));
      if (s == 0.0) s = norm;
      if (std::fabs(a(lo, lo - 1)) + s == s) {
        a(lo, lo - 1) = 0.0;
        break;
      }
    }
    double x = a(hi, hi);
    if (lo == hi) {
      eig.emplace_back(x + shiftSum, 0.0);
      --hi;
      iterations = 0;
      continue;
    }
    double y = a(hi - 1, hi - 1);
    double w = a(hi, hi - 1) * a(hi - 1, hi);
    if (lo == hi - 1) {
      // Trailing 2 × 2 block: its two eigenvalues directly.
      const double p = 0.5 * (y - x);
      const double q = p * p + w;
      const double z = std::sqrt(std::fabs(q));
      x += shiftSum;
      if (q >= 0.0) {
        const double zz = p + std::copysign(z, p);
        const double r1 = x + zz;
        const double r2 = zz != 0.0 ? x - w / zz : r1;
        eig.emplace_back(r1, 0.0);
        eig.emplace_back(r2, 0.0);
      } else {
        eig.emplace_back(x + p, z);
        eig.emplace_back(x + p, -z);
      }
      hi -= 2;
      iterations = 0;
      continue;
    }
    if (iterations == kMaxIterations) return false;
    if (iterations == 10 || iterations == 20) {
      // Exceptional shift to break a cycle.
      shiftSum += x;
      for (int i = 0; i <= hi; ++i) a(i, i) -= x;
      const double s = std::fabs(a(hi, hi - 1)) + std::fabs(a(hi - 1, hi - 2));
      x = y = 0.75 * s;
      w = -0.4375 * s * s;
    }
    ++iterations;

    // Start row m of the double step: two consecutive small subdiagonals.
    int m = hi - 2;
    double p = 0.0, q = 0.0, r = 0.0, z = 0.0;
    for (; m >= lo; --m) {
      z = a(m, m);
      const double rr = x - z;
      const double ss = y - z;
      p = (rr * ss - w) / a(m + 1, m) + a(m, m + 1);
      q = a(m + 1, m + 1) - z - rr - ss;
      r = a(m + 2, m + 1);
      const double s = std::fabs(p) + std::fabs(q) + std::fabs(r);
      p /= s;
      q /= s;
      r /= s;
      if (m == lo) break;
      const double u = std::fabs(a(m, m - 1)) * (std::fabs(q) + std::fabs(r));
      const double v = std::fabs(p) * (std::fabs(a(m - 1, m - 1)) + std::fabs(z) + std::fabs(a(m + 1, m + 1)));
      if (u + v == v) break;
    }
    for (int i = m + 2; i <= hi; ++i) {
      a(i, i - 2) = 0.0;
      if (i != m + 2) a(i, i - 3) = 0.0;
    }

    // Double QR step by Householder reflections of order 3, chasing the bulge.
    for (int k = m; k <= hi - 1; ++k) {
      if (k != m) {
        p = a(k, k - 1);
        q = a(k + 1, k - 1);
        r = k != hi - 1 ? a(k + 2, k - 1) : 0.0;
        x = std::fabs(p) + std::fabs(q) + std::fabs(r);
        if (x == 0.0) continue;
        p /= x;
        q /= x;
        r /= x;
      }
      const double s = std::copysign(std::sqrt(p * p + q * q + r * r), p);
      if (s == 0.0) continue;
      if (k == m) {
        if (lo != m) a(k, k - 1) = -a(k, k - 1);
      } else {
        a(k, k - 1) = -s * x;
      }
      p += s;
      x = p / s;
      y = q / s;
      z = r / s;
      q /= p;
      r /= p;
      for (int j = k; j <= hi; ++j) {
        double t = a(k, j) + q * a(k + 1, j);
        if (k != hi - 1) {
          t += r * a(k + 2, j);
          a(k + 2, j) -= t * z;
        }
        a(k + 1, j) -= t * y;
        a(k, j) -= t * x;
      }
      const int last = std::min(hi, k + 3);
      for (int i = lo; i <= last; ++i) {
        double t = x * a(i, k) + y * a(i, k + 1);
        if (k != hi - 1) {
          t += z * a(i, k + 2);
          a(i, k + 2) -= t * r;
        }
        a(i, k + 1) -= t * q;
        a(i, k) -= t;
      }
    }
  }
  return true;
}

// Value of the polynomial and its derivative (Horner).
void evaluate(std::span<const double> c, Complex z, Complex& value, Complex& slope) {
  value = c[0];
  slope = 0.0;
  for (std::size_t i = 1; i < c.size(); ++i) {
    slope = slope * z + value;
    value = value * z + c[i];
  }
}

// A few Newton steps on the original coefficients, each kept only when it
// lowers the residual and moves the root by less than `reach` (half the
// distance to the nearest other root), so that a step never makes a root
// worse nor sends it to a neighbour.
Complex polish(std::span<const double> c, Complex z, double reach) {
  Complex value, slope;
  evaluate(c, z, value, slope);
  for (int step = 0; step < 3 && std::abs(value) > 0.0; ++step) {
    if (std::abs(slope) == 0.0) break;
    const Complex delta = value / slope;
    if (!(std::abs(delta) < reach)) break;
    const Complex next = z - delta;
    Complex nextValue, nextSlope;
    evaluate(c, next, nextValue, nextSlope);
    if (!(std::abs(nextValue) < std::abs(value))) break;
    z = next;
    value = nextValue;
    slope = nextSlope;
  }
  return z;
}

}  // namespace

bool polynomialRoots(std::span<const double> c, std::vector<std::complex<double>>& roots) {
  return polynomialRoots(c, roots, true);
}

bool polynomialRoots(std::span<const double> c, std::vector<std::complex<double>>& roots, bool report) {
  auto debugMessage = [report](const std::string& text) {
    if (report) ardv::debugMessage(text);
  };
  for (double v : c) {
    if (!std::isfinite(v)) {
      debugMessage("polynomialRoots() : non-finite coefficient");
      return false;
    }
  }
  std::size_t lead = 0;
  while (lead < c.size() && c[lead] == 0.0) ++lead;
  if (lead == c.size()) {
    debugMessage("polynomialRoots() : null polynomial");
    return false;
  }
  std::size_t end = c.size();
  while (c[end - 1] == 0.0) --end;  // stops at c[lead] at the latest
  const std::span<const double> poly = c.subspan(lead, end - lead);
  const int zeros = static_cast<int>(c.size() - end);
  const int n = static_cast<int>(poly.size()) - 1;
  if (n + zeros > kMaxRootDegree) {
    debugMessage("polynomialRoots() : degree " + std::to_string(n + zeros) + " too high");
    return false;
  }

  std::vector<Complex> found;
  try {
    found.reserve(static_cast<std::size_t>(n + zeros));
    if (n > 0) {
      // Companion matrix in upper Hessenberg form: the first row holds the
      // normalised coefficients, the subdiagonal ones.
      Matrix a(n);
      for (int j = 0; j < n; ++j) a(0, j) = -poly[j + 1] / poly[0];
      for (int i = 1; i < n; ++i) a(i, i - 1) = 1.0;
      balance(a);
      if (!hessenbergEigenvalues(a, found) ||
          !std::all_of(found.begin(), found.end(), [](Complex z) { return std::isfinite(std::abs(z)); })) {
        debugMessage("polynomialRoots() : no convergence at degree " + std::to_string(n));
        return false;
      }
      std::vector<Complex> polished(found.size());
      for (std::size_t i = 0; i < found.size(); ++i) {
        double nearest = std::numeric_limits<double>::infinity();
        for (std::size_t j = 0; j < found.size(); ++j)
          if (j != i) nearest = std::min(nearest, std::abs(found[j] - found[i]));
        polished[i] = polish(poly, found[i], 0.5 * nearest);
        if (found[i].imag() == 0.0) polished[i].imag(0.0);
      }
      found = std::move(polished);
    }
    found.insert(found.end(), static_cast<std::size_t>(zeros), Complex(0.0, 0.0));
  } catch (const std::bad_alloc&) {
    debugMessage("polynomialRoots() : out of memory");
    return false;
  }
  roots = std::move(found);
  return true;
}

void resonancesOf(std::span<const Complex> roots, double fs, double maxBandwidthHz, double lowHz, double highHz,
                  std::vector<Resonance>& out) {
  std::vector<Resonance> kept;
  // |z|² below this (with a margin far above rounding) is a bandwidth past
  // the limit: no logarithm needed to leave it out.
  const double widest = std::exp(-2.0 * std::numbers::pi * maxBandwidthHz / fs) * (1.0 - 1e-9);
  for (const Complex& z : roots) {
    if (std::signbit(z.imag())) continue;  // θ ≤ 0: the other root of the pair
    if (z.real() * z.real() + z.imag() * z.imag() < widest) continue;
    const double theta = std::arg(z);
    if (!(theta > 0.0)) continue;  // one root of each conjugate pair; no real roots
    const double magnitude = std::abs(z);
    Resonance res;
    res.root = z;
    res.frequencyHz = theta / (2.0 * std::numbers::pi) * fs;
    res.bandwidthHz = -std::log(magnitude) * fs / std::numbers::pi;
    if (res.frequencyHz > lowHz && res.frequencyHz < highHz && res.bandwidthHz < maxBandwidthHz)
      kept.push_back(res);
  }
  std::sort(kept.begin(), kept.end(),
            [](const Resonance& a, const Resonance& b) { return a.frequencyHz < b.frequencyHz; });
  out = std::move(kept);
}

int fband(int order, std::span<const double> poly, double fs, double maxBandwidthHz, double lowHz,
          double highHz, std::vector<Resonance>& out) {
  if (order < 1 || order > 60 || poly.size() < static_cast<std::size_t>(order) + 1 || !(fs > 0.0)) {
    debugMessage("fband() : bad arguments (order " + std::to_string(order) + ")");
    return -1;
  }
  std::vector<Complex> roots;
  if (!polynomialRoots(poly.first(static_cast<std::size_t>(order) + 1), roots)) return -1;
  resonancesOf(roots, fs, maxBandwidthHz, lowHz, highHz, out);
  return static_cast<int>(out.size());
}

}  // namespace ardv
