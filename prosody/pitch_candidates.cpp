// pitchBrutMartin: candidates of every frame, then the run's statistics.
#include "prosody/pitch_candidates.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "prosody/voicing_bonus.h"
#include "prosody/voicing_check.h"
#include "prosody/voicing_stats.h"

namespace ardv {

double humOf(std::vector<float> lowPeaks, int frames) {
  if (frames < kHumMinFrames) return 0;
  std::erase(lowPeaks, 0.0f);
  std::sort(lowPeaks.begin(), lowPeaks.end());
  // The widest gathering within 2 kHumWidthHz.
  std::size_t best = 0, from = 0;
  for (std::size_t a = 0, b = 0; b < lowPeaks.size(); ++b) {
    while (lowPeaks[b] - lowPeaks[a] > 2 * kHumWidthHz) ++a;
    if (b + 1 - a > best) best = b + 1 - a, from = a;
  }
  if (best < kHumShare * frames) return 0;
  return lowPeaks[from + best / 2];
}

bool noiseOnGrid(const PitchRun& run) {
  if (run.voice.empty()) return false;
  std::vector<float> medians;
  medians.reserve(run.voice.size());
  for (const auto& v : run.voice) medians.push_back(v[0].medianDb);
  auto q = medians.begin() + static_cast<std::ptrdiff_t>(medians.size() / 10);
  std::nth_element(medians.begin(), q, medians.end());
  return *q > kPeakFloorDb + kNoisyRunMarginDb;
}

void judgeByHarmonics(PitchRun& run, float strongEnergy, bool noisyRun) {
  for (std::size_t i = 0; i < run.tab.size(); ++i) {
    PitchFrame& fr = run.tab[i];
    const std::array<VoiceCheck, 3>& voice = run.voice[i];
    float top = -1;
    bool sure = false;  // some candidate leaves the unvoiced hypothesis no bonus
    for (std::size_t h = 1; h <= 3; ++h) {
      if (fr[h].f0 < 2) continue;
      top = std::max(top, voice[h - 1].riseDb);
      sure = sure || contribVois(fr[h].coefVois, fr[h].bonus, nullptr) >= run.thr.maxSourd;
    }
    for (std::size_t h = 1; h <= 3; ++h) {
      const float rise = voice[h - 1].riseDb;
      if (fr[h].f0 < 2 || rise < 0) continue;
      if (noisyRun && rise < kNoiseRiseDb) {
        fr[h].bonus = 0;
      } else if (!sure && rise >= kHarmonicRiseDb && rise == top) {
        fr[h].bonus = std::max(fr[h].bonus, strongEnergy);
        fr[h].coefVois = std::min(fr[h].coefVois, kVoicedCoef);
      }
    }
  }
}

void lendSubharmonicBonuses(PitchRun& run) {
  for (std::size_t i = 0; i < run.tab.size(); ++i) {
    PitchFrame& fr = run.tab[i];
    std::array<VoiceCheck, 3>& voice = run.voice[i];
    for (std::size_t a = 1; a <= 3; ++a) {
      const int target = voice[a - 1].f0;
      if (fr[a].f0 < 2 || target <= static_cast<int>(fr[a].f0)) continue;
      const auto t = static_cast<float>(target);
      bool lent = false;
      for (std::size_t b = 1; b <= 3; ++b)
        if (b != a && std::abs(fr[b].f0 - t) <= 0.1f * t) {
          fr[b].bonus = std::max(fr[b].bonus, fr[a].bonus);
          lent = true;
        }
      if (lent) continue;
      // No candidate near the voice's F0: it takes the place of a missing
      // candidate, else of another subharmonic, else of the weakest other
      // candidate when that one is weaker, with the subharmonic's measures.
      auto rank = [&](std::size_t b) {
        if (fr[b].f0 < 2) return 0;
        return voice[b - 1].f0 > static_cast<int>(fr[b].f0) ? 1 : 2;
      };
      std::size_t weakest = 0;
      for (std::size_t b = 1; b <= 3; ++b) {
        if (b == a) continue;
        if (weakest == 0 || rank(b) < rank(weakest) || (rank(b) == rank(weakest) && fr[b].bonus < fr[weakest].bonus))
          weakest = b;
      }
      if (weakest == 0 || (rank(weakest) == 2 && fr[weakest].bonus >= fr[a].bonus)) continue;
      fr[weakest].f0 = t;
      fr[weakest].bonus = fr[a].bonus;
      fr[weakest].coefVois = fr[a].coefVois;
      voice[weakest - 1] = voice[a - 1];
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
  run.voice.assign(static_cast<std::size_t>(g.frames), {});
  for (auto& fr : run.tab)
    for (auto& h : fr) h = PitchHypothesis{0, 0, -1, 0, 0, 0, 0, 0};
  // The frames again without the hum when the first pass finds it (with
  // the periodicity check on: voicing threshold 0 keeps the earlier tracks).
  for (int pass = 0; pass < 2; ++pass) {
    run.lowPeaks.clear();
    int quiet = 0, analysed = 0;
    for (int i = 0; i < g.frames; ++i) {
      const int j = bandColumnOf(g, i);
      if (j >= 0 && run.ener[static_cast<std::size_t>(j)] >= kQuietBandEnergy) quiet = 0;
      else ++quiet;
      FrameCandidates cand;
      if (quiet <= kQuietFramesAnalysed) {
        cand = calUnPitch(run, static_cast<std::int64_t>(i) * g.S);
        ++analysed;
      }
      PitchFrame& fr = run.tab[static_cast<std::size_t>(i)];
      for (int m = 0; m < 3; ++m) {
        PitchHypothesis& h = fr[static_cast<std::size_t>(m + 1)];
        const PitchCandidate& c = cand[static_cast<std::size_t>(m)];
        h.f0 = static_cast<float>(c.f0);
        h.bonus = h.f0 > 1.0f ? c.energy : 0.0f;
        h.coefVois = h.f0 > 1.0f ? c.coef : 0.0f;
        run.voice[static_cast<std::size_t>(i)][static_cast<std::size_t>(m)] = c.voice;
      }
    }
    if (pass > 0 || run.params.voicingThreshold <= 0 || (run.humHz = humOf(run.lowPeaks, analysed)) == 0) break;
    run.trace.line("hum at %.1f Hz\n", run.humHz);
    run.xWithoutHum = withoutHum(run.x, run.geo.fs, run.humHz);
  }

  Histogram voise;
  for (const auto& fr : run.tab) voise.add(fr[1].bonus);
  const int maxVoisement = voise.quantile(0.1);
  run.trace.line("maxVoisement=%.3g\n", static_cast<double>(maxVoisement));
  run.trace.line("medVoisement=%.3g\n", static_cast<double>(voise.quantile(0.6)));
  // The median is of the voice: a first candidate that the spectrum shows to
  // be a subharmonic counts with the F0 it is a subharmonic of.
  std::vector<int> f0Estim;
  for (std::size_t i = 0; i < run.tab.size(); ++i)
    if (run.tab[i][1].bonus > 0.85 * maxVoisement)
      f0Estim.push_back(std::max(static_cast<int>(run.tab[i][1].f0), run.voice[i][0].f0));
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
  judgeByHarmonics(run, static_cast<float>(maxVoisement), noiseOnGrid(run));
  frameBonuses(run);
  lendSubharmonicBonuses(run);
  run.trace.line("fin pitchBrutMartin()\n");
  return true;
}

}  // namespace ardv
