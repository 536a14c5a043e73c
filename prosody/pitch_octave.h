// A check after the path: in noise or breath the comb's many teeth at a half
// or a third of the voice's F0 collect the noise between the harmonics, and
// the path follows that subharmonic over whole vowels. Each frame whose chosen
// candidate the spectrum shows to be a subharmonic (spectral_comb.h,
// subharmonicFactor) is raised to the voice's F0; frames without a measure of
// their own (filled in, re-examined onsets) follow the nearest measured frame
// of their voiced run.
#pragma once

#include <vector>

#include "prosody/pitch_run.h"

namespace ardv {

// Needs run.tab and run.factors as pitchBrutMartin left them. A raised F0
// never passes params.f0Max.
void raiseSubharmonics(const PitchRun& run, std::vector<int>& p);

}  // namespace ardv
