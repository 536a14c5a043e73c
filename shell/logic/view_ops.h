// What the shell does to the display context: the stretch shown after a
// scroll or a "Go to", and the selection made by a drag in a plane.
#pragma once

#include <cstdint>

#include "shell/logic/geometry.h"
#include "signal/program.h"

namespace ardv::shell {

// The display context after moving the view to start at sample `start`
// (limited to 0..tf-1) with its width unchanged. The memory stretch d_e..f_e
// stays when it still holds the view (or, for a view wider than memory, lies
// inside it), else it starts at the view and spans memorySpanSamples (up to
// the last sample). d_es/f_es (the view clipped to memory) follow; the
// selection is cleared.
// The view never leaves the file: a view narrower than the signal starts
// no later than tf - width.
DisplayContext viewFrom(const DisplayContext& ct, std::int32_t start, double frequence);

// Widest view the navigation keys show: the whole signal.
std::int32_t widestView(const DisplayContext& ct, double frequence);
// Width of the view that shows all of memory (the memory span, or the whole
// signal when it is shorter): narrower views are zoomed in.
std::int32_t memoryView(const DisplayContext& ct, double frequence);

// The display context showing `width` samples (limited to kZoomMinWidth + 1
// .. widestView) from `start`, kept inside the file as viewFrom does.
DisplayContext viewSpan(const DisplayContext& ct, std::int64_t start, std::int64_t width, double frequence);

// Where the navigation keys and the wheel move the view.
enum class Step { Left, Right, PageLeft, PageRight, Home, End, ZoomIn, ZoomOut, ShowAll };
// The view after `step` (a tenth of the width for Left/Right, the width for
// the pages, a factor of 2 about the centre for the zooms); `steps` repeats
// it (wheel notches, may be fractional for the scrolls); ShowAll shows the
// whole signal.
DisplayContext viewAfter(const DisplayContext& ct, Step step, double frequence, double steps = 1.0);

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

// Makes `next` (from viewFrom, viewSpan or viewAfter) the display context,
// reading the memory again when it moved; the selection stays when it is
// still in memory. False (nothing changes) when the samples cannot be read.
bool showView(const DisplayContext& next);

}  // namespace ardv::shell
