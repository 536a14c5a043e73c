#include "signal/writable_target.h"

#include <filesystem>
#include <system_error>

#include "annotation/texts.h"
#include "platform/file_access.h"
#include "platform/report.h"

namespace ardv {
namespace fs = std::filesystem;

bool isWritableTarget(const std::string& name) {
  if (name.empty()) return false;
  std::error_code ec;
  const fs::path full = fs::absolute(fs::path(name), ec);
  if (ec || !full.has_filename()) return false;
  auto status = fs::status(full, ec);
  if (fs::exists(status)) return !fs::is_directory(status) && mayWrite(full);
  return fs::is_directory(full.parent_path(), ec);
}

bool isWritableTargetWarn(const std::string& name) {
  if (isWritableTarget(name)) return true;
  warn(name + text(3601));
  return false;
}

bool sameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  if (fs::exists(a, error) && fs::exists(b, error)) return fs::equivalent(a, b, error);
  return fs::absolute(a, error).lexically_normal() == fs::absolute(b, error).lexically_normal();
}

bool isSeparateOutput(const std::string& name, const std::string& signal) {
  if (signal.empty() || !sameFile(name, signal)) return true;
  message(text(1017));
  return false;
}

}  // namespace ardv
