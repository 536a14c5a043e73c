// Tick marks of the time scale (under the waveform) and of the frequency
// scale (left of the spectrogram): round values, spaced so labels fit.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "spectral/critical_band_scale.h"

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
// (labels in ms, or in s when the step is 1000 ms or more; the labels carry
// no unit: timeTicksUnit gives it).
std::vector<Tick> timeTicks(double startMs, double endMs, int widthPx, int minSpacing);
// "ms" or "s", the unit of the labels timeTicks gives for the same arguments.
const char* timeTicksUnit(double startMs, double endMs, int widthPx, int minSpacing);
// The ticks of timeTicks labelled in seconds whatever the step, with as many
// decimals as the step needs ("0.25", "1.5", "12"): the analysis windows'
// time axes, whose caption says "s".
std::vector<Tick> secondTicks(double startMs, double endMs, int widthPx, int minSpacing);

// Ticks of a frequency scale 0..fmaxHz over `heightPx` rows, row of f given
// by H - 1 - trunc(f / fmax * H + 0.5); labels in Hz.
std::vector<Tick> frequencyTicks(double fmaxHz, int heightPx, int minSpacing);

// The perceptual axis of the critical-band spectrogram: displayed bin k of N
// stands for the scale value k / (N/2) * scale(fs/2), so the plane's top
// (bin `displayedBins`) stands for the value this returns.
double perceptualTop(PerceptualScale scale, double fsHz, int displayedBins, int fftSize);

// Row of `hz` on a plane `heightPx` high whose top stands for the scale value
// `top`: H - 1 - trunc(scale(hz) / top * H + 0.5).
int perceptualRow(PerceptualScale scale, double top, int heightPx, double hz);

// Ticks of such a plane, labelled in Hz: 0 at the bottom, then upwards the
// roundest frequency at least `minSpacing` rows above the previous tick (a
// multiple of the largest 1, 2 or 5 x 10^k step fitting the gap).
std::vector<Tick> perceptualFrequencyTicks(PerceptualScale scale, double top, int heightPx, int minSpacing);
// Top of the F0 axis in Hz for a spectrogram shown up to fTopHz: the axis
// spans 0 .. 100 * g * max(0.0005 * fTop, 1) Hz over the plane's height,
// with q = max(trunc(fTop) / 2000, 1) and g = 5/q + 1 below q = 5, 1 up to
// q = 9, and 1 / (q/5) above (that last quotient taken in reals, so that
// high sampling rates keep a usable axis).
double f0AxisTopHz(double fTopHz);

// An F0 axis over a speech range: the range of the F0 values `hz` shown
// (none: the speaker's lo..hi), widened by a tenth each way and to at least
// an octave about its geometric middle, kept inside lo..hi, then rounded
// out to tens of Hz. Returns {bottom, top} in Hz.
std::pair<double, double> f0SpeechAxis(const std::vector<int>& hz, double lo, double hi);

// Span in dB of the energy axis above eLow for a spectrogram shown up to
// fTopHz: 10 * g * 0.0005 * fTop with q = max(trunc(fTop) / 2000, 1) and g
// as for the F0 axis.
double energyAxisSpanDb(double fTopHz);

// Ticks of a vertical axis showing lo..hi over `heightPx` rows (lo at the
// bottom, rows as the frequency scale's), labels without decimals.
std::vector<Tick> valueTicks(double lo, double hi, int heightPx, int minSpacing);

}  // namespace ardv::shell
