// What the views learn about the current signal: menu check marks, a newly
// opened signal (caption, menus, spectrogram) and redraws. The main window
// implements it; without one nothing is shown.
#pragma once

namespace ardv {

class CurrentSignalListener {
 public:
  virtual ~CurrentSignalListener() = default;
  // The spectrogram kind `en_cours.mode` changed to `mode` (1..6).
  virtual void modeChanged(int mode) { (void)mode; }
  // `ct.modeMemoire` changed: 3 checks "Zoom in", 1 checks "Zoom out".
  virtual void memoryModeChanged(int modeMemoire) { (void)modeMemoire; }
  // A signal was made current: caption, menus needing a signal, the upper
  // display frequency, and the spectrogram when `autospectro` is on.
  virtual void signalOpened() {}
  // The displayed stretch or the annotations changed: redraw every view.
  virtual void redrawAll() {}
};

// Installs the listener (not owned); nullptr restores the one that does nothing.
void setCurrentSignalListener(CurrentSignalListener* listener);
CurrentSignalListener& currentSignalListener();

}  // namespace ardv
