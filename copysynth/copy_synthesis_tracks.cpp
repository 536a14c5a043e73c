// Starting tracks of a copy synthesis from a recording.
#include "copysynth/copy_synthesis_tracks.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "signal/time_conversion.h"
#include "spectral/envelope_frame.h"
#include "spectral/fft.h"
#include "spectral/lpc.h"
#include "spectral/roots.h"

namespace ardv {
std::array<double, 3> formantsAt(std::span<const FormantPoint> points, double ms) {
  if (points.empty()) return {};
  const auto after = std::lower_bound(points.begin(), points.end(), ms,
                                      [](const FormantPoint& p, double t) { return p.ms < t; });
  if (after == points.begin()) return points.front().hz;
  if (after == points.end()) return points.back().hz;
  const auto before = after - 1;
  const double span = after->ms - before->ms;
  const double w = span > 0 ? (ms - before->ms) / span : 0.0;
  std::array<double, 3> hz{};
  for (int k = 0; k < 3; ++k) hz[k] = before->hz[k] + w * (after->hz[k] - before->hz[k]);
  return hz;
}

double fricationEnergyDb(std::span<const std::int16_t> speech, std::int64_t centre, double fs,
                         const CopyTrackSettings& settings) {
  return fricationEnergyDb(framesOf(speech), centre, fs, settings);
}

double fricationEnergyDb(const FrameSource& speech, std::int64_t centre, double fs, const CopyTrackSettings& settings) {
  const int n = settings.analysisSize;
  std::vector<std::int16_t> frame(n, 0);
  if (!speech(centre - n / 2, frame)) return -100.0;
  static thread_local HammingCache hamming;
  const float* w = hamming.table(n);
  std::vector<double> x(n);
  if (!w) return -100.0;
  envelopeFrame(frame, 0, n, false, w, x.data());
  if (!fftRealForward(n, x.data())) return -100.0;
  const int last = n / 2 - 1;
  const int b1 = std::clamp(static_cast<int>(settings.fricationLowHz * n / fs), 1, last);
  const int b2 = std::clamp(static_cast<int>(settings.fricationHighHz * n / fs), b1, last);
  double power = 0.0;
  for (int b = b1; b <= b2; ++b) power += x[b] * x[b] + x[n - b] * x[n - b];
  return 10.0 * std::log10(std::max(power / (b2 - b1 + 1), 1e-10));
}

std::array<int, 2> speakerHigherFormants(const FrameSource& speech, std::int64_t centre, double fs, double f3Hz,
                                         const CopyTrackSettings& settings) {
  const double top = 0.45 * fs;
  std::array<double, 2> hz{0.0, 0.0};
  const int n = static_cast<int>(std::lround(settings.higherFrameMs * fs / 1000.0));
  const int order = std::clamp(2 + static_cast<int>(fs / 1000.0), 2, kMaxLpcOrder);
  std::vector<std::int16_t> frame(static_cast<std::size_t>(std::max(n, 0)) + 1, 0);
  if (n > order && speech(centre - n / 2 - 1, frame)) {
    // Pre-emphasized and windowed: the sample before the frame starts the difference.
    std::vector<double> x(static_cast<std::size_t>(n));
    for (std::size_t i = 0; i < x.size(); ++i)
      x[i] = (0.54 - 0.46 * std::cos(2.0 * std::numbers::pi * double(i) / (n - 1))) * (frame[i + 1] - 0.97 * frame[i]);
    LpcAnalysis lpc;
    std::vector<Resonance> found;
    if (lpcAutocorrelation(std::span<const double>(x), order, lpc)) {
      std::vector<double> poly(lpc.a.size());
      poly[0] = 1.0;
      for (std::size_t j = 1; j < poly.size(); ++j) poly[j] = -lpc.a[j];
      if (fband(order, poly, fs, settings.higherMaxBandwidthHz, f3Hz + settings.higherGapHz, top, found) > 0)
        hz[0] = found[0].frequencyHz;
    }
  }
  // The defaults where they lie in order above F3 (F4 where the LPC has none).
  for (std::size_t k = 0; k < 2; ++k) {
    const double below = k == 0 ? f3Hz : std::max(f3Hz, hz[0]);
    const double d = settings.defaultHz[k];
    if (hz[k] == 0.0 && d < top && d >= below + settings.higherGapHz) hz[k] = d;
  }
  return {static_cast<int>(std::lround(hz[0])), static_cast<int>(std::lround(hz[1]))};
}

CopySynthesisSettings copyOfRecordingSettings(const CopyTrackSettings& tracks) {
  CopySynthesisSettings settings;
  settings.higherBandwidthPercent = tracks.higherBandwidthPercent;
  settings.wideF2F3Hz = tracks.wideF2F3Hz;
  settings.f1HarmonicDropDb = tracks.f1HarmonicDropDb;
  settings.firstHarmonicBandwidth = tracks.firstHarmonicBandwidth;
  return settings;
}

double fricationThresholdDb(double loudestDb, const CopyTrackSettings& settings) {
  return std::max(loudestDb - settings.fricationFloorDb, settings.fricationMinimumDb);
}

int copyF0At(const std::function<int(double ms)>& f0AtMs, long t, int stepMs) {
  const double middle = static_cast<double>(t) + 0.5 * stepMs;
  const int f0 = f0AtMs(middle);
  if (f0 <= 0) return 0;
  const int later = f0AtMs(middle + 500.0 / f0);
  return later > 0 ? later : f0;
}

KlattRecord initialCopyRecord(long t, int f0, const std::array<double, 3>& hz, double energyDb, double thresholdDb,
                              double fs, const KlattRecord& defaults, const CopyTrackSettings& settings) {
  KlattRecord r = defaults;
  r[kDate] = static_cast<std::int32_t>(t);
  r[kF0hz10] = std::max(0, f0);
  for (int k = 0; k < 3; ++k) r[kF1hz + 2 * k] = static_cast<std::int32_t>(std::lround(std::max(0.0, hz[k])));
  r[kF4hz] = settings.defaultHz[0] < 0.45 * fs ? settings.defaultHz[0] : 0;
  r[kF5hz] = settings.defaultHz[1] < 0.45 * fs ? settings.defaultHz[1] : 0;
  r[kAF] = r[kF0hz10] == 0 && energyDb >= thresholdDb ? settings.fricationAf : 0;
  return r;
}

void placeSpeakerHigherFormants(KlattRecord& r, const FrameSource& speech, double fs, const CopyTrackSettings& settings) {
  if (!settings.speakerHigherFormants || fs < settings.higherMinimumRateHz || r[kF0hz10] <= 0 || r[kF2hz] <= 0 ||
      r[kF3hz] - r[kF2hz] <= settings.wideF2F3Hz)
    return;
  const auto higher = speakerHigherFormants(speech, msToSamples(double(r[kDate]), fs), fs, r[kF3hz], settings);
  r[kF4hz] = higher[0];
  r[kF5hz] = higher[1];
}

std::vector<KlattRecord> initialCopyRecords(long durationMs, const std::function<int(double ms)>& f0AtMs,
                                            const std::vector<FormantPoint>& formants,
                                            std::span<const std::int16_t> speech, double fs,
                                            const KlattRecord& defaults, const CopyTrackSettings& settings) {
  std::vector<KlattRecord> records;
  if (settings.stepMs < 1 || durationMs <= 0 || !(fs > 0.0)) return records;
  std::vector<double> energy;
  for (long t = 0; t < durationMs; t += settings.stepMs)
    energy.push_back(fricationEnergyDb(speech, msToSamples(double(t), fs), fs, settings));
  const double threshold = fricationThresholdDb(*std::max_element(energy.begin(), energy.end()), settings);
  std::size_t i = 0;
  for (long t = 0; t < durationMs; t += settings.stepMs, ++i) {
    records.push_back(initialCopyRecord(t, copyF0At(f0AtMs, t, settings.stepMs), formantsAt(formants, double(t)), energy[i], threshold,
                                        fs, defaults, settings));
    placeSpeakerHigherFormants(records.back(), framesOf(speech), fs, settings);
  }
  return records;
}

}  // namespace ardv
