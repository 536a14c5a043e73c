// What the operating system tells the program about where it lives: environment
// variables, the freedesktop base directories and the executable's own path.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace ardv {

// The value of an environment variable; nothing when unset or empty.
std::optional<std::string> environmentValue(const char* name);

// The value of an environment variable, empty when set to nothing; nothing
// when unset.
std::optional<std::string> environmentVariable(const char* name);

// $XDG_DATA_HOME, or ~/.local/share when unset.
std::filesystem::path xdgDataHome();
// $XDG_CONFIG_HOME, or ~/.config when unset.
std::filesystem::path xdgConfigHome();

// Directory holding the running executable (empty when it cannot be found).
std::filesystem::path executableDirectory();

}  // namespace ardv
