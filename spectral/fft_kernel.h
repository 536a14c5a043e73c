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

// Bit-reversed index table of size n (power of two up to kMaxFftSize).
const std::int32_t* bitReversal(int n);

// cos and sin of 2*pi*k/n for k = 0..n/2 (n a power of two, 2..kMaxFftSize).
const double* cosTable(int n);
const double* sinTable(int n);

// Scratch arrays of kMaxFftSize doubles each, one pair per thread.
double* scratchRe();
double* scratchIm();

}  // namespace ardv::fftkernel
