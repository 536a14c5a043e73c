// A parameter file converted stretch by stretch.
#include "klatt/klatt_stretches.h"

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "klatt/formant_listing.h"
#include "klatt/klatt_records.h"
#include "klatt/klatt_tracks.h"
#include "platform/report.h"
#include "signal/replacing_file.h"
#include "signal/time_conversion.h"
#include "texts/texts.h"

namespace ardv {
namespace {

constexpr std::int64_t kDateLimit = 1'000'000'000;

std::int64_t floorTo(std::int64_t v, std::int64_t step) { return (v / step - (v % step < 0)) * step; }

bool openReader(KlattRecordReader& reader, const std::filesystem::path& in) {
  std::string reason;
  switch (reader.open(in, &reason)) {
    case KlattRecordReader::Status::cannotOpen:
      message("lirePP : lecture des formants impossible\n" + in.string() + ": " + reason);
      return false;
    case KlattRecordReader::Status::unknownType:
      message("lirePP: ce n'est pas un fichier pour le synthe de Klatt\n" + in.string());
      return false;
    case KlattRecordReader::Status::ok: break;
  }
  return true;
}

// The pieces of consecutive records, as the file reader makes them (dates
// already moved).
bool piecesOf(const std::deque<KlattRecord>& records, std::size_t count, KlattTracks& tracks) {
  for (auto& list : tracks.groups) list.clear();
  std::array<std::unique_ptr<PolyPointsKla>, kKlattGroups> open;
  auto close = [&](int g) {
    auto piece = std::move(open[g]);
    if (!piece->echantillonne(tracks.stepMs)) return false;
    piece->recomputeSampleDates(tracks.frequence);
    if (piece->nbPoints > 0) insertByStart(tracks.groups[g], std::move(piece));
    return true;
  };
  float values[4];
  for (std::size_t i = 0; i < count; ++i) {
    const KlattRecord& record = records[i];
    const auto sampleDate = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(msToSamples(static_cast<double>(record[kDate]), tracks.frequence), INT32_MIN, INT32_MAX));
    for (int g = 0; g < kKlattGroups; ++g) {
      const auto& group = klattGroups()[g];
      const bool isDefault = record[group.params[0]] == tracks.defaults[group.params[0]];
      if (!open[g] && !isDefault) open[g] = newKlattPiece(g);
      else if (open[g] && isDefault && !close(g)) return false;
      if (!open[g]) continue;
      for (int c = 0; c < group.columns; ++c) values[c] = static_cast<float>(record[group.params[c]]);
      open[g]->push(record[kDate], sampleDate, std::span<const float>(values, group.columns));
    }
  }
  for (int g = 0; g < kKlattGroups; ++g)
    if (open[g] && !close(g)) return false;
  return true;
}

}  // namespace

bool convertKlattFile(const std::filesystem::path& in, const std::filesystem::path& out, int columns, int stepMs,
                      double frequence, const KlattRecord& defaults, std::int32_t stretchMs) {
  if (stepMs < 1) return false;
  // First pass: the records' order and range, and the move of the first frame to 0.
  KlattRecordReader reader;
  if (!openReader(reader, in)) return false;
  KlattRecord record{};
  std::int64_t offset = 0, previous = INT64_MIN, firstDate = INT64_MAX, lastDate = INT64_MIN;
  while (reader.next(record, defaults)) {
    if (reader.records() == 1) offset = std::max<std::int64_t>(0, -static_cast<std::int64_t>(record[kDate]));
    const std::int64_t date = record[kDate] + offset;
    const std::string frame = "frame " + std::to_string(reader.records());
    if (date < previous) return message(in.string() + ": " + frame + ": the dates go backwards"), false;
    if (date > kDateLimit)
      return message(in.string() + ": " + frame + ": the date " + std::to_string(date) + " ms is out of range"), false;
    previous = date;
    // Every frame is written back, those at the defaults too.
    firstDate = std::min(firstDate, date);
    lastDate = date;
  }
  if (reader.stoppedAtText())
    return message(in.string() + ": frame " + std::to_string(reader.records() + 1) + ": \"" + reader.badToken() +
                   "\" is not a number"),
           false;
  if (reader.records() == 0) return message(in.string() + ": the parameter file holds no frame"), false;
  if (lastDate >= firstDate && (lastDate - floorTo(firstDate, stepMs)) / stepMs > kMaxKlattFrames)
    return message("The parameter file would have " + std::to_string((lastDate - firstDate) / stepMs) +
                   " frames, more than " + std::to_string(kMaxKlattFrames) + "."),
           false;

  ReplacingFile file(out);
  const auto failed = [&] {
    message(text(6403) + "\n" + out.string() + ": " + (file.error().empty() ? "nothing written" : file.error()));
    return false;
  };
  if (!file.open()) return failed();
  std::string buffer = columns ? std::string(klattTypeWord(columns)) + "\n" : std::string();
  bool written = true;
  const auto put = [&](const KlattRecord& r, const KlattAsRead& kept) {
    if (columns) {
      appendKlattRecord(buffer, r, columns, kept);
    } else {
      FormantListingFrame f;
      f.dateMs = r[kDate];
      for (int k = 0; k < kListedFormants; ++k) {
        const auto& group = klattGroups()[k + 1];
        f.formants[k] = {static_cast<double>(r[group.params[0]]), static_cast<double>(r[group.params[1]]),
                         static_cast<double>(r[group.params[3]])};
      }
      appendFormantListingLine(buffer, f);
    }
    if (buffer.size() >= (1 << 20)) {
      written = written && file.write(buffer);
      buffer.clear();
    }
  };

  if (lastDate >= firstDate) {
    if (!openReader(reader, in)) return false;
    KlattTracks tracks;
    tracks.stepMs = stepMs;
    tracks.frequence = frequence;
    tracks.defaults = defaults;
    const std::int64_t length = std::max<std::int64_t>(1, stretchMs / stepMs) * stepMs;
    std::deque<KlattRecord> q;  // the records of the stretch and around it
    std::deque<std::int32_t> qF0;  // their F0 as the file holds it
    bool ended = false;
    const auto readOne = [&] {
      if (ended || !reader.next(record, defaults)) return !(ended = true);
      record[kDate] = static_cast<std::int32_t>(record[kDate] + offset);
      q.push_back(record);
      qF0.push_back(reader.fileF0());
      return true;
    };
    const auto popFront = [&] {
      q.pop_front();
      qF0.pop_front();
    };
    bool started = false;
    std::int64_t pendingFrom = 0, pending = 0;  // default frames between pieces, written once a later piece comes
    std::vector<KlattRecord> frames;
    std::vector<KlattAsRead> asRead;
    std::vector<char> covered;
    for (std::int64_t a = floorTo(firstDate, length); a <= lastDate; a += length) {
      const std::int64_t b = a + length;
      // Records up to the second dated b or later, and those of its date.
      int after = 0;
      std::int64_t high = INT64_MAX;
      for (const KlattRecord& r : q)
        if (r[kDate] >= b && ++after == 2) {
          high = r[kDate];
          break;
        }
      while ((q.empty() || q.back()[kDate] <= high) && readOne()) {
        if (q.back()[kDate] >= b && ++after == 2) high = q.back()[kDate];
        // Of the records before the stretch, the last two are enough.
        while (q.size() > 3 && q[2][kDate] < a) popFront();
      }
      std::size_t count = q.size();
      while (count > 0 && q[count - 1][kDate] > high) --count;
      if (!piecesOf(q, count, tracks)) return false;
      tracks.fileFrames.assign(q.begin(), q.begin() + static_cast<std::ptrdiff_t>(count));
      for (std::size_t i = 0; i < count; ++i) tracks.fileFrames[i][kF0hz10] = qF0[i];
      const auto n = static_cast<std::size_t>(length / stepMs);
      frames.assign(n, defaults);
      asRead.assign(n, KlattAsRead{});
      covered.assign(n, 0);
      for (const KlattRecord& r : tracks.fileFrames)
        if (r[kDate] >= a && r[kDate] < b) covered[static_cast<std::size_t>((r[kDate] - a) / stepMs)] = 1;
      for (std::size_t i = 0; i < n; ++i) frames[i][kDate] = static_cast<std::int32_t>(a + static_cast<std::int64_t>(i) * stepMs);
      for (const auto& list : tracks.groups)
        for (const auto& p : list)
          for (std::int64_t t = std::max<std::int64_t>(a, p->debut()); t < b && t <= p->fin(); t += stepMs)
            covered[static_cast<std::size_t>((t - a) / stepMs)] = 1;
      if (!forEachKlattFrame(tracks, static_cast<std::int32_t>(a), static_cast<std::int32_t>(b), false,
                             [&](const KlattRecord& r, const KlattAsRead& kept) {
                               const auto i = static_cast<std::size_t>((r[kDate] - a) / stepMs);
                               frames[i] = r;
                               asRead[i] = kept;
                               return true;
                             }))
        return false;
      for (std::size_t i = 0; i < n; ++i) {
        if (!covered[i]) {
          if (started && pending++ == 0) pendingFrom = frames[i][kDate];
          continue;
        }
        KlattRecord gap = defaults;
        for (; pending > 0; --pending, pendingFrom += stepMs) {
          gap[kDate] = static_cast<std::int32_t>(pendingFrom);
          put(gap, KlattAsRead{});
        }
        started = true;
        put(frames[i], asRead[i]);
      }
      // The next stretch starts two records before its first.
      const auto first = std::find_if(q.begin(), q.end(), [&](const KlattRecord& r) { return r[kDate] >= b; });
      auto keep = first - std::min<std::ptrdiff_t>(2, first - q.begin());
      const std::int32_t low = keep == q.end() ? INT32_MAX : (*keep)[kDate];
      while (!q.empty() && q.front()[kDate] < low) popFront();
    }
  }
  if (!written || !file.write(buffer) || !file.commit()) return failed();
  return true;
}

}  // namespace ardv
