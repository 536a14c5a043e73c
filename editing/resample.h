// Resampling the current file (Edit menu, `ardv-cli resample`): the
// samples converted by signal/resampler.h, the labels moved to the new
// sample positions, written as a WAV file.
#pragma once

#include <string>

#include "signal/resampler.h"

namespace ardv {

// Names of the files of the conversion for `target`: with ".wav" in it, the
// WAV file is the target; otherwise the target followed by ".wav".
std::string resampledWavName(const std::string& target);

// Converts all samples of the current file to `newFrequence` Hz (a whole
// number, kResampleMinRateHz .. kResampleMaxRateHz) and writes the WAV file
// resampledWavName(target) at exactly that rate, with the phoneme and word
// boundaries moved to the new sample positions; at the current frequency
// that file is a copy. Reads, converts and writes block by block. The signal
// file itself is refused. A message names the result (caption UI text 9210).
// Escape (escapePressed()) stops the conversion between blocks: nothing is
// written, a previous file of that name is left as it was. False after a
// message.
bool resampleCurrent(double newFrequence, const std::string& target);

}  // namespace ardv
