// Word annotation files: VECSYS, NIST, SAM and NOISEX layouts.

#include <optional>
#include <utility>

#include "annotation/label_files.h"
#include "annotation/label_text.h"

namespace ardv {
namespace {

using namespace labeltext;

// VECSYS positions are in units of 128 samples.
constexpr std::int64_t kVecsysUnit = 128;

// Adds the segment [start, end) with its word; one that does not end after
// its start is a line that cannot be read.
void addWord(MarkBatch& marks, ReadTally& tally, std::string_view line, std::int32_t start, std::int32_t end,
             std::string word) {
  if (addBounds(marks, tally, line, start, end) && !word.empty()) marks.add(start, std::move(word));
}

std::string formatVecsys(const notetiqs& list, const infoFile& info, std::int64_t tf) {
  std::string out;
  const notetiqs fitted = fittedCopy(list, tf);
  appendf(out, "%d L %d %s\n", fitted.segmentCount(), static_cast<int>(info.nb_bits), info.swap == 1 ? "N" : "R");
  for (int i = 0; i < fitted.segmentCount(); ++i)
    appendf(out, "%ld %ld %s\n", static_cast<long>(fitted.position(i) / kVecsysUnit),
            static_cast<long>(fitted.position(i + 1) / kVecsysUnit), fitted.Text(i).c_str());
  return out;
}

std::string formatSam(const notetiqs& list, std::int64_t tf, const char* key) {
  std::string out = "FIL: label\nTYP: orthographic\nSYS: Ardelo\nDAT:  " + dateLine() + "LBD:\n";
  const notetiqs fitted = fittedCopy(list, tf);
  for (int i = 0; i < fitted.segmentCount(); ++i)
    appendf(out, "%s: %9ld, %9ld, , , , %s\n", key, static_cast<long>(fitted.position(i)),
            static_cast<long>(fitted.position(i + 1)), fitted.Text(i).c_str());
  out += "ELF:\n";
  return out;
}

// Lines "start end word" in units of 128 samples after a header line; a
// bad line is skipped and reading goes on.
void parseVecsys(const std::vector<std::string_view>& lines, MarkBatch& marks, ReadTally& tally) {
  // The header "count L bits order" is ignored, but a file of another kind must not pass for one.
  if (!lines.empty() && (words(lines[0]).empty() || !parseInteger(words(lines[0])[0]))) tally.skip(lines[0]);
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
    if (!start || !stop)
      tally.skip(line);
    else
      addWord(marks, tally, line, *start, *stop, fields.size() >= 3 ? std::string(fields[2]) : std::string());
  }
}

void parseNist(const std::vector<std::string_view>& lines, MarkBatch& marks, ReadTally& tally) {
  for (std::string_view line : lines) {
    line = trimLeft(line);
    if (trim(line).empty()) continue;
    const std::size_t b1 = line.find(' ');
    const std::size_t b2 = b1 == std::string_view::npos ? b1 : line.find(' ', b1 + 1);
    std::optional<std::int32_t> start, stop;
    if (b1 != std::string_view::npos) {
      start = parsePosition(line.substr(0, b1));
      stop = parsePosition(line.substr(b1 + 1, b2 == std::string_view::npos ? b2 : b2 - b1 - 1));
    }
    if (!start || !stop) {
      tally.skip(line);
      continue;
    }
    addWord(marks, tally, line, *start, *stop,
            std::string(b2 == std::string_view::npos ? std::string_view() : trim(line.substr(b2 + 1))));
  }
}

// SAM and NOISEX records: start, end, three empty fields, then the text
// (which may hold commas); a record without its start or end ends the
// reading (it is reported as a skipped line).
void parseSam(const std::vector<std::string_view>& lines, std::string_view wanted, MarkBatch& marks,
              ReadTally& tally) {
  forEachSamRecord(lines, wanted, 5, tally, [&](std::string_view line, const auto& fields, std::string_view rest) {
    const std::string_view endField = fields.size() >= 2 ? fields[1] : (fields.size() == 1 ? rest : std::string_view());
    const auto start = fields.empty() ? std::nullopt : parsePosition(fields[0]);
    const auto stop = parsePosition(endField);
    if (!start || !stop) {
      tally.skip(line);
      return false;
    }
    addWord(marks, tally, line, *start, *stop, fields.size() == 5 ? std::string(trim(rest)) : std::string());
    return true;
  });
}

const char* wordKindName(int kind) {
  switch (kind) {
    case kAnnotNist:
      return "NIST";
    case kAnnotSam:
      return "SAM";
    case kAnnotNoisex:
      return "NOISEX";
    default:
      return "VECSYS";
  }
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
  if (info.annotationKind == kAnnotNone) {
    list.clear();
    return true;
  }
  const std::string decoded = decodeText(content);
  const auto lines = splitLines(decoded);
  MarkBatch marks;
  ReadTally tally;
  switch (info.annotationKind) {
    case kAnnotNist:
      parseNist(lines, marks, tally);
      break;
    case kAnnotSam:
      parseSam(lines, "LBR", marks, tally);
      break;
    case kAnnotNoisex:
      parseSam(lines, "UTS", marks, tally);
      break;
    default:
      parseVecsys(lines, marks, tally);
      break;
  }
  return finishReading(marks, tally, wordKindName(info.annotationKind), path, info.sampleCount(), list);
}

}  // namespace ardv
