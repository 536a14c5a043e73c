// Snake tracking on the formant window's pieces: initial contours from the
// pieces of groups 1–6 (or from scratch), the iterations, and the tracks
// committed back to groups 1–6.
//
// Stages: support image (cached) of the stretch; initial contours (from
// scratch, or from the pieces over their common span, falling back to from
// scratch over the shown stretch when that span is empty); discretisation;
// iterations; every second point back to (ms, Hz); commit.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "formants/snake.h"
#include "klatt/klatt_tracks.h"

namespace ardv {

enum class SnakeStart { Scratch, Existing, ExistingSelected };

// The contour of formant k (group k + 1) from its pieces, for an image of
// samples whose index 0 is signal sample `offset` at tracks.frequence.
// Points of the pieces (with `selectedOnly`, of the selected pieces) with
// dates in the common span of the formants that have such pieces, inside
// the image, one per rounded column: x = (sample − frame/2 − first)/hop,
// y = Hz × 512 / fs. A formant without pieces gets an empty contour.
// Returns false (contours all empty) when no formant has a piece there or
// the common span is empty.
bool contoursFromPieces(const KlattTracks& tracks, const SupportImage& image, std::int64_t offset, bool selectedOnly,
                        std::array<Contour, kSnakeFormants>& contours);

// Commits the track of formant k (dates ms, Hz) to group k + 1 on the
// "&Frequency" scale: resampled at the step, it overwrites the frequencies
// of the group's pieces at equal dates and its other runs become new pieces
// (commitWorking). With `selectedOnly`, only the points of the group's
// selected pieces inside the track's span change (linear interpolation of
// the track at their dates) and no piece is added. Returns the points set.
int commitSnakeTrack(KlattTracks& tracks, int k, const std::vector<SnakeTrackPoint>& track, bool selectedOnly);

struct SnakeStretch {
  std::span<const std::int16_t> samples;  // the signal from sample `offset` on
  std::int64_t offset = 0;
  std::int64_t first = 0, last = -1;          // analysed stretch, indices into samples
  std::int64_t shownFirst = 0, shownLast = -1;  // the fallback stretch
  std::string key;                            // names the signal for the image cache
};

struct SnakeChoices {
  SnakeStart start = SnakeStart::Scratch;
  SupportMethod method = SupportMethod::Cepstral;
  InitialCurves initial = InitialCurves::LpcRoots;
};

// The whole command: image from `cache`, initial contours, iterations
// (`display` as in runSnakes, with the contours as (ms, Hz) tracks), and the
// commit of every contour to its group. Returns the number of formants
// committed, 0 when the stretch is empty, −1 after a report (tracks
// unchanged).
int trackPiecesWithSnakes(KlattTracks& tracks, SupportImageCache& cache, const SnakeStretch& stretch,
                          const FormantOptions& options, const SnakeParams& params, const SnakeChoices& choices,
                          const std::function<void(const std::vector<std::vector<SnakeTrackPoint>>&)>& display = {});

}  // namespace ardv
