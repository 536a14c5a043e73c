// LPC spectrum of one frame and its roots.
#include "spectral/lpc_spectrum.h"

#include <cmath>
#include <string>

#include "platform/report.h"
#include "spectral/envelope_frame.h"
#include "spectral/fft.h"
#include "spectral/lpc.h"
#include "spectral/roots.h"
#include "spectral/spectrogram_params.h"

namespace ardv {
namespace {

// Work buffers kept across columns, one set per thread.
struct LpcWork {
  HammingCache hamming;
  std::vector<double> frame;
  std::vector<double> poly;
};

LpcWork& work() {
  thread_local LpcWork w;
  return w;
}

}  // namespace

bool lpcSpectrum(std::span<const std::int16_t> samples, std::int64_t first, const LpcSpectrumSettings& settings,
                 std::span<float> column, std::vector<LpcRoot>* roots) {
  const int n = settings.fftSize;
  const int l = settings.frameLength;
  const int p = settings.order;
  if (!isPowerOfTwoIn(n, 4, kMaxFftSize) || p < 1 || p > kMaxLpcOrder || p >= n || p >= l || l > kMaxLpcFrame ||
      !(settings.gamma > 0.0) || !(settings.samplingHz > 0.0) || column.size() < static_cast<std::size_t>(n / 2)) {
    debugMessage("lpcSpectrum() : bad settings (N " + std::to_string(n) + ", order " + std::to_string(p) +
                 ", frame " + std::to_string(l) + ")");
    return false;
  }
  if (!frameInside(samples, first, l, settings.preemphasis, "lpcSpectrum()")) return false;
  LpcWork& w = work();
  const float* window = w.hamming.table(l);
  if (!window) return false;
  w.frame.resize(static_cast<std::size_t>(l));
  envelopeFrame(samples, first, l, settings.preemphasis, window, w.frame.data());
  LpcAnalysis lpc;
  if (!lpcAutocorrelation(std::span<const double>(w.frame), p, lpc)) return false;

  // Polynomial 1, −a[j]·γ^(−j) on N points.
  w.poly.assign(static_cast<std::size_t>(n), 0.0);
  w.poly[0] = 1.0;
  double scale = 1.0;
  for (int j = 1; j <= p; ++j) {
    scale /= settings.gamma;
    w.poly[j] = -lpc.a[j] * scale;
  }
  std::vector<Resonance> resonances;
  if (roots && fband(p, w.poly, settings.samplingHz, 1000.0, 0.0, settings.samplingHz / 2.0, resonances) < 0)
    return false;

  fftRealForward(n, w.poly.data());
  double e = lpc.error;
  if (!(e > 0.0)) e = 1e-7;
  const double logE = std::log10(e);
  const double* x = w.poly.data();
  column[0] = static_cast<float>(10.0 * (logE - std::log10(x[0] * x[0] + 1e-10)));
  for (int k = 1; k < n / 2; ++k)
    column[k] = static_cast<float>(10.0 * (logE - std::log10(x[k] * x[k] + x[n - k] * x[n - k] + 1e-10)));

  if (roots) {
    roots->clear();
    for (const Resonance& r : resonances) {
      LpcRoot root;
      root.frequencyHz = r.frequencyHz;
      root.bandwidthHz = r.bandwidthHz;
      root.bin = static_cast<int>(std::lround(r.frequencyHz * n / settings.samplingHz));
      root.level = column[std::min(root.bin, n / 2 - 1)];
      roots->push_back(root);
    }
  }
  return true;
}

}  // namespace ardv
