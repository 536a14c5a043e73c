// Tick placement of the time and frequency scales.
#include "shell/scales.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "shell/geometry.h"

namespace ardv::shell {

double niceStep(double range, int pixels, int minSpacing) {
  if (range <= 0 || pixels <= 0) return 1.0;
  const double rough = range * std::max(1, minSpacing) / pixels;
  double base = std::pow(10.0, std::floor(std::log10(rough)));
  for (;;) {
    for (double m : {1.0, 2.0, 5.0})
      if (m * base >= rough * (1 - 1e-12)) return m * base;
    base *= 10;
  }
}

std::vector<Tick> timeTicks(double startMs, double endMs, int widthPx, int minSpacing) {
  std::vector<Tick> ticks;
  const double range = endMs - startMs;
  if (range <= 0 || widthPx <= 0) return ticks;
  const double step = niceStep(range, widthPx, minSpacing);
  for (double t = std::ceil(startMs / step) * step; t <= endMs + 1e-9; t += step) {
    char label[32];
    if (step >= 1000)
      std::snprintf(label, sizeof label, "%g s", t / 1000);
    else if (step >= 1)
      std::snprintf(label, sizeof label, "%.0f", t);
    else
      std::snprintf(label, sizeof label, "%.*f", step >= 0.1 ? 1 : 2, t);
    ticks.push_back({t, (t - startMs) * widthPx / range, label});
  }
  return ticks;
}

std::vector<Tick> frequencyTicks(double fmaxHz, int heightPx, int minSpacing) {
  std::vector<Tick> ticks;
  if (fmaxHz <= 0 || heightPx <= 0) return ticks;
  const double step = niceStep(fmaxHz, heightPx, minSpacing);
  const FrequencyAxis axis(fmaxHz, heightPx);
  for (double f = 0; f <= fmaxHz + 1e-9; f += step) {
    char label[32];
    std::snprintf(label, sizeof label, "%.0f", f);
    ticks.push_back({f, double(axis.rowOfHz(f)), label});
  }
  return ticks;
}

}  // namespace ardv::shell
