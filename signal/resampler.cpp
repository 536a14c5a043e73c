// Rational sampling-rate conversion. Symbols as usual in DSP: x input, y
// output, L up-sampling and M down-sampling factors, u the distance from an
// output instant in periods of the lower rate.

#include "signal/resampler.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <numeric>

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

ResampleRatio resampleRatio(std::int64_t fromHz, std::int64_t toHz) {
  const std::int64_t g = std::gcd(std::max<std::int64_t>(fromHz, 1), std::max<std::int64_t>(toHz, 1));
  ResampleRatio r;
  r.up = std::max<std::int64_t>(toHz, 1) / g;
  r.down = std::max<std::int64_t>(fromHz, 1) / g;
  r.resample = r.up != r.down;
  return r;
}

std::int64_t resampledLength(std::int64_t n, const ResampleRatio& ratio) {
  if (!ratio.resample || n <= 0) return std::max<std::int64_t>(n, 0);
  // ceil(n L / M) without overflow for n < 2^32 and L, M <= 10^6.
  const std::int64_t q = n / ratio.down, r = n % ratio.down;
  return q * ratio.up + (r * ratio.up + ratio.down - 1) / ratio.down;
}

std::int64_t resampledPosition(std::int64_t position, const ResampleRatio& ratio) {
  if (!ratio.resample) return position;
  const std::int64_t q = position / ratio.down, r = position % ratio.down;
  return q * ratio.up + (2 * r * ratio.up + ratio.down) / (2 * ratio.down);
}

Resampler::Resampler(std::int64_t fromHz, std::int64_t toHz) : ratio_(resampleRatio(fromHz, toHz)) {
  if (!ratio_.resample) return;
  rho_ = std::min(1.0, static_cast<double>(ratio_.up) / static_cast<double>(ratio_.down));
  // Kaiser length for the attenuation over the transition band, as a half
  // width in lower-rate periods (u = |t| rho).
  const double halfU = (kResampleAttenuationDb - 7.95) / (2.0 * 14.36 * kResampleTransition);
  half_ = static_cast<std::int64_t>(halfU / rho_) + 1;
  const double band = 1.0 - kResampleTransition;  // cut-off, 2 fc in lower-rate units
  const double beta = kaiserBeta(kResampleAttenuationDb), i0Beta = besselI0(beta);
  const auto points = static_cast<std::size_t>(std::ceil(halfU * kResampleTableSteps)) + 2;
  prototype_.resize(points);
  for (std::size_t i = 0; i < points; ++i) {
    const double u = static_cast<double>(i) / kResampleTableSteps;
    if (u >= halfU) break;
    const double arg = std::numbers::pi * band * u;
    const double sinc = i == 0 ? 1.0 : std::sin(arg) / arg;
    const double ratio = u / halfU;
    prototype_[i] = static_cast<float>(band * sinc * besselI0(beta * std::sqrt(1.0 - ratio * ratio)) / i0Beta);
  }
  // With few phases, each phase's taps are computed once.
  const std::int64_t taps = 2 * half_;
  if (ratio_.up * taps <= kResamplePhaseCacheTaps) {
    phases_.resize(static_cast<std::size_t>(ratio_.up * taps));
    for (std::int64_t phase = 0; phase < ratio_.up; ++phase) {
      const double frac = static_cast<double>(phase) / static_cast<double>(ratio_.up);
      for (std::int64_t j = 0; j < taps; ++j)
        phases_[static_cast<std::size_t>(phase * taps + j)] =
            static_cast<float>(tap(std::abs(frac + static_cast<double>(half_ - 1 - j)) * rho_));
    }
  }
  // Input before the first sample is zero.
  buffer_.assign(static_cast<std::size_t>(half_), 0);
  base_ = -half_;
}

double Resampler::tap(double u) const {
  const double x = u * kResampleTableSteps;
  const auto i = static_cast<std::size_t>(x);
  if (i + 1 >= prototype_.size()) return 0.0;
  const double f = x - static_cast<double>(i);
  return prototype_[i] + f * (prototype_[i + 1] - prototype_[i]);
}

void Resampler::produce(std::vector<std::int16_t>& y, std::int64_t limit) {
  const std::int64_t L = ratio_.up, M = ratio_.down;
  const std::int64_t end = base_ + static_cast<std::int64_t>(buffer_.size());
  for (;; ++next_) {
    if (next_ >= limit) break;
    const std::int64_t P = next_ * M, n0 = P / L;
    if (n0 + half_ >= end) break;
    const double frac = static_cast<double>(P % L) / static_cast<double>(L);
    const std::int16_t* x = buffer_.data() + (n0 - half_ + 1 - base_);
    // Tap j meets input n0 - half + 1 + j, at distance frac + half - 1 - j.
    double acc = 0.0;
    if (!phases_.empty()) {
      const float* h = phases_.data() + (P % L) * 2 * half_;
      for (std::int64_t j = 0; j < 2 * half_; ++j) acc += x[j] * static_cast<double>(h[j]);
    } else {
      for (std::int64_t j = 0; j < 2 * half_; ++j)
        acc += x[j] * tap(std::abs(frac + static_cast<double>(half_ - 1 - j)) * rho_);
    }
    y.push_back(static_cast<std::int16_t>(std::clamp(std::lround(acc * rho_), -32000L, 32000L)));
  }
  // Forget the input no later output reaches, once it is a large part of the buffer.
  const std::int64_t needed = next_ * M / L - half_ + 1;
  const std::int64_t dead = std::min<std::int64_t>(needed - base_, static_cast<std::int64_t>(buffer_.size()));
  if (dead > 4 * kResampleBlockSamples && dead * 2 > static_cast<std::int64_t>(buffer_.size())) {
    buffer_.erase(buffer_.begin(), buffer_.begin() + dead);
    base_ += dead;
  }
}

void Resampler::push(std::span<const std::int16_t> x, std::vector<std::int16_t>& y) {
  inputCount_ += static_cast<std::int64_t>(x.size());
  if (!ratio_.resample) {
    y.insert(y.end(), x.begin(), x.end());
    return;
  }
  buffer_.insert(buffer_.end(), x.begin(), x.end());
  produce(y, std::numeric_limits<std::int64_t>::max());
}

void Resampler::finish(std::vector<std::int16_t>& y) {
  if (!ratio_.resample) return;
  // Input after the last sample is zero.
  buffer_.insert(buffer_.end(), static_cast<std::size_t>(half_ + 1), 0);
  produce(y, resampledLength(inputCount_, ratio_));
}

std::vector<std::int16_t> resampleSamples(std::span<const std::int16_t> x, std::int64_t fromHz, std::int64_t toHz) {
  Resampler resampler(fromHz, toHz);
  std::vector<std::int16_t> y;
  resampler.push(x, y);
  resampler.finish(y);
  return y;
}

}  // namespace ardv
