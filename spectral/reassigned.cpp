// Reassigned spectrogram. Symbols: L window, N FFT size, H hop, P bin energy.
#include "spectral/reassigned.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <string>

#include "platform/report.h"
#include "platform/thread_pool.h"
#include "spectral/fft.h"
#include "spectral/window.h"

namespace ardv {
namespace {

std::int64_t roundHalfAway(double v) { return static_cast<std::int64_t>(std::llround(v)); }

}  // namespace

bool fft_zoom_no(const SampleSpan& x, double firstCentre, double hop, int frames, int window, int n,
                 ReassignedImage& image, const std::function<bool()>& stop) {
  return fft_zoom_columns(x, firstCentre, hop, frames, ReassignedBand{0, frames, 0, frames}, window, n, image, stop);
}

namespace {

bool badSettings(int frames, double hop, double firstCentre, const ReassignedBand& band, int window, int n) {
  if (!isPowerOfTwoIn(n, 4, kMaxFftSize) || window < 1 || window > n || frames < 1 || !(hop > 0.0) ||
      !std::isfinite(firstCentre) || band.columnFrom < 0 || band.columnTo <= band.columnFrom ||
      band.columnTo > frames) {
    debugMessage("fft_zoom_no(): bad settings (window " + std::to_string(window) + ", N " + std::to_string(n) +
                 ", frames " + std::to_string(frames) + ")");
    return true;
  }
  return false;
}

// Where the energy of one bin of a frame goes.
constexpr std::int32_t kOffImage = -1;  // lost
constexpr std::int32_t kOtherBand = -2;

// The bins of one frame with energy: their energy and destination cell.
struct FrameBins {
  bool held = false;
  int count = 0;
  std::vector<double> energy;
  std::vector<std::int32_t> cell;
};

// Windows and buffers of one thread.
struct FrameWork {
  std::vector<float> d, bh, bdh, bth;
};

struct Windows {
  std::vector<float> h, dh, th;
};

// The reassigned bins of frame i (no accumulation).
void analyseFrame(const SampleSpan& x, double firstCentre, double hop, int frames, const ReassignedBand& band,
                  int window, int n, const Windows& w, int i, FrameWork& work, FrameBins& out) {
  const int rows = n / 2;
  const int half = window / 2;
  out.held = false;
  out.count = 0;
  const double c = firstCentre + i * hop;
  if (roundHalfAway(c - half + 1) < 0) return;
  const std::int64_t s = roundHalfAway(c - half + 1 - static_cast<double>(x.first)) + x.first;
  if (!x.holds(s, window + 1)) return;
  out.held = true;
  const std::int16_t* p = x.data + (s - x.first);
  for (int j = 0; j < window; ++j) work.d[j] = static_cast<float>(p[j + 1] - p[j]);
  std::fill(work.bh.begin(), work.bh.end(), 0.0f);
  std::fill(work.bdh.begin(), work.bdh.end(), 0.0f);
  std::fill(work.bth.begin(), work.bth.end(), 0.0f);
  // Written from position L/2 on, wrapping around the buffer end.
  for (int j = 0; j < window; ++j) {
    const int pos = half + j < n ? half + j : half + j - n;  // half + j < 2n
    work.bh[pos] = work.d[j] * w.h[j];
    work.bdh[pos] = work.d[j] * w.dh[j];
    work.bth[pos] = work.d[j] * w.th[j];
  }
  realFftInterleaved(work.bh.data(), n);
  realFftInterleaved(work.bdh.data(), n);
  realFftInterleaved(work.bth.data(), n);
  const double rowScale = n * 0.15915494309189535;
  const float* bh = work.bh.data();
  const float* bdh = work.bdh.data();
  const float* bth = work.bth.data();
  for (int k = 0; k < rows; ++k) {
    const double hr = bh[2 * k], hi = bh[2 * k + 1];
    const double pw = hr * hr + hi * hi;
    if (!(pw > 1e-10)) continue;
    const double tr = bth[2 * k], ti = bth[2 * k + 1];
    const double dr = bdh[2 * k], di = bdh[2 * k + 1];
    // Xth conj(Xh) and Xdh conj(Xh).
    const double tau = -(tr * hr + ti * hi) / pw;
    const double phi = (di * hr - dr * hi) / pw;
    const double colPos = i - (half + tau) / hop;
    const double rowPos = k - phi * rowScale;
    std::int32_t cell = kOffImage;
    // A time correction beyond the window (a near-zero Xh) points nowhere
    // the frame saw: that energy is lost like energy moved off the image.
    if (std::abs(tau) <= half + 1 && colPos > -1.0 && colPos < frames && rowPos > -1.0 && rowPos < rows) {
      const int col = static_cast<int>(colPos), row = static_cast<int>(rowPos);
      cell = col >= band.columnFrom && col < band.columnTo ? (col - band.columnFrom) * rows + row : kOtherBand;
    }
    out.energy[static_cast<std::size_t>(out.count)] = pw;
    out.cell[static_cast<std::size_t>(out.count)] = cell;
    ++out.count;
  }
}

// Frames analysed together before their energies are added (bounded memory:
// about 1.5 MB of bins).
int blockFrames(int rows, int threads) { return std::max(1, std::min(16 * threads, (1 << 17) / rows)); }

}  // namespace

bool startReassigned(const ReassignedBand& band, int frames, int n, ReassignedImage& energy) {
  if (badSettings(frames, 1.0, 0.0, band, 1, n)) return false;
  try {
    ReassignedImage out;
    out.frames = band.columnTo - band.columnFrom;
    out.rows = n / 2;
    out.db.assign(static_cast<std::size_t>(out.frames) * out.rows, 0.0f);
    energy = std::move(out);
  } catch (const std::bad_alloc&) {
    debugMessage("fft_zoom_no(): out of memory");
    return false;
  }
  return true;
}

bool fft_zoom_add(const SampleSpan& x, double firstCentre, double hop, int frames, const ReassignedBand& band,
                  int window, int n, ReassignedImage& energy, const std::function<bool()>& stop) {
  if (badSettings(frames, hop, firstCentre, band, window, n)) return false;
  const int rows = n / 2;
  if (energy.rows != rows || energy.frames != band.columnTo - band.columnFrom) {
    debugMessage("fft_zoom_add(): the energies are not those of the band");
    return false;
  }
  // Only the frames `x` holds (a piece of a long stretch holds few of them).
  const auto held = [&](int i) {
    const double c = firstCentre + i * hop;
    const int half = window / 2;
    if (roundHalfAway(c - half + 1) < 0) return false;
    return x.holds(roundHalfAway(c - half + 1 - static_cast<double>(x.first)) + x.first, window + 1);
  };
  int from = std::max(band.frameFrom, 0), to = std::min(band.frameTo, frames);
  while (from < to && !held(from)) ++from;
  while (to > from && !held(to - 1)) --to;
  if (from >= to) {
    // No frame to add; the polls still happen as frame by frame.
    for (int i = std::max(band.frameFrom, 0); i < std::min(band.frameTo, frames); ++i)
      if (stop && i % kStopPollFrames == kStopPollFrames - 1 && stop()) return false;
    return true;
  }
  try {
    Windows w;
    w.h.resize(window);
    w.dh.resize(window);
    w.th.resize(window);
    initham(w.h.data(), window);
    initHamDeriv(w.dh.data(), window);
    initHamTime(w.th.data(), window);
    const int threads = workerThreads();
    const int block = blockFrames(rows, threads);
    std::vector<FrameBins> bins(static_cast<std::size_t>(block));
    for (FrameBins& b : bins) {
      b.energy.resize(static_cast<std::size_t>(rows));
      b.cell.resize(static_cast<std::size_t>(rows));
    }
    // Polls of the frames left out before and after.
    for (int i = std::max(band.frameFrom, 0); i < from; ++i)
      if (stop && i % kStopPollFrames == kStopPollFrames - 1 && stop()) return false;
    for (int b0 = from; b0 < to; b0 += block) {
      const int count = std::min(block, to - b0);
      const int tasks = std::min(count, threads);
      const bool ok = parallelFor(tasks, [&](int t) {
        try {
          FrameWork work{std::vector<float>(window), std::vector<float>(n + 2), std::vector<float>(n + 2),
                         std::vector<float>(n + 2)};
          for (int f = count * t / tasks; f < count * (t + 1) / tasks; ++f)
            analyseFrame(x, firstCentre, hop, frames, band, window, n, w, b0 + f, work,
                         bins[static_cast<std::size_t>(f)]);
        } catch (const std::bad_alloc&) {
          debugMessage("fft_zoom_no(): out of memory");
          return false;
        }
        return true;
      });
      if (!ok) return false;
      // In frame order, as one thread would.
      for (int f = 0; f < count; ++f) {
        const int i = b0 + f;
        if (stop && i % kStopPollFrames == kStopPollFrames - 1 && stop()) return false;
        const FrameBins& fb = bins[static_cast<std::size_t>(f)];
        if (!fb.held) continue;
        // The frames of the band's own columns are counted; the others only feed it.
        const bool own = i >= band.columnFrom && i < band.columnTo;
        for (int j = 0; j < fb.count; ++j) {
          const double pw = fb.energy[static_cast<std::size_t>(j)];
          const std::int32_t cell = fb.cell[static_cast<std::size_t>(j)];
          if (own) energy.totalEnergy += pw;
          if (cell >= 0) {
            energy.db[static_cast<std::size_t>(cell)] += static_cast<float>(pw);
          } else if (cell == kOffImage && own) {
            energy.lostEnergy += pw;
            ++energy.lostPoints;
          }
        }
      }
    }
  } catch (const std::bad_alloc&) {
    debugMessage("fft_zoom_no(): out of memory");
    return false;
  }
  for (int i = to; i < std::min(band.frameTo, frames); ++i)
    if (stop && i % kStopPollFrames == kStopPollFrames - 1 && stop()) return false;
  return true;
}

void reassignedToDb(ReassignedImage& energy) {
  // Each value on its own, so the cells may be shared out among the threads.
  const auto cells = static_cast<std::int64_t>(energy.db.size());
  const int parts = static_cast<int>(std::clamp<std::int64_t>(cells / 16384, 1, 4 * std::max(1, workerThreads())));
  parallelFor(parts, [&](int p) {
    for (std::int64_t c = cells * p / parts; c < cells * (p + 1) / parts; ++c) {
      float& v = energy.db[static_cast<std::size_t>(c)];
      v = static_cast<float>(10.0 * std::log10(static_cast<double>(v) + 1e-10));
    }
    return true;
  });
}

bool fft_zoom_columns(const SampleSpan& x, double firstCentre, double hop, int frames, const ReassignedBand& band,
                      int window, int n, ReassignedImage& image, const std::function<bool()>& stop) {
  if (badSettings(frames, hop, firstCentre, band, window, n)) return false;
  ReassignedImage out;
  if (!startReassigned(band, frames, n, out) || !fft_zoom_add(x, firstCentre, hop, frames, band, window, n, out, stop))
    return false;
  reassignedToDb(out);
  image = std::move(out);
  return true;
}

}  // namespace ardv
