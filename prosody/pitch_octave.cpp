// Subharmonics raised after the path.
#include "prosody/pitch_octave.h"

#include <cstdlib>

namespace ardv {
namespace {

// Raise measured for frame i's track value: voiceF0 / f0 of the first
// candidate with this F0; 0 when none has it.
double measuredRaise(const PitchRun& run, const std::vector<int>& p, std::size_t i) {
  if (i >= run.tab.size() || i >= run.voice.size()) return 0;
  for (std::size_t h = 1; h <= 3; ++h)
    if (run.tab[i][h].f0 == static_cast<float>(p[i])) return run.voice[i][h - 1].f0 / static_cast<double>(p[i]);
  return 0;
}

}  // namespace

void raiseSubharmonics(const PitchRun& run, std::vector<int>& p) {
  const std::size_t n = p.size();
  std::vector<double> raise(n, 0);
  for (std::size_t i = 0; i < n; ++i)
    if (p[i] > 0) raise[i] = measuredRaise(run, p, i);
  std::size_t start = 0;
  while (start < n) {
    if (p[start] <= 0) {
      ++start;
      continue;
    }
    std::size_t end = start;
    while (end < n && p[end] > 0) ++end;
    // Unmeasured frames take the raise of the nearest measured frame.
    const std::vector<double> own(raise.begin() + static_cast<std::ptrdiff_t>(start),
                                  raise.begin() + static_cast<std::ptrdiff_t>(end));
    for (std::size_t i = start; i < end; ++i) {
      if (raise[i] != 0) continue;
      const std::size_t at = i - start;
      for (std::size_t d = 1; d < own.size(); ++d) {
        std::size_t j = own.size();
        if (at >= d && own[at - d] != 0) j = at - d;
        else if (at + d < own.size() && own[at + d] != 0) j = at + d;
        if (j == own.size()) continue;
        // Only a frame in the same octave as the measured one follows it.
        const int ref = p[start + j];
        if (std::abs(p[i] - ref) <= 0.2 * ref) raise[i] = own[j];
        break;
      }
    }
    for (std::size_t i = start; i < end; ++i) {
      const auto raised = nearestInt(p[i] * raise[i]);
      if (raise[i] >= 1.5 && raised <= run.params.f0Max) p[i] = static_cast<int>(raised);
    }
    start = end;
  }
}

}  // namespace ardv
