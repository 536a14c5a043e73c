// The formant analysis options (frame step, LPC order factor, lifter bounds)
// and the quantities derived from them at a sampling frequency.
#pragma once

#include <string>

namespace ardv {

struct FormantOptions {
  double stepMs = 4.0;        // hop between analysis frames
  double orderFactor = 1.0;   // LPC order p = round((fs + 10)·factor·0.001 + 2)
  double lifterLowMs = 1.25;  // cepstral lifter, flat part
  double lifterHighMs = 2.5;  // cepstral lifter, end of the taper
  double voiceF0FloorHz = 0.0;  // lowest F0 of the voice analysed, 0 when not known
  bool operator==(const FormantOptions&) const = default;
};

// A voice whose F0 never falls below this (a child's) has a short vocal
// tract, with formants about 1.5 kHz apart instead of 1 kHz.
inline constexpr double kShortTractF0FloorHz = 250.0;

// The global options of the formant analyses.
FormantOptions& formantOptions();

// LPC order for fs Hz: round((fs + 10)·factor·0.001 + 2), halves away from
// zero, clamped to 4..60 (18 at 16 kHz, 10 at 8 kHz); a non-finite or
// negative product gives 4.
int formantLpcOrder(double fs, double factor);

// The order of the options at fs: formantLpcOrder(fs, orderFactor), except
// for a voice of F0 floor ≥ kShortTractF0FloorHz with the factor left at 1,
// whose order counts a pole pair per 1.5 kHz up to 8 kHz and one per kHz
// above: round(2/3·min(fs, 16000)/1000 + max(0, fs − 16000)/1000 + 2)
// (13 at 16 kHz, 7 at 8 kHz, 45 at 48 kHz).
int formantLpcOrder(const FormantOptions& options, double fs);

// Hop in samples: the step converted at fs, at least 1.
int formantStepSamples(const FormantOptions& options, double fs);

// Lifter bounds in samples (truncated), lower ≤ upper, both ≥ 0.
int lifterLowSamples(const FormantOptions& options, double fs);
int lifterHighSamples(const FormantOptions& options, double fs);

// Sets one lifter bound and keeps the pair ordered: the lower becomes the
// smaller and the upper the larger of the two values.
void setLowerLifterBound(FormantOptions& options, double ms);
void setUpperLifterBound(FormantOptions& options, double ms);

// Checks options entered by a user: a finite step of at least 0.1 ms, a
// finite positive order factor of at most 10, finite lifter bounds from 0 to
// 50 ms, a voice F0 floor from 0 to 2000 Hz. Returns an empty string when they are usable, else the reason.
std::string formantOptionsProblem(const FormantOptions& options);

// The options summary lines (sampling frequency, step in samples, LPC order,
// the lifter bounds in samples) under the given labels.
std::string formantOptionsSummary(const FormantOptions& options, double fs, const std::string labels[5]);

}  // namespace ardv
