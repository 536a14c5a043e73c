// McCandless formant tracking.
#include "formants/mccandless.h"

#include <algorithm>
#include <cmath>

#include "formants/formant_candidates.h"
#include "platform/report.h"

namespace ardv {
namespace {

constexpr double kRangeLow[4] = {180.0, 600.0, 1800.0, 3000.0};
constexpr double kRangeHigh[4] = {950.0, 2650.0, 4000.0, 5000.0};
constexpr double kCandidateLowHz = 150.0;
constexpr int kMaxCandidates = 4;

// Ranges scaled with the analysis ceiling (1 at the reference ceiling).
struct Limits {
  double scale = 1.0;
  bool inRange(int k, double f) const {
    return k >= 0 && k < 4 && f >= kRangeLow[k] * scale && f <= kRangeHigh[k] * scale;
  }
  bool candidate(const RootCandidate& r, double thresholdHz) const {
    return r.frequencyHz >= kCandidateLowHz && r.frequencyHz <= kCandidateHighHz * scale && r.bandwidthHz < thresholdHz;
  }
};

}  // namespace

bool assignFormants(const std::vector<RootCandidate>& roots, const std::array<double, 4>& previous,
                    double thresholdHz, std::array<int, 4>& assigned, std::array<RootCandidate, 4>& chosen,
                    const std::array<int, 4>* misses, double scale) {
  const Limits limits{scale};
  auto inRange = [&](int k, double f) { return limits.inRange(k, f); };
  std::array<RootCandidate, kMaxCandidates> c;
  std::array<int, kMaxCandidates> index{};  // of each candidate in `roots`
  int n = 0;
  for (std::size_t j = 0; j < roots.size() && n < kMaxCandidates; ++j)
    if (limits.candidate(roots[j], thresholdHz)) {
      index[static_cast<std::size_t>(n)] = static_cast<int>(j);
      c[static_cast<std::size_t>(n++)] = roots[j];
    }
  std::array<int, 4> holder{-1, -1, -1, -1};  // candidate of formant k
  // a. closest match
  for (int k = 0; k < 4; ++k) {
    double best = 0.0;
    for (int i = 0; i < n; ++i) {
      const double d = std::abs(c[static_cast<std::size_t>(i)].frequencyHz - previous[static_cast<std::size_t>(k)]);
      if (inRange(k, c[static_cast<std::size_t>(i)].frequencyHz) && (holder[static_cast<std::size_t>(k)] < 0 || d < best)) {
        holder[static_cast<std::size_t>(k)] = i;
        best = d;
      }
    }
  }
  // b. conflicts: the closest claimer keeps the candidate
  for (int i = 0; i < n; ++i) {
    int keeper = -1;
    double best = 0.0;
    for (int k = 0; k < 4; ++k) {
      if (holder[static_cast<std::size_t>(k)] != i) continue;
      const double d = std::abs(previous[static_cast<std::size_t>(k)] - c[static_cast<std::size_t>(i)].frequencyHz);
      if (keeper < 0 || d < best) {
        keeper = k;
        best = d;
      }
    }
    for (int k = 0; k < 4; ++k)
      if (holder[static_cast<std::size_t>(k)] == i && k != keeper) holder[static_cast<std::size_t>(k)] = -1;
  }
  // c. unclaimed candidates
  auto claimed = [&](int i) {
    for (int k = 0; k < 4; ++k)
      if (holder[static_cast<std::size_t>(k)] == i) return true;
    return false;
  };
  for (int i = 0; i < n && i < 4; ++i) {
    if (claimed(i)) continue;
    const double fi = c[static_cast<std::size_t>(i)].frequencyHz;
    int& hi = holder[static_cast<std::size_t>(i)];
    if (hi < 0) {
      if (inRange(i, fi)) hi = i;
      continue;
    }
    const RootCandidate& a = c[static_cast<std::size_t>(hi)];
    if (!(a.bandwidthHz > 2.0 * c[static_cast<std::size_t>(i)].bandwidthHz)) continue;
    const bool upFree = i + 1 < 4 && holder[static_cast<std::size_t>(i + 1)] < 0;
    const bool downFree = i - 1 >= 0 && holder[static_cast<std::size_t>(i - 1)] < 0;
    if (upFree && fi >= a.frequencyHz) {
      if (inRange(i + 1, fi)) holder[static_cast<std::size_t>(i + 1)] = i;
    } else if (downFree && fi <= a.frequencyHz) {
      if (inRange(i - 1, fi)) holder[static_cast<std::size_t>(i - 1)] = i;
    } else if (upFree || downFree) {
      // The narrow candidate lies on the other side of a: a moves to the free
      // neighbour and formant i takes the narrow candidate when it may, so
      // that the two formants never share a's frequency.
      const int neighbour = upFree && fi < a.frequencyHz ? i + 1 : i - 1;
      if (neighbour >= 0 && neighbour < 4 && holder[static_cast<std::size_t>(neighbour)] < 0 &&
          inRange(neighbour, a.frequencyHz)) {
        holder[static_cast<std::size_t>(neighbour)] = hi;
        hi = inRange(i, fi) ? i : -1;
      }
    }
  }
  // A formant left empty frame after frame while the one above holds a
  // candidate of its range: the candidates shift down.
  if (misses)
    for (int k = 0; k < 3; ++k) {
      const auto ks = static_cast<std::size_t>(k);
      if (holder[ks] < 0 && (*misses)[ks] >= kShiftAfterMisses && holder[ks + 1] >= 0 &&
          inRange(k, c[static_cast<std::size_t>(holder[ks + 1])].frequencyHz)) {
        holder[ks] = holder[ks + 1];
        holder[ks + 1] = -1;
      }
    }
  for (int k = 0; k < 4; ++k) {
    assigned[static_cast<std::size_t>(k)] = holder[static_cast<std::size_t>(k)];
    if (holder[static_cast<std::size_t>(k)] >= 0) chosen[static_cast<std::size_t>(k)] = c[static_cast<std::size_t>(holder[static_cast<std::size_t>(k)])];
  }
  // Indices refer to the filtered list; map them back to `roots`.
  for (int& a : assigned)
    if (a >= 0) a = index[static_cast<std::size_t>(a)];
  return assigned[0] >= 0 && assigned[1] >= 0 && assigned[2] >= 0;
}

bool mcCandlessFrame(std::span<const std::int16_t> samples, std::int64_t first, double fs, int order,
                     McCandlessState& state, McCandlessFrame& out) {
  CandidateFrame frame;
  if (!lpcRootsFrame(samples, first, kMcCandlessFrame, fs, order, kMaxRootBandwidthHz, 0.0, frame, nullptr))
    return false;
  std::vector<RootCandidate> roots;
  roots.reserve(frame.candidates.size());
  for (const FormantCandidate& c : frame.candidates) roots.push_back({c.frequencyHz, c.bandwidthHz, c.amplitudeDb});
  mcCandlessAssign(roots, state, out);
  out.centre = first + kMcCandlessFrame / 2;
  return true;
}

McCandlessState::McCandlessState(double rangeScale) : scale(rangeScale) {
  for (double& p : previous) p *= scale;
}

void mcCandlessAssign(const std::vector<RootCandidate>& roots, McCandlessState& state, McCandlessFrame& out) {
  std::array<int, 4> assigned{};
  std::array<RootCandidate, 4> chosen{};
  bool ok = assignFormants(roots, state.previous, 400.0, assigned, chosen, &state.misses, state.scale);
  if (!ok) {
    ok = assignFormants(roots, state.previous, 600.0, assigned, chosen, &state.misses, state.scale);
    if (!ok) reportHandler().traceLine("mccandless *");
  }
  out.succeeded = ok;
  for (int k = 0; k < 4; ++k) {
    const auto ks = static_cast<std::size_t>(k);
    if (assigned[ks] >= 0) state.previous[ks] = chosen[ks].frequencyHz;
    state.misses[ks] = assigned[ks] >= 0 ? 0 : state.misses[ks] + 1;
    if (k < 3) {
      TrackedFormant& t = out.f[ks];
      t.assigned = assigned[ks] >= 0;
      t.frequencyHz = state.previous[ks];
      t.bandwidthHz = t.assigned ? chosen[ks].bandwidthHz : 0.0;
      t.amplitudeDb = t.assigned ? chosen[ks].amplitudeDb : 0.0;
    }
  }
}

std::int64_t mcCandlessFrames(std::size_t sampleCount, double fs, std::int64_t& first, std::int64_t& last) {
  if (!(fs >= 1000.0)) {
    message("McCandless tracking needs a sampling rate of at least 1000 Hz");
    return -1;
  }
  first = std::max<std::int64_t>(first, 0);
  last = std::min<std::int64_t>(last, static_cast<std::int64_t>(sampleCount) - 2);  // one sample for the pre-emphasis
  const std::int64_t m =
      last - first + 1 >= kMcCandlessFrame ? (last - first + 1 - kMcCandlessFrame) / kMcCandlessHop : 0;
  return std::min<std::int64_t>(m, kMcCandlessMaxFrames);
}

int mcCandless(std::span<const std::int16_t> samples, std::int64_t first, std::int64_t last, double fs, int order,
               bool reversed, std::vector<McCandlessFrame>& frames) {
  const std::int64_t m = mcCandlessFrames(samples.size(), fs, first, last);
  if (m < 0) return -1;
  std::vector<McCandlessFrame> out(static_cast<std::size_t>(m));
  McCandlessState state;
  for (std::int64_t i = 0; i < m; ++i) {
    const std::int64_t start = reversed ? last + 1 - kMcCandlessFrame - i * kMcCandlessHop : first + i * kMcCandlessHop;
    if (!mcCandlessFrame(samples, start, fs, order, state, out[static_cast<std::size_t>(i)])) return -1;
  }
  frames = std::move(out);
  return static_cast<int>(m);
}

}  // namespace ardv
