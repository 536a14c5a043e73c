// Measurements of a stretch of a recording: duration, F0 statistics over the
// voiced frames, F1–F3 at fixed points and over the middle half, intensity.
//
// Stages: analyseRange runs the analyses over the frames of a range of the
// file (the F0 of the pitch file, the McCandless tracks of the formant
// listing, the energy frames of the whole-file energy) and marks each formant
// frame voiced or not by the F0 frame nearest to it, then measureStretch
// summarises the frames whose centres lie in a stretch of that range. One
// analysis serves every segment of a file.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "formants/formant_options.h"
#include "prosody/energy.h"
#include "prosody/pitch_types.h"
#include "signal/infofile.h"

namespace ardv {

// A value that cannot be had (unvoiced, too short): never 0.
inline constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();
inline bool hasValue(double v) { return !std::isnan(v); }

// Which analyses a measurement runs; duration needs none.
struct MeasureWhat {
  bool f0 = true;
  bool formants = true;
  bool intensity = true;
};

struct MeasureSettings {
  MeasureWhat what;
  SpeakerF0Params f0Params;
  FormantOptions formantOptions;
  EnergyParams energyParams;
  bool snakeFormants = false;  // the snake tracks instead of McCandless's
  // The formant tracker starts this many samples before the range (on the
  // whole-file frame grid); -1 starts it at the beginning of the file, as
  // the whole-file tracks do.
  std::int64_t formantContextSamples = -1;
};

// Frames of one range of a file, each at its centre sample.
struct RangeAnalyses {
  double fs = 0.0;
  struct F0Frame {
    std::int64_t centre;
    int hz;  // 0 unvoiced
  };
  struct FormantFrame {
    std::int64_t centre;
    std::array<double, 3> hz;
    // The F0 frame nearest to the centre is voiced: the trackers hold their
    // last estimates through silences and voiceless consonants.
    bool voiced = true;
  };
  struct EnergyFrame {
    std::int64_t centre;
    double db;
  };
  std::vector<F0Frame> f0;
  std::vector<FormantFrame> formants;
  std::vector<EnergyFrame> energy;
};

// Runs the analyses of `settings.what` over the frames whose centres lie in
// samples first..last (inclusive) of `file`; formants run the F0 analysis too
// (for the voicing of their frames; `f0` stays empty when F0 is not asked
// for). A file shorter than an analysis's frame gives no frames of it (no
// report), and formant frames without an F0 frame within half an F0 frame
// are unvoiced. False after the report of an unusable rate or a failed read.
bool analyseRange(const infoFile& file, std::int64_t first, std::int64_t last, const MeasureSettings& settings,
                  RangeAnalyses& out);

// F0 statistics over the voiced frames; semitones are re 100 Hz, each
// statistic taken over the frames' semitone values.
struct F0Figures {
  int frames = 0;  // F0 frames in the stretch
  int voiced = 0;
  double voicedFraction = kNoValue;
  double meanHz = kNoValue, medianHz = kNoValue, minHz = kNoValue, maxHz = kNoValue, sdHz = kNoValue;
  double meanSt = kNoValue, medianSt = kNoValue, minSt = kNoValue, maxSt = kNoValue, sdSt = kNoValue;
};

struct Measurement {
  std::int64_t start = 0;  // first sample
  std::int64_t end = 0;    // one past the last sample
  double startMs = 0.0, endMs = 0.0, durationMs = 0.0;
  F0Figures f0;
  // F1–F3 of the frame nearest to 25, 50 and 75 % of the stretch (its centre
  // inside the stretch; missing when that frame is unvoiced), and the mean
  // over the voiced frames of the middle half.
  std::array<std::array<double, 3>, 3> formantsAt{{{kNoValue, kNoValue, kNoValue},
                                                   {kNoValue, kNoValue, kNoValue},
                                                   {kNoValue, kNoValue, kNoValue}}};
  std::array<double, 3> formantsMiddleMean{kNoValue, kNoValue, kNoValue};
  // Energy-averaged mean (10·log10 of the mean power) and maximum of the frames, dB.
  double intensityMeanDb = kNoValue;
  double intensityMaxDb = kNoValue;
};

// Summarises the frames of `a` whose centres lie in samples start..end-1.
// An empty or reversed stretch has duration 0 and no other value.
Measurement measureStretch(const RangeAnalyses& a, std::int64_t start, std::int64_t end);

// Semitones of f Hz re 100 Hz.
inline double semitones(double hz) { return 12.0 * std::log2(hz / 100.0); }

}  // namespace ardv
