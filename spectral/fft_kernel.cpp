// Complex decimation-in-frequency FFT on split double arrays, with its tables.
// Symbols: re/im the data, q the quarter of a radix-4 block, w the twiddles.
#include "spectral/fft_kernel.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "spectral/fft.h"

#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__)
// Wider vectors where the processor has them; the default build stays generic.
#define ARDV_FFT_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define ARDV_FFT_CLONES
#endif

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

#if defined(__GNUC__) && !defined(__clang__)
// The vector helpers are always inlined, so no vector crosses a call.
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

// Four doubles processed together (two SSE or one AVX register); aligned(8)
// allows loads at any double boundary.
typedef double V4 __attribute__((vector_size(32), aligned(8)));

// Always inlined: a vector passed by value between functions compiled for
// different targets would not agree on the calling convention.
[[gnu::always_inline]] inline V4 load(const double* p) { return *reinterpret_cast<const V4*>(p); }
[[gnu::always_inline]] inline void store(double* p, V4 v) { *reinterpret_cast<V4*>(p) = v; }

// One radix-2 stage over blocks of size L = 2h (h a multiple of 4).
ARDV_FFT_CLONES
void radix2Stage(int n, int h, double* re, double* im, const double* wr, const double* wi) {
  for (int b = 0; b < n; b += 2 * h) {
    for (int j = 0; j < h; j += 4) {
      const int a = b + j, c = a + h;
      const V4 ar = load(re + a), ai = load(im + a), br = load(re + c), bi = load(im + c);
      const V4 w0 = load(wr + j), w1 = load(wi + j);
      const V4 tr = ar - br, ti = ai - bi;
      store(re + a, ar + br);
      store(im + a, ai + bi);
      store(re + c, tr * w0 - ti * w1);
      store(im + c, tr * w1 + ti * w0);
    }
  }
}

// One radix-4 stage over blocks of size L = 4q with table twiddles (q a
// multiple of 4).
ARDV_FFT_CLONES
void radix4Stage(int n, int q, double* re, double* im, const Radix4Twiddles& t) {
  const double* w1r = t.w1r.data();
  const double* w1i = t.w1i.data();
  const double* w2r = t.w2r.data();
  const double* w2i = t.w2i.data();
  const double* w3r = t.w3r.data();
  const double* w3i = t.w3i.data();
  for (int b = 0; b < n; b += 4 * q) {
    for (int j = 0; j < q; j += 4) {
      const int p0 = b + j, p1 = p0 + q, p2 = p1 + q, p3 = p2 + q;
      const V4 a0r = load(re + p0), a0i = load(im + p0), a1r = load(re + p1), a1i = load(im + p1);
      const V4 a2r = load(re + p2), a2i = load(im + p2), a3r = load(re + p3), a3i = load(im + p3);
      const V4 t0r = a0r + a2r, t0i = a0i + a2i;
      const V4 t1r = a0r - a2r, t1i = a0i - a2i;
      const V4 t2r = a1r + a3r, t2i = a1i + a3i;
      // (a1 - a3) * (-i)
      const V4 t3r = a1i - a3i, t3i = a3r - a1r;
      const V4 y2r = t0r - t2r, y2i = t0i - t2i;
      const V4 y1r = t1r + t3r, y1i = t1i + t3i;
      const V4 y3r = t1r - t3r, y3i = t1i - t3i;
      const V4 c1 = load(w1r + j), s1 = load(w1i + j);
      const V4 c2 = load(w2r + j), s2 = load(w2i + j);
      const V4 c3 = load(w3r + j), s3 = load(w3i + j);
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
ARDV_FFT_CLONES
void lastRadix4(int n, double* __restrict re, double* __restrict im) {
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

}  // namespace

void difForward(int n, double* re, double* im) {
  if (n < 2) return;
  const Tables& t = tables();
  const int lg = log2Of(n);
  int size = n;
  if (lg % 2 == 1) {
    if (n >= 8)
      radix2Stage(n, n / 2, re, im, t.radix2r[lg].data(), t.radix2i[lg].data());
    else
      radix2Small(n, n / 2, re, im, t.radix2r[lg].data(), t.radix2i[lg].data());
    size /= 2;
  }
  while (size > 4) {
    radix4Stage(n, size / 4, re, im, t.radix4[log2Of(size)]);
    size /= 4;
  }
  if (size == 4) lastRadix4(n, re, im);
}

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
