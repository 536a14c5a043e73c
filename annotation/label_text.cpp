// Helpers shared by the label-file layouts.

#include "annotation/label_text.h"

#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <limits>

#include "annotation/texts.h"
#include "platform/report.h"

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

std::optional<std::int32_t> parsePosition(std::string_view s, std::int64_t scale, std::int64_t divisor) {
  const auto value = parseInteger(s);
  if (!value || *value < 0) return std::nullopt;
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  if (*value > kMax * divisor / scale) return std::nullopt;
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
                      const SamRecordHandler& onRecord) {
  std::vector<std::string_view> fields;
  for (std::string_view line : lines) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, colon);
    if (key == "ELF") break;
    if (key != wanted) continue;
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

}  // namespace ardv::labeltext
