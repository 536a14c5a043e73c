// Spectrogram images of long stretches, read piece by piece.
#include "spectral/file_spectrogram.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "platform/report.h"
#include "signal/buffers.h"
#include "signal/transports.h"
#include "spectral/frame_placement.h"
#include "spectral/image_levels.h"
#include "spectral/reassigned.h"
#include "spectral/spectrogram.h"

namespace ardv {
namespace {

// Cells of one band of a reassigned image (floats, twice: the band and a piece).
constexpr std::int64_t kReassignedBandCells = std::int64_t{1} << 20;

int shownBins(const CurrentSpectro& spec) { return std::max(0, std::min(spec.fftSize / 2, spec.displayedBins)); }

// Reads samples first..end of `file` in pieces of at most `size` samples,
// each overlapping the previous one by reach - 1 samples, and hands each to
// `piece`. False after a report (read failure) or when `piece` fails.
bool forEachPiece(const infoFile& file, std::int64_t first, std::int64_t end, std::int64_t size, int reach,
                  const std::function<bool(const SampleSpan&)>& piece) {
  SHORTbuf buffer(std::min(size, end - first + 1), "spectrogram piece");
  if (buffer.size() == 0) return false;
  for (std::int64_t a = first;;) {
    const std::int64_t b = std::min(end, a + size - 1);
    const auto count = static_cast<std::int32_t>(b - a + 1);
    if (lireSignal(file, file.depl + 2 * a, buffer, 0, count) != count) return false;
    if (!piece(SampleSpan{buffer.data(), count, a})) return false;
    if (b >= end) return true;
    // The next piece starts at the first frame start that does not fit this one.
    a = b - reach + 2;
  }
}

}  // namespace

int pieceFrameReach(const CurrentSpectro& spec) { return spec.kind == 3 ? spec.fen_fft + 1 : frameReadLength(spec); }

bool renderFileSpectrogram(const CurrentSpectro& spec, const infoFile& file, std::int64_t first, std::int64_t last,
                           int width, int height, std::int64_t pieceSamples, LevelImage& out) {
  if (width < 1 || width > kMaxImageWidth || height < 1 || height > kMaxImageHeight ||
      std::int64_t{width} * height > kMaxImagePixels) {
    message("Spectrogram image: the size " + std::to_string(width) + " x " + std::to_string(height) +
            " is outside 1.." + std::to_string(kMaxImageWidth) + " x 1.." + std::to_string(kMaxImageHeight) +
            ", " + std::to_string(kMaxImagePixels) + " pixels");
    return false;
  }
  if (first < 0 || last <= first || last >= file.sampleCount()) {
    debugMessage("renderFileSpectrogram(): samples " + std::to_string(first) + ".." + std::to_string(last) +
                 " outside the file");
    return false;
  }
  const ImageFrames frames = imageFrames(first, last, file.sampleCount() - 1, spec.fen_fft, width);
  if (!(frames.hop > 0.0)) {
    message("The stretch is shorter than the analysis window");
    return false;
  }
  const int reach = pieceFrameReach(spec);
  const std::int64_t size = std::max<std::int64_t>(pieceSamples, 2 * static_cast<std::int64_t>(reach));
  // The last frames may read a little past `last`, as they would in memory.
  const std::int64_t end = std::min(file.sampleCount() - 1, last + reach + 2);
  const int bins = shownBins(spec);
  try {
    LevelImage img;
    img.frames = width;
    img.height = height;
    img.levels.assign(static_cast<std::size_t>(width) * height, 0);
    if (spec.kind == 3) {
      // Column bands of bounded size; each is fed by its own frames and by the
      // frames beside it whose energy moves into it.
      const int rows = spec.fftSize / 2;
      // Reassignment moves energy at most a window (plus a sample) away.
      const int feeding = static_cast<int>(std::min(std::ceil((spec.fen_fft + 2) / frames.hop) + 2, 1e7));
      // Wider bands (up to four times the cells) when the feeding frames would outnumber their own.
      const std::int64_t cells = kReassignedBandCells / std::max(rows, 1);
      const int bandColumns =
          static_cast<int>(std::max<std::int64_t>(1, std::clamp<std::int64_t>(4 * std::int64_t{feeding}, cells, 4 * cells)));
      const double firstCentre = static_cast<double>(first + spec.fen_fft / 2);
      const auto frameStart = [&](int i) {
        return std::llround(firstCentre + i * frames.hop - spec.fen_fft / 2 + 1);
      };
      for (int c0 = 0; c0 < width; c0 += bandColumns) {
        ReassignedBand band;
        band.columnFrom = c0;
        band.columnTo = std::min(width, c0 + bandColumns);
        band.frameFrom = std::max(0, c0 - feeding);
        band.frameTo = static_cast<int>(std::min<std::int64_t>(width, std::int64_t{band.columnTo} + feeding));
        const std::int64_t a = std::clamp<std::int64_t>(frameStart(band.frameFrom) - 1, first, end);
        const std::int64_t b = std::clamp<std::int64_t>(frameStart(band.frameTo - 1) + reach + 1, a, end);
        // Each frame lies whole in one piece and pieces come in order, so
        // the energies add up as in one pass over the whole stretch.
        ReassignedImage total;
        if (!startReassigned(band, width, spec.fftSize, total)) return false;
        auto piece = [&](const SampleSpan& x) {
          return fft_zoom_add(x, firstCentre, frames.hop, width, band, spec.fen_fft, spec.fftSize, total);
        };
        if (!forEachPiece(file, a, b, size, reach, piece)) return false;
        reassignedToDb(total);
        for (int i = band.columnFrom; i < band.columnTo; ++i)
          reassignedFileLevels(&total.db[static_cast<std::size_t>(i - c0) * total.rows], std::min(bins, total.rows),
                               spec.displayedBins, height, spec.lowDb, spec.highDb, img.row(i));
      }
    } else {
      SpectroWork work;
      if (!prepareSpectroWork(spec, work)) return false;
      std::vector<SpectroWork> works;
      auto piece = [&](const SampleSpan& x) {
        // The frames starting in this piece up to the first it does not hold
        // whole (frames of later pieces, and frames past the file's end, left
        // white); centres increase.
        const auto from = std::lower_bound(frames.centres.begin(), frames.centres.end(),
                                           x.first + spec.fen_fft / 2 - 1);
        auto to = from;
        while (to != frames.centres.end() && x.holds(*to - spec.fen_fft / 2 + 1, reach)) ++to;
        const int firstFrame = static_cast<int>(from - frames.centres.begin());
        return spectroImageColumns(
            spec, x, static_cast<int>(to - from), [&](int i) { return from[i]; }, bins, height,
            [&](int i) { return img.row(firstFrame + i); }, &works);
      };
      if (!forEachPiece(file, first, end, size, reach, piece)) return false;
    }
    out = std::move(img);
  } catch (const std::bad_alloc&) {
    message("Not enough memory for a spectrogram image of " + std::to_string(width) + " x " +
            std::to_string(height));
    return false;
  }
  return true;
}

}  // namespace ardv
