// Reading the fields of a format profile and taking their values.
#include "signal/profile_field.h"

#include <charconv>
#include <sstream>

#include "platform/report.h"
#include "signal/transport_error.h"
#include "texts/texts.h"

namespace ardv {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The whole of `s`, blanks around it allowed, as a decimal integer.
std::optional<std::int64_t> decimalValue(const std::string& s) {
  std::size_t first = 0, last = s.size();
  while (first < last && isBlank(s[first])) ++first;
  while (last > first && isBlank(s[last - 1])) --last;
  std::int64_t value = 0;
  const auto [ptr, ec] = std::from_chars(s.data() + first, s.data() + last, value);
  if (ec != std::errc() || ptr != s.data() + last || first == last) return std::nullopt;
  return value;
}

}  // namespace

const char* profileFieldKey(int field) {
  static const char* const keys[] = {"frequence", "nb_bits", "debut", "longueur", "signal_swap"};
  return field >= 0 && field < kProfileFieldCount ? keys[field] : "";
}

Profile emptyProfile(const std::string& name) {
  Profile p;
  p.name = name;
  for (auto& f : p.fields) f.wanted = 'n';
  p.fields[kFieldSignalSwap].wanted = 'c';
  return p;
}

std::string profilePlace(const Profile& profile, int line) {
  return profile.name + ".fmt, line " + std::to_string(line);
}

bool lire_champ(const std::string& value, FieldValue& field, const std::string& where) {
  if (debugLevel() == 5) traceLine("lire_champ(\"" + value + "\")");
  FieldValue result;
  result.wanted = field.wanted;
  field = result;
  const std::string prefix = where.empty() ? text(5004) : where;
  const auto refuse = [&](const std::string& why) {
    message(prefix + why);
    return false;
  };
  if (value.empty() || value[0] == '\r' || value[0] == '\n') return refuse(text(5001));
  if (value[0] == 'v') {
    if (value.size() < 2 || value[1] != ',') return refuse(text(5002));
    if (!en_post(value.substr(2), result.expression, prefix)) return false;
    result.kind = 'n';
    result.source = value.substr(2);
    while (!result.source.empty() && isBlank(result.source.front())) result.source.erase(0, 1);
    while (!result.source.empty() && isBlank(result.source.back())) result.source.pop_back();
    field = std::move(result);
    return true;
  }
  if (value[0] == '"') {
    std::string s;
    std::size_t i = 1;
    bool closed = false;
    for (; i < value.size() && s.size() < kProfileStringMax; ++i) {
      if (value[i] == '"') {
        if (i + 1 < value.size() && value[i + 1] == '"') {
          s += '"';
          ++i;
        } else {
          closed = true;
          ++i;
          break;
        }
      } else {
        s += value[i];
      }
    }
    // A string cut at its longest keeps its first part; a shorter one must
    // be closed and nothing may follow it.
    if (s.size() < kProfileStringMax) {
      if (!closed) return refuse("the string has no closing quote.");
      while (i < value.size() && isBlank(value[i])) ++i;
      if (i < value.size())
        return refuse("unexpected text after the closing quote: " + utf8Prefix(value.substr(i), 40));
    }
    result.kind = 'c';
    result.text = std::move(s);
    field = std::move(result);
    return true;
  }
  return refuse("a value is either \"v, EXPRESSION\" or a double-quoted string: " + utf8Prefix(value, 40));
}

int parseProfileText(const std::string& content, Profile& profile) {
  const std::string name = profile.name;
  profile = emptyProfile(name);
  int faults = 0;
  int lineNumber = 0;
  std::istringstream in(content);
  std::string line;
  while (std::getline(in, line)) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::size_t i = 0;
    while (i < line.size() && isBlank(line[i])) ++i;
    if (i == line.size()) continue;  // empty line
    const std::string where = text(5004) + profilePlace(profile, lineNumber) + ": ";
    const std::size_t keyStart = i;
    while (i < line.size() && !isBlank(line[i]) && line[i] != '=' && line[i] != ',') ++i;
    const std::string key = line.substr(keyStart, i - keyStart);
    int field = -1;
    for (int f = 0; f < kProfileFieldCount; ++f) {
      if (key == profileFieldKey(f)) field = f;
    }
    if (field < 0) {
      message(where + text(5003));
      ++faults;
      continue;
    }
    while (i < line.size() && isBlank(line[i])) ++i;
    if (i < line.size()) ++i;  // the "="
    while (i < line.size() && isBlank(line[i])) ++i;
    FieldValue& target = profile.fields[static_cast<std::size_t>(field)];
    if (!lire_champ(line.substr(i), target, where)) {
      target.failed = true;
      ++faults;
    }
    target.line = lineNumber;
  }
  return faults;
}

std::optional<FieldResult> fieldValue(const FieldValue& field, const ExpressionVariables* variables,
                                      std::string& fault) {
  fault.clear();
  if (field.failed) {
    fault = "its line could not be read";
    return std::nullopt;
  }
  FieldResult r;
  switch (field.kind) {
    case 'c':
      r.text = field.text;
      if (field.wanted == 'n') {
        const auto number = decimalValue(field.text);
        if (!number) {
          fault = "\"" + utf8Prefix(field.text, 40) + "\" is not a whole number";
          return std::nullopt;
        }
        r.number = *number;
      }
      return r;
    case 'n': {
      const auto number = evaluate(field.expression, variables, &fault);
      if (!number) return std::nullopt;
      r.number = *number;
      r.text = std::to_string(r.number);
      return r;
    }
    default:
      return std::nullopt;
  }
}

}  // namespace ardv
