// The texts of the main window's status bar: what lies under the pointer
// (time, frequency, spectrogram level, F0 or energy) and the selection.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ardv::shell {

struct PointerReadout {
  std::int32_t sample = -1;  // under the pointer; -1 when off the planes
  std::int32_t tf = 0;       // samples of the signal
  double frequence = 0;      // Hz
  std::optional<double> hz;          // spectrogram row under the pointer
  std::optional<double> scaleValue;  // the same on a perceptual axis
  const char* scaleUnit = "";        // "Bark", "mel", "mely"
  std::optional<double> levelDb;     // of the spectrogram cell
  std::optional<int> f0Hz;           // of the F0 shown
  std::optional<double> energyDb;    // of the energy curve shown
  std::optional<double> ceilingHz;   // analysis ceiling of the formant tracks shown
};

// "t = 1.2345 s  |  f = 1234 Hz  |  72.1 dB  |  F0 = 120 Hz  |  ceiling = 5500 Hz"; a sample
// outside 0..tf-1 gives "t = ... s (outside the signal)" with nothing else;
// no signal or no sample gives an empty text.
std::string pointerText(const PointerReadout& r);

// "Selection 0.1000 - 0.2500 s (150.0 ms)" for samples first..last
// (inclusive), empty when there is no selection (first < 0 or last < first).
std::string selectionText(std::int32_t first, std::int32_t last, double frequence);

// "Click at 1.2345 s" for a click on sample `sample`; empty for a negative
// sample or without a rate.
std::string clickText(std::int32_t sample, double frequence);

}  // namespace ardv::shell
