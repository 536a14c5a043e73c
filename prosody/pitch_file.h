// Pitch files (".pit"): fixed-width text lines of 18 bytes, a header ".pit"
// and one "%10d %5d\r\n" line (frame-centre ms, F0 Hz) per 8-ms frame, so the
// line of frame k starts at byte 18*(1 + k). Written for a whole signal file
// in overlapping chunks of at most 6 s.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "prosody/pitch_martin.h"
#include "signal/infofile.h"

namespace ardv {

constexpr int kPitchLineBytes = 18;
constexpr const char* kPitchHeader = ".pit            \r\n";
// Frames two consecutive chunks share; the later chunk rewrites them.
constexpr int kChunkOverlapFrames = 10;
// Final frames of a later chunk left for the next one.
constexpr int kChunkTailFrames = 5;

// The 18-byte line of a frame ("%10d %5d\r\n").
std::string pitchLine(long ms, int f0Hz);

// Chunk length for a whole file: min(samples in 6000 ms, 288000).
std::int64_t pitchChunkSamples(double fs);

// Writes the pitch file `out` for the whole signal file `file` (16-bit
// program samples read with lireSignal) with `params`, chunk by chunk.
// Failures: text 6900 (cannot create), 6901 (seek), "erreur d'ecriture" for
// a line that cannot be written (each with the path and the system's
// reason; writing stops), and the reports of reading or analysis.
// The file is written under a temporary name beside `out` and renamed over
// it at the end: after a failure (false, after its report) a previous `out`
// is as it was and nothing partial is left.
bool pitchFileFromSignal(const infoFile& file, const std::filesystem::path& out, const SpeakerF0Params& params,
                         const PitchOptions& options);

// Calls `frame(centre, f0Hz)` in time order for every frame of the file's
// pitch file (the same chunks, the same values) whose centre sample lies in
// first..last; only the chunks that hold such frames are read and analysed.
// A file shorter than one frame has no frames (true, no report). `frame`
// returning false stops. False after the report of a bad rate, a read or an
// analysis.
bool pitchFramesOfFile(const infoFile& file, std::int64_t first, std::int64_t last, const SpeakerF0Params& params,
                       const PitchOptions& options, const std::function<bool(std::int64_t, int)>& frame);

// Checks a path chosen for a pitch file: false after text 7901 (cannot be
// examined) or 7902 (a directory); true for a file.
bool checkPitchFilePath(const std::filesystem::path& path);

// True when the directory of `path` exists; otherwise warns with the path
// followed by text 3601.
bool pitchOutputDirectoryExists(const std::filesystem::path& path);

}  // namespace ardv
