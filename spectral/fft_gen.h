// Table-driven radix-2 complex FFT in single precision on 1-based arrays, used
// by the single-spectrum routines. The tables describe one size at a time:
// the last initFftGen call decides the size of every later fftGen call.
#pragma once

namespace ardv {

// Fills the module-wide tables for N points (M = log2 N), sign +1 forward or
// -1 inverse. N above 4096 (or N not 2^M, M < 1) is reported as an internal
// fault and leaves the tables as they were; returns false then.
bool initFftGen(int n, int m, int sign);

// In place on re[0..N], im[0..N] whose data occupy positions 1..N (position 0
// is not touched). With sign +1 position k+1 receives
// X(k) = sum_m z(m)*e^(-2*pi*i*m*k/N) (z(m) in position m+1), unscaled; with
// sign -1 the unscaled inverse. N and M must be those of the last initFftGen;
// otherwise an internal fault is reported and the data are left alone.
bool fftGen(float* re, float* im, int n, int m);

// The 1-based bit-reversed index of x (1 <= x <= 2^M) over M bits. Out of
// range: fatal report "bug in bitReverseFft() near fftGen()\n x=%d out of
// range" and -1.
int bitReverseFft(int x, int m);

}  // namespace ardv
