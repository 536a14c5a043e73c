#include "platform/file_access.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ardv {
namespace {

std::string systemReason(int error) { return std::generic_category().message(error); }

std::string notRegular(const struct stat& st) {
  if (S_ISDIR(st.st_mode)) return "a directory, not a regular file";
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return "a device, not a regular file";
  if (S_ISFIFO(st.st_mode)) return "a pipe, not a regular file";
  return "not a regular file";
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

bool mayWrite(const std::filesystem::path& path) {
  std::error_code ec;
  auto status = std::filesystem::status(path, ec);
  if (ec) return false;
  if ((status.permissions() & std::filesystem::perms::owner_write) == std::filesystem::perms::none) return false;
  return ::access(path.c_str(), W_OK) == 0;
}

std::string regularFileProblem(const std::filesystem::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return systemReason(errno);
  return S_ISREG(st.st_mode) ? std::string() : notRegular(st);
}

bool readSmallFile(const std::filesystem::path& path, std::size_t maxBytes, std::string& content, std::string& why) {
  // Checked before opening: opening a FIFO for reading waits for a writer.
  why = regularFileProblem(path);
  if (!why.empty()) return false;
  // Non-blocking, in case the name was replaced by a FIFO meanwhile.
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (fd.get() < 0) {
    why = systemReason(errno);
    return false;
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) {
    why = systemReason(errno);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    why = notRegular(st);
    return false;
  }
  const std::string tooLarge = "larger than " + std::to_string(maxBytes) + " bytes";
  if (static_cast<std::uint64_t>(st.st_size) > maxBytes) {
    why = tooLarge;
    return false;
  }
  std::string text;
  try {
    text.resize(static_cast<std::size_t>(st.st_size) + 1);
    std::size_t used = 0;
    // The file may grow while it is read: stop one byte past the limit.
    for (;;) {
      if (used == text.size()) {
        if (used > maxBytes) {
          why = tooLarge;
          return false;
        }
        text.resize(std::min(maxBytes + 1, 2 * used + 1));
      }
      const ssize_t n = ::read(fd.get(), text.data() + used, text.size() - used);
      if (n < 0) {
        if (errno == EINTR) continue;
        why = systemReason(errno);
        return false;
      }
      if (n == 0) break;
      used += static_cast<std::size_t>(n);
    }
    if (used > maxBytes) {
      why = tooLarge;
      return false;
    }
    text.resize(used);
  } catch (const std::exception&) {
    why = "not enough memory";
    return false;
  }
  content = std::move(text);
  why.clear();
  return true;
}

}  // namespace ardv
