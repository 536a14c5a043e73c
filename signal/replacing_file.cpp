// Replace-on-success file writing, with unique temporary names removed on
// SIGINT, SIGTERM, SIGHUP and SIGXFSZ.

#include "signal/replacing_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <system_error>
#include <utility>

namespace ardv {
namespace fs = std::filesystem;
namespace {

constexpr std::size_t kPendingBytes = 1 << 16;  // small writes are gathered up to this
constexpr std::size_t kNamePrefixBytes = 200;   // of the target's name, leaving room within NAME_MAX
constexpr int kNameAttempts = 100;
constexpr int kLinkDepth = 40;  // as the kernel's own limit on symbolic links

// Temporary files being written, for the signal handler: fixed storage, so
// that the handler reads only plain memory. 0 = free, 1 = being filled, 2 = live.
constexpr int kSlots = 64;
struct Slot {
  std::atomic<int> state{0};
  char path[4096];
};
Slot slots[kSlots];

extern "C" void removeAndRaise(int sig) {
  removeLiveTemporaries();
  // SA_RESETHAND restored the default action; the signal is delivered on return.
  std::raise(sig);
}

void installHandlers() {
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) {
    struct sigaction old {};
    if (sigaction(sig, nullptr, &old) != 0 || (old.sa_flags & SA_SIGINFO) != 0 || old.sa_handler != SIG_DFL) continue;
    struct sigaction action {};
    action.sa_handler = removeAndRaise;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    sigaction(sig, &action, nullptr);
  }
}

int registerTemporary(const std::string& path) {
  installHandlers();  // each time: a signal given back its default action gets the handler again
  if (path.size() >= sizeof(Slot::path)) return -1;
  for (int i = 0; i < kSlots; ++i) {
    int expected = 0;
    if (!slots[i].state.compare_exchange_strong(expected, 1)) continue;
    std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
    slots[i].state.store(2);
    return i;
  }
  return -1;  // full: the file is still written, only not removed on a signal
}

void unregisterTemporary(int& slot) {
  if (slot >= 0) slots[slot].state.store(0);
  slot = -1;
}

// Six letters or digits, different for every call of every process.
std::string uniqueSuffix() {
  static std::atomic<std::uint64_t> counter{0};
  timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  std::uint64_t x = (static_cast<std::uint64_t>(getpid()) << 40) ^ static_cast<std::uint64_t>(now.tv_nsec) ^
                    (static_cast<std::uint64_t>(now.tv_sec) << 20) ^ (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
  // splitmix64 finaliser
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  x ^= x >> 31;
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::string out(6, 'A');
  for (char& c : out) {
    c = kLetters[x % 62];
    x /= 62;
  }
  return out;
}

// Follows the symbolic links of `path` itself (not of its directories) to
// the name they lead to, which may not exist; `viaDescriptor` tells whether
// the way went through a descriptor of the process (/dev/stdout, /dev/fd/N,
// /proc/self/fd/N). False with errno on a loop.
bool followLinks(fs::path& path, bool& viaDescriptor) {
  viaDescriptor = false;
  for (int depth = 0; depth < kLinkDepth; ++depth) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(path, ec))) return true;
    const std::string name = path.string();
    viaDescriptor = viaDescriptor || name.rfind("/proc/", 0) == 0 || name.rfind("/dev/fd/", 0) == 0;
    const fs::path link = fs::read_symlink(path, ec);
    if (ec) {
      errno = ec.value();
      return false;
    }
    path = link.is_absolute() ? link : path.parent_path() / link;
  }
  errno = ELOOP;
  return false;
}

}  // namespace

void removeLiveTemporaries() {
  for (Slot& slot : slots)
    if (slot.state.load() == 2) ::unlink(slot.path);
}

ReplacingFile::ReplacingFile(fs::path target) : target_(std::move(target)) {}

ReplacingFile::~ReplacingFile() {
  if (!committed_) discard();
}

bool ReplacingFile::fail(int errnum) {
  failed_ = true;
  error_ = std::strerror(errnum);
  return false;
}

void ReplacingFile::discard() {
  if (fd_ >= 0) ::close(fd_);
  if (sink_ >= 0) ::close(sink_);
  fd_ = sink_ = -1;
  pending_.clear();
  if (!inPlace_ && !temporary_.empty()) ::unlink(temporary_.c_str());
  unregisterTemporary(slot_);
}

bool ReplacingFile::open() {
  if (fd_ >= 0 || sink_ >= 0 || committed_) return false;
  failed_ = false;
  error_.clear();
  if (target_.filename().empty()) return fail(EISDIR);
  struct stat st {};
  if (::stat(target_.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return fail(EISDIR);
    if (!S_ISREG(st.st_mode)) return openInPlace(O_WRONLY, false);
    fs::path real = target_;
    bool viaDescriptor = false;
    struct stat at {};
    // A file the process already holds open (/dev/stdout of "> out" or
    // ">> log"), or a name that does not lead back to the file, gets the
    // content appended whole on commit(), as the shell's redirection means.
    if (!followLinks(real, viaDescriptor) || viaDescriptor || ::stat(real.c_str(), &at) != 0 ||
        at.st_dev != st.st_dev || at.st_ino != st.st_ino)
      return openInPlace(O_WRONLY | O_APPEND, true);
    return createBeside(real, &st);
  }
  if (errno != ENOENT) return fail(errno);
  fs::path real = target_;
  bool viaDescriptor = false;
  if (!followLinks(real, viaDescriptor)) return fail(errno);
  return createBeside(real, nullptr);
}

bool ReplacingFile::openInPlace(int flags, bool spool) {
  const int fd = ::open(target_.c_str(), flags | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return fail(errno);
  inPlace_ = true;
  temporary_ = target_;
  if (streaming_ || (!spool && (::lseek(fd, 0, SEEK_CUR) >= 0 || errno != ESPIPE))) {
    fd_ = fd;
    return true;
  }
  // A pipe or FIFO cannot seek and cannot take back what it was given: the
  // content waits in an unnamed file and goes out whole on commit().
  sink_ = fd;
  const char* tmpdir = std::getenv("TMPDIR");
  const std::string dir = tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp";
  fd_ = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd_ < 0 && (errno == EOPNOTSUPP || errno == EISDIR)) {  // a file system without unnamed files
    std::string name = dir + "/ardv-spool-XXXXXX";
    fd_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd_ >= 0) ::unlink(name.c_str());
  }
  return fd_ >= 0 || fail(errno);
}

bool ReplacingFile::sendSpool() {
  if (::lseek(fd_, 0, SEEK_SET) != 0) return fail(errno);
  std::vector<char> piece(kPendingBytes);
  for (;;) {
    const ssize_t n = ::read(fd_, piece.data(), piece.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail(errno);
    if (n == 0) return true;
    std::swap(fd_, sink_);
    const bool ok = writeAll(piece.data(), static_cast<std::size_t>(n));
    std::swap(fd_, sink_);
    if (!ok) return false;
  }
}

bool ReplacingFile::createBeside(const fs::path& real, const struct ::stat* previous) {
  const std::string name = real.filename().string();
  const std::string prefix = name.substr(0, kNamePrefixBytes) + ".ardv-tmp-";
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const fs::path candidate = real.parent_path() / (prefix + uniqueSuffix());
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return fail(errno);
    }
    fd_ = fd;
    temporary_ = candidate;
    final_ = real;
    slot_ = registerTemporary(candidate.string());
    if (previous != nullptr) {
      // Owner first: changing it clears the set-id bits, which only an owner change that worked may keep.
      struct stat now {};
      bool sameOwner = ::fstat(fd, &now) == 0 && now.st_uid == previous->st_uid && now.st_gid == previous->st_gid;
      if (!sameOwner) sameOwner = ::fchown(fd, previous->st_uid, previous->st_gid) == 0;
      ::fchmod(fd, previous->st_mode & (sameOwner ? 07777 : 0777));
    }
    return true;
  }
  return fail(EEXIST);
}

bool ReplacingFile::writeAll(const char* bytes, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(fd_, bytes + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return fail(n < 0 ? errno : EIO);
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool ReplacingFile::flushPending() {
  if (failed_ || fd_ < 0) return false;
  const bool ok = writeAll(pending_.data(), pending_.size());
  pending_.clear();
  return ok;
}

bool ReplacingFile::write(const void* bytes, std::size_t count) {
  if (failed_ || fd_ < 0) return false;
  const char* from = static_cast<const char*>(bytes);
  if (pending_.size() + count > kPendingBytes && !flushPending()) return false;
  if (count >= kPendingBytes) return writeAll(from, count);
  if (pending_.capacity() < kPendingBytes) pending_.reserve(kPendingBytes);
  pending_.insert(pending_.end(), from, from + count);
  return true;
}

bool ReplacingFile::seek(std::int64_t offset) {
  if (!flushPending()) return false;
  if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) != static_cast<off_t>(offset)) return fail(errno);
  return true;
}

int ReplacingFile::descriptor() { return flushPending() ? fd_ : -1; }

bool ReplacingFile::complete() {
  if (committed_ || completed_) return !committed_ && completed_;
  bool ok = flushPending();
  if (ok && !inPlace_ && ::fdatasync(fd_) != 0) ok = fail(errno);
  if (sink_ >= 0) {
    ok = ok && sendSpool();
    if (::close(sink_) != 0 && ok) ok = fail(errno);
    sink_ = -1;
  }
  if (fd_ >= 0 && ::close(fd_) != 0 && ok) ok = fail(errno);
  fd_ = -1;
  if (!ok) {
    discard();
    return false;
  }
  completed_ = true;
  return true;
}

bool ReplacingFile::commit() {
  if (committed_ || !complete()) return false;
  if (!inPlace_ && ::rename(temporary_.c_str(), final_.c_str()) != 0) {
    fail(errno);
    discard();
    return false;
  }
  unregisterTemporary(slot_);
  committed_ = true;
  return true;
}

}  // namespace ardv
