// Dynamic-programming path search, read-back and gap filling of the F0 track.
#include "prosody/pitch_path.h"

#include <algorithm>
#include <cmath>

#include "platform/report.h"

namespace ardv {
namespace {

constexpr float kImpossible = 1e38f;

const PitchHypothesis& at(const PitchTable& t, int frame, int hyp) {
  return t[static_cast<std::size_t>(frame)][static_cast<std::size_t>(hyp)];
}

}  // namespace

bool noRecentVoicingChange(const PitchTable& table, int frame, int hyp) {
  const int stop = std::max(frame - 4, 0);
  int f = frame, h = hyp;
  while (f > stop) {
    const PitchHypothesis& node = at(table, f, h);
    const int pf = node.prevFrame, ph = node.prevHyp;
    if (pf < 0 || pf >= f || ph < 0 || ph > 3) break;
    if ((h == 0) != (ph == 0)) return false;
    f = pf;
    h = ph;
  }
  return true;
}

void lisPitch(PitchTable& table, const SpeakerF0Params& params, int F0med) {
  const int frames = static_cast<int>(table.size());
  const float lo = 0.4f * static_cast<float>(F0med), hi = 2.5f * static_cast<float>(F0med);
  const double ln2 = std::log(2.0);
  for (int t = 1; t < frames; ++t) {
    for (int s = 0; s < 4; ++s) {
      PitchHypothesis& cur = table[static_cast<std::size_t>(t)][static_cast<std::size_t>(s)];
      const float Fts = cur.f0, Bts = cur.bonus;
      if (s >= 1 && (Fts < lo || Fts > hi)) {
        cur.cost = kImpossible;
        cur.prevFrame = cur.prevHyp = -1;
        cur.slope = 0;
        continue;
      }
      float best = kImpossible, bestSlope = 0;
      int bestU = -1, bestR = -1;
      for (int u = std::max(t - params.maxJump, 0); u < t; ++u) {
        for (int r = 0; r < 4; ++r) {
          const PitchHypothesis& prev = at(table, u, r);
          const float Fur = prev.f0;
          if (Fur <= -1) continue;
          float c, slope = 0;
          const float dt = static_cast<float>(u - t);
          if (r == 0 && s == 0) {
            c = -Bts + prev.cost;
          } else if (r >= 1 && s >= 1) {
            float sigma = (Fur - Fts) / dt * 0.125f;
            if (std::fabs(std::fabs(std::log(static_cast<double>(Fur) / Fts)) / ln2 - 1) < 0.15) sigma *= 4;
            c = std::fabs(sigma) * params.slopeWeight - Bts + std::fabs(sigma - prev.slope) * params.slopeChangeWeight +
                prev.cost;
            slope = std::trunc(sigma);
          } else {
            if (!noRecentVoicingChange(table, u, r)) continue;
            const float sigma = ((r == 0 ? 0.0f : Fur) - (s == 0 ? 0.0f : Fts)) / dt * 0.125f;
            c = params.slopeWeight * std::fabs(0.2f * sigma) - Bts + prev.cost;
          }
          if (c < best) {
            best = c;
            bestU = u;
            bestR = r;
            bestSlope = slope;
          }
        }
      }
      cur.cost = best;
      cur.prevFrame = bestU;
      cur.prevHyp = bestR;
      cur.slope = bestU < 0 ? 0 : bestSlope;
    }
  }
}

void meilPitch(const PitchTable& table, std::vector<int>& p, int maxJump) {
  const int frames = static_cast<int>(table.size());
  p.assign(static_cast<std::size_t>(frames), -1);
  if (frames == 0) return;
  int f = -1, h = 0;
  float best = 0;
  for (int u = std::max(frames - maxJump, 0); u < frames; ++u)
    for (int r = 0; r < 4; ++r)
      if (f < 0 || at(table, u, r).cost < best) {
        best = at(table, u, r).cost;
        f = u;
        h = r;
      }
  while (true) {
    const PitchHypothesis& node = at(table, f, h);
    p[static_cast<std::size_t>(f)] = static_cast<int>(node.f0);
    if (node.prevFrame == -1) break;
    if (node.prevFrame < 0 || node.prevFrame >= f || node.prevHyp < 0 || node.prevHyp > 3) {
      debugMessage("meilpitch() : bad pitch index");
      break;
    }
    f = node.prevFrame;
    h = node.prevHyp;
  }
}

void completePitch(std::vector<int>& p, PitchTable& table) {
  const int F = static_cast<int>(p.size());
  auto mark = [&](int i) { table[static_cast<std::size_t>(i)][1].filled = 1; };
  auto unvoicedCost = [&](int i) -> float& { return table[static_cast<std::size_t>(i)][0].cost; };
  for (int i = 0; i < F; ++i) {
    int& v = p[static_cast<std::size_t>(i)];
    if (v != -1) continue;
    const int prev = i > 0 ? p[static_cast<std::size_t>(i - 1)] : -2;
    const int next = i + 1 < F ? p[static_cast<std::size_t>(i + 1)] : -2;
    if ((i == 0 && next == 0) || (i == F - 1 && prev == 0) || (i > 0 && i < F - 1 && prev == 0 && next == 0)) {
      v = 0;
    } else if (i == 0) {
      v = 0;
      unvoicedCost(0) = 0;
      mark(0);
    } else if (i == F - 1) {
      if (prev > 0) v = prev;
    } else if (prev == 0 || next == 0) {
      v = 0;
      unvoicedCost(i) = unvoicedCost(i - 1);
      mark(i);
    } else if (prev > 0 && next > 0) {
      v = static_cast<int>(nearestInt((prev + next) * 0.5));
      mark(i);
    }
  }
}

}  // namespace ardv
