// F2 of a back vowel in strong noise from linear prediction of the spectrum
// below 2 kHz alone (selective linear prediction: J. Makhoul, "Linear
// prediction: a tutorial review", Proc. IEEE 63, 1975). Noise over the whole
// band leaves linear prediction of the frame one wide root for a back
// vowel's close F1 and F2; the band below 2 kHz, where the vowel's energy
// lies, still parts them.
#pragma once

#include <span>

namespace ardv {

// The band of the prediction, and the highest F2 it gives (its upper edge
// bends the roots).
inline constexpr double kLowBandHz = 2000.0;
inline constexpr double kLowBandF2HighHz = 1600.0;

// The lowest root of the prediction of `windowed` (a windowed frame at fs)
// over 0–kLowBandHz that lies more than 150 Hz above f1Hz, at or above
// lowestHz and at most kLowBandF2HighHz, narrower than 300 Hz; 0 for none.
double lowBandF2(std::span<const double> windowed, double fs, double f1Hz, double lowestHz);

}  // namespace ardv
