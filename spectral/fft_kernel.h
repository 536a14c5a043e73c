// Internal engine of the transforms: a complex decimation-in-frequency FFT on
// separate real and imaginary double arrays, with twiddle and bit-reversal
// tables built once for every size up to kMaxFftSize.
//
// Stages: an optional radix-2 stage (odd log2 n), radix-4 stages with table
// twiddles, and a last twiddle-free radix-4 stage. The output is left in
// bit-reversed order; callers read it through bitReversal(n).
#pragma once

#include <cstdint>

namespace ardv::fftkernel {

// Forward DFT (kernel e^(-2*pi*i*m*k/n), unscaled) of re/im, in place, output
// in bit-reversed order. n a power of two, 1..kMaxFftSize (not checked).
// The inverse transform is difForward(n, im, re).
void difForward(int n, double* re, double* im);

// The same transform with the input in bit-reversed order and the output in
// natural order (decimation in time).
void ditForward(int n, double* re, double* im);

// The natural-order transform Z of the m-point complex sequence
// x[2j] + i x[2j+1] (m a power of two up to kMaxFftSize/2), with Z[m] = Z[0]
// stored past the end; T is float or double.
template <class T>
void realAsComplexForward(int m, const T* x, double* zr, double* zi);

// As realAsComplexForward<float> for x zero from x[m] on (not read), m >= 16.
void frontHalfAsComplexForward(int m, const float* x, double* zr, double* zi);

// Real-transform split: from the natural-order transform Z of the n/2-point
// complex sequence x[2m] + i x[2m+1] (with Z[n/2] = Z[0] stored past the
// end), X(k) for k = 0..n/2-1 written as out[2k] = Re X(k),
// out[2k+1] = imSign*Im X(k).
void splitToInterleaved(int n, const double* zr, const double* zi, float* out, double imSign);
// The same for k = 0..count-1 only (count <= n/4), imSign -1.
void splitLow(int n, const double* zr, const double* zi, float* out, int count);
// The same into the half-complex layout x[k] = Re X(k), x[n-k] = -Im X(k)
// for k = 1..n/2-1 and x[0] = X(0) (x[n/2] is left to the caller).
void splitToHalfComplex(int n, const double* zr, const double* zi, double* x);

// Bit-reversed index table of size n (power of two up to kMaxFftSize).
const std::int32_t* bitReversal(int n);

// cos and sin of 2*pi*k/n for k = 0..n/2 (n a power of two, 2..kMaxFftSize).
const double* cosTable(int n);
const double* sinTable(int n);

// Kernel paths this processor can run: 0 generic, 1 AVX2, 2 AVX-512 (eight
// doubles a vector). The widest the processor has is used, unless
// setKernelPath picks another (-1: back to that default). Every path gives
// the same bits. Not to be called while transforms run.
int kernelPathCount();
void setKernelPath(int index);

// Scratch arrays of kMaxFftSize doubles each, one pair per thread.
double* scratchRe();
double* scratchIm();

}  // namespace ardv::fftkernel
