// The panel's lines and the measurer of the window's stretches.
#include "measurement/measurement_text.h"

#include <charconv>
#include <cstdio>
#include <filesystem>

namespace ardv {
namespace {

// "%.1f"-like with '.' whatever the locale.
std::string fixed(double v, int decimals) {
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, decimals);
  return r.ec == std::errc{} ? std::string(buffer, r.ptr) : std::string("?");
}

std::string hzSt(double hz, double st) { return fixed(hz, 1) + " Hz (" + fixed(st, 2) + " st)"; }

std::string formants(const std::array<double, 3>& f) {
  if (!hasValue(f[0])) return "none (unvoiced, or no formant frame)";
  return fixed(f[0], 0) + " / " + fixed(f[1], 0) + " / " + fixed(f[2], 0) + " Hz";
}

}  // namespace

std::string measurementText(const Measurement& m, const std::string& title) {
  std::string s = title + ": " + fixed(m.startMs, 1) + " - " + fixed(m.endMs, 1) + " ms\n";
  s += "Duration       " + fixed(m.durationMs, 1) + " ms\n";
  const F0Figures& f = m.f0;
  if (f.frames == 0) {
    s += "F0             too short (no F0 frame)\n";
  } else if (f.voiced == 0) {
    s += "F0             unvoiced (0 of " + std::to_string(f.frames) + " frames voiced)\n";
  } else {
    s += "F0 mean        " + hzSt(f.meanHz, f.meanSt) + "\n";
    s += "F0 median      " + hzSt(f.medianHz, f.medianSt) + "\n";
    s += "F0 min / max   " + fixed(f.minHz, 1) + " / " + fixed(f.maxHz, 1) + " Hz (" + fixed(f.minSt, 2) + " / " +
         fixed(f.maxSt, 2) + " st)\n";
    s += "F0 sd          " + (hasValue(f.sdHz) ? fixed(f.sdHz, 1) + " Hz (" + fixed(f.sdSt, 2) + " st)" : "one frame") + "\n";
    s += "Voiced         " + std::to_string(f.voiced) + " of " + std::to_string(f.frames) + " frames (" +
         fixed(100.0 * f.voicedFraction, 0) + " %)\n";
  }
  s += "F1/F2/F3 mid   " + formants(m.formantsAt[1]) + "\n";
  s += "  middle half  " + formants(m.formantsMiddleMean) + "\n";
  s += "Intensity      ";
  s += hasValue(m.intensityMeanDb) ? "mean " + fixed(m.intensityMeanDb, 1) + " dB, max " + fixed(m.intensityMaxDb, 1) + " dB\n"
                                   : "too short (no energy frame)\n";
  return s;
}

bool StretchMeasurer::measure(const infoFile& file, std::int64_t start, std::int64_t end,
                              const MeasureSettings& settings, Measurement& out) {
  const double ms = file.frequence > 0 ? static_cast<double>(file.sampleCount()) * 1000.0 / file.frequence : 0.0;
  if (ms > kWholeFileMs) {
    MeasureSettings s = settings;
    s.formantContextSamples = static_cast<std::int64_t>(kFormantContextMs * 0.001 * file.frequence);
    RangeAnalyses a;
    if (!analyseRange(file, start, end - 1, s, a)) return false;
    out = measureStretch(a, start, end);
    return true;
  }
  std::error_code ec;
  const auto stamp = std::filesystem::last_write_time(file.nom, ec);
  const std::string key = file.nom + "\n" + std::to_string(file.longueur) + "\n" + std::to_string(file.depl) + "\n" +
                          std::to_string(file.frequence) + "\n" +
                          std::to_string(ec ? 0 : stamp.time_since_epoch().count()) + "\n" +
                          std::to_string(settings.f0Params.f0Min) + " " + std::to_string(settings.f0Params.f0Max) + " " +
                          std::to_string(settings.formantOptions.orderFactor) + " " +
                          std::to_string(settings.formantOptions.voiceF0FloorHz);
  if (key != key_) {
    key_.clear();
    if (!analyseRange(file, 0, file.sampleCount() - 1, settings, whole_)) return false;
    key_ = key;
  }
  out = measureStretch(whole_, start, end);
  return true;
}

}  // namespace ardv
