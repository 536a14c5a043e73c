// Energy of a whole signal file into a text file, and the frame reader both
// whole-file analyses share (bounded memory, zeros past the end).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>

#include "prosody/energy.h"
#include "signal/infofile.h"

namespace ardv {

// Calls `frame(p, samples)` for p = 0, hop, 2*hop, ... while p < the file's
// sample count (p starting at `first`), samples[0 .. length-1] being the
// file's samples from p, zeros past its end. Reads blocks of the file with
// lireSignal. False after the read's report; true when every frame was given
// or `frame` returned false to stop.
bool forEachFileFrame(const infoFile& file, std::int64_t first, int hop, int length,
                      const std::function<bool(std::int64_t, const std::int16_t*)>& frame);

// Writes one line per frame, "ms<3 blanks>%g" with the energy above eLow (0
// below it), for the whole file `file` with parameters `p`. False after a
// report: text 3601 with the path when its directory is missing, a file that
// cannot be created or written (with the path and the system's reason), or a
// failed read. The file is written through ReplacingFile: a failure leaves a
// previous file of that name as it was.
bool energyForFile(const infoFile& file, const std::filesystem::path& out, EnergyParams& p);

}  // namespace ardv
