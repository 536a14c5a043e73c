// Snake tracking on the formant window's pieces.
#include "formants/snake_tracks.h"

#include <algorithm>
#include <cmath>

#include "signal/time_conversion.h"

namespace ardv {

bool contoursFromPieces(const KlattTracks& tracks, const SupportImage& image, std::int64_t offset, bool selectedOnly,
                        std::array<Contour, kSnakeFormants>& contours) {
  for (Contour& c : contours) c.clear();
  const double fs = tracks.frequence;
  if (!(fs > 0.0) || image.hop < 1) return false;
  const double startMs = samplesToMs(static_cast<double>(image.first + offset), fs);
  const double endMs = samplesToMs(static_cast<double>(image.last + offset), fs);
  // The common span of the formants that have pieces in the stretch.
  double from = startMs, to = endMs;
  bool any = false;
  for (int k = 0; k < kSnakeFormants; ++k) {
    double lo = 1e300, hi = -1e300;
    for (const auto& p : tracks.groups[static_cast<std::size_t>(k + 1)]) {
      if (selectedOnly && !p->selected) continue;
      if (p->fin() < startMs || p->debut() > endMs) continue;
      lo = std::min<double>(lo, std::max<double>(p->debut(), startMs));
      hi = std::max<double>(hi, std::min<double>(p->fin(), endMs));
    }
    if (lo > hi) continue;
    any = true;
    from = std::max(from, lo);
    to = std::min(to, hi);
  }
  if (!any || from >= to) return false;
  for (int k = 0; k < kSnakeFormants; ++k) {
    Contour& c = contours[static_cast<std::size_t>(k)];
    bool hasSelected = false;
    for (const auto& p : tracks.groups[static_cast<std::size_t>(k + 1)]) hasSelected |= p->selected;
    for (const auto& p : tracks.groups[static_cast<std::size_t>(k + 1)]) {
      // Unselected formants still give contours: they repel the moving ones.
      if (selectedOnly && hasSelected && !p->selected) continue;
      if (p->fin() < from) continue;
      if (p->debut() > to) break;
      for (int i = 0; i < p->nbPoints; ++i) {
        const std::int32_t date = p->date(i);
        const float hz = p->y(i, 0);
        if (date < from || date > to || isUnset(hz) || !(hz > 0.0f)) continue;
        const double x = static_cast<double>(msToSamples(date, fs) - offset - image.frameLength / 2 - image.first) /
                         image.hop;
        if (x < 0.0 || x > image.columns - 1) continue;
        if (!c.empty() && std::lround(c.back().x) >= std::lround(x)) continue;
        c.push_back({x, std::clamp(hz * 512.0 / fs, 0.0, static_cast<double>(image.workingRows() - 1))});
      }
    }
  }
  return true;
}

int commitSnakeTrack(KlattTracks& tracks, int k, const std::vector<SnakeTrackPoint>& track, bool selectedOnly) {
  const int group = k + 1;
  if (track.size() < 2 || group < 1 || group > kSnakeFormants) return 0;
  TabPoint<Point2P> w;
  for (const SnakeTrackPoint& p : track) {
    const auto date = static_cast<std::int32_t>(std::lround(p.timeMs));
    if (!w.points.empty() && date <= w.points.back().date) continue;
    w.points.push_back({date, 0, {static_cast<float>(p.frequencyHz)}});
  }
  if (w.points.size() < 2) return 0;
  int set = 0;
  if (!selectedOnly) {
    const int scale = tracks.scale;
    tracks.scale = 0;
    tracks.working = std::move(w);
    const std::size_t n = tracks.working.points.size();
    const bool ok = tracks.commitWorking(group);
    tracks.scale = scale;
    return ok ? static_cast<int>(n) : 0;
  }
  const auto& pts = w.points;
  for (auto& piece : tracks.groups[static_cast<std::size_t>(group)]) {
    if (!piece->selected) continue;
    std::size_t j = 0;
    for (int i = 0; i < piece->nbPoints; ++i) {
      const std::int32_t d = piece->date(i);
      if (d < pts.front().date || d > pts.back().date) continue;
      while (j + 2 < pts.size() && pts[j + 1].date <= d) ++j;
      const auto& a = pts[j];
      const auto& b = pts[j + 1];
      const double u = b.date > a.date ? static_cast<double>(d - a.date) / (b.date - a.date) : 0.0;
      *piece->py(i, 0) = static_cast<float>(std::round(a.values[0] + u * (b.values[0] - a.values[0])));
      ++set;
    }
  }
  return set;
}

int trackPiecesWithSnakes(KlattTracks& tracks, SupportImageCache& cache, const SnakeStretch& s,
                          const FormantOptions& options, const SnakeParams& params, const SnakeChoices& choices,
                          const std::function<void(const std::vector<std::vector<SnakeTrackPoint>>&)>& display) {
  const double fs = tracks.frequence;
  std::int64_t first = s.first, last = s.last;
  if (last - first < 1) return 0;
  if (choices.start == SnakeStart::ExistingSelected) {
    bool any = false;
    for (int g = 1; g <= kSnakeFormants; ++g)
      for (const auto& p : tracks.groups[static_cast<std::size_t>(g)]) any |= p->selected;
    if (!any) return 0;  // nothing would be replaced
  }
  const SupportImage* image = cache.get(s.key, s.samples, first, last, fs, choices.method, options);
  if (!image) return -1;
  std::vector<Contour> initial;
  std::vector<int> formants;  // formant index of each contour
  std::vector<bool> moving;
  bool scratch = choices.start == SnakeStart::Scratch;
  if (!scratch) {
    std::array<Contour, kSnakeFormants> fromPieces;
    const bool selectedOnly = choices.start == SnakeStart::ExistingSelected;
    if (contoursFromPieces(tracks, *image, s.offset, selectedOnly, fromPieces)) {
      for (int k = 0; k < kSnakeFormants; ++k) {
        if (fromPieces[static_cast<std::size_t>(k)].size() < 2) continue;
        bool selected = false;
        for (const auto& p : tracks.groups[static_cast<std::size_t>(k + 1)]) selected |= p->selected;
        initial.push_back(std::move(fromPieces[static_cast<std::size_t>(k)]));
        formants.push_back(k);
        moving.push_back(!selectedOnly || selected);
      }
    }
    if (initial.empty()) {  // no common span: from scratch over the shown stretch
      scratch = true;
      first = s.shownFirst;
      last = s.shownLast;
      if (last - first < 1) return 0;
      image = cache.get(s.key, s.samples, first, last, fs, choices.method, options);
      if (!image) return -1;
    }
  }
  if (scratch) {
    if (!initialContours(s.samples, *image, options, choices.initial, initial)) return -1;
    for (std::size_t k = 0; k < initial.size(); ++k) {
      formants.push_back(static_cast<int>(k));
      moving.push_back(true);
    }
  }
  std::vector<Contour> contours;
  std::vector<int> kept;
  std::vector<bool> keptMoving;
  for (std::size_t i = 0; i < initial.size(); ++i) {
    Contour d;
    if (discretiseContour(initial[i], params.step, d) <= 1) continue;
    contours.push_back(std::move(d));
    kept.push_back(formants[i]);
    keptMoving.push_back(moving[i]);
  }
  auto shown = [&](int, const std::vector<Contour>& now) {
    if (display) display(contoursToTracks(*image, now, s.offset));
  };
  if (!runSnakes(*image, contours, params, keptMoving, shown)) return -1;
  const auto result = contoursToTracks(*image, contours, s.offset);
  // From existing selected formants replaces only the selected pieces, even
  // after the fall-back to from scratch.
  const bool selectedOnly = choices.start == SnakeStart::ExistingSelected;
  int committed = 0;
  for (std::size_t i = 0; i < result.size(); ++i)
    if (keptMoving[i] && commitSnakeTrack(tracks, kept[i], result[i], selectedOnly) > 0) ++committed;
  return committed;
}

}  // namespace ardv
