// What the playback commands play: a stretch of the current signal, or the
// whole current file ("&Play the file"; a file not read as WAV is first
// copied to "tmp.wav" in the temporary directory).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ardv {

// Samples a..b (inclusive, clipped to the signal) of the current signal: from
// the memory buffer when they lie in it, otherwise read from the file.
// False (after a report) leaves `out` empty.
bool currentStretchSamples(std::int32_t a, std::int32_t b, std::vector<std::int16_t>& out);

// The file "&Play the file" plays: the current file when it is a WAV file,
// else its 16-bit WAV copy "tmp.wav" in the temporary directory (written
// now). Empty after a report.
std::string fileToPlay();

// All samples of the WAV file `name` and its rate. False after a report.
bool readWavSamples(const std::string& name, std::vector<std::int16_t>& out, int& rateHz);

}  // namespace ardv
