// File > Export figure...: the stretch the window shows, with the panes it
// shows, as a figure for a paper (PNG, SVG or PDF by the chosen name).
#pragma once

#include <string>

class QWidget;

namespace ardv::shell {

// What the window shows besides the waveform and the annotation panes.
struct FigureView {
  bool spectrogram = true;
  bool f0 = false;
  bool energy = false;
};

// Asks for the output name, then draws the displayed stretch of the current
// signal (as saved: a signal with unsaved sample edits is refused with a
// message) with the window's spectrogram kind, upper frequency, colour mode
// and the annotation lists as they stand. Returns the path written, empty
// when nothing was (failures are reported).
std::string exportFigure(QWidget* parent, const FigureView& view);

}  // namespace ardv::shell
