// Describing a signal file for reading or writing: WAV files through their
// header, other files through their format profile.
#pragma once

#include "signal/infofile.h"

namespace ardv {

// Fills `info` for reading `info.nom`: init_infoFile_read_WAV when isWavName
// holds for the name, else init_infoFile_read_non_WAV with the profile
// `info.formatIndex`. Returns true on success; on failure it has reported
// once and `info` is unchanged.
bool init_infoFile_read(infoFile& info);

// Prepares `info` to be written as `info.nom`: init_infoFile_write_WAV or
// init_infoFile_write_non_WAV. False (after its message) only when the
// profile cannot be used.
bool init_infoFile_write(infoFile& info);

}  // namespace ardv
