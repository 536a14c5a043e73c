#include "tests/support/temp_dir.h"

#include <atomic>
#include <random>
#include <string>
#include <system_error>

#include <unistd.h>

namespace ardv::test {

TempDir::TempDir() {
  static std::atomic<unsigned> serial{0};
  auto base = std::filesystem::temp_directory_path();
  for (;;) {
    auto candidate = base / ("ardv-test-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
    std::error_code ec;
    if (std::filesystem::create_directory(candidate, ec)) {
      path_ = candidate;
      return;
    }
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

}  // namespace ardv::test
