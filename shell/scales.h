// Tick marks of the time scale (under the waveform) and of the frequency
// scale (left of the spectrogram): round values, spaced so labels fit.
#pragma once

#include <string>
#include <vector>

namespace ardv::shell {

struct Tick {
  double value;  // ms or Hz
  double pos;    // pixel column or row
  std::string label;
};

// The smallest step of the form 1, 2 or 5 x 10^k such that `range` units
// shown over `pixels` pixels put ticks at least `minSpacing` pixels apart.
double niceStep(double range, int pixels, int minSpacing);

// Ticks of a time scale from startMs to endMs over `widthPx` columns
// (labels in ms, or in s with decimals when the step is 1000 ms or more).
std::vector<Tick> timeTicks(double startMs, double endMs, int widthPx, int minSpacing);

// Ticks of a frequency scale 0..fmaxHz over `heightPx` rows, row of f given
// by H - 1 - trunc(f / fmax * H + 0.5); labels in Hz.
std::vector<Tick> frequencyTicks(double fmaxHz, int heightPx, int minSpacing);

}  // namespace ardv::shell
