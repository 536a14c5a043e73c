// Phoneme label files: QERN, NIST, SAM and ALIGN layouts.

#include <cinttypes>

#include "annotation/label_files.h"
#include "annotation/label_text.h"
#include "annotation/phonetic_description.h"
#include "annotation/texts.h"
#include "platform/report.h"
#include "signal/time_conversion.h"

namespace ardv {
namespace {

using namespace labeltext;

long long ms(std::int64_t n, double frequence) { return static_cast<long long>(samplesToMs(n, frequence)); }

// Segments written by the common rule: from the first while its end lies before tf.
int writableSegments(const notetiqs& list, std::int64_t tf) {
  int n = 0;
  while (n + 1 < list.count() && list.position(n + 1) < tf) ++n;
  return n;
}

bool isPhoneme(const std::string& label) { return !label.empty() && phoneticDescription().phonemeIndex(label) > 0; }

// Adds a segment [start, end) labelled `label` when it is accepted; counts
// a non-empty label that is not.
void addSegment(notetiqs& list, std::int32_t start, std::int32_t end, const std::string& label, bool accepted,
                int& unknown) {
  const int i = list.insertOrGet(start);
  list.insertOrGet(end);
  if (label.empty() || i < 0) return;
  if (accepted)
    list.SetText(list.findLE(start), label);
  else
    ++unknown;
}

std::string formatQern(const notetiqs& list, const infoFile& info, std::int64_t tf) {
  std::string out;
  appendf(out, "%s\n", info.swap == 0 ? "swap" : "normal");
  appendf(out, "%8.2lf\n", info.frequence);
  const int n = writableSegments(list, tf);
  for (int i = 0; i < n; ++i) {
    const std::int64_t s = list.position(i), e = list.position(i + 1), m = (s + e) / 2;
    appendf(out, "{%2s},%5lld,%5lld,%5lld, (%8lld,%8lld)\n", list.Text(i).c_str(), ms(s, info.frequence),
            ms(e, info.frequence), ms(m, info.frequence), static_cast<long long>(2 * s),
            static_cast<long long>(2 * e));
  }
  return out;
}

std::string formatNist(const notetiqs& list, std::int64_t tf) {
  std::string out;
  const int n = writableSegments(list, tf);
  for (int i = 0; i < n; ++i)
    appendf(out, "%ld %ld %s\n", static_cast<long>(list.position(i)), static_cast<long>(list.position(i + 1)),
            list.Text(i).c_str());
  return out;
}

std::string formatSamPhon(const notetiqs& list, std::int64_t tf) {
  std::string out = "FIL: label\nTYP: phonemic\nSYS: Ardelo\nDAT:  " + dateLine() + "LBD:\n";
  const int n = writableSegments(list, tf);
  for (int i = 0; i < n; ++i) {
    const std::int64_t s = list.position(i), e = list.position(i + 1);
    appendf(out, "LBB: %9lld, %9lld, %9lld, %s\n", static_cast<long long>(s), static_cast<long long>((s + e) / 2),
            static_cast<long long>(e), list.Text(i).c_str());
  }
  out += "ELF:\n";
  return out;
}

std::string formatAlign(const notetiqs& list, const infoFile& info, std::int64_t tf) {
  std::string out = ".ali\n";
  appendf(out, "freq_echt %d\n", static_cast<int>(info.frequence));
  const int n = writableSegments(list, tf);
  for (int i = 0; i < n; ++i)
    appendf(out, "\t%10lld %10lld \t%s\n", ms(list.position(i), info.frequence), ms(list.position(i + 1), info.frequence),
            list.Text(i).c_str());
  if (n < list.count()) appendf(out, "\t%10lld          0 \tFIN\n", ms(list.position(n), info.frequence));
  appendf(out, "\n%s\n", info.nom.c_str());
  return out;
}

void parseQern(const std::vector<std::string_view>& lines, notetiqs& list, int& unknown) {
  for (std::size_t k = 2; k < lines.size(); ++k) {
    std::string_view line = lines[k];
    const std::size_t open = line.find('{'), close = line.find('}');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) continue;
    const std::string label(trim(line.substr(open + 1, close - open - 1)));
    std::string_view rest = line.substr(close + 1);
    const std::size_t paren = rest.find('(');
    if (paren == std::string_view::npos) continue;
    rest.remove_prefix(paren + 1);
    const std::size_t comma = rest.find(','), end = rest.find(')');
    if (comma == std::string_view::npos || end == std::string_view::npos || end < comma) continue;
    const auto start = parsePosition(rest.substr(0, comma), 1, 2);
    const auto stop = parsePosition(rest.substr(comma + 1, end - comma - 1), 1, 2);
    if (!start || !stop) continue;
    addSegment(list, *start, *stop, label, isPhoneme(label), unknown);
  }
}

void parseNist(const std::vector<std::string_view>& lines, notetiqs& list) {
  int dropped = 0;
  for (std::string_view line : lines) {
    const std::size_t b1 = line.find(' ');
    if (b1 == std::string_view::npos) continue;
    const std::size_t b2 = line.find(' ', b1 + 1);
    const auto start = parsePosition(line.substr(0, b1));
    const auto stop = parsePosition(line.substr(b1 + 1, b2 == std::string_view::npos ? std::string_view::npos : b2 - b1 - 1));
    if (!start || !stop) continue;
    const std::string label(b2 == std::string_view::npos ? std::string_view() : line.substr(b2 + 1));
    addSegment(list, *start, *stop, label, isPhoneme(label), dropped);
  }
}

// SAM records "LBB: start, middle, end, label"; false after a line error.
bool parseSamPhon(const std::vector<std::string_view>& lines, const std::string& path, notetiqs& list, int& unknown) {
  return forEachSamRecord(lines, "LBB", 3, [&](std::string_view line, const auto& fields, std::string_view rest) {
    std::optional<std::int32_t> start, stop;
    if (fields.size() >= 2) {
      start = parsePosition(fields[0]);
      stop = parsePosition(fields.size() == 3 ? fields[2] : rest);
    }
    if (!start || !stop) {
      reportLineError(line, path);
      return false;
    }
    const std::string label = fields.size() == 3 ? withoutBlanks(rest) : std::string();
    addSegment(list, *start, *stop, label, isPhoneme(label), unknown);
    return true;
  });
}

bool alignAccepts(const std::string& label) {
  return isPhoneme(label) || label.rfind('#', 0) == 0 || label.rfind("vcl", 0) == 0 || label.rfind("cl", 0) == 0;
}

bool parseAlign(const std::vector<std::string_view>& lines, double frequence, notetiqs& list, int& unknown) {
  if (lines.empty() || lines[0].substr(0, 4) != ".ali") {
    message(text(4701));
    return false;
  }
  for (std::size_t k = 2; k < lines.size(); ++k) {
    // An unlabelled segment is written with an empty label.
    const auto fields = words(lines[k]);
    if (fields.size() < 2) continue;
    const auto startMs = parseInteger(fields[0]);
    if (!startMs || !parseInteger(fields[1])) continue;
    const std::int64_t p = msToSamples(static_cast<double>(*startMs), frequence);
    if (p < 0 || p > INT32_MAX) continue;
    const int i = list.insertOrGet(static_cast<std::int32_t>(p));
    const std::string label(fields.size() >= 3 ? fields[2] : std::string_view());
    if (label.rfind("FIN", 0) == 0) break;
    if (i < 0 || label.empty()) continue;
    if (alignAccepts(label))
      list.SetText(i, label);
    else
      ++unknown;
  }
  return true;
}

}  // namespace

std::string formatPhonemeFile(const notetiqs& list, const infoFile& info, std::int64_t tf) {
  switch (info.labelKind) {
    case kLabelNone:
      return {};
    case kLabelNist:
      return formatNist(list, tf);
    case kLabelSam:
      return formatSamPhon(list, tf);
    case kLabelAlign:
      return formatAlign(list, info, tf);
    default:
      return formatQern(list, info, tf);
  }
}

bool parsePhonemeFile(const std::string& content, const infoFile& info, const std::string& path, notetiqs& list) {
  list.clear();
  const auto lines = splitLines(content);
  int unknown = 0;
  bool ok = true;
  switch (info.labelKind) {
    case kLabelNone:
      return true;
    case kLabelNist:
      parseNist(lines, list);
      return true;
    case kLabelSam:
      ok = parseSamPhon(lines, path, list, unknown);
      break;
    case kLabelAlign:
      ok = parseAlign(lines, info.frequence, list, unknown);
      break;
    default:
      parseQern(lines, list, unknown);
      break;
  }
  if (unknown > 0) {
    message(textf(4703, {unknown}));
    ok = false;
  }
  return ok;
}

}  // namespace ardv
