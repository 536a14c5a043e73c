// Sampling-rate conversion by the exact rational factor L / M = to / from
// (both reduced by their gcd): a polyphase Kaiser-windowed sinc low-pass
// centred on each output instant, so the output is time-aligned with the
// input (no filter delay), streamed in bounded memory.
//
// Stages: ratio (resampleRatio) -> tabulated prototype filter (Resampler) ->
// polyphase filtering block by block (Resampler::push / finish).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace ardv {

// Filter design values: stop-band attenuation (dB), and the transition band
// as a fraction of the lower of the two rates, so that the pass band reaches
// 0.44 and the stop band begins at 0.5 of it (nothing folds back).
constexpr double kResampleAttenuationDb = 80.0;
constexpr double kResampleTransition = 0.06;
// Points of the tabulated prototype per lower-rate sample period; linear
// interpolation between them errs below -110 dB.
constexpr int kResampleTableSteps = 2048;
// Most taps kept for all phases (when L is small enough): 4 MB.
constexpr std::int64_t kResamplePhaseCacheTaps = std::int64_t{1} << 20;
// Input samples read, converted and written at a time; Escape is asked
// before each block.
constexpr std::int64_t kResampleBlockSamples = 8192;
// Rates converted to or from, Hz. Below the lowest no analysis can use the
// result.
constexpr std::int64_t kResampleMinRateHz = 1000;
constexpr std::int64_t kResampleMaxRateHz = 1000000;

struct ResampleRatio {
  std::int64_t up = 1;    // L = to / gcd
  std::int64_t down = 1;  // M = from / gcd
  bool resample = false;  // false: the samples are copied (same rate)
};

// The exact ratio for rates fromHz -> toHz (1 .. kResampleMaxRateHz each).
ResampleRatio resampleRatio(std::int64_t fromHz, std::int64_t toHz);

// Output samples for n input samples: the instants k·from/to (in input
// samples) below n, that is ceil(n·L/M); n for a copy.
std::int64_t resampledLength(std::int64_t n, const ResampleRatio& ratio);

// Output sample index of input sample index `position`: round(position·L/M).
std::int64_t resampledPosition(std::int64_t position, const ResampleRatio& ratio);

// Streaming converter. Input before the first sample and after the last one
// counts as zero. Outputs are limited to -32000..32000.
class Resampler {
 public:
  // fromHz, toHz: 1 .. kResampleMaxRateHz (callers check).
  Resampler(std::int64_t fromHz, std::int64_t toHz);
  // Appends `x` to the input and to `y` every output sample it completes.
  void push(std::span<const std::int16_t> x, std::vector<std::int16_t>& y);
  // Ends the input and appends the remaining output samples, so that `y`
  // holds resampledLength(total input) samples in all.
  void finish(std::vector<std::int16_t>& y);

  const ResampleRatio& ratio() const { return ratio_; }

 private:
  void produce(std::vector<std::int16_t>& y, std::int64_t limit);
  double tap(double u) const;

  ResampleRatio ratio_;
  double rho_ = 1.0;              // lower rate / input rate
  std::int64_t half_ = 0;         // taps on each side of an output instant
  std::vector<float> prototype_;  // filter at u = |t|·rho, kResampleTableSteps per unit
  std::vector<float> phases_;     // taps of each phase, 2 half_ each; empty when L is large
  std::vector<std::int16_t> buffer_;  // input samples from index base_
  std::int64_t base_ = 0;
  std::int64_t inputCount_ = 0;
  std::int64_t next_ = 0;  // next output index
};

// The whole of `x` converted (tests, playback).
std::vector<std::int16_t> resampleSamples(std::span<const std::int16_t> x, std::int64_t fromHz, std::int64_t toHz);

}  // namespace ardv
