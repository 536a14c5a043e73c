// Saving the edited signal (`saveCurrent`, Save, Save as) and the
// "Modifications" question asked before commands that need the file as it is
// in memory.
#pragma once

#include <string>

#include "signal/infofile.h"

namespace ardv {

// Writes the edited signal to `destination` (described for writing: a WAV
// name, or a profile file with its label files): the file's samples before
// memory, the memory buffer, the file's samples after the last one memory
// stands for, and, for a WAV destination, the marks of both lists that lie
// inside the edited signal as chunks; a non-WAV destination gets its label
// files. Saving onto the current file keeps the previous version as its
// ".bak". The destination then becomes the current signal and nothing is
// left modified. On failure the previous file stays in place (or is put back
// from its ".bak"), one message says where it is, and false is returned.
// Label files that cannot be written are reported and the annotations stay
// modified (false, though the signal file was saved).
bool saveCurrent(const infoFile& destination);

// Save: saveCurrent onto the current file when something is modified.
bool editSave();

// Save as `destination` (prepared like saveCurrent's): refused with UI text
// 1017 (caption UI text 1012) when it names the current file, with UI text
// 1018 when its frequency differs from the current one by more than 1e-10.
bool editSaveAs(const infoFile& destination);

// Copy to file: the selection with its annotations into `destination`
// (same checks as editSaveAs): its chunks for a WAV name, its label files
// otherwise.
bool editCopyToFile(const infoFile& destination);

// The name proposed for the next Copy to file: the previous name with the
// number that ends its stem increased by 1 ("cut9.wav" -> "cut10.wav"; "a.wav"
// -> "a1.wav").
std::string nextCopyName(const std::string& previous);

// Lowest and highest sampling frequency the Frequency command accepts, Hz.
constexpr double kMinDeclaredFrequency = 1000.0;
constexpr double kMaxDeclaredFrequency = 192000.0;

// Frequency: declares `hz` (rounded to a whole number) as the sampling
// frequency of the current WAV signal without resampling: pending edits are
// settled by the "Modifications" question, then the file is saved onto itself
// with the new rate (its previous version kept as its ".bak") and opened
// again. A frequency outside kMinDeclaredFrequency..kMaxDeclaredFrequency, a
// file read through a format profile (its profile sets the rate) or an
// unwritable file is refused with a message. Returns true when the current
// signal has the new rate (at once when it already had it); false changes
// nothing.
bool editSetFrequency(double hz);

enum class SaveOutcome {
  NothingToSave,  // nothing modified: go on
  Saved,          // saved: go on
  Discarded,      // edits dropped, memory reloaded from the file: go on
  Abandon         // neither save nor go on
};

// The "Modifications" question (UI texts 1020-1024), asked only when samples
// or annotations are modified, through dialogs().askSaveModifications. A
// failed save counts as Abandon.
SaveOutcome askSaveModifications();

}  // namespace ardv
