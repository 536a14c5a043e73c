// Linear prediction core: autocorrelation and Levinson-Durbin recursion,
// reflection coefficients and area function, and selective linear prediction
// over a frequency band.
//
// Conventions: predictor x̂[n] = Σ a[j]·x[n−j] (j = 1..p), inverse filter
// A(z) = 1 − Σ a[j]·z^(−j); E is the energy of the prediction error.
// Computed in double precision throughout.
#pragma once

#include <span>
#include <vector>

namespace ardv {

// Largest prediction order.
inline constexpr int kMaxLpcOrder = 60;

struct LpcAnalysis {
  std::vector<double> r;   // autocorrelation r[0..p]
  std::vector<double> a;   // predictor a[0..p], a[0] = 1
  std::vector<double> k;   // reflection coefficients k[1..p] (k[0] = 0)
  std::vector<double> ar;  // area function ar[1..p+1], ar[p+1] = 0.5 (ar[0] = 0)
  double error = 0.0;      // E
};

// Order-p analysis of the frame x[0..L−1] (already windowed), 1 ≤ p ≤ 60,
// p < L: r[i] = Σ x[n]·x[n+i]; E starts at r[0] (1 when r[0] < 1e−10); at
// each order κ = (r[i] − Σ r[i−j]·a[j]) / E, k[i] = −κ, a[i] = κ, the lower
// coefficients updated, E = (1 − κ²)·E; the area function from 0.5 at p + 1
// down by ar[m] = ar[m+1]·(1 + k[m])/(1 − k[m]). When the error vanishes
// (perfectly predictable frame) the recursion stops there and the higher
// coefficients stay 0. A frame of zeros gives E = 1 and all a[j] = 0.
// Returns false (a "bug" report, `out` unchanged) for a bad order.
bool lpcAutocorrelation(std::span<const double> x, int p, LpcAnalysis& out);
bool lpcAutocorrelation(std::span<const float> x, int p, LpcAnalysis& out);

// Linear prediction restricted to the band f1..f2 Hz of the frame x[0..L−1]
// at sampling frequency fs: power spectrum of the frame zero-padded to Nf
// points (512 when L < 256, 1024 up to 1024 samples, the next power of two up
// to 4096 beyond), bins k1 = trunc(Nf/fs·f1) to k2 = trunc(Nf/fs·f2) − 1 read
// as a whole spectrum of 2M points (M = k2 − k1), its autocorrelation, and the
// recursion. Result a[0..p] in inverse-filter form (a[0] = 1, a[j] = −predictor
// coefficient, so A(z) = Σ a[j]·z^(−j)) and the error E; a[1..p] = 0 when the
// band holds no energy. Returns false ("bug" report, outputs unchanged) for a
// bad order, a frame longer than 4096 samples, or a band that is empty (M < 1)
// or lies outside 0..fs/2.
bool lpcSelective(std::span<const double> x, int p, double f1, double f2, double fs, std::vector<double>& a,
                  double& error);

}  // namespace ardv
