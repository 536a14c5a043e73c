// Complex decimation-in-frequency FFT on split double arrays, with its tables.
// Symbols: re/im the data, q the quarter of a radix-4 block, w the twiddles.
#include "spectral/fft_kernel.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>
#include <type_traits>
#include <utility>
#include <vector>

#include "spectral/cpu_paths.h"
#include "spectral/fft.h"

namespace ardv::fftkernel {
namespace {

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

  Tables() {
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
};

const Tables& tables() {
  static const Tables t;
  return t;
}

int log2Of(int n) {
  int lg = 0;
  while ((1 << lg) < n) ++lg;
  return lg;
}

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

// One radix-2 stage over blocks of size L = 2h (h a multiple of the lanes).
template <class V>
ARDV_FFT_INLINE void radix2Stage(int n, int h, double* re, double* im, const double* wr, const double* wi) {
  for (int b = 0; b < n; b += 2 * h) {
    for (int j = 0; j < h; j += kLanes<V>) {
      const int a = b + j, c = a + h;
      const V ar = load<V>(re + a), ai = load<V>(im + a), br = load<V>(re + c), bi = load<V>(im + c);
      const V w0 = load<V>(wr + j), w1 = load<V>(wi + j);
      const V tr = ar - br, ti = ai - bi;
      store(re + a, ar + br);
      store(im + a, ai + bi);
      store(re + c, tr * w0 - ti * w1);
      store(im + c, tr * w1 + ti * w0);
    }
  }
}

// One radix-4 stage over blocks of size L = 4q with table twiddles (q a
// multiple of the lanes).
template <class V>
ARDV_FFT_INLINE void radix4Stage(int n, int q, double* re, double* im, const Radix4Twiddles& t) {
  const double* w1r = t.w1r.data();
  const double* w1i = t.w1i.data();
  const double* w2r = t.w2r.data();
  const double* w2i = t.w2i.data();
  const double* w3r = t.w3r.data();
  const double* w3i = t.w3i.data();
  for (int b = 0; b < n; b += 4 * q) {
    for (int j = 0; j < q; j += kLanes<V>) {
      const int p0 = b + j, p1 = p0 + q, p2 = p1 + q, p3 = p2 + q;
      const V a0r = load<V>(re + p0), a0i = load<V>(im + p0), a1r = load<V>(re + p1), a1i = load<V>(im + p1);
      const V a2r = load<V>(re + p2), a2i = load<V>(im + p2), a3r = load<V>(re + p3), a3i = load<V>(im + p3);
      const V t0r = a0r + a2r, t0i = a0i + a2i;
      const V t1r = a0r - a2r, t1i = a0i - a2i;
      const V t2r = a1r + a3r, t2i = a1i + a3i;
      // (a1 - a3) * (-i)
      const V t3r = a1i - a3i, t3i = a3r - a1r;
      const V y2r = t0r - t2r, y2i = t0i - t2i;
      const V y1r = t1r + t3r, y1i = t1i + t3i;
      const V y3r = t1r - t3r, y3i = t1i - t3i;
      const V c1 = load<V>(w1r + j), s1 = load<V>(w1i + j);
      const V c2 = load<V>(w2r + j), s2 = load<V>(w2i + j);
      const V c3 = load<V>(w3r + j), s3 = load<V>(w3i + j);
      store(re + p0, t0r + t2r);
      store(im + p0, t0i + t2i);
      store(re + p1, y2r * c2 - y2i * s2);
      store(im + p1, y2r * s2 + y2i * c2);
      store(re + p2, y1r * c1 - y1i * s1);
      store(im + p2, y1r * s1 + y1i * c1);
      store(re + p3, y3r * c3 - y3i * s3);
      store(im + p3, y3r * s3 + y3i * c3);
    }
  }
}

// Radix-2 stage of a tiny transform (h < 4).
void radix2Small(int n, int h, double* re, double* im, const double* wr, const double* wi) {
  for (int b = 0; b < n; b += 2 * h) {
    for (int j = 0; j < h; ++j) {
      const int a = b + j, c = a + h;
      const double tr = re[a] - re[c], ti = im[a] - im[c];
      re[a] += re[c];
      im[a] += im[c];
      re[c] = tr * wr[j] - ti * wi[j];
      im[c] = tr * wi[j] + ti * wr[j];
    }
  }
}

// The last radix-4 stage (blocks of 4, all twiddles 1).
ARDV_FFT_INLINE void lastRadix4(int n, double* __restrict re, double* __restrict im) {
  for (int b = 0; b < n; b += 4) {
    double* __restrict r = re + b;
    double* __restrict i = im + b;
    const double t0r = r[0] + r[2], t0i = i[0] + i[2];
    const double t1r = r[0] - r[2], t1i = i[0] - i[2];
    const double t2r = r[1] + r[3], t2i = i[1] + i[3];
    const double t3r = i[1] - i[3], t3i = r[3] - r[1];
    r[0] = t0r + t2r;
    i[0] = t0i + t2i;
    r[1] = t0r - t2r;
    i[1] = t0i - t2i;
    r[2] = t1r + t3r;
    i[2] = t1i + t3i;
    r[3] = t1r - t3r;
    i[3] = t1i - t3i;
  }
}

template <class V>
ARDV_FFT_INLINE void difBody(int n, double* re, double* im) {
  const Tables& t = tables();
  const int lg = log2Of(n);
  int size = n;
  if (lg % 2 == 1) {
    if (n >= 2 * kLanes<V>)
      radix2Stage<V>(n, n / 2, re, im, t.radix2r[lg].data(), t.radix2i[lg].data());
    else if (n >= 8)
      radix2Stage<V4>(n, n / 2, re, im, t.radix2r[lg].data(), t.radix2i[lg].data());
    else
      radix2Small(n, n / 2, re, im, t.radix2r[lg].data(), t.radix2i[lg].data());
    size /= 2;
  }
  for (; size > 4; size /= 4) {
    if (size / 4 >= kLanes<V>)
      radix4Stage<V>(n, size / 4, re, im, t.radix4[log2Of(size)]);
    else
      radix4Stage<V4>(n, size / 4, re, im, t.radix4[log2Of(size)]);
  }
  if (size == 4) lastRadix4(n, re, im);
}

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
void firstRadix4FromReal(int n, const T* x, double* re, double* im) {
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
template <class V>
ARDV_FFT_INLINE void firstRadix4FromFloat(int n, const float* x, double* re, double* im) {
  const std::int32_t* rev = tables().reversal[log2Of(n)].data();
  const int q = n / 4;
  for (int r = 0; r < q; r += kLanes<V>) {
    V pr[4], pi[4];
    for (int s = 0; s < 4; ++s) {
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

// X(k) = E + W^k O with E = (Z(k) + conj Z(m-k))/2, O = -i (Z(k) - conj Z(m-k))/2.
// X(k) = E + T and X(m-k) = conj(E - T) with T = W^k O: one pass over the
// pairs k, m-k (k = 1..m/2), lanes of pairs first, then one by one.

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
    const V ar = load<V>(zr + k), ai = load<V>(zi + k);
    const V br = reversed(load<V>(zr + r));
    const V bi = -reversed(load<V>(zi + r));
    const V er = half * (ar + br), ei = half * (ai + bi);
    const V orr = half * (ai - bi), oi = -half * (ar - br);
    const V ck = load<V>(c + k), sk = load<V>(s + k);
    const V tr = ck * orr + sk * oi, ti = ck * oi - sk * orr;
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

// One set of entry points per instruction set; the one in use is picked at
// first use (defaultPath) or by setKernelPath.
struct KernelPath {
  void (*dif)(int n, double* re, double* im);
  void (*dit)(int n, double* re, double* im);
  void (*fromFloat)(int m, const float* x, double* zr, double* zi);
  void (*fromDouble)(int m, const double* x, double* zr, double* zi);
  void (*splitInterleaved)(int n, const double* zr, const double* zi, float* out, double imSign);
  void (*splitHalfComplex)(int n, const double* zr, const double* zi, double* x);
};

#define ARDV_FFT_PATH(NAME, ATTR, V)                                                                          \
  ATTR void NAME##Dif(int n, double* re, double* im) { difBody<V>(n, re, im); }                              \
  ATTR void NAME##Dit(int n, double* re, double* im) { ditBody<V>(n, re, im); }                              \
  ATTR void NAME##FromFloat(int m, const float* x, double* zr, double* zi) {                                 \
    realAsComplexBody<V>(m, x, zr, zi);                                                                       \
  }                                                                                                           \
  ATTR void NAME##FromDouble(int m, const double* x, double* zr, double* zi) {                               \
    realAsComplexBody<V>(m, x, zr, zi);                                                                       \
  }                                                                                                           \
  ATTR void NAME##SplitInterleaved(int n, const double* zr, const double* zi, float* out, double imSign) {   \
    splitInterleavedBody<V>(n, zr, zi, out, imSign);                                                          \
  }                                                                                                           \
  ATTR void NAME##SplitHalfComplex(int n, const double* zr, const double* zi, double* x) {                   \
    splitHalfComplexBody(n, zr, zi, x);                                                                       \
  }                                                                                                           \
  constexpr KernelPath NAME##Path = {NAME##Dif,         NAME##Dit,          NAME##FromFloat, NAME##FromDouble, \
                                     NAME##SplitInterleaved, NAME##SplitHalfComplex};

ARDV_FFT_PATH(generic, , V4)

#ifdef ARDV_X86_PATHS
ARDV_FFT_PATH(avx2, [[gnu::target("avx2")]], V4)
ARDV_FFT_PATH(avx512, [[gnu::target("avx512f")]], V8)
#endif

const KernelPath* const kPaths[] = {&genericPath
#ifdef ARDV_X86_PATHS
                                    ,
                                    &avx2Path, &avx512Path
#endif
};

int widestPath() {
#ifdef ARDV_X86_PATHS
  if (cpuHasAvx512()) return 2;
  if (cpuHasAvx2()) return 1;
#endif
  return 0;
}

// The widest path the processor has. (AVX-512 once made whole analyses 4-6 %
// slower, lowering the clock for the scalar logarithms around the transform;
// with most of those gone it is as fast or faster everywhere measured.)
int defaultPath() { return widestPath(); }

std::atomic<int>& chosenPath() {
  static std::atomic<int> path{defaultPath()};
  return path;
}

const KernelPath& path() { return *kPaths[chosenPath().load(std::memory_order_relaxed)]; }

}  // namespace

int kernelPathCount() { return widestPath() + 1; }

void setKernelPath(int index) {
  chosenPath().store(index < 0 || index > widestPath() ? defaultPath() : index, std::memory_order_relaxed);
}

void difForward(int n, double* re, double* im) {
  if (n < 2) return;
  path().dif(n, re, im);
}

void ditForward(int n, double* re, double* im) {
  if (n < 2) return;
  if (n == 2) {
    const double r = re[0] - re[1], i = im[0] - im[1];
    re[0] += re[1];
    im[0] += im[1];
    re[1] = r;
    im[1] = i;
    return;
  }
  path().dit(n, re, im);
}

void splitToInterleaved(int n, const double* zr, const double* zi, float* out, double imSign) {
  path().splitInterleaved(n, zr, zi, out, imSign);
}

void splitToHalfComplex(int n, const double* zr, const double* zi, double* x) {
  path().splitHalfComplex(n, zr, zi, x);
}

template <class T>
void realAsComplexForward(int m, const T* x, double* zr, double* zi) {
  if (m < 4) {
    const std::int32_t* rev = bitReversal(m);
    for (int i = 0; i < m; ++i) {
      zr[i] = static_cast<double>(x[2 * rev[i]]);
      zi[i] = static_cast<double>(x[2 * rev[i] + 1]);
    }
    ditForward(m, zr, zi);
  } else if constexpr (std::is_same_v<T, float>) {
    path().fromFloat(m, x, zr, zi);
  } else {
    path().fromDouble(m, x, zr, zi);
  }
  zr[m] = zr[0];
  zi[m] = zi[0];
}

template void realAsComplexForward<float>(int, const float*, double*, double*);
template void realAsComplexForward<double>(int, const double*, double*, double*);

const std::int32_t* bitReversal(int n) { return tables().reversal[log2Of(n)].data(); }
const double* cosTable(int n) { return tables().cosines[log2Of(n)].data(); }
const double* sinTable(int n) { return tables().sines[log2Of(n)].data(); }

double* scratchRe() {
  alignas(64) thread_local double buffer[kMaxFftSize];
  return buffer;
}

double* scratchIm() {
  alignas(64) thread_local double buffer[kMaxFftSize];
  return buffer;
}

}  // namespace ardv::fftkernel
