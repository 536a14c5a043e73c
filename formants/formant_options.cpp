// Formant analysis options.
#include "formants/formant_options.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "signal/time_conversion.h"

namespace ardv {

FormantOptions& formantOptions() {
  static FormantOptions options;
  return options;
}

int formantLpcOrder(double fs, double factor) {
  const double raw = (fs + 10.0) * factor * 0.001 + 2.0;
  if (!std::isfinite(raw) || raw < 4.0) return 4;
  return static_cast<int>(std::min(60.0, std::round(raw)));
}

int formantLpcOrder(const FormantOptions& options, double fs) {
  if (options.orderFactor != 1.0 || !(options.voiceF0FloorHz >= kShortTractF0FloorHz) || !std::isfinite(fs) ||
      fs <= 0.0)
    return formantLpcOrder(fs, options.orderFactor);
  const double raw = 2.0 / 3.0 * std::min(fs, 16000.0) * 0.001 + std::max(0.0, fs - 16000.0) * 0.001 + 2.0;
  return static_cast<int>(std::clamp(std::round(raw), 4.0, 60.0));
}

int formantLpcOrderAtCeiling(const FormantOptions& options, double fs, double ceilingHz) {
  if (ceilingHz == kReferenceCeilingHz || !(ceilingHz > 0.0)) return formantLpcOrder(options, fs);
  const double raw = 10.0 * fs / 2.0 / ceilingHz * options.orderFactor + 2.0;
  if (!std::isfinite(raw)) return 4;
  return static_cast<int>(std::clamp(std::round(raw), 4.0, 60.0));
}

int formantStepSamples(const FormantOptions& options, double fs) {
  const double ms = std::isfinite(options.stepMs) ? std::clamp(options.stepMs, 0.0, 1e6) : 0.0;
  return static_cast<int>(std::max<std::int64_t>(1, msToSamples(ms, fs)));
}

namespace {

int lifterSamples(double ms, double fs) {
  if (!std::isfinite(ms) || ms <= 0.0 || !(fs > 0.0)) return 0;
  return static_cast<int>(std::min(ms * 0.001 * fs, 4096.0));
}

}  // namespace

int lifterLowSamples(const FormantOptions& options, double fs) {
  return std::min(lifterSamples(options.lifterLowMs, fs), lifterSamples(options.lifterHighMs, fs));
}

int lifterHighSamples(const FormantOptions& options, double fs) {
  return std::max(lifterSamples(options.lifterLowMs, fs), lifterSamples(options.lifterHighMs, fs));
}

void setLowerLifterBound(FormantOptions& options, double ms) {
  const double other = options.lifterHighMs;
  options.lifterLowMs = std::min(ms, other);
  options.lifterHighMs = std::max(ms, other);
}

void setUpperLifterBound(FormantOptions& options, double ms) {
  const double other = options.lifterLowMs;
  options.lifterLowMs = std::min(ms, other);
  options.lifterHighMs = std::max(ms, other);
}

std::string formantOptionsProblem(const FormantOptions& o) {
  if (!std::isfinite(o.stepMs) || o.stepMs < 0.1) return "the frame step must be at least 0.1 ms";
  if (!std::isfinite(o.orderFactor) || o.orderFactor <= 0.0 || o.orderFactor > 10.0)
    return "the order factor must lie above 0 and at most 10";
  for (double b : {o.lifterLowMs, o.lifterHighMs})
    if (!std::isfinite(b) || b < 0.0 || b > 50.0) return "the lifter bounds must lie between 0 and 50 ms";
  if (!std::isfinite(o.voiceF0FloorHz) || o.voiceF0FloorHz < 0.0 || o.voiceF0FloorHz > 2000.0)
    return "the voice's F0 floor must lie between 0 and 2000 Hz";
  if (!std::isfinite(o.ceilingHz) ||
      (o.ceilingHz != 0.0 && (o.ceilingHz < kLowestCeilingHz || o.ceilingHz > kHighestCeilingHz)))
    return "the analysis ceiling must be automatic or lie between 3000 and 10000 Hz";
  return {};
}

std::string formantOptionsSummary(const FormantOptions& o, double fs, const std::string labels[5]) {
  char line[160];
  std::string s;
  std::snprintf(line, sizeof line, "%s %.0f\n", labels[0].c_str(), fs);
  s += line;
  std::snprintf(line, sizeof line, "%s %d\n", labels[1].c_str(), formantStepSamples(o, fs));
  s += line;
  std::snprintf(line, sizeof line, "%s %d\n", labels[2].c_str(), formantLpcOrder(o, fs));
  s += line;
  std::snprintf(line, sizeof line, "%s %d\n", labels[3].c_str(), lifterLowSamples(o, fs));
  s += line;
  std::snprintf(line, sizeof line, "%s %d\n", labels[4].c_str(), lifterHighSamples(o, fs));
  s += line;
  return s;
}

}  // namespace ardv
