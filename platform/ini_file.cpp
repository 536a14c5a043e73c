#include "platform/ini_file.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "platform/file_access.h"

namespace ardv {
namespace {

std::string trim(const std::string& s) {
  auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  auto last = s.find_last_not_of(" \t\r\n");
  return s.substr(first, last - first + 1);
}

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

}  // namespace

std::optional<IniSection> IniSection::read(const std::filesystem::path& file, const std::string& section,
                                          std::string* why) {
  std::string text, reason;
  if (!readSmallFile(file, kSmallFileMaxBytes, text, reason)) {
    if (why) *why = reason;
    return std::nullopt;
  }
  return parse(text, section);
}

IniSection IniSection::parse(const std::string& text, const std::string& section) {
  IniSection result;
  const std::string wanted = lower(section);
  bool inSection = false;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    line = trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      auto close = line.find(']');
      inSection = close != std::string::npos && lower(trim(line.substr(1, close - 1))) == wanted;
      continue;
    }
    if (!inSection) continue;
    auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = lower(trim(line.substr(0, eq)));
    std::string value = trim(line.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    // The first definition of a key wins, as with private-profile files.
    if (!key.empty()) result.values_.emplace(key, value);
  }
  return result;
}

std::string IniSection::value(const std::string& key, const std::string& fallback) const {
  auto it = values_.find(lower(key));
  return it == values_.end() ? fallback : it->second;
}

bool IniSection::has(const std::string& key) const { return values_.count(lower(key)) != 0; }

}  // namespace ardv
