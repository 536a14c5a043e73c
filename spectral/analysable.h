// Whether a signal can be analysed at all: a sampling rate the analyses can
// use and at least one analysis frame of samples.
#pragma once

#include <cstdint>
#include <string>

namespace ardv {

// Lowest sampling rate any analysis accepts, Hz (the energy analysis's own
// floor): below it frames of a few milliseconds hold a sample or none.
constexpr double kAnalysisMinRateHz = 1000.0;

// True when `fs` Hz is at least kAnalysisMinRateHz. Otherwise reports
// "<file>: <analysis> needs a sampling rate of at least 1000 Hz, not fs Hz"
// and returns false.
bool analysableRate(const std::string& file, double fs, const std::string& analysis);

// True when `samples` is at least `frameSamples` (and 1). Otherwise reports
// "<file>: nothing to analyse (n samples, fewer than one <analysis> frame of
// m)" and returns false.
bool analysableLength(const std::string& file, std::int64_t samples, std::int64_t frameSamples,
                      const std::string& analysis);

}  // namespace ardv
