// One frame seen three ways: its spectrum, its LPC envelope and its
// cepstrally smoothed envelope, on one dB scale (the spectral-slice window).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "formants/formant_options.h"

namespace ardv {

struct SpectralSlice {
  std::int64_t first = 0;   // first sample of the frame
  int length = 0;           // frame length, samples (about 32 ms)
  double binHz = 0.0;       // spacing of the values below
  std::vector<float> spectrumDb;   // 10·log10 |X(k)|² of the Hamming-windowed, pre-emphasised frame
  std::vector<float> lpcDb;        // the all-pole model of the same frame, same scale
  std::vector<float> cepstralDb;   // the cepstrally smoothed spectrum, same scale
};

// The slice of the frame centred on `centre` (moved inside the samples when
// it lies too near an end), LPC order and lifter from the options. Returns
// false with `why` set when the samples are too few or the rate is unusable.
bool spectralSlice(std::span<const std::int16_t> samples, std::int64_t centre, double fs,
                   const FormantOptions& options, SpectralSlice& out, const char** why);

}  // namespace ardv
