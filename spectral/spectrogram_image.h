// The spectrogram of a stretch of samples as a matrix of levels, for a pane
// of the main window (screen levels, one column per pixel) and for an image
// file (file levels, one row per frame). The shell paints the first, the PGM
// export and the command line write the second.
//
// Calling sequence: spectro_GetParams -> CurrentSpectro; renderSpectrogramPane
// or renderSpectrogramImage (frame placement, columns of the kind, levels);
// then DisplayColours (shell) or writePgm (file).
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "spectral/frame_placement.h"
#include "spectral/image_levels.h"
#include "spectral/pane_column_cache.h"
#include "spectral/pgm.h"
#include "spectral/spectrogram.h"

namespace ardv {

// Screen levels of a pane: column x at [x*rows, (x+1)*rows), row 0 at the
// top; -1 where the computation leaves the plane as it was.
struct PaneImage {
  int width = 0;
  int rows = 0;
  std::vector<std::int16_t> levels;
  // The dB of level 0 and 254, and whether they followed the loudest cell.
  double lowDb = 60.0, highDb = 97.0;
  bool relative = false;

  std::int16_t at(int x, int y) const { return levels[static_cast<std::size_t>(x) * rows + y]; }
};

// Computes pixel columns firstPixel..lastPixel of a pane showing `pane` over
// `axis.rows` rows, from the samples of `x` (the memory buffer), with the
// settings `spec` of any kind 1..6. With spec.relativeRangeDb > 0 the levels
// run from the loudest bin of the pixels computed down by that range (the
// kind's range when the bins span less than 1 dB, as silence does). Returns
// false after a report (out unchanged) when the settings cannot be computed.
bool renderSpectrogramPane(const CurrentSpectro& spec, const SampleSpan& x, const PaneMapping& pane,
                           int firstPixel, int lastPixel, const PlaneAxis& axis, PaneImage& out);

// The same, taking the columns of kinds 1, 2, 4, 5, 6 from `cache` where it
// holds them and keeping there those it computes (kind 3 is computed
// afresh): the levels are those of the call without a cache.
bool renderSpectrogramPane(const CurrentSpectro& spec, const SampleSpan& x, const PaneMapping& pane,
                           int firstPixel, int lastPixel, const PlaneAxis& axis, PaneImage& out,
                           PaneColumnCache& cache);

// Computes an image of `width` frames x `height` frequency pixels over samples
// first..last (signal indices; the frames are placed as imageFrames does).
// Frames whose samples `x` does not hold give white rows. Returns false after
// a report (out unchanged) for a size outside 1..65536, settings that cannot
// be computed, (reassigned kind) a stretch shorter than the window, or when
// Escape is pressed (polled every kStopPollFrames frames; a press made before
// the call is ignored).
bool renderSpectrogramImage(const CurrentSpectro& spec, const SampleSpan& x, std::int64_t first,
                            std::int64_t last, int width, int height, LevelImage& out);

// Image size of the PGM export ("Spectrogram image (pgm)").
struct PgmImageSize {
  int width = 1024;  // frames
  int height = 256;  // frequency pixels
};
PgmImageSize& pgmImageSize();

// Computes the spectrogram of `kind` (module settings, sampling frequency fs)
// over first..last into an image of the given size and writes it as PGM.
// Returns false after a report.
bool exportSpectrogram(int kind, double fs, const SampleSpan& x, std::int64_t first, std::int64_t last, int width,
                       int height, const std::filesystem::path& path);

}  // namespace ardv
