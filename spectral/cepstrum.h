// Cepstral smoothing: the lifter table and `cepstre`, which turns frames of
// samples into cepstrally smoothed log spectra (or their cepstra).
//
// Kind 5 column (true envelope off) and kind 6 with prior smoothing:
//   cepstre(column, samples, first, 1, 0, +1, settings) with frameLength =
//   fen_fft, cepstralFftSize = the cepstral FFT size, spectrumSize = the kind's
//   spectrum size N, lifterLow/High = the two liftering lengths in samples;
//   column receives N/2 dB values.
#pragma once

#include <cstdint>
#include <span>

namespace ardv {

// Lifter for lengths l1, l2 (samples): with l1' = max(0, l1), l2' = max(l1', l2),
// w[m] = 1 below l1', 0.5·(1 + cos(π·(m − l1' + 1)/(l2' − l1'))) from l1' to
// l2' − 1, 0 from l2' on; fills every entry of w.
void liftre(int l1, int l2, std::span<float> w);

struct CepstrumSettings {
  int frameLength = 512;      // L, samples, at most cepstralFftSize
  int cepstralFftSize = 1024; // Nc ∈ {256, 512, 1024, 2048}
  int spectrumSize = 512;     // N ∈ {256, 512, 1024, 2048}: N/2 values per column
  int lifterLow = 20;         // L1, samples
  int lifterHigh = 40;        // L2, samples
  bool preemphasis = true;    // frames made by first difference
  bool cepstrumOnly = false;  // deliver the cepstrum c[0..N/2−1] instead
};

// Cepstrally smoothed spectra of `frames` frames, frame i starting at
// first + i·step·direction (direction +1 or −1). Each frame is Hamming
// windowed, zero-padded to Nc, its log power spectrum (10·log10, exact zeros
// counted as 1e−6) turned into the real cepstrum c; c[0] and 2·c[m]·w[m]
// (m = 1..min(N, Nc)−1) are transformed on N points: columns[i·N/2 + k],
// k = 0..N/2−1, is the smoothed level in dB at frequency k·fs/N. The tables
// are kept across calls while the settings stay the same. Returns false
// (outputs unchanged) after the "bug" report "cepstre() : taille fenetre fft
// non prévue" for other sizes, or a "bug" report for a frame outside the
// samples, a frame longer than Nc, or `columns` too short.
bool cepstre(std::span<float> columns, std::span<const std::int16_t> samples, std::int64_t first, int frames,
             int step, int direction, const CepstrumSettings& settings);

}  // namespace ardv
