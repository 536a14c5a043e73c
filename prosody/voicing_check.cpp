// Periodicity of voiced frames, checked after the path.
#include "prosody/voicing_check.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <utility>

namespace ardv {
namespace {

// The Hann window of n samples and its own autocorrelation, kept per thread
// for the frame length in use.
struct WindowCache {
  int n = 0;
  std::vector<double> w, rw;
};

void fillWindow(WindowCache& c, int n) {
  c.n = n;
  c.w.assign(static_cast<std::size_t>(n), 0);
  for (int k = 0; k < n; ++k) c.w[static_cast<std::size_t>(k)] = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * (k + 0.5) / n);
  c.rw.assign(static_cast<std::size_t>(n), 0);
  for (int lag = 0; lag < n; ++lag)
    for (int k = 0; k + lag < n; ++k)
      c.rw[static_cast<std::size_t>(lag)] += c.w[static_cast<std::size_t>(k)] * c.w[static_cast<std::size_t>(k + lag)];
}

// Two lengths are in use per run: the frame's and twice it for low voices.
const WindowCache& windowOf(int n) {
  thread_local WindowCache cache[2];
  for (WindowCache& c : cache)
    if (c.n == n) return c;
  WindowCache& c = cache[0].n == 0 || cache[1].n != 0 ? cache[0] : cache[1];
  fillWindow(c, n);
  return c;
}

using Floats4 = float __attribute__((vector_size(16)));
using Doubles4 = double __attribute__((vector_size(32)));
using Shorts4 = std::int16_t __attribute__((vector_size(8)));

Floats4 load4(const float* p) {
  Floats4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Sums of wx[k] * wx[k + lag] for C increasing lags, each in four running
// sums added in the same order as one lag alone; the lags share the loads of
// wx[k] and their sums run side by side.
template <int C>
void lagProducts(const std::vector<float>& wx, const int* lags, double* out) {
  const float* a = wx.data();
  const std::size_t n = wx.size();
  Floats4 s[C] = {};
  std::size_t k = 0;
  const std::size_t shortest = n - static_cast<std::size_t>(lags[C - 1]);
  for (; k + 4 <= shortest; k += 4) {
    const Floats4 x = load4(a + k);
    for (int l = 0; l < C; ++l) s[l] += x * load4(a + lags[l] + k);
  }
  for (int l = 0; l < C; ++l) {
    const float* b = a + lags[l];
    const std::size_t m = n - static_cast<std::size_t>(lags[l]);
    std::size_t i = k;
    for (; i + 4 <= m; i += 4) s[l] += load4(a + i) * load4(b + i);
    float first = s[l][0];
    for (; i < m; ++i) first += a[i] * b[i];
    out[l] = static_cast<double>(first) + s[l][1] + s[l][2] + s[l][3];
  }
}

// lagProducts for up to four lags.
void lagProducts(const std::vector<float>& wx, const int* lags, int count, double* out) {
  switch (count) {
    case 1: return lagProducts<1>(wx, lags, out);
    case 2: return lagProducts<2>(wx, lags, out);
    case 3: return lagProducts<3>(wx, lags, out);
    default: return lagProducts<4>(wx, lags, out);
  }
}

}  // namespace

std::vector<std::int16_t> withoutHum(const std::vector<std::int16_t>& x, double fs, double humHz) {
  // A second-order notch, forwards then backwards (no phase shift).
  const double w = 2 * std::numbers::pi * humHz / fs, c = std::cos(w);
  const double r = 1 - std::numbers::pi * kHumNotchHz / fs;
  std::vector<double> y(x.begin(), x.end());
  for (int pass = 0; pass < 2; ++pass) {
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (double& v : y) {
      const double out = v - 2 * c * x1 + x2 + 2 * r * c * y1 - r * r * y2;
      x2 = x1, x1 = v, y2 = y1, y1 = out;
      v = out;
    }
    std::reverse(y.begin(), y.end());
  }
  std::vector<std::int16_t> out(x.size());
  for (std::size_t k = 0; k < y.size(); ++k)
    out[k] = static_cast<std::int16_t>(std::clamp(std::lround(y[k]), -32768L, 32767L));
  return out;
}

double periodicity(const std::int16_t* x, int n, double fs, double f0) {
  if (f0 <= 0 || n < 4) return 0;
  const WindowCache& win = windowOf(n);
  thread_local std::vector<float> wx;
  wx.resize(static_cast<std::size_t>(n));
  // A sum of samples is exact in any order.
  std::int64_t sum = 0;
  for (int k = 0; k < n; ++k) sum += x[k];
  const double mean = static_cast<double>(sum) / n;
  int k = 0;
  const Doubles4 mean4 = {mean, mean, mean, mean};
  for (; k + 4 <= n; k += 4) {
    Shorts4 s;
    Doubles4 w;
    std::memcpy(&s, x + k, sizeof s);
    std::memcpy(&w, win.w.data() + k, sizeof w);
    const Floats4 v = __builtin_convertvector(w * (__builtin_convertvector(s, Doubles4) - mean4), Floats4);
    std::memcpy(wx.data() + k, &v, sizeof v);
  }
  for (; k < n; ++k)
    wx[static_cast<std::size_t>(k)] = static_cast<float>(win.w[static_cast<std::size_t>(k)] * (x[k] - mean));
  double product[4];
  const int zero = 0;
  lagProducts(wx, &zero, 1, product);
  const double r0 = product[0] / win.rw[0];
  if (r0 <= 0) return 0;
  const double period = fs / f0;
  const int lo = std::max(1, static_cast<int>(std::floor(period * 0.9)));
  const int hi = std::min(n / 2, std::max(lo, static_cast<int>(std::ceil(period * 1.1))));
  // Every other lag, four at a time, then the neighbours of the best.
  double best = 0;
  int arg = 0;
  auto take = [&](const int* lags, int count) {
    lagProducts(wx, lags, count, product);
    for (int l = 0; l < count; ++l) {
      const double r = product[l] / win.rw[static_cast<std::size_t>(lags[l])] / r0;
      if (r > best) best = r, arg = lags[l];
    }
  };
  int lags[4];
  int count = 0;
  for (int lag = lo; lag <= hi; lag += 2) {
    lags[count++] = lag;
    if (count == 4) take(lags, count), count = 0;
  }
  if (count > 0) take(lags, count);
  if (arg == 0) return 0;
  const int mid = arg;
  count = 0;
  for (int lag : {mid - 1, mid + 1})
    if (lag >= lo && lag <= hi) lags[count++] = lag;
  if (count > 0) take(lags, count);
  return best;
}

const std::vector<std::int16_t>& judgedSamples(const PitchRun& run) {
  return run.humHz > 0 && !run.xWithoutHum.empty() ? run.xWithoutHum : run.x;
}

void checkPeriodicity(const PitchRun& run, std::vector<int>& p) {
  const float threshold = std::min(run.params.voicingThreshold, kCheckThresholdMost);
  if (threshold <= 0 || run.x.empty()) return;
  const PitchGeometry& g = run.geo;
  const std::vector<std::int16_t>& xs = judgedSamples(run);
  const auto samples = static_cast<std::int64_t>(xs.size());
  int peak = 0;
  for (std::int16_t v : xs) peak = std::max(peak, std::abs(static_cast<int>(v)));
  const auto n = static_cast<int>(p.size());
  // A low voice: fewer than three periods in the frame.
  auto low = [&](int i) { return kPeriodsInWindow * g.fs / p[static_cast<std::size_t>(i)] > g.L; };
  // Periodicity of frame i at f0. A low voice is measured over twice the
  // frame, centred on it: over less than three periods the measure is
  // unsteady (above 1 at 65 Hz).
  auto periodicityAt = [&](int i, int f0) {
    std::int64_t at = static_cast<std::int64_t>(i) * g.S;
    int length = g.L;
    if (kPeriodsInWindow * g.fs / f0 > g.L && at >= g.L / 2 && at - g.L / 2 + 2 * g.L <= samples)
      at -= g.L / 2, length = 2 * g.L;
    if (at + length > samples) return 0.0;
    return periodicity(xs.data() + at, length, g.fs, f0);
  };
  // The last measure of each frame with its F0: the octave and jump checks
  // below ask again for what the weak check measured.
  std::vector<std::pair<int, double>> known(p.size(), {0, 0.0});
  auto periodicityOwn = [&](int i, int f0) {
    auto& [at, v] = known[static_cast<std::size_t>(i)];
    if (at != f0) at = f0, v = periodicityAt(i, f0);
    return v;
  };
  // A frame that is quiet or does not repeat at f0 (more strictly when it
  // is nearly quiet, as Praat's silence threshold does).
  auto weakFor = [&](int i, int f0) {
    const std::int64_t at = static_cast<std::int64_t>(i) * g.S;
    if (at + g.L > samples) return false;
    const std::int16_t* x = xs.data() + at;
    int local = 0;
    for (int k = 0; k < g.L; ++k) local = std::max(local, std::abs(static_cast<int>(x[k])));
    if (local < kQuietPeakShare * peak) return true;
    // A quiet frame must repeat better: the bar rises from the threshold at
    // 2 / (1 + threshold) times kQuietPeakShare to 1 at kQuietPeakShare.
    const double share = static_cast<double>(local) / peak;
    return periodicityOwn(i, f0) < threshold + std::max(0.0, 2 - share * (1 + threshold) / kQuietPeakShare);
  };
  auto weak = [&](int i) { return weakFor(i, p[static_cast<std::size_t>(i)]); };
  auto jump = [](int f, int ref) { return f > 0 && ref > 0 && (f >= kJumpRatio * ref || ref >= kJumpRatio * f); };
  std::vector<signed char> w;
  for (int i = 0; i < n;) {
    if (p[static_cast<std::size_t>(i)] <= 0) {
      ++i;
      continue;
    }
    int end = i;
    while (end < n && p[static_cast<std::size_t>(end)] > 0) ++end;
    // Each frame's check is made when first read (before any change to its
    // F0): from the start until the count decides, then as the bounds and
    // the creak search ask.
    w.assign(static_cast<std::size_t>(end - i), -1);
    auto weakAt = [&](int k) {
      signed char& v = w[static_cast<std::size_t>(k - i)];
      if (v < 0) v = weak(k) ? 1 : 0;
      return v != 0;
    };
    int failing = 0, passing = 0;
    for (int k = i; k < end && 2 * failing <= end - i && 2 * (end - i - passing) > end - i; ++k)
      weakAt(k) ? ++failing : ++passing;
    int a = 2 * failing > end - i ? end : i, b = end;  // mostly aperiodic: not voiced
    // Voicing ends after the last frame that repeats, and starts at most
    // kOnsetFramesChecked frames later than the path put it.
    while (b > a && weakAt(b - 1)) --b;
    for (int k = 0; k < kOnsetFramesChecked && a < b && weakAt(a); ++k) ++a;
    // Creak inside: a stretch of weak frames of a low voice.
    for (int k = a; k < b;) {
      int e = k;
      while (e < b && low(e) && weakAt(e)) ++e;
      if (e - k >= kCreakFrames)
        for (int m = k; m < e; ++m) p[static_cast<std::size_t>(m)] = 0;
      k = std::max(e, k + 1);
    }
    // A low voice that repeats as well at half its period is an octave
    // higher (the comb took a subharmonic in creaky or breathy frames).
    for (int k = a; k < b; ++k) {
      const int f0 = p[static_cast<std::size_t>(k)];
      const std::int64_t at = static_cast<std::int64_t>(k) * g.S - g.L / 2;
      if (f0 <= 0 || !low(k) || 2 * f0 > run.params.f0Max || at < 0 || at + 2 * g.L > samples) continue;
      const double atHalf = periodicity(xs.data() + at, 2 * g.L, g.fs, 2.0 * f0);
      if (atHalf >= threshold && atHalf >= periodicityOwn(k, f0) - kOctaveMargin)
        p[static_cast<std::size_t>(k)] = 2 * f0;
    }
    // A few frames a jump away from agreeing neighbours on both sides take
    // the neighbours' F0 when their waveform repeats as well there.
    for (int k = a + 1; k < b - 1; ++k) {
      const int before = p[static_cast<std::size_t>(k - 1)];
      int e = k;
      while (e < b - 1 && e - k < kJumpFrames && jump(p[static_cast<std::size_t>(e)], before)) ++e;
      if (e == k || e - k > kJumpFrames || e >= b) continue;
      const int after = p[static_cast<std::size_t>(e)];
      if (after <= 0 || std::abs(after - before) > kJumpAgreement * std::min(before, after)) continue;
      for (int m = k; m < e; ++m) {
        const int own = p[static_cast<std::size_t>(m)];
        const int target = static_cast<int>(nearestInt(before + (after - before) * double(m - k + 1) / (e - k + 1)));
        if (own <= 0 || !jump(own, after)) continue;
        const double there = periodicityAt(m, target);
        if (there >= threshold && there >= periodicityOwn(m, own) - kOctaveMargin)
          p[static_cast<std::size_t>(m)] = target;
      }
      k = e;
    }
    for (int k = i; k < end; ++k)
      if (k < a || k >= b) p[static_cast<std::size_t>(k)] = 0;
    // What is left of a run of one or two frames goes too.
    if (b - a < 3 && i > 0 && end < n)
      for (int k = a; k < b; ++k) p[static_cast<std::size_t>(k)] = 0;
    i = end;
  }
  // Short gaps between runs that agree in F0 are voiced where every frame
  // repeats at the F0 between them (the path's voicing changes need four
  // frames each, and a missing candidate leaves a vowel's middle unvoiced).
  for (int i = 1; i < n;) {
    if (p[static_cast<std::size_t>(i)] > 0 || p[static_cast<std::size_t>(i - 1)] <= 0) {
      ++i;
      continue;
    }
    int e = i;
    while (e < n && p[static_cast<std::size_t>(e)] <= 0) ++e;
    const int before = p[static_cast<std::size_t>(i - 1)];
    const int after = e < n ? p[static_cast<std::size_t>(e)] : 0;
    if (e < n && e - i <= kGapFrames && std::abs(after - before) <= kJumpAgreement * std::min(before, after)) {
      auto at = [&](int m) {
        return static_cast<int>(nearestInt(before + (after - before) * double(m - i + 1) / (e - i + 1)));
      };
      bool repeats = true;
      for (int m = i; m < e && repeats; ++m) repeats = !weakFor(m, at(m));
      if (repeats)
        for (int m = i; m < e; ++m) p[static_cast<std::size_t>(m)] = at(m);
    }
    i = e;
  }
  // A frame that repeats clearly better at m times its period, where F0 / m
  // lies below the range's floor but within the default range, is a
  // multiple of a lower voice ("Female" for a man): unvoiced.
  const int lowest = SpeakerF0Params{}.f0Min;
  for (int k = 0; k < n && run.params.f0Min > lowest; ++k) {
    const int f0 = p[static_cast<std::size_t>(k)];
    const std::int64_t at = static_cast<std::int64_t>(k) * g.S - g.L / 2;
    if (f0 <= 0 || at < 0 || at + 2 * g.L > samples) continue;
    const std::int16_t* x = xs.data() + at;
    double own = -1;
    for (int m = 2; m <= kBelowRangeParts && f0 >= m * lowest; ++m) {
      if (f0 >= m * run.params.f0Min) continue;
      const double longer = periodicity(x, 2 * g.L, g.fs, f0 / static_cast<double>(m));
      if (longer < threshold) continue;
      if (own < 0) own = periodicity(x, 2 * g.L, g.fs, f0);
      if (longer > own + kBelowRangeMargin) {
        p[static_cast<std::size_t>(k)] = 0;
        break;
      }
    }
  }
}

}  // namespace ardv
