// Small file helpers for tests: whole-file reads and writes, and where the
// shipped data lives.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace ardv::test {

std::string readFile(const std::filesystem::path& path);
std::vector<std::uint8_t> readBytes(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& content);
void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

// While alive, no file of the process may grow past `bytes` (writes fail
// with EFBIG, SIGXFSZ ignored): a failing write that stops root too.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(std::uint64_t bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  std::uint64_t saved_[2];
  void (*savedHandler_)(int);
};

// The source tree's data/ directory (country file, language files, profiles, examples).
std::filesystem::path sourceDataDir();
// The source tree's root.
std::filesystem::path sourceDir();

}  // namespace ardv::test
