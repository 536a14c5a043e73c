// Vectors of four or eight doubles, and their loads and stores.
// Included by fft_kernel.cpp only: every helper is inlined into the entry
// points of each instruction set.
#pragma once

#include <cstring>

#include "spectral/cpu_paths.h"

namespace ardv::fftkernel::detail {

#if defined(__GNUC__)
// The vector helpers are always inlined, so no vector crosses a call.
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

#define ARDV_FFT_INLINE [[gnu::always_inline]] inline

// Four or eight doubles processed together. Every kernel path runs the same
// arithmetic in the same order (no fused multiply-add), so all of them give
// the same bits. Memory is read and written through memcpy, at any element
// boundary.
typedef double V4 __attribute__((vector_size(32)));
typedef double V8 __attribute__((vector_size(64)));
typedef float F4 __attribute__((vector_size(16)));
typedef float F8 __attribute__((vector_size(32)));
typedef float F16 __attribute__((vector_size(64)));

template <class V>
constexpr int kLanes = static_cast<int>(sizeof(V) / sizeof(double));

template <class V>
ARDV_FFT_INLINE V load(const double* p) {
  V v;
  __builtin_memcpy(&v, p, sizeof v);
  return v;
}
template <class V, class T>
ARDV_FFT_INLINE void store(T* p, const V& v) {
  __builtin_memcpy(p, &v, sizeof v);
}
// Eight floats to eight doubles in one instruction (GCC 12 splits the
// generic conversion into halves); on the AVX-512 path only.
#ifdef ARDV_X86_PATHS
ARDV_FFT_INLINE V8 widen(F8 x) {
  V8 y;
  asm("vcvtps2pd %t1, %g0" : "=v"(y) : "v"(x));
  return y;
}
#else
[[maybe_unused]] ARDV_FFT_INLINE V8 widen(F8 x) { return __builtin_convertvector(x, V8); }
#endif

template <class V>
ARDV_FFT_INLINE V reversed(const V& v) {
  if constexpr (kLanes<V> == 4)
    return __builtin_shufflevector(v, v, 3, 2, 1, 0);
  else
    return __builtin_shufflevector(v, v, 7, 6, 5, 4, 3, 2, 1, 0);
}

}  // namespace ardv::fftkernel::detail
