#include "platform/environment.h"

#include <cstdlib>
#include <system_error>

namespace ardv {

std::optional<std::string> environmentValue(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value) return std::nullopt;
  return std::string(value);
}

std::optional<std::string> environmentVariable(const char* name) {
  const char* value = std::getenv(name);
  if (!value) return std::nullopt;
  return std::string(value);
}

namespace {

std::filesystem::path homeRelative(const char* variable, const char* fallback) {
  if (auto v = environmentValue(variable)) return *v;
  auto home = environmentValue("HOME");
  return std::filesystem::path(home ? *home : std::string(".")) / fallback;
}

}  // namespace

std::filesystem::path xdgDataHome() { return homeRelative("XDG_DATA_HOME", ".local/share"); }
std::filesystem::path xdgConfigHome() { return homeRelative("XDG_CONFIG_HOME", ".config"); }

std::filesystem::path executableDirectory() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return exe.parent_path();
}

}  // namespace ardv
