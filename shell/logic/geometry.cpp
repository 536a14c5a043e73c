// Pane layout and coordinate mappings of the main window.
#include "shell/logic/geometry.h"

#include <algorithm>
#include <cmath>

namespace ardv::shell {

MainLayout layoutPanes(int width, int height, int lineHeight, int rightMargin, int tierRows, int overviewHeight) {
  const int h = lineHeight + 2;
  const int overview = std::max(0, overviewHeight);
  const int signalTop = height - kScrollBand - kSignalPlaneHeight - overview;
  const int phonemeTop = signalTop - h;
  const int tiers = std::max(0, tierRows) * h;
  const int right = std::clamp(rightMargin, 0, std::max(0, width - kScaleMargin));
  const int inner = width - right;
  MainLayout layout;
  layout.word = {kScaleMargin, 0, inner - kScaleMargin, h};
  layout.tiers = {kScaleMargin, h, inner - kScaleMargin, tiers};
  layout.spectro = {0, h + tiers, inner, phonemeTop - h - tiers};
  layout.phoneme = {kScaleMargin, phonemeTop, inner - kScaleMargin, h};
  layout.signal = {0, signalTop, inner, kSignalPlaneHeight};
  layout.overview = {kScaleMargin, height - kScrollBand - overview, width - kScaleMargin, overview};
  layout.scroll = {kScaleMargin, height - kScrollBand, width - kScaleMargin, kScrollBarHeight};
  layout.valueScales = {inner, h + tiers, right, phonemeTop - h - tiers};
  return layout;
}

TimeAxis::TimeAxis(std::int32_t first, std::int32_t last, int widthPx)
    : first_(first), last_(std::max(first, last)), width_(widthPx) {}

std::int32_t TimeAxis::sampleAt(int x) const {
  if (x <= 0 || width_ <= 0) return first_;
  if (x >= width_) return last_;
  return static_cast<std::int32_t>(first_ + std::int64_t(x) * visibleSamples() / width_);
}

double TimeAxis::xOf(double s) const {
  return (s - first_) * width_ / static_cast<double>(visibleSamples());
}

double TimeAxis::msAt(int x, double frequence) const {
  if (frequence < 1e-10) return 0.0;
  const double perMs = 0.001 * frequence;
  const double start = first_ / perMs;
  const double duration = visibleSamples() / perMs;
  if (x <= 0 || width_ <= 0) return start;
  if (x >= width_) return start + duration;
  return x * duration / width_ + start;
}

int FrequencyAxis::rowOfU(double u) const {
  return height_ - 1 - static_cast<int>(u / kTop * height_ + 0.5);
}

FrequencyAxis FrequencyAxis::perceptual(PerceptualScale scale, double top, int heightPx) {
  FrequencyAxis axis(top > 0 ? hzFromScale(scale, top) : 0.0, heightPx);
  axis.perceptual_ = true;
  axis.scale_ = scale;
  axis.top_ = top;
  return axis;
}

int FrequencyAxis::rowOfHz(double hz) const {
  if (fmax_ <= 0) return height_ - 1;
  if (perceptual_) return rowOfU(scaleFromHz(scale_, hz) / top_ * kTop);
  return rowOfU(hz / fmax_ * kTop);
}

double FrequencyAxis::hzAtRow(int y) const {
  if (height_ <= 0) return 0.0;
  // rowOfU rounds, so row y is centred on u = (H - 1 - y) / H * 128.
  const double share = double(height_ - 1 - y) / height_;
  return perceptual_ ? hzFromScale(scale_, share * top_) : share * fmax_;
}

std::int32_t ScrollMapping::startSample(int p, std::int32_t tf) const {
  if (pmax <= pmin || tf <= 1) return 0;
  p = std::clamp(p, pmin, pmax);
  const double s = double(p - pmin) / double(pmax - pmin) * double(tf - 1);
  return std::clamp<std::int32_t>(static_cast<std::int32_t>(s), 0, tf - 1);
}

int ScrollMapping::position(std::int32_t s, std::int32_t tf) const {
  if (pmax <= pmin || tf <= 1 || s <= 0) return pmin;
  if (s >= tf - 1) return pmax;
  int p = pmin + static_cast<int>(std::floor(double(s) * double(pmax - pmin) / double(tf - 1)));
  // Floating rounding may put p one step off either way.
  while (p > pmin && startSample(p, tf) > s) --p;
  while (p < pmax && startSample(p + 1, tf) <= s) ++p;
  return p;
}

PaneRect placeWindow(int wantW, int wantH, int frameW, int frameH, const PaneRect& over, const PaneRect& screen) {
  frameW = std::max(frameW, 0);
  frameH = std::max(frameH, 0);
  PaneRect r;
  r.width = std::max(1, std::min(wantW, screen.width - frameW));
  r.height = std::max(1, std::min(wantH, screen.height - frameH));
  const PaneRect& centre = over.visible() ? over : screen;
  r.x = centre.x + (centre.width - r.width - frameW) / 2;
  r.y = centre.y + (centre.height - r.height - frameH) / 2;
  // The right and bottom edges first, so that the top left wins on a screen
  // smaller than the smallest window.
  r.x = std::max(std::min(r.x, screen.x + screen.width - r.width - frameW), screen.x);
  r.y = std::max(std::min(r.y, screen.y + screen.height - r.height - frameH), screen.y);
  return r;
}

}  // namespace ardv::shell
