// The transform's tables.
#include "spectral/fft_tables.h"

#include <bit>
#include <cmath>
#include <numbers>

namespace ardv::fftkernel::detail {

Tables::Tables() {
  const double twoPi = 2.0 * std::numbers::pi;
  for (int lg = 0; lg <= kMaxLog; ++lg) {
    const int n = 1 << lg;
    auto& rev = reversal[lg];
    rev.resize(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
      int r = 0;
      for (int b = 0; b < lg; ++b)
        if (i & (1 << b)) r |= 1 << (lg - 1 - b);
      rev[static_cast<std::size_t>(i)] = r;
    }
    if (n >= 2) {
      for (int k = 0; k <= n / 2; ++k) {
        cosines[lg].push_back(std::cos(twoPi * k / n));
        sines[lg].push_back(std::sin(twoPi * k / n));
      }
      for (int j = 0; j < n / 2; ++j) {
        radix2r[lg].push_back(std::cos(twoPi * j / n));
        radix2i[lg].push_back(-std::sin(twoPi * j / n));
      }
    }
    if (n >= 4) {
      auto& t = radix4[lg];
      for (int j = 0; j < n / 4; ++j) {
        for (int m = 1; m <= 3; ++m) {
          const double a = twoPi * j * m / n;
          auto& wr = m == 1 ? t.w1r : m == 2 ? t.w2r : t.w3r;
          auto& wi = m == 1 ? t.w1i : m == 2 ? t.w2i : t.w3i;
          wr.push_back(std::cos(a));
          wi.push_back(-std::sin(a));
        }
      }
    }
  }
}

const Tables& tables() {
  static const Tables t;
  return t;
}

// The smallest lg with 2^lg >= n (every transform asks, several times).
int log2Of(int n) { return n <= 1 ? 0 : std::bit_width(static_cast<unsigned>(n - 1)); }

}  // namespace ardv::fftkernel::detail
