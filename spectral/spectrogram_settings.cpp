// Spectrogram kind names and the NAME=VALUE settings of a kind's record.
#include "spectral/spectrogram_settings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace ardv {
namespace {

constexpr unsigned bit(int kind) { return 1u << (kind - 1); }
constexpr unsigned kAllKinds = 0x3Fu;
constexpr unsigned kFftKinds = kAllKinds & ~bit(5);

const char* const kKindNames[] = {"wide", "narrow", "reassigned", "lpc", "cepstral", "critical"};

// One settable field: the kinds whose record has it, its range, and what
// setting it does to the record.
struct Field {
  const char* name;
  unsigned kinds;
  double min, max;
  bool integer;
  const char* meaning;  // of the values of a choice, else empty
  void (*set)(SpectroParams&, double);
  bool SettingEdits::*edit;
};

// The window ranges are those of the parameter windows: 0.1..16 ms for the
// wide band, 1..128 ms for the others. The reassigned kind always uses the
// first difference, so it has no preemphasis switch.
const Field kFields[] = {
    {"preemphasis", kAllKinds & ~bit(3), 0, 1, true, "",
     [](SpectroParams& r, double v) { r.preemphasis = v != 0.0; }, nullptr},
    {"lowDb", kAllKinds, -200, 200, false, "", [](SpectroParams& r, double v) { r.lowDb = static_cast<float>(v); },
     nullptr},
    {"highDb", kAllKinds, -200, 200, false, "", [](SpectroParams& r, double v) { r.highDb = static_cast<float>(v); },
     nullptr},
    {"windowMs", bit(1), 0.1, 16, false, "", [](SpectroParams& r, double v) { r.windowMs = static_cast<float>(v); },
     &SettingEdits::window},
    {"windowMs", kAllKinds & ~bit(1), 1, 128, false, "",
     [](SpectroParams& r, double v) { r.windowMs = static_cast<float>(v); }, &SettingEdits::window},
    {"fftSize", kFftKinds, 1, 65536, true, "", [](SpectroParams& r, double v) { r.fftSize = static_cast<int>(v); },
     &SettingEdits::fftSize},
    {"orderFactor", bit(4), 0.1, 4, false, "",
     [](SpectroParams& r, double v) { r.orderFactor = static_cast<float>(v); }, &SettingEdits::order},
    {"lifter1Ms", bit(5), 0.1, 50, false, "",
     [](SpectroParams& r, double v) { r.lifter1Ms = static_cast<float>(v); }, nullptr},
    {"lifter2Ms", bit(5), 0.1, 50, false, "",
     [](SpectroParams& r, double v) { r.lifter2Ms = static_cast<float>(v); }, nullptr},
    {"spectrumSize", bit(5), 1, 65536, true, "",
     [](SpectroParams& r, double v) { r.spectrumSize = static_cast<int>(v); }, &SettingEdits::spectrumSize},
    {"trueEnvelope", bit(5), 0, 1, true, "", [](SpectroParams& r, double v) { r.trueEnvelope = v != 0.0; },
     nullptr},
    {"bandCount", bit(6), 2, 2048, true, "",
     [](SpectroParams& r, double v) { r.bands.bandCount = static_cast<std::int32_t>(v); }, nullptr},
    {"distribution", bit(6), 0, 1, true, " (0 spectro like, 1 ASR like)",
     [](SpectroParams& r, double v) { r.bands.distribution = static_cast<std::uint8_t>(v); }, nullptr},
    {"scale", bit(6), 0, 2, true, " (0 Bark, 1 Mel, 2 Mely)",
     [](SpectroParams& r, double v) { r.bands.scale = static_cast<std::int32_t>(v); }, nullptr},
    {"priorSmoothing", bit(6), 0, 1, true, " (1: cepstral smoothing before the bands)",
     [](SpectroParams& r, double v) { r.bands.priorSmoothing = static_cast<std::uint8_t>(v); }, nullptr},
    {"axis", bit(6), 0, 1, true, " (0 linear, 1 perceptual)",
     [](SpectroParams& r, double v) { r.bands.axis = static_cast<std::uint8_t>(v); }, nullptr},
};

std::string formatNumber(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

}  // namespace

int spectroKindByName(const std::string& name) {
  for (int k = 1; k <= kSpectroKinds; ++k)
    if (name == kKindNames[k - 1]) return k;
  return 0;
}

const char* spectroKindNames() { return "wide|narrow|reassigned|lpc|cepstral|critical"; }

std::string settableNames(int kind) {
  std::string names;
  for (const Field& f : kFields)
    if (f.kinds & bit(kind)) names += (names.empty() ? "" : ", ") + std::string(f.name);
  return names;
}

bool applySetting(int kind, const std::string& assignment, SpectroParams& record, SettingEdits& edits,
                  std::string& error) {
  const std::string valid = "valid names for --kind " + std::string(kKindNames[kind - 1]) + ": " + settableNames(kind);
  const auto eq = assignment.find('=');
  if (eq == std::string::npos || eq == 0) {
    error = "--set needs NAME=VALUE, got \"" + assignment + "\" (" + valid + ")";
    return false;
  }
  const std::string name = assignment.substr(0, eq), value = assignment.substr(eq + 1);
  const Field* field = nullptr;
  for (const Field& f : kFields)
    if ((f.kinds & bit(kind)) && name == f.name) field = &f;
  if (!field) {
    error = "unknown parameter \"" + name + "\" (" + valid + ")";
    return false;
  }
  char* end = nullptr;
  const double v = std::strtod(value.c_str(), &end);
  const bool number = !value.empty() && end && *end == '\0' && std::isfinite(v);
  if (!number || v < field->min || v > field->max || (field->integer && v != std::trunc(v))) {
    error = "bad value \"" + value + "\" for " + name + ": " + (field->integer ? "a whole number" : "a number") +
            " from " + formatNumber(field->min) + " to " + formatNumber(field->max) + field->meaning + " (" + valid +
            ")";
    return false;
  }
  field->set(record, v);
  if (field->edit) edits.*(field->edit) = true;
  return true;
}

bool finishSettings(int kind, double fs, const SettingEdits& edits, SpectroParams& record, std::string& error) {
  SpectroParams r = record;
  if (!(r.lowDb < r.highDb)) {
    error = "lowDb (" + formatNumber(r.lowDb) + ") must be below highDb (" + formatNumber(r.highDb) + ")";
    return false;
  }
  // The window of an FFT kind must fit its FFT; the linear prediction's FFT
  // only samples its envelope.
  if ((kFftKinds & bit(kind)) && (edits.fftSize || (edits.window && kind != 4)))
    r.fftSize = normaliseFftSize(r.fftSize, r.windowMs, fs);
  if (kind == 5 && edits.spectrumSize) r.spectrumSize = std::min(2048, normaliseFftSize(r.spectrumSize, 0.0, fs));
  if (kind == 6) r.bands.bandCount = std::min(r.bands.bandCount, r.fftSize / 2);
  if ((kind == 6 || (kind == 4 && (edits.window || edits.order))) && !spectroSettingsComputable(r, fs, error))
    return false;
  record = r;
  return true;
}

}  // namespace ardv
