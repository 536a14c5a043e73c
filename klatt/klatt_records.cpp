#include "klatt/klatt_records.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <limits>
#include <system_error>

namespace ardv {

std::optional<int> klattColumnsOfType(std::string_view word) {
  if (word == ".kla") return 41;
  if (word == ".klf") return 44;
  if (word == ".kle") return 56;
  return std::nullopt;
}

std::string_view klattTypeWord(int columns) { return columns == 41 ? ".kla" : ".kle"; }

KlattRecordReader::~KlattRecordReader() {
  if (file_) std::fclose(file_);
}

KlattRecordReader::Status KlattRecordReader::open(const std::filesystem::path& path,
                                                  std::string* reason) {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  columns_ = 0;
  records_ = 0;
  badToken_.clear();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    if (reason) *reason = ec ? ec.message() : std::string("not a regular file");
    return Status::cannotOpen;
  }
  file_ = std::fopen(path.c_str(), "rb");
  if (!file_) {
    if (reason) *reason = std::strerror(errno);
    return Status::cannotOpen;
  }
  int c;
  do c = std::fgetc(file_);
  while (c != EOF && std::isspace(c));
  std::string word;
  while (c != EOF && !std::isspace(c) && word.size() < 8) {
    word.push_back(static_cast<char>(c));
    c = std::fgetc(file_);
  }
  if (c != EOF && !std::isspace(c)) word.clear();  // longer than any type word
  const auto columns = klattColumnsOfType(word);
  if (!columns) return Status::unknownType;
  columns_ = *columns;
  return Status::ok;
}

// Like "%d": blanks, an optional sign, digits. Saturates instead of
// overflowing. Reads with getc_unlocked: files of 10 minutes hold 8 million
// numbers.
bool KlattRecordReader::readInt(std::int32_t& value) {
  auto blank = [](int ch) { return ch == ' ' || (ch >= '\t' && ch <= '\r'); };
  auto digit = [](int ch) { return ch >= '0' && ch <= '9'; };
  int c;
  do c = getc_unlocked(file_);
  while (c != EOF && blank(c));
  bool negative = false;
  if (c == '-' || c == '+') {
    negative = c == '-';
    c = getc_unlocked(file_);
  }
  if (c == EOF || !digit(c)) {
    if (c != EOF) {
      badToken_.assign(negative ? "-" : "");
      while (c != EOF && !blank(c) && badToken_.size() < 20) {
        badToken_.push_back(static_cast<char>(c));
        c = getc_unlocked(file_);
      }
    }
    return false;
  }
  std::int64_t v = 0;
  constexpr std::int64_t limit = std::numeric_limits<std::int32_t>::max();
  while (c != EOF && digit(c)) {
    if (v <= limit) v = v * 10 + (c - '0');
    c = getc_unlocked(file_);
  }
  if (c != EOF) std::ungetc(c, file_);
  if (v > limit) v = limit;
  value = static_cast<std::int32_t>(negative ? -v : v);
  return true;
}

bool KlattRecordReader::next(KlattRecord& record, const KlattRecord& defaults) {
  if (!file_ || columns_ == 0) return false;
  for (int i = 0; i < columns_; ++i)
    if (!readInt(record[i])) return false;
  for (int i = columns_; i < kKlattParams; ++i) record[i] = defaults[i];
  fileF0_ = record[kF0hz10];
  record[kF0hz10] /= 10;
  ++records_;
  return true;
}

void appendKlattRecord(std::string& out, const KlattRecord& record, int columns) {
  appendKlattRecord(out, record, columns, KlattAsRead{});
}

void appendKlattRecord(std::string& out, const KlattRecord& record, int columns, const KlattAsRead& asRead) {
  for (int i = 0; i < columns && i < kKlattParams; ++i) {
    if (asRead[i]) {
      out += std::to_string(record[i]);
      out += ' ';
      continue;
    }
    std::int64_t v = record[i];
    if (i == kF0hz10) v *= 10;
    if (v < 0) v = 0;
    if (v > std::numeric_limits<std::int32_t>::max()) v = std::numeric_limits<std::int32_t>::max();
    out += std::to_string(v);
    out += ' ';
  }
  out += '\n';
}

}  // namespace ardv
