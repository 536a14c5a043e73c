// Small file helpers for tests: whole-file reads and writes, and where the
// shipped data lives.
#pragma once

#include <sys/resource.h>

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace ardv::test {

std::string readFile(const std::filesystem::path& path);
std::vector<std::uint8_t> readBytes(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& content);
void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
// The names in `dir`.
std::set<std::string> entries(const std::filesystem::path& dir);

// While alive, no file of the process may grow past `bytes` (writes fail
// with EFBIG, SIGXFSZ ignored): a failing write that stops root too.
struct FileSizeLimit {
  explicit FileSizeLimit(std::uint64_t bytes);
  ~FileSizeLimit();
  rlimit saved{};
  void (*savedHandler)(int) = nullptr;
};

// The source tree's data/ directory (country file, language files, profiles, examples).
std::filesystem::path sourceDataDir();
// The source tree's root.
std::filesystem::path sourceDir();

}  // namespace ardv::test
