// An all-pole envelope fitted to the harmonics of a voiced frame rather than
// to its whole spectrum: linear prediction of the line spectrum of the
// harmonics (the starting model of discrete all-pole modelling, A.
// El-Jaroudi and J. Makhoul, IEEE Trans. Signal Processing 39, 1991).
// Linear prediction of a high voice's frame puts a pole pair on a harmonic
// near F1; fitted to the harmonics' powers only, the model has nothing
// between them to follow.
#pragma once

#include <span>
#include <vector>

namespace ardv {

// F0 of `x` (any length of a few periods) by its normalised autocorrelation
// between lowHz and highHz: the shortest lag whose peak is within 5 % of
// the highest, refined by a parabola. 0 when no peak reaches `clarity`.
double periodicF0(std::span<const double> x, double fs, double lowHz, double highHz, double clarity);

// The powers of `x` (already windowed) at each omega (radians per sample).
void powersAt(std::span<const double> x, std::span<const double> omega, std::vector<double>& power);

// The powers of the harmonics k·f0 of `x` (already windowed) below
// 0.95·fs/2, at angular frequencies omega (radians per sample).
void harmonicPowers(std::span<const double> x, double fs, double f0, std::vector<double>& omega,
                    std::vector<double>& power);

// Takes off each harmonic's power (of `x`, at `omega` as harmonicPowers
// gives them) the mean of the powers halfway to its neighbours, the noise
// between the harmonics, keeping at least a twentieth of it.
void subtractGaps(std::span<const double> x, double fs, double f0, std::span<const double> omega,
                  std::vector<double>& power);

// Undoes on the powers at `omega` (radians per sample) two second-order
// Butterworth high-pass sections at cutHz, a telephone band's low edge (−6 dB there), lifting
// none by more than mostDb.
void undoLowCut(std::span<const double> omega, double fs, double cutHz, double mostDb, std::vector<double>& power);

// The all-pole model 1/|A(ω)|², A(z) = 1 − Σ a[j]·z^(−j), j = 1..order,
// of the line spectrum `power` at `omega` (radians per sample): Levinson's
// recursion on its autocorrelation Σ power·cos(omega·j). `a` receives
// a[1..order]; false for fewer lines than the order, no power or a
// singular recursion.
bool lineSpectrumPrediction(std::span<const double> omega, std::span<const double> power, int order,
                            std::vector<double>& a);

// The peak near `hz` of the envelope through the harmonics' powers (power[k]
// of harmonic k + 1 of f0): a parabola through the levels in dB of the
// harmonic nearest hz and its two neighbours, its vertex within half a
// harmonic of it. `hz` itself where the nearest harmonic lies below
// `lowestHarmonic`, has no neighbours or does not stand over both.
double harmonicPeakHz(std::span<const double> power, double f0, double hz, int lowestHarmonic);

}  // namespace ardv
