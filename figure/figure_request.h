// What a figure shows and how: the stretch, the panes in order, the size and
// resolution, the font, the spectrogram's settings and a title; read from
// command-line words and checked before anything is computed.
#pragma once

#include <string>
#include <vector>

namespace ardv::figure {

enum class Pane { Waveform, Spectrogram, F0, Energy, Phonemes, Words };

// "waveform", "spectrogram", "f0", "energy", "phonemes", "words".
const char* paneName(Pane pane);

// Defaults, each with its reason.
constexpr double kDefaultWidthMm = 160.0;   // a journal's full text width
constexpr double kDefaultHeightMm = 100.0;
constexpr int kDefaultDpi = 300;            // print resolution of most journals
constexpr double kDefaultFontPt = 8.0;      // figure text at caption size
constexpr const char* kDefaultFont = "DejaVu Sans";  // installed with every Qt on Debian

// Limits of a figure: a stamp to a poster, and a raster that fits memory.
constexpr double kMinSideMm = 20.0;
constexpr double kMaxSideMm = 1200.0;
constexpr int kMinDpi = 30;
constexpr int kMaxDpi = 1200;
constexpr long long kMaxPixels = 60LL * 1000 * 1000;
constexpr double kMinFontPt = 4.0;
constexpr double kMaxFontPt = 48.0;

struct FigureRequest {
  double fromMs = -1.0;  // -1: the file's start
  double toMs = -1.0;    // -1: the file's end
  std::vector<Pane> panes{Pane::Waveform, Pane::Spectrogram, Pane::F0, Pane::Phonemes, Pane::Words};
  int kind = 1;  // spectrogram kind 1..6 (wide, narrow, reassigned, lpc, cepstral, critical)
  double widthMm = kDefaultWidthMm, heightMm = kDefaultHeightMm;
  int dpi = kDefaultDpi;
  std::string font = kDefaultFont;
  std::string phoneticFont;  // font of the phoneme tier; empty: `font`
  double fontPt = kDefaultFontPt;
  bool colour = false;
  double rangeDb = 0.0;  // spectrogram dynamic range; 0: the kind's own
  double fmaxHz = 0.0;   // spectrogram top; 0: half the sampling rate
  std::string title;
  bool boundaries = true;  // tier boundaries drawn through waveform and spectrogram

  // Size in pixels at `dpi`: the side in mm * dpi / 25.4, rounded.
  int widthPx() const;
  int heightPx() const;
  bool has(Pane pane) const;
};

// Reads "a,b,c" into panes; false with `error` naming the unknown pane and
// the valid names, or an empty list.
bool parsePanes(const std::string& text, std::vector<Pane>& panes, std::string& error);

// Reads "WxHmm" (mm), "WxHpx" (pixels, at the request's dpi) or "WxH" (mm);
// false with `error` for anything else.
bool parseSize(const std::string& text, FigureRequest& request, std::string& error);

// Checks sizes, dpi, font size, range and the stretch (not the font or the
// file): false with `error` saying which value and its limits.
bool checkRequest(const FigureRequest& request, std::string& error);

}  // namespace ardv::figure
