// Word annotation files: VECSYS, NIST, SAM and NOISEX layouts.

#include "annotation/label_files.h"
#include "annotation/label_text.h"

namespace ardv {
namespace {

using namespace labeltext;

// VECSYS positions are in units of 128 samples.
constexpr std::int64_t kVecsysUnit = 128;

int writableSegments(const notetiqs& list, std::int64_t tf) {
  int n = 0;
  while (n + 1 < list.count() && list.position(n + 1) < tf) ++n;
  return n;
}

void addWord(notetiqs& list, std::int32_t start, std::int32_t end, const std::string& word) {
  list.insertOrGet(start);
  list.insertOrGet(end);
  if (!word.empty()) list.SetText(list.findLE(start), word);
}

std::string formatVecsys(const notetiqs& list, const infoFile& info, std::int64_t tf) {
  std::string out;
  appendf(out, "%d L %d %s\n", list.segmentCount(), static_cast<int>(info.nb_bits), info.swap == 1 ? "N" : "R");
  const int n = writableSegments(list, tf);
  for (int i = 0; i < n; ++i)
    appendf(out, "%ld %ld %s\n", static_cast<long>(list.position(i) / kVecsysUnit),
            static_cast<long>(list.position(i + 1) / kVecsysUnit), list.Text(i).c_str());
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

std::string formatSam(const notetiqs& list, std::int64_t tf, const char* key) {
  std::string out = "FIL: label\nTYP: orthographic\nSYS: Ardelo\nDAT:  " + dateLine() + "LBD:\n";
  const int n = writableSegments(list, tf);
  for (int i = 0; i < n; ++i)
    appendf(out, "%s: %9ld, %9ld, , , , %s\n", key, static_cast<long>(list.position(i)),
            static_cast<long>(list.position(i + 1)), list.Text(i).c_str());
  out += "ELF:\n";
  return out;
}

// Returns false when a line error was shown (reading goes on). Only the
// first bad line is shown, with the count of the others, so that a file of
// another kind does not give one message per line.
bool parseVecsys(const std::vector<std::string_view>& lines, const std::string& path, notetiqs& list) {
  std::string_view firstBad;
  int bad = 0;
  for (std::size_t k = 1; k < lines.size(); ++k) {
    const std::string_view line = trimLeft(lines[k]);
    if (trim(line).empty()) continue;
    const auto fields = words(line);
    // An unlabelled segment is written as two numbers and a blank.
    std::optional<std::int32_t> start, stop;
    if (fields.size() >= 2) {
      start = parsePosition(fields[0], kVecsysUnit);
      stop = parsePosition(fields[1], kVecsysUnit);
    }
    if (!start || !stop) {
      if (bad++ == 0) firstBad = line;
      continue;
    }
    addWord(list, *start, *stop, fields.size() >= 3 ? std::string(fields[2]) : std::string());
  }
  if (bad > 0) reportLineError(firstBad, path, bad - 1);
  return bad == 0;
}

void parseNist(const std::vector<std::string_view>& lines, notetiqs& list) {
  for (std::string_view line : lines) {
    line = trimLeft(line);
    const std::size_t b1 = line.find(' ');
    if (b1 == std::string_view::npos) continue;
    const std::size_t b2 = line.find(' ', b1 + 1);
    const auto start = parsePosition(line.substr(0, b1));
    const auto stop = parsePosition(line.substr(b1 + 1, b2 == std::string_view::npos ? b2 : b2 - b1 - 1));
    if (!start || !stop) continue;
    addWord(list, *start, *stop, std::string(b2 == std::string_view::npos ? std::string_view() : trim(line.substr(b2 + 1))));
  }
}

// SAM and NOISEX records: start, end, three empty fields, then the text
// (which may hold commas); false after a line error.
bool parseSam(const std::vector<std::string_view>& lines, const std::string& path, std::string_view wanted,
              notetiqs& list) {
  return forEachSamRecord(lines, wanted, 5, [&](std::string_view line, const auto& fields, std::string_view rest) {
    const std::string_view endField = fields.size() >= 2 ? fields[1] : (fields.size() == 1 ? rest : std::string_view());
    const auto start = fields.empty() ? std::nullopt : parsePosition(fields[0]);
    const auto stop = parsePosition(endField);
    if (!start || !stop) {
      reportLineError(line, path);
      return false;
    }
    addWord(list, *start, *stop, fields.size() == 5 ? std::string(trim(rest)) : std::string());
    return true;
  });
}

}  // namespace

std::string formatWordFile(const notetiqs& list, const infoFile& info, std::int64_t tf) {
  switch (info.annotationKind) {
    case kAnnotNone:
      return {};
    case kAnnotNist:
      return formatNist(list, tf);
    case kAnnotSam:
      return formatSam(list, tf, "LBR");
    case kAnnotNoisex:
      return formatSam(list, tf, "UTS");
    default:
      return formatVecsys(list, info, tf);
  }
}

bool parseWordFile(const std::string& content, const infoFile& info, const std::string& path, notetiqs& list) {
  list.clear();
  const auto lines = splitLines(content);
  switch (info.annotationKind) {
    case kAnnotNone:
      return true;
    case kAnnotNist:
      parseNist(lines, list);
      return true;
    case kAnnotSam:
      return parseSam(lines, path, "LBR", list);
    case kAnnotNoisex:
      return parseSam(lines, path, "UTS", list);
    default:
      return parseVecsys(lines, path, list);
  }
}

}  // namespace ardv
