// The file of one trajectory of the overlap-add trajectory filter: 32-bit
// little-endian fields, no header: the point count, the filter's two
// settings, then per point the date in samples (int32) and the value
// (float32).
#pragma once

#include <filesystem>

#include "klatt/poly_points.h"

namespace ardv {

// Reads `path` into `track` (date = samplesToMs(sampleDate) at `frequence`).
// An empty file leaves the track empty and is no error (true). A file
// shorter than its count says, a negative count or dates that go backwards
// show "read PolyPointsOLA: unconsistent file" with the file's name and the
// reason, and leave the track empty (false); so does a file that cannot be
// opened or is not a regular file.
bool readPolyPointsOLA(const std::filesystem::path& path, PolyPointsOLA& track, double frequence);

// Writes the track through ReplacingFile; false after a message naming the
// file and the system's reason.
bool writePolyPointsOLA(const std::filesystem::path& path, const PolyPointsOLA& track);

}  // namespace ardv
