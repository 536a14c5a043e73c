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
};

// The global options of the formant analyses.
FormantOptions& formantOptions();

// LPC order for fs Hz: round((fs + 10)·factor·0.001 + 2), halves away from
// zero, clamped to 4..60 (18 at 16 kHz, 10 at 8 kHz); a non-finite or
// negative product gives 4.
int formantLpcOrder(double fs, double factor);

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
// 50 ms. Returns an empty string when they are usable, else the reason.
std::string formantOptionsProblem(const FormantOptions& options);

// The options summary lines (sampling frequency, step in samples, LPC order,
// the lifter bounds in samples) under the given labels.
std::string formantOptionsSummary(const FormantOptions& options, double fs, const std::string labels[5]);

}  // namespace ardv
