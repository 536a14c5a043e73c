// The stages of decimation in frequency.
// Included by fft_kernel.cpp only: every helper is inlined into the entry
// points of each instruction set.
#pragma once

#include "spectral/fft_tables.h"
#include "spectral/fft_vectors.h"

namespace ardv::fftkernel::detail {

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
inline void radix2Small(int n, int h, double* re, double* im, const double* wr, const double* wi) {
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

}  // namespace ardv::fftkernel::detail
