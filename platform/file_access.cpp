#include "platform/file_access.h"

#include <system_error>

#include <unistd.h>

namespace ardv {

bool mayWrite(const std::filesystem::path& path) {
  std::error_code ec;
  auto status = std::filesystem::status(path, ec);
  if (ec) return false;
  if ((status.permissions() & std::filesystem::perms::owner_write) == std::filesystem::perms::none) return false;
  return ::access(path.c_str(), W_OK) == 0;
}

}  // namespace ardv
