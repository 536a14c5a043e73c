// Discrete Fourier and Hartley transforms of power-of-two sizes: the double
// precision layer (Hartley, complex and real Fourier transforms, in place) and
// the fixed-size single-precision wrappers the analyses call.
//
// Conventions every caller relies on: forward transforms use the kernel
// e^(-2*pi*i*m*k/n) and are unscaled; the double-precision inverses are
// unscaled too (n times the true inverse).
#pragma once

namespace ardv {

// Largest transform size of the system.
inline constexpr int kMaxFftSize = 4096;

// True when n is a power of two in lo..hi.
bool isPowerOfTwoIn(int n, int lo, int hi);

// Hartley layer: n a power of two, 4 <= n <= 4096. Each returns false after an
// internal-fault report ("bug") for any other n and then leaves the data alone.

// H(k) = sum_m x(m)*(cos(2*pi*m*k/n) + sin(2*pi*m*k/n)), k = 0..n-1, in place.
bool hartleyTransform(double* x, int n);

// X(k) = sum_m z(m)*e^(-2*pi*i*m*k/n) on re[0..n-1], im[0..n-1], unscaled.
bool fftComplexForward(int n, double* re, double* im);

// z(m) = sum_k X(k)*e^(+2*pi*i*m*k/n), unscaled: n times the true inverse.
bool fftComplexInverse(int n, double* re, double* im);

// Real forward transform in the half-complex layout: x[k] = Re X(k) for
// k = 0..n/2 and x[n-k] = -Im X(k) for k = 1..n/2-1.
bool fftRealForward(int n, double* x);

// Inverse of fftRealForward, unscaled: from the half-complex layout, n times
// the real sequence whose forward transform it is.
bool fftRealInverse(int n, double* x);

// Fixed-size single-precision wrappers. They compute in double precision and
// take only the sizes listed; for any other size they return false without a
// report (callers choose the size and report it themselves).

enum class FftDirection { Forward, Inverse };

// In place on n interleaved (re, im) pairs, n = 128..4096. Forward is
// unscaled; inverse multiplies each output by 1/n, so a round trip returns the
// input.
bool complexFft(float* buffer, int n, FftDirection direction);

// n real floats in, n floats out in the same buffer, n = 256..4096:
// out[0] = Re X(0), out[1] = 0, and for k = 1..n/2-1 out[2k] = Re X(k),
// out[2k+1] = -Im X(k). out[n] and out[n+1] (the Nyquist pair) are not written.
bool realFft(float* buffer, int n);

// As realFft for a buffer whose second half is zero (buffer[n/2..] is not
// read), with out[0..2*count-1] only written, count = 1..n/4: the same bits.
bool realFftFront(float* buffer, int n, int count);

// As realFft with out[0..2*count-1] only written, count = 1..n/4: the same
// bits.
bool realFftBins(float* buffer, int n, int count);

// As realFft but with the sign of the imaginary part restored:
// out[2k+1] = +Im X(k). Sizes 4..4096.
bool realFftInterleaved(float* buffer, int n);

}  // namespace ardv
