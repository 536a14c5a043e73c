// Fast dB levels of a power spectrum.
#include "spectral/power_db.h"

#include <cstdint>
#include <cstring>
#include <limits>

#include "spectral/cpu_paths.h"

namespace ardv {
namespace {

// ln(m) for m in [sqrt(1/2), sqrt(2)) by the series of atanh: s = (m-1)/(m+1),
// ln m = 2(s + s^3/3 + ... + s^9/9); |s| < 0.172, so the first term left out
// is below 1e-9.
[[gnu::always_inline]] inline double approxDb(float p, double gain) {
  std::uint32_t u;
  std::memcpy(&u, &p, sizeof u);
  int e = static_cast<int>(u >> 23) - 127;
  const std::uint32_t mantissa = (u & 0x7fffffu) | 0x3f800000u;
  float mf;
  std::memcpy(&mf, &mantissa, sizeof mf);
  double m = mf;
  const bool high = m > 1.4142135623730951;
  m = high ? 0.5 * m : m;
  e += high ? 1 : 0;
  const double s = (m - 1.0) / (m + 1.0);
  const double s2 = s * s;
  const double lnm = 2.0 * s * (1.0 + s2 * (1.0 / 3 + s2 * (1.0 / 5 + s2 * (1.0 / 7 + s2 * (1.0 / 9)))));
  constexpr double kLn2 = 0.6931471805599453;
  constexpr double kDbPerNeper = 4.342944819032518;  // 10/ln 10
  const double db = (e * kLn2 + lnm) * kDbPerNeper + gain;
  // Negative, zero, subnormal, infinite or NaN powers are not approximated.
  const bool usable = (u >> 23) >= 1 && (u >> 23) < 255;
  return usable ? db : std::numeric_limits<double>::quiet_NaN();
}

// Eight values at a time, the mantissa's logarithm in float (within 1e-7 of
// ln m), the rest in double.
using Floats8 = float __attribute__((vector_size(32)));
using Words8 = std::uint32_t __attribute__((vector_size(32)));
using Ints8 = std::int32_t __attribute__((vector_size(32)));
using Doubles4 = double __attribute__((vector_size(32)));
using Masks4 = std::int64_t __attribute__((vector_size(32)));
using Floats4 = float __attribute__((vector_size(16)));
using Ints4 = std::int32_t __attribute__((vector_size(16)));

[[gnu::always_inline]] inline void finish4(Floats4 lnm, Ints4 e, Ints4 usable, double gain, double* out) {
  const Doubles4 db = (__builtin_convertvector(e, Doubles4) * 0.6931471805599453 +
                       __builtin_convertvector(lnm, Doubles4)) * 4.342944819032518 + gain;
  const Masks4 wide = __builtin_convertvector(usable, Masks4);
  const Doubles4 result = wide ? db : std::numeric_limits<double>::quiet_NaN();
  std::memcpy(out, &result, sizeof result);
}

[[gnu::always_inline]] inline void approxDb8(const float* p, double gain, double* out) {
  Words8 u;
  std::memcpy(&u, p, sizeof u);
  const Words8 biased = u >> 23;
  const Words8 mantissa = (u & 0x7fffffu) | 0x3f800000u;
  Floats8 m;
  std::memcpy(&m, &mantissa, sizeof m);
  const Ints8 high = m > 1.41421356f;
  m = high ? 0.5f * m : m;
  const Ints8 e = reinterpret_cast<const Ints8&>(biased) - 127 - high;  // high is -1 where set
  const Floats8 s = (m - 1.0f) / (m + 1.0f);
  const Floats8 s2 = s * s;
  const Floats8 lnm = 2.0f * s * (1.0f + s2 * (1.0f / 3 + s2 * (1.0f / 5 + s2 * (1.0f / 7 + s2 * (1.0f / 9)))));
  const Ints8 usable = (biased >= 1u) & (biased < 255u);
  finish4(__builtin_shufflevector(lnm, lnm, 0, 1, 2, 3), __builtin_shufflevector(e, e, 0, 1, 2, 3),
          __builtin_shufflevector(usable, usable, 0, 1, 2, 3), gain, out);
  finish4(__builtin_shufflevector(lnm, lnm, 4, 5, 6, 7), __builtin_shufflevector(e, e, 4, 5, 6, 7),
          __builtin_shufflevector(usable, usable, 4, 5, 6, 7), gain, out + 4);
}

#define ARDV_POWER_DB(NAME, ATTR)                                              \
  ATTR void NAME(const float* power, int count, double gain, double* out) {    \
    int k = 0;                                                                 \
    for (; k + 8 <= count; k += 8) approxDb8(power + k, gain, out + k);        \
    for (; k < count; ++k) out[k] = approxDb(power[k], gain);                  \
  }

ARDV_POWER_DB(genericPowerDb, )
#ifdef ARDV_X86_PATHS
// An approximation: fused multiply-adds are welcome here.
ARDV_POWER_DB(avx2PowerDb, [[gnu::target("avx2,fma")]])
#endif

using PowerDbPath = void (*)(const float*, int, double, double*);

PowerDbPath chosenPath() {
#ifdef ARDV_X86_PATHS
  if (cpuHasAvx2Fma()) return avx2PowerDb;
#endif
  return genericPowerDb;
}

const PowerDbPath powerDbPath = chosenPath();

}  // namespace

void approxPowerDb(const float* power, int count, float gainDb, double* out) {
  powerDbPath(power, count, static_cast<double>(gainDb), out);
}

}  // namespace ardv
