// F0 axis range.
#include "shell/prosody/f0_axis.h"

#include <algorithm>

#include "prosody/pitch_types.h"
#include "shell/logic/geometry.h"
#include "shell/logic/scales.h"
#include "shell/main_window/options_dialog.h"

namespace ardv::shell {
namespace {

std::vector<int>& shown() {
  static std::vector<int> values;
  return values;
}

}  // namespace

std::pair<double, double> f0AxisRange(double fmaxHz) {
  const double fixedTop = f0AxisTopHz(fmaxHz);
  if (!displayOptions().f0SpeechRange) return {0.0, fixedTop};
  const SpeakerF0Params p = speakerF0Params(speakerType());
  return f0SpeechAxis(shown(), p.f0Min, std::min<double>(p.f0Max, std::max(fixedTop, double(p.f0Min) + 10)));
}

double f0AxisU(double hz, double fmaxHz) {
  const auto [lo, hi] = f0AxisRange(fmaxHz);
  return hi > lo ? (hz - lo) / (hi - lo) * FrequencyAxis::kTop : 0.0;
}

void noteShownF0(const std::vector<int>& hz) { shown().insert(shown().end(), hz.begin(), hz.end()); }
void clearShownF0() { shown().clear(); }

}  // namespace ardv::shell
