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

namespace {

bool renderPane(const CurrentSpectro& spec, const SampleSpan& x, const PaneMapping& pane, int firstPixel,
                int lastPixel, const PlaneAxis& axis, PaneImage& out, PaneColumnCache* cache) {
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
        // Each frame paints its own pixel column: shared out among the threads.
        const ScreenRowRuns runs = screenRowRuns(shown, spec.displayedBins, axis);
        const int blocks = std::clamp(frames / 64, 1, std::max(1, workerThreads()) * 4);
        parallelFor(blocks, [&](int b) {
          std::vector<const float*> columns;
          std::vector<std::int16_t*> rows;
          for (int i = frames * b / blocks; i < frames * (b + 1) / blocks; ++i) {
            const int px = firstPixel + i;
            if (px < 0 || px >= img.width) continue;
            columns.push_back(&r.db[static_cast<std::size_t>(i) * r.rows]);
            rows.push_back(img.levels.data() + static_cast<std::ptrdiff_t>(px) * img.rows);
          }
          reassignedScreenLevels(columns.data(), static_cast<int>(columns.size()), runs, img.lowDb, img.highDb,
                                 rows.data());
          return true;
        });
      }
    } else {
      // The cache keeps the work spaces too (the filter bank, the window)
      // while the settings stay.
      std::vector<SpectroWork> local;
      if (cache && !cache->prepare(spec, x)) return false;
      std::vector<SpectroWork>& works = cache ? cache->works() : local;
      if (works.empty()) works.resize(1);
      if (!works[0].prepared && !prepareSpectroWork(spec, works[0])) return false;
      const std::vector<PaneFrame> frames =
          paneFrames(pane, firstPixel, lastPixel, spec.fen_fft, spec.columnsPerFrame, x.first, x.last());
      // Frames paint disjoint pixel columns, so they may be computed in any order.
      const ScreenRowRuns runs = screenRowRuns(std::min(bins, spectroColumnSize(spec)), spec.displayedBins, axis);
      const auto level = [&](int i, const float* column, int columnBins) {
        const PaneFrame& f = frames[static_cast<std::size_t>(i)];
        std::int16_t* dest = img.levels.data() + static_cast<std::ptrdiff_t>(std::max(0, f.firstColumn)) * img.rows;
        const int count = std::min(img.width, f.firstColumn + f.columns) - std::max(0, f.firstColumn);
        if (count <= 0) return;
        if (columnBins == runs.bins)
          screenColumnLevels(column, runs, img.lowDb, img.highDb, dest);
        else
          screenColumnLevels(column, columnBins, spec.displayedBins, axis, img.lowDb, img.highDb, dest);
        for (int c = 1; c < count; ++c)
          std::copy(dest, dest + img.rows, dest + static_cast<std::ptrdiff_t>(c) * img.rows);
      };
      const auto shownOf = [&](const std::vector<float>& column) {
        return std::min<int>(bins, static_cast<int>(column.size()));
      };
      const auto centreOf = [&](int i) { return frames[static_cast<std::size_t>(i)].centre; };
      const int count = static_cast<int>(frames.size());
      if (!cache && !relative) {
        if (!spectroColumns(
                spec, x, count, centreOf,
                [&](int i, const std::vector<float>& column) { level(i, column.data(), shownOf(column)); }, &works))
          return false;
      } else {
        // Every column first (from the cache or computed into its place),
        // then the range, then the levels.
        std::vector<std::vector<float>> own(cache ? 0 : frames.size());
        std::vector<const std::vector<float>*> held(frames.size());
        std::vector<int> missing;
        std::vector<std::vector<float>*> places;
        for (int i = 0; i < count; ++i) {
          const auto k = static_cast<std::size_t>(i);
          if (cache && (held[k] = cache->find(centreOf(i)))) continue;
          missing.push_back(i);
          places.push_back(cache ? &cache->add(centreOf(i)) : &own[k]);
        }
        const bool computed = spectroColumns(
            spec, x, static_cast<int>(missing.size()),
            [&](int j) { return centreOf(missing[static_cast<std::size_t>(j)]); },
            [&](int j, const std::vector<float>& column) {
              const auto k = static_cast<std::size_t>(j);
              *places[k] = column;
              held[static_cast<std::size_t>(missing[k])] = places[k];
            },
            &works);
        if (!computed) {
          if (cache) cache->clear();
          return false;
        }
        if (relative)
          for (const auto* column : held)
            if (column) notice(column->data(), shownOf(*column));
        settleRange();
        const int blocks = std::clamp(count / 64, 1, std::max(1, workerThreads()) * 4);
        parallelFor(blocks, [&](int b) {
          for (int i = count * b / blocks; i < count * (b + 1) / blocks; ++i)
            if (const auto* column = held[static_cast<std::size_t>(i)]) level(i, column->data(), shownOf(*column));
          return true;
        });
        if (cache) cache->trim(3 * frames.size() + 64);
      }
    }
    out = std::move(img);
  } catch (const std::bad_alloc&) {
    if (cache) cache->clear();
    debugMessage("renderSpectrogramPane(): out of memory");
    return false;
  }
  return true;
}

}  // namespace

bool renderSpectrogramPane(const CurrentSpectro& spec, const SampleSpan& x, const PaneMapping& pane,
                           int firstPixel, int lastPixel, const PlaneAxis& axis, PaneImage& out) {
  return renderPane(spec, x, pane, firstPixel, lastPixel, axis, out, nullptr);
}

bool renderSpectrogramPane(const CurrentSpectro& spec, const SampleSpan& x, const PaneMapping& pane,
                           int firstPixel, int lastPixel, const PlaneAxis& axis, PaneImage& out,
                           PaneColumnCache& cache) {
  return renderPane(spec, x, pane, firstPixel, lastPixel, axis, out, &cache);
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
      std::vector<SpectroWork> works(1);
      if (!prepareSpectroWork(spec, works[0])) return false;
      // Groups of frames computed together; before each, the keyboard is
      // looked at once for every kStopPollFrames frames of the group, as
      // often as frame by frame. Frames past the loaded samples stay white
      // rather than read outside.
      const int group = kStopPollFrames * 4 * std::max(1, workerThreads());
      for (int g = 0; g < width; g += group) {
        const int count = std::min(group, width - g);
        for (int i = g; i < g + count; ++i) {
          if (i % kStopPollFrames == kStopPollFrames - 1 && escapePressed()) {
            reportStopped();
            return false;
          }
        }
        if (!spectroImageColumns(
                spec, x, count, [&](int i) { return frames.centres[static_cast<std::size_t>(g + i)]; }, bins,
                height, [&](int i) { return img.row(g + i); }, &works))
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
