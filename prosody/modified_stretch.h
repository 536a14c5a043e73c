// A modification applied to one stretch of a signal: the samples before and
// after the stretch are copied unchanged around what the modification makes
// of it (a time factor changes the stretch's length only).
#pragma once

#include <cstdint>
#include <functional>

#include "prosody/modif_output.h"
#include "prosody/pitch_marks.h"

namespace ardv {

// Modifies `count` samples read through `read` (sample 0 is the first one
// handed over; `from` is where that one lies in the whole signal) into
// `sink`; false after its own report. PSOLA, the vocoder and resynthesis
// are called this way.
using StretchModifier =
    std::function<bool(const SampleReader& read, std::int64_t from, std::int64_t count, const SampleSink& sink)>;

// Samples read on each side of a stretch, as far as the signal goes, so
// that a modification's own ends (PSOLA's silent first half frame, the
// vocoder's fades) fall outside it: 100 ms, at least two vocoder frames.
std::int64_t stretchMarginSamples(double fs);

// The `n` samples read through `read` with samples first..last (0 <= first
// <= last < n) replaced by what `modify` makes of them with `margin` samples
// more on each side (clipped to the signal): of its output, the margins
// scaled by `alpha` (the modification's time factor) are dropped and
// nearest(alpha * (last - first + 1)) samples kept (fewer when it ends
// sooner). Samples 0..first-1 and last+1..n-1 go to `sink` as read. False
// after the one report (a stretch outside the signal, reading, `modify`,
// the sink).
bool modifyStretch(const SampleReader& read, std::int64_t n, std::int64_t first, std::int64_t last,
                   std::int64_t margin, double alpha, const StretchModifier& modify, const SampleSink& sink);

}  // namespace ardv
