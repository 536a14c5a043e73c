// Re-examination of voicing onsets (rectifiePitch): after five unvoiced
// frames and before four voiced ones, the first voiced frames are analysed
// again with windows moved later and a local path (`tabLoc`, 5 frames) is
// searched back from the reference frame.
#pragma once

#include <vector>

#include "prosody/pitch_run.h"

namespace ardv {

// Frames of the local table.
constexpr int kTabLocFrames = 5;

// Rewrites the onsets of `p` (one value per frame of run.tab) whose local path
// is cheaper than the reference. False after an internal-fault report when
// the FFT engine cannot be set up again.
bool rectifiePitch(PitchRun& run, std::vector<int>& p);

}  // namespace ardv
