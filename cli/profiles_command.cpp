// ardv-cli profiles: every format profile of the format directory with its
// five fields as written (absent fields shown as such, with their default).
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "signal/profile_table.h"

namespace ardv::cli {
namespace {

const char* const kDefaults[kProfileFieldCount] = {"16000", "16", "0", "0", "swapped"};

std::string shown(const FieldValue& f, int field) {
  if (f.failed) return "(line " + std::to_string(f.line) + " could not be read: the profile describes nothing)";
  switch (f.kind) {
    case 'n': return "v, " + f.source;
    case 'c': return "\"" + f.text + "\"";
    default: return std::string("(absent: ") + kDefaults[field] + ")";
  }
}

int runProfiles() {
  init_fmt();
  for (const Profile& p : profileTable().profiles()) {
    const std::string note = p.unreadable.empty() ? "" : "  (cannot be read: " + p.unreadable + ")";
    std::printf("%s%s\n", p.name.c_str(), note.c_str());
    for (int f = 0; f < kProfileFieldCount; ++f) {
      std::printf("  %-12s %s\n", profileFieldKey(f), shown(p.fields[static_cast<std::size_t>(f)], f).c_str());
    }
  }
  std::fflush(stdout);
  return 0;
}

}  // namespace

void addProfiles(Commands& commands) {
  commands.add("profiles", "list the format profiles with their fields", runProfiles);
}

}  // namespace ardv::cli
