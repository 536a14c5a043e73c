// The true envelope: an iterated cepstral smoothing of the log spectrum that
// climbs onto the spectral peaks instead of passing through their mean
// (Imai and Abe's true envelope; Röbel and Rodet's formulation).
//
// Kind 5 column with the true-envelope flag: trueEnvelope(column, samples,
// first, settings) with factor 0 and 6 iterations; column receives Nc/2 dB
// values spaced fs/Nc.
#pragma once

#include <cstdint>
#include <span>

namespace ardv {

struct TrueEnvelopeSettings {
  int frameLength = 512;    // L, samples, at most fftSize
  int fftSize = 1024;       // Nc, a power of two 256..4096
  int lifterLow = 20;       // L1, samples
  int lifterHigh = 40;      // L2, samples
  double factor = 0.0;      // over-relaxation of the residual update
  int iterations = 6;       // 0 gives the plain cepstral smoothing
  bool preemphasis = true;  // frames made by first difference
};

// Stages: A = 10·log10(max(P, 1e−10)) of the Hamming-windowed frame; S(·) the
// smoothing by the lifter (coefficient m weighted by w[m], doubled for m > 0);
// V = S(A), R = max(A − V, 0), G = S(R); then `iterations` times V += G,
// R = max(R − (factor + 1)·G, 0), G = S(R). column[k] = V[k], k = 0..Nc/2−1.
// The Hamming table is rebuilt only when L changes. Returns false ("bug"
// report, column unchanged) for bad settings or a frame outside the samples.
bool trueEnvelope(std::span<float> column, std::span<const std::int16_t> samples, std::int64_t first,
                  const TrueEnvelopeSettings& settings);

}  // namespace ardv
