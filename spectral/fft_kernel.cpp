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

// One radix-2 stage over blocks of size L = 2h.
ARDV_FFT_CLONES
void radix2Stage(int n, int h, double* __restrict re, double* __restrict im, const double* __restrict wr,
                 const double* __restrict wi) {
  for (int b = 0; b < n; b += 2 * h) {
    double* __restrict ar = re + b;
    double* __restrict ai = im + b;
    double* __restrict br = re + b + h;
    double* __restrict bi = im + b + h;
    for (int j = 0; j < h; ++j) {
      const double tr = ar[j] - br[j], ti = ai[j] - bi[j];
      ar[j] += br[j];
      ai[j] += bi[j];
      br[j] = tr * wr[j] - ti * wi[j];
      bi[j] = tr * wi[j] + ti * wr[j];
    }
  }
}

// One radix-4 stage over blocks of size L = 4q with table twiddles.
ARDV_FFT_CLONES
void radix4Stage(int n, int q, double* __restrict re, double* __restrict im, const Radix4Twiddles& t) {
  const double* __restrict w1r = t.w1r.data();
  const double* __restrict w1i = t.w1i.data();
  const double* __restrict w2r = t.w2r.data();
  const double* __restrict w2i = t.w2i.data();
  const double* __restrict w3r = t.w3r.data();
  const double* __restrict w3i = t.w3i.data();
  for (int b = 0; b < n; b += 4 * q) {
    double* __restrict r0 = re + b;
    double* __restrict r1 = r0 + q;
    double* __restrict r2 = r1 + q;
    double* __restrict r3 = r2 + q;
    double* __restrict i0 = im + b;
    double* __restrict i1 = i0 + q;
    double* __restrict i2 = i1 + q;
    double* __restrict i3 = i2 + q;
    for (int j = 0; j < q; ++j) {
      const double t0r = r0[j] + r2[j], t0i = i0[j] + i2[j];
      const double t1r = r0[j] - r2[j], t1i = i0[j] - i2[j];
      const double t2r = r1[j] + r3[j], t2i = i1[j] + i3[j];
      // (a1 - a3) * (-i)
      const double t3r = i1[j] - i3[j], t3i = r3[j] - r1[j];
      const double y2r = t0r - t2r, y2i = t0i - t2i;
      const double y1r = t1r + t3r, y1i = t1i + t3i;
      const double y3r = t1r - t3r, y3i = t1i - t3i;
      r0[j] = t0r + t2r;
      i0[j] = t0i + t2i;
      r1[j] = y2r * w2r[j] - y2i * w2i[j];
      i1[j] = y2r * w2i[j] + y2i * w2r[j];
      r2[j] = y1r * w1r[j] - y1i * w1i[j];
      i2[j] = y1r * w1i[j] + y1i * w1r[j];
      r3[j] = y3r * w3r[j] - y3i * w3i[j];
      i3[j] = y3r * w3i[j] + y3i * w3r[j];
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
    radix2Stage(n, n / 2, re, im, t.radix2r[lg].data(), t.radix2i[lg].data());
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
