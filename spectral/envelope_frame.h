// Frames of the envelope analyses (LPC spectrum, cepstral smoothing, true
// envelope): a Hamming table kept across frames, the bounds check of a frame,
// and the windowed (optionally pre-emphasised) frame in double precision.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace ardv {

// A Hamming table (initham) rebuilt only when the frame length changes.
class HammingCache {
 public:
  // The table of `length` points (1..4096), or nullptr after a "bug" report.
  const float* table(int length);

 private:
  int length_ = 0;
  std::vector<float> table_;
};

// True when a frame of `length` samples starting at `first` (one more sample
// with pre-emphasis) lies inside `samples`; otherwise reports "<who> : frame
// outside the samples" as a "bug" and returns false.
bool frameInside(std::span<const std::int16_t> samples, std::int64_t first, int length, bool preemphasis,
                 const char* who);

// out[j] = w[j]·(x[first+j+1] − x[first+j]) with pre-emphasis, else
// w[j]·x[first+j], j = 0..length−1 (bounds checked by the caller).
void envelopeFrame(std::span<const std::int16_t> samples, std::int64_t first, int length, bool preemphasis,
                   const float* window, double* out);

}  // namespace ardv
