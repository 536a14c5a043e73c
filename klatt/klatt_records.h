// Records of Klatt parameter files: a type word (".kla" 41 columns, ".klf"
// 44, ".kle" 56), then integers in table order, one frame per line, read
// regardless of line breaks.
#pragma once

#include <bitset>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "klatt/klatt_table.h"

namespace ardv {

// Columns of a file with this type word, nullopt for any other word.
std::optional<int> klattColumnsOfType(std::string_view word);

// The type word written for a file of `columns` columns: ".kla" for 41,
// ".kle" otherwise.
std::string_view klattTypeWord(int columns);

// Reads a parameter file record by record.
class KlattRecordReader {
 public:
  enum class Status { ok, cannotOpen, unknownType };

  KlattRecordReader() = default;
  KlattRecordReader(const KlattRecordReader&) = delete;
  KlattRecordReader& operator=(const KlattRecordReader&) = delete;
  ~KlattRecordReader();

  // Opens the file and reads its type word. `reason` gets the system's
  // reason when the file cannot be opened (or "not a regular file": a FIFO
  // or a device is not opened).
  Status open(const std::filesystem::path& path, std::string* reason = nullptr);

  // The next record: columns past the file's from `defaults`, index 1
  // divided by 10 (F0 in Hz). False at the end of the file, or at a record
  // cut short by the end or by a token that is not a number.
  bool next(KlattRecord& record, const KlattRecord& defaults);

  int columns() const { return columns_; }
  // True when next() stopped at a token that is not a number (rather than
  // at the end of the file); badToken() is its first characters.
  bool stoppedAtText() const { return !badToken_.empty(); }
  const std::string& badToken() const { return badToken_; }
  // Records returned so far.
  long records() const { return records_; }
  // The F0 column of the last record as the file holds it (tenths of Hz).
  std::int32_t fileF0() const { return fileF0_; }

 private:
  bool readInt(std::int32_t& value);

  std::FILE* file_ = nullptr;
  int columns_ = 0;
  long records_ = 0;
  std::int32_t fileF0_ = 0;
  std::string badToken_;
};

// Appends one record as a file line: the first `columns` values, index 1
// multiplied by 10, each as "%d " with negatives written as 0, then "\n".
void appendKlattRecord(std::string& out, const KlattRecord& record, int columns);

// Which values of a record are a file's values as read (F0 then in tenths).
using KlattAsRead = std::bitset<kKlattParams>;

// As above, except that the values marked in `asRead` are written as they
// stand, negatives and F0 included.
void appendKlattRecord(std::string& out, const KlattRecord& record, int columns, const KlattAsRead& asRead);

}  // namespace ardv
