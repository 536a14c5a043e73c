// True envelope by iterated cepstral smoothing. Every sequence smoothed here
// is the log of a power spectrum or derived from one, hence real and even:
// only bins 0..Nc/2 are kept, and both transforms of the smoothing are cosine
// transforms of Nc/2 + 1 points, each done with a real FFT of Nc/2 points.
#include "spectral/true_envelope.h"

#include <algorithm>
#include <cmath>
#include <numbers>
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
  int trigSize = 0;
  std::vector<double> sinTable, cosTable;  // sin, cos of π·j/(Nc/2)
  std::vector<double> buffer;              // Nc points
  std::vector<double> a, v, r, g, c;       // bins 0..Nc/2
};

TrueEnvelopeWork& work() {
  thread_local TrueEnvelopeWork w;
  return w;
}

// out[k] = x[0] + (−1)^k·x[n] + 2·Σ x[j]·cos(π·j·k/n) (j = 1..n−1), k = 0..n:
// the DFT of the even sequence of 2n points whose first half is x. The even
// outputs come from the real FFT of y[j] = (x[j] + x[n−j])/2 − sin(πj/n)·(x[j] − x[n−j]),
// the odd ones from its imaginary parts by S[2k+1] = S[2k−1] − 2·Im Y(k).
void cosineTransform(const double* x, int n, const TrueEnvelopeWork& w, double* y, double* out) {
  y[0] = 0.5 * (x[0] + x[n]);
  double odd = x[0] - x[n];
  for (int j = 1; j < n; ++j) {
    y[j] = 0.5 * (x[j] + x[n - j]) - w.sinTable[j] * (x[j] - x[n - j]);
    odd += 2.0 * x[j] * w.cosTable[j];
  }
  fftRealForward(n, y);
  out[0] = 2.0 * y[0];
  out[n] = 2.0 * y[n / 2];
  out[1] = odd;
  for (int k = 1; k < n / 2; ++k) {
    out[2 * k] = 2.0 * y[k];
    out[2 * k + 1] = out[2 * k - 1] + 2.0 * y[n - k];  // Im Y(k) = −y[n − k]
  }
}

// out = S(in) on bins 0..nc/2. With the lifter zero above nc/2 only the
// cepstrum's first half is needed, and two cosine transforms do the work;
// otherwise the full transforms run.
void smooth(const std::vector<double>& in, std::vector<double>& out, int nc, TrueEnvelopeWork& w, bool halfLifter) {
  const int half = nc / 2;
  const double scale = 1.0 / nc;
  double* buf = w.buffer.data();
  if (halfLifter) {
    double* c = w.c.data();
    cosineTransform(in.data(), half, w, buf, c);
    c[0] *= scale * w.lifter[0];
    for (int m = 1; m < half; ++m) c[m] *= scale * w.lifter[m];  // 2·c[m]·w[m], halved for the even form
    c[half] *= 2.0 * scale * w.lifter[half];
    cosineTransform(c, half, w, buf, out.data());
    return;
  }
  for (int k = 0; k <= half; ++k) buf[k] = in[k];
  for (int k = 1; k < half; ++k) buf[nc - k] = in[k];
  hartleyTransform(buf, nc);
  buf[0] *= scale * w.lifter[0];
  for (int m = 1; m < nc; ++m) buf[m] *= 2.0 * scale * w.lifter[m];
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
  for (auto* v : {&w.a, &w.v, &w.r, &w.g, &w.c}) v->resize(static_cast<std::size_t>(half) + 1);
  if (w.trigSize != half) {
    w.sinTable.resize(static_cast<std::size_t>(half));
    w.cosTable.resize(static_cast<std::size_t>(half));
    for (int j = 0; j < half; ++j) {
      w.sinTable[j] = std::sin(std::numbers::pi * j / half);
      w.cosTable[j] = std::cos(std::numbers::pi * j / half);
    }
    w.trigSize = half;
  }
  const bool halfLifter = std::max(std::max(0, settings.lifterLow), settings.lifterHigh) <= half + 1;
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
  smooth(w.a, w.v, nc, w, halfLifter);
  if (settings.iterations > 0) {
    for (int k = 0; k <= half; ++k) w.r[k] = std::max(w.a[k] - w.v[k], 0.0);
    smooth(w.r, w.g, nc, w, halfLifter);
  }
  const double gain = settings.factor + 1.0;
  for (int it = 0; it < settings.iterations; ++it) {
    for (int k = 0; k <= half; ++k) {
      w.v[k] += w.g[k];
      w.r[k] = std::max(w.r[k] - gain * w.g[k], 0.0);
    }
    if (it + 1 < settings.iterations) smooth(w.r, w.g, nc, w, halfLifter);
  }
  for (int k = 0; k < half; ++k) column[k] = static_cast<float>(w.v[k]);
  return true;
}

}  // namespace ardv
