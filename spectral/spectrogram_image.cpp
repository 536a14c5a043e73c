// Pane and image rendering of the six spectrogram kinds.
#include "spectral/spectrogram_image.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <string>

#include "platform/keyboard.h"
#include "platform/report.h"
#include "platform/thread_pool.h"
#include "spectral/reassigned.h"

namespace ardv {
namespace {

constexpr int kMaxImageSide = 65536;

int shownBins(const CurrentSpectro& spec) { return std::max(0, std::min(spec.fftSize / 2, spec.displayedBins)); }

void reportStopped() { message("Escape pressed: the spectrogram image was stopped and is not written."); }

}  // namespace

bool renderSpectrogramPane(const CurrentSpectro& spec, const SampleSpan& x, const PaneMapping& pane,
                           int firstPixel, int lastPixel, const PlaneAxis& axis, PaneImage& out) {
  if (pane.width < 1 || pane.width > kMaxImageSide || pane.visibleCount < 1 || axis.rows < 1 ||
      axis.rows > kMaxImageSide || !(axis.uRange > 0.0)) {
    debugMessage("renderSpectrogramPane(): bad pane geometry");
    return false;
  }
  firstPixel = std::max(0, firstPixel);
  lastPixel = std::min(pane.width - 1, lastPixel);
  try {
    PaneImage img;
    img.width = pane.width;
    img.rows = axis.rows;
    img.levels.assign(static_cast<std::size_t>(img.width) * img.rows, -1);
    img.lowDb = spec.lowDb;
    img.highDb = spec.highDb;
    std::vector<std::int16_t> rows(static_cast<std::size_t>(axis.rows));
    const int bins = shownBins(spec);
    const bool relative = spec.relativeRangeDb > 0.0f;
    // Loudest and quietest finite values of the shown bins, for the relative
    // range; a flat view (digital silence at the floor) keeps the fixed one.
    float loudest = -std::numeric_limits<float>::infinity();
    float quietest = std::numeric_limits<float>::infinity();
    const auto notice = [&](const float* column, int count) {
      for (int k = 0; k < count; ++k)
        if (std::isfinite(column[k])) {
          loudest = std::max(loudest, column[k]);
          quietest = std::min(quietest, column[k]);
        }
    };
    const auto settleRange = [&] {
      if (!relative || !std::isfinite(loudest) || loudest - quietest < 1.0f) return;
      img.relative = true;
      img.highDb = loudest;
      img.lowDb = static_cast<double>(loudest) - spec.relativeRangeDb;
    };
    auto paint = [&](int from, int count) {
      for (int px = std::max(0, from); px < std::min(img.width, from + count); ++px)
        std::copy(rows.begin(), rows.end(), img.levels.begin() + static_cast<std::ptrdiff_t>(px) * img.rows);
    };
    if (spec.kind == 3) {
      const int frames = lastPixel - firstPixel + 1;
      if (frames >= 1) {
        ReassignedImage r;
        if (!fft_zoom_no(x, static_cast<double>(pane.sampleAt(firstPixel)), pane.samplesPerPixel(), frames,
                         spec.fen_fft, spec.fftSize, r))
          return false;
        const int shown = std::min(bins, r.rows);
        if (relative)
          for (int i = 0; i < frames; ++i) notice(&r.db[static_cast<std::size_t>(i) * r.rows], shown);
        settleRange();
        for (int i = 0; i < frames; ++i) {
          reassignedScreenLevels(&r.db[static_cast<std::size_t>(i) * r.rows], shown, spec.displayedBins, axis,
                                 img.lowDb, img.highDb, rows.data());
          paint(firstPixel + i, 1);
        }
      }
    } else {
      SpectroWork work;
      if (!prepareSpectroWork(spec, work)) return false;
      const std::vector<PaneFrame> frames =
          paneFrames(pane, firstPixel, lastPixel, spec.fen_fft, spec.columnsPerFrame, x.first, x.last());
      // Frames paint disjoint pixel columns, so they may be computed in any order.
      const auto level = [&](int i, const float* column, int count) {
        const PaneFrame& f = frames[static_cast<std::size_t>(i)];
        std::int16_t* dest = img.levels.data() + static_cast<std::ptrdiff_t>(std::max(0, f.firstColumn)) * img.rows;
        const int columns = std::min(img.width, f.firstColumn + f.columns) - std::max(0, f.firstColumn);
        if (columns <= 0) return;
        screenColumnLevels(column, count, spec.displayedBins, axis, img.lowDb, img.highDb, dest);
        for (int c = 1; c < columns; ++c)
          std::copy(dest, dest + img.rows, dest + static_cast<std::ptrdiff_t>(c) * img.rows);
      };
      // The relative range needs every column before the first level: frame
      // i keeps its shown bins at kept[i * bins].
      const std::size_t stride = static_cast<std::size_t>(std::max(0, bins));
      std::vector<float> kept(relative ? frames.size() * stride : 0);
      std::vector<int> keptCount(relative ? frames.size() : 0, 0);
      if (!spectroColumns(spec, x, static_cast<int>(frames.size()),
                          [&](int i) { return frames[static_cast<std::size_t>(i)].centre; },
                          [&](int i, const std::vector<float>& column) {
                            const int count = std::min<int>(bins, static_cast<int>(column.size()));
                            if (!relative) return level(i, column.data(), count);
                            std::copy(column.begin(), column.begin() + count,
                                      kept.begin() + static_cast<std::ptrdiff_t>(i * stride));
                            keptCount[static_cast<std::size_t>(i)] = count;
                          }))
        return false;
      if (relative) {
        for (std::size_t i = 0; i < keptCount.size(); ++i) notice(kept.data() + i * stride, keptCount[i]);
        settleRange();
        for (std::size_t i = 0; i < keptCount.size(); ++i)
          level(static_cast<int>(i), kept.data() + i * stride, keptCount[i]);
      }
    }
    out = std::move(img);
  } catch (const std::bad_alloc&) {
    debugMessage("renderSpectrogramPane(): out of memory");
    return false;
  }
  return true;
}

bool renderSpectrogramImage(const CurrentSpectro& spec, const SampleSpan& x, std::int64_t first,
                            std::int64_t last, int width, int height, LevelImage& out) {
  if (width < 1 || width > kMaxImageSide || height < 1 || height > kMaxImageSide) {
    message("Spectrogram image: the size " + std::to_string(width) + " x " + std::to_string(height) +
            " is outside 1..65536");
    return false;
  }
  try {
    LevelImage img;
    img.frames = width;
    img.height = height;
    img.levels.assign(static_cast<std::size_t>(width) * height, 0);
    const int bins = shownBins(spec);
    const ImageFrames frames = imageFrames(first, last, x.last(), spec.fen_fft, width);
    escapePressed();  // forget a press made before
    if (spec.kind == 3) {
      if (!(frames.hop > 0.0)) {
        message("The stretch is shorter than the analysis window");
        return false;
      }
      ReassignedImage r;
      bool stopped = false;
      if (!fft_zoom_no(x, static_cast<double>(first + spec.fen_fft / 2), frames.hop, width, spec.fen_fft,
                       spec.fftSize, r, [&stopped] { return stopped = escapePressed(); })) {
        if (stopped) reportStopped();
        return false;
      }
      for (int i = 0; i < width; ++i)
        reassignedFileLevels(&r.db[static_cast<std::size_t>(i) * r.rows], std::min(bins, r.rows),
                             spec.displayedBins, height, spec.lowDb, spec.highDb, img.row(i));
    } else {
      SpectroWork work;
      if (!prepareSpectroWork(spec, work)) return false;
      // Groups of frames computed together; before each, the keyboard is
      // looked at once for every kStopPollFrames frames of the group, as
      // often as frame by frame. Frames past the loaded samples stay white
      // rather than read outside.
      const int group = kStopPollFrames * 4 * std::max(1, workerThreads());
      std::vector<SpectroWork> works;
      for (int g = 0; g < width; g += group) {
        const int count = std::min(group, width - g);
        for (int i = g; i < g + count; ++i) {
          if (i % kStopPollFrames == kStopPollFrames - 1 && escapePressed()) {
            reportStopped();
            return false;
          }
        }
        if (!spectroColumns(
                spec, x, count, [&](int i) { return frames.centres[static_cast<std::size_t>(g + i)]; },
                [&](int i, const std::vector<float>& column) {
                  fileColumnLevels(column.data(), std::min<int>(bins, static_cast<int>(column.size())),
                                   spec.displayedBins, height, spec.lowDb, spec.highDb, img.row(g + i));
                },
                &works))
          return false;
      }
    }
    out = std::move(img);
  } catch (const std::bad_alloc&) {
    debugMessage("renderSpectrogramImage(): out of memory");
    return false;
  }
  return true;
}

PgmImageSize& pgmImageSize() {
  static PgmImageSize size;
  return size;
}

bool exportSpectrogram(int kind, double fs, const SampleSpan& x, std::int64_t first, std::int64_t last, int width,
                       int height, const std::filesystem::path& path) {
  CurrentSpectro spec;
  if (!spectro_GetParams(spectroSettings(), kind, fs, spec)) return false;
  LevelImage image;
  if (!renderSpectrogramImage(spec, x, first, last, width, height, image)) return false;
  return writePgm(path, image);
}

}  // namespace ardv
