// Rate conversion for playback (`ChangementFrequence`): when the device
// refuses the signal's rate, the samples are brought near 11025 Hz by a
// small rational factor din / dout chosen from a table.
//
// Stages: factor table (rateFactors) -> 30-tap linear-phase low-pass FIR
// (rateChangeFilter) -> polyphase up-by-din / down-by-dout in blocks, with
// progress and Escape (ChangementFrequence::convert).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace ardv {

constexpr int kRateChangeTaps = 30;

struct RateFactors {
  int din = 1;   // up-sampling factor
  int dout = 1;  // down-sampling factor
  bool convert = false;  // false: 0.86 <= r < 1.2, the input is played unchanged
};

// The factors for r = input rate / output rate (r < 0.55: 2/1 ... r >= 1.82: 1/2).
RateFactors rateFactors(double r);

// The 30 coefficients of the low-pass filter at the up-sampled rate:
// Hamming-windowed sinc, cutoff at the lower of the two Nyquist frequencies
// (0.5 / max(din, dout) cycles per sample), symmetric, unity gain at DC.
std::vector<double> rateChangeFilter(int din, int dout);

// Output samples for n input samples: (n din - 30) / dout - 2, at least 0;
// n when the factors do not convert.
std::int64_t rateChangeLength(std::int64_t n, const RateFactors& f);

class ChangementFrequence {
 public:
  // The samples (not copied: they must outlive convert()) and their rate.
  void setInput(std::span<const std::int16_t> x, int inputRateHz);
  void setOutputRate(int outputRateHz);

  // Converts (trace "chgt freq : din=%d dout=%d") in blocks of
  // min(m / 20, 1000) samples with the progress "chng freq", stopping early
  // when Escape is pressed. Output k is din times the filter applied at
  // up-sampled position k dout, truncated and limited to -32000..32000.
  // Returns the number of output samples (the input, copied, when no
  // conversion is needed; fewer than rateChangeLength after Escape).
  std::int64_t convert();

  const std::vector<std::int16_t>& output() const { return y_; }
  RateFactors factors() const;

 private:
  std::span<const std::int16_t> x_;
  int inputRateHz_ = 0;
  int outputRateHz_ = 0;
  std::vector<std::int16_t> y_;
};

}  // namespace ardv
