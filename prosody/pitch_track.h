// The F0 track of the most recent run (`pitchCorrige`) and what is made of
// it: the lookup pitchAt, the results lines, and the F0 of the displayed
// stretch of the current signal ("F0 for the screen" without the drawing).
#pragma once

#include <cstdint>
#include <string>

#include "prosody/pitch_martin.h"
#include "spectral/image_levels.h"

namespace ardv {

// The most recent run's track (empty before any run).
PitchTrack& lastPitchTrack();

// F0 in Hz of the last run at an absolute sample: the nearest frame centre's
// value, 0 when unvoiced or outside the run. A value still -1 there reports
// "pitch == -1" and gives 0.
int pitchAt(std::int64_t sample);

// Writes the results lines of `track` (">> pitch", texts 6810 with
// `fileName`, 6811, 6812, then "ms<TAB>sample<TAB>Hz" per frame) to the
// results stream.
void writePitchResults(const PitchTrack& track, const std::string& fileName);

// Colour of the F0 marks for a speaker type (any red, female magenta, male cyan).
Rgb speakerColour(int speakerType);

// F0 of samples start..end (absolute, inclusive, held in program().memory)
// of the current signal with the current speaker type; the track becomes the
// last run and its results lines are written. False after the one report (no
// signal, stretch not in memory, analysis failure).
bool f0ForStretch(std::int64_t start, std::int64_t end);

}  // namespace ardv
