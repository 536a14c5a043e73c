// The measurement table of segments and its CSV/TSV lines.
#include "measurement/segment_table.h"

#include <algorithm>
#include <charconv>

#include "annotation/label_files.h"
#include "platform/report.h"
#include "signal/annotation_chunk.h"
#include "signal/profile_info.h"
#include "signal/wavfile.h"

namespace ardv {
namespace {

std::string joinedLabels(const notetiqs& list, const LabelSpan& span) {
  const auto& items = list.items();
  std::string s;
  for (int k = span.first; k <= span.last; ++k) s += (k > span.first ? "," : "") + items[static_cast<std::size_t>(k)].text;
  return s;
}

void field(std::string& line, const std::string& text, char separator) {
  if (text.find_first_of(std::string{separator, '"', '\r', '\n'}) == std::string::npos) {
    line += text;
    return;
  }
  line += '"';
  for (const char c : text) {
    if (c == '"') line += '"';
    line += c;
  }
  line += '"';
}

// Fixed decimals, '.' whatever the locale; empty when missing.
void number(std::string& line, double v, int decimals) {
  if (!hasValue(v) || !std::isfinite(v)) return;
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, decimals);
  if (r.ec == std::errc{}) line.append(buffer, r.ptr);
}

}  // namespace

std::vector<LabelSpan> requestedSegments(const notetiqs& list, const SegmentRequest& request) {
  std::vector<LabelSpan> spans;
  const auto add = [&](const LabelSpan& s) {
    spans.push_back(s);
    return true;
  };
  if (!request.sequences.empty()) {
    findSequences(list, request.sequences, add);
  } else if (!request.word.empty()) {
    findWord(list, request.word, add);
  } else {
    const auto& items = list.items();
    for (int k = 0; k < list.segmentCount(); ++k)
      if (!items[static_cast<std::size_t>(k)].text.empty()) spans.push_back({k, k});
  }
  return spans;
}

bool measureSegments(const infoFile& file, const notetiqs& list, const std::vector<LabelSpan>& spans,
                     const SegmentRequest& request, const MeasureSettings& settings, const std::string& fileName,
                     const std::function<void(const SegmentRow&)>& row) {
  if (spans.empty()) return true;
  const auto& items = list.items();
  const auto at = [&](int k) { return static_cast<std::int64_t>(items[static_cast<std::size_t>(k)].limite); };
  std::int64_t first = at(spans.front().first), last = at(spans.front().last + 1) - 1;
  for (const LabelSpan& s : spans) {
    first = std::min(first, at(s.first));
    last = std::max(last, at(s.last + 1) - 1);
  }
  RangeAnalyses analyses;
  if (!analyseRange(file, first, last, settings, analyses)) return false;
  const int labels = list.segmentCount();
  for (const LabelSpan& s : spans) {
    SegmentRow r;
    r.file = fileName;
    r.tier = request.words ? "words" : "phonemes";
    r.label = joinedLabels(list, s);
    if (s.first > 0) r.previous = items[static_cast<std::size_t>(s.first - 1)].text;
    if (s.last + 1 < labels) r.next = items[static_cast<std::size_t>(s.last + 1)].text;
    r.m = measureStretch(analyses, at(s.first), at(s.last + 1));
    row(r);
  }
  return true;
}

bool readRecording(const std::filesystem::path& path, const SegmentRequest& request, const LabelSource& source,
                   infoFile& info, notetiqs& list) {
  info = infoFile{};
  list.clear();
  info.nom = path.string();
  if (isWavName(info.nom)) {
    if (!init_infoFile_read_WAV(info)) return false;
    const auto offset = request.words ? info.notedepl : info.etiqdepl;
    const auto length = request.words ? info.notelongueur : info.etiqlongueur;
    return length == 0 || readnotetiqs(info.nom, list, offset, length, info.sampleCount());
  }
  if (source.formatIndex < 0) {
    message(info.nom + " is not a WAV file and no format profile was given.");
    return false;
  }
  info.formatIndex = source.formatIndex;
  if (!init_infoFile_read_non_WAV(info)) return false;
  const auto dir = source.labelDir.empty() ? path.parent_path() : source.labelDir;
  const std::string labelFile = (dir / path.stem()).string() + source.labelExt;
  if (request.words) {
    info.nomAnnot = labelFile;
    info.annotationKind = source.labelKind;
    return readAnnotations(list, info);
  }
  info.nom_man = labelFile;
  info.labelKind = source.labelKind;
  return readLabels(list, info);
}

std::string segmentTableHeader(char separator) {
  static const char* const kColumns[] = {
      "file",        "tier",        "label",       "start_ms",      "end_ms",        "duration_ms",     "previous",
      "next",        "f0_mean_hz",  "f0_median_hz", "f0_min_hz",    "f0_max_hz",     "f0_sd_hz",        "f0_mean_st",
      "f0_median_st", "f0_min_st",  "f0_max_st",   "f0_sd_st",      "voiced_fraction", "f1_25_hz",       "f2_25_hz",
      "f3_25_hz",    "f1_50_hz",    "f2_50_hz",    "f3_50_hz",      "f1_75_hz",      "f2_75_hz",        "f3_75_hz",
      "f1_mid_mean_hz", "f2_mid_mean_hz", "f3_mid_mean_hz", "intensity_mean_db", "intensity_max_db"};
  std::string line;
  for (const char* c : kColumns) {
    if (!line.empty()) line += separator;
    line += c;
  }
  return line + "\n";
}

std::string segmentTableLine(const SegmentRow& row, char separator) {
  std::string line;
  const auto text = [&](const std::string& t) {
    field(line, t, separator);
    line += separator;
  };
  const auto num = [&](double v, int decimals) {
    number(line, v, decimals);
    line += separator;
  };
  const Measurement& m = row.m;
  text(row.file);
  text(row.tier);
  text(row.label);
  num(m.startMs, 2);
  num(m.endMs, 2);
  num(m.durationMs, 2);
  text(row.previous);
  text(row.next);
  const F0Figures& f = m.f0;
  for (const double v : {f.meanHz, f.medianHz, f.minHz, f.maxHz, f.sdHz}) num(v, 2);
  for (const double v : {f.meanSt, f.medianSt, f.minSt, f.maxSt, f.sdSt}) num(v, 3);
  num(f.voicedFraction, 3);
  for (const auto& point : m.formantsAt)
    for (const double v : point) num(v, 1);
  for (const double v : m.formantsMiddleMean) num(v, 1);
  num(m.intensityMeanDb, 2);
  number(line, m.intensityMaxDb, 2);
  return line + "\n";
}

}  // namespace ardv
