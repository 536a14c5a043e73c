// Registration of formant pieces onto spectral peaks.
#include "formants/registration.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "platform/report.h"
#include "signal/time_conversion.h"
#include "spectral/lpc_spectrum.h"

namespace ardv {
namespace {

constexpr int kBins = 256;
constexpr int kCepstralFrame = 512;
constexpr double kMinMoveHz = 500.0;
constexpr double kMoveBandwidths = 2.5;

// A maximum on the first or last bin is the envelope's edge, not a
// resonance: a formant registered there would go to 0 Hz or to fs/2.
bool inside(double hz, double fs) { return hz > 0.5 * fs / kBins && hz < fs / 2.0 - fs / (2.0 * kBins); }

}  // namespace

double registeredFrequency(double frequencyHz, double bandwidthHz, std::span<const FormantCandidate> peaks) {
  const FormantCandidate* nearest = nullptr;
  for (const FormantCandidate& p : peaks)
    if (p.bandwidthHz < kMaxRootBandwidthHz &&
        (!nearest || std::abs(p.frequencyHz - frequencyHz) < std::abs(nearest->frequencyHz - frequencyHz)))
      nearest = &p;
  const double bw = std::isfinite(bandwidthHz) && bandwidthHz > 0.0 ? bandwidthHz : 0.0;
  if (nearest && std::abs(nearest->frequencyHz - frequencyHz) < std::max(kMoveBandwidths * bw, kMinMoveHz))
    return nearest->frequencyHz;
  return frequencyHz;
}

bool registrationPeaks(std::span<const std::int16_t> samples, std::int64_t centre, double fs,
                       RegistrationSpectrum kind, const FormantOptions& options, std::vector<FormantCandidate>& peaks) {
  peaks.clear();
  if (!(fs >= 1000.0)) {
    message("Registration needs a sampling rate of at least 1000 Hz");
    return false;
  }
  std::vector<std::int16_t> buffer;
  if (kind == RegistrationSpectrum::Cepstral) {
    PeakSettings s;
    s.order = PeakOrder::Registration;
    s.maxPeaks = kRegistrationPeaks;
    s.highestBin = kBins;
    CandidateFrame frame;
    const auto x = paddedFrame(samples, centre - kCepstralFrame / 2, kCepstralFrame, buffer);
    if (cepstralPeaksFrame(x, 0, fs, options, s, frame) < 0) return false;
    for (const FormantCandidate& c : frame.candidates)  // none when the envelope had too many extrema
      if (inside(c.frequencyHz, fs)) peaks.push_back(c);
    return true;
  }
  LpcSpectrumSettings s;
  s.frameLength = lpcRootsFrameLength(fs);
  s.fftSize = 2 * kBins;
  s.order = std::min(formantLpcOrder(options, fs), s.frameLength - 1);
  s.samplingHz = fs;
  float column[kBins];
  const auto x = paddedFrame(samples, centre - s.frameLength / 2, s.frameLength, buffer);
  if (!lpcSpectrum(x, 0, s, column, nullptr)) return false;
  std::vector<SpectralExtremum> extrema;
  if (spectralExtrema(column, fs / (2.0 * kBins), extrema) < 0) return true;
  for (const SpectralExtremum& e : selectPeaks(extrema, PeakOrder::Registration, kRegistrationPeaks, kBins))
    if (inside(e.frequencyHz, fs)) peaks.push_back({e.frequencyHz, e.widthHz, e.amplitudeDb});
  return true;
}

int registerSelectedFormants(KlattTracks& tracks, std::span<const std::int16_t> samples, std::int64_t offset,
                             RegistrationSpectrum kind, const FormantOptions& options) {
  const double fs = tracks.frequence;
  // Frames are shared by the formants of one date: computed once each.
  std::unordered_map<std::int32_t, std::vector<FormantCandidate>> frames;
  struct Move {
    float* value;
    float to;
  };
  std::vector<Move> moves;
  for (int g = 1; g <= 6; ++g)
    for (const auto& piece : tracks.groups[static_cast<std::size_t>(g)]) {
      if (!piece->selected) continue;
      for (int i = 0; i < piece->nbPoints; ++i) {
        const float f = piece->y(i, 0);
        if (isUnset(f) || !(f > 0.0f)) continue;
        const std::int32_t date = piece->date(i);
        auto it = frames.find(date);
        if (it == frames.end()) {
          std::vector<FormantCandidate> peaks;
          const std::int64_t centre = msToSamples(static_cast<double>(date), fs) - offset;
          if (!registrationPeaks(samples, centre, fs, kind, options, peaks)) return -1;
          it = frames.emplace(date, std::move(peaks)).first;
        }
        const float bw = piece->y(i, 2);
        const double to = std::round(registeredFrequency(f, isUnset(bw) ? 0.0 : bw, it->second));
        if (to != f) moves.push_back({piece->py(i, 0), static_cast<float>(to)});
      }
    }
  for (const Move& m : moves) *m.value = m.to;
  return static_cast<int>(moves.size());
}

}  // namespace ardv
