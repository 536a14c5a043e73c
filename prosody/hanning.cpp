// Hanning window cache.
#include "prosody/hanning.h"

#include <cmath>
#include <numbers>

#include "platform/report.h"

namespace ardv {
namespace {

void fill(std::vector<float>& w, int W) {
  w.resize(static_cast<std::size_t>(W));
  for (int n = 0; n < W; ++n)
    w[static_cast<std::size_t>(n)] = static_cast<float>(0.5 * (1.0 - std::cos(2.0 * std::numbers::pi * n / W)));
}

}  // namespace

const std::vector<float>& HanningCache::window(int W) {
  if (W < 1) W = 1;
  if (auto it = windows_.find(W); it != windows_.end()) return it->second;
  if (windows_.size() >= kCapacity) {
    if (!reportedFull_) message("hanning.cpp : tableau des fenetres de hanning trop petit");
    reportedFull_ = true;
    fill(spare_, W);
    return spare_;
  }
  std::vector<float>& w = windows_[W];
  fill(w, W);
  return w;
}

}  // namespace ardv
