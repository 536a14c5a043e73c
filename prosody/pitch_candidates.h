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

// Mains hum under the voice: the frequency (Hz) near which the peaks of
// `lowPeaks` (peaksToGrid's lowPeakHz of each analysed frame) lie, within
// kHumWidthHz, in at least kHumShare of `frames` analysed frames (at least
// kHumMinFrames); 0 when there is none. The comb's tooth on a line at 50 Hz
// draws the candidates down to 65..75 Hz.
constexpr double kHumShare = 0.6;
constexpr int kHumMinFrames = 20;
double humOf(std::vector<float> lowPeaks, int frames);

// True when noise fills the peak grid even in the quietest tenth of the
// frames: the median spectrum level of the first candidate's check
// (run.voice) passes kPeakFloorDb by kNoisyRunMarginDb in nine frames of ten.
constexpr float kNoisyRunMarginDb = 6.0f;
bool noiseOnGrid(const PitchRun& run);

// Between the thresholds and the bonuses, in frames where noise reaches the
// grid (run.voice judged). In a noisy run (noiseOnGrid) a candidate whose
// harmonics rise less than kNoiseRiseDb above the spectrum's lower quartile
// is noise: its voicing energy becomes 0. In a frame where the comb's
// measures leave the unvoiced hypothesis some bonus (contribVois below
// run.thr.maxSourd for every candidate) the candidate whose harmonics rise
// most, by kHarmonicRiseDb or more, is voiced: voicing energy at least
// `strongEnergy`, coefficient at most kVoicedCoef. Needs run.thr.
constexpr float kNoiseRiseDb = 8.0f;
constexpr float kHarmonicRiseDb = 14.0f;
constexpr float kVoicedCoef = 39.0f;
void judgeByHarmonics(PitchRun& run, float strongEnergy, bool noisyRun);

// After the bonuses: a candidate that the spectrum shows to be a subharmonic
// (run.voiceF0) lends its voicing bonus to the frame's candidate within 10 %
// of the F0 it is a subharmonic of, when that one's own bonus is smaller.
// In noise the comb's regularity measure denies the true F0 its voicing
// while the subharmonic keeps it.
void lendSubharmonicBonuses(PitchRun& run);

}  // namespace ardv
