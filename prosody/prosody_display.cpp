// Energy curve and pitch-file values of the displayed stretch.
#include "prosody/prosody_display.h"

#include <algorithm>
#include <cstdio>

#include "prosody/energy.h"
#include "prosody/pitch_file_reader.h"
#include "signal/program.h"
#include "signal/results.h"
#include "signal/time_conversion.h"
#include "texts/texts.h"

namespace ardv {
namespace {

// The energy curve in the results log: its band, its window, a line a point.
void logEnergy(const std::vector<EnergyPoint>& points, const EnergyParams& p, double fs) {
  char line[160];
  resultsOpen();
  resultsWriteLine(textf(8546, {double(p.fLow), double(p.fHigh)}));
  resultsWriteLine(textf(8547, {double(p.windowMs)}));
  resultsWriteLine("[ms]\t[dB]");
  for (const EnergyPoint& e : points) {
    std::snprintf(line, sizeof line, "%d  %.0f", static_cast<int>(samplesToMs(static_cast<double>(e.sample), fs)), e.db);
    resultsWriteLine(line);
  }
  resultsClose();
}

}  // namespace

std::vector<EnergyPoint> energyCurve(std::int64_t first, std::int64_t last) {
  std::vector<EnergyPoint> points;
  const Program& prog = program();
  if (!prog.fileLoaded) return points;
  EnergyParams& p = energyParams();
  EnergySetup setup;
  if (!energySetup(p, prog.en_cours.frequence, setup)) return points;
  for (std::int64_t t = first; t + setup.Le < last; t += setup.He) points.push_back({t, energyAt(t)});
  logEnergy(points, p, prog.en_cours.frequence);
  return points;
}

std::vector<EnergyPoint> smoothEnergy(const std::vector<EnergyPoint>& points, int width) {
  if (width <= 1) return points;
  const auto n = static_cast<std::ptrdiff_t>(points.size());
  const std::ptrdiff_t half = width / 2;
  std::vector<EnergyPoint> out(points.size());
  for (std::ptrdiff_t i = 0; i < n; ++i) {
    const std::ptrdiff_t a = std::max<std::ptrdiff_t>(0, i - half), b = std::min(n - 1, i + half);
    double sum = 0;
    for (std::ptrdiff_t k = a; k <= b; ++k) sum += points[static_cast<std::size_t>(k)].db;
    out[static_cast<std::size_t>(i)] = {points[static_cast<std::size_t>(i)].sample, static_cast<float>(sum / double(b - a + 1))};
  }
  return out;
}

std::vector<EnergyPoint> energyCurveOverView(std::int64_t first, std::int64_t last, int smoothing) {
  std::vector<EnergyPoint> points;
  const Program& prog = program();
  if (!prog.fileLoaded || prog.memory.size() == 0) return points;
  EnergyParams& p = energyParams();
  EnergySetup setup;
  if (!energySetup(p, prog.en_cours.frequence, setup)) return points;
  const std::int64_t memFirst = prog.ct.d_e, memLast = prog.ct.d_e + prog.memory.size() - 1;
  first = std::max(first, memFirst);
  last = std::min(last, memLast);
  if (last - first + 1 < setup.Le || memLast - memFirst + 1 < setup.Le) return points;
  FrameEnergy energy(setup, p.windowed);
  for (std::int64_t t = first; t <= last; t += setup.He) {
    const std::int64_t start = std::clamp<std::int64_t>(t - setup.Le / 2, memFirst, memLast - setup.Le + 1);
    points.push_back({t, energy(prog.memory.data() + (start - memFirst))});
  }
  points = smoothEnergy(points, smoothing);
  logEnergy(points, p, prog.en_cours.frequence);
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
