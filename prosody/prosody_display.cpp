// Energy curve and pitch-file values of the displayed stretch.
#include "prosody/prosody_display.h"

#include <cstdio>

#include "annotation/texts.h"
#include "prosody/energy.h"
#include "prosody/pitch_file_reader.h"
#include "signal/program.h"
#include "signal/results.h"
#include "signal/time_conversion.h"

namespace ardv {

std::vector<EnergyPoint> energyCurve(std::int64_t first, std::int64_t last) {
  std::vector<EnergyPoint> points;
  const Program& prog = program();
  if (!prog.fileLoaded) return points;
  EnergyParams& p = energyParams();
  EnergySetup setup;
  if (!energySetup(p, prog.en_cours.frequence, setup)) return points;
  const double fs = prog.en_cours.frequence;
  char line[160];
  resultsOpen();
  resultsWriteLine(textf(8546, {double(p.fLow), double(p.fHigh)}));
  resultsWriteLine(textf(8547, {double(p.windowMs)}));
  resultsWriteLine("[ms]\t[dB]");
  for (std::int64_t t = first; t + setup.Le < last; t += setup.He) {
    const float e = energyAt(t);
    points.push_back({t, e});
    std::snprintf(line, sizeof line, "%d  %.0f", static_cast<int>(samplesToMs(static_cast<double>(t), fs)), e);
    resultsWriteLine(line);
  }
  resultsClose();
  return points;
}

std::vector<F0Point> pitchFileValues(std::int64_t first, std::int64_t last) {
  std::vector<F0Point> points;
  const Program& prog = program();
  const double fs = prog.en_cours.frequence;
  if (!prog.fileLoaded || fs < 1e-10) return points;
  const auto S = static_cast<std::int64_t>(fs * 0.008);
  const auto L = static_cast<std::int64_t>(fs * 32 * 0.001);
  if (S <= 0) return points;
  const std::int64_t gridMs = 8 * (samplesToMs(static_cast<double>(first), fs) / 8);
  for (std::int64_t t = msToSamples(static_cast<double>(gridMs), fs) + L / 2; t <= last; t += S) {
    const int hz = pitchFromFile(t);
    if (hz > 0) points.push_back({t, hz});
  }
  return points;
}

}  // namespace ardv
