// Run-wide statistics of the F0 detector: 101-bin histograms and their
// quantiles, the median F0 (media_), the band-energy track of the low band
// (ener) and the short-window voicing energy (enerVoisBrut, enerVois).
#pragma once

#include <array>
#include <vector>

#include "prosody/pitch_run.h"

namespace ardv {

// Bins 0..100: values below 1 in bin 0, above 100 in bin 100, else trunc(v).
struct Histogram {
  std::array<int, 101> bins{};
  int count = 0;
  void add(double v);
  // One bin below the bin where the count from the top reaches
  // nearest((count - bins[0]) * frac); 100 when nothing counts.
  int quantile(double frac) const;
};

// Median of the values in lo..hi by 2-Hz bins; lo - 1 with fewer than two
// values in range. lo >= hi reports the internal fault of the median.
int media_(const std::vector<int>& values, int lo, int hi);

// Fills run.ener from the 256-point band spectrogram (one value per column):
// mean over channels 0..c(harmBandHz) of max(dB - 58, 0). False after an
// internal-fault report if a column cannot be computed.
bool computeBandEnergy(PitchRun& run);

// Fills run.brut (4-ms windows every 2 ms, channels 0..c(500), dB above 60).
bool enerVoisBrut(PitchRun& run);

// Fills run.enerVois: per frame, the mean of run.brut over one median period
// (run.thr.F0med) around the frame centre.
void enerVois(PitchRun& run);

}  // namespace ardv
