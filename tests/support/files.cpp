#include "tests/support/files.h"

#include <csignal>
#include <fstream>
#include <iterator>
#include <sstream>

namespace ardv::test {

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::vector<std::uint8_t> readBytes(const std::filesystem::path& path) {
  std::string s = readFile(path);
  return std::vector<std::uint8_t>(s.begin(), s.end());
}

void writeFile(const std::filesystem::path& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

FileSizeLimit::FileSizeLimit(std::uint64_t bytes) : savedHandler(std::signal(SIGXFSZ, SIG_IGN)) {
  getrlimit(RLIMIT_FSIZE, &saved);
  const rlimit limit{bytes, saved.rlim_max};
  setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, savedHandler);
}

void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::set<std::string> entries(const std::filesystem::path& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

std::filesystem::path sourceDir() { return ARDV_SOURCE_DIR; }
std::filesystem::path sourceDataDir() { return sourceDir() / "data"; }

}  // namespace ardv::test
