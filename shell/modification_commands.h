// Prosody modification in the desktop program: the pitch marks over the
// waveform, the parameters dialog, the F0 contour window, and what every
// modification ends with ("modif.wav", the SndRecorder command, playback,
// the completion message).
#pragma once

#include <QString>
#include <functional>

#include "prosody/modif_output.h"
#include "prosody/pitch_marks.h"

namespace ardv::shell {

class MainWindow;

// Writes "modif.wav" in the temporary directory from `run` (which feeds the
// sink), then starts the SndRecorder command with the output path, plays
// the file and shows text 9012 under the caption 9013. False after the one
// report when the modification or the file failed (a previous "modif.wav"
// is then as it was).
bool runModification(MainWindow& main, const std::function<bool(const SampleSink&)>& run);

// The marks of the last "&Pitch marker" (what "&Display marks" draws).
const MarkList& lastMarks();
void clearMarks();

// Opens the help at `anchor`.
void showModificationHelp(MainWindow& main, const QString& anchor);

}  // namespace ardv::shell
