// Reassigned spectrogram. Symbols: L window, N FFT size, H hop, P bin energy.
#include "spectral/reassigned.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <string>

#include "platform/report.h"
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

bool fft_zoom_columns(const SampleSpan& x, double firstCentre, double hop, int frames, const ReassignedBand& band,
                      int window, int n, ReassignedImage& image, const std::function<bool()>& stop) {
  if (!isPowerOfTwoIn(n, 4, kMaxFftSize) || window < 1 || window > n || frames < 1 || !(hop > 0.0) ||
      !std::isfinite(firstCentre) || band.columnFrom < 0 || band.columnTo <= band.columnFrom ||
      band.columnTo > frames) {
    debugMessage("fft_zoom_no(): bad settings (window " + std::to_string(window) + ", N " + std::to_string(n) +
                 ", frames " + std::to_string(frames) + ")");
    return false;
  }
  const int rows = n / 2;
  const int half = window / 2;
  const int columns = band.columnTo - band.columnFrom;
  ReassignedImage out;
  try {
    out.frames = columns;
    out.rows = rows;
    out.db.assign(static_cast<std::size_t>(columns) * rows, 0.0f);
    std::vector<float> h(window), dh(window), th(window), d(window);
    std::vector<float> bh(n + 2), bdh(n + 2), bth(n + 2);
    initham(h.data(), window);
    initHamDeriv(dh.data(), window);
    initHamTime(th.data(), window);
    const double rowScale = n * 0.15915494309189535;
    for (int i = std::max(band.frameFrom, 0); i < std::min(band.frameTo, frames); ++i) {
      if (stop && i % kStopPollFrames == kStopPollFrames - 1 && stop()) return false;
      // The frames of the band's own columns are counted; the others only feed it.
      const bool own = i >= band.columnFrom && i < band.columnTo;
      const double c = firstCentre + i * hop;
      if (roundHalfAway(c - half + 1) < 0) continue;
      const std::int64_t s = roundHalfAway(c - half + 1 - static_cast<double>(x.first)) + x.first;
      if (!x.holds(s, window + 1)) continue;
      const std::int16_t* p = x.data + (s - x.first);
      for (int j = 0; j < window; ++j) d[j] = static_cast<float>(p[j + 1] - p[j]);
      std::fill(bh.begin(), bh.end(), 0.0f);
      std::fill(bdh.begin(), bdh.end(), 0.0f);
      std::fill(bth.begin(), bth.end(), 0.0f);
      // Written from position L/2 on, wrapping around the buffer end.
      for (int j = 0; j < window; ++j) {
        const int pos = (half + j) % n;
        bh[pos] = d[j] * h[j];
        bdh[pos] = d[j] * dh[j];
        bth[pos] = d[j] * th[j];
      }
      realFftInterleaved(bh.data(), n);
      realFftInterleaved(bdh.data(), n);
      realFftInterleaved(bth.data(), n);
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
        if (own) out.totalEnergy += pw;
        // A time correction beyond the window (a near-zero Xh) points nowhere
        // the frame saw: that energy is lost like energy moved off the image.
        if (std::abs(tau) <= half + 1 && colPos > -1.0 && colPos < frames && rowPos > -1.0 && rowPos < rows) {
          const int col = static_cast<int>(colPos), row = static_cast<int>(rowPos);
          if (col >= band.columnFrom && col < band.columnTo)
            out.db[static_cast<std::size_t>(col - band.columnFrom) * rows + row] += static_cast<float>(pw);
        } else if (own) {
          out.lostEnergy += pw;
          ++out.lostPoints;
        }
      }
    }
    for (float& v : out.db) v = static_cast<float>(10.0 * std::log10(static_cast<double>(v) + 1e-10));
  } catch (const std::bad_alloc&) {
    debugMessage("fft_zoom_no(): out of memory");
    return false;
  }
  image = std::move(out);
  return true;
}

}  // namespace ardv
