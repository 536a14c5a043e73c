// The linear-prediction spectrum of one frame: the spectrogram column of
// kind 4 (linear prediction) and the LPC roots that come with it.
//
// Kind 4 column: lpcSpectrum(samples, first, settings, column, nullptr) with
// frameLength = fen_fft, fftSize = the kind's FFT size, order = lpcOrder(factor),
// gamma = 1; column receives fftSize/2 dB values.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace ardv {

struct LpcSpectrumSettings {
  int frameLength = 256;      // L, samples
  int fftSize = 256;          // N, a power of two 4..4096
  int order = 18;             // p, 1..60, below N and L
  bool preemphasis = true;    // frames made by first difference
  double gamma = 1.0;         // coefficient j is scaled by gamma^(-j)
  double samplingHz = 16000;  // fs, for the roots
};

// A root of the prediction polynomial as the spectrum reports it.
struct LpcRoot {
  int bin = 0;               // round(frequency·N/fs), half away from zero
  double bandwidthHz = 0.0;
  double frequencyHz = 0.0;
  float level = 0.0f;        // column value at the bin (the last bin for bin N/2)
};

// One column of N/2 levels in dB, column[k] = 10·(log10 E − log10(|A(k)|² + 1e−10)),
// from the frame of L samples starting at `first` (L + 1 read with
// pre-emphasis), Hamming-windowed (the table is kept while L stays the same).
// E not positive counts as 1e−7. When `roots` is given it receives the roots
// of 1, −a[1]·γ^(−1), …, −a[p]·γ^(−p) with frequencies in 0..fs/2 and
// bandwidths below 1000 Hz, in ascending frequency. Returns false ("bug"
// report, outputs unchanged) for bad settings, a frame outside the samples or
// a root-finder failure.
bool lpcSpectrum(std::span<const std::int16_t> samples, std::int64_t first, const LpcSpectrumSettings& settings,
                 std::span<float> column, std::vector<LpcRoot>* roots);

}  // namespace ardv
