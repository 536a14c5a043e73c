// The candidate stage of the F0 detector (pitchBrutMartin): the frame loop
// with quiet-frame skipping, the voicing statistics, the median F0, the
// voicing thresholds and the per-frame bonuses.
#pragma once

#include "prosody/pitch_run.h"

namespace ardv {

// Frames whose band energy stays below this are quiet; after this many quiet
// frames in a row the following ones are not analysed.
constexpr float kQuietBandEnergy = 1.0f;
constexpr int kQuietFramesAnalysed = 6;

// Fills run.tab (geo.frames records, all hypotheses zeroed first) and
// run.thr. Needs run.x/span, run.geo and run.ener. False after an
// internal-fault report when the FFT engine cannot be set up.
bool pitchBrutMartin(PitchRun& run);

// After the bonuses: a candidate that the spectrum shows to be a subharmonic
// (run.voiceF0) lends its voicing bonus to the frame's candidate within 10 %
// of the F0 it is a subharmonic of, when that one's own bonus is smaller.
// In noise the comb's regularity measure denies the true F0 its voicing
// while the subharmonic keeps it.
void lendSubharmonicBonuses(PitchRun& run);

}  // namespace ardv
