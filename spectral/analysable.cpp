#include "spectral/analysable.h"

#include <algorithm>
#include <cmath>

#include "platform/report.h"

namespace ardv {

bool analysableRate(const std::string& file, double fs, const std::string& analysis) {
  if (fs >= kAnalysisMinRateHz) return true;
  const std::string rate = std::isfinite(fs) ? std::to_string(std::llround(fs)) : "an unusable";
  message(file + ": " + analysis + " needs a sampling rate of at least " +
          std::to_string(static_cast<int>(kAnalysisMinRateHz)) + " Hz, not " + rate + " Hz");
  return false;
}

bool analysableLength(const std::string& file, std::int64_t samples, std::int64_t frameSamples,
                      const std::string& analysis) {
  frameSamples = std::max<std::int64_t>(frameSamples, 1);
  if (samples >= frameSamples) return true;
  message(file + ": nothing to analyse (" + std::to_string(std::max<std::int64_t>(samples, 0)) +
          " samples, fewer than one " + analysis + " frame of " + std::to_string(frameSamples) + ")");
  return false;
}

}  // namespace ardv
