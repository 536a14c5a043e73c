// The current signal: opening a file as `en_cours` with its display context
// `ct`, its memory samples and its two annotation lists (all in program()),
// zooming in and out, the spectrogram kind and memory mode with their menu
// check marks (through the CurrentSignalListener).
//
// Opening: describe the file (WAV header or format profile), set `ct` to the
// first memory span (at most 6 s or 288000 samples), read those samples,
// read the annotation chunks of a WAV file, and only then replace the
// previous current signal: a failed open changes nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "labels/notetiqs.h"
#include "signal/infofile.h"

namespace ardv {

// Longest stretch held in memory: 6000 ms, at most 288000 samples.
constexpr double kMemorySpanMs = 6000.0;
constexpr std::int32_t kMemorySpanMaxSamples = 288000;
// Smallest zoomed stretch is kZoomMinWidth + 1 samples.
constexpr std::int32_t kZoomMinWidth = 10;

// Samples in the memory span at `frequence` Hz: min(samples in 6000 ms, 288000).
std::int32_t memorySpanSamples(double frequence);

// Makes the file `program().en_cours.nom` current (with the profile and label
// kinds of the record for a non-WAV file). Returns false when the file cannot
// be described or its samples cannot be read, after the one report; the
// previous current signal then stays as it was.
bool openCurrent();

// Opens the file `name` chosen by the user. Pending edits are first settled
// by the open hooks (Cancel abandons). For a non-WAV name the phoneme and word
// label files take the base name of the new signal (each keeping its directory
// and extension) and the profile selector is asked (Cancel abandons). Then as
// openCurrent. Returns true when `name` is the current signal; false leaves
// everything unchanged.
bool openFile(const std::string& name);

// Puts the file `name` chosen by the user into `info`: for a non-WAV name the
// label files take its base name and the profile selector is asked, starting
// from the choices already in `info` (`soundOnly`: the smaller selector, the
// sound file's profile alone). False when the user cancels.
bool describeChosenFile(const std::string& name, infoFile& info, bool soundOnly = false);

// What openFile does about pending edits before it replaces the current
// signal, and what follows a successful openFile. The editing layer, which sits
// above this one, installs its own at start-up (samples and annotations,
// with Save / Don't save / Cancel). Without hooks only modified annotations
// are asked about, and "Save" is refused with a message.
struct OpenHooks {
  std::function<bool()> settlePendingEdits;  // false abandons the open
  std::function<void()> afterOpen;
};
void setOpenHooks(OpenHooks hooks);

// Readers of the label files that go with a signal read through a profile:
// the phoneme list from `info.nom_man`, the word list from `info.nomAnnot`, in
// the kinds of `info`. They belong to the annotation library, which sits
// above this one; the front end installs them at start-up (annotation's
// readLabels and readAnnotations). Each empties the list, fills it and
// returns false after its own report. Until they are installed, the lists of
// such a signal stay empty.
struct LabelFileReaders {
  bool (*phonemes)(notetiqs& list, const infoFile& info) = nullptr;
  bool (*words)(notetiqs& list, const infoFile& info) = nullptr;
};
void setLabelFileReaders(const LabelFileReaders& readers);

// No current signal: every ct position 0, file loaded false, the three names
// empty, the profile index and label kinds 0; memory and annotation lists
// emptied.
void resetCurrent();

// Sets `en_cours.mode` (spectrogram kind 1..6) / `ct.modeMemoire` (1 or 3)
// and the matching menu check marks.
void setMode(std::int32_t k);
void setMemoryMode(std::int32_t k);

// Zooms on the selection (ct.d_sel..ct.f_sel, d_sel < f_sel, both in memory),
// widened to at least 11 samples; the selection is then cleared. Without such
// a selection: message UI text 901 and false, nothing changes.
bool zoomIn();

// Shows the memory span centred on the displayed stretch, kept inside memory;
// the stretch shown before becomes the selection. False (nothing changes)
// when no file is loaded.
bool zoomOut();

}  // namespace ardv
