#include "klatt/klatt_tracks.h"

#include <algorithm>
#include <string>

#include "klatt/formant_listing.h"
#include "platform/report.h"
#include "signal/time_conversion.h"
#include "texts/texts.h"

namespace ardv {

bool KlattTracks::empty() const {
  return std::all_of(groups.begin(), groups.end(), [](const KlattPieceList& l) { return l.empty(); });
}

std::optional<std::int32_t> KlattTracks::firstDate() const {
  std::optional<std::int32_t> first;
  for (const auto& list : groups)
    for (const auto& p : list)
      if (p->nbPoints > 0 && (!first || p->debut() < *first)) first = p->debut();
  return first;
}

std::optional<std::int32_t> KlattTracks::lastDate() const {
  std::optional<std::int32_t> last;
  for (const auto& list : groups)
    for (const auto& p : list)
      if (p->nbPoints > 0 && (!last || p->fin() > *last)) last = p->fin();
  return last;
}

void KlattTracks::insertPiece(int group, std::unique_ptr<PolyPointsKla> piece) {
  if (group < 0 || group >= kKlattGroups || !piece || piece->nbPoints == 0) return;
  insertByStart(groups[group], std::move(piece));
}

bool KlattTracks::open(const std::filesystem::path& file, std::optional<std::int32_t> offsetMs, bool fileStep) {
  KlattGroups read;
  std::vector<KlattRecord> asRead;
  long frames = 0;
  const int step = fileStep ? klattFileFrameStep(file).value_or(stepMs) : stepMs;
  if (!lirePP(file, offsetMs.value_or(0), defaults, step, frequence, read, true, &frames, &asRead)) return false;
  if (frames == 0) {
    message(file.string() + ": the parameter file holds no frame");
    return false;
  }
  groups = std::move(read);
  fileFrames = std::move(asRead);
  stepMs = step;
  return true;
}

bool KlattTracks::paste(const std::filesystem::path& file, std::int32_t offsetMs, std::int64_t lastSample) {
  std::int32_t first = -1, last = -1;
  long frames = 0;
  if (!dateDebFinFilePP(file, first, last, &frames)) return false;
  if (frames == 0) {
    message(file.string() + ": the parameter file holds no frame");
    return false;
  }
  const double start = static_cast<double>(offsetMs) + first;
  if (msToSamples(start, frequence) > lastSample + msToSamples(1000, frequence)) {
    message(text(6461));
    return false;
  }
  KlattGroups read;
  if (!lirePP(file, offsetMs, defaults, stepMs, frequence, read)) return false;
  // Both lists are in start order; a pasted piece goes before existing
  // pieces that start at the same date.
  for (int g = 0; g < kKlattGroups; ++g) {
    read[g].merge(groups[g], [](const auto& a, const auto& b) { return a->debut() < b->debut(); });
    groups[g].swap(read[g]);
  }
  return true;
}

void KlattTracks::selectGroup(int group) {
  if (group < 0 || group >= kKlattGroups) return;
  for (auto& p : groups[group]) p->selected = true;
}

void KlattTracks::selectAll(bool on) {
  for (auto& list : groups)
    for (auto& p : list) p->selected = on;
}

int KlattTracks::deleteSelected() {
  int removed = 0;
  for (auto& list : groups)
    removed += static_cast<int>(list.remove_if([](const std::unique_ptr<PolyPointsKla>& p) { return p->selected; }));
  return removed;
}

void KlattTracks::removeFirstPointOfSelected() {
  for (auto& list : groups)
    for (auto& p : list)
      if (p->selected) p->removeFirstPoint();
  // The first point went: the start moved, keep the start order.
  for (auto& list : groups) list.sort([](const auto& a, const auto& b) { return a->debut() < b->debut(); });
}

void KlattTracks::removeLastPointOfSelected() {
  for (auto& list : groups)
    for (auto& p : list)
      if (p->selected) p->removeLastPoint();
}

int KlattTracks::smoothSelected() {
  int smoothed = 0;
  for (int g = 0; g < kKlattGroups; ++g) {
    const int column = klattScaleColumn(scale, g);
    if (column < 0) continue;
    for (auto& p : groups[g]) {
      if (!p->selected) continue;
      if (p->spline(column)) ++smoothed;
      p->selected = false;
    }
  }
  return smoothed;
}

int KlattTracks::mergeSelected() {
  int merged = 0;
  for (int g = 0; g < kKlattGroups; ++g) {
    auto& list = groups[g];
    const auto isSelected = [](const std::unique_ptr<PolyPointsKla>& p) { return p->selected; };
    if (std::count_if(list.begin(), list.end(), isSelected) < 2) continue;
    auto piece = newKlattPiece(g);
    const int columns = klattGroups()[g].columns;
    float values[4];
    std::optional<std::int32_t> lastDate;
    for (const auto& p : list) {
      if (!p->selected) continue;
      for (int i = 0; i < p->nbPoints; ++i) {
        if (lastDate && p->date(i) <= *lastDate) continue;  // inside an earlier piece
        for (int c = 0; c < columns; ++c) values[c] = p->y(i, c);
        piece->push(p->date(i), 0, std::span<const float>(values, columns));
        lastDate = p->date(i);
      }
    }
    if (!piece->echantillonne(stepMs) || piece->nbPoints == 0) continue;
    piece->recomputeSampleDates(frequence);
    piece->selected = true;
    list.remove_if(isSelected);
    insertByStart(list, std::move(piece));
    ++merged;
  }
  return merged;
}

void KlattTracks::translateSelected(double delta) {
  for (int g = 0; g < kKlattGroups; ++g) {
    const int param = klattScaleParam(scale, g);
    if (param < 0) continue;
    for (auto& p : groups[g])
      if (p->selected) p->translateKla(param, delta, scale);
  }
}

bool KlattTracks::setStep(int newStepMs) {
  if (newStepMs < 1 || newStepMs > 1000) return false;
  stepMs = newStepMs;
  for (auto& list : groups) {
    for (auto& p : list) {
      p->echantillonne(stepMs);
      p->recomputeSampleDates(frequence);
    }
    list.remove_if([](const std::unique_ptr<PolyPointsKla>& p) { return p->nbPoints == 0; });
  }
  return true;
}

bool KlattTracks::commitWorking(int group) {
  const int param = klattScaleParam(scale, group);
  if (param < 0 || working.points.empty()) return false;
  for (std::size_t i = 1; i < working.points.size(); ++i)
    if (working.points[i].date < working.points[i - 1].date) return false;
  TabPoint<Point2P> w = working;
  if (!echantillonne(w, stepMs)) return false;
  const auto& s = klattScales()[scale];
  const int column = klattParams()[param].column;
  translate(w, 0, 0.0, s.minimum, s.maximum, 0.0);  // clamps
  auto& pts = w.points;
  for (auto& piece : groups[group]) {
    if (pts.empty() || piece->fin() < pts.front().date || piece->debut() > pts.back().date) continue;
    // Both in ascending date: one merge pass.
    int i = 0;
    const int n = piece->nbPoints;
    for (auto& wp : pts) {
      if (isUnset(wp.values[0])) continue;
      while (i < n && piece->date(i) < wp.date) ++i;
      if (i < n && piece->date(i) == wp.date) {
        *piece->py(i, column) = wp.values[0];
        wp.values[0] = kUnsetValue;
      }
    }
  }
  working.points.clear();
  if (column != 0) return true;
  std::unique_ptr<PolyPointsKla> run;
  auto flush = [&] {
    if (!run) return;
    run->setDefaultKla(param, 0, defaults);
    insertByStart(groups[group], std::move(run));
  };
  const float unset[4] = {kUnsetValue, kUnsetValue, kUnsetValue, kUnsetValue};
  for (const auto& wp : pts) {
    if (isUnset(wp.values[0])) {
      flush();
      continue;
    }
    if (!run) run = newKlattPiece(group);
    float values[4];
    std::copy(unset, unset + 4, values);
    values[0] = wp.values[0];
    run->push(wp.date,
              static_cast<std::int32_t>(std::clamp<std::int64_t>(msToSamples(wp.date, frequence), INT32_MIN, INT32_MAX)),
              std::span<const float>(values, klattGroups()[group].columns));
  }
  flush();
  return true;
}

bool KlattTracks::writeFormants(const std::filesystem::path& file, std::int32_t startMs, std::int32_t endMs) const {
  std::vector<FormantListingFrame> frames;
  const bool ok = forEachKlattFrame(*this, startMs, endMs, false, [&](const KlattRecord& r, const KlattAsRead&) {
    FormantListingFrame f;
    f.dateMs = r[kDate];
    for (int k = 0; k < kListedFormants; ++k) {
      const auto& group = klattGroups()[k + 1];  // Fk, Ak, Bk, Bkp
      f.formants[k] = {static_cast<double>(r[group.params[0]]), static_cast<double>(r[group.params[1]]),
                       static_cast<double>(r[group.params[3]])};
    }
    frames.push_back(f);
    return true;
  });
  return ok && writeFormantListing(file, frames);
}

bool KlattTracks::openFormants(const std::filesystem::path& file) {
  std::vector<FormantListingFrame> frames;
  if (!readFormantListing(file, frames)) return false;
  const std::int64_t budget = std::max<std::int64_t>(4'000'000, 16 * kListedFormants * static_cast<std::int64_t>(frames.size()));
  std::int64_t points = 0;
  std::array<KlattPieceList, kListedFormants> read;
  std::array<std::unique_ptr<PolyPointsKla>, kListedFormants> open;
  auto close = [&](int k) {
    auto piece = std::move(open[k]);
    points += (static_cast<std::int64_t>(piece->fin()) - piece->debut()) / stepMs + 2;
    if (points > budget || !piece->echantillonne(stepMs)) return false;
    piece->recomputeSampleDates(frequence);
    piece->setDefaultKla(klattGroups()[k + 1].params[0], 0, defaults);
    if (piece->nbPoints > 0) insertByStart(read[k], std::move(piece));
    return true;
  };
  auto tooSparse = [&] {
    message(text(6406) + "\n" + file.string() + ": the frames lie too far apart");
    return false;
  };
  for (const auto& frame : frames) {
    for (int k = 0; k < kListedFormants; ++k) {
      const auto& f = frame.formants[k];
      if (!(f.frequency > 0)) {
        if (open[k] && !close(k)) return tooSparse();
        continue;
      }
      if (!open[k]) open[k] = newKlattPiece(k + 1);
      const float values[4] = {static_cast<float>(f.frequency), static_cast<float>(f.amplitude), kUnsetValue,
                               static_cast<float>(f.bandwidth)};
      open[k]->push(frame.dateMs,
                    static_cast<std::int32_t>(std::clamp<std::int64_t>(msToSamples(frame.dateMs, frequence), INT32_MIN, INT32_MAX)),
                    values);
    }
  }
  for (int k = 0; k < kListedFormants; ++k)
    if (open[k] && !close(k)) return tooSparse();
  for (int k = 0; k < kListedFormants; ++k) groups[k + 1] = std::move(read[k]);
  return true;
}

void KlattTracks::recomputeSampleDates(double newFrequence) {
  frequence = newFrequence;
  for (auto& list : groups)
    for (auto& p : list) p->recomputeSampleDates(frequence);
}

}  // namespace ardv
