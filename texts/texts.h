// Interface texts: every text the user sees is asked for by number from the
// table loaded out of the country file.
//
// Country file: one text a line, `number, "text"`, with the escapes \n (a line
// break), \t, \" and \\; a backslash followed by anything else continues the
// text on the next line. Lines shorter than 5 characters and lines starting
// with "//" are skipped.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <initializer_list>
#include <string>

#include "texts/text_format.h"

namespace ardv {

constexpr int kTextSlots = 1003;

class TextTable {
 public:
  TextTable();

  // Loads a country file, replacing the current content. Returns true when
  // every line was stored. Reports its own faults: fatal "missing CountryFile"
  // when the file cannot be opened, fatal "ml_tabl too small" when the table is
  // full, a warning per unterminated text, a message per duplicated number;
  // writes two summary lines to the trace window.
  bool load(const std::filesystem::path& file);
  // Same from text in memory; `fileName` is used in the messages.
  bool loadText(const std::string& content, const std::string& fileName);
  void clear();

  // Stores one text. A number already present gets the new text (after the
  // duplicate message). Returns false after fatal when no slot is free.
  bool store(int number, const std::string& text, const std::string& fileName);

  // The text, or nullptr when the number is absent. Reports nothing.
  const char* find(int number) const;
  int count() const { return count_; }
  // Bytes of the text buffer in use (each text with its terminator).
  std::size_t usedLength() const { return buffer_.size(); }

 private:
  std::string buffer_;
  std::array<int, kTextSlots> numbers_{};
  std::array<std::size_t, kTextSlots> offsets_{};
  int count_ = 0;
};

// The program's table.
TextTable& textTable();

// Loads the program's table from the country file and sets the captions of
// the reporting operations from it. Returns what TextTable::load returns.
bool ml_init(const std::filesystem::path& countryFile);

// Text number n; when absent, the internal-fault report "missing resource
// string n" and an empty string.
std::string text(int n);

// Text number n formatted with the arguments (see formatText).
std::string textf(int n, std::initializer_list<TextArg> args);

// message: text 206, the first 40 characters of `item`, text 207, `detail`.
void errorInItem(const std::string& item, const std::string& detail);

// A message box with an empty caption saying "not implemented".
void notImplemented();

}  // namespace ardv
