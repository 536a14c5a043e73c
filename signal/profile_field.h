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
};

// The five fields, in the order of a profile.
enum ProfileField { kFieldFrequence = 0, kFieldNbBits, kFieldDebut, kFieldLongueur, kFieldSignalSwap, kProfileFieldCount };

// Key of each field as written in a profile.
const char* profileFieldKey(int field);

struct Profile {
  std::string name;  // base name of the profile file
  std::array<FieldValue, kProfileFieldCount> fields;
};

// Profile with every field absent and the wanted results set (integers, and a
// string for signal_swap).
Profile emptyProfile(const std::string& name);

// Parses one field value, `value` being the text after the "=" and its
// blanks. "v," followed by an expression compiles it; a quoted string is kept
// (cut at kProfileStringMax characters); anything else leaves the field absent.
// Messages (UI text 5004 followed by the specific text): an empty value
// (5001), a "v" not followed by "," (5002); those of the expression compiler.
// Returns true when the field got a value. Traced at debug level 5.
bool lire_champ(const std::string& value, FieldValue& field);

// Parses a whole profile text line by line into `profile` (whose name is
// kept). An unknown key gives UI text 5004 + 5003 and the line is skipped;
// a field that could not be parsed stays absent. Returns the number of lines
// that gave a message.
int parseProfileText(const std::string& content, Profile& profile);

// The result of a field for one file.
struct FieldResult {
  std::int64_t number = 0;  // integer value (of an expression, or of a string by decimal conversion)
  std::string text;         // the string of a constant field
};

// Value of `field`: nothing when absent; a constant gives its string (and, as
// number, its decimal integer value, 0 when it is not a number); an
// expression gives its evaluation with `variables`.
std::optional<FieldResult> fieldValue(const FieldValue& field, const ExpressionVariables* variables);

}  // namespace ardv
