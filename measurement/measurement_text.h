// The measurement of a stretch as the lines the window's panel shows (and a
// user copies): every figure with its unit, a missing one said in words.
#pragma once

#include <cstdint>
#include <string>

#include "measurement/measurement.h"

namespace ardv {

// The lines of `m`, headed by `title` (for example "Selection" or
// "Segment \"a\"").
std::string measurementText(const Measurement& m, const std::string& title);

// Measurements of the current stretches of one file: whole-file analyses of
// files up to kWholeFileMs, kept while the file stays the same (name, size,
// modification time), so that a new selection costs a summary only; longer
// files are analysed over the stretch, the formant tracker starting
// kFormantContextMs before it. The bound keeps the first answer within 50 ms:
// the analyses take about 7 ms of processor time per second of file, a
// stretch of 1 s with its context about 24 ms.
class StretchMeasurer {
 public:
  static constexpr double kWholeFileMs = 5000.0;
  static constexpr double kFormantContextMs = 2000.0;

  // Measures samples start..end-1 of `file`. False after the analysis's report.
  bool measure(const infoFile& file, std::int64_t start, std::int64_t end, const MeasureSettings& settings,
               Measurement& out);
  // Forgets the kept analyses.
  void clear() { key_.clear(); }

 private:
  std::string key_;
  RangeAnalyses whole_;
};

}  // namespace ardv
