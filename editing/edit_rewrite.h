// Edits too large for memory go into the current file itself: it is moved to
// its ".bak" copy and written again from the copy's head, a middle file and
// the copy's tail, with the current annotation lists as chunks.
#pragma once

#include <cstdint>
#include <string>

#include "signal/infofile.h"

namespace ardv {

// Writes the current file as: bytes [0, headBytes) of the backup's samples,
// `middleBytes` bytes of samples of `middle` from its data start, then the
// backup's samples from byte `tailStartBytes` (all offsets relative to the
// sample data). On success the file is described again, memory is reloaded
// from d_e = d_a over the standard span, and the samples are not modified;
// the annotations are saved for a WAV file, and stay to be saved in the
// label files of another file (when there are any marks).
// On failure the backup is moved back where possible and an internal-fault
// message "unexpected error in <verb>..." names both files; false.
bool rewriteThroughBackup(const infoFile& middle, std::int64_t headBytes, std::int64_t middleBytes,
                          std::int64_t tailStartBytes, const std::string& verb);

}  // namespace ardv
