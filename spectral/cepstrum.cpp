// Lifter and cepstral smoothing. The log spectrum of a real frame is real and
// even, so its inverse transform is its Hartley transform; the forward
// transforms of real sequences use the half-complex real FFT.
#include "spectral/cepstrum.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "platform/report.h"
#include "spectral/envelope_frame.h"
#include "spectral/fft.h"

namespace ardv {
namespace {

bool supportedSize(int n) { return isPowerOfTwoIn(n, 256, 2048); }

// Tables and buffers kept across calls, one set per thread.
struct CepstrumWork {
  HammingCache hamming;
  int lifterLow = -1, lifterHigh = -1;
  std::vector<float> lifter;
  std::vector<double> spectrum;  // Nc points
  std::vector<double> smooth;    // N points
};

CepstrumWork& work() {
  thread_local CepstrumWork w;
  return w;
}

}  // namespace

void liftre(int l1, int l2, std::span<float> w) {
  const int lo = std::max(0, l1);
  const int hi = std::max(lo, l2);
  const int n = static_cast<int>(w.size());
  for (int m = 0; m < n; ++m) {
    if (m < lo)
      w[m] = 1.0f;
    else if (m < hi)
      w[m] = static_cast<float>(0.5 * (1.0 + std::cos(std::numbers::pi * (m - lo + 1) / (hi - lo))));
    else
      w[m] = 0.0f;
  }
}

bool cepstre(std::span<float> columns, std::span<const std::int16_t> samples, std::int64_t first, int frames,
             int step, int direction, const CepstrumSettings& settings) {
  const int nc = settings.cepstralFftSize;
  const int n = settings.spectrumSize;
  const int l = settings.frameLength;
  if (!supportedSize(nc) || !supportedSize(n)) {
    debugMessage("cepstre() : taille fenetre fft non prévue");
    return false;
  }
  const int half = n / 2;
  if (l < 1 || l > nc || frames < 0 || (direction != 1 && direction != -1) ||
      columns.size() / static_cast<std::size_t>(half) < static_cast<std::size_t>(frames)) {
    debugMessage("cepstre() : bad frame length, frame count or direction (frame " + std::to_string(l) + ", " +
                 std::to_string(frames) + " frames)");
    return false;
  }
  const std::int64_t hop = static_cast<std::int64_t>(step) * direction;
  for (int i = 0; i < frames; i += std::max(1, frames - 1)) {
    if (!frameInside(samples, first + i * hop, l, settings.preemphasis, "cepstre()")) return false;
  }
  CepstrumWork& w = work();
  const float* window = w.hamming.table(l);
  if (!window) return false;
  if (w.lifterLow != settings.lifterLow || w.lifterHigh != settings.lifterHigh ||
      w.lifter.size() != static_cast<std::size_t>(n)) {
    w.lifter.resize(static_cast<std::size_t>(n));
    liftre(settings.lifterLow, settings.lifterHigh, w.lifter);
    w.lifterLow = settings.lifterLow;
    w.lifterHigh = settings.lifterHigh;
  }
  w.spectrum.resize(static_cast<std::size_t>(nc));
  w.smooth.resize(static_cast<std::size_t>(n));
  double* x = w.spectrum.data();
  const int quefrencies = std::min(n, nc);
  const double invNc = 1.0 / nc;

  for (int i = 0; i < frames; ++i) {
    envelopeFrame(samples, first + i * hop, l, settings.preemphasis, window, x);
    std::fill(x + l, x + nc, 0.0);
    fftRealForward(nc, x);
    // Log power spectrum, made even: x[k] and x[nc − k] hold the same level.
    auto level = [](double p) { return 10.0 * std::log10(p == 0.0 ? 1e-6 : p); };
    x[0] = level(x[0] * x[0]);
    x[nc / 2] = level(x[nc / 2] * x[nc / 2]);
    for (int k = 1; k < nc / 2; ++k) {
      const double v = level(x[k] * x[k] + x[nc - k] * x[nc - k]);
      x[k] = v;
      x[nc - k] = v;
    }
    hartleyTransform(x, nc);  // the real cepstrum, times nc

    float* out = columns.data() + static_cast<std::size_t>(i) * half;
    if (settings.cepstrumOnly) {
      for (int k = 0; k < half; ++k) out[k] = k < nc ? static_cast<float>(x[k] * invNc) : 0.0f;
      continue;
    }
    double* y = w.smooth.data();
    y[0] = x[0] * invNc;
    for (int m = 1; m < quefrencies; ++m) y[m] = 2.0 * x[m] * invNc * w.lifter[m];
    std::fill(y + quefrencies, y + n, 0.0);
    fftRealForward(n, y);
    for (int k = 0; k < half; ++k) out[k] = static_cast<float>(y[k]);
  }
  return true;
}

}  // namespace ardv
