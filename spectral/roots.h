// Roots of real polynomials, and the resonances (frequency, bandwidth) of the
// roots of a linear-prediction polynomial.
//
// Method: the eigenvalues of the companion matrix, balanced (Parlett-Reinsch,
// powers of two) and reduced by the Francis double-shift QR iteration on the
// upper Hessenberg form, followed by a guarded Newton polish on the original
// coefficients. The QR route is backward stable, finds all roots at once (no
// deflation error piling up on the last roots as with Laguerre), copes with
// repeated roots and roots close to the unit circle, and costs about 10·n³
// flops (some 30 µs for an order-18 LPC polynomial).
#pragma once

#include <complex>
#include <span>
#include <vector>

namespace ardv {

// Degree limit of the root finder (the highest LPC order is 60).
inline constexpr int kMaxRootDegree = 256;

// All complex roots of c[0]·z^n + c[1]·z^(n-1) + … + c[n] (descending powers).
// Leading zero coefficients lower the degree; trailing zero coefficients give
// exact roots at 0. Complex roots come in conjugate pairs, in no particular
// order. Returns false, with a "bug" report and `roots` unchanged, for
// non-finite coefficients, an all-zero polynomial, a degree above
// kMaxRootDegree, or a QR iteration that does not converge.
bool polynomialRoots(std::span<const double> c, std::vector<std::complex<double>>& roots);
// The same; `report` false makes every failure silent (the caller counts it).
bool polynomialRoots(std::span<const double> c, std::vector<std::complex<double>>& roots, bool report);

// The roots of the same polynomial (c[0] ≠ 0, degree n = c.size() − 1,
// n ≤ kMaxRootDegree, finite coefficients) refined from `start`: n
// approximate roots closed under conjugation (those of a neighbouring
// frame's polynomial, say), by the Aberth–Ehrlich iteration, each conjugate
// pair as one and real roots kept real (a pair that meets the real axis
// becomes two real roots; two real roots that meet, or one that does not
// close in and its nearest neighbour, become a pair). At most `maxSteps`
// sweeps; a root counts as found once its last step moved it by less than
// 1e−6·max(1, |z|) (the error then is some 1e−15). False, `roots`
// unchanged and no report, when the start does not fit, a root has not
// settled, or the roots fail the check of their sum and product against c:
// the caller then takes polynomialRoots, or another start. Some 5–10 times
// faster than polynomialRoots from a close start.
bool refineRoots(std::span<const double> c, std::span<const std::complex<double>> start, int maxSteps,
                 std::vector<std::complex<double>>& roots);

// Roots on a circle that encloses every root of c (c[0] ≠ 0; twice the
// Fujiwara bound), conjugate pairs and one real root for an odd degree: a start for
// refineRoots when no neighbouring roots are at hand.
std::vector<std::complex<double>> circleStart(std::span<const double> c);

// A resonance of a root z = |z|·e^(iθ) at sampling frequency fs:
// frequencyHz = θ/(2π)·fs, bandwidthHz = −ln|z|·fs/π.
struct Resonance {
  double frequencyHz = 0.0;
  double bandwidthHz = 0.0;
  std::complex<double> root;
};

// The resonances of `roots` as fband keeps them: θ > 0, lowHz < frequency <
// highHz and bandwidth < maxBandwidthHz, in ascending frequency.
void resonancesOf(std::span<const std::complex<double>> roots, double fs, double maxBandwidthHz, double lowHz,
                  double highHz, std::vector<Resonance>& out);

// Roots of the order-p polynomial poly[0..p] = 1, −a[1], …, −a[p] (that is,
// z^p·A(z) with A(z) = 1 − Σ a[j]·z^(−j)) as resonances: only roots with θ > 0
// and lowHz < frequency < highHz and bandwidth < maxBandwidthHz are kept, in
// ascending frequency. Returns the number kept, or −1 (already reported, `out`
// unchanged) for an order outside 1..60, a polynomial shorter than p + 1
// values, fs ≤ 0 or a root-finder failure.
int fband(int order, std::span<const double> poly, double fs, double maxBandwidthHz, double lowHz,
          double highHz, std::vector<Resonance>& out);

}  // namespace ardv
