// Linear prediction over the closed phases of the glottal periods (the
// covariance method; D. Y. Wong, J. D. Markel and A. H. Gray, IEEE Trans.
// ASSP 27, 1979): while the glottis is closed the vocal tract rings freely,
// so the source's spectrum, whose slope near F1 differs from voice to voice,
// does not pull the resonances the way it pulls an all-pole fit of the whole
// period (or of the harmonics).
#pragma once

#include <array>
#include <complex>
#include <span>
#include <vector>

#include "formants/mccandless.h"

namespace ardv {

// The predictor a[1..order] (A(z) = 1 − Σ a[j]·z^(−j)) of `x` (a few
// periods of a voice at about f0 Hz), pre-emphasised, fitted over the first
// `share` of each period after its glottal closure. The closures are the
// largest peaks of the residual of ordinary linear prediction (the sign of
// the largest), one per period. False for fewer than three closed phases
// in `x` or a singular system.
bool closedPhasePrediction(std::span<const double> x, double fs, double f0, int order, double share,
                           std::vector<double>& a);

// Each analysis's roots of the prediction polynomial, kept from frame to
// frame as the start of the next frame's (empty for none).
using ClosedPhaseRoots = std::array<std::vector<std::complex<double>>, 2>;

// The resonance of the closed phases (order 14 at 16 kHz, scaled with fs)
// nearest nearHz between lowHz and highHz and narrower than 250 Hz, fitted
// over the first fifth and over the first three tenths of each period: their
// mean where the two lie within 10 Hz, else frequency 0 (none).
RootCandidate closedPhaseResonance(std::span<const double> x, double fs, double f0, double nearHz, double lowHz,
                                   double highHz, ClosedPhaseRoots& roots);

// closedPhaseResonance over the first fifth and the first three fifths of
// each period: a resonance only where the glottis stays closed through most
// of the period (a creaky voice).
RootCandidate longClosedPhaseResonance(std::span<const double> x, double fs, double f0, double nearHz, double lowHz,
                                       double highHz, ClosedPhaseRoots& roots);

}  // namespace ardv
