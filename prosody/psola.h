// PSOLA modification of duration and F0: `Scale_mod` for one chunk of marks
// and `CMPitchScaleMod`'s whole-signal driver (F0, marks and synthesis chunk
// by chunk, the output flushed as it is finished).
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "prosody/hanning.h"
#include "prosody/modif_output.h"
#include "prosody/pitch_marks.h"

namespace ardv {

// Lowest F0 the engine takes as it is (a lower value counts as this one), so
// that every window has a known largest length.
constexpr int kPsolaMinF0 = 20;
// F0 factors PSOLA does (a contour's target is kept within them).
constexpr double kPsolaMinF0Factor = 0.5;
constexpr double kPsolaMaxF0Factor = 2.5;

// What one chunk hands to the next.
struct PsolaState {
  std::int64_t lastVirtual = -1;     // signed; -1: none yet (start at the first mark)
  std::int64_t lastSynth = 0;        // signed
  std::int64_t carriedAnalysis = 0;  // analysis mark of lastVirtual (signed)
  std::int64_t lastAnalysis = 0;     // analysis mark of the last window added
  int repetition = 0;                // repetitions of that unvoiced mark so far
};

// One chunk's inputs.
struct PsolaChunk {
  const MarkList* marks = nullptr;
  const std::int16_t* samples = nullptr;
  std::int64_t first = 0, count = 0;  // absolute position and length of samples
  const PitchTrack* track = nullptr;  // F0 at the marks
  // Target F0 per 8-ms frame of the whole signal (resynthesis), or nullptr.
  const std::vector<int>* contour = nullptr;
  bool skipFirst = false;
  bool last = false;  // the chunk ends the signal: synthesis goes on to its end
};

struct PsolaParams {
  double fs = 16000.0;
  double alpha = 1.0;  // time factor
  double beta = 1.0;   // synthesis period = analysis period * beta
};

// The PSOLA engine for one chunk: synthesis marks, windows and overlap-add
// into `output`, then the hand-over in `state`. False after "erreur dans
// scalemod" when no virtual mark lies at or before the last synthesis mark.
bool Scale_mod(const PsolaChunk& chunk, const PsolaParams& params, HanningCache& hanning, OverlapAddOutput& output,
               PsolaState& state);

struct ModifyOptions {
  double alpha = 1.5;
  double beta = 1.0;
  int speakerType = -1;
  std::int64_t chunkSamples = 0;  // 0: min(samples(6000 ms), 288000)
  bool flushing = true;           // false: keep the whole output until the end
  const std::vector<int>* contour = nullptr;  // resynthesis (alpha must be 1)
};

// `CMPitchScaleMod`: the whole signal of `n` samples at `fs` Hz read through
// `read`, modified chunk by chunk into `sink`. False after the one report
// (text 9015 when too short, F0 analysis, reading, the sink).
bool CMPitchScaleMod(const SampleReader& read, std::int64_t n, double fs, const ModifyOptions& options,
                     const SampleSink& sink);

// Per-frame target F0 (frame k centred at k*S + L/2) of a signal of
// `samples` samples at `fs` Hz from (ms, Hz) points in increasing time:
// linear between neighbouring voiced points, 0 elsewhere.
std::vector<int> contourFrames(const std::vector<std::pair<long, int>>& points, double fs, std::int64_t samples);

// The (ms, Hz) points of a pitch file in increasing dates (a date not after
// the previous one is skipped, blank lines too). False after "Ce fichier
// n'est pas un fichier de pitch" (no ".pit" header, a line that is not "ms
// Hz" or longer than 256 bytes, no point at all) or the reason it cannot be
// read (not a regular file: a FIFO or a device is never opened); `points`
// is then unchanged.
bool readContourPoints(const std::filesystem::path& path, std::vector<std::pair<long, int>>& points);

// Reads a pitch file as a contour for a signal of `samples` samples at `fs`
// Hz: one target F0 per 8-ms frame (frame k centred at k*S + L/2), linear
// between the file's points where both are voiced, 0 elsewhere. False after
// "Ce fichier n'est pas un fichier de pitch" (no ".pit" header, or a line
// that is not "ms Hz"), text 6931 (a point past the signal's end), or the
// reason it cannot be read.
bool readContour(const std::filesystem::path& path, double fs, std::int64_t samples, std::vector<int>& perFrame);

}  // namespace ardv
