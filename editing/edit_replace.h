// Replacement of a stretch of the current signal by the samples of a file
// (editContext().replaceSource), as synthesis puts its speech over the signal.
#pragma once

#include <cstdint>

namespace ardv {

// Writes the replace source's n samples over the signal from sample p
// (d_e <= p <= f_e, else UI text 1032; an empty source gives UI text 1033);
// memory grows when the source runs past its end. The source's annotation
// marks are placed from p without moving the others. When memory would
// exceed editMemoryLimit, or when `silent`, the file itself is rewritten
// through its ".bak" copy (after askSaveModifications unless silent). Records
// the edit (kind 3, which Cancel does not undo). Returns n, 0 when nothing
// was done (after any report).
std::int32_t replaceAt(std::int32_t p, bool silent);

}  // namespace ardv
