// Phase-vocoder time scaling: 1024-sample Hamming frames every 128 samples,
// resynthesised every 128 * alpha samples with propagated phases, either
// bin by bin or with identity phase locking around spectral peaks.
#pragma once

#include <cstdint>

#include "prosody/modif_output.h"
#include "prosody/pitch_marks.h"

namespace ardv {

constexpr int kVocoderFrame = 1024;
constexpr int kVocoderHop = 128;

// Time-scales the `n` samples read through `read` by `alpha` into `sink`:
// the signal's mean removed, the output normalised by the window sum and
// ended where that sum falls to 0.079 or below, 256-sample fades at both
// ends. Frames run to the signal's end (the last ones padded with the
// mean). Reads and holds only a few frames at a time. False after a message
// for a signal shorter than one frame or a rate outside 4000..128000 Hz
// (nothing is sent), or when reading or the sink fails.
bool phaseVocoder(const SampleReader& read, std::int64_t n, double fs, double alpha, bool phaseLocking,
                  const SampleSink& sink);

}  // namespace ardv
