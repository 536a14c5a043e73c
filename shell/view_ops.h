// What the shell does to the display context: the stretch shown after a
// scroll or a "Go to", and the selection made by a drag in a plane.
#pragma once

#include <cstdint>

#include "shell/geometry.h"
#include "signal/program.h"

namespace ardv::shell {

// The display context after moving the view to start at sample `start`
// (limited to 0..tf-1) with its width unchanged. The memory stretch d_e..f_e
// stays when it still holds the view, else it starts at the view and spans
// memorySpanSamples (up to the last sample). d_es/f_es follow; the
// selection is cleared.
DisplayContext viewFrom(const DisplayContext& ct, std::int32_t start, double frequence);

// True when the memory stretch of `after` differs from `before` (the samples
// must then be read again).
bool memoryMoved(const DisplayContext& before, const DisplayContext& after);

// A finished drag: selected samples and times.
struct Selection {
  std::int32_t first = -1, last = -1;  // ct.d_sel, ct.f_sel
  double startMs = 0, endMs = 0;
  double durationMs() const { return endMs - startMs; }
};

// The selection of a drag between columns a and b (either order) in a plane
// whose columns map through `axis`: samples clamped to `lastShown` (ct.f_es),
// times by TimeAxis::msAt.
Selection selectionFromColumns(int a, int b, const TimeAxis& axis, std::int32_t lastShown, double frequence);

}  // namespace ardv::shell

namespace ardv::shell {

// Reads samples first..last of the current signal into the memory buffer.
// Returns false after the reader's report; memory then stays as it was.
bool loadMemory(std::int32_t first, std::int32_t last);

// Moves the view of the program's current signal to start at `start` (see
// viewFrom), reading the memory again when it moved. False (nothing
// changes) without a file or when the samples cannot be read.
bool showFrom(std::int32_t start);

}  // namespace ardv::shell
