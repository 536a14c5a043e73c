// Playback rate conversion. Symbols as usual in DSP: x input, y output,
// h filter, din / dout the up- and down-sampling factors.

#include "prosody/rate_change.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "platform/keyboard.h"
#include "platform/progress.h"
#include "platform/report.h"

namespace ardv {

RateFactors rateFactors(double r) {
  struct Range {
    double below;
    int din, dout;
    bool convert;
  };
  static const Range kRanges[] = {{0.55, 2, 1, true}, {0.63, 5, 3, true}, {0.70, 3, 2, true},
                                  {0.86, 4, 3, true}, {1.2, 1, 1, false}, {1.41, 3, 4, true},
                                  {1.58, 2, 3, true}, {1.82, 3, 5, true}};
  for (const Range& range : kRanges)
    if (r < range.below) return {range.din, range.dout, range.convert};
  return {1, 2, true};
}

std::vector<double> rateChangeFilter(int din, int dout) {
  const double fc = 0.5 / std::max({din, dout, 1});
  const double centre = (kRateChangeTaps - 1) / 2.0;
  std::vector<double> h(kRateChangeTaps);
  double sum = 0.0;
  for (int i = 0; i < kRateChangeTaps; ++i) {
    const double t = i - centre;  // never 0: the length is even
    const double sinc = std::sin(2.0 * std::numbers::pi * fc * t) / (std::numbers::pi * t);
    const double hamming = 0.54 - 0.46 * std::cos(2.0 * std::numbers::pi * i / (kRateChangeTaps - 1));
    h[static_cast<std::size_t>(i)] = sinc * hamming;
    sum += h[static_cast<std::size_t>(i)];
  }
  for (double& v : h) v /= sum;
  return h;
}

std::int64_t rateChangeLength(std::int64_t n, const RateFactors& f) {
  if (!f.convert) return n;
  return std::max<std::int64_t>((n * f.din - kRateChangeTaps) / f.dout - 2, 0);
}

void ChangementFrequence::setInput(std::span<const std::int16_t> x, int inputRateHz) {
  x_ = x;
  inputRateHz_ = inputRateHz;
}

void ChangementFrequence::setOutputRate(int outputRateHz) { outputRateHz_ = outputRateHz; }

RateFactors ChangementFrequence::factors() const {
  if (inputRateHz_ <= 0 || outputRateHz_ <= 0) return {};
  return rateFactors(static_cast<double>(inputRateHz_) / outputRateHz_);
}

std::int64_t ChangementFrequence::convert() {
  const RateFactors f = factors();
  if (!f.convert) {
    y_.assign(x_.begin(), x_.end());
    return static_cast<std::int64_t>(y_.size());
  }
  char line[64];
  std::snprintf(line, sizeof line, "chgt freq : din=%d dout=%d", f.din, f.dout);
  traceLine(line);

  const std::vector<double> h = rateChangeFilter(f.din, f.dout);
  const std::int64_t n = static_cast<std::int64_t>(x_.size());
  const std::int64_t m = rateChangeLength(n, f);
  y_.assign(static_cast<std::size_t>(m), 0);
  const std::int64_t block = std::max<std::int64_t>(std::min<std::int64_t>(m / 20, 1000), 1);
  std::int64_t k = 0;
  escapePressed();  // forget a press made before
  while (k < m) {
    if (escapePressed()) break;
    const std::int64_t end = std::min(k + block, m);
    for (; k < end; ++k) {
      const std::int64_t p = k * f.dout;
      const std::int64_t q = (p + f.din - 1) / f.din;
      double y = 0.0;
      std::int64_t xi = q;
      for (std::int64_t j = q * f.din - p; j < kRateChangeTaps && xi < n; j += f.din, ++xi)
        y += h[static_cast<std::size_t>(j)] * x_[static_cast<std::size_t>(xi)];
      const double v = std::clamp(std::trunc(f.din * y), -32000.0, 32000.0);
      y_[static_cast<std::size_t>(k)] = static_cast<std::int16_t>(v);
    }
    showProgress("chng freq", static_cast<double>(k) / static_cast<double>(m));
  }
  showProgress("chng freq", -1.0);
  y_.resize(static_cast<std::size_t>(k));
  return k;
}

}  // namespace ardv
