// Roots refined from a start by the Aberth-Ehrlich iteration, and a start on
// a circle enclosing every root.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "spectral/roots.h"

namespace ardv {

using Complex = std::complex<double>;

namespace {

// A root above the axis. Unlike std::complex it does not zero itself: a call
// keeps room for the highest degree.
struct Point {
  double re, im;
  double real() const { return re; }
  double imag() const { return im; }
};

}  // namespace

bool refineRoots(std::span<const double> c, std::span<const Complex> start, int maxSteps, std::vector<Complex>& roots) {
  const int n = static_cast<int>(c.size()) - 1;
  if (n < 1 || n > kMaxRootDegree || c[0] == 0.0 || start.size() != static_cast<std::size_t>(n)) return false;
  // One representative per conjugate pair (above the real axis) and the real roots.
  Point z[kMaxRootDegree];
  bool real[kMaxRootDegree], settled[kMaxRootDegree];
  int m = 0, degree = 0;
  for (const Complex& s : start) {
    if (s.imag() < 0.0) continue;
    if (!std::isfinite(s.real()) || !std::isfinite(s.imag())) return false;
    real[m] = s.imag() == 0.0;
    settled[m] = false;
    z[m++] = {s.real(), s.imag()};
    degree += real[m - 1] ? 1 : 2;
  }
  if (degree != n) return false;
  // Plain real arithmetic: the library's complex division checks for
  // infinities on every call.
  auto divide = [](double a, double b, double e, double f, double& re, double& im) {
    const double q = 1.0 / (e * e + f * f);
    re = (a * e + b * f) * q;
    im = (b * e - a * f) * q;
  };
  double lastStep[kMaxRootDegree];
  for (int k = 0; k < m; ++k) lastStep[k] = std::numeric_limits<double>::infinity();
  int open = m;
  // p and p' at every open root side by side (independent chains that the
  // processor overlaps), then the roots in turn. At z = x + iy, with
  // b_k = c_k + 2x·b_(k−1) − |z|²·b_(k−2) (the division by the real
  // quadratic (t − z)(t − z̄)), p(z) = b_n − x·b_(n−1) + iy·b_(n−1), and
  // p'(z) = 2iy·B(z) + b_(n−1), B the quotient, found the same way: half
  // the work of complex Horner.
  double pr[kMaxRootDegree], pi[kMaxRootDegree], dr[kMaxRootDegree], di[kMaxRootDegree], px[kMaxRootDegree],
      py[kMaxRootDegree];
  int which[kMaxRootDegree];
  for (int step = 0; step < maxSteps && open > 0; ++step) {
    int count = 0;
    for (int k = 0; k < m; ++k)
      if (!settled[k]) {
        which[count] = k;
        px[count] = z[k].real();
        py[count] = z[k].imag();
        pr[count] = c[0];
        pi[count] = dr[count] = di[count] = 0.0;
        ++count;
      }
    for (int q = 0; q < count; ++q) {
      const double x = px[q], y = py[q];
      if (y == 0.0) {  // a real root: real Horner
        double v = c[0], d = 0.0;
        for (int i = 1; i <= n; ++i) {
          d = d * x + v;
          v = v * x + c[static_cast<std::size_t>(i)];
        }
        pr[q] = v;
        pi[q] = 0.0;
        dr[q] = d;
        di[q] = 0.0;
        continue;
      }
      const double r = 2.0 * x, t = -(x * x + y * y);
      double b1 = 0.0, b2 = 0.0, d1 = 0.0, d2 = 0.0;  // b_(k−1), b_(k−2); the same for B
      for (int i = 0; i <= n - 2; ++i) {
        const double b = c[static_cast<std::size_t>(i)] + r * b1 + t * b2;
        b2 = b1;
        b1 = b;
        const double d = b + r * d1 + t * d2;
        d2 = d1;
        d1 = d;
      }
      // b1 = b_(n−2); d1, d2 = d_(n−2), d_(n−3).
      const double bn1 = c[static_cast<std::size_t>(n - 1)] + r * b1 + t * b2;
      const double bn = c[static_cast<std::size_t>(n)] + r * bn1 + t * b1;
      pr[q] = bn - x * bn1;
      pi[q] = y * bn1;
      // B(z) = d_(n−2) − x·d_(n−3) + iy·d_(n−3); p'(z) = 2iy·B(z) + b_(n−1).
      const double br = d1 - x * d2, bi = y * d2;
      dr[q] = -2.0 * y * bi + bn1;
      di[q] = 2.0 * y * br;
    }
    const int reps = m;  // a split or a merge ends the sweep
    for (int q = 0; q < count && m == reps; ++q) {
      const int k = which[q];
      const double x = px[q], y = py[q];
      const double vr = pr[q], vi = pi[q], sr = dr[q], si = di[q];
      if (vr == 0.0 && vi == 0.0) {
        settled[k] = true;
        --open;
        continue;
      }
      if (sr == 0.0 && si == 0.0) return false;
      double rr, ri;
      divide(vr, vi, sr, si, rr, ri);
      // The other roots' pull, conjugates included: Σ 1 / (z − zj).
      double ar = 0.0, ai = real[k] ? 0.0 : -0.5 / y;
      for (int j = 0; j < m; ++j) {
        if (j == k) continue;
        const double dx = x - z[j].real(), dy = y - z[j].imag();
        double inv = 1.0 / (dx * dx + dy * dy);
        ar += dx * inv;
        ai -= dy * inv;
        if (!real[j]) {
          const double ey = y + z[j].imag();
          inv = 1.0 / (dx * dx + ey * ey);
          ar += dx * inv;
          ai -= ey * inv;
        }
      }
      // w = ratio / (1 − ratio·sum)
      double wr, wi;
      divide(rr, ri, 1.0 - (rr * ar - ri * ai), -(rr * ai + ri * ar), wr, wi);
      const double nx = x - wr, ny = real[k] ? 0.0 : y - wi;
      if (!std::isfinite(nx) || !std::isfinite(ny)) return false;
      const double size = wr * wr + wi * wi;
      if (!real[k] && !(ny > 0.0)) {
        // The pair meets the real axis: two real roots, either side.
        const double spread = std::max(y, 1e-6);
        z[k] = {nx - spread, 0.0};
        z[m] = {nx + spread, 0.0};
        real[k] = real[m] = true;
        settled[m] = false;
        lastStep[k] = lastStep[m] = std::numeric_limits<double>::infinity();
        ++m;
        ++open;
        continue;
      }
      // A real root that lands on another real one, or does not close in,
      // and its nearest unsettled real neighbour are a conjugate pair.
      int j = -1;
      bool merge = false;
      if (real[k]) {
        for (int i = 0; i < m; ++i)
          if (i != k && real[i] && (j < 0 || std::abs(z[i].real() - nx) < std::abs(z[j].real() - nx))) j = i;
        merge = j >= 0 && std::abs(z[j].real() - nx) <= 1e-9 * std::max(1.0, std::abs(nx));
        if (merge && settled[j]) return false;  // onto a root already found
      }
      z[k] = {nx, ny};
      // Near a root each step cubes the error: after a step below 1e−6 the
      // root is exact to some 1e−15.
      if (!merge && size < 1e-12 * std::max(1.0, x * x + y * y)) {
        settled[k] = true;
        --open;
      }
      if (real[k] && !settled[k] && !merge && size > 0.25 * lastStep[k] && step >= 2) {
        j = -1;
        for (int i = 0; i < m; ++i)
          if (i != k && real[i] && !settled[i] && (j < 0 || std::abs(z[i].real() - nx) < std::abs(z[j].real() - nx)))
            j = i;
        merge = j >= 0;
      }
      if (merge) {
        // The pair spans the two (from where root k stood when it landed).
        const double xj = z[j].real(), xk = std::abs(nx - xj) < 1e-9 * std::max(1.0, std::abs(nx)) ? x : nx;
        z[k] = {0.5 * (xk + xj), std::max(0.5 * std::abs(xk - xj), 1e-6)};
        real[k] = false;
        lastStep[k] = std::numeric_limits<double>::infinity();
        --m;
        --open;
        z[j] = z[m];
        real[j] = real[m];
        settled[j] = settled[m];
        lastStep[j] = lastStep[m];
        continue;  // when k was the last slot, it now sits at j and waits for the next sweep
      }
      lastStep[k] = size;
    }
  }
  if (open > 0) return false;
  // Two roots on one zero would leave another out: the sum and the product
  // of the roots tell.
  double sum = 0.0, size = 0.0, product = 1.0;
  for (int k = 0; k < m; ++k) {
    const double x = z[k].real(), y = z[k].imag();
    sum += real[k] ? x : 2.0 * x;
    size += real[k] ? std::abs(x) : 2.0 * (std::abs(x) + y);
    product *= real[k] ? x : x * x + y * y;
  }
  if (!(std::abs(sum + c[1] / c[0]) <= 1e-9 * (1.0 + size))) return false;
  const double last = (n % 2 ? -1.0 : 1.0) * c[static_cast<std::size_t>(n)] / c[0];
  if (!(std::abs(product - last) <= 1e-6 * std::abs(last))) return false;
  roots.clear();
  roots.reserve(static_cast<std::size_t>(n));
  for (int k = 0; k < m; ++k) {
    roots.emplace_back(z[k].re, z[k].im);
    if (!real[k]) roots.emplace_back(z[k].re, -z[k].im);
  }
  return true;
}

std::vector<Complex> circleStart(std::span<const double> c) {
  const int n = static_cast<int>(c.size()) - 1;
  std::vector<Complex> start;
  if (n < 1 || c[0] == 0.0) return start;
  double radius = 0.0;
  for (int k = 1; k <= n; ++k) {
    const double a = std::abs(c[static_cast<std::size_t>(k)] / c[0]) / (k == n ? 2.0 : 1.0);
    radius = std::max(radius, std::pow(a, 1.0 / k));
  }
  radius = 2.0 * radius > 0.0 ? 2.0 * radius : 1.0;
  // Angles off the axes and off any symmetry of the polynomial.
  for (int k = 0; k < n / 2; ++k) {
    const Complex s = std::polar(radius, std::numbers::pi * (2.0 * k + 1.0) / n + 0.3 / n);
    start.push_back(s);
    start.push_back(std::conj(s));
  }
  if (n % 2) start.emplace_back(-radius, 0.0);
  return start;
}

}  // namespace ardv
