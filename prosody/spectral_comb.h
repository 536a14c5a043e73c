// The spectral comb of the F0 detector: spectral peaks redrawn on a 1-Hz grid
// (parabolic fits), the harmonic comb response, and the voicing coefficient
// that measures how tightly the response gathers on the multiples of f0.
// Short symbols as in the literature: s spectrum, f frequency, f0 candidate.
#pragma once

#include <vector>

#include "prosody/pitch_types.h"

namespace ardv {

// Cells of the peak grid and of the comb response (index = Hz).
constexpr int kGridSize = 2000;
// Spectral levels at or below this many dB leave no trace.
constexpr float kPeakFloorDb = 58.0f;

// peigne[k] = k^(-1/combExponent) (peigne[0] = 1) and the running sums
// somHarm[k] = somHarm[k-1] + peigne[k] (somHarm[0] = 0), 2000/combMin + 1 each.
struct CombTables {
  std::vector<float> peigne;
  std::vector<float> somHarm;
};
CombTables makeCombTables(const SpeakerF0Params& params);

// Mains hum: a steady line whose peak lies within kHumLowHz..kHumHighHz in
// most frames of a run, within kHumWidthHz of one frequency.
constexpr double kHumLowHz = 45.0;
constexpr double kHumHighHz = 65.0;
constexpr double kHumWidthHz = 3.0;
constexpr double kHumAboveDcDb = 6.0;

// Redraws the peaks of `s` (dB levels, at least nb + 2 bins) among its first
// nb bins onto `pics` (kGridSize cells, level above 58 dB at each Hz, 0
// elsewhere); bin width `binHz`. Returns sumE, the summed heights above 58 dB
// of the accepted peaks below 825 Hz. A peak within kHumWidthHz of `humHz`
// (above 0) is left out. `lowPeakHz`, when given, receives the frequency of
// the highest accepted peak within kHumLowHz..kHumHighHz that stands
// kHumAboveDcDb above the level at 0 Hz, or 0.
float peaksToGrid(const float* s, int nb, double binHz, float* pics, double humHz = 0, float* lowPeakHz = nullptr);

// correl[f] for f = combMin..f0Max: the comb of weights peigne laid on the
// multiples of f. Other cells are left alone.
void correlPeigne(const float* pics, const CombTables& comb, const SpeakerF0Params& params, float* correl);

// Index of the greatest value over lo..hi (inclusive; the first wins ties);
// index 0 with value -1e38 for an empty range.
int argmaxIn(const float* v, int lo, int hi, float* best = nullptr);

// Voicing coefficient of candidate f0 (>= 2) from the comb response; small
// is strongly periodic. `work` is resized to kGridSize as needed.
float coefVoisCorrel(const float* correl, int f0, std::vector<float>& work);

// Median and lower quartile of the first nb levels of `s` (dB); both
// -1e30 for fewer than 8 levels. A median at or below kPeakFloorDb is given
// as kPeakFloorDb, without the quartile. `work` is scratch space.
struct SpectrumLevels {
  float medianDb = -1e30f;
  float quartileDb = -1e30f;
};
SpectrumLevels spectrumLevels(const float* s, int nb, std::vector<float>& work);

// Checks candidate f0 against the dB spectrum `s` (nb bins of binHz Hz) with
// its `levels`. The voice's F0 is f0 raised by m (2..5) while, of its
// multiples below 1500 Hz, those k*f0 with k a multiple of m rise above the
// median level and the others stay near it; riseDb is the mean rise of that
// F0's multiples below 2000 Hz above the lower quartile. Raises never pass
// f0Max. Where the median is at or below kPeakFloorDb noise does not reach
// the grid: f0 stands, not judged (riseDb -1). An F0 whose half or third
// shows harmonics between its multiples too (a multiple of a voice below the
// candidates' range) gets riseDb 0.
VoiceCheck checkVoice(const float* s, int nb, double binHz, int f0, int f0Max, const SpectrumLevels& levels);

}  // namespace ardv
