// One frame of the F0 detector: spectrum, peaks to grid, comb response, the
// three candidates (main maximum, best outside its lobe, best 70 Hz away)
// and their voicing energies and coefficients.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "prosody/pitch_run.h"
#include "spectral/cpu_paths.h"

namespace ardv {

namespace {

using Doubles4 = double __attribute__((vector_size(32)));
using Words4 = std::uint64_t __attribute__((vector_size(32)));
using Ints4 = std::int64_t __attribute__((vector_size(32)));

}  // namespace

// In double: P = 2^e m with m in [sqrt(1/2), sqrt(2)), ln m by the series of
// atanh, 2(s + s^3/3 + ... + s^11/11) with s = (m-1)/(m+1), |s| < 0.172 (the
// first term left out is below 2e-10), rounded to float once. It differs
// from the float logarithm of powerDb in the last bit at times, for a
// fraction of its time; four levels at a time, the same operations in every
// lane.
ARDV_WIDE_PATHS void levelsDb(float* s, int count, float gain) {
  constexpr double kDbPerNeper = 4.342944819032518;  // 10/ln 10
  constexpr double kLn2 = 0.6931471805599453;
  const auto lanes = [&](const Doubles4& p, double* db) {
    Words4 u;
    std::memcpy(&u, &p, sizeof u);
    const Words4 mantissa = (u & 0x000fffffffffffffull) | 0x3ff0000000000000ull;
    Doubles4 m;
    std::memcpy(&m, &mantissa, sizeof m);
    const auto high = m > 1.4142135623730951;
    m = high ? 0.5 * m : m;
    Ints4 biased;
    std::memcpy(&biased, &u, sizeof biased);
    biased >>= 52;
    // The exponent (high is -1 where set) to double exactly, without a
    // conversion per lane: its bits added to those of 2^52 + 2^51.
    const Ints4 exponent = biased - 1023 - high + 0x4338000000000000ll;
    Doubles4 e;
    std::memcpy(&e, &exponent, sizeof e);
    e -= 6755399441055744.0;
    const Doubles4 z = (m - 1.0) / (m + 1.0);
    const Doubles4 z2 = z * z;
    const Doubles4 lnm =
        2.0 * z * (1.0 + z2 * (1.0 / 3 + z2 * (1.0 / 5 + z2 * (1.0 / 7 + z2 * (1.0 / 9 + z2 * (1.0 / 11))))));
    const Doubles4 r = (e * kLn2 + lnm) * kDbPerNeper;
    std::memcpy(db, &r, sizeof r);
  };
  int k = 0;
  double db[4];
  for (; k + 4 <= count; k += 4) {
    const Doubles4 p = {s[k], s[k + 1], s[k + 2], s[k + 3]};
    lanes(p, db);
    for (int j = 0; j < 4; ++j) s[k + j] = static_cast<float>(db[j]) + gain;
  }
  if (k < count) {
    Doubles4 p = {1, 1, 1, 1};
    for (int j = 0; k + j < count; ++j) p[j] = s[k + j];
    lanes(p, db);
    for (int j = 0; k + j < count; ++j) s[k + j] = static_cast<float>(db[j]) + gain;
  }
}

int bandChannel(double f, double fs) { return static_cast<int>(nearestInt(128.0 * f / (fs / 2))); }

FrameCandidates calUnPitch(PitchRun& run, std::int64_t position) {
  FrameCandidates out;
  const SpeakerF0Params& p = run.params;
  const PitchGeometry& g = run.geo;
  run.spectre.resize(static_cast<std::size_t>(g.N / 2 + 1));
  // peaksToGrid writes every cell; the comb never writes outside
  // combMin..f0Max, which stay 0 from the first frame on.
  run.pics.resize(kGridSize);
  if (run.correl.size() != static_cast<std::size_t>(kGridSize)) run.correl.assign(kGridSize, 0.0f);
  // Bins up to 2000 Hz; the peaks' parabolas read two bins past them, and
  // nothing reads further (a logarithm per bin is a fifth of the time).
  const int nb = std::min(static_cast<int>(2000.0 / g.fs * g.N), g.N / 2 - 2);
  const int bins = std::clamp(nb + 2, 0, g.N / 2);
  if (!run.fft.compute(run.span, position, run.spectre.data(), false, false, bins)) return out;
  levelsDb(run.spectre.data(), bins, static_cast<float>(run.fft.levelOffsetDb()));

  float lowPeak = 0;
  const float sumE = peaksToGrid(run.spectre.data(), nb, g.fs / g.N, run.pics.data(), run.humHz, &lowPeak);
  run.lowPeaks.push_back(lowPeak);
  float* c = run.correl.data();
  correlPeigne(run.pics.data(), run.comb, p, c);

  const int lo = p.f0Min, hi = p.f0Max;
  if (lo < 1 || hi < lo || hi >= kGridSize) return out;
  // Best of lo..a against best of b..hi (first maxima); the right one wins
  // only if greater.
  auto bestOutside = [&](int a, int b) {
    float left = 0, right = 0;
    const int l = argmaxIn(c, lo, a, &left), r = argmaxIn(c, b, hi, &right);
    return right > left ? r : l;
  };

  int f0[3] = {-1, -1, -1};
  f0[0] = argmaxIn(c, lo, hi);
  int j = f0[0] - 1;
  while (j > std::max(p.f0Min, f0[0] - 70) && c[j] <= c[j + 1]) --j;
  const int lb = std::max(p.f0Min, std::min(j, f0[0] - 8));
  j = f0[0] + 1;
  while (j < std::min(f0[0] + 70, p.f0Max) && c[j] <= c[j - 1]) ++j;
  const int rb = std::min(p.f0Max, std::max(j, f0[0] + 8));

  f0[1] = bestOutside(lb, rb);
  if (std::abs(f0[0] - f0[1]) < 70) f0[2] = bestOutside(std::max(lo, f0[0] - 70), std::min(hi, f0[0] + 70));

  const int band = static_cast<int>(p.harmBandHz);
  for (int m = 0; m < 3; ++m) {
    PitchCandidate& cand = out[static_cast<std::size_t>(m)];
    cand.f0 = f0[m];
    if (f0[m] < 2 || sumE <= 1e-10f) continue;
    double s = 0;
    int count = 0;
    for (int k = 1; k * f0[m] < band && k * f0[m] < kGridSize; ++k, ++count) s += run.pics[static_cast<std::size_t>(k * f0[m])];
    if (count > 0) {
      count = std::min(count, static_cast<int>(run.comb.somHarm.size()) - 1);
      const double w = std::max<double>(run.comb.somHarm[static_cast<std::size_t>(count)], 1e-10);
      cand.energy = static_cast<float>(s / w);
    }
    // The third candidate is often the second again.
    cand.coef = m > 0 && f0[m] == f0[m - 1] ? out[static_cast<std::size_t>(m - 1)].coef
                                            : coefVoisCorrel(c, f0[m], run.correlBis);
  }
  // What the spectrum says of each candidate (the same f0 is checked once).
  const SpectrumLevels levels = spectrumLevels(run.spectre.data(), nb, run.correlBis);
  for (int m = 0; m < 3; ++m) {
    PitchCandidate& cand = out[static_cast<std::size_t>(m)];
    if (cand.f0 < 2) continue;
    const PitchCandidate& before = out[static_cast<std::size_t>(m > 0 ? m - 1 : 0)];
    if (m > 0 && cand.f0 == before.f0) cand.voice = before.voice;
    else cand.voice = checkVoice(run.spectre.data(), nb, g.fs / g.N, cand.f0, p.f0Max, levels);
  }
  if (run.trace.on()) {
    run.trace.line("calUnPitch[%ld]\n", static_cast<long>(position));
    run.trace.line("... f0[0..2] %d %d %d\n", out[0].f0, out[1].f0, out[2].f0);
    run.trace.line("... enerVois[0..2] %.3g %.3g %.3g\n", out[0].energy, out[1].energy, out[2].energy);
    run.trace.line("... coefVois[0..2] %.3g %.3g %.3g\n", out[0].coef, out[1].coef, out[2].coef);
  }
  return out;
}

}  // namespace ardv
