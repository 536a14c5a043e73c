// The Hartley and Fourier transforms and their single-precision wrappers, all
// built on the complex kernel of fft_kernel: a real sequence of n points is
// transformed as a complex one of n/2 points and then split.
// Symbols: x the data, n its size, M = n/2, Z the half-size transform, W^k
// the twiddle e^(-2*pi*i*k/n).
#include "spectral/fft.h"

#include <string>

#include "platform/report.h"
#include "spectral/fft_kernel.h"

namespace ardv {
namespace {

using fftkernel::bitReversal;
using fftkernel::difForward;

bool checkSize(int n, const char* what) {
  if (isPowerOfTwoIn(n, 4, kMaxFftSize)) return true;
  debugMessage(std::string(what) + "(): unsupported size " + std::to_string(n));
  return false;
}

template <class T>
void halfSizeForward(int n, const T* x, double* zr, double* zi) {
  fftkernel::realAsComplexForward(n / 2, x, zr, zi);
}

}  // namespace

bool isPowerOfTwoIn(int n, int lo, int hi) { return n >= lo && n <= hi && (n & (n - 1)) == 0; }

bool fftRealForward(int n, double* x) {
  if (!checkSize(n, "fftRealForward")) return false;
  double* zr = fftkernel::scratchRe();
  double* zi = fftkernel::scratchIm();
  halfSizeForward(n, x, zr, zi);
  x[n / 2] = zr[0] - zi[0];
  fftkernel::splitToHalfComplex(n, zr, zi, x);
  return true;
}

bool fftRealInverse(int n, double* x) {
  if (!checkSize(n, "fftRealInverse")) return false;
  const int m = n / 2;
  double* zr = fftkernel::scratchRe();
  double* zi = fftkernel::scratchIm();
  const double* c = fftkernel::cosTable(n);
  const double* s = fftkernel::sinTable(n);
  zr[0] = x[0] + x[m];
  zi[0] = x[0] - x[m];
  for (int k = 1; k < m; ++k) {
    // X(k) = x[k] - i x[n-k]; conj X(m-k) = x[m-k] + i x[n-m+k].
    const double xr = x[k], xi = -x[n - k];
    const double yr = x[m - k], yi = x[m + k];
    const double er = xr + yr, ei = xi + yi;
    const double tr = xr - yr, ti = xi - yi;
    // O = T conj(W^k), conj(W^k) = c + i s; Z = E + i O.
    const double orr = tr * c[k] - ti * s[k], oi = tr * s[k] + ti * c[k];
    zr[k] = er - oi;
    zi[k] = ei + orr;
  }
  difForward(m, zi, zr);
  const std::int32_t* rev = bitReversal(m);
  for (int i = 0; i < m; ++i) {
    x[2 * i] = zr[rev[i]];
    x[2 * i + 1] = zi[rev[i]];
  }
  return true;
}

bool hartleyTransform(double* x, int n) {
  if (!checkSize(n, "hartleyTransform")) return false;
  fftRealForward(n, x);
  for (int k = 1; k < n / 2; ++k) {
    const double a = x[k], b = x[n - k];
    x[k] = a + b;
    x[n - k] = a - b;
  }
  return true;
}

namespace {

void permuteInPlace(int n, double* re, double* im) {
  const std::int32_t* rev = bitReversal(n);
  for (int i = 0; i < n; ++i) {
    const int j = rev[i];
    if (j > i) {
      std::swap(re[i], re[j]);
      std::swap(im[i], im[j]);
    }
  }
}

}  // namespace

bool fftComplexForward(int n, double* re, double* im) {
  if (!checkSize(n, "fftComplexForward")) return false;
  difForward(n, re, im);
  permuteInPlace(n, re, im);
  return true;
}

bool fftComplexInverse(int n, double* re, double* im) {
  if (!checkSize(n, "fftComplexInverse")) return false;
  difForward(n, im, re);
  permuteInPlace(n, re, im);
  return true;
}

bool complexFft(float* buffer, int n, FftDirection direction) {
  if (!isPowerOfTwoIn(n, 128, kMaxFftSize)) return false;
  double* zr = fftkernel::scratchRe();
  double* zi = fftkernel::scratchIm();
  for (int i = 0; i < n; ++i) {
    zr[i] = buffer[2 * i];
    zi[i] = buffer[2 * i + 1];
  }
  double scale = 1.0;
  if (direction == FftDirection::Forward) {
    difForward(n, zr, zi);
  } else {
    difForward(n, zi, zr);
    scale = 1.0 / n;
  }
  const std::int32_t* rev = bitReversal(n);
  for (int k = 0; k < n; ++k) {
    buffer[2 * k] = static_cast<float>(zr[rev[k]] * scale);
    buffer[2 * k + 1] = static_cast<float>(zi[rev[k]] * scale);
  }
  return true;
}

bool realFft(float* buffer, int n) {
  if (!isPowerOfTwoIn(n, 256, kMaxFftSize)) return false;
  double* zr = fftkernel::scratchRe();
  double* zi = fftkernel::scratchIm();
  halfSizeForward(n, buffer, zr, zi);
  fftkernel::splitToInterleaved(n, zr, zi, buffer, -1.0);
  buffer[1] = 0.0f;
  return true;
}

bool realFftFront(float* buffer, int n, int count) {
  if (!isPowerOfTwoIn(n, 256, kMaxFftSize) || count < 1 || count > n / 4) return false;
  double* zr = fftkernel::scratchRe();
  double* zi = fftkernel::scratchIm();
  fftkernel::frontHalfAsComplexForward(n / 2, buffer, zr, zi);
  fftkernel::splitLow(n, zr, zi, buffer, count);
  return true;
}

bool realFftBins(float* buffer, int n, int count) {
  if (!isPowerOfTwoIn(n, 256, kMaxFftSize) || count < 1 || count > n / 4) return false;
  double* zr = fftkernel::scratchRe();
  double* zi = fftkernel::scratchIm();
  halfSizeForward(n, buffer, zr, zi);
  fftkernel::splitLow(n, zr, zi, buffer, count);
  return true;
}

bool realFftInterleaved(float* buffer, int n) {
  if (!isPowerOfTwoIn(n, 4, kMaxFftSize)) return false;
  double* zr = fftkernel::scratchRe();
  double* zi = fftkernel::scratchIm();
  halfSizeForward(n, buffer, zr, zi);
  fftkernel::splitToInterleaved(n, zr, zi, buffer, 1.0);
  buffer[1] = 0.0f;
  return true;
}

}  // namespace ardv
