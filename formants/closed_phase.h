// Linear prediction over the closed phases of the glottal periods (the
// covariance method; D. Y. Wong, J. D. Markel and A. H. Gray, IEEE Trans.
// ASSP 27, 1979): while the glottis is closed the vocal tract rings freely,
// so the source's spectrum, whose slope near F1 differs from voice to voice,
// does not pull the resonances the way it pulls an all-pole fit of the whole
// period (or of the harmonics).
#pragma once

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

// The resonance of the closed phases (order 14 at 16 kHz, scaled with fs;
// the first quarter of each period) nearest nearHz between lowHz and highHz
// and narrower than 250 Hz; frequency 0 when there is none. `roots` holds
// the previous frame's roots of the prediction polynomial (a start for
// their refinement; empty for none) and receives this frame's.
RootCandidate closedPhaseResonance(std::span<const double> x, double fs, double f0, double nearHz, double lowHz,
                                   double highHz, std::vector<std::complex<double>>& roots);

}  // namespace ardv
