// Frame placement for panes and images.
#include "spectral/frame_placement.h"

#include <algorithm>
#include <cmath>

namespace ardv {

std::int64_t PaneMapping::sampleAt(int x) const {
  if (x <= 0 || width <= 0) return firstVisible;
  if (x >= width) return firstVisible + std::max<std::int64_t>(0, visibleCount - 1);
  return firstVisible + static_cast<std::int64_t>(x) * visibleCount / width;
}

std::vector<PaneFrame> paneFrames(const PaneMapping& pane, int firstPixel, int lastPixel, int window,
                                  int columnsPerFrame, std::int64_t bufferFirst, std::int64_t bufferLast) {
  std::vector<PaneFrame> frames;
  const int c = std::max(1, columnsPerFrame);
  const std::int64_t half = window / 2;
  // Narrow the columns to those whose frame lies inside the buffer.
  int first = firstPixel, last = lastPixel;
  while (first <= last && pane.sampleAt(first) - half < bufferFirst + 3) ++first;
  while (last >= first && pane.sampleAt(last) + half > bufferLast - 3) --last;
  for (int x = first; x <= last; x += c) {
    const std::int64_t centre = pane.sampleAt(x);
    if (centre < bufferFirst + half - 3 || centre >= bufferLast - half - 3) continue;
    frames.push_back(PaneFrame{x, centre, x - (c - 1) / 2, c});
  }
  return frames;
}

ImageFrames imageFrames(std::int64_t first, std::int64_t last, std::int64_t bufferLast, int window, int width) {
  ImageFrames out;
  if (width <= 0) return out;
  out.hop = static_cast<double>(std::min(last, bufferLast) - first + 1 - window + 1) / width;
  out.centres.reserve(static_cast<std::size_t>(width));
  for (int i = 0; i < width; ++i)
    out.centres.push_back(static_cast<std::int64_t>(std::trunc(first + i * out.hop + window / 2)));
  return out;
}

}  // namespace ardv
