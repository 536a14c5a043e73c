// Spectrogram parameter records, their defaults and spectro_GetParams.
#include "spectral/spectrogram_params.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/report.h"
#include "signal/program.h"
#include "signal/time_conversion.h"
#include "spectral/frame.h"
#include "texts/texts.h"

namespace ardv {
namespace {

bool validKind(int kind) { return kind >= 1 && kind <= kSpectroKinds; }

std::function<void(int)>& redrawHook() {
  static std::function<void(int)> hook;
  return hook;
}

}  // namespace

SpectroParams defaultSpectroParams(int kind) {
  SpectroParams p;  // preemphasis on, 60..97 dB for every kind
  p.kind = kind;
  switch (kind) {
    case 1:  // wide band: 4 ms resolves the formants, one column per frame
      p.optionsCommand = 301;
      p.columnsPerFrame = 1;
      p.windowMs = 4.0f;
      p.fftSize = 256;
      break;
    case 2:  // narrow band: 32 ms resolves the harmonics
      p.optionsCommand = 302;
      p.columnsPerFrame = 2;
      p.windowMs = 32.0f;
      p.fftSize = 1024;
      break;
    case 3:  // reassigned: as the narrow band, one frame per pixel column
      p.optionsCommand = 11847;
      p.columnsPerFrame = 2;
      p.windowMs = 32.0f;
      p.fftSize = 1024;
      break;
    case 4:  // linear prediction: 16 ms frames every 8 ms, order from fs
      p.optionsCommand = 303;
      p.stepMs = 8.0f;
      p.columnsPerFrame = 0;
      p.windowMs = 16.0f;
      p.fftSize = 256;
      p.orderFactor = 1.0f;
      break;
    case 5:  // cepstral smoothing: lifter 1.25..2.5 ms keeps the envelope
      p.optionsCommand = 304;
      p.columnsPerFrame = 3;
      p.windowMs = 32.0f;
      p.fftSize = 0;  // not used: the spectrum size gives N
      p.lifter1Ms = 1.25f;
      p.lifter2Ms = 2.5f;
      p.spectrumSize = 512;
      p.trueEnvelope = false;
      break;
    case 6:  // critical bands: one band per displayed bin of a 1024 FFT
      p.optionsCommand = 11853;
      p.columnsPerFrame = 1;
      p.windowMs = 32.0f;
      p.fftSize = 1024;
      p.bands = BandSettings{};
      p.bands.bandCount = 1024 / 2;
      break;
    default:
      break;
  }
  return p;
}

SpectroSettings::SpectroSettings() {
  for (int k = 1; k <= kSpectroKinds; ++k) (*this)[k] = defaultSpectroParams(k);
}

SpectroSettings& spectroSettings() {
  static SpectroSettings settings;
  return settings;
}

void setSpectroRedrawHook(std::function<void(int kind)> hook) { redrawHook() = std::move(hook); }

void setSpectroDefaults(int kind) {
  if (kind >= 0 && !validKind(kind)) {
    debugMessage("setSpectroDefaults(): unknown spectrogram kind " + std::to_string(kind));
    return;
  }
  SpectroSettings& s = spectroSettings();
  const int first = kind < 0 ? 1 : kind;
  const int last = kind < 0 ? kSpectroKinds : kind;
  for (int k = first; k <= last; ++k) {
    const bool open = s[k].windowOpen;
    s[k] = defaultSpectroParams(k);
    s[k].windowOpen = open;
    if (open && redrawHook()) redrawHook()(k);
  }
}

int lpcOrder(double factor, double fs) {
  const double raw = (fs + 10.0) * factor * 0.001 + 2.0;
  std::int64_t p = std::isfinite(raw) ? static_cast<std::int64_t>(std::llround(std::clamp(raw, -1e6, 1e6))) : 4;
  p = std::clamp<std::int64_t>(p, 4, 60);
  if (p % 2 != 0) ++p;
  return static_cast<int>(p);
}

int normaliseFftSize(int entered, double windowMs, double fs) {
  int size = 256;
  while (size < entered && size < 4096) size *= 2;
  const double windowSamples = msToSamplesFloat(windowMs, fs);
  if (size < windowSamples)
    while (2.0 * size < windowSamples && size < 4096) size *= 2;
  return size;
}

bool spectro_GetParams(const SpectroSettings& settings, int kind, double fs, CurrentSpectro& out) {
  if (!validKind(kind)) {
    debugMessage("spectro_GetParams(): unknown spectrogram kind " + std::to_string(kind));
    return false;
  }
  if (!(fs >= 1.0)) {
    debugMessage("spectro_GetParams(): no sampling frequency");
    return false;
  }
  const SpectroParams& r = settings[kind];
  CurrentSpectro c;
  c.kind = kind;
  c.fs = fs;
  c.fftSize = kind == 5 ? 256 : r.fftSize;
  const std::int64_t w = msToSamplesWhole(r.windowMs, fs);
  std::int64_t fen = w;
  if (kind == 1 || kind == 2 || kind == 3 || kind == 6) {
    fen = std::max<std::int64_t>(1, std::min<std::int64_t>(w, c.fftSize));
    if (kind == 6) c.bands = r.bands;
  } else if (kind == 5) {
    fen = std::min<std::int64_t>(w, 512);
    c.trueEnvelope = r.trueEnvelope;
    const int e = std::min(static_cast<int>(std::trunc(std::log2(static_cast<double>(std::max<std::int64_t>(1, fen))))), 10);
    // Below 256 points the cepstrum cannot be computed: 256 is the floor.
    c.cepstralFftSize = std::max(256, 1 << (e + 1));
    c.fftSize = r.spectrumSize;
  }
  c.step = static_cast<int>(std::clamp<std::int64_t>(msToSamplesWhole(r.stepMs, fs), 1, 1 << 30));
  c.fen_fft = static_cast<int>(std::clamp<std::int64_t>(fen, 1, 1 << 20));
  if (kind != 4 && kind != 5 && c.fftSize < c.fen_fft)
    message("Error in the determination of fen_fft in spectro_GetParams");
  c.columnsPerFrame = std::max(1, r.columnsPerFrame);
  c.preemphasis = r.preemphasis;
  c.lowDb = r.lowDb;
  c.highDb = r.highDb;
  c.relativeRangeDb = std::isfinite(settings.relativeRangeDb)
                          ? static_cast<float>(std::clamp(settings.relativeRangeDb, 0.0, 1000.0))
                          : 0.0f;
  const double bins = settings.fmaxHz / fs * c.fftSize;
  c.displayedBins = std::isfinite(bins) ? static_cast<int>(std::clamp(bins, 0.0, 1e6)) : 0;
  // Lifter lengths in whole samples (the cepstral kind's, also used by the
  // critical bands' prior smoothing).
  const SpectroParams& cep = settings[5];
  c.lifter1 = static_cast<int>(std::clamp(msToSamplesFloat(cep.lifter1Ms, fs), 0.0, 1e6));
  c.lifter2 = static_cast<int>(std::clamp(msToSamplesFloat(cep.lifter2Ms, fs), 0.0, 1e6));
  if (kind == 6) c.cepstralFftSize = c.fftSize;
  if (kind == 4) {
    // The prediction needs more samples than its order, and frames of at
    // most kMaxLpcFrame: a window beyond either is brought to it.
    c.lpcOrder = lpcOrder(r.orderFactor, fs);
    c.fen_fft = std::clamp(c.fen_fft, c.lpcOrder + 1, kMaxLpcFrame);
  }
  out = c;
  return true;
}

CurrentSpectro& currentSpectro() {
  static CurrentSpectro current;
  return current;
}

bool spectro_GetParams(int kind) {
  return spectro_GetParams(spectroSettings(), kind, program().en_cours.frequence, currentSpectro());
}

std::string spectroDetailsText(const SpectroSettings& settings, int kind, double fs, double samplesPerPixel) {
  if (!validKind(kind)) return {};
  const SpectroParams& r = settings[kind];
  std::string s = textf(8531, {static_cast<int>(fs)});
  s += textf(8532, {msToSamplesFloat(r.windowMs, fs)});
  if (kind == 5) {
    s += textf(8533, {msToSamplesFloat(r.lifter1Ms, fs)});
    s += textf(8534, {msToSamplesFloat(r.lifter2Ms, fs)});
  }
  if (kind == 4) s += textf(8535, {lpcOrder(r.orderFactor, fs)});
  const double step =
      kind == 4 ? msToSamplesFloat(r.stepMs, fs) : samplesPerPixel * std::max(1, r.columnsPerFrame);
  s += textf(8536, {step});
  return s;
}

void showSpectroDetails(int kind, double samplesPerPixel) {
  const Program& p = program();
  Report report{ReportKind::Message, text(8512), {}};
  if (!p.fileLoaded)
    report.text = text(8530);
  else
    report.text = spectroDetailsText(spectroSettings(), kind, p.en_cours.frequence, samplesPerPixel);
  reportHandler().show(report);
}

bool bandSettingsComputable(const SpectroParams& r, std::string& why) {
  if (!r.bands.priorSmoothing || r.fftSize <= kMaxCepstralFftSize) return true;
  why = "Cepstral smoothing before the bands needs an FFT of at most " + std::to_string(kMaxCepstralFftSize) +
        " points (the FFT size is " + std::to_string(r.fftSize) + ")";
  return false;
}

bool spectroSettingsComputable(const SpectroParams& r, double fs, std::string& why) {
  if (r.kind == 6) return bandSettingsComputable(r, why);
  if (r.kind != 4 || !(fs >= 1.0)) return true;
  const std::int64_t w = msToSamplesWhole(r.windowMs, fs);
  const int order = lpcOrder(r.orderFactor, fs);
  if (w > order && w <= kMaxLpcFrame) return true;
  // The window counts whole milliseconds.
  int shortest = 1, longest = static_cast<int>(std::min(1e6, kMaxLpcFrame * 1000.0 / fs)) + 1;
  while (shortest < 1000000 && msToSamplesWhole(shortest, fs) <= order) ++shortest;
  while (longest > 0 && msToSamplesWhole(longest, fs) > kMaxLpcFrame) --longest;
  why = "At " + std::to_string(std::llround(fs)) + " Hz the linear-prediction window of " +
        std::to_string(static_cast<long long>(std::trunc(r.windowMs))) + " ms holds " + std::to_string(w) +
        " samples; it needs more than the order (" + std::to_string(order) + ") and at most " +
        std::to_string(kMaxLpcFrame) + ": " + std::to_string(shortest) + " to " + std::to_string(longest) + " ms";
  return false;
}

double spectroGammaForKind(int kind) { return kind == 2 || kind == 3 ? 1.7 : 1.0; }

}  // namespace ardv
