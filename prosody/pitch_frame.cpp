// One frame of the F0 detector: spectrum, peaks to grid, comb response, the
// three candidates (main maximum, best outside its lobe, best 70 Hz away)
// and their voicing energies and coefficients.
#include <algorithm>
#include <cmath>

#include "prosody/pitch_run.h"

namespace ardv {

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
  if (!run.fft.compute(run.span, position, run.spectre.data(), false, true, std::clamp(nb + 2, 0, g.N / 2)))
    return out;

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
