// Analysis windows (periodic: the denominator is N): Hamming, Hanning, the
// derivative of Hamming and the time-weighted Hamming. Each kind has a default
// table of 4096 floats; the module also keeps the current window length, the
// N given to the last initialiser that succeeded.
#pragma once

namespace ardv {

inline constexpr int kMaxWindowLength = 4096;

enum class WindowKind { Hamming, Hanning, HammingDerivative, HammingTime };

// Each initialiser fills `table` (n floats, caller-owned) or, when table is
// nullptr, the default table of its kind, for n points (1 <= n <= 4096), and
// sets the current window length to n. n above 4096 reports the internal fault
// "initham(): too many points" (resp. inithan, initHamDeriv, initHamTime) and
// changes nothing; n below 1 is refused the same way. Return false then.

// w(n) = 0.54 - 0.46*cos(2*pi*n/N)
bool initham(float* table, int n);
// w(n) = 0.5*(1 - cos(2*pi*n/N))
bool inithan(float* table, int n);
// w(n) = sin(2*pi*n/N)*(0.46*2*pi/N)
bool initHamDeriv(float* table, int n);
// w(n) = n*(0.54 - 0.46*cos(2*pi*n/N))
bool initHamTime(float* table, int n);

// The default table of a kind (4096 floats, zero until initialised).
const float* defaultWindow(WindowKind kind);
// The table the frame operations use when given none: the default table of the
// kind most recently initialised without a caller table (Hamming at first).
const float* currentDefaultWindow();
// Length given to the last successful initialiser (0 before any).
int currentWindowLength();

}  // namespace ardv
