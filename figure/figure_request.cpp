// Reading and checking a figure's description.
#include "figure/figure_request.h"

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

int FigureRequest::widthPx() const { return static_cast<int>(std::lround(widthMm * dpi / 25.4)); }
int FigureRequest::heightPx() const { return static_cast<int>(std::lround(heightMm * dpi / 25.4)); }

bool FigureRequest::has(Pane pane) const {
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

bool parseSize(const std::string& text, FigureRequest& request, std::string& error) {
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
  const double toMm = pixels ? 25.4 / request.dpi : 1.0;
  request.widthMm = w * toMm;
  request.heightMm = h * toMm;
  return true;
}

bool checkRequest(const FigureRequest& request, std::string& error) {
  if (request.dpi < kMinDpi || request.dpi > kMaxDpi) {
    error = "--dpi takes a whole number " + limits(kMinDpi, kMaxDpi, "dots per inch");
    return false;
  }
  if (!(request.widthMm >= kMinSideMm && request.widthMm <= kMaxSideMm && request.heightMm >= kMinSideMm &&
        request.heightMm <= kMaxSideMm)) {
    char text[160];
    std::snprintf(text, sizeof text, "the size %g x %g mm is outside the limits: each side ", request.widthMm,
                  request.heightMm);
    error = text + limits(kMinSideMm, kMaxSideMm, "mm");
    return false;
  }
  if (static_cast<long long>(request.widthPx()) * request.heightPx() > kMaxPixels) {
    error = "the figure would have " + std::to_string(request.widthPx()) + " x " + std::to_string(request.heightPx()) +
            " pixels, more than " + std::to_string(kMaxPixels) + ": lower --dpi or --size";
    return false;
  }
  if (!(request.fontPt >= kMinFontPt && request.fontPt <= kMaxFontPt)) {
    error = "--font-size takes " + limits(kMinFontPt, kMaxFontPt, "pt");
    return false;
  }
  if (!(request.rangeDb == 0.0 || (request.rangeDb >= 10.0 && request.rangeDb <= 150.0))) {
    error = "--range takes " + limits(10, 150, "dB");
    return false;
  }
  if (!(request.fmaxHz == 0.0 || (request.fmaxHz >= 100.0 && request.fmaxHz <= 500000.0))) {
    error = "--fmax takes " + limits(100, 500000, "Hz") + " (at most half the sampling rate)";
    return false;
  }
  if (request.panes.empty()) {
    error = "the pane list is empty";
    return false;
  }
  if (request.fromMs >= 0.0 && request.toMs >= 0.0 && request.fromMs >= request.toMs) {
    error = "--from must be below --to";
    return false;
  }
  return true;
}

}  // namespace ardv::figure
