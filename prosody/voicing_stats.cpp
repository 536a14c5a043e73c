// Histograms, median F0 and the energy tracks of the F0 detector.
#include "prosody/voicing_stats.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <string>

#include "platform/report.h"
#include "spectral/cpu_paths.h"
#include "spectral/window.h"

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
    if (!run.fft.compute(run.span, static_cast<std::int64_t>(k) * 128, col.data(), false, false, chaut + 1))
      return false;
    levelsDb(col.data(), chaut + 1, static_cast<float>(run.fft.levelOffsetDb()));
    double s = 0;
    for (int c = cbas; c <= chaut; ++c) s += std::max(col[static_cast<std::size_t>(c)] - 58.0f, 0.0f);
    run.ener[static_cast<std::size_t>(k)] = static_cast<float>(s / (chaut - cbas + 1));
    run.trace.line("ener() res[%d]=%.3g\n", k, run.ener[static_cast<std::size_t>(k)]);
  }
  return true;
}

namespace {

// The lowest bins of the 256-point transform of a short Hamming-windowed
// frame, summed directly: the frame fills a quarter of the transform and a
// few bins are read, where a whole transform cost as much as the F0 frame's
// own. Sums in double and bins rounded to float as the transform does: the
// powers agree with it to the last bit but for a rare rounding.
class LowBins {
 public:
  static constexpr int kMaxBins = 32;

  bool init(int window, int bins) {
    if (bins < 1 || bins > kMaxBins || window < 1 || window > 256) return false;
    window_ = window;
    bins_ = bins;
    // Per sample the cosines of bins 0..bins-1, then the sines of bins
    // 1..bins-1 (bin 0's is 0), padded to whole vectors of four.
    stride_ = (2 * bins - 1 + 3) / 4 * 4;
    hamming_.assign(static_cast<std::size_t>(window) + 1, 0.0f);
    if (!initham(hamming_.data(), window)) return false;
    table_.assign(static_cast<std::size_t>(window * stride_), 0.0);
    for (int n = 0; n < window; ++n)
      for (int k = 0; k < bins; ++k) {
        const double a = 2 * std::numbers::pi * ((k * n) % 256) / 256;
        table_[static_cast<std::size_t>(n * stride_ + k)] = std::cos(a);
        if (k > 0) table_[static_cast<std::size_t>(n * stride_ + bins - 1 + k)] = std::sin(a);
      }
    gainDb_ = static_cast<float>(20.0 * std::log10((256 / 2.0) / window));
    return true;
  }

  float gainDb() const { return gainDb_; }

  // Powers of bins 0..bins-1 of the frame at x[0..window-1], at least 1e-10.
  void powers(const std::int16_t* x, float* p) const {
#ifdef ARDV_X86_PATHS
    static const bool avx2 = cpuHasAvx2();
    if (avx2) return powersWide(x, p);
#endif
    powersBy(x, p);
  }

 private:
#ifdef ARDV_X86_PATHS
  // The same operations on wider vectors (no fused multiply-add).
  [[gnu::target("avx2")]] void powersWide(const std::int16_t* x, float* p) const { powersBy(x, p); }
#endif

  [[gnu::always_inline]] inline void powersBy(const std::int16_t* x, float* p) const {
    switch (stride_ / 4) {
      case 1: return powersOf<1>(x, p);
      case 2: return powersOf<2>(x, p);
      case 3: return powersOf<3>(x, p);
      case 4: return powersOf<4>(x, p);
      case 5: return powersOf<5>(x, p);
      case 6: return powersOf<6>(x, p);
      case 7: return powersOf<7>(x, p);
      case 8: return powersOf<8>(x, p);
      case 9: return powersOf<9>(x, p);
      case 10: return powersOf<10>(x, p);
      case 11: return powersOf<11>(x, p);
      case 12: return powersOf<12>(x, p);
      case 13: return powersOf<13>(x, p);
      case 14: return powersOf<14>(x, p);
      case 15: return powersOf<15>(x, p);
      default: return powersOf<16>(x, p);
    }
  }

  using Doubles4 = double __attribute__((vector_size(32)));

  // V vectors of four sums each (the real parts, then the imaginary ones),
  // held in registers over the frame.
  template <int V>
  [[gnu::always_inline]] inline void powersOf(const std::int16_t* x, float* p) const {
    Doubles4 sum[V] = {};
    const double* t = table_.data();
    for (int n = 0; n < window_; ++n, t += stride_) {
      const double v = static_cast<float>(x[n]) * hamming_[static_cast<std::size_t>(n)];
      for (int j = 0; j < V; ++j) {
        Doubles4 tj;
        std::memcpy(&tj, t + 4 * j, sizeof tj);
        sum[j] += v * tj;
      }
    }
    double lanes[4 * V];
    std::memcpy(lanes, sum, sizeof lanes);
    for (int k = 0; k < bins_; ++k) {
      const auto r = static_cast<float>(lanes[k]), i = k > 0 ? static_cast<float>(lanes[bins_ - 1 + k]) : 0.0f;
      p[k] = std::max(r * r + i * i, 1e-10f);
    }
  }

  int window_ = 0, bins_ = 0, stride_ = 0;
  float gainDb_ = 0;
  std::vector<float> hamming_;
  std::vector<double> table_;
};

}  // namespace

bool enerVoisBrut(PitchRun& run) {
  const PitchGeometry& g = run.geo;
  const int Lb = std::min(static_cast<int>(0.001 * g.fs * 4), 256);
  const int Hb = std::max<int>(static_cast<int>(nearestInt(2 * 0.001 * g.fs)), 1);
  run.brutHop = Hb;
  run.brut.clear();
  const std::int64_t count = g.len + 1 - Lb >= 0 ? (g.len + 1 - Lb) / Hb + 1 : 0;
  if (count == 0) return true;
  const int top = std::min(bandChannel(500, g.fs), 128);
  LowBins bins;
  if (!bins.init(Lb, top + 1)) {
    debugMessage("enerVoisBrut(): window of " + std::to_string(Lb) + " samples, " + std::to_string(top + 1) + " bins");
    return false;
  }
  float col[LowBins::kMaxBins];
  run.brut.resize(static_cast<std::size_t>(count));
  for (std::int64_t k = 0; k < count; ++k) {
    // The last column may need one sample past the end; it then stays 0.
    if (!run.span.holds(k * Hb, Lb)) break;
    bins.powers(run.span.data + (k * Hb - run.span.first), col);
    levelsDb(col, top + 1, bins.gainDb());
    double s = 0;
    for (int c = 0; c <= top; ++c) s += std::max(col[c] - 60.0f, 0.0f);
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
