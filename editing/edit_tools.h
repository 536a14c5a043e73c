// The in-place tools of the editing tools window beyond damping: white noise
// added to the selection at a chosen signal-to-noise ratio (edit kind 7) and
// a linear-phase FIR low-pass or high-pass filter of the selection (edit kind
// 10). Cancel restores the stretch, as after a fade.
//
// Filter stages: Blackman-windowed sinc design (designFir) -> zero-phase
// filtering of the selection, reading memory on both sides (filterStretch).
#pragma once

#include <cstdint>
#include <vector>

namespace ardv {

enum class FirKind { LowPass, HighPass };

// Taps of the selection filter: with a Blackman window the transition band
// is about 5.5 / 255 of the sampling frequency (345 Hz at 16 kHz) and the
// stop band lies about 74 dB down.
constexpr int kFirTaps = 255;

// Linear-phase FIR of `taps` coefficients (made odd) with its -6 dB point at
// `cutoff` cycles per sample (0 < cutoff < 0.5) and unit pass-band gain; the
// high-pass is the spectral inversion of the low-pass.
std::vector<double> designFir(FirKind kind, double cutoff, int taps = kFirTaps);

// Samples first..last of x[0..size) filtered by the centred filter h (odd
// length): y[k] = sum_j h[j] x[k + j - centre], samples outside x counted as
// 0, rounded and limited to the 16-bit range.
std::vector<std::int16_t> filterStretch(const std::int16_t* x, std::int64_t size, std::int64_t first, std::int64_t last,
                                        const std::vector<double>& h);

// Adds white Gaussian noise to the selection d_sel..f_sel, its power `snrDb`
// dB below the mean power of the selection; sums limited to 16 bits. A
// silent selection or an SNR outside -60..120 dB gives a message and false,
// as do the refusals of the amplitude edits (no file, no selection).
bool addNoise(double snrDb, std::uint32_t seed = 1);

// Filters the selection with designFir(kind, cutoffHz / frequence); the
// samples around it in memory feed the filter, so no edge is made. A cutoff
// outside 0..frequence / 2 (exclusive) gives a message and false.
bool filterSelection(FirKind kind, double cutoffHz);

}  // namespace ardv
