#include "signal/writable_target.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/file_access.h"
#include "platform/report.h"
#include "texts/texts.h"

namespace ardv {
namespace fs = std::filesystem;

int writeProblem(const std::string& name) {
  if (name.empty()) return ENOENT;
  std::error_code ec;
  const fs::path full = fs::absolute(fs::path(name), ec);
  if (ec || !full.has_filename()) return EISDIR;
  struct stat st {};
  if (::stat(full.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return EISDIR;
    return mayWrite(full) ? 0 : EACCES;
  }
  if (errno != ENOENT) return errno;
  if (::stat(full.parent_path().c_str(), &st) != 0) return errno;
  return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

bool isWritableTarget(const std::string& name) { return writeProblem(name) == 0; }

bool isWritableTargetWarn(const std::string& name) {
  const int problem = writeProblem(name);
  if (problem == 0) return true;
  warn(name + text(3601) + " (" + std::strerror(problem) + ")");
  return false;
}

bool sameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  if (fs::exists(a, error) && fs::exists(b, error)) return fs::equivalent(a, b, error);
  return fs::absolute(a, error).lexically_normal() == fs::absolute(b, error).lexically_normal();
}

bool fileKey(const std::string& path, FileKey& key) {
  struct stat st {};
  fs::path name = path;
  // A dangling link writes the name it leads to.
  for (int depth = 0; depth < 40 && ::lstat(name.c_str(), &st) == 0 && S_ISLNK(st.st_mode); ++depth) {
    if (::stat(name.c_str(), &st) == 0) break;
    std::error_code ec;
    const fs::path link = fs::read_symlink(name, ec);
    if (ec) break;
    name = link.is_absolute() ? link : name.parent_path() / link;
  }
  if (::stat(name.c_str(), &st) == 0) {
    key = FileKey{st.st_dev, st.st_ino, {}};
    return true;
  }
  const fs::path dir = name.has_parent_path() ? name.parent_path() : fs::path(".");
  if (!name.has_filename() || ::stat(dir.c_str(), &st) != 0) return false;
  key = FileKey{st.st_dev, st.st_ino, name.filename().string()};
  return true;
}

bool sameOutput(const std::string& a, const std::string& b) {
  FileKey ka, kb;
  if (fileKey(a, ka) && fileKey(b, kb)) return ka == kb;
  return sameFile(a, b);
}

bool isSeparateOutput(const std::string& name, const std::string& signal) {
  if (signal.empty() || !sameFile(name, signal)) return true;
  message(text(1017));
  return false;
}

}  // namespace ardv
