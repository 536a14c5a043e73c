// The edit state of the current signal (`editContext`): the files an edit
// reads or writes, the last undoable edit, and what differs from the file.
// Edits change the memory samples (program().memory, samples ct.d_e..ct.f_e)
// and the two annotation lists; the file changes only when saved.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "signal/infofile.h"

namespace ardv {

// Kinds of undoable edits (`last edit`).
enum EditKind : std::int32_t {
  kEditNone = 0,
  kEditCut = 1,       // cut or delete: Cancel inserts the clip back
  kEditInsert = 2,    // paste: Cancel cuts the inserted stretch
  kEditReplace = 3,   // replacement by a file: no Cancel
  kEditFadeOut = 4,   // kinds 4 to 10 restore the saved stretch
  kEditFadeIn = 5,
  kEditAttenuate = 6,
  kEditTool7 = 7,
  kEditCutAgain = 8,  // as kEditCut
  kEditTool9 = 9,
  kEditTool10 = 10
};

struct EditContext {
  infoFile insertSource;   // file an insertion puts in
  infoFile replaceSource;  // file a replacement writes over the signal
  infoFile clip;           // undo record of the last cut or delete (never the clipboard)
  infoFile destination;    // file a save writes
  std::int32_t mode = 1;   // spectrogram kind at the last save
  std::int32_t lastEdit = kEditNone;
  std::int32_t editStart = -1, editEnd = -1;
  // Grows by one at every undoable edit of the samples (the edit history
  // tells them from annotation edits by it).
  std::uint64_t editSerial = 0;
  // Index, in the file, of the last sample memory stands for: memory holds
  // the file's samples d_e..lastFileSampleInMemory, as edited.
  std::int32_t lastFileSampleInMemory = -1;
  bool samplesModified = false;
  // The file and length the state belongs to (set when a file is loaded,
  // saved or rewritten), to notice a file opened without editStateAfterLoad.
  std::string boundFile;
  std::int32_t boundLength = -1;
};

// The program's edit state.
EditContext& editContext();

// Start-up state: no names, the clip 16 bits, edit stretch and last file
// sample -1, nothing modified.
void resetEditContext();

// After a file has been loaded: last file sample := f_e, no last edit, both
// modified flags false (program().annotationsModified too), selection 0..0.
void editStateAfterLoad();

// Calls editStateAfterLoad when the current file or its length is not the
// one the edit state belongs to (a file opened by other means).
void syncEditState();

// Makes openFile settle pending edits of samples and annotations with
// askSaveModifications, and reset the edit state after every open. Called
// once by the program at start.
void installEditSaveHandler();

// Temporary files of the editing commands, in program().dirs.temp.
std::filesystem::path clipboardPath();  // "cutfile.wa$": Cut, Copy, Paste
std::filesystem::path undoPath();       // "cutfile_.wa$": Delete, amplitude edits

// Most samples memory may hold after an insertion: min(samples in 12000 ms,
// 576000) at `frequence` Hz.
std::int32_t editMemoryLimit(double frequence);

// Total samples of the edited signal: the file's samples before memory, the
// memory buffer, and the file's samples after the last one memory stands for.
std::int64_t editedLength();

// Checks that a file is loaded and may be written (otherwise UI text 1028,
// false). Nothing is reported when no file is loaded.
bool editableSignal();

// Checks the selection d_sel..f_sel: d_sel <= f_sel, both inside memory.
// Otherwise shows UI text `textNumber` and returns false.
bool selectionInMemory(int textNumber);

// The name with its extension replaced by ".bak".
std::string backupName(const std::string& name);

// Moves `name` to backupName(name), deleting an older backup first. False
// after a message when that fails (`name` is then untouched).
bool moveToBackup(const std::string& name);

}  // namespace ardv
