// Onset re-examination with the local table tabLoc.
#include "prosody/pitch_onset.h"

#include "platform/report.h"
#include "prosody/pitch_path.h"
#include "prosody/voicing_bonus.h"

namespace ardv {
namespace {

bool isOnset(const std::vector<int>& p, int i) {
  if (p[static_cast<std::size_t>(i)] != 0) return false;
  for (int k = 1; k <= 4; ++k)
    if (p[static_cast<std::size_t>(i - k)] != 0 || p[static_cast<std::size_t>(i + k)] == 0) return false;
  return true;
}

}  // namespace

bool rectifiePitch(PitchRun& run, std::vector<int>& p) {
  const PitchGeometry& g = run.geo;
  if (!run.fft.init(g.L, g.N)) return false;
  const int F = static_cast<int>(p.size());
  PitchTrace* tr = run.trace.on() ? &run.trace : nullptr;
  static const double kShift[4] = {0, 2.25, 2.75, 3.5};
  for (int i = 5; i < F - 4; ++i) {
    if (!isOnset(p, i)) continue;
    run.trace.line("rectifiePitch()  i=%d\n", i);
    const int R = run.tab[static_cast<std::size_t>(i + 4)][1].filled ? i + 5 : i + 4;
    if (R >= F || p[static_cast<std::size_t>(R)] <= 0) continue;
    const PitchFrame& ref = run.tab[static_cast<std::size_t>(R)];
    int k = 1;
    while (k <= 3 && ref[static_cast<std::size_t>(k)].f0 != static_cast<float>(p[static_cast<std::size_t>(R)])) ++k;
    if (k > 3) continue;
    const PitchHypothesis refHyp = ref[static_cast<std::size_t>(k)];
    const float costRef = refHyp.cost;

    PitchTable loc(kTabLocFrames);
    for (auto& fr : loc)
      for (auto& h : fr) h = PitchHypothesis{1e37f, 1e37f, 0, -1, 0, -1e37f, 0, 0};
    loc[0][0].cost = run.tab[static_cast<std::size_t>(i)][0].cost;
    for (int h = 1; h <= 3; ++h) loc[0][static_cast<std::size_t>(h)].f0 = 1.0f;
    for (int f = 1; f <= 3; ++f) {
      const auto pos = static_cast<std::int64_t>((i + kShift[f]) * g.S);
      const FrameCandidates cand = calUnPitch(run, pos);
      const bool filled = run.tab[static_cast<std::size_t>(i + f)][1].filled != 0;
      PitchFrame& fr = loc[static_cast<std::size_t>(f)];
      fr[0].prevFrame = -1;
      for (int m = 0; m < 3; ++m) {
        const PitchCandidate& c = cand[static_cast<std::size_t>(m)];
        PitchHypothesis& h = fr[static_cast<std::size_t>(m + 1)];
        h.prevFrame = -1;
        h.f0 = static_cast<float>(c.f0);
        h.bonus = (c.f0 <= 0 || filled) ? 0.0f
                                        : bonusVoise(c.energy, c.coef, run.enerVois[static_cast<std::size_t>(i + f)], run.thr, tr);
      }
    }
    loc[4][1] = refHyp;
    loc[4][2].f0 = -1;
    loc[4][3].f0 = -1;
    loc[4][0].bonus = 0;
    run.trace.table("tabLoc", loc);
    lisPitch(loc, run.params, run.thr.F0med);
    run.trace.table("tabLoc", loc);
    if (!(loc[4][1].cost < costRef)) continue;
    const int a = loc[4][1].prevHyp;
    const int b = (a >= 0 && a <= 3) ? loc[3][static_cast<std::size_t>(a)].prevHyp : -1;
    const int c = (b >= 0 && b <= 3) ? loc[2][static_cast<std::size_t>(b)].prevHyp : -1;
    if (a < 0 || b < 0 || c < 0 || a > 3 || b > 3 || c > 3) {
      if (!run.quiet) message("unconsistent prog dyn in RectifiePitch");
      continue;
    }
    p[static_cast<std::size_t>(i + 3)] = static_cast<int>(loc[3][static_cast<std::size_t>(a)].f0);
    p[static_cast<std::size_t>(i + 2)] = static_cast<int>(loc[2][static_cast<std::size_t>(b)].f0);
    p[static_cast<std::size_t>(i + 1)] = static_cast<int>(loc[1][static_cast<std::size_t>(c)].f0);
    if (R == i + 5) p[static_cast<std::size_t>(i + 4)] = (p[static_cast<std::size_t>(i + 3)] + p[static_cast<std::size_t>(i + 5)]) / 2;
  }
  return true;
}

}  // namespace ardv
