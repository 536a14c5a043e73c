// Fast dB levels of a power spectrum.
#include "spectral/power_db.h"

#include <cstdint>
#include <cstring>
#include <limits>

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

// The same four values at a time.
using Floats4 = float __attribute__((vector_size(16)));
using Words4 = std::uint32_t __attribute__((vector_size(16)));
using Ints4 = std::int32_t __attribute__((vector_size(16)));
using Doubles4 = double __attribute__((vector_size(32)));
using Masks4 = std::int64_t __attribute__((vector_size(32)));

[[gnu::always_inline]] inline void approxDb4(const float* p, double gain, double* out) {
  Words4 u;
  std::memcpy(&u, p, sizeof u);
  const Words4 biased = u >> 23;
  const Words4 mantissa = (u & 0x7fffffu) | 0x3f800000u;
  Floats4 mf;
  std::memcpy(&mf, &mantissa, sizeof mf);
  Doubles4 m = __builtin_convertvector(mf, Doubles4);
  Doubles4 e = __builtin_convertvector(reinterpret_cast<const Ints4&>(biased) - 127, Doubles4);
  const Masks4 high = m > 1.4142135623730951;
  m = high ? 0.5 * m : m;
  e -= __builtin_convertvector(high, Doubles4);  // the mask is -1 where high
  const Doubles4 s = (m - 1.0) / (m + 1.0);
  const Doubles4 s2 = s * s;
  const Doubles4 lnm = 2.0 * s * (1.0 + s2 * (1.0 / 3 + s2 * (1.0 / 5 + s2 * (1.0 / 7 + s2 * (1.0 / 9)))));
  const Doubles4 db = (e * 0.6931471805599453 + lnm) * 4.342944819032518 + gain;
  const Ints4 usable = (biased >= 1u) & (biased < 255u);
  const Masks4 wide = __builtin_convertvector(usable, Masks4);
  const Doubles4 result = wide ? db : std::numeric_limits<double>::quiet_NaN();
  std::memcpy(out, &result, sizeof result);
}

#define ARDV_POWER_DB(NAME, ATTR)                                              \
  ATTR void NAME(const float* power, int count, double gain, double* out) {    \
    int k = 0;                                                                 \
    for (; k + 4 <= count; k += 4) approxDb4(power + k, gain, out + k);        \
    for (; k < count; ++k) out[k] = approxDb(power[k], gain);                  \
  }

ARDV_POWER_DB(genericPowerDb, )
#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__)
// An approximation: fused multiply-adds are welcome here.
ARDV_POWER_DB(avx2PowerDb, [[gnu::target("avx2,fma")]])
#define ARDV_POWER_DB_AVX2 1
#endif

using PowerDbPath = void (*)(const float*, int, double, double*);

PowerDbPath chosenPath() {
#ifdef ARDV_POWER_DB_AVX2
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) return avx2PowerDb;
#endif
  return genericPowerDb;
}

const PowerDbPath powerDbPath = chosenPath();

}  // namespace

void approxPowerDb(const float* power, int count, float gainDb, double* out) {
  powerDbPath(power, count, static_cast<double>(gainDb), out);
}

}  // namespace ardv
