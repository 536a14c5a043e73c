// Formant candidates: LPC roots, cepstral and true-envelope peaks.
#include "formants/formant_candidates.h"

#include <algorithm>
#include <cmath>

#include "platform/report.h"
#include "signal/time_conversion.h"
#include "spectral/cepstrum.h"
#include "spectral/lpc_spectrum.h"
#include "spectral/true_envelope.h"

namespace ardv {
namespace {

constexpr int kLpcFftSize = 256;
constexpr int kPeakFrame = 512;
constexpr int kMaxFrames = 1000;
constexpr double kCorrectionStartHz = 2900.0;
constexpr double kCorrectionFullHz = 3200.0;

}  // namespace

bool acceptedRoot(double f, double bw, double fs, double maxBw) { return f > 0.0 && f < fs / 2.0 && bw < maxBw; }

int lpcRootsFrameLength(double fs) { return static_cast<int>(msToSamples(16.0, fs)); }

int candidateFrameCount(std::int64_t first, std::int64_t last, std::int64_t n, int hop, int length) {
  if (hop < 1 || length < 1 || first < 0 || last < first) return 0;
  std::int64_t m = (last - first + 1) / hop + 1;
  m = std::min<std::int64_t>(m, kMaxFrames);
  // Frames whose end (with the pre-emphasis sample) passes the buffer are dropped.
  while (m > 0 && first + (m - 1) * hop + length + 1 > n) --m;
  return static_cast<int>(m);
}

bool lpcRootsFrame(std::span<const std::int16_t> samples, std::int64_t first, int length, double fs, int order,
                   double maxBandwidthHz, double correctionDb, CandidateFrame& frame, std::vector<float>* column) {
  LpcSpectrumSettings s;
  s.frameLength = length;
  s.fftSize = kLpcFftSize;
  s.order = std::min(order, s.frameLength - 1);
  s.samplingHz = fs;
  float levels[kLpcFftSize / 2];
  std::vector<LpcRoot> roots;
  if (s.order < 1 || !lpcSpectrum(samples, first, s, levels, &roots)) return false;
  const double binHz = fs / kLpcFftSize;
  const int startBin = static_cast<int>(std::lround(kCorrectionStartHz / binHz));
  const int fullBin = static_cast<int>(std::lround(kCorrectionFullHz / binHz));
  for (int k = 0; k < kLpcFftSize / 2; ++k) {
    double c = 0.0;
    if (k >= fullBin) c = correctionDb;
    else if (k > startBin) c = correctionDb * (k - startBin) / std::max(1, fullBin - startBin);
    levels[k] = static_cast<float>(levels[k] - c);
  }
  frame.centre = first + s.frameLength / 2;
  frame.candidates.clear();
  for (const LpcRoot& r : roots) {
    if (!acceptedRoot(r.frequencyHz, r.bandwidthHz, fs, maxBandwidthHz)) continue;
    const int bin = std::min<int>(kLpcFftSize / 2 - 1, static_cast<int>(std::lround(r.frequencyHz / fs * kLpcFftSize)));
    frame.candidates.push_back({r.frequencyHz, r.bandwidthHz, std::max(0.0, static_cast<double>(levels[bin]))});
  }
  if (column) column->assign(levels, levels + kLpcFftSize / 2);
  return true;
}

std::span<const std::int16_t> paddedFrame(std::span<const std::int16_t> samples, std::int64_t start, int length,
                                          std::vector<std::int16_t>& buffer) {
  buffer.assign(static_cast<std::size_t>(std::max(0, length)) + 1, 0);
  const auto n = static_cast<std::int64_t>(samples.size());
  for (std::int64_t j = std::max<std::int64_t>(0, -start); j <= length && start + j < n; ++j)
    buffer[static_cast<std::size_t>(j)] = samples[static_cast<std::size_t>(start + j)];
  return buffer;
}

int lpcRoots(std::span<const std::int16_t> samples, std::int64_t first, std::int64_t last, double fs,
             const FormantOptions& options, std::vector<CandidateFrame>& frames, double maxBandwidthHz,
             const std::function<bool()>& interrupted) {
  if (!(fs >= 1000.0)) {
    message("LPC roots need a sampling rate of at least 1000 Hz");
    return -1;
  }
  const int hop = formantStepSamples(options, fs);
  const int m = candidateFrameCount(first, last, static_cast<std::int64_t>(samples.size()), hop, lpcRootsFrameLength(fs));
  const int order = formantLpcOrder(options, fs);
  std::vector<CandidateFrame> out(static_cast<std::size_t>(m));
  int done = 0;
  for (; done < m; ++done) {
    if (interrupted && interrupted()) break;
    if (!lpcRootsFrame(samples, first + static_cast<std::int64_t>(done) * hop, lpcRootsFrameLength(fs), fs, order,
                       maxBandwidthHz, 0.0, out[static_cast<std::size_t>(done)], nullptr))
      return -1;
  }
  out.resize(static_cast<std::size_t>(done));
  frames = std::move(out);
  return done;
}

int spectralExtrema(std::span<const float> env, double binHz, std::vector<SpectralExtremum>& out) {
  out.clear();
  const int n = static_cast<int>(env.size());
  if (n < 2) return 0;
  struct Turn {
    int bin;
    bool maximum;
  };
  std::vector<Turn> turns;
  bool rising = env[1] > env[0];
  turns.push_back({0, !rising});
  for (int k = 1; k < n; ++k) {
    const bool up = env[k] > env[k - 1];
    if (up != rising) {
      turns.push_back({k - 1, rising});
      rising = up;
    }
  }
  if (turns.back().bin != n - 1) turns.push_back({n - 1, rising});
  const bool tooMany = static_cast<int>(turns.size()) > kMaxExtrema;
  if (tooMany) turns.resize(kMaxExtrema);

  float top = env[0];
  for (float v : env) top = std::max(top, v);
  for (const Turn& t : turns) {
    SpectralExtremum e;
    e.maximum = t.maximum;
    const int b = t.bin;
    double delta = 0.0;
    e.amplitudeDb = env[b];
    if (b > 0 && b < n - 1) {
      const double y0 = env[b - 1], y1 = env[b], y2 = env[b + 1];
      const double denom = y0 - 2.0 * y1 + y2;
      if (denom != 0.0) delta = std::clamp(0.5 * (y0 - y2) / denom, -1.0, 1.0);
      e.amplitudeDb = y1 - 0.25 * (y0 - y2) * delta;
      e.position = 3 * (b - 1) + static_cast<int>(std::lround((1.0 + delta) * 100.0 / 33.0));
    } else {
      e.position = 3 * b;
    }
    e.frequencyHz = e.position / 3.0 * binHz;
    if (b == 0 && !e.maximum) {
      e.widthHz = 100.0;
    } else {
      const double level = e.amplitudeDb - 6.0;
      double left = 0.0, right = n - 1;
      for (int j = b; j > 0; --j)
        if (env[j - 1] <= level) {
          left = (j - 1) + (env[j - 1] == env[j] ? 0.0 : (level - env[j - 1]) / (env[j] - env[j - 1]));
          break;
        }
      for (int j = b; j < n - 1; ++j)
        if (env[j + 1] <= level) {
          right = j + (env[j] == env[j + 1] ? 0.0 : (env[j] - level) / (env[j] - env[j + 1]));
          break;
        }
      e.widthHz = std::max(0.0, right - left) * binHz;
    }
    out.push_back(e);
  }
  const int count = static_cast<int>(out.size());
  const double lastHz = (n - 1) * binHz;
  for (int i = 0; i < count; ++i) {
    SpectralExtremum& e = out[static_cast<std::size_t>(i)];
    if (!e.maximum) continue;
    const double prevMin = i > 0 ? out[static_cast<std::size_t>(i - 1)].amplitudeDb : e.amplitudeDb;
    const double nextMin = i + 1 < count ? out[static_cast<std::size_t>(i + 1)].amplitudeDb : e.amplitudeDb;
    e.prominence = e.amplitudeDb + ((e.amplitudeDb - prevMin) + (e.amplitudeDb - nextMin)) / 2.0;
    if (e.amplitudeDb < 60.0) continue;
    bool likely = e.amplitudeDb >= top - 20.0;
    for (int j = i + 1; j < count && !likely; ++j)
      if (out[static_cast<std::size_t>(j)].maximum) {
        likely = e.amplitudeDb - out[static_cast<std::size_t>(j)].amplitudeDb >= 10.0;
        break;
      }
    if (!likely) {
      double lo = 0.0, hi = lastHz;
      for (int j = i - 1; j >= 0; --j)
        if (out[static_cast<std::size_t>(j)].maximum && out[static_cast<std::size_t>(j)].amplitudeDb > e.amplitudeDb) {
          lo = out[static_cast<std::size_t>(j)].frequencyHz;
          break;
        }
      for (int j = i + 1; j < count; ++j)
        if (out[static_cast<std::size_t>(j)].maximum && out[static_cast<std::size_t>(j)].amplitudeDb > e.amplitudeDb) {
          hi = out[static_cast<std::size_t>(j)].frequencyHz;
          break;
        }
      likely = hi - lo > 1100.0;
    }
    e.score = likely ? 1 : 0;
  }
  return tooMany ? -1 : count;
}

std::vector<SpectralExtremum> selectPeaks(const std::vector<SpectralExtremum>& extrema, PeakOrder order,
                                          int maxPeaks, int highestBin) {
  std::vector<SpectralExtremum> peaks;
  for (const SpectralExtremum& e : extrema)
    if (e.maximum && e.position <= 3 * highestBin) peaks.push_back(e);
  std::stable_sort(peaks.begin(), peaks.end(), [order](const SpectralExtremum& a, const SpectralExtremum& b) {
    if (a.score != b.score) return a.score > b.score;
    return order == PeakOrder::Display && a.position < b.position;
  });
  if (static_cast<int>(peaks.size()) > std::max(0, maxPeaks)) peaks.resize(static_cast<std::size_t>(std::max(0, maxPeaks)));
  return peaks;
}

int cepstralPeaksFrame(std::span<const std::int16_t> samples, std::int64_t first, double fs,
                       const FormantOptions& options, const PeakSettings& settings, CandidateFrame& frame,
                       std::vector<float>* column) {
  float env[kPeakFrame / 2];
  const int l1 = lifterLowSamples(options, fs), l2 = lifterHighSamples(options, fs);
  if (settings.trueEnvelope) {
    TrueEnvelopeSettings s;
    s.frameLength = kPeakFrame;
    s.fftSize = kPeakFrame;
    s.lifterLow = l1;
    s.lifterHigh = l2;
    if (!trueEnvelope(env, samples, first, s)) return -1;
  } else {
    CepstrumSettings s;
    s.frameLength = kPeakFrame;
    s.cepstralFftSize = kPeakFrame;
    s.spectrumSize = kPeakFrame;
    s.lifterLow = l1;
    s.lifterHigh = l2;
    if (!cepstre(env, samples, first, 1, 1, 1, s)) return -1;
  }
  if (column) column->assign(env, env + kPeakFrame / 2);
  std::vector<SpectralExtremum> extrema;
  frame.centre = first + kPeakFrame / 2;
  frame.candidates.clear();
  if (spectralExtrema(env, fs / kPeakFrame, extrema) < 0) return 0;
  for (const SpectralExtremum& e : selectPeaks(extrema, settings.order, settings.maxPeaks, settings.highestBin))
    frame.candidates.push_back({e.frequencyHz, e.widthHz, e.amplitudeDb});
  return 1;
}

int cepstralPeaks(std::span<const std::int16_t> samples, std::int64_t first, std::int64_t last, double fs,
                  const FormantOptions& options, const PeakSettings& settings, std::vector<CandidateFrame>& frames,
                  const std::function<bool()>& interrupted) {
  if (!(fs >= 1000.0)) {
    message("Spectral peaks need a sampling rate of at least 1000 Hz");
    return -1;
  }
  const int hop = formantStepSamples(options, fs);
  const int m = candidateFrameCount(first, last, static_cast<std::int64_t>(samples.size()), hop, kPeakFrame);
  std::vector<CandidateFrame> out;
  out.reserve(static_cast<std::size_t>(m));
  for (int i = 0; i < m; ++i) {
    if (interrupted && interrupted()) break;
    CandidateFrame f;
    const int r = cepstralPeaksFrame(samples, first + static_cast<std::int64_t>(i) * hop, fs, options, settings, f);
    if (r < 0) return -1;
    if (r == 0) {
      message("suivrePicsCepstre() : too many extrema because liftering coefficients are not appropriate");
      break;
    }
    out.push_back(std::move(f));
  }
  frames = std::move(out);
  return static_cast<int>(frames.size());
}

}  // namespace ardv
