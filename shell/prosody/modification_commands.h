// Prosody modification in the desktop program: the pitch marks over the
// waveform, the parameters dialog, the F0 contour window, and what every
// modification ends with (its result opened as the current signal, also
// written as "modif.wav", the SndRecorder command, playback, the completion
// message).
#pragma once

#include <QString>
#include <functional>

#include "prosody/modif_output.h"
#include "prosody/modified_stretch.h"
#include "prosody/pitch_marks.h"

namespace ardv::shell {

class MainWindow;

// Modifies the current signal by `modify` after the "Modifications" question
// (Cancel: false, nothing done): the whole signal, or with `selectionOnly`
// and a selection made, only the selected samples (`alpha` is the time
// factor, for the splice), the rest copied unchanged. The result is written
// to resultPath(temporary directory, signal, `tag`) and to "modif.wav", and
// opened as the current signal (the results menu lists it); then the
// SndRecorder command gets "modif.wav", which is played, and text 9012 is
// shown under the caption 9013. False after the one report when the
// modification, a file or the open failed: the current signal, "modif.wav"
// and the results are then as they were.
bool runModification(MainWindow& main, const std::string& tag, double alpha, bool selectionOnly,
                     const StretchModifier& modify);

// The selection first..last of the current signal (first < last); false
// when none is made.
bool currentSelection(std::int64_t& first, std::int64_t& last);

// The marks of the last "&Pitch marker" (what "&Display marks" draws).
const MarkList& lastMarks();
void clearMarks();

// Opens the help at `anchor`.
void showModificationHelp(MainWindow& main, const QString& anchor);

}  // namespace ardv::shell
