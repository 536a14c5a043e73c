// F0 contour import, save and point edits.
#include "shell/prosody/f0_contour_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/report.h"
#include "prosody/pitch_file.h"
#include "prosody/psola.h"
#include "signal/replacing_file.h"
#include "signal/time_conversion.h"
#include "signal/writable_target.h"
#include "texts/texts.h"

namespace ardv {

std::vector<std::pair<long, int>> F0Contour::points() const {
  std::vector<std::pair<long, int>> out;
  for (const Point2P& p : modifiable.tab().points) out.emplace_back(p.date, static_cast<int>(p.values[0]));
  return out;
}

bool importContour(const std::filesystem::path& path, const std::string& signal, double fs, F0Contour& out) {
  std::vector<std::pair<long, int>> points;
  if (!readContourPoints(path, points)) return false;
  F0Contour c;
  c.signal = signal, c.fs = fs;
  for (const auto& [ms, hz] : points) {
    const float v[1] = {static_cast<float>(hz)};
    const auto sample = static_cast<std::int32_t>(msToSamples(static_cast<double>(ms), fs));
    c.reference.push(static_cast<std::int32_t>(ms), sample, v);
    c.modifiable.push(static_cast<std::int32_t>(ms), sample, v);
  }
  out.signal = c.signal, out.fs = c.fs;
  out.reference.tab() = c.reference.tab(), out.reference.sync(true);
  out.modifiable.tab() = c.modifiable.tab(), out.modifiable.sync(true);
  return true;
}

bool saveContour(const F0Contour& contour, const std::filesystem::path& path) {
  if (!isSeparateOutput(path.string(), contour.signal)) return false;
  std::string text = kPitchHeader;
  for (const Point2P& p : contour.modifiable.tab().points) {
    char line[40];
    std::snprintf(line, sizeof line, "%10d %5d\r\n", p.date, static_cast<int>(std::trunc(p.values[0])));
    text += line;
  }
  ReplacingFile file(path);
  if (!file.open() || !file.write(text) || !file.commit()) {
    message("erreur d'ecriture\r\n" + path.string() + ": " + file.error());
    return false;
  }
  return true;
}

bool contourBelongsTo(const F0Contour& contour, const std::string& signal) {
  if (!contour.empty() && contour.signal == signal) return true;
  message(text(6931));
  return false;
}

int pickPoint(const F0Contour& contour, double ms, double hz, double hzPerMs, double toleranceMs) {
  int best = -1;
  double bestD = 1e300;
  const auto& pts = contour.modifiable.tab().points;
  for (std::size_t i = 0; i < pts.size(); ++i) {
    const double dt = pts[i].date - ms;
    if (std::fabs(dt) > toleranceMs) continue;
    const double d = std::hypot(dt * hzPerMs, pts[i].values[0] - hz);
    if (d < bestD) bestD = d, best = static_cast<int>(i);
  }
  return best;
}

void movePoint(F0Contour& contour, int i, double hz) {
  if (i < 0 || i >= contour.modifiable.nbPoints) return;
  float* v = contour.modifiable.py(i, 0);
  if (*v <= 0) return;
  *v = static_cast<float>(std::clamp(std::round(hz), 1.0, 1000.0));
}

int drawStroke(F0Contour& contour, double ms0, double hz0, double ms1, double hz1) {
  if (ms1 < ms0) {
    std::swap(ms0, ms1);
    std::swap(hz0, hz1);
  }
  auto& pts = contour.modifiable.tab().points;
  int set = 0;
  for (Point2P& p : pts) {
    if (p.date < ms0 || p.date > ms1 || p.values[0] <= 0) continue;
    const double hz = ms1 > ms0 ? hz0 + (hz1 - hz0) * (p.date - ms0) / (ms1 - ms0) : hz1;
    p.values[0] = static_cast<float>(std::clamp(std::round(hz), 1.0, 1000.0));
    ++set;
  }
  return set;
}

int shiftStretch(F0Contour& contour, double firstMs, double lastMs, double semitones) {
  const double factor = std::pow(2.0, semitones / 12.0);
  int changed = 0;
  for (Point2P& p : contour.modifiable.tab().points) {
    if (p.date < firstMs || p.date > lastMs || p.values[0] <= 0) continue;
    const auto hz = static_cast<float>(std::clamp(p.values[0] * factor, 1.0, 1000.0));
    changed += hz != p.values[0];
    p.values[0] = hz;
  }
  return changed;
}

}  // namespace ardv
