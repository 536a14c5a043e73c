// Cache of Hanning windows by length: w[n] = 0.5 * (1 - cos(2*pi*n / W)),
// n = 0..W-1. Window lengths repeat from period to period in PSOLA, so each
// length is computed once per run.
#pragma once

#include <cstddef>
#include <unordered_map>
#include <vector>

namespace ardv {

class HanningCache {
 public:
  static constexpr std::size_t kCapacity = 1000;

  // The window of length `W` (W >= 1). When the cache already holds
  // kCapacity windows, reports "hanning.cpp : tableau des fenetres de hanning
  // trop petit" once and returns a window computed into a spare slot that the
  // next uncached request overwrites.
  const std::vector<float>& window(int W);

  std::size_t size() const { return windows_.size(); }

 private:
  std::unordered_map<int, std::vector<float>> windows_;
  std::vector<float> spare_;
  bool reportedFull_ = false;
};

}  // namespace ardv
