// A check after the path: the comb and the path call a frame voiced as soon
// as a few harmonics stand out, so on real speech voicing starts early, ends
// late and runs on into breathy or creaky stretches. A frame is weak when its
// peak is below a small share of the run's loudest peak or its waveform does
// not repeat at its period: the normalised autocorrelation of the
// Hann-windowed frame (divided by the window's own) near the period stays
// below the voicing threshold, or below a bar rising to 1 as the frame's
// peak falls to that share.
#pragma once

#include <cstdint>
#include <vector>

#include "prosody/pitch_run.h"

namespace ardv {

// The check holds frames to the voicing threshold, but to no more than this:
// above it the voicing path (voicing_path.h) decides, and a stricter check
// unvoiced breathy vowels.
constexpr float kCheckThresholdMost = 0.4f;
// Frames quieter than this share of the run's peak amplitude are unvoiced.
constexpr double kQuietPeakShare = 0.03;
// Periods the measure needs in its window; a lower voice is measured over
// twice the frame.
constexpr double kPeriodsInWindow = 3.0;
// Weak frames at the start of a run that turn unvoiced (a 32-ms frame half
// in silence before the onset repeats poorly; Praat starts a frame or two
// later).
constexpr int kOnsetFramesChecked = 2;
// Consecutive weak frames of a low voice inside a run that turn unvoiced
// (creak at the floor of the range).
constexpr int kCreakFrames = 3;
// A low voice whose periodicity at half its period comes within this of the
// periodicity at its period gets twice its F0.
constexpr double kOctaveMargin = 0.05;
// Up to kJumpFrames frames inside a run whose F0 is kJumpRatio or more
// away from both neighbours, which agree within kJumpAgreement, take the
// neighbours' F0 (interpolated) where the waveform repeats as well at it
// (within kOctaveMargin).
constexpr int kJumpFrames = 4;
constexpr double kJumpRatio = 1.5;
constexpr double kJumpAgreement = 0.2;
// Gaps of up to kGapFrames unvoiced frames between runs whose F0 agree within
// kJumpAgreement are voiced where every frame repeats at the F0 between them.
constexpr int kGapFrames = 16;
// A frame whose waveform repeats this much better at m times its period
// (m up to kBelowRangeParts), where F0 / m lies below the range's floor and
// not below the default range's, is unvoiced (a multiple of a voice below
// the range: "Female" for a man). Larger m and smaller margins unvoiced
// breathy voices of the known-F0 set.
constexpr double kBelowRangeMargin = 0.3;
constexpr int kBelowRangeParts = 3;

// The samples with a notch kHumNotchHz wide at humHz (forwards and
// backwards); the check judges a run with hum on them.
constexpr double kHumNotchHz = 10.0;
std::vector<std::int16_t> withoutHum(const std::vector<std::int16_t>& x, double fs, double humHz);

// The samples the checks judge: without the hum when the run has one (a low
// sine repeats at any short lag and would keep the hum's stretches voiced).
const std::vector<std::int16_t>& judgedSamples(const PitchRun& run);

// Best normalised autocorrelation of the n samples at x for lags within 10 %
// of fs / f0 (at least one lag); 0 for a silent frame or f0 <= 0.
double periodicity(const std::int16_t* x, int n, double fs, double f0);

// With run.params.voicingThreshold above 0, for each voiced run of p: a run
// whose frames are mostly weak is unvoiced; otherwise its weak frames at the
// end are, back to the last frame that repeats, its first weak frames up to
// kOnsetFramesChecked, and inside it stretches of kCreakFrames or more weak
// frames of a low voice (fewer than three periods in the frame); what is
// left of a run of one or two frames between unvoiced ones goes too. A
// frame of a low voice that repeats as well at half its period gets twice
// its F0; a few frames an octave or more away from both neighbours get
// theirs when the waveform repeats as well at it. Other frames inside a run
// keep their F0 (vibrato and breath lower the measure inside vowels).
// Short gaps between runs that agree are voiced where the waveform repeats
// at the F0 between them; a frame of a voice below a raised floor (see
// kBelowRangeMargin) is unvoiced.
void checkPeriodicity(const PitchRun& run, std::vector<int>& p);

}  // namespace ardv
