// The transform's tables, by log2 of its size: the bit reversal, cosines and
// sines, and the twiddles of the radix-2 and radix-4 stages.
#pragma once

#include <cstdint>
#include <vector>

namespace ardv::fftkernel::detail {

constexpr int kMaxLog = 12;

struct Radix4Twiddles {
  std::vector<double> w1r, w1i, w2r, w2i, w3r, w3i;
};

struct Tables {
  // Indexed by log2 of the size.
  std::vector<std::int32_t> reversal[kMaxLog + 1];
  std::vector<double> cosines[kMaxLog + 1];
  std::vector<double> sines[kMaxLog + 1];
  Radix4Twiddles radix4[kMaxLog + 1];
  std::vector<double> radix2r[kMaxLog + 1], radix2i[kMaxLog + 1];

  Tables();
};

// Built once, at first use.
const Tables& tables();
int log2Of(int n);

}  // namespace ardv::fftkernel::detail
