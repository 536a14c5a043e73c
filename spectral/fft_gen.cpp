// Table-driven radix-2 decimation-in-frequency FFT (1-based tables).
#include "spectral/fft_gen.h"

#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "platform/report.h"

namespace ardv {
namespace {

constexpr int kMaxOrder = 12;
constexpr int kMaxPoints = 1 << kMaxOrder;
constexpr int kButterflies = kMaxPoints / 2 * kMaxOrder + 1;

struct FftGenTables {
  std::vector<std::int32_t> tabj1_ = std::vector<std::int32_t>(kButterflies);
  std::vector<std::int32_t> tabj2_ = std::vector<std::int32_t>(kButterflies);
  std::vector<float> tabcos_ = std::vector<float>(kButterflies);
  std::vector<float> tabsin_ = std::vector<float>(kButterflies);
  std::vector<std::int32_t> tabjn_ = std::vector<std::int32_t>(kMaxPoints + 1);
  std::int32_t mask[32] = {};
  int n = 0;  // size the tables describe; 0 before the first initFftGen
  int m = 0;
};

FftGenTables& genTables() {
  static FftGenTables t;
  return t;
}

}  // namespace

int bitReverseFft(int x, int m) {
  if (m < 0 || m > 30 || x < 1 || x > (1 << m)) {
    fatal("bug in bitReverseFft() near fftGen()\n x=" + std::to_string(x) + " out of range");
    return -1;
  }
  int result = 1;
  const int v = x - 1;
  for (int b = 0; b < m; ++b)
    if (v & (1 << b)) result += 1 << (m - 1 - b);
  return result;
}

bool initFftGen(int n, int m, int sign) {
  if (n > kMaxPoints) {
    debugMessage("initFftGen() : ordre de FFT trop grand");
    return false;
  }
  if (m < 1 || n != (1 << m)) {
    debugMessage("initFftGen() : N=" + std::to_string(n) + " is not 2^" + std::to_string(m));
    return false;
  }
  FftGenTables& t = genTables();
  for (int i = 0; i < 12; ++i) t.mask[i] = 1 << i;
  int k = 1;
  for (int s = 1; s <= m; ++s) {
    const int half = 1 << (m - s);
    const int span = 2 * half;
    const double delta = 2.0 * std::numbers::pi / span;
    for (int j = 1; j <= half; ++j) {
      const double theta = (j - 1) * delta * sign;
      const float c = static_cast<float>(std::cos(theta));
      const float sn = static_cast<float>(std::sin(theta));
      for (int p = span; p <= n; p += span) {
        t.tabj1_[k] = p - span + j;
        t.tabj2_[k] = t.tabj1_[k] + half;
        t.tabcos_[k] = c;
        t.tabsin_[k] = sn;
        ++k;
      }
    }
  }
  for (int i = 1; i <= n; ++i) t.tabjn_[i] = bitReverseFft(i, m);
  t.n = n;
  t.m = m;
  return true;
}

bool fftGen(float* re, float* im, int n, int m) {
  FftGenTables& t = genTables();
  if (t.n == 0 || n != t.n || m != t.m) {
    debugMessage("fftGen(): N=" + std::to_string(n) + " does not match initFftGen()");
    return false;
  }
  const int count = n / 2 * m;
  for (int k = 1; k <= count; ++k) {
    const int a = t.tabj1_[k], b = t.tabj2_[k];
    const float tr = re[a] - re[b];
    const float ti = im[a] - im[b];
    re[a] = re[a] + re[b];
    im[a] = im[a] + im[b];
    re[b] = t.tabcos_[k] * tr + t.tabsin_[k] * ti;
    im[b] = t.tabcos_[k] * ti - t.tabsin_[k] * tr;
  }
  for (int i = 1; i <= n; ++i) {
    const int j = t.tabjn_[i];
    if (j > i) {
      std::swap(re[i], re[j]);
      std::swap(im[i], im[j]);
    }
  }
  return true;
}

}  // namespace ardv
