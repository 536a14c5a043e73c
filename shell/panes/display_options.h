// The display options of the main window's panes, kept in the user's
// settings.
#pragma once

namespace ardv::shell {

struct DisplayOptions {
  bool boundaryLines = true;   // phoneme and word boundaries through the planes
  bool selectionTint = false;  // see-through selection instead of the inverted one
  double defaultFmaxHz = 0;    // upper display frequency of a file opened; 0: half its rate
  double relativeRangeDb = 0;  // > 0: levels follow the loudest cell of the view; 0: fixed
  double longestSpectrogramS = 10;  // widest view with a spectrogram, s (wider: the waveform only)
  bool overview = true;             // the strip of the whole file above the scroll bar
  bool autoscaleWaveform = false;   // the loudest sample of the view fills the waveform's height
  bool f0SpeechRange = true;        // F0 axis over the speaker's range; off: 0 to the fixed top
  int energySmoothing = 1;          // points averaged in the energy curve (1: none)
};
inline constexpr double kLongestSpectrogramMaxS = 600.0;
inline constexpr double kRelativeRangeDb = 70.0;  // the range when chosen
DisplayOptions& displayOptions();
// Reads them from / writes them to the settings and applies them to the planes.
void loadDisplayOptions();
void saveDisplayOptions();

}  // namespace ardv::shell
