// Parameter files and the groups: reading a file into pieces (lirePP), its
// first and last dates, and the frames the writers write.
#include <algorithm>
#include <string>
#include <vector>

#include "klatt/klatt_records.h"
#include "klatt/klatt_tracks.h"
#include "platform/report.h"
#include "signal/replacing_file.h"
#include "signal/time_conversion.h"
#include "texts/texts.h"

namespace ardv {
namespace {

// A file may make at most this many points, or 16 per group and frame when
// that is more: a few frames far apart cannot fill the memory.
constexpr std::int64_t kReadPointFloor = 4'000'000;
constexpr std::int64_t kReadPointsPerValue = 16;
// Dates stay well inside int32 so that offsets and steps cannot overflow.
constexpr std::int64_t kDateLimit = 1'000'000'000;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

std::int64_t resampledCount(const PolyPointsKla& piece, int stepMs) {
  if (piece.nbPoints == 0 || stepMs < 1) return 0;
  const std::int64_t t = static_cast<std::int64_t>(piece.debut()) / stepMs * stepMs;
  return std::max<std::int64_t>(0, (static_cast<std::int64_t>(piece.fin()) - t) / stepMs + 1);
}

}  // namespace

void insertByStart(KlattPieceList& list, std::unique_ptr<PolyPointsKla> piece) {
  const std::int32_t start = piece->debut();
  auto at = list.end();
  while (at != list.begin() && (*std::prev(at))->debut() >= start) --at;
  list.insert(at, std::move(piece));
}

bool dateDebFinFilePP(const std::filesystem::path& file, std::int32_t& first, std::int32_t& last, long* frames) {
  first = last = -1;
  if (frames) *frames = 0;
  KlattRecordReader reader;
  std::string reason;
  switch (reader.open(file, &reason)) {
    case KlattRecordReader::Status::cannotOpen:
      message("dateDebFinFilePP : unable to open the Klatt file\n" + file.string() + ": " + reason);
      return false;
    case KlattRecordReader::Status::unknownType:
      message(text(6462) + "\n" + file.string());
      return false;
    case KlattRecordReader::Status::ok: break;
  }
  KlattRecord record{};
  const KlattRecord defaults = initialKlattDefaults();
  bool any = false;
  while (reader.next(record, defaults)) {
    if (!any) first = record[kDate];
    last = record[kDate];
    any = true;
  }
  if (reader.stoppedAtText()) {
    message(file.string() + ": frame " + std::to_string(reader.records() + 1) + ": \"" + reader.badToken() +
            "\" is not a number");
    first = last = -1;
    return false;
  }
  if (frames) *frames = reader.records();
  return true;
}

std::optional<int> klattFileFrameStep(const std::filesystem::path& file) {
  KlattRecordReader reader;
  if (reader.open(file) != KlattRecordReader::Status::ok) return std::nullopt;
  KlattRecord a{}, b{};
  const KlattRecord defaults = initialKlattDefaults();
  if (!reader.next(a, defaults) || !reader.next(b, defaults)) return std::nullopt;
  const std::int64_t step = static_cast<std::int64_t>(b[kDate]) - a[kDate];
  if (step < 1 || step > 1000) return std::nullopt;
  return static_cast<int>(step);
}

bool lirePP(const std::filesystem::path& file, std::int32_t offsetMs, const KlattRecord& defaults, int stepMs,
            double frequence, KlattGroups& out, bool atLeastZero, long* frames, std::vector<KlattRecord>* fileFrames) {
  for (auto& list : out) list.clear();
  if (frames) *frames = 0;
  std::vector<KlattRecord> asRead;
  KlattRecordReader reader;
  std::string reason;
  switch (reader.open(file, &reason)) {
    case KlattRecordReader::Status::cannotOpen:
      message("lirePP : lecture des formants impossible\n" + file.string() + ": " + reason);
      return false;
    case KlattRecordReader::Status::unknownType:
      message("lirePP: ce n'est pas un fichier pour le synthe de Klatt\n" + file.string());
      return false;
    case KlattRecordReader::Status::ok: break;
  }
  if (stepMs < 1) {
    debugMessage("lirePP: step " + std::to_string(stepMs));
    return false;
  }
  auto fail = [&](const std::string& why) {
    for (auto& list : out) list.clear();
    if (fileFrames) fileFrames->clear();
    message(file.string() + ": " + why);
    return false;
  };
  std::array<std::unique_ptr<PolyPointsKla>, kKlattGroups> open;
  std::int64_t points = 0;
  auto close = [&](int g) {
    auto piece = std::move(open[g]);
    const std::int64_t budget = std::max(kReadPointFloor, kReadPointsPerValue * kKlattGroups * reader.records());
    points += resampledCount(*piece, stepMs);
    if (points > budget) return false;
    if (!piece->echantillonne(stepMs)) return false;
    piece->recomputeSampleDates(frequence);
    if (piece->nbPoints > 0) insertByStart(out[g], std::move(piece));
    return true;
  };
  const std::string tooMany = "the frames lie too far apart: they would make more than the " +
                              std::to_string(kReadPointFloor) + " points allowed";
  KlattRecord record{};
  std::int64_t previous = INT64_MIN;
  float values[4];
  std::int64_t offset = offsetMs;
  while (reader.next(record, defaults)) {
    if (atLeastZero && reader.records() == 1) offset = std::max<std::int64_t>(offset, -static_cast<std::int64_t>(record[kDate]));
    const std::int64_t date = static_cast<std::int64_t>(record[kDate]) + offset;
    if (date < -kDateLimit || date > kDateLimit || date < previous) {
      const std::string frame = "frame " + std::to_string(reader.records());
      if (date < previous) return fail(frame + ": the dates go backwards");
      return fail(frame + ": the date " + std::to_string(date) + " ms is out of range");
    }
    previous = date;
    if (fileFrames) {
      asRead.push_back(record);
      asRead.back()[kDate] = static_cast<std::int32_t>(date);
      asRead.back()[kF0hz10] = reader.fileF0();
    }
    const auto sampleDate =
        static_cast<std::int32_t>(std::clamp<std::int64_t>(msToSamples(static_cast<double>(date), frequence), INT32_MIN, INT32_MAX));
    for (int g = 0; g < kKlattGroups; ++g) {
      const auto& group = klattGroups()[g];
      const int key = group.params[0];
      const bool isDefault = record[key] == defaults[key];
      if (!open[g] && !isDefault) {
        open[g] = newKlattPiece(g);
      } else if (open[g] && isDefault) {
        if (!close(g)) return fail(tooMany);
      }
      if (!open[g]) continue;
      for (int c = 0; c < group.columns; ++c) values[c] = static_cast<float>(record[group.params[c]]);
      open[g]->push(static_cast<std::int32_t>(date), sampleDate, std::span<const float>(values, group.columns));
    }
  }
  if (reader.stoppedAtText())
    return fail("frame " + std::to_string(reader.records() + 1) + ": \"" + reader.badToken() + "\" is not a number");
  for (int g = 0; g < kKlattGroups; ++g)
    if (open[g] && !close(g)) return fail(tooMany);
  if (frames) *frames = reader.records();
  if (fileFrames) *fileFrames = std::move(asRead);
  return true;
}

bool forEachKlattFrame(const KlattTracks& tracks, std::int32_t startMs, std::int32_t endMs, bool selectedOnly,
                       const std::function<bool(const KlattRecord&, const KlattAsRead&)>& frame) {
  const int step = tracks.stepMs;
  if (step < 1) return false;
  struct Cursor {
    std::vector<const PolyPointsKla*> pieces;
    std::size_t piece = 0;
    int point = 0;
  };
  std::array<Cursor, kKlattGroups> cursors;
  std::int64_t first = INT64_MAX, lastEnd = INT64_MIN;
  for (int g = 0; g < kKlattGroups; ++g) {
    for (const auto& p : tracks.groups[g]) {
      if (p->nbPoints == 0 || (selectedOnly && !p->selected) || p->fin() < startMs) continue;
      cursors[g].pieces.push_back(p.get());
      first = std::min<std::int64_t>(first, std::max(startMs, p->debut()));
      lastEnd = std::max<std::int64_t>(lastEnd, p->fin());
    }
  }
  const auto& read = tracks.fileFrames;
  auto file = read.end();
  if (!selectedOnly) {
    file = std::lower_bound(read.begin(), read.end(), startMs,
                            [](const KlattRecord& r, std::int32_t t) { return r[kDate] < t; });
    if (file != read.end()) {
      first = std::min<std::int64_t>(first, (*file)[kDate]);
      lastEnd = std::max<std::int64_t>(lastEnd, read.back()[kDate]);
    }
  }
  if (first == INT64_MAX) return true;
  std::int64_t t = floorDiv(first, step) * step;
  const std::int64_t stop = std::min<std::int64_t>(endMs, lastEnd + 1);
  if (stop > t && (stop - t) / step > kMaxKlattFrames) {
    message("The parameter file would have " + std::to_string((stop - t) / step) + " frames, more than " +
            std::to_string(kMaxKlattFrames) + ".");
    return false;
  }
  const KlattRecord& defaults = tracks.defaults;
  // The value a piece holds for parameter `p` of a file frame.
  auto asPiece = [](const KlattRecord& r, int p) {
    return truncToInt32(static_cast<float>(p == kF0hz10 ? r[p] / 10 : r[p]));
  };
  KlattRecord record;
  KlattAsRead asRead;
  for (; t < endMs; t += step) {
    while (file != read.end() && (*file)[kDate] < t) ++file;
    const KlattRecord* base = file != read.end() && (*file)[kDate] == t ? &*file : nullptr;
    bool ahead = file != read.end();
    if (base) {
      record = *base;
      asRead.set();
      asRead.reset(kDate);
    } else {
      record = defaults;
      asRead.reset();
    }
    record[kDate] = static_cast<std::int32_t>(t);
    for (int g = 0; g < kKlattGroups; ++g) {
      Cursor& cur = cursors[g];
      const auto& group = klattGroups()[g];
      while (cur.piece < cur.pieces.size() && cur.pieces[cur.piece]->fin() < t) {
        ++cur.piece;
        cur.point = 0;
      }
      if (cur.piece < cur.pieces.size()) ahead = true;
      if (cur.piece >= cur.pieces.size() || cur.pieces[cur.piece]->debut() > t) {
        // The file set this group here but no piece is left: back to the defaults.
        const int key = group.params[0];
        if (base && asPiece(*base, key) != defaults[key])
          for (int c = 0; c < group.columns; ++c) {
            record[group.params[c]] = defaults[group.params[c]];
            asRead.reset(group.params[c]);
          }
        continue;
      }
      const PolyPointsKla& p = *cur.pieces[cur.piece];
      const int n = p.nbPoints;
      while (cur.point + 1 < n && p.date(cur.point + 1) <= t) ++cur.point;
      const int i = cur.point;
      const bool exact = p.date(i) == t || i + 1 >= n;
      for (int c = 0; c < group.columns; ++c) {
        const int param = group.params[c];
        const float y0 = p.y(i, c);
        if (isUnset(y0)) continue;
        double v = y0;
        if (!exact) {
          const float y1 = p.y(i + 1, c);
          if (!isUnset(y1))
            v = y0 + (static_cast<double>(t) - p.date(i)) * (static_cast<double>(y1) - y0) /
                         (static_cast<double>(p.date(i + 1)) - p.date(i));
        }
        const std::int32_t value = truncToInt32(v);
        if (base && value == asPiece(*base, param)) continue;
        record[param] = value;
        asRead.reset(param);
      }
    }
    if (!ahead) break;
    if (!frame(record, asRead)) return false;
  }
  return true;
}

std::optional<std::int32_t> KlattTracks::reachPast(std::int32_t endMs) const {
  std::optional<std::int32_t> last = lastDate();
  if (!fileFrames.empty() && (!last || fileFrames.back()[kDate] > *last)) last = fileFrames.back()[kDate];
  if (last && *last >= endMs) return last;
  return std::nullopt;
}

void KlattTracks::warnPastEnd(std::int32_t endMs, const std::string& consequence) const {
  if (const auto last = reachPast(endMs))
    warn("The tracks reach to " + std::to_string(*last) + " ms, past the end of the signal at " +
         std::to_string(endMs) + " ms: " + consequence);
}

bool KlattTracks::write(const std::filesystem::path& file, int columns, std::int32_t startMs, std::int32_t endMs,
                        bool selectedOnly, std::int32_t* firstFrameMs) const {
  if (firstFrameMs) *firstFrameMs = 0;
  bool any = false;
  ReplacingFile out(file);
  auto failed = [&] {
    message(text(6403) + "\n" + file.string() + ": " + (out.error().empty() ? "nothing written" : out.error()));
    return false;
  };
  if (!out.open()) return failed();
  std::string buffer(klattTypeWord(columns));
  buffer += '\n';
  bool ok = true;
  const bool framed = forEachKlattFrame(*this, startMs, endMs, selectedOnly,
                                       [&](const KlattRecord& record, const KlattAsRead& asRead) {
    if (!any && firstFrameMs) *firstFrameMs = std::max(0, record[kDate]);
    any = true;
    appendKlattRecord(buffer, record, columns, asRead);
    if (buffer.size() >= (1 << 20)) {
      ok = out.write(buffer);
      buffer.clear();
    }
    return ok;
  });
  if (!framed && ok) return false;  // reported
  if (!ok || !out.write(buffer) || !out.commit()) return failed();
  return true;
}

}  // namespace ardv
