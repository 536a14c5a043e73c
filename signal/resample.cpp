// Rational sampling-rate conversion. Symbols as usual in DSP: x input, y
// output, h filter, L up-sampling and M down-sampling factors.

#include "signal/resample.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

#include "annotation/texts.h"
#include "platform/keyboard.h"
#include "platform/report.h"
#include "signal/program.h"
#include "signal/transports.h"
#include "signal/wav_layout.h"
#include "signal/writable_target.h"

namespace ardv {
namespace {

// Zeroth-order modified Bessel function of the first kind, by its series.
double besselI0(double x) {
  double sum = 1.0, term = 1.0;
  for (int k = 1; k < 200; ++k) {
    term *= (x / (2.0 * k)) * (x / (2.0 * k));
    sum += term;
    if (term < 1e-17 * sum) break;
  }
  return sum;
}

double kaiserBeta(double a) {
  if (a > 50.0) return 0.1102 * (a - 8.7);
  if (a >= 21.0) return 0.5842 * std::pow(a - 21.0, 0.4) + 0.07886 * (a - 21.0);
  return 0.0;
}

}  // namespace

ResampleRatio resampleRatio(double r) {
  struct Range {
    double below;
    int up, down;
    bool resample;
  };
  static const Range kRanges[] = {{0.21, 11, 2, true}, {0.31, 4, 1, true},  {0.43, 11, 4, true},
                                  {0.59, 2, 1, true},  {0.71, 16, 11, true}, {0.85, 11, 8, true},
                                  {1.19, 1, 1, false}, {1.41, 8, 11, true},  {1.72, 11, 16, true},
                                  {2.38, 1, 2, true},  {3.37, 4, 11, true},  {4.75, 1, 4, true},
                                  {6.0, 2, 11, true}};
  for (const Range& range : kRanges)
    if (r < range.below) return {range.up, range.down, range.resample};
  return {1, 1, false};
}

std::vector<double> designLowPass(double stopEdge, double attenuationDb, int taps, double gain) {
  taps |= 1;
  const double transition = (attenuationDb - 7.95) / (14.36 * (taps - 1));
  const double fc = std::max(stopEdge - transition / 2.0, transition / 2.0);
  const double beta = kaiserBeta(attenuationDb);
  const double centre = (taps - 1) / 2.0;
  std::vector<double> h(static_cast<std::size_t>(taps));
  for (int i = 0; i < taps; ++i) {
    const double t = i - centre;
    const double sinc = t == 0.0 ? 2.0 * fc : std::sin(2.0 * std::numbers::pi * fc * t) / (std::numbers::pi * t);
    const double ratio = t / centre;
    h[static_cast<std::size_t>(i)] = gain * sinc * besselI0(beta * std::sqrt(std::max(0.0, 1.0 - ratio * ratio))) /
                                     besselI0(beta);
  }
  return h;
}

std::int64_t resampledLength(std::int64_t n, const ResampleRatio& ratio) {
  if (!ratio.resample) return n;
  return std::max<std::int64_t>((n * ratio.up - kResampleFilterLength) / ratio.down - 2, 0);
}

std::vector<std::int16_t> resampleSamples(const std::vector<std::int16_t>& x, const ResampleRatio& ratio) {
  std::vector<std::int16_t> y;
  resampleSamples(x, ratio, {}, y);
  return y;
}

bool resampleSamples(const std::vector<std::int16_t>& x, const ResampleRatio& ratio,
                     const std::function<bool()>& stop, std::vector<std::int16_t>& out) {
  if (!ratio.resample) {
    if (stop && stop()) return false;
    out = x;
    return true;
  }
  const int L = ratio.up, M = ratio.down;
  const std::vector<double> h =
      designLowPass(0.5 / std::max(L, M), kResampleAttenuationDb, static_cast<int>(kResampleFilterLength), L);
  const std::int64_t count = resampledLength(static_cast<std::int64_t>(x.size()), ratio);
  const std::int64_t upLength = static_cast<std::int64_t>(x.size()) * L;
  std::vector<std::int16_t> y(static_cast<std::size_t>(count));
  for (std::int64_t k = 0; k < count; ++k) {
    if (k % kResampleBlockSamples == 0 && stop && stop()) return false;
    const std::int64_t start = k * M;
    // First tap that meets an input sample: (start + j) a multiple of L.
    double acc = 0.0;
    for (std::int64_t j = (L - start % L) % L; j < static_cast<std::int64_t>(h.size()) && start + j < upLength; j += L)
      acc += h[static_cast<std::size_t>(j)] * x[static_cast<std::size_t>((start + j) / L)];
    y[static_cast<std::size_t>(k)] = static_cast<std::int16_t>(std::clamp(std::lround(acc), -32000L, 32000L));
  }
  out = std::move(y);
  return true;
}

std::string resampledWavName(const std::string& target) {
  return target.find(".wav") != std::string::npos ? target : target + ".wav";
}

bool resampleCurrent(double newFrequence, const std::string& target) {
  Program& p = program();
  if (!p.fileLoaded) return false;
  const double current = std::trunc(p.en_cours.frequence);
  if (!(newFrequence >= 1.0)) {
    message("The new sampling frequency must be at least 1 Hz.");
    return false;
  }
  // The ratio table reaches about 1/6 to 5.5 times the current frequency;
  // outside it the result would be at a rate far from the one asked.
  const double lowest = std::floor(current / kResampleMaxRatio) + 1, highest = std::floor(current / kResampleMinRatio);
  if (!(newFrequence >= lowest && newFrequence <= highest)) {
    message("From " + std::to_string(static_cast<long long>(current)) + " Hz the new sampling frequency lies between " +
            std::to_string(static_cast<long long>(lowest)) + " and " + std::to_string(static_cast<long long>(highest)) +
            " Hz.");
    return false;
  }
  const std::string wav = resampledWavName(target);
  if (!isSeparateOutput(wav, p.en_cours.nom)) return false;
  const double r = current / newFrequence;
  const ResampleRatio ratio = resampleRatio(r);
  const std::int64_t n = p.en_cours.longueur / 2;
  if (n > 0x7ffffffe) {
    message("The file " + p.en_cours.nom + " is too long to be resampled.");
    return false;
  }
  SHORTbuf all(n, "resampling input");
  if (n > 0 && (all.size() != n || lireSignal(p.en_cours, p.en_cours.depl, all, 0, static_cast<std::int32_t>(n)) != n))
    return false;
  const std::vector<std::int16_t> x(all.data(), all.data() + n);
  std::vector<std::int16_t> y;
  escapePressed();  // forget a press made before
  if (!resampleSamples(x, ratio, [] { return escapePressed(); }, y)) {
    message("Resampling stopped: " + wav + " was not written.");
    return false;
  }
  const double outFrequence = current * ratio.up / ratio.down;
  if (!writeWavFile(wav, y, outFrequence, notetiqs(), notetiqs())) return false;
  const double errorPercent = std::abs(r - static_cast<double>(ratio.down) / ratio.up) / r * 100.0;
  traceLine("Resampling: ratio " + std::to_string(ratio.up) + "/" + std::to_string(ratio.down) + ", error " +
            std::to_string(errorPercent) + " %");
  message(text(9210) + ": in the wav file " + wav);
  return true;
}

}  // namespace ardv
