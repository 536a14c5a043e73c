// Tick placement of the time and frequency scales.
#include "shell/logic/scales.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "shell/logic/geometry.h"

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
      std::snprintf(label, sizeof label, "%g", t / 1000);
    else if (step >= 1)
      std::snprintf(label, sizeof label, "%.0f", t);
    else
      std::snprintf(label, sizeof label, "%.*f", step >= 0.1 ? 1 : 2, t);
    ticks.push_back({t, (t - startMs) * widthPx / range, label});
  }
  return ticks;
}

std::vector<Tick> secondTicks(double startMs, double endMs, int widthPx, int minSpacing) {
  std::vector<Tick> ticks = timeTicks(startMs, endMs, widthPx, minSpacing);
  if (ticks.empty()) return ticks;
  const double step = niceStep(endMs - startMs, widthPx, minSpacing);
  const int decimals = std::clamp(static_cast<int>(std::ceil(3 - std::log10(step) - 1e-9)), 0, 6);
  for (Tick& t : ticks) {
    char label[32];
    // Rounded to the step first, so that a sum of steps never prints as -0.
    std::snprintf(label, sizeof label, "%.*f", decimals, std::round(t.value / step) * step / 1000 + 0.0);
    t.label = label;
  }
  return ticks;
}

std::pair<double, double> f0SpeechAxis(const std::vector<int>& hz, double lo, double hi) {
  if (!(hi > lo) || lo < 0) return {0.0, std::max(hi, 1.0)};
  double a = hi, b = lo;
  for (int f : hz)
    if (f > 0) a = std::min(a, double(f)), b = std::max(b, double(f));
  if (a > b) {
    a = lo;
    b = hi;
  }
  const double margin = (b - a) / 10;
  a -= margin;
  b += margin;
  if (b < 2 * a) {  // at least an octave
    const double middle = std::sqrt(a * b);
    a = middle / std::sqrt(2.0);
    b = middle * std::sqrt(2.0);
  }
  a = std::max(a, lo);
  b = std::min(b, hi);
  return {std::floor(a / 10) * 10, std::ceil(b / 10) * 10};
}

const char* timeTicksUnit(double startMs, double endMs, int widthPx, int minSpacing) {
  return niceStep(endMs - startMs, widthPx, minSpacing) >= 1000 ? "s" : "ms";
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

double perceptualTop(PerceptualScale scale, double fsHz, int displayedBins, int fftSize) {
  if (fftSize < 2) return 0.0;
  return displayedBins / (fftSize / 2.0) * scaleFromHz(scale, fsHz / 2);
}

int perceptualRow(PerceptualScale scale, double top, int heightPx, double hz) {
  return FrequencyAxis::perceptual(scale, top, heightPx).rowOfHz(hz);
}

std::vector<Tick> perceptualFrequencyTicks(PerceptualScale scale, double top, int heightPx, int minSpacing) {
  std::vector<Tick> ticks;
  if (!(top > 0) || heightPx <= 0) return ticks;
  const int spacing = std::max(1, minSpacing);
  const double topHz = hzFromScale(scale, top);
  double lastHz = 0;
  int lastRow = perceptualRow(scale, top, heightPx, 0);
  ticks.push_back({0, double(lastRow), "0"});
  for (;;) {
    const int targetRow = lastRow - spacing;
    if (targetRow < 0) break;
    // Frequency at the target row (rows count down from the bottom row H - 1).
    const double targetHz = hzFromScale(scale, (heightPx - 1 - targetRow) * top / heightPx);
    const double gap = targetHz - lastHz;
    if (!(gap > 0)) break;
    double step = std::pow(10.0, std::floor(std::log10(gap)));
    if (5 * step <= gap) step *= 5;
    else if (2 * step <= gap) step *= 2;
    double hz = std::ceil(targetHz / step - 1e-9) * step;
    int row = perceptualRow(scale, top, heightPx, hz);
    while (lastRow - row < spacing && hz <= topHz) row = perceptualRow(scale, top, heightPx, hz += step);
    if (hz > topHz * (1 + 1e-12) || row < 0) break;
    char label[32];
    std::snprintf(label, sizeof label, "%.0f", hz);
    ticks.push_back({hz, double(row), label});
    lastHz = hz;
    lastRow = row;
  }
  return ticks;
}

namespace {

// The shared scale factor of the F0 and energy axes.
double axisFactor(double fTopHz) {
  const long q = std::max(static_cast<long>(fTopHz) / 2000, 1L);
  if (q < 5) return static_cast<double>(5 / q + 1);
  if (q / 5 == 1) return 1.0;
  return 1.0 / (static_cast<double>(q) / 5.0);
}

}  // namespace

double f0AxisTopHz(double fTopHz) { return 100.0 * axisFactor(fTopHz) * std::max(0.0005 * fTopHz, 1.0); }

double energyAxisSpanDb(double fTopHz) { return 10.0 * axisFactor(fTopHz) * 0.0005 * fTopHz; }

std::vector<Tick> valueTicks(double lo, double hi, int heightPx, int minSpacing) {
  std::vector<Tick> ticks;
  if (hi <= lo || heightPx <= 0) return ticks;
  const double step = niceStep(hi - lo, heightPx, minSpacing);
  const FrequencyAxis axis(hi - lo, heightPx);
  for (double v = std::ceil(lo / step) * step; v <= hi + 1e-9; v += step) {
    char label[32];
    std::snprintf(label, sizeof label, "%.0f", v);
    ticks.push_back({v, double(axis.rowOfHz(v - lo)), label});
  }
  return ticks;
}

}  // namespace ardv::shell
