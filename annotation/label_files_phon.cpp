// Phoneme label files: QERN, NIST, SAM and ALIGN layouts.

#include <cinttypes>
#include <cstdint>
#include <optional>

#include "annotation/label_files.h"
#include "annotation/label_text.h"
#include "labels/phonetic_description.h"
#include "platform/report.h"
#include "signal/time_conversion.h"
#include "texts/texts.h"

namespace ardv {
namespace {

using namespace labeltext;

long long ms(std::int64_t n, double frequence) { return static_cast<long long>(samplesToMs(n, frequence)); }

bool isPhoneme(const std::string& label) { return !label.empty() && phoneticDescription().phonemeIndex(label) > 0; }

// Adds a segment [start, end) labelled `label` when it is accepted; counts
// a non-empty label that is not. A segment that does not end after its
// start is a line that cannot be read.
void addSegment(MarkBatch& marks, ReadTally& tally, std::string_view line, std::int32_t start, std::int32_t end,
                const std::string& label, bool accepted, int& unknown) {
  if (!addBounds(marks, tally, line, start, end) || label.empty()) return;
  if (accepted)
    marks.add(start, label);
  else
    ++unknown;
}

std::string formatQern(const notetiqs& list, const infoFile& info, std::int64_t tf) {
  std::string out;
  appendf(out, "%s\n", info.swap == 0 ? "swap" : "normal");
  appendf(out, "%8.2lf\n", info.frequence);
  const notetiqs fitted = fittedCopy(list, tf);
  for (int i = 0; i < fitted.segmentCount(); ++i) {
    const std::int64_t s = fitted.position(i), e = fitted.position(i + 1), m = (s + e) / 2;
    appendf(out, "{%2s},%5lld,%5lld,%5lld, (%8lld,%8lld)\n", fitted.Text(i).c_str(), ms(s, info.frequence),
            ms(e, info.frequence), ms(m, info.frequence), static_cast<long long>(2 * s),
            static_cast<long long>(2 * e));
  }
  return out;
}

std::string formatSamPhon(const notetiqs& list, std::int64_t tf) {
  std::string out = "FIL: label\nTYP: phonemic\nSYS: Ardelo\nDAT:  " + dateLine() + "LBD:\n";
  const notetiqs fitted = fittedCopy(list, tf);
  for (int i = 0; i < fitted.segmentCount(); ++i) {
    const std::int64_t s = fitted.position(i), e = fitted.position(i + 1);
    appendf(out, "LBB: %9lld, %9lld, %9lld, %s\n", static_cast<long long>(s), static_cast<long long>((s + e) / 2),
            static_cast<long long>(e), fitted.Text(i).c_str());
  }
  out += "ELF:\n";
  return out;
}

std::string formatAlign(const notetiqs& list, const infoFile& info, std::int64_t tf) {
  std::string out = ".ali\n";
  appendf(out, "freq_echt %d\n", static_cast<int>(info.frequence));
  const notetiqs fitted = fittedCopy(list, tf);
  const int n = fitted.segmentCount();
  for (int i = 0; i < n; ++i)
    appendf(out, "\t%10lld %10lld \t%s\n", ms(fitted.position(i), info.frequence),
            ms(fitted.position(i + 1), info.frequence), fitted.Text(i).c_str());
  if (n < fitted.count()) appendf(out, "\t%10lld          0 \tFIN\n", ms(fitted.position(n), info.frequence));
  appendf(out, "\n%s\n", info.nom.c_str());
  return out;
}

void parseQern(const std::vector<std::string_view>& lines, MarkBatch& marks, ReadTally& tally, int& unknown) {
  // The two header lines are ignored, but a file of another kind must not pass for one.
  if (!lines.empty() && trim(lines[0]) != "swap" && trim(lines[0]) != "normal") tally.skip(lines[0]);
  if (lines.size() > 1 && !parseReal(lines[1])) tally.skip(lines[1]);
  for (std::size_t k = 2; k < lines.size(); ++k) {
    const std::string_view line = lines[k];
    if (trim(line).empty()) continue;
    const std::size_t open = line.find('{'), close = line.find('}');
    std::optional<std::int32_t> start, stop;
    std::string_view rest;
    if (open != std::string_view::npos && close != std::string_view::npos && close > open) {
      rest = line.substr(close + 1);
      const std::size_t paren = rest.find('(');
      rest = paren == std::string_view::npos ? std::string_view() : rest.substr(paren + 1);
      const std::size_t comma = rest.find(','), end = rest.find(')');
      if (comma != std::string_view::npos && end != std::string_view::npos && end > comma) {
        start = parsePosition(rest.substr(0, comma), 1, 2);
        stop = parsePosition(rest.substr(comma + 1, end - comma - 1), 1, 2);
      }
    }
    if (!start || !stop) {
      tally.skip(line);
      continue;
    }
    const std::string label(trim(line.substr(open + 1, close - open - 1)));
    addSegment(marks, tally, line, *start, *stop, label, isPhoneme(label), unknown);
  }
}

void parseNist(const std::vector<std::string_view>& lines, MarkBatch& marks, ReadTally& tally) {
  int dropped = 0;
  for (std::string_view line : lines) {
    if (trim(line).empty()) continue;
    const std::size_t b1 = line.find(' ');
    const std::size_t b2 = b1 == std::string_view::npos ? b1 : line.find(' ', b1 + 1);
    std::optional<std::int32_t> start, stop;
    if (b1 != std::string_view::npos) {
      start = parsePosition(line.substr(0, b1));
      stop = parsePosition(line.substr(b1 + 1, b2 == std::string_view::npos ? std::string_view::npos : b2 - b1 - 1));
    }
    if (!start || !stop) {
      tally.skip(line);
      continue;
    }
    const std::string label(b2 == std::string_view::npos ? std::string_view() : line.substr(b2 + 1));
    addSegment(marks, tally, line, *start, *stop, label, isPhoneme(label), dropped);
  }
}

// SAM records "LBB: start, middle, end, label"; a record without its start
// or end ends the reading (it is reported as a skipped line).
void parseSamPhon(const std::vector<std::string_view>& lines, MarkBatch& marks, ReadTally& tally, int& unknown) {
  forEachSamRecord(lines, "LBB", 3, tally, [&](std::string_view line, const auto& fields, std::string_view rest) {
    std::optional<std::int32_t> start, stop;
    if (fields.size() >= 2) {
      start = parsePosition(fields[0]);
      stop = parsePosition(fields.size() == 3 ? fields[2] : rest);
    }
    if (!start || !stop) {
      tally.skip(line);
      return false;
    }
    const std::string label = fields.size() == 3 ? withoutBlanks(rest) : std::string();
    addSegment(marks, tally, line, *start, *stop, label, isPhoneme(label), unknown);
    return true;
  });
}

bool alignAccepts(const std::string& label) {
  return isPhoneme(label) || label.rfind('#', 0) == 0 || label.rfind("vcl", 0) == 0 || label.rfind("cl", 0) == 0;
}

// Boundaries at the starts only; the "FIN" line gives the closing one.
void parseAlign(const std::vector<std::string_view>& lines, double frequence, MarkBatch& marks, ReadTally& tally,
                int& unknown) {
  for (std::size_t k = 2; k < lines.size(); ++k) {
    // An unlabelled segment is written with an empty label; the signal's
    // path after the segments has one field.
    const auto fields = words(lines[k]);
    if (fields.size() < 2) continue;
    const auto startMs = parseInteger(fields[0]);
    const double p = startMs ? static_cast<double>(msToSamples(static_cast<double>(*startMs), frequence)) : 0.0;
    if (!startMs || !parseInteger(fields[1]) || p < INT32_MIN || p > INT32_MAX) {
      tally.skip(lines[k]);
      continue;
    }
    ++tally.records;
    const auto position = static_cast<std::int32_t>(p);
    marks.add(position);
    const std::string label(fields.size() >= 3 ? fields[2] : std::string_view());
    if (label.rfind("FIN", 0) == 0) break;
    if (label.empty()) continue;
    if (alignAccepts(label))
      marks.add(position, label);
    else
      ++unknown;
  }
}

const char* phonemeKindName(int kind) {
  switch (kind) {
    case kLabelNist:
      return "NIST";
    case kLabelSam:
      return "SAM";
    case kLabelAlign:
      return "ALIGN";
    default:
      return "QERN";
  }
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
  if (info.labelKind == kLabelNone) {
    list.clear();
    return true;
  }
  const std::string decoded = decodeText(content);
  const auto lines = splitLines(decoded);
  if (info.labelKind == kLabelAlign && (lines.empty() || lines[0].substr(0, 4) != ".ali")) {
    message(text(4701) + "\n" + path);
    return false;
  }
  MarkBatch marks;
  ReadTally tally;
  int unknown = 0;
  switch (info.labelKind) {
    case kLabelNist:
      parseNist(lines, marks, tally);
      break;
    case kLabelSam:
      parseSamPhon(lines, marks, tally, unknown);
      break;
    case kLabelAlign:
      parseAlign(lines, info.frequence, marks, tally, unknown);
      break;
    default:
      parseQern(lines, marks, tally, unknown);
      break;
  }
  if (!finishReading(marks, tally, phonemeKindName(info.labelKind), path, info.sampleCount(), list)) return false;
  if (unknown > 0) {
    message(textf(4703, {unknown}));
    return false;
  }
  return true;
}

}  // namespace ardv
