// Helpers shared by the label-file layouts.

#include "annotation/label_text.h"

#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <limits>

#include "platform/report.h"
#include "texts/texts.h"

namespace ardv::labeltext {

void appendf(std::string& out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  if (n > 0) {
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(n) + 1);
    std::vsnprintf(out.data() + at, static_cast<std::size_t>(n) + 1, format, again);
    out.resize(at + static_cast<std::size_t>(n));
  }
  va_end(again);
}

std::vector<std::string_view> splitLines(std::string_view content) {
  std::vector<std::string_view> lines;
  while (!content.empty()) {
    std::size_t end = content.find('\n');
    std::string_view line = content.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    content.remove_prefix(end + 1);
  }
  return lines;
}

namespace {
bool isBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

std::string_view trimLeft(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  return s;
}

std::string_view trim(std::string_view s) {
  s = trimLeft(s);
  while (!s.empty() && (isBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::string withoutBlanks(std::string_view s) {
  std::string out;
  for (char c : s)
    if (!isBlank(c) && c != '\r') out += c;
  return out;
}

std::vector<std::string_view> words(std::string_view s) {
  std::vector<std::string_view> out;
  for (;;) {
    s = trimLeft(s);
    if (s.empty()) return out;
    std::size_t end = 0;
    while (end < s.size() && !isBlank(s[end])) ++end;
    out.push_back(s.substr(0, end));
    s.remove_prefix(end);
  }
}

std::optional<std::int64_t> parseInteger(std::string_view s) {
  s = trim(s);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty()) return std::nullopt;
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (error != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return value;
}

std::optional<double> parseReal(std::string_view s) {
  s = trim(s);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (s.empty() || error != std::errc() || end != s.data() + s.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<std::int32_t> parsePosition(std::string_view s, std::int64_t scale, std::int64_t divisor) {
  const auto value = parseInteger(s);
  if (!value) return std::nullopt;
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
  if (*value > kMax * divisor / scale || *value < kMin * divisor / scale) return std::nullopt;
  return static_cast<std::int32_t>(*value * scale / divisor);
}

void reportLineError(std::string_view line, const std::string& path, int moreLines) {
  std::size_t cut = std::min<std::size_t>(line.size(), 40);
  while (cut > 0 && cut < line.size() && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
  std::string report = text(206) + std::string(line.substr(0, cut)) + text(207) + path;
  if (moreLines > 0) report += "\n(" + std::to_string(moreLines) + " more lines cannot be read either)";
  message(report);
}

bool forEachSamRecord(const std::vector<std::string_view>& lines, std::string_view wanted, std::size_t maxFields,
                      ReadTally& tally, const SamRecordHandler& onRecord) {
  std::vector<std::string_view> fields;
  for (std::string_view line : lines) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
      if (!trim(line).empty()) tally.skip(line);
      continue;
    }
    const std::string_view key = line.substr(0, colon);
    if (key == "ELF") break;
    if (key != wanted) {
      if (key == "LBB" || key == "LBR" || key == "UTS") tally.skip(line);
      continue;
    }
    std::string_view value = line.substr(colon + 1);
    fields.clear();
    while (fields.size() < maxFields) {
      const std::size_t comma = value.find(',');
      if (comma == std::string_view::npos) break;
      fields.push_back(value.substr(0, comma));
      value.remove_prefix(comma + 1);
    }
    if (!onRecord(line, fields, value)) return false;
  }
  return true;
}

std::string dateLine() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buffer[64];
  const std::size_t n = std::strftime(buffer, sizeof buffer, "%a %b %e %H:%M:%S %Y\n", &local);
  return std::string(buffer, n);
}

namespace {

void appendUtf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string fromUtf16(std::string_view bytes, bool bigEndian) {
  std::string out;
  out.reserve(bytes.size() / 2);
  auto unit = [&](std::size_t i) {
    const auto b0 = static_cast<unsigned char>(bytes[i]), b1 = static_cast<unsigned char>(bytes[i + 1]);
    return static_cast<std::uint32_t>(bigEndian ? (b0 << 8 | b1) : (b1 << 8 | b0));
  };
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    std::uint32_t c = unit(i);
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size()) {
      const std::uint32_t low = unit(i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      } else {
        c = 0xFFFD;
      }
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    appendUtf8(out, c);
  }
  return out;
}

}  // namespace

std::string decodeText(std::string_view bytes) {
  if (bytes.size() >= 2 && ((bytes[0] == '\xFE' && bytes[1] == '\xFF') || (bytes[0] == '\xFF' && bytes[1] == '\xFE')))
    return fromUtf16(bytes, bytes[0] == '\xFE');
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  return std::string(bytes);
}

bool addBounds(MarkBatch& marks, ReadTally& tally, std::string_view line, std::int32_t start, std::int32_t end) {
  if (end <= start) {
    tally.skip(line);
    return false;
  }
  ++tally.records;
  marks.add(start);
  marks.add(end);
  return true;
}

std::string formatNist(const notetiqs& list, std::int64_t tf) {
  std::string out;
  const notetiqs fitted = fittedCopy(list, tf);
  for (int i = 0; i < fitted.segmentCount(); ++i)
    appendf(out, "%ld %ld %s\n", static_cast<long>(fitted.position(i)), static_cast<long>(fitted.position(i + 1)),
            fitted.Text(i).c_str());
  return out;
}

bool finishReading(MarkBatch& marks, const ReadTally& tally, const char* kind, const std::string& path,
                   std::int64_t tf, notetiqs& list) {
  if (tally.records == 0 && tally.skipped > 0) {
    message("no records read from " + path + " (is it " + kind + "? UTF-16?)");
    return false;
  }
  notetiqs read;
  if (!marks.mergeInto(read)) return false;
  reportFit(fitToSignal(read, tf), path, tf);
  list = std::move(read);
  if (tally.skipped == 0) return true;
  reportLineError(tally.firstSkipped, path, tally.skipped - 1);
  return false;
}

int firstLineBreak(const notetiqs& list) {
  for (int i = 0; i < list.count(); ++i)
    if (list.items()[static_cast<std::size_t>(i)].text.find_first_of("\r\n") != std::string::npos) return i;
  return -1;
}

std::string escapeControls(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  auto hex = [&out](unsigned char c) {
    static const char kDigits[] = "0123456789abcdef";
    out += "\\x";
    out += kDigits[c >> 4];
    out += kDigits[c & 0xF];
  };
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x20 || c == 0x7F) {
      hex(c);
    } else if (c == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(s[i + 1]) <= 0x9F) {
      hex(c);
      hex(static_cast<unsigned char>(s[++i]));
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace ardv::labeltext
