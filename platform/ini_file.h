// Reading "key=value" settings from one section of an initialisation file,
// the way private-profile files are read: section and key names compare
// without regard to case, blanks around names and values are dropped, and
// ';' or '#' starts a comment line.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace ardv {

class IniSection {
 public:
  // Reads section `section` of `file`. Returns nothing when the file is not
  // a regular file of at most kSmallFileMaxBytes or cannot be read, with the
  // reason in `why` when given; an absent section gives an empty result.
  // Reports nothing.
  static std::optional<IniSection> read(const std::filesystem::path& file, const std::string& section,
                                        std::string* why = nullptr);
  // Parses text already in memory.
  static IniSection parse(const std::string& text, const std::string& section);

  // The value of `key`, or `fallback` when absent.
  std::string value(const std::string& key, const std::string& fallback = "") const;
  bool has(const std::string& key) const;

 private:
  std::map<std::string, std::string> values_;  // keys lower-cased
};

}  // namespace ardv
