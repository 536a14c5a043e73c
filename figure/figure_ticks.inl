// Tick choice, shared by every axis (templated on the label measure).
#pragma once

#include <cmath>
#include <cstdio>
#include <string>

namespace ardv::figure {

inline std::string tickText(double value, int decimals) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, std::abs(value) < 1e-12 ? 0.0 : value);
  return text;
}

template <typename Extent>
TickSet chooseTicks(double lo, double hi, double lengthPx, double minGap, Extent extent) {
  TickSet best;
  if (!(hi > lo) || !(lengthPx > 0.0)) return best;
  const double span = hi - lo;
  const double pxPerUnit = lengthPx / span;
  // From a step giving at most ~lengthPx/2 ticks up to the whole span.
  double base = std::pow(10.0, std::floor(std::log10(span / std::max(2.0, lengthPx / 2.0))));
  for (int tries = 0; tries < 60; ++tries) {
    for (double m : {1.0, 2.0, 5.0}) {
      const double step = m * base;
      const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
      TickSet set;
      set.step = step;
      set.decimals = decimals;
      for (double k = std::ceil(lo / step - 1e-9); k * step <= hi + step * 1e-9; k += 1.0) set.values.push_back(k * step);
      bool fits = true;
      for (std::size_t i = 1; i < set.values.size() && fits; ++i) {
        const double a = extent(tickText(set.values[i - 1], decimals));
        const double b = extent(tickText(set.values[i], decimals));
        fits = (set.values[i] - set.values[i - 1]) * pxPerUnit >= (a + b) / 2.0 + minGap;
      }
      if (fits) return set;
      if (set.values.size() <= 1) return set;
    }
    base *= 10.0;
  }
  return best;
}

}  // namespace ardv::figure
