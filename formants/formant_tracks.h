// Formant tracks and candidates of a whole signal file, of any length, read
// in stretches so that memory stays bounded.
#pragma once

#include <cstdint>
#include <functional>

#include "formants/ceiling_choice.h"
#include "formants/formant_candidates.h"
#include "formants/formant_options.h"
#include "formants/snake.h"
#include "signal/infofile.h"

namespace ardv {

enum class TrackMethod { McCandless, Snake };

// One output frame: F1–F3 with the bandwidth and LPC level of their roots
// (0 where a formant kept its previous estimate, and for snake tracks).
struct FormantTrackRow {
  std::int64_t centre = 0;  // sample index
  double frequencyHz[3] = {0, 0, 0};
  double bandwidthHz[3] = {0, 0, 0};
  double amplitudeDb[3] = {0, 0, 0};
  double ceilingHz = 0.0;  // analysis ceiling of the McCandless tracks
};

// Snake stretches of the file: 2048 ms each, so that the 512 image columns
// fall 4 ms apart.
inline constexpr double kSnakeStretchMs = 2048.0;

// Calls `row` for every frame starting in first..last (inclusive, clamped to
// the file) and ending inside the file, in time order: McCandless frames of 256 samples every 128, the
// state carried from frame to frame over the whole file; snake tracks of
// successive stretches sampled every options.stepMs. `row` returning false
// stops. False after a report (read failure, bad rate, no frame).
// McCandless tracks at options.ceilingHz: the reference ceiling tracks every
// frame as the plain tracker does; another ceiling, or 0 (the automatic
// choice per stretch, whose scores go to `scores`), holds the tracks through
// frames that are not voiced.
bool formantTracksOfFile(const infoFile& file, std::int64_t first, std::int64_t last, TrackMethod method,
                         const FormantOptions& options, const SnakeParams& params,
                         const std::function<bool(const FormantTrackRow&)>& row,
                         const CeilingTracker::Score& scores = {});

enum class CandidateKind { Lpc, Cepstral, TrueEnvelope };

// Calls `candidate` for every candidate of every frame of first..last (frame
// centre, candidate), frames every options.stepMs. Cepstral and
// true-envelope frames with too many extrema stop the run with the message
// of the peak analysis. False after a report.
bool formantCandidatesOfFile(const infoFile& file, std::int64_t first, std::int64_t last, CandidateKind kind,
                             const FormantOptions& options,
                             const std::function<bool(std::int64_t, const FormantCandidate&)>& candidate);

}  // namespace ardv
