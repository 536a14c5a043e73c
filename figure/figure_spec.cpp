// Reading and checking a figure's description.
#include "figure/figure_spec.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace ardv::figure {
namespace {

constexpr const char* kPaneNames[] = {"waveform", "spectrogram", "f0", "energy", "phonemes", "words"};

bool number(const std::string& text, double& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (!end || *end || !std::isfinite(v)) return false;
  value = v;
  return true;
}

std::string limits(double low, double high, const char* unit) {
  char text[96];
  std::snprintf(text, sizeof text, "from %g to %g %s", low, high, unit);
  return text;
}

}  // namespace

const char* paneName(Pane pane) { return kPaneNames[static_cast<int>(pane)]; }

int FigureSpec::widthPx() const { return static_cast<int>(std::lround(widthMm * dpi / 25.4)); }
int FigureSpec::heightPx() const { return static_cast<int>(std::lround(heightMm * dpi / 25.4)); }

bool FigureSpec::has(Pane pane) const {
  for (Pane p : panes)
    if (p == pane) return true;
  return false;
}

bool parsePanes(const std::string& text, std::vector<Pane>& panes, std::string& error) {
  std::vector<Pane> read;
  std::size_t at = 0;
  while (at <= text.size()) {
    const std::size_t comma = text.find(',', at);
    const std::string name = text.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
    if (!name.empty()) {
      int found = -1;
      for (int i = 0; i < 6; ++i)
        if (name == kPaneNames[i]) found = i;
      if (found < 0) {
        error = "unknown pane \"" + name + "\" (valid: waveform, spectrogram, f0, energy, phonemes, words)";
        return false;
      }
      read.push_back(static_cast<Pane>(found));
    }
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  if (read.empty()) {
    error = "the pane list is empty (give some of waveform, spectrogram, f0, energy, phonemes, words)";
    return false;
  }
  panes = read;
  return true;
}

bool parseSize(const std::string& text, FigureSpec& spec, std::string& error) {
  std::string body = text;
  bool pixels = false;
  if (body.size() > 2 && body.compare(body.size() - 2, 2, "mm") == 0) {
    body.resize(body.size() - 2);
  } else if (body.size() > 2 && body.compare(body.size() - 2, 2, "px") == 0) {
    body.resize(body.size() - 2);
    pixels = true;
  }
  const std::size_t x = body.find('x');
  double w = 0.0, h = 0.0;
  if (x == std::string::npos || !number(body.substr(0, x), w) || !number(body.substr(x + 1), h)) {
    error = "--size takes WxHmm or WxHpx (for example 160x100mm), not \"" + text + "\"";
    return false;
  }
  const double toMm = pixels ? 25.4 / spec.dpi : 1.0;
  spec.widthMm = w * toMm;
  spec.heightMm = h * toMm;
  return true;
}

bool checkSpec(const FigureSpec& spec, std::string& error) {
  if (spec.dpi < kMinDpi || spec.dpi > kMaxDpi) {
    error = "--dpi takes a whole number " + limits(kMinDpi, kMaxDpi, "dots per inch");
    return false;
  }
  if (!(spec.widthMm >= kMinSideMm && spec.widthMm <= kMaxSideMm && spec.heightMm >= kMinSideMm &&
        spec.heightMm <= kMaxSideMm)) {
    char text[160];
    std::snprintf(text, sizeof text, "the size %g x %g mm is outside the limits: each side ", spec.widthMm,
                  spec.heightMm);
    error = text + limits(kMinSideMm, kMaxSideMm, "mm");
    return false;
  }
  if (static_cast<long long>(spec.widthPx()) * spec.heightPx() > kMaxPixels) {
    error = "the figure would have " + std::to_string(spec.widthPx()) + " x " + std::to_string(spec.heightPx()) +
            " pixels, more than " + std::to_string(kMaxPixels) + ": lower --dpi or --size";
    return false;
  }
  if (!(spec.fontPt >= kMinFontPt && spec.fontPt <= kMaxFontPt)) {
    error = "--font-size takes " + limits(kMinFontPt, kMaxFontPt, "pt");
    return false;
  }
  if (!(spec.rangeDb == 0.0 || (spec.rangeDb >= 10.0 && spec.rangeDb <= 150.0))) {
    error = "--range takes " + limits(10, 150, "dB");
    return false;
  }
  if (!(spec.fmaxHz == 0.0 || (spec.fmaxHz >= 100.0 && spec.fmaxHz <= 500000.0))) {
    error = "--fmax takes " + limits(100, 500000, "Hz") + " (at most half the sampling rate)";
    return false;
  }
  if (spec.panes.empty()) {
    error = "the pane list is empty";
    return false;
  }
  if (spec.fromMs >= 0.0 && spec.toMs >= 0.0 && spec.fromMs >= spec.toMs) {
    error = "--from must be below --to";
    return false;
  }
  return true;
}

}  // namespace ardv::figure
