// True envelope by iterated cepstral smoothing. Every sequence smoothed here
// is the log of a power spectrum or derived from one, hence real and even:
// only bins 0..Nc/2 are kept, and the inverse transform is a Hartley transform.
#include "spectral/true_envelope.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/report.h"
#include "spectral/cepstrum.h"
#include "spectral/envelope_frame.h"
#include "spectral/fft.h"

namespace ardv {
namespace {

constexpr int kLifterSize = 4096;

struct TrueEnvelopeWork {
  HammingCache hamming;
  int lifterLow = -1, lifterHigh = -1;
  std::vector<float> lifter = std::vector<float>(kLifterSize);
  std::vector<double> buffer;             // Nc points
  std::vector<double> a, v, r, g;         // bins 0..Nc/2
};

TrueEnvelopeWork& work() {
  static TrueEnvelopeWork w;
  return w;
}

// out = S(in) on bins 0..nc/2 (buf holds nc points).
void smooth(const std::vector<double>& in, std::vector<double>& out, int nc, const std::vector<float>& lifter,
            double* buf) {
  const int half = nc / 2;
  for (int k = 0; k <= half; ++k) buf[k] = in[k];
  for (int k = 1; k < half; ++k) buf[nc - k] = in[k];
  hartleyTransform(buf, nc);
  const double scale = 1.0 / nc;
  buf[0] *= scale * lifter[0];
  for (int m = 1; m < nc; ++m) buf[m] *= 2.0 * scale * lifter[m];
  fftRealForward(nc, buf);
  for (int k = 0; k <= half; ++k) out[k] = buf[k];
}

}  // namespace

bool trueEnvelope(std::span<float> column, std::span<const std::int16_t> samples, std::int64_t first,
                  const TrueEnvelopeSettings& settings) {
  const int nc = settings.fftSize;
  const int l = settings.frameLength;
  if (!isPowerOfTwoIn(nc, 256, kMaxFftSize) || l < 1 || l > nc || settings.iterations < 0 ||
      !std::isfinite(settings.factor) || column.size() < static_cast<std::size_t>(nc / 2)) {
    debugMessage("trueEnvelope() : bad settings (Nc " + std::to_string(nc) + ", frame " + std::to_string(l) + ")");
    return false;
  }
  if (!frameInside(samples, first, l, settings.preemphasis, "trueEnvelope()")) return false;
  TrueEnvelopeWork& w = work();
  const float* window = w.hamming.table(l);
  if (!window) return false;
  if (w.lifterLow != settings.lifterLow || w.lifterHigh != settings.lifterHigh) {
    liftre(settings.lifterLow, settings.lifterHigh, w.lifter);
    w.lifterLow = settings.lifterLow;
    w.lifterHigh = settings.lifterHigh;
  }
  const int half = nc / 2;
  w.buffer.resize(static_cast<std::size_t>(nc));
  for (auto* v : {&w.a, &w.v, &w.r, &w.g}) v->resize(static_cast<std::size_t>(half) + 1);
  double* x = w.buffer.data();
  envelopeFrame(samples, first, l, settings.preemphasis, window, x);
  std::fill(x + l, x + nc, 0.0);
  fftRealForward(nc, x);
  auto level = [](double p) { return 10.0 * std::log10(std::max(p, 1e-10)); };
  w.a[0] = level(x[0] * x[0]);
  w.a[half] = level(x[half] * x[half]);
  for (int k = 1; k < half; ++k) w.a[k] = level(x[k] * x[k] + x[nc - k] * x[nc - k]);

  // The smoothing of the residual after the last pass would not reach V: it
  // is skipped.
  smooth(w.a, w.v, nc, w.lifter, x);
  if (settings.iterations > 0) {
    for (int k = 0; k <= half; ++k) w.r[k] = std::max(w.a[k] - w.v[k], 0.0);
    smooth(w.r, w.g, nc, w.lifter, x);
  }
  const double gain = settings.factor + 1.0;
  for (int it = 0; it < settings.iterations; ++it) {
    for (int k = 0; k <= half; ++k) {
      w.v[k] += w.g[k];
      w.r[k] = std::max(w.r[k] - gain * w.g[k], 0.0);
    }
    if (it + 1 < settings.iterations) smooth(w.r, w.g, nc, w.lifter, x);
  }
  for (int k = 0; k < half; ++k) column[k] = static_cast<float>(w.v[k]);
  return true;
}

}  // namespace ardv
