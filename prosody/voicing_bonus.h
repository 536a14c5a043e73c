// Voicing thresholds and bonuses: reglageBonus derives the thresholds from the
// run's voicing statistics; bonusVoise and bonusSourd turn a candidate's
// voicing energy e, coefficient k and the frame's energy E into the bonuses
// the path search subtracts (scaled by the median F0, so in hertz).
#pragma once

#include "prosody/pitch_run.h"

namespace ardv {

// Sets run.thr.maxVoise, maxSourd, seuilSourd, bonusSourdMax; repairs the
// degenerate cases with warnings 7202, 7203, 7201 (not when run.quiet).
void reglageBonus(PitchRun& run, float maxVoisement, float maxEnerVois);

// Voicing contribution of energy e with coefficient k.
float contribVois(float k, float e, PitchTrace* trace = nullptr);
float bonusVoise(float e, float k, float E, const VoicingThresholds& thr, PitchTrace* trace = nullptr);
float bonusSourd(float e, float k, float E, const VoicingThresholds& thr, PitchTrace* trace = nullptr);

// The bonuses of every frame of run.tab (unvoiced: the least bonusSourd of
// the three candidates; each candidate: bonusVoise), from its voicing energy.
void frameBonuses(PitchRun& run);

}  // namespace ardv
