// One format profile: its five field values (constant strings or compiled
// expressions), the reader of one field value (`lire_champ`), the reader of a
// whole profile text, and the value of a field for a given file (`fieldValue`).
//
// Profile text: one field a line, `key = value`; the keys are frequence,
// nb_bits, debut, longueur and signal_swap; a value is `v, EXPRESSION` or a
// double-quoted string ("" inside stands for one quote).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "signal/profile_expression.h"

namespace ardv {

// Longest constant string kept; the rest of a longer string is ignored.
constexpr std::size_t kProfileStringMax = 299;

struct FieldValue {
  char kind = ' ';    // ' ' absent, 'c' constant string, 'n' compiled expression
  char wanted = 'n';  // 'n' integer result, 'c' string result
  std::string text;   // the constant string
  std::string source;  // the expression as written (after "v,")
  CompiledExpression expression;
  int line = 0;         // line of the profile that gave the value (0: none)
  bool failed = false;  // that line could not be read: the field has no usable value
};

// The five fields, in the order of a profile.
enum ProfileField { kFieldFrequence = 0, kFieldNbBits, kFieldDebut, kFieldLongueur, kFieldSignalSwap, kProfileFieldCount };

// Key of each field as written in a profile.
const char* profileFieldKey(int field);

struct Profile {
  std::string name;        // base name of the profile file
  std::string unreadable;  // why the profile file could not be read; empty when it was
  std::array<FieldValue, kProfileFieldCount> fields;
};

// How messages name a place in a profile: "NAME.fmt, line N".
std::string profilePlace(const Profile& profile, int line);

// Profile with every field absent and the wanted results set (integers, and a
// string for signal_swap).
Profile emptyProfile(const std::string& name);

// Parses one field value, `value` being the text after the "=" and its
// blanks: "v," followed by an expression compiles it; a double-quoted string
// is kept (cut at kProfileStringMax characters, the rest of the line then
// ignored). Returns true when the field got a value; otherwise `field` is
// absent and one message, beginning with `where`, says why (UI text 5004 +
// 5001 for an empty value, 5002 for a "v" without ",", those of the
// expression compiler, an unterminated string, text after the closing quote,
// a value that is neither form). Traced at debug level 5.
bool lire_champ(const std::string& value, FieldValue& field, const std::string& where = std::string());

// Parses a whole profile text line by line into `profile` (whose name is
// kept). Every message names the profile and the line. An unknown key gives
// UI text 5004 + 5003 and the line is skipped; a field whose value could not
// be read is marked failed with its line. Returns the number of lines that
// gave a message.
int parseProfileText(const std::string& content, Profile& profile);

// The result of a field for one file.
struct FieldResult {
  std::int64_t number = 0;  // integer value (of an expression, or of a string by decimal conversion)
  std::string text;         // the string of a constant field
};

// Value of `field`: nothing (and `fault` empty) when absent; a constant gives
// its string (and, as number, its decimal integer value); an expression
// gives its evaluation with `variables`. Nothing, with `fault` saying why in
// words and no message, for a failed field, an evaluation that fails
// (division by zero, a result beyond 64 bits), or a constant wanted as an
// integer that is not one.
std::optional<FieldResult> fieldValue(const FieldValue& field, const ExpressionVariables* variables,
                                      std::string& fault);

}  // namespace ardv
