// Reading the fields of a format profile and taking their values.
#include "signal/profile_field.h"

#include <charconv>
#include <sstream>

#include "annotation/texts.h"
#include "platform/report.h"

namespace ardv {
namespace {

void profileMessage(int specific) { message(text(5004) + text(specific)); }

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::int64_t decimalValue(const std::string& s) {
  std::size_t i = 0;
  while (i < s.size() && isBlank(s[i])) ++i;
  std::int64_t value = 0;
  const auto [ptr, ec] = std::from_chars(s.data() + i, s.data() + s.size(), value);
  (void)ptr;
  return ec == std::errc() ? value : 0;
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

bool lire_champ(const std::string& value, FieldValue& field) {
  if (debugLevel() == 5) traceLine("lire_champ(\"" + value + "\")");
  FieldValue result;
  result.wanted = field.wanted;
  if (value.empty() || value[0] == '\r' || value[0] == '\n') {
    profileMessage(5001);
    field = result;
    return false;
  }
  if (value[0] == 'v') {
    if (value.size() < 2 || value[1] != ',') {
      profileMessage(5002);
      field = result;
      return false;
    }
    if (!en_post(value.substr(2), result.expression)) {
      field = result;
      return false;
    }
    result.kind = 'n';
    result.source = value.substr(2);
    while (!result.source.empty() && isBlank(result.source.front())) result.source.erase(0, 1);
    while (!result.source.empty() && isBlank(result.source.back())) result.source.pop_back();
    field = std::move(result);
    return true;
  }
  if (value[0] == '"') {
    std::string s;
    for (std::size_t i = 1; i < value.size() && s.size() < kProfileStringMax; ++i) {
      if (value[i] == '"') {
        if (i + 1 < value.size() && value[i + 1] == '"') {
          s += '"';
          ++i;
        } else {
          break;
        }
      } else {
        s += value[i];
      }
    }
    result.kind = 'c';
    result.text = std::move(s);
    field = std::move(result);
    return true;
  }
  field = result;
  return false;
}

int parseProfileText(const std::string& content, Profile& profile) {
  const std::string name = profile.name;
  profile = emptyProfile(name);
  int faults = 0;
  std::istringstream in(content);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::size_t i = 0;
    while (i < line.size() && isBlank(line[i])) ++i;
    if (i == line.size()) continue;  // empty line
    const std::size_t keyStart = i;
    while (i < line.size() && !isBlank(line[i]) && line[i] != '=' && line[i] != ',') ++i;
    const std::string key = line.substr(keyStart, i - keyStart);
    int field = -1;
    for (int f = 0; f < kProfileFieldCount; ++f) {
      if (key == profileFieldKey(f)) field = f;
    }
    if (field < 0) {
      profileMessage(5003);
      ++faults;
      continue;
    }
    while (i < line.size() && isBlank(line[i])) ++i;
    if (i < line.size()) ++i;  // the "="
    while (i < line.size() && isBlank(line[i])) ++i;
    const std::string value = line.substr(i);
    FieldValue& target = profile.fields[static_cast<std::size_t>(field)];
    const bool ok = lire_champ(value, target);
    if (!ok && (value.empty() || value[0] == 'v')) ++faults;  // those gave a message
  }
  return faults;
}

std::optional<FieldResult> fieldValue(const FieldValue& field, const ExpressionVariables* variables) {
  FieldResult r;
  switch (field.kind) {
    case 'c':
      r.text = field.text;
      if (field.wanted == 'n') r.number = decimalValue(field.text);
      return r;
    case 'n':
      r.number = evaluate(field.expression, variables);
      r.text = std::to_string(r.number);
      return r;
    default:
      return std::nullopt;
  }
}

}  // namespace ardv
