// Where the analysis frames of a spectrogram go: for a pane of given width
// over the visible stretch (one frame every c pixel columns), and for an image
// of a given number of frames over a sample range. Plain functions of the
// visible range, the pane width and the loaded buffer, shared by the window,
// the image export and the tests.
#pragma once

#include <cstdint>
#include <vector>

namespace ardv {

// Mapping of pixel columns to samples: column x of a pane `width` pixels wide
// shows sample t(x) = firstVisible + x*visibleCount/width (truncated), x <= 0
// giving the first and x >= width the last visible sample.
struct PaneMapping {
  std::int64_t firstVisible = 0;
  std::int64_t visibleCount = 0;
  int width = 0;

  std::int64_t sampleAt(int x) const;
  double samplesPerPixel() const { return width > 0 ? static_cast<double>(visibleCount) / width : 0.0; }
};

// One analysis frame of a pane: its centre sample and the pixel columns it
// covers (firstColumn .. firstColumn + columns - 1, not clipped to the pane).
struct PaneFrame {
  int x = 0;
  std::int64_t centre = 0;
  int firstColumn = 0;
  int columns = 1;
};

// Frames of pixel columns firstPixel..lastPixel for a window of `window`
// samples and c columns per frame, over a buffer holding samples
// bufferFirst..bufferLast: columns whose frame is not inside the buffer (3
// samples of margin) are left out, then every c-th column from the first kept
// one is analysed when its centre satisfies
// bufferFirst + window/2 - 3 <= centre < bufferLast - window/2 - 3.
std::vector<PaneFrame> paneFrames(const PaneMapping& pane, int firstPixel, int lastPixel, int window,
                                  int columnsPerFrame, std::int64_t bufferFirst, std::int64_t bufferLast);

// Frames of an image `width` frames wide over samples first..last of a
// buffer ending at bufferLast: hop = (min(last, bufferLast) - first + 1 -
// window + 1) / width, frame i centred on trunc(first + i*hop + window/2).
struct ImageFrames {
  double hop = 0.0;
  std::vector<std::int64_t> centres;
};
ImageFrames imageFrames(std::int64_t first, std::int64_t last, std::int64_t bufferLast, int window, int width);

}  // namespace ardv
