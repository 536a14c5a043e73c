// Drawing arithmetic of the main window, free of any toolkit: the pane layout,
// the mapping between pixel columns and samples, between frequencies and
// pixel rows, and between scroll-bar positions and the first shown sample.
#pragma once

#include <cstdint>

#include "spectral/critical_band_scale.h"

namespace ardv::shell {

// Width of the left margin that holds the vertical scales, pixels.
constexpr int kScaleMargin = 68;
// Height of the signal plane (waveform and time scale), pixels.
constexpr int kSignalPlaneHeight = 88;
// Band at the bottom of the window holding the scroll bar, pixels.
constexpr int kScrollBand = 15;
constexpr int kScrollBarHeight = 16;

struct PaneRect {
  int x = 0, y = 0, width = 0, height = 0;
  // A pane of zero or negative size is not drawn.
  bool visible() const { return width > 0 && height > 0; }
  bool operator==(const PaneRect&) const = default;
};

// Height of the overview strip of the whole file, pixels.
constexpr int kOverviewHeight = 36;

struct MainLayout {
  PaneRect word, spectro, phoneme, signal, scroll;
  PaneRect tiers;     // the other tiers of a TextGrid, under the word pane
  PaneRect overview;  // the whole file, above the scroll bar
  PaneRect valueScales;  // right of the spectrogram, when a value scale is shown
};

// Width of one value scale (F0, energy) in the right margin.
constexpr int kValueScaleWidth = 46;

// The five panes for a client area of `width` x `height` pixels and a font
// line height of `lineHeight` pixels (each annotation pane is lineHeight + 2
// high). A right margin of `rightMargin` pixels beside the spectrogram holds
// the value scales; the four panes that share the time axis all give it up,
// so that their columns stay aligned. `tierRows` extra tiers, one line each,
// go under the word pane and an overview strip `overviewHeight` high above
// the scroll bar, both taken from the spectrogram. Sizes may come out zero
// or negative for a tiny window.
MainLayout layoutPanes(int width, int height, int lineHeight, int rightMargin = 0, int tierRows = 0,
                       int overviewHeight = 0);

// Where a window opens: a client area of up to wantW x wantH pixels inside a
// frame frameW x frameH pixels larger, centred on the rectangle `over` (the
// window it belongs to; none when empty) else on `screen`, then moved and
// shrunk so that the whole frame lies inside `screen` (the screen's free
// area). x, y of the result are the frame's top left, width and height the
// client area's.
PaneRect placeWindow(int wantW, int wantH, int frameW, int frameH, const PaneRect& over, const PaneRect& screen);

// Pixel columns of a plane `widthPx` wide against the displayed stretch
// first..last (inclusive sample indices).
class TimeAxis {
 public:
  TimeAxis(std::int32_t first, std::int32_t last, int widthPx);

  // Sample under column x: first + x * (visible samples) / width, truncated;
  // x <= 0 gives first, x >= width gives last.
  std::int32_t sampleAt(int x) const;
  // Column (fractional) where sample s starts; the inverse of sampleAt.
  double xOf(double s) const;
  // Time in ms of column x at `frequence` Hz: column * visible duration /
  // width + visible start, the start for x <= 0 and the end for x >= width.
  // 0 when the frequency is below 1e-10.
  double msAt(int x, double frequence) const;

  std::int32_t first() const { return first_; }
  std::int32_t last() const { return last_; }
  std::int64_t visibleSamples() const { return std::int64_t(last_) - first_ + 1; }
  int width() const { return width_; }

 private:
  std::int32_t first_, last_;
  int width_;
};

// Pixel rows of a spectrogram plane `heightPx` high showing 0..fmax Hz. The
// plane works in a coordinate u where 0 is 0 Hz and 128 is fmax; on a
// perceptual axis u is proportional to the value of a perceptual scale.
class FrequencyAxis {
 public:
  static constexpr double kTop = 128.0;
  FrequencyAxis(double fmaxHz, int heightPx) : fmax_(fmaxHz), height_(heightPx) {}
  // Equal rows are equal steps of `scale`; the top stands for the scale
  // value `top` (see perceptualTop in scales.h).
  static FrequencyAxis perceptual(PerceptualScale scale, double top, int heightPx);
  bool isPerceptual() const { return perceptual_; }
  PerceptualScale scale() const { return scale_; }
  double top() const { return top_; }

  // Row of coordinate u: H - 1 - trunc(u / 128 * H + 0.5).
  int rowOfU(double u) const;
  // Row of a frequency in Hz.
  int rowOfHz(double hz) const;
  // Frequency in Hz at the middle of row y.
  double hzAtRow(int y) const;
  double fmax() const { return fmax_; }
  int height() const { return height_; }

 private:
  double fmax_;
  int height_;
  bool perceptual_ = false;
  PerceptualScale scale_ = PerceptualScale::Bark;
  double top_ = 0.0;  // scale value at the top (perceptual axis)
};

// Scroll bar positions pmin..pmax against the samples 0..tf-1 of the signal.
struct ScrollMapping {
  int pmin = 0, pmax = 10000;
  // First sample of the view for thumb position p: trunc((p - pmin) /
  // (pmax - pmin) * (tf - 1)), limited to 0..tf-1.
  std::int32_t startSample(int p, std::int32_t tf) const;
  // Thumb position showing a view that starts at sample s (nearest position
  // whose startSample is not past s).
  int position(std::int32_t s, std::int32_t tf) const;
};

}  // namespace ardv::shell
