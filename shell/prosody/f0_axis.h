// The F0 axis over the spectrogram, shared by every F0 overlay and the F0
// scale: by default a speech range (the F0 values shown, else the speaker
// type's range), or the fixed axis from 0 Hz to f0AxisTopHz.
#pragma once

#include <utility>
#include <vector>

namespace ardv::shell {

// {bottom, top} in Hz for a spectrogram shown up to fmaxHz.
std::pair<double, double> f0AxisRange(double fmaxHz);
// Coordinate u (0 at the bottom, 128 at the top of the plane) of `hz`; a
// value below the axis gives a negative u, above it more than 128.
double f0AxisU(double hz, double fmaxHz);

// The F0 values drawn (they set the speech range); cleared with the curves.
void noteShownF0(const std::vector<int>& hz);
void clearShownF0();

}  // namespace ardv::shell
