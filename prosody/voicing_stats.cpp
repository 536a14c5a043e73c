// Histograms, median F0 and the energy tracks of the F0 detector.
#include "prosody/voicing_stats.h"

#include <algorithm>
#include <cmath>

#include "platform/report.h"

namespace ardv {

void Histogram::add(double v) {
  int b = v < 1 ? 0 : (v > 100 ? 100 : static_cast<int>(v));
  ++bins[static_cast<std::size_t>(b)];
  ++count;
}

int Histogram::quantile(double frac) const {
  const auto target = nearestInt((count - bins[0]) * frac);
  int j = 100;
  std::int64_t s = 0;
  while (s < target && j > 0) {
    s += bins[static_cast<std::size_t>(j)];
    --j;
  }
  return j;
}

int media_(const std::vector<int>& values, int lo, int hi) {
  if (lo >= hi) {
    debugMessage("media_.(): erreur valeurs extremes\n");
    return lo - 1;
  }
  std::vector<int> bins(static_cast<std::size_t>((hi - lo) / 2 + 1), 0);
  int counted = 0;
  for (int v : values)
    if (v >= lo && v <= hi) {
      ++bins[static_cast<std::size_t>((v - lo) / 2)];
      ++counted;
    }
  if (counted < 2) return lo - 1;
  int sum = 0;
  std::size_t j = 0;
  while (sum < counted / 2 && j < bins.size()) sum += bins[j++];
  return static_cast<int>((static_cast<double>(j) - 0.5) * 2 + lo);
}

bool computeBandEnergy(PitchRun& run) {
  const PitchGeometry& g = run.geo;
  const int cbas = bandChannel(0, g.fs);
  const int chaut = std::min(bandChannel(run.params.harmBandHz, g.fs), 128);
  run.ener.assign(static_cast<std::size_t>(g.bandColumns), 0.0f);
  if (g.bandColumns == 0) return true;
  if (!run.fft.init(256, 256)) return false;
  std::vector<float> col(129);
  run.trace.line("ener() cbas=%d chaut=%d\n", cbas, chaut);
  run.trace.line("... res.size()=%ld\n", static_cast<long>(g.bandColumns));
  for (int k = 0; k < g.bandColumns; ++k) {
    // Only the bins summed below (a logarithm per bin).
    if (!run.fft.compute(run.span, static_cast<std::int64_t>(k) * 128, col.data(), false, true, chaut + 1))
      return false;
    double s = 0;
    for (int c = cbas; c <= chaut; ++c) s += std::max(col[static_cast<std::size_t>(c)] - 58.0f, 0.0f);
    run.ener[static_cast<std::size_t>(k)] = static_cast<float>(s / (chaut - cbas + 1));
    run.trace.line("ener() res[%d]=%.3g\n", k, run.ener[static_cast<std::size_t>(k)]);
  }
  return true;
}

bool enerVoisBrut(PitchRun& run) {
  const PitchGeometry& g = run.geo;
  const int Lb = std::min(static_cast<int>(0.001 * g.fs * 4), 256);
  const int Hb = std::max<int>(static_cast<int>(nearestInt(2 * 0.001 * g.fs)), 1);
  run.brutHop = Hb;
  run.brut.clear();
  const std::int64_t count = g.len + 1 - Lb >= 0 ? (g.len + 1 - Lb) / Hb + 1 : 0;
  if (count == 0) return true;
  if (!run.fft.init(Lb, 256)) return false;
  const int top = std::min(bandChannel(500, g.fs), 128);
  std::vector<float> col(129);
  run.brut.resize(static_cast<std::size_t>(count));
  for (std::int64_t k = 0; k < count; ++k) {
    // The last column may need one sample past the end; it then stays 0.
    if (!run.span.holds(k * Hb, Lb)) break;
    if (!run.fft.compute(run.span, k * Hb, col.data(), false, true, top + 1)) return false;  // bins summed below
    double s = 0;
    for (int c = 0; c <= top; ++c) s += std::max(col[static_cast<std::size_t>(c)] - 60.0f, 0.0f);
    run.brut[static_cast<std::size_t>(k)] = static_cast<float>(s / (top + 1));
    run.trace.line("enerVoisBrut() res[%d]=%.3g\n", static_cast<int>(k), run.brut[static_cast<std::size_t>(k)]);
  }
  return true;
}

void enerVois(PitchRun& run) {
  const PitchGeometry& g = run.geo;
  run.enerVois.assign(static_cast<std::size_t>(g.frames), 0.0f);
  if (run.brut.empty() || run.thr.F0med <= 0) return;
  const int T = static_cast<int>(g.fs / run.thr.F0med);
  const int half = std::max(T, g.S) / 2;
  const std::int64_t last = static_cast<std::int64_t>(run.brut.size()) - 1;
  for (int i = 0; i < g.frames; ++i) {
    const std::int64_t ci = g.L / 2 + static_cast<std::int64_t>(i) * g.S;
    const std::int64_t i0 = std::clamp<std::int64_t>((ci - half) / run.brutHop, 0, last);
    const std::int64_t i1 = std::min((ci + half) / run.brutHop, last);
    double s = 0;
    for (std::int64_t k = i0; k <= i1; ++k) s += run.brut[static_cast<std::size_t>(k)];
    run.enerVois[static_cast<std::size_t>(i)] = static_cast<float>(s / (std::max<std::int64_t>(i1 - i0, 0) + 1));
    run.trace.line("enerVois() res[%ld]=%.3g i1-i0=%d\n", static_cast<long>(i), run.enerVois[static_cast<std::size_t>(i)],
                   static_cast<int>(i1 - i0));
  }
}

}  // namespace ardv
