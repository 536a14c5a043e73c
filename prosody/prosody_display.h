// The values the window draws over the displayed stretch: the energy curve
// ("Display energy", with its results lines) and the F0 of the current pitch
// file on the 8-ms frame grid ("Display pitch values").
#pragma once

#include <cstdint>
#include <vector>

namespace ardv {

struct EnergyPoint {
  std::int64_t sample = 0;  // absolute sample the frame is centred on
  float db = 0.0f;          // energyAt(sample)
};

// The energy curve of absolute samples first..last of the current signal: a
// point every hop (frame length / 5) from `first` while point + frame length
// < last, each energyAt. Writes the results lines (texts 8546 and 8547, "[ms]
// [dB]", then "ms  dB" per point). Empty without a signal or after the setup's
// report; `eLow` and the frame geometry come from energyParams().
std::vector<EnergyPoint> energyCurve(std::int64_t first, std::int64_t last);

// The energy curve over the whole of absolute samples first..last, as far
// as memory holds them: a point every hop from the first sample memory holds
// to the last, each the energy of the frame centred on it (frames near the
// ends of memory are moved inside it), then averaged over `smoothing` points
// about each (1: none). Writes the same results lines as energyCurve.
std::vector<EnergyPoint> energyCurveOverView(std::int64_t first, std::int64_t last, int smoothing = 1);

// `points` averaged (in dB) over a window of `width` points centred on each,
// narrower at the ends; width <= 1 leaves them as they are.
std::vector<EnergyPoint> smoothEnergy(const std::vector<EnergyPoint>& points, int width);

struct F0Point {
  std::int64_t sample = 0;  // frame centre, absolute sample
  int hz = 0;               // > 0
};

// Voiced values of the current pitch file over absolute samples first..last:
// positions on the 8-ms grid (the first at 8 * trunc(ms(first) / 8) ms plus
// half a 32-ms frame), every 8 ms up to `last`, where pitchFromFile is above 0.
std::vector<F0Point> pitchFileValues(std::int64_t first, std::int64_t last);

}  // namespace ardv
