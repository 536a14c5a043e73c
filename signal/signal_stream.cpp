// Open signal files over the C stream layer, with 64-bit positions.
#include "signal/signal_stream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <string>
#include <system_error>

namespace ardv {

namespace fs = std::filesystem;


SignalStream::~SignalStream() {
  if (!target_.empty()) {
    discard();
  } else {
    close();
  }
}

bool SignalStream::openRead(const infoFile& info) {
  close();
  std::FILE* f = std::fopen(info.nom.c_str(), "rb");
  if (f == nullptr) return false;
  struct stat st {};
  if (fstat(fileno(f), &st) != 0 || S_ISDIR(st.st_mode)) {
    std::fclose(f);
    return false;
  }
  // Unbuffered: the transports move whole pieces, which a stream buffer would only copy once more.
  std::setvbuf(f, nullptr, _IONBF, 0);
  file_ = f;
  info_ = info;
  path_ = info.nom;
  return true;
}

bool SignalStream::create(const infoFile& info) {
  close();
  const fs::path target(info.nom);
  std::error_code ec;
  if (target.filename().empty() || fs::is_directory(target, ec)) return false;
  fs::path temporary = target;
  temporary += ".ardv-tmp" + std::to_string(static_cast<long>(getpid()));
  std::FILE* f = std::fopen(temporary.c_str(), "wb");
  if (f == nullptr) return false;
  // Unbuffered: the transports move whole pieces, which a stream buffer would only copy once more.
  std::setvbuf(f, nullptr, _IONBF, 0);
  file_ = f;
  info_ = info;
  path_ = temporary;
  target_ = target;
  return true;
}

bool SignalStream::commit() {
  if (file_ == nullptr || target_.empty()) return false;
  bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
  ok = std::fclose(file_) == 0 && ok;
  file_ = nullptr;
  if (ok) {
    std::error_code ec;
    fs::rename(path_, target_, ec);
    ok = !ec;
  }
  if (!ok) {
    discard();
    return false;
  }
  target_.clear();
  return true;
}

void SignalStream::discard() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  if (!target_.empty()) {
    std::error_code ec;
    fs::remove(path_, ec);
    target_.clear();
  }
}

bool SignalStream::close() {
  if (file_ == nullptr) return true;
  if (!target_.empty()) {
    discard();
    return false;
  }
  const bool ok = std::fclose(file_) == 0;
  file_ = nullptr;
  return ok;
}

bool SignalStream::seek(std::int64_t offset) {
  return file_ != nullptr && offset >= 0 && fseeko(file_, static_cast<off_t>(offset), SEEK_SET) == 0;
}

std::int64_t SignalStream::tell() {
  return file_ != nullptr ? static_cast<std::int64_t>(ftello(file_)) : -1;
}

std::int64_t SignalStream::size() {
  if (file_ == nullptr) return -1;
  std::fflush(file_);
  struct stat st {};
  if (fstat(fileno(file_), &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

std::size_t SignalStream::read(void* out, std::size_t count) {
  return file_ != nullptr ? std::fread(out, 1, count, file_) : 0;
}

bool SignalStream::readFailed() const { return file_ == nullptr || std::ferror(file_) != 0; }

bool SignalStream::write(const void* bytes, std::size_t count) {
  return file_ != nullptr && std::fwrite(bytes, 1, count, file_) == count;
}

SignalStream::RangeCopy SignalStream::copyRangeTo(SignalStream& destination, std::int64_t offset,
                                                  std::int64_t count) {
  if (file_ == nullptr || destination.file_ == nullptr) return RangeCopy::Unsupported;
  if (std::fflush(destination.file_) != 0) return RangeCopy::WriteFailed;
  off_t in = static_cast<off_t>(offset);
  const off_t outStart = ftello(destination.file_);
  if (outStart < 0) return RangeCopy::Unsupported;
  off_t out = outStart;
  std::int64_t remaining = count;
  RangeCopy result = RangeCopy::Done;
  while (remaining > 0) {
    const ssize_t n = ::copy_file_range(fileno(file_), &in, fileno(destination.file_), &out,
                                        static_cast<std::size_t>(remaining), 0);
    if (n > 0) {
      remaining -= n;
      continue;
    }
    if (n == 0) {
      result = RangeCopy::SourceEnded;
    } else if (out == outStart && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
                                   errno == EBADF || errno == ETXTBSY)) {
      result = RangeCopy::Unsupported;
    } else {
      result = errno == EIO ? RangeCopy::ReadFailed : RangeCopy::WriteFailed;
    }
    break;
  }
  fseeko(file_, in, SEEK_SET);
  fseeko(destination.file_, out, SEEK_SET);
  return result;
}

}  // namespace ardv
