// The stages of decimation in time, and the first stage from real input.
// Included by fft_kernel.cpp only: every helper is inlined into the entry
// points of each instruction set.
#pragma once

#include "spectral/fft_tables.h"
#include "spectral/fft_vectors.h"

namespace ardv::fftkernel::detail {

// Decimation in time, the transposed stages of the above: input in
// bit-reversed order, output in natural order.

// First stage: twiddle-free radix-4 butterflies on blocks of 4.
ARDV_FFT_INLINE void firstRadix4(int n, double* __restrict re, double* __restrict im) {
  for (int b = 0; b < n; b += 4) {
    double* __restrict r = re + b;
    double* __restrict i = im + b;
    // Blocks hold the transforms of x[4m], x[4m+2], x[4m+1], x[4m+3].
    const double s02r = r[0] + r[1], s02i = i[0] + i[1];
    const double d02r = r[0] - r[1], d02i = i[0] - i[1];
    const double s13r = r[2] + r[3], s13i = i[2] + i[3];
    const double d13r = r[2] - r[3], d13i = i[2] - i[3];
    r[0] = s02r + s13r;
    i[0] = s02i + s13i;
    r[2] = s02r - s13r;
    i[2] = s02i - s13i;
    r[1] = d02r + d13i;  // d02 - i d13
    i[1] = d02i - d13r;
    r[3] = d02r - d13i;  // d02 + i d13
    i[3] = d02i + d13r;
  }
}

// One radix-4 butterfly of decimation in time on the quarters a0..a3 of
// blocks, in place, with twiddles w1 (a2), w2 (a1), w3 (a3). Named
// variables, not arrays: arrays of vectors would be kept in memory.
template <class V>
ARDV_FFT_INLINE void ditButterfly(V& r0, V& i0, V& r1, V& i1, V& r2, V& i2, V& r3, V& i3, const V& c1, const V& s1,
                                  const V& c2, const V& s2, const V& c3, const V& s3) {
  const V b1r = r2 * c1 - i2 * s1, b1i = r2 * s1 + i2 * c1;
  const V b2r = r1 * c2 - i1 * s2, b2i = r1 * s2 + i1 * c2;
  const V b3r = r3 * c3 - i3 * s3, b3i = r3 * s3 + i3 * c3;
  const V s02r = r0 + b2r, s02i = i0 + b2i, d02r = r0 - b2r, d02i = i0 - b2i;
  const V s13r = b1r + b3r, s13i = b1i + b3i, d13r = b1r - b3r, d13i = b1i - b3i;
  r0 = s02r + s13r;
  i0 = s02i + s13i;
  r2 = s02r - s13r;
  i2 = s02i - s13i;
  r1 = d02r + d13i;
  i1 = d02i - d13r;
  r3 = d02r - d13i;
  i3 = d02i + d13r;
}

template <class V>
ARDV_FFT_INLINE void ditRadix4Stage(int n, int q, double* re, double* im, const Radix4Twiddles& t) {
  const double* w1r = t.w1r.data();
  const double* w1i = t.w1i.data();
  const double* w2r = t.w2r.data();
  const double* w2i = t.w2i.data();
  const double* w3r = t.w3r.data();
  const double* w3i = t.w3i.data();
  for (int b = 0; b < n; b += 4 * q) {
    for (int j = 0; j < q; j += kLanes<V>) {
      const int p0 = b + j, p1 = p0 + q, p2 = p1 + q, p3 = p2 + q;
      const V c1 = load<V>(w1r + j), s1 = load<V>(w1i + j);
      const V c2 = load<V>(w2r + j), s2 = load<V>(w2i + j);
      const V c3 = load<V>(w3r + j), s3 = load<V>(w3i + j);
      V r0 = load<V>(re + p0), i0 = load<V>(im + p0), r1 = load<V>(re + p1), i1 = load<V>(im + p1);
      V r2 = load<V>(re + p2), i2 = load<V>(im + p2), r3 = load<V>(re + p3), i3 = load<V>(im + p3);
      ditButterfly(r0, i0, r1, i1, r2, i2, r3, i3, c1, s1, c2, s2, c3, s3);
      store(re + p0, r0);
      store(im + p0, i0);
      store(re + p1, r1);
      store(im + p1, i1);
      store(re + p2, r2);
      store(im + p2, i2);
      store(re + p3, r3);
      store(im + p3, i3);
    }
  }
}

// Four doubles at p and four at p + 16 as one vector, and back.
ARDV_FFT_INLINE V8 loadPair(const double* p) {
  return __builtin_shufflevector(load<V4>(p), load<V4>(p + 16), 0, 1, 2, 3, 4, 5, 6, 7);
}
ARDV_FFT_INLINE V8 loadTwice(const double* p) {
  return __builtin_shufflevector(load<V4>(p), load<V4>(p), 0, 1, 2, 3, 4, 5, 6, 7);
}
ARDV_FFT_INLINE void storePair(double* p, const V8& v) {
  store(p, __builtin_shufflevector(v, v, 0, 1, 2, 3));
  store(p + 16, __builtin_shufflevector(v, v, 4, 5, 6, 7));
}

// The stage on blocks of 16 with eight lanes: two blocks at a time, the
// twiddles (the same for every block) in both halves.
ARDV_FFT_INLINE void ditRadix4Stage16(int n, double* re, double* im, const Radix4Twiddles& t) {
  const V8 c1 = loadTwice(t.w1r.data()), s1 = loadTwice(t.w1i.data());
  const V8 c2 = loadTwice(t.w2r.data()), s2 = loadTwice(t.w2i.data());
  const V8 c3 = loadTwice(t.w3r.data()), s3 = loadTwice(t.w3i.data());
  for (int b = 0; b < n; b += 32) {
    V8 r0 = loadPair(re + b), i0 = loadPair(im + b), r1 = loadPair(re + b + 4), i1 = loadPair(im + b + 4);
    V8 r2 = loadPair(re + b + 8), i2 = loadPair(im + b + 8), r3 = loadPair(re + b + 12), i3 = loadPair(im + b + 12);
    ditButterfly(r0, i0, r1, i1, r2, i2, r3, i3, c1, s1, c2, s2, c3, s3);
    storePair(re + b, r0);
    storePair(im + b, i0);
    storePair(re + b + 4, r1);
    storePair(im + b + 4, i1);
    storePair(re + b + 8, r2);
    storePair(im + b + 8, i2);
    storePair(re + b + 12, r3);
    storePair(im + b + 12, i3);
  }
}

// Last stage of an odd log2 n: radix 2 over the whole transform.
template <class V>
ARDV_FFT_INLINE void ditRadix2Stage(int n, double* re, double* im, const double* wr, const double* wi) {
  const int h = n / 2;
  for (int j = 0; j < h; j += kLanes<V>) {
    const V ar = load<V>(re + j), ai = load<V>(im + j);
    const V xr = load<V>(re + j + h), xi = load<V>(im + j + h);
    const V c = load<V>(wr + j), s = load<V>(wi + j);
    const V br = xr * c - xi * s, bi = xr * s + xi * c;
    store(re + j, ar + br);
    store(im + j, ai + bi);
    store(re + j + h, ar - br);
    store(im + j + h, ai - bi);
  }
}

template <class T>
inline void firstRadix4FromReal(int n, const T* x, double* re, double* im) {
  const std::int32_t* rev = tables().reversal[log2Of(n)].data();
  for (int b = 0; b < n; b += 4) {
    // Complex point j is x[2j] + i x[2j+1], taken in bit-reversed order.
    const T* p0 = x + 2 * rev[b];
    const T* p1 = x + 2 * rev[b + 1];
    const T* p2 = x + 2 * rev[b + 2];
    const T* p3 = x + 2 * rev[b + 3];
    const double r0 = p0[0], i0 = p0[1], r1 = p1[0], i1 = p1[1];
    const double r2 = p2[0], i2 = p2[1], r3 = p3[0], i3 = p3[1];
    const double s02r = r0 + r1, s02i = i0 + i1, d02r = r0 - r1, d02i = i0 - i1;
    const double s13r = r2 + r3, s13i = i2 + i3, d13r = r2 - r3, d13i = i2 - i3;
    re[b] = s02r + s13r;
    im[b] = s02i + s13i;
    re[b + 2] = s02r - s13r;
    im[b + 2] = s02i - s13i;
    re[b + 1] = d02r + d13i;
    im[b + 1] = d02i - d13r;
    re[b + 3] = d02r - d13i;
    im[b + 3] = d02i + d13r;
  }
}

// The same for float input, a vector of blocks at a time (n/4 a multiple of
// the lanes): the block of destination rev[r] takes source points r, r + n/4,
// r + n/2, r + 3n/4, so consecutive r are read as vectors and the results
// transposed into blocks.
// With frontHalf the points from n/2 on are taken as zeros and not read:
// the same sums, a zero added where a point was (the same bits).
template <class V, bool frontHalf = false>
ARDV_FFT_INLINE void firstRadix4FromFloat(int n, const float* x, double* re, double* im) {
  const std::int32_t* rev = tables().reversal[log2Of(n)].data();
  const int q = n / 4;
  for (int r = 0; r < q; r += kLanes<V>) {
    V pr[4], pi[4];
    for (int s = 0; s < 4; ++s) {
      if (frontHalf && s >= 2) {
        pr[s] = V{};
        pi[s] = V{};
        continue;
      }
      if constexpr (kLanes<V> == 4) {
        F8 v;
        __builtin_memcpy(&v, x + 2 * (r + s * q), sizeof v);
        pr[s] = __builtin_convertvector(__builtin_shufflevector(v, v, 0, 2, 4, 6), V);
        pi[s] = __builtin_convertvector(__builtin_shufflevector(v, v, 1, 3, 5, 7), V);
      } else {
        F16 v;
        __builtin_memcpy(&v, x + 2 * (r + s * q), sizeof v);
        pr[s] = widen(__builtin_shufflevector(v, v, 0, 2, 4, 6, 8, 10, 12, 14));
        pi[s] = widen(__builtin_shufflevector(v, v, 1, 3, 5, 7, 9, 11, 13, 15));
      }
    }
    // Block order: sources r, r + n/2, r + n/4, r + 3n/4.
    const V s02r = pr[0] + pr[2], s02i = pi[0] + pi[2], d02r = pr[0] - pr[2], d02i = pi[0] - pi[2];
    const V s13r = pr[1] + pr[3], s13i = pi[1] + pi[3], d13r = pr[1] - pr[3], d13i = pi[1] - pi[3];
    const V yr[4] = {s02r + s13r, d02r + d13i, s02r - s13r, d02r - d13i};
    const V yi[4] = {s02i + s13i, d02i - d13r, s02i - s13i, d02i + d13r};
    const V* ys[2] = {yr, yi};
    double* outs[2] = {re, im};
    for (int part = 0; part < 2; ++part) {
      const V* y = ys[part];
      double* o = outs[part];
      if constexpr (kLanes<V> == 4) {
        const V4 t0 = __builtin_shufflevector(y[0], y[1], 0, 4, 2, 6), t1 = __builtin_shufflevector(y[0], y[1], 1, 5, 3, 7);
        const V4 t2 = __builtin_shufflevector(y[2], y[3], 0, 4, 2, 6), t3 = __builtin_shufflevector(y[2], y[3], 1, 5, 3, 7);
        store(o + rev[r], __builtin_shufflevector(t0, t2, 0, 1, 4, 5));
        store(o + rev[r + 1], __builtin_shufflevector(t1, t3, 0, 1, 4, 5));
        store(o + rev[r + 2], __builtin_shufflevector(t0, t2, 2, 3, 6, 7));
        store(o + rev[r + 3], __builtin_shufflevector(t1, t3, 2, 3, 6, 7));
      } else {
        // Pairs (y0, y1) and (y2, y3) of even and odd lanes, then the halves.
        const V8 t0 = __builtin_shufflevector(y[0], y[1], 0, 8, 2, 10, 4, 12, 6, 14);
        const V8 t1 = __builtin_shufflevector(y[0], y[1], 1, 9, 3, 11, 5, 13, 7, 15);
        const V8 t2 = __builtin_shufflevector(y[2], y[3], 0, 8, 2, 10, 4, 12, 6, 14);
        const V8 t3 = __builtin_shufflevector(y[2], y[3], 1, 9, 3, 11, 5, 13, 7, 15);
        store(o + rev[r], __builtin_shufflevector(t0, t2, 0, 1, 8, 9));
        store(o + rev[r + 1], __builtin_shufflevector(t1, t3, 0, 1, 8, 9));
        store(o + rev[r + 2], __builtin_shufflevector(t0, t2, 2, 3, 10, 11));
        store(o + rev[r + 3], __builtin_shufflevector(t1, t3, 2, 3, 10, 11));
        store(o + rev[r + 4], __builtin_shufflevector(t0, t2, 4, 5, 12, 13));
        store(o + rev[r + 5], __builtin_shufflevector(t1, t3, 4, 5, 12, 13));
        store(o + rev[r + 6], __builtin_shufflevector(t0, t2, 6, 7, 14, 15));
        store(o + rev[r + 7], __builtin_shufflevector(t1, t3, 6, 7, 14, 15));
      }
    }
  }
}

// The radix-4 stages after the first, and the radix-2 stage of an odd log2 n.
template <class V>
ARDV_FFT_INLINE void ditAfterFirstStage(int n, double* re, double* im) {
  const Tables& t = tables();
  const int lg = log2Of(n);
  const int top = lg % 2 == 1 ? n / 2 : n;
  for (int size = 16; size <= top; size *= 4) {
    if (size / 4 >= kLanes<V>)
      ditRadix4Stage<V>(n, size / 4, re, im, t.radix4[log2Of(size)]);
    else if (kLanes<V> == 8 && size == 16 && n >= 32)
      ditRadix4Stage16(n, re, im, t.radix4[4]);
    else
      ditRadix4Stage<V4>(n, size / 4, re, im, t.radix4[log2Of(size)]);
  }
  if (top != n) {
    if (n / 2 >= kLanes<V>)
      ditRadix2Stage<V>(n, re, im, t.radix2r[lg].data(), t.radix2i[lg].data());
    else
      ditRadix2Stage<V4>(n, re, im, t.radix2r[lg].data(), t.radix2i[lg].data());
  }
}

template <class V>
ARDV_FFT_INLINE void ditBody(int n, double* re, double* im) {
  firstRadix4(n, re, im);
  ditAfterFirstStage<V>(n, re, im);
}

}  // namespace ardv::fftkernel::detail
