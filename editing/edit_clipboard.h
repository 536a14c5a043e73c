// Cut, Copy, Paste, Delete and Cancel on the current signal: the memory
// samples and both annotation lists change together; the clip files
// "cutfile.wa$" (clipboard) and "cutfile_.wa$" (undo record) are WAV files
// with the annotations of their stretch.
#pragma once

#include <cstdint>
#include <string>

#include "signal/infofile.h"

namespace ardv {

// Writes memory samples a..b (inclusive sample indices of the signal, inside
// memory) with the annotations the cut of that stretch would take (positions
// relative to a) into the WAV file `path` at the current frequency, and
// describes it into editContext().clip. False after the transport message.
bool saveSelectionToClip(std::int32_t a, std::int32_t b, const std::string& path);

// Cuts samples a..b (inside memory, a <= b; otherwise UI text 1005) into the
// undo record "cutfile_.wa$" (and, when `toClipboard`, into "cutfile.wa$"
// too): later samples and boundaries move left by b - a + 1, memory is
// refilled from the file up to the displayed end. Records the edit (kind 1).
// False, nothing changed, when a clip file cannot be written.
bool cut(std::int32_t a, std::int32_t b, bool toClipboard);

// Inserts the samples (and, for a WAV file, the annotation chunks) of the
// described file `source` at sample p (d_e <= p <= f_e + 1, else UI text
// 1006; an empty source gives UI text 1007). When memory would hold more
// than editMemoryLimit samples, or when `silent`, the insertion is made in
// the file itself: the current file becomes its ".bak" copy and the file is
// rewritten from it (after askSaveModifications and the file-update question
// unless silent). Returns the number of samples inserted, 0 when nothing was
// done (after any report).
std::int32_t insertSourceAt(const infoFile& source, std::int32_t p, bool silent);

// insertSourceAt for the file `name` (described as WAV or through its
// profile index `formatIndex`), silent: used by synthesis.
std::int32_t insertFileAt(const std::string& name, std::int32_t p, int formatIndex = 0);

// The menu commands. Each needs a loaded, writable file; the selection rules
// and messages are those of the commands (UI texts 1005, 1008, 1010).
bool editCut();     // selection into "cutfile.wa$" and the undo record, then removed
bool editDelete();  // selection into the undo record "cutfile_.wa$", then removed
bool editCopy();    // selection into "cutfile.wa$"; the undo record stays
// Inserts "cutfile.wa$" at d_sel (UI text 1007 when nothing was cut or
// copied yet); the inserted stretch becomes the selection.
bool editPaste();
// Inserts the described file `source` at d_sel (UI text 1008 without a place,
// 1018 when its sampling frequency is not the current one's; so for Paste).
bool editPasteFromFile(const infoFile& source);
// Undoes the last edit by its kind; then no edit is left to cancel. UI text
// 1029 when there is none.
bool editCancel();

}  // namespace ardv
