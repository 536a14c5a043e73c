// The F0 path: dynamic programming over the hypothesis table (lisPitch), the
// read-back of the best path into the track (meilPitch) and the filling of
// the frames the path jumped over (completePitch).
#pragma once

#include <vector>

#include "prosody/pitch_types.h"

namespace ardv {

// Fills cost, slope, prevFrame and prevHyp of frames 1..size-1 of `table`
// (frame 0, left as it is, starts every path). Candidates outside 0.4..2.5 times
// `F0med` are impossible (cost 1e38); voicing may change only on a path with
// no change in its last 4 frames.
void lisPitch(PitchTable& table, const SpeakerF0Params& params, int F0med);

// True when the best path ending in hypothesis `hyp` of frame `frame` has no
// voicing change within its last four frames.
bool noRecentVoicingChange(const PitchTable& table, int frame, int hyp);

// Sizes `p` to the table's frames, all -1, then writes trunc(f0) along the
// best path ending among the last maxJump frames (0 for unvoiced frames).
// A predecessor outside the table reports "meilpitch() : bad pitch index".
void meilPitch(const PitchTable& table, std::vector<int>& p, int maxJump);

// Fills the -1 frames of `p` in order: unvoiced between unvoiced neighbours,
// unvoiced at a voicing edge (marked filled, with its neighbour's unvoiced
// cost), the rounded mean between two voiced neighbours (marked filled).
void completePitch(std::vector<int>& p, PitchTable& table);

}  // namespace ardv
