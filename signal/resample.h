// Sampling-rate conversion of the current file by a rational factor L / M
// (up-sample by L, low-pass filter, down-sample by M) with a linear-phase
// Kaiser-windowed sinc filter.
//
// Stages: ratio table (resampleRatio) -> filter design (designLowPass) ->
// polyphase filtering (resampleSamples) -> WAV output (resampleCurrent).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ardv {

// Design values: the stop-band attenuation asked of the filter (dB) and the
// length that the output-length rule counts.
constexpr double kResampleAttenuationDb = 72.0;
constexpr std::int64_t kResampleFilterLength = 900;
// Output samples computed between two questions whether to stop (a few
// milliseconds of work at the slowest ratios).
constexpr std::int64_t kResampleBlockSamples = 8192;
// Span of the ratio current / new frequency the ratio table serves (its
// first range ends at 0.21, its last at 6).
constexpr double kResampleMinRatio = 0.15;
constexpr double kResampleMaxRatio = 6.0;

struct ResampleRatio {
  int up = 1;    // L
  int down = 1;  // M
  bool resample = false;  // false: the samples are copied
};

// The ratio L / M chosen for r = current / new frequency by the range table
// (r < 0.21: 2/11 ... r < 6.0: 11/2; 0.85 <= r < 1.19 and r >= 6.0: copy).
ResampleRatio resampleRatio(double r);

// Linear-phase low-pass FIR of `taps` coefficients (odd) whose stop band
// begins at `stopEdge` cycles per sample with `attenuationDb` of attenuation
// (Kaiser window; the transition band lies just below the stop edge). The
// pass-band gain is `gain`.
std::vector<double> designLowPass(double stopEdge, double attenuationDb, int taps, double gain);

// Number of output samples for n input samples: while k < (n L - 900) / M - 2
// (integer arithmetic), at least 0.
std::int64_t resampledLength(std::int64_t n, const ResampleRatio& ratio);

// Converts `x` by the ratio: output k is the filter applied at up-sampled
// position k M (only the taps that meet input samples), limited to
// -32000..32000. A copy when !ratio.resample.
std::vector<std::int16_t> resampleSamples(const std::vector<std::int16_t>& x, const ResampleRatio& ratio);

// The same, asking `stop` (may be empty) before each block of
// kResampleBlockSamples output samples. Returns false, `y` untouched, when
// `stop` said true.
bool resampleSamples(const std::vector<std::int16_t>& x, const ResampleRatio& ratio,
                     const std::function<bool()>& stop, std::vector<std::int16_t>& y);

// Names of the files of the conversion for `target`: with ".wav" in it, the
// WAV file is the target; otherwise the target followed by ".wav".
std::string resampledWavName(const std::string& target);

// Converts all samples of the current file to `newFrequence` Hz and writes
// the WAV file resampledWavName(target) at current × L / M Hz; at the
// current frequency that file is a copy. The signal file itself and a new
// frequency outside current / kResampleMaxRatio .. current / kResampleMinRatio
// are refused. A message names the result (caption UI text 9210). Escape
// (escapePressed()) stops the conversion between blocks: nothing is written,
// a previous file of that name is left as it was. False after a message.
bool resampleCurrent(double newFrequence, const std::string& target);

}  // namespace ardv
