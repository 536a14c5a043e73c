// pitchBrutMartin: candidates of every frame, then the run's statistics.
#include "prosody/pitch_candidates.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "prosody/voicing_bonus.h"
#include "prosody/voicing_stats.h"

namespace ardv {

void lendSubharmonicBonuses(PitchRun& run) {
  for (std::size_t i = 0; i < run.tab.size(); ++i) {
    PitchFrame& fr = run.tab[i];
    for (std::size_t a = 1; a <= 3; ++a) {
      const int target = run.voiceF0[i][a - 1];
      if (fr[a].f0 < 2 || target <= static_cast<int>(fr[a].f0)) continue;
      for (std::size_t b = 1; b <= 3; ++b)
        if (b != a && std::abs(fr[b].f0 - static_cast<float>(target)) <= 0.1f * static_cast<float>(target))
          fr[b].bonus = std::max(fr[b].bonus, fr[a].bonus);
    }
  }
}

bool pitchBrutMartin(PitchRun& run) {
  const PitchGeometry& g = run.geo;
  run.comb = makeCombTables(run.params);
  if (run.trace.on())
    for (std::size_t k = 0; k < run.comb.peigne.size(); ++k)
      run.trace.line("peigne[%d]=%.3g somHarm[%d]=%.3g\n", static_cast<int>(k), run.comb.peigne[k], static_cast<int>(k),
                     run.comb.somHarm[k]);
  if (!run.fft.init(g.L, g.N)) return false;

  run.tab.assign(static_cast<std::size_t>(g.frames), PitchFrame{});
  run.voiceF0.assign(static_cast<std::size_t>(g.frames), {-1, -1, -1});
  for (auto& fr : run.tab)
    for (auto& h : fr) h = PitchHypothesis{0, 0, -1, 0, 0, 0, 0, 0};
  int quiet = 0;
  for (int i = 0; i < g.frames; ++i) {
    const int j = bandColumnOf(g, i);
    if (j >= 0 && run.ener[static_cast<std::size_t>(j)] >= kQuietBandEnergy) quiet = 0;
    else ++quiet;
    FrameCandidates cand;
    if (quiet <= kQuietFramesAnalysed) cand = calUnPitch(run, static_cast<std::int64_t>(i) * g.S);
    PitchFrame& fr = run.tab[static_cast<std::size_t>(i)];
    for (int m = 0; m < 3; ++m) {
      PitchHypothesis& h = fr[static_cast<std::size_t>(m + 1)];
      const PitchCandidate& c = cand[static_cast<std::size_t>(m)];
      h.f0 = static_cast<float>(c.f0);
      h.bonus = h.f0 > 1.0f ? c.energy : 0.0f;
      h.coefVois = h.f0 > 1.0f ? c.coef : 0.0f;
      run.voiceF0[static_cast<std::size_t>(i)][static_cast<std::size_t>(m)] = c.voiceF0;
    }
  }

  Histogram voise;
  for (const auto& fr : run.tab) voise.add(fr[1].bonus);
  const int maxVoisement = voise.quantile(0.1);
  run.trace.line("maxVoisement=%.3g\n", static_cast<double>(maxVoisement));
  run.trace.line("medVoisement=%.3g\n", static_cast<double>(voise.quantile(0.6)));
  std::vector<int> f0Estim;
  for (const auto& fr : run.tab)
    if (fr[1].bonus > 0.85 * maxVoisement) f0Estim.push_back(static_cast<int>(fr[1].f0));
  if (run.trace.on())
    for (std::size_t k = 0; k < f0Estim.size(); ++k) run.trace.line("f0Estim %d : %d", static_cast<int>(k), f0Estim[k]);
  run.thr.F0med = media_(f0Estim, run.params.f0Min + 2, run.params.f0Max - 2);
  run.trace.line("Le pitch median est %d", run.thr.F0med);
  if (!f0Estim.empty())
    run.trace.line("Le pitch moyen  est %d",
                   static_cast<int>(std::accumulate(f0Estim.begin(), f0Estim.end(), 0LL) /
                                    static_cast<long long>(f0Estim.size())));

  if (!enerVoisBrut(run)) return false;
  enerVois(run);
  Histogram histoEner;
  for (float e : run.enerVois) histoEner.add(e);
  const int maxEnerVois = histoEner.quantile(0.1);
  run.trace.line("maxEnerVois=%.3g\n", static_cast<double>(maxEnerVois));
  reglageBonus(run, static_cast<float>(maxVoisement), static_cast<float>(maxEnerVois));
  frameBonuses(run);
  lendSubharmonicBonuses(run);
  run.trace.line("fin pitchBrutMartin()\n");
  return true;
}

}  // namespace ardv
