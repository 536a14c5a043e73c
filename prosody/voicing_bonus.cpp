// Voicing thresholds and bonus functions.
#include "prosody/voicing_bonus.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/report.h"
#include "texts/texts.h"

namespace ardv {

void reglageBonus(PitchRun& run, float maxVoisement, float maxEnerVois) {
  VoicingThresholds& t = run.thr;
  t.maxVoise = maxVoisement - 19;
  t.maxSourd = maxVoisement - 29;
  t.seuilSourd = std::max(maxEnerVois - 20, 0.0f);
  t.bonusSourdMax = static_cast<float>(maxVoisement - 12.666666666666666);
  if (t.maxVoise < 0) {
    if (!run.quiet) warn(text(7202));
    t.maxVoise = 2;
    t.maxSourd = 1;
  } else if (t.maxSourd < 0) {
    if (!run.quiet) warn(text(7203));
    t.maxSourd = 2;
    t.maxVoise += 2;
  } else if (t.maxSourd < 2) {
    if (!run.quiet) warn(text(7201));
    t.maxVoise += 2;
    t.maxSourd += 2;
  }
  run.trace.line("reglageBonus()\n");
  run.trace.line("... maxVoisement=%.3g\n", maxVoisement);
  run.trace.line("... maxEnerVois=%.3g\n", maxEnerVois);
  run.trace.line("... maxSourd=%.3g\n", t.maxSourd);
  run.trace.line("... maxVoise=%.3g\n", t.maxVoise);
  run.trace.line("... seuilSourd=%.3g\n", t.seuilSourd);
  run.trace.line("... bonusSourdMax=%.3g\n", t.bonusSourdMax);
}

float contribVois(float k, float e, PitchTrace* trace) {
  float r;
  if (k < 10) r = (2 - 0.1f * k) * e;
  else if (k < 40) r = e;
  else if (k < 80) r = 0.025f * (80 - k) * e;
  else r = 0;
  if (trace) trace->line("contribVois(%.3g,%.3g)=%.3g\n", k, e, r);
  return r;
}

float bonusVoise(float e, float k, float E, const VoicingThresholds& t, PitchTrace* trace) {
  float x;
  if (E <= t.seuilSourd / 2) x = t.seuilSourd < 1e-10f ? 0.0f : e * E / t.seuilSourd;
  else x = contribVois(k, e, trace);
  float g;
  if (x <= t.maxVoise / 2)
    g = static_cast<float>((t.maxVoise / 2) * (1 + std::sin(std::numbers::pi * x / t.maxVoise - std::numbers::pi / 2)));
  else g = x;
  const float r = 0.01f * g * static_cast<float>(t.F0med);
  if (trace) trace->line("bonusVoise(%.3g,%.3g,%.3g)=%.3g\n", x, k, E, r);
  return r;
}

float bonusSourd(float e, float k, float E, const VoicingThresholds& t, PitchTrace* trace) {
  float x;
  if (E < t.seuilSourd) x = t.seuilSourd > 1e-10f ? e * E / t.seuilSourd : 0.0f;
  else x = contribVois(k, e, trace);
  const float full = 0.01f * static_cast<float>(t.F0med) * t.bonusSourdMax;
  float r;
  if (x < 1e-10f) r = full;
  else if (x >= t.maxSourd) r = 0;
  else r = static_cast<float>(full * std::cos(std::numbers::pi / 2 * x / t.maxSourd));
  if (trace) trace->line("bonusSourd(%.3g,%.3g,%.3g)=%.3g\n", x, k, E, r);
  return r;
}

void frameBonuses(PitchRun& run) {
  PitchTrace* tr = run.trace.on() ? &run.trace : nullptr;
  for (int i = 0; i < run.geo.frames; ++i) {
    run.trace.line("calcul bonus  i=%d\n", i);
    PitchFrame& fr = run.tab[static_cast<std::size_t>(i)];
    const float ev = run.enerVois[static_cast<std::size_t>(i)];
    const int j = bandColumnOf(run.geo, i);
    const float band = j >= 0 ? run.ener[static_cast<std::size_t>(j)] : 0.0f;
    const float E = (ev >= 0.5f && band >= 0.5f) ? ev : 0.0f;
    float unvoiced = 1e38f;
    for (int h = 1; h <= 3; ++h)
      unvoiced = std::min(unvoiced, bonusSourd(fr[static_cast<std::size_t>(h)].bonus, fr[static_cast<std::size_t>(h)].coefVois, E, run.thr, tr));
    fr[0].bonus = unvoiced;
    for (int h = 1; h <= 3; ++h) {
      PitchHypothesis& p = fr[static_cast<std::size_t>(h)];
      p.bonus = bonusVoise(p.bonus, p.coefVois, E, run.thr, tr);
    }
  }
}

}  // namespace ardv
