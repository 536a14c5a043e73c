// Loading and querying the phonetic description of the language file.
#include "labels/phonetic_description.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "labels/quoted_token.h"
#include "platform/diagnostics.h"
#include "platform/file_access.h"
#include "platform/report.h"
#include "texts/texts.h"

namespace ardv {

// Reads the language file line by line into a fresh description.
class LanguageFileParser {
 public:
  LanguageFileParser(const std::string& content, PhoneticDescription& out) : out_(out) {
    std::istringstream in(content);
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines_.push_back(std::move(line));
    }
  }

  void run() {
    for (li_ = 0; li_ < lines_.size(); ++li_) {
      const std::string& line = lines_[li_];
      if (startsWith(line, "menuphon"))
        readMenu(false);
      else if (startsWith(line, "menuclass"))
        readMenu(true);
      else if (startsWith(line, "F1F2vowel"))
        readVowel(line);
      else if (startsWith(line, "class"))
        readClass();
      else if (startsWith(line, "phon"))
        readPhoneme(line);
    }
  }

 private:
  static bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

  // error(message) of a line that cannot be used; `li` is 0-based.
  void reportLine(std::size_t li) {
    message(textf(5305, {static_cast<long long>(li + 1)}) + lines_[li].substr(0, 40) + " ..." + text(5321));
  }

  // Reads a token; on failure logs why (5312, 5313, 5314), reports the line
  // and returns false.
  bool token(const std::string& line, std::size_t& pos, std::string& value) {
    switch (nextQuotedToken(line, pos, value, kMaxTokenLength, true)) {
      case TokenStatus::Found: return true;
      case TokenStatus::Unterminated: diagnosticLine(text(5312)); break;
      case TokenStatus::TooLong: diagnosticLine(text(5313)); break;
      default: diagnosticLine(text(5314)); break;
    }
    reportLine(li_);
    return false;
  }

  void readPhoneme(const std::string& line) {
    std::size_t pos = 4;
    std::string label, description;
    if (!token(line, pos, label) || !token(line, pos, description)) return;
    if (label.empty()) {
      out_.phonemes_[0].description = description;
      return;
    }
    if (out_.phonemeCount() >= kMaxPhonemes) {
      reportLine(li_);
      return;
    }
    out_.phonemes_.push_back(Phoneme{label, description});
  }

  void readClass() {
    const std::size_t first = li_;
    std::size_t pos = 5;
    std::string name, description;
    if (!token(lines_[li_], pos, name) || !token(lines_[li_], pos, description)) return;
    pos = lines_[li_].find('[', pos);
    if (pos == std::string::npos || out_.classCount() >= kMaxClasses) {
      reportLine(first);
      return;
    }
    ++pos;
    const int index = out_.classCount() + 1;
    PhoneticClass cls{name, description, {}};
    PhoneticDescription::PhonemeSet phonemes;
    std::string member;
    bool open = true;
    while (open) {
      const std::string& line = lines_[li_];
      switch (nextQuotedToken(line, pos, member, kMaxTokenLength, true)) {
        case TokenStatus::Found:
          if (!addMember(member, index, cls, phonemes)) {
            reportLine(li_);
            open = false;
          }
          break;
        case TokenStatus::EndOfList: open = false; break;
        case TokenStatus::Unterminated:
          diagnosticLine(text(5312));
          reportLine(li_);
          open = false;
          break;
        case TokenStatus::TooLong:
          diagnosticLine(text(5313));
          reportLine(li_);
          open = false;
          break;
        case TokenStatus::EndOfLine:
          open = nextMemberLine();
          pos = 0;
          break;
      }
    }
    out_.classes_.push_back(std::move(cls));
    out_.classPhonemes_.push_back(phonemes);
  }

  // Moves to the line that continues a member list; false when the list ends
  // there (a line starting with ";", the end of the file, a line too long).
  bool nextMemberLine() {
    if (li_ + 1 >= lines_.size()) {
      diagnosticLine(text(5310));
      return false;
    }
    const std::string& line = lines_[++li_];
    if (startsWith(line, ";")) return false;
    if (line.size() >= 253) {
      diagnosticLine(text(5311) + line.substr(0, 30));
      return false;
    }
    return true;
  }

  bool addMember(const std::string& member, int index, PhoneticClass& cls, PhoneticDescription::PhonemeSet& phonemes) {
    if (!member.empty() && member[0] == '[') {
      int k = out_.classIndex(member);
      if (k < 1 || k >= index) return false;  // only earlier classes: no cycle
      cls.members.push_back(-k);
      phonemes |= out_.classPhonemes_[static_cast<std::size_t>(k)];
      return true;
    }
    int p = out_.phonemeIndex(member);
    if (p < 1) return false;
    cls.members.push_back(p);
    phonemes.set(static_cast<std::size_t>(p));
    return true;
  }

  void readMenu(bool classMenu) {
    std::string joined;
    std::vector<std::pair<std::size_t, std::size_t>> starts;  // (offset, line index)
    while (li_ + 1 < lines_.size()) {
      const std::string& line = lines_[++li_];
      starts.emplace_back(joined.size(), li_);
      joined += line;
      joined += '\n';
      if (startsWith(line, "]")) break;
    }
    PhoneticMenu& menu = classMenu ? out_.classMenu_ : out_.phonemeMenu_;
    std::size_t offset = 0;
    if (parsePhoneticMenu(joined, out_, classMenu, menu, offset)) return;
    diagnosticLine(text(5320) + (offset < joined.size() ? joined.substr(offset, 30) : std::string()));
    std::size_t at = li_;
    for (const auto& [start, line] : starts)
      if (start <= offset) at = line;
    reportLine(at);
  }

  void readVowel(const std::string& line) {
    std::size_t pos = 9;
    std::string label;
    if (!token(line, pos, label)) return;
    const int p = out_.phonemeIndex(label);
    const char* rest = line.c_str() + pos;
    char* end = nullptr;
    errno = 0;
    long f1 = std::strtol(rest, &end, 10);
    bool ok = end != rest;
    rest = end;
    long f2 = std::strtol(rest, &end, 10);
    ok = ok && end != rest && errno == 0;
    // Formant frequencies outside 1..99999 Hz are not a vowel position.
    if (p < 1 || !ok || f1 < 1 || f1 > 99999 || f2 < 1 || f2 > 99999) {
      reportLine(li_);
      return;
    }
    out_.vowels_.push_back(VowelReference{p, static_cast<int>(f1), static_cast<int>(f2)});
  }

  PhoneticDescription& out_;
  std::vector<std::string> lines_;
  std::size_t li_ = 0;
};

PhoneticDescription::PhoneticDescription() { clear(); }

void PhoneticDescription::clear() {
  phonemes_.assign(1, Phoneme{});
  classes_.assign(1, PhoneticClass{});
  classPhonemes_.assign(1, PhonemeSet{});
  vowels_.clear();
  phonemeMenu_ = PhoneticMenu{};
  classMenu_ = PhoneticMenu{};
}

bool PhoneticDescription::load(const std::filesystem::path& file) {
  std::string content, why;
  if (!readSmallFile(file, kSmallFileMaxBytes, content, why)) {
    fatal("Unable to open the phonetic description file (language file)\n" + file.string() + ": " + why);
    return false;
  }
  return loadText(content);
}

bool PhoneticDescription::loadText(const std::string& content) {
  PhoneticDescription fresh;
  LanguageFileParser(content, fresh).run();
  *this = std::move(fresh);
  return true;
}

int PhoneticDescription::phonemeIndex(const std::string& label) const {
  for (std::size_t i = 0; i < phonemes_.size(); ++i)
    if (phonemes_[i].label == label) return static_cast<int>(i);
  return -1;
}

int PhoneticDescription::classIndex(const std::string& name) const {
  for (std::size_t i = 1; i < classes_.size(); ++i)
    if (classes_[i].name == name) return static_cast<int>(i);
  return -1;
}

std::string PhoneticDescription::label(int index) const {
  return index >= 0 ? phoneme(index).label : phoneticClass(-index).name;
}

const Phoneme& PhoneticDescription::phoneme(int index) const {
  static const Phoneme kNone;
  return index >= 0 && index < static_cast<int>(phonemes_.size()) ? phonemes_[static_cast<std::size_t>(index)] : kNone;
}

const PhoneticClass& PhoneticDescription::phoneticClass(int index) const {
  static const PhoneticClass kNone;
  return index >= 1 && index < static_cast<int>(classes_.size()) ? classes_[static_cast<std::size_t>(index)] : kNone;
}

bool PhoneticDescription::classMatches(int k, const std::string& b) const {
  const PhonemeSet& set = classPhonemes_[static_cast<std::size_t>(k)];
  const bool bIsClass = !b.empty() && b[0] == '[';
  const int kb = bIsClass ? classIndex(b) : 0;
  if (bIsClass && kb < 1) return false;
  for (std::size_t p = 1; p < phonemes_.size(); ++p) {
    if (!set.test(p)) continue;
    if (!bIsClass) {
      if (phonemes_[p].label == b) return true;
      continue;
    }
    // Class against class: a phoneme of one whose label names a phoneme of the other.
    const PhonemeSet& other = classPhonemes_[static_cast<std::size_t>(kb)];
    for (std::size_t q = 1; q < phonemes_.size(); ++q)
      if (other.test(q) && phonemes_[q].label == phonemes_[p].label) return true;
  }
  return false;
}

bool PhoneticDescription::matches(const std::string& a, const std::string& b) const {
  if (!a.empty() && a[0] == '[') {
    int k = classIndex(a);
    return k >= 1 && classMatches(k, b);
  }
  if (!b.empty() && b[0] == '[') {
    int k = classIndex(b);
    return k >= 1 && classMatches(k, a);
  }
  return a == b;
}

VowelReference PhoneticDescription::vowelReference(int i) const {
  if (i < 0 || i >= vowelCount()) return VowelReference{};
  return vowels_[static_cast<std::size_t>(i)];
}

PhoneticDescription& phoneticDescription() {
  static PhoneticDescription description;
  return description;
}

bool loadLanguageDescription(const std::filesystem::path& formatDir, const std::string& languageFile) {
  return phoneticDescription().load(formatDir / languageFile);
}

}  // namespace ardv
