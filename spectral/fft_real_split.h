// A real transform through a complex one of half the size: the packing of
// the input and the split of the result.
// Included by fft_kernel.cpp only: every helper is inlined into the entry
// points of each instruction set.
#pragma once

#include "spectral/fft_dit_stages.h"
#include "spectral/fft_tables.h"
#include "spectral/fft_vectors.h"

namespace ardv::fftkernel::detail {

// m-point transform of x[2j] + i x[2j+1] (m >= 4) in natural order.
template <class V, class T>
ARDV_FFT_INLINE void realAsComplexBody(int m, const T* x, double* zr, double* zi) {
  if constexpr (std::is_same_v<T, float>) {
    if (m / 4 >= kLanes<V>)
      firstRadix4FromFloat<V>(m, x, zr, zi);
    else if (m >= 16)
      firstRadix4FromFloat<V4>(m, x, zr, zi);
    else
      firstRadix4FromReal(m, x, zr, zi);
  } else {
    firstRadix4FromReal(m, x, zr, zi);
  }
  ditAfterFirstStage<V>(m, zr, zi);
}

// The same for x[2j] + i x[2j+1] zero from j = m/2 on (x not read there).
template <class V>
ARDV_FFT_INLINE void frontHalfAsComplexBody(int m, const float* x, double* zr, double* zi) {
  if (m / 4 >= kLanes<V>)
    firstRadix4FromFloat<V, true>(m, x, zr, zi);
  else
    firstRadix4FromFloat<V4, true>(m, x, zr, zi);
  ditAfterFirstStage<V>(m, zr, zi);
}

// X(k) = E + W^k O with E = (Z(k) + conj Z(m-k))/2, O = -i (Z(k) - conj Z(m-k))/2.
// X(k) = E + T and X(m-k) = conj(E - T) with T = W^k O: one pass over the
// pairs k, m-k (k = 1..m/2), lanes of pairs first, then one by one.

// E and T of the lanes k.. (their partners m-k-L+1..m-k read reversed).
template <class V>
struct SplitLanes {
  V er, ei, tr, ti;
};

template <class V>
ARDV_FFT_INLINE SplitLanes<V> splitAt(int k, int m, const double* zr, const double* zi, const double* c,
                                      const double* s, V half) {
  const int r = m - k - (kLanes<V> - 1);
  const V ar = load<V>(zr + k), ai = load<V>(zi + k);
  const V br = reversed(load<V>(zr + r));
  const V bi = -reversed(load<V>(zi + r));
  const V er = half * (ar + br), ei = half * (ai + bi);
  const V orr = half * (ai - bi), oi = -half * (ar - br);
  const V ck = load<V>(c + k), sk = load<V>(s + k);
  return {er, ei, ck * orr + sk * oi, ck * oi - sk * orr};
}

template <class V>
ARDV_FFT_INLINE int splitLanes(int k, int n, const double* zr, const double* zi, float* out, double imSign) {
  constexpr int L = kLanes<V>;
  using F = std::conditional_t<L == 4, F4, F8>;
  const int m = n / 2;
  const double* c = cosTable(n);
  const double* s = sinTable(n);
  V half, sign;
  for (int l = 0; l < L; ++l) half[l] = 0.5, sign[l] = imSign;
  for (; k + L <= m / 2; k += L) {
    const int r = m - k - (L - 1);
    const auto [er, ei, tr, ti] = splitAt<V>(k, m, zr, zi, c, s, half);
    const F xr = __builtin_convertvector(er + tr, F);
    const F xi = __builtin_convertvector(sign * (ei + ti), F);
    // Partners m-k-L+1..m-k: lanes reversed back to ascending order while
    // interleaved.
    const F yr = __builtin_convertvector(er - tr, F);
    const F yi = __builtin_convertvector(-sign * (ei - ti), F);
    if constexpr (L == 4) {
      store(out + 2 * k, __builtin_shufflevector(xr, xi, 0, 4, 1, 5, 2, 6, 3, 7));
      store(out + 2 * r, __builtin_shufflevector(yr, yi, 3, 7, 2, 6, 1, 5, 0, 4));
    } else {
      store(out + 2 * k, __builtin_shufflevector(xr, xi, 0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15));
      store(out + 2 * r, __builtin_shufflevector(yr, yi, 7, 15, 6, 14, 5, 13, 4, 12, 3, 11, 2, 10, 1, 9, 0, 8));
    }
  }
  return k;
}

template <class V>
ARDV_FFT_INLINE void splitInterleavedBody(int n, const double* zr, const double* zi, float* out, double imSign) {
  const int m = n / 2;
  const double* c = cosTable(n);
  const double* s = sinTable(n);
  auto pair = [&](int k) {
    const double ar = zr[k], ai = zi[k], br = zr[m - k], bi = -zi[m - k];
    const double er = 0.5 * (ar + br), ei = 0.5 * (ai + bi);
    const double orr = 0.5 * (ai - bi), oi = -0.5 * (ar - br);
    const double tr = c[k] * orr + s[k] * oi, ti = c[k] * oi - s[k] * orr;
    out[2 * k] = static_cast<float>(er + tr);
    out[2 * k + 1] = static_cast<float>(imSign * (ei + ti));
    if (m - k != k) {
      out[2 * (m - k)] = static_cast<float>(er - tr);
      out[2 * (m - k) + 1] = static_cast<float>(-imSign * (ei - ti));
    }
  };
  int k = 1;
  if (m >= 16) {
    k = splitLanes<V>(k, n, zr, zi, out, imSign);
    // One more vector ending at m/2 - 1: lanes done already are written
    // again with the same values.
    if (k < m / 2 && m / 2 > kLanes<V>) k = splitLanes<V>(m / 2 - kLanes<V>, n, zr, zi, out, imSign);
    if constexpr (kLanes<V> != 4) k = splitLanes<V4>(k, n, zr, zi, out, imSign);
  }
  for (; k <= m / 2; ++k) pair(k);
  out[0] = static_cast<float>(zr[0] + zi[0]);
  out[1] = 0.0f;
}

// X(k) for k = 0..count-1 only (count <= n/4), each as splitInterleavedBody
// forms it.
template <class V>
ARDV_FFT_INLINE void splitLowBody(int n, const double* zr, const double* zi, float* out, int count) {
  constexpr int L = kLanes<V>;
  using F = std::conditional_t<L == 4, F4, F8>;
  const int m = n / 2;
  const double* c = cosTable(n);
  const double* s = sinTable(n);
  V half, sign;
  for (int l = 0; l < L; ++l) half[l] = 0.5, sign[l] = -1.0;
  int k = 1;
  for (; k + L <= count; k += L) {
    const auto [er, ei, tr, ti] = splitAt<V>(k, m, zr, zi, c, s, half);
    const F xr = __builtin_convertvector(er + tr, F);
    const F xi = __builtin_convertvector(sign * (ei + ti), F);
    if constexpr (L == 4)
      store(out + 2 * k, __builtin_shufflevector(xr, xi, 0, 4, 1, 5, 2, 6, 3, 7));
    else
      store(out + 2 * k, __builtin_shufflevector(xr, xi, 0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15));
  }
  for (; k < count; ++k) {
    const double ar = zr[k], ai = zi[k], br = zr[m - k], bi = -zi[m - k];
    const double er = 0.5 * (ar + br), ei = 0.5 * (ai + bi);
    const double orr = 0.5 * (ai - bi), oi = -0.5 * (ar - br);
    const double tr = c[k] * orr + s[k] * oi, ti = c[k] * oi - s[k] * orr;
    out[2 * k] = static_cast<float>(er + tr);
    out[2 * k + 1] = static_cast<float>(-1.0 * (ei + ti));
  }
  out[0] = static_cast<float>(zr[0] + zi[0]);
  out[1] = 0.0f;
}

ARDV_FFT_INLINE void splitHalfComplexBody(int n, const double* zr, const double* zi, double* x) {
  const int m = n / 2;
  const double* c = cosTable(n);
  const double* s = sinTable(n);
  x[0] = zr[0] + zi[0];
  for (int k = 1; k < m; ++k) {
    const double ar = zr[k], ai = zi[k], br = zr[m - k], bi = -zi[m - k];
    const double er = 0.5 * (ar + br), ei = 0.5 * (ai + bi);
    const double orr = 0.5 * (ai - bi), oi = -0.5 * (ar - br);
    x[k] = er + c[k] * orr + s[k] * oi;
    x[n - k] = -(ei + c[k] * oi - s[k] * orr);
  }
}

}  // namespace ardv::fftkernel::detail
