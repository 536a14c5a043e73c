// Peaks to grid, comb response and voicing coefficient.
#include "prosody/spectral_comb.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "spectral/cpu_paths.h"

namespace ardv {

// The busiest loops also built for wider vectors, chosen when the processor
// has them: the same operations lane by lane (no fused multiply-add), so the
// same results.
namespace {

constexpr double kSubharmonicTopHz = 1500.0;
constexpr double kRiseTopHz = 2000.0;
constexpr double kSubharmonicMinRiseDb = 6.0;
constexpr double kSubharmonicRatio = 0.4;
constexpr double kMultipleRatio = 0.7;

using Doubles4 = double __attribute__((vector_size(32)));
using Floats4 = float __attribute__((vector_size(16)));

struct Parabola {
  double a = 0, b = 0, c = 0;
  bool ok = false;
};

// Least-squares y = a x^2 + b x + c through (x, s[l + x]), x = 0..n-1,
// normal equations solved by Cramer's rule. n is fixed at compile time: the
// sums of powers of x and their determinant are then constants (exact
// integers, the same values as summed).
template <int n>
Parabola fitParabola(const float* s, int l) {
  double sx[5] = {0, 0, 0, 0, 0}, sy = 0, sxy = 0, sx2y = 0;
  for (int x = 0; x < n; ++x) {
    const double y = s[l + x];
    double p = 1;
    for (int k = 0; k < 5; ++k, p *= x) sx[k] += p;
    sy += y;
    sxy += x * y;
    sx2y += double(x) * x * y;
  }
  const double m[3][3] = {{sx[4], sx[3], sx[2]}, {sx[3], sx[2], sx[1]}, {sx[2], sx[1], sx[0]}};
  const double r[3] = {sx2y, sxy, sy};
  auto det = [](const double q[3][3]) {
    return q[0][0] * (q[1][1] * q[2][2] - q[1][2] * q[2][1]) - q[0][1] * (q[1][0] * q[2][2] - q[1][2] * q[2][0]) +
           q[0][2] * (q[1][0] * q[2][1] - q[1][1] * q[2][0]);
  };
  Parabola p;
  const double d = det(m);
  if (d == 0) return p;
  double col[3];
  for (int k = 0; k < 3; ++k) {
    double q[3][3];
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) q[i][j] = (j == k) ? r[i] : m[i][j];
    col[k] = det(q) / d;
  }
  p.a = col[0];
  p.b = col[1];
  p.c = col[2];
  p.ok = p.a != 0 && std::isfinite(p.a) && std::isfinite(p.b) && std::isfinite(p.c);
  return p;
}

double vertexOf(const Parabola& p, int l) { return l - p.b / (2 * p.a); }

// f / binHz for every cell of the grid, kept per thread for the bin width in
// use (a division per painted cell was a third of the painting).
const double* cellsInBins(double binHz) {
  thread_local double width = 0;
  thread_local std::vector<double> bins;
  if (width != binHz) {
    bins.resize(kGridSize);
    for (int f = 0; f < kGridSize; ++f) bins[static_cast<std::size_t>(f)] = f / binHz;
    width = binHz;
  }
  return bins.data();
}

// Tooth k of frequency f reads pics[k*f] while k < ends[f], f = lo..top;
// kept per thread for the comb in use (two divisions per frequency were a
// third of the comb's time).
const int* toothEnds(int lo, int top, int ceil, int teeth) {
  thread_local int key[4] = {-1, -1, -1, -1};
  thread_local std::vector<int> ends;
  if (key[0] != lo || key[1] != top || key[2] != ceil || key[3] != teeth) {
    ends.assign(static_cast<std::size_t>(top) + 1, 0);
    for (int f = lo; f <= top; ++f) {
      const int e = std::min(ceil / f, teeth);
      ends[static_cast<std::size_t>(f)] = e > 1 && (e - 1) * f >= kGridSize ? (kGridSize - 1) / f + 1 : e;
    }
    key[0] = lo, key[1] = top, key[2] = ceil, key[3] = teeth;
  }
  return ends.data();
}

}  // namespace

CombTables makeCombTables(const SpeakerF0Params& params) {
  const int n = kGridSize / std::max(params.combMin, 1) + 1;
  CombTables t;
  t.peigne.assign(static_cast<std::size_t>(n), 1.0f);
  t.somHarm.assign(static_cast<std::size_t>(n), 0.0f);
  for (int k = 1; k < n; ++k) {
    t.peigne[static_cast<std::size_t>(k)] =
        static_cast<float>(std::pow(static_cast<double>(k), -1.0 / params.combExponent));
    t.somHarm[static_cast<std::size_t>(k)] = t.somHarm[static_cast<std::size_t>(k - 1)] + t.peigne[static_cast<std::size_t>(k)];
  }
  return t;
}

ARDV_WIDE_PATHS float peaksToGrid(const float* s, int nb, double binHz, float* pics, double humHz, float* lowPeakHz) {
  // Cells no accepted peak reaches are 0; painted cells are never negative.
  std::fill(pics, pics + kGridSize, 0.0f);
  float sumE = 0.0f;
  double lowHeight = -1e30;
  if (lowPeakHz) *lowPeakHz = 0;
  const double* inBins = cellsInBins(binHz);
  int i = 0;
  while (i < nb - 2) {
    if (!(s[i] <= s[i + 1] && s[i + 2] <= s[i + 1] && s[i + 1] > kPeakFloorDb)) {
      ++i;
      continue;
    }
    const int r = (i >= nb - 3 || s[i + 2] <= s[i + 3]) ? i + 2 : i + 3;
    int l = (i > 0 && s[i - 1] < s[i]) ? i - 1 : i;
    if (r - l < 3) {
      ++i;
      continue;
    }
    Parabola p = fitParabola<4>(s, l);
    double v = p.ok ? vertexOf(p, l) : 0.0;
    bool accepted = p.ok && std::fabs((i + 1) - v) <= 1.0;
    if (!accepted && l > 0 && s[l - 1] < s[l] && s[r] < s[r + 1]) {
      l = l - 1;
      p = fitParabola<6>(s, l);
      v = p.ok ? vertexOf(p, l) : 0.0;
      accepted = p.ok && std::fabs((i + 1) - v) <= 1.0;
    }
    if (accepted) {
      const double hz = v * binHz;
      const double h = p.c - p.b * p.b / (4 * p.a);
      // A frame's own mean leaks a side lobe near 47 Hz too, far below the
      // spectrum at 0 Hz; a line stands above it.
      if (lowPeakHz && hz >= kHumLowHz && hz <= kHumHighHz && h > lowHeight && h > s[0] + kHumAboveDcDb) {
        lowHeight = h;
        *lowPeakHz = static_cast<float>(hz);
      }
      if (humHz > 0 && std::fabs(hz - humHz) <= kHumWidthHz) {
        i = r + 1;
        continue;
      }
      const auto F = static_cast<int>(nearestInt(hz));
      if (F - 25 < 800 && h > kPeakFloorDb) sumE += static_cast<float>(h - kPeakFloorDb);
      const int hi = std::min(F + 25, kGridSize);
      int f = std::max(F - 25, 0);
      // Four cells at a time, each computed as one alone would be.
      const Doubles4 floor4 = {kPeakFloorDb, kPeakFloorDb, kPeakFloorDb, kPeakFloorDb}, zero4 = {};
      for (; f + 4 <= hi; f += 4) {
        Doubles4 x;
        std::memcpy(&x, inBins + f, sizeof x);
        x -= l;
        const Doubles4 y = (p.a * x + p.b) * x + p.c;
        const Floats4 cells = __builtin_convertvector(y > floor4 ? y - floor4 : zero4, Floats4);
        std::memcpy(pics + f, &cells, sizeof cells);
      }
      for (; f < hi; ++f) {
        const double x = inBins[f] - l;
        const double y = (p.a * x + p.b) * x + p.c;
        pics[f] = y > kPeakFloorDb ? static_cast<float>(y - kPeakFloorDb) : 0.0f;
      }
    }
    i = r + 1;
  }
  return sumE;
}

namespace {

using Floats8 = float __attribute__((vector_size(32)));
using Lanes8 = std::int32_t __attribute__((vector_size(32)));
// Lanes of the pair (a, b) picked by index (0..7 from a, 8..15 from b).
#if defined(__clang__)
#define ARDV_PICK8(a, b, ...) __builtin_shufflevector(a, b, __VA_ARGS__)
#else
#define ARDV_PICK8(a, b, ...) __builtin_shuffle(a, b, Lanes8{__VA_ARGS__})
#endif

// pics[k*f + k*j], j = 0..7: one to four loads and their shuffles for the
// first teeth, where the cells lie close; single cells beyond.
[[gnu::always_inline]] inline void strided8(const float* pics, int k, int f, Floats8& out) {
  const float* p = pics + k * f;
  Floats8 a, b, c, d;
  // Whole loads stay inside the grid.
  if (k <= 4 && k * f + 8 * k <= kGridSize) {
    std::memcpy(&a, p, sizeof a);
    if (k == 1) {
      out = a;
      return;
    }
    std::memcpy(&b, p + 8, sizeof b);
    if (k == 2) {
      out = ARDV_PICK8(a, b, 0, 2, 4, 6, 8, 10, 12, 14);
      return;
    }
    std::memcpy(&c, p + 16, sizeof c);
    if (k == 3) {
      const Floats8 ab = ARDV_PICK8(a, b, 0, 3, 6, 9, 12, 15, 0, 0);
      out = ARDV_PICK8(ab, c, 0, 1, 2, 3, 4, 5, 10, 13);
      return;
    }
    std::memcpy(&d, p + 24, sizeof d);
    const Floats8 ab = ARDV_PICK8(a, b, 0, 4, 8, 12, 0, 0, 0, 0);
    const Floats8 cd = ARDV_PICK8(c, d, 0, 4, 8, 12, 0, 0, 0, 0);
    out = ARDV_PICK8(ab, cd, 0, 1, 2, 3, 8, 9, 10, 11);
    return;
  }
  out = Floats8{p[0], p[k], p[2 * k], p[3 * k], p[4 * k], p[5 * k], p[6 * k], p[7 * k]};
}

}  // namespace

ARDV_WIDE_PATHS void correlPeigne(const float* pics, const CombTables& comb, const SpeakerF0Params& params,
                                  float* correl) {
  const int top = std::min(params.f0Max, kGridSize - 1);
  const int teeth = static_cast<int>(comb.peigne.size());
  const float* tooth = comb.peigne.data();
  int f = std::max(params.combMin, 1);
  if (f > top) return;
  const int* ends = toothEnds(f, top, params.harmCeilHz, teeth);
  // Eight frequencies side by side, one lane each: every lane adds its
  // teeth in order as one frequency at a time would, up to the block's
  // longest comb.
  static const float kNoCell = 0.0f;
  for (; f + 7 <= top; f += 8) {
    int common = ends[f], most = ends[f];
    for (int j = 1; j < 8; ++j) common = std::min(common, ends[f + j]), most = std::max(most, ends[f + j]);
    Floats8 sum = {};
    int k = 1;
    for (; k < common; ++k) {
      Floats8 cells;
      strided8(pics, k, f, cells);
      sum += tooth[k] * cells;
    }
    // The lanes' own last teeth, a lane past its end adding 0 (sums are
    // never -0): no branch on each lane's count.
    for (; k < most; ++k) {
      Floats8 cells;
      for (int j = 0; j < 8; ++j) cells[j] = *(k < ends[f + j] ? pics + k * (f + j) : &kNoCell);
      sum += tooth[k] * cells;
    }
    std::memcpy(correl + f, &sum, sizeof sum);
  }
  for (; f <= top; ++f) {
    float sum = 0.0f;
    for (int k = 1; k < ends[f]; ++k) sum += tooth[k] * pics[k * f];
    correl[f] = sum;
  }
}

ARDV_WIDE_PATHS int argmaxIn(const float* v, int lo, int hi, float* best) {
  // The greatest value in eight lanes, then its first place, eight cells at
  // a time up to the block that holds it.
  Floats8 lane = {-1e38f, -1e38f, -1e38f, -1e38f, -1e38f, -1e38f, -1e38f, -1e38f};
  int f = lo;
  for (; f + 8 <= hi + 1; f += 8) {
    Floats8 x;
    std::memcpy(&x, v + f, sizeof x);
    lane = lane < x ? x : lane;
  }
  float m = lane[0];
  for (int j = 1; j < 8; ++j) m = std::max(m, lane[j]);
  for (; f <= hi; ++f) m = std::max(m, v[f]);
  int at = 0;
  if (m > -1e38f) {
    const Floats8 target = {m, m, m, m, m, m, m, m};
    for (at = lo; at + 8 <= hi + 1; at += 8) {
      Floats8 x;
      std::memcpy(&x, v + at, sizeof x);
      const Lanes8 hit = x == target;
      std::uint64_t words[4];
      std::memcpy(words, &hit, sizeof words);
      if ((words[0] | words[1] | words[2] | words[3]) != 0) break;
    }
    for (; v[at] != m; ++at) {
    }
  }
  if (best) *best = m;
  return at;
}

ARDV_WIDE_PATHS float coefVoisCorrel(const float* correl, int f0, std::vector<float>& work) {
  if (f0 < 2) return 0.0f;
  if (work.size() < static_cast<std::size_t>(kGridSize)) work.resize(kGridSize);
  float* bis = work.data();
  const double thr = 0.6 * correl[f0];
  const int hi = std::min(std::max(f0, 200) + f0 + 5, kGridSize);
  const int half = f0 / 2;
  std::fill(bis, bis + f0 + 1, 0.0f);
  // Period q's first half lands on cells half + f0 % 2 on, its second half
  // on cells 0 on; each cell gathers its values in the order of q.
  const Doubles4 thr4 = {thr, thr, thr, thr}, zero4 = {};
  auto fold = [&](int from, int to, float* cells) {
    int f = from;
    for (; f + 4 <= to; f += 4) {
      Floats4 c, sum;
      std::memcpy(&c, correl + f, sizeof c);
      std::memcpy(&sum, cells + (f - from), sizeof sum);
      const Doubles4 d = __builtin_convertvector(c, Doubles4);
      sum += __builtin_convertvector(d >= thr4 ? d - thr4 : zero4, Floats4);
      std::memcpy(cells + (f - from), &sum, sizeof sum);
    }
    for (; f < to; ++f) cells[f - from] += correl[f] >= thr ? static_cast<float>(correl[f] - thr) : 0.0f;
  };
  for (int q = 0; q < hi / f0; ++q) {
    const int start = q * f0, end = std::min((q + 1) * f0, hi);
    const int from = std::max(start, 50), split = std::min(start + half, end);
    if (from < split) fold(from, split, bis + (from - start) + half + (f0 % 2));
    const int rest = std::max(from, split);
    if (rest < end) fold(rest, end, bis + (rest - start) - half);
  }
  double S = 0, C = 0, A = -1e38, B = -1e38;
  for (int j = static_cast<int>(0.15 * f0); j <= static_cast<int>(0.3 * f0); ++j) A = std::max(A, double(bis[j]));
  for (int j = static_cast<int>(0.7 * f0); j <= static_cast<int>(0.85 * f0); ++j) B = std::max(B, double(bis[j]));
  // S over 0..f0-1, C over c0..c1-1 and num, den over n0..n1, in one pass
  // so that their running sums overlap; each still adds in order of j.
  double num = 0, den = 0;
  const int n0 = static_cast<int>(0.15 * f0), n1 = static_cast<int>(0.85 * f0) + 1;
  const int c0 = static_cast<int>(0.4 * f0), c1 = static_cast<int>(0.6 * f0);
  auto pass = [&](int from, int to, bool moments, bool centre) {
    for (int j = from; j < to; ++j) {
      S += bis[j];
      if (centre) C += bis[j];
      if (moments) {
        num += bis[j] * double(j - half) * (j - half);
        den += bis[j];
      }
    }
  };
  pass(0, n0, false, false);
  pass(n0, c0, true, false);
  pass(c0, c1, true, true);
  pass(c1, n1, true, false);
  pass(n1, f0, false, false);
  const double ratio = (A + B >= 1e-10) ? C / (A + B) : 15.0;
  const double sigma = den < 1e-10 ? 0.0 : std::min(std::sqrt(num / den), 1e35);
  const double P = std::max(bis[half] + 1e-10, 1e-7);
  return static_cast<float>((sigma / P) * std::min(S, 1e35) / std::max(ratio, 1e-7));
}

namespace {

// Levels of the spectrum at the multiples k*f below `top` Hz (the higher
// of the two bins around each), k = 1..count, at most kMaxHarmonics.
constexpr int kMaxHarmonics = 64;
struct HarmonicLevels {
  int count = 0;
  float level[kMaxHarmonics];
};

HarmonicLevels harmonicLevels(const float* s, double binHz, double top, double f) {
  HarmonicLevels h;
  const double perBin = 1.0 / binHz;
  for (int k = 1; k <= kMaxHarmonics && k * f < top; ++k) {
    const auto lo = static_cast<int>(k * f * perBin);
    h.level[h.count++] = std::max(s[lo], s[lo + 1]);
  }
  return h;
}

// Mean rise above `floor` of the levels of k a multiple of m (on) and of the
// other k (off), each summed in the order of k; -1 with fewer than two such k.
struct Rises {
  double on = -1, off = -1;
};
// The rises max(level - floor, 0) of h's levels.
struct HarmonicRises {
  int count = 0;
  float rise[kMaxHarmonics];
};
HarmonicRises risesOf(const HarmonicLevels& h, float floor) {
  HarmonicRises r;
  r.count = h.count;
  for (int k = 0; k < h.count; ++k) r.rise[k] = std::max(h.level[k] - floor, 0.0f);
  return r;
}

Rises meanRises(const HarmonicRises& h, int m) {
  // Each rise goes to one sum and 0 to the other (rises are never -0):
  // no branch on k modulo m (c).
  double sumOn = 0, sumOff = 0;
  for (int k = 1, c = 1; k <= h.count; ++k, c = c == m ? 1 : c + 1) {
    const double rise = h.rise[k - 1];
    sumOn += c == m ? rise : 0.0;
    sumOff += c == m ? 0.0 : rise;
  }
  const int nOn = h.count / m, nOff = h.count - nOn;
  return {nOn >= 2 ? sumOn / nOn : -1.0, nOff >= 2 ? sumOff / nOff : -1.0};
}
Rises meanRises(const HarmonicLevels& h, float floor, int m) { return meanRises(risesOf(h, floor), m); }

// Smallest m (2..5) for which f is a subharmonic: the multiples of m*f rise
// at least kSubharmonicMinRiseDb, the others less than kSubharmonicRatio of that.
int subharmonicOf(const float* s, double binHz, double top, double f, double fMax, float floor) {
  const HarmonicRises h = risesOf(harmonicLevels(s, binHz, top, f), floor);
  for (int m = 2; m <= 5 && m * f <= fMax; ++m) {
    const auto [on, off] = meanRises(h, m);
    if (off >= 0 && on >= kSubharmonicMinRiseDb && off < kSubharmonicRatio * on) return m;
  }
  return 1;
}

}  // namespace

namespace {

// The values of ranks r1 and r2 (from 0, ascending) among v[0..n-1], v
// padded with +inf to a multiple of eight: each value's place in a stable
// order (the values below it, and those equal to it that come before it),
// eight values at a time against every value (no branch to mispredict, as
// a selection has one per comparison). Exactly one value has each place.
ARDV_WIDE_PATHS void ranked(const float* v, int n, int r1, int r2, float* at1, float* at2) {
  bool found1 = false, found2 = false;
  const Lanes8 lane = {0, 1, 2, 3, 4, 5, 6, 7};
  for (int i = 0; i < n && !(found1 && found2); i += 8) {
    Floats8 x;
    std::memcpy(&x, v + i, sizeof x);
    Lanes8 place = {};
    int b = 0;
    for (; b < i; ++b) place -= v[b] <= x;
    for (; b < std::min(i + 8, n); ++b) {
      const float y = v[b];
      place -= (y < x) | ((y == x) & (lane > b - i));
    }
    for (; b < n; ++b) place -= v[b] < x;
    for (int j = 0; j < 8 && i + j < n; ++j) {
      if (place[j] == r1) *at1 = x[j], found1 = true;
      if (place[j] == r2) *at2 = x[j], found2 = true;
    }
  }
}

}  // namespace

SpectrumLevels spectrumLevels(const float* s, int nb, std::vector<float>& work) {
  SpectrumLevels v;
  if (nb < 8) return v;
  // Every other bin: the zero-padded spectrum's neighbours say little more.
  // Most frames of a clean recording lie below the grid: no need to rank.
  // work is shared with coefVoisCorrel's larger use: never shrunk.
  const int n = (nb + 1) / 2;
  const auto padded = static_cast<std::size_t>((n + 7) / 8 * 8);
  if (work.size() < padded) work.resize(padded);
  int below = 0;
  for (int k = 0; k < n; ++k) {
    work[static_cast<std::size_t>(k)] = s[2 * k];
    below += s[2 * k] <= kPeakFloorDb;
  }
  if (below > n / 2) {
    v.medianDb = kPeakFloorDb;
    return v;
  }
  std::fill(work.begin() + n, work.begin() + static_cast<std::ptrdiff_t>(padded), std::numeric_limits<float>::infinity());
  // The median and the lower quartile: the values at n/2 and n/4 in order.
  ranked(work.data(), n, n / 2, n / 4, &v.medianDb, &v.quartileDb);
  return v;
}

VoiceCheck checkVoice(const float* s, int nb, double binHz, int f0, int f0Max, const SpectrumLevels& levels) {
  const float floor = levels.medianDb;
  if (f0 < 2 || nb < 8) return {f0, -1.0f, floor};
  // Only where noise reaches the grid do the comb's many teeth favour a
  // subharmonic; elsewhere the comb's own choice stands.
  if (floor <= kPeakFloorDb) return {f0, -1.0f, floor};
  const double top = (nb - 2) * binHz;
  const double low = std::min(kSubharmonicTopHz, top), high = std::min(kRiseTopHz, top);
  double g = f0;
  for (int m; (m = subharmonicOf(s, binHz, low, g, f0Max, floor)) > 1;) g *= m;
  // A raise that overshot (2/3 of F0 raised by 3) is halved back when the
  // half is no subharmonic itself.
  if (g > f0 && g / 2 > f0 && subharmonicOf(s, binHz, low, g / 2, f0Max, floor) == 1) g /= 2;
  // A multiple of a lower voice (below f0Min) is not judged voiced: the
  // spectrum has harmonics between its own multiples too.
  for (int d = 2; d <= 3; ++d) {
    const HarmonicLevels h = harmonicLevels(s, binHz, high, g / d);
    const auto [on, off] = meanRises(h, floor, d);
    if (on >= kSubharmonicMinRiseDb && off >= kMultipleRatio * on)
      return {static_cast<int>(nearestInt(g)), 0.0f, floor};
  }
  // The harmonics' rise is measured from the lower quartile, which between
  // the dense harmonics of a low voice still lies in the valleys.
  const double rise = std::max(meanRises(harmonicLevels(s, binHz, high, g), levels.quartileDb, 1).on, 0.0);
  return {static_cast<int>(nearestInt(g)), static_cast<float>(rise), floor};
}

}  // namespace ardv
