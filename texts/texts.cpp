#include "texts/texts.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/file_access.h"
#include "platform/report.h"

namespace ardv {
namespace {

std::vector<std::string> splitLines(const std::string& content) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(content);
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// Reads the number the way "%d" does: blanks, an optional sign, digits.
bool readNumber(const std::string& s, std::size_t& pos, long long& value) {
  while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t')) ++pos;
  std::size_t start = pos;
  if (pos < s.size() && (s[pos] == '-' || s[pos] == '+')) ++pos;
  std::size_t digits = pos;
  while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9' && pos - digits < 12) ++pos;
  if (pos == digits) {
    pos = start;
    return false;
  }
  value = std::strtoll(s.c_str() + start, nullptr, 10);
  return true;
}

// Reads the quoted text that starts at `pos` of `firstLine` (line li), following
// continuation lines (li advances past them). `terminated` tells whether the
// closing quote was found.
std::string readQuoted(const std::string& firstLine, const std::vector<std::string>& lines, std::size_t& li,
                       std::size_t pos, bool& terminated) {
  std::string text;
  std::string line = firstLine;
  terminated = false;
  while (pos < line.size()) {
    char c = line[pos];
    if (c == '"') {
      terminated = true;
      return text;
    }
    if (c != '\\') {
      text += c;
      ++pos;
      continue;
    }
    char next = pos + 1 < line.size() ? line[pos + 1] : '\0';
    switch (next) {
      case 'n': text += "\r\n"; pos += 2; break;
      case 't': text += '\t'; pos += 2; break;
      case '"': text += '"'; pos += 2; break;
      case '\\': text += '\\'; pos += 2; break;
      default:
        // Continuation: the next line goes on where the backslash stood.
        if (li + 1 >= lines.size()) {
          terminated = true;
          return text;
        }
        line = lines[++li];
        pos = 0;
        break;
    }
  }
  return text;
}

}  // namespace

TextTable::TextTable() { clear(); }

void TextTable::clear() {
  buffer_.clear();
  numbers_.fill(0);
  offsets_.fill(0);
  count_ = 0;
}

bool TextTable::store(int number, const std::string& text, const std::string& fileName) {
  if (number <= 0) return false;
  int slot = number % kTextSlots;
  for (int probe = 0; probe < kTextSlots; ++probe, slot = (slot + 1) % kTextSlots) {
    if (numbers_[slot] == number) {
      message(formatText("%s : number %d defined more than once", {fileName, number}));
      offsets_[slot] = buffer_.size();
      buffer_.append(text.c_str(), text.size());
      buffer_ += '\0';
      return true;
    }
    if (numbers_[slot] == 0) {
      numbers_[slot] = number;
      offsets_[slot] = buffer_.size();
      buffer_.append(text.c_str(), text.size());
      buffer_ += '\0';
      ++count_;
      return true;
    }
  }
  fatal("ml_tabl too small");
  return false;
}

const char* TextTable::find(int number) const {
  if (number <= 0) return nullptr;
  int slot = number % kTextSlots;
  for (int probe = 0; probe < kTextSlots; ++probe, slot = (slot + 1) % kTextSlots)
    if (numbers_[slot] == number) return buffer_.c_str() + offsets_[slot];
  return nullptr;
}

bool TextTable::load(const std::filesystem::path& file) {
  // Only a regular file of bounded size: a directory would read as empty, a
  // device or a FIFO without end.
  std::string content, why;
  if (!readSmallFile(file, kSmallFileMaxBytes, content, why)) {
    fatal("missing CountryFile\n" + file.string() + ": " + why);
    return false;
  }
  return loadText(content, file.string());
}

bool TextTable::loadText(const std::string& content, const std::string& fileName) {
  clear();
  const std::vector<std::string> lines = splitLines(content);
  bool allStored = true;
  for (std::size_t li = 0; li < lines.size(); ++li) {
    std::string line = lines[li];
    std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos) continue;
    line.erase(0, first);
    if (line.size() < 5 || line.compare(0, 2, "//") == 0) continue;
    // The comma after the number is a separator; a comma inside the text is
    // part of the text.
    auto comma = line.find(',');
    if (comma != std::string::npos && comma < line.find('"')) line[comma] = ' ';

    std::size_t pos = 0;
    long long number = 0;
    auto quote = line.find('"');
    if (!readNumber(line, pos, number) || number <= 0 || number > 2147483647LL || quote == std::string::npos) {
      warn(formatText("%s : line %d is not a numbered text\r\n%.30s ...", {fileName, static_cast<int>(li + 1), line}));
      allStored = false;
      continue;
    }
    bool terminated = false;
    std::size_t startLine = li;
    std::string text = readQuoted(line, lines, li, quote + 1, terminated);
    if (!terminated)
      warn(formatText("%s : unterminated string\n", {fileName}) + lines[startLine].substr(0, 30) + " ...");
    if (!store(static_cast<int>(number), text, fileName)) return false;
  }
  traceLine(formatText("ml_init() there are %d texts (for %d max)", {count_, kTextSlots}));
  traceLine(formatText("...       and %u characters (for 64k max)", {static_cast<unsigned long>(buffer_.size())}));
  return allStored;
}

TextTable& textTable() {
  static TextTable table;
  return table;
}

bool ml_init(const std::filesystem::path& countryFile) {
  bool ok = textTable().load(countryFile);
  ReportCaptions captions;
  const TextTable& table = textTable();
  if (table.usedLength() >= 11) {
    if (const char* t = table.find(208)) captions.fatal = t;
  }
  if (const char* t = table.find(204)) captions.message = t;
  if (const char* t = table.find(205)) captions.warning = t;
  setReportCaptions(captions);
  return ok;
}

std::string text(int n) {
  if (const char* t = textTable().find(n)) return t;
  debugMessage(formatText("missing resource string %d", {n}));
  return "";
}

std::string textf(int n, std::initializer_list<TextArg> args) { return formatText(text(n), args); }

void errorInItem(const std::string& item, const std::string& detail) {
  message(text(206) + item.substr(0, 40) + text(207) + detail);
}

void notImplemented() { reportHandler().show(Report{ReportKind::Message, "", "not implemented"}); }

}  // namespace ardv
