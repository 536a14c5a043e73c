// Open signal files over the C stream layer, with 64-bit positions.
#include "signal/signal_stream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <string>
#include <system_error>

#include "signal/transport_error.h"

namespace ardv {

namespace fs = std::filesystem;


SignalStream::~SignalStream() {
  if (replacing_) {
    discard();
  } else {
    close();
  }
}

bool SignalStream::note(bool ok) {
  if (!ok) noteSystemError(info_.nom, errno);
  return ok;
}

bool SignalStream::openRead(const infoFile& info) {
  close();
  std::FILE* f = std::fopen(info.nom.c_str(), "rb");
  struct stat st {};
  if (f == nullptr || fstat(fileno(f), &st) != 0 || S_ISDIR(st.st_mode)) {
    noteSystemError(info.nom, f != nullptr && S_ISDIR(st.st_mode) ? EISDIR : errno);
    if (f != nullptr) std::fclose(f);
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
  auto out = std::make_unique<ReplacingFile>(fs::path(info.nom));
  if (!out->open()) {
    noteSystemError(info.nom, out->error());
    return false;
  }
  // The stream writes through its own descriptor of the same open file.
  const int fd = ::dup(out->descriptor());
  std::FILE* f = fd >= 0 ? ::fdopen(fd, "wb") : nullptr;
  if (f == nullptr) {
    noteSystemError(info.nom, errno);
    if (fd >= 0) ::close(fd);
    return false;
  }
  // Unbuffered: the transports move whole pieces, which a stream buffer would only copy once more.
  std::setvbuf(f, nullptr, _IONBF, 0);
  file_ = f;
  info_ = info;
  path_ = out->temporaryPath();
  replacing_ = std::move(out);
  return true;
}

bool SignalStream::commit() {
  if (file_ == nullptr || !replacing_) return false;
  bool ok = note(std::fflush(file_) == 0 && !std::ferror(file_));
  ok = note(std::fclose(file_) == 0) && ok;
  file_ = nullptr;
  if (ok && !replacing_->commit()) {
    noteSystemError(info_.nom, replacing_->error());
    ok = false;
  }
  if (!ok) {
    discard();
    return false;
  }
  replacing_.reset();
  return true;
}

void SignalStream::discard() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  replacing_.reset();  // removes the temporary file unless committed
}

bool SignalStream::close() {
  if (file_ == nullptr && !replacing_) return true;
  if (replacing_) {
    discard();
    return false;
  }
  const bool ok = note(std::fclose(file_) == 0);
  file_ = nullptr;
  return ok;
}

bool SignalStream::seek(std::int64_t offset) {
  return file_ != nullptr && offset >= 0 && note(fseeko(file_, static_cast<off_t>(offset), SEEK_SET) == 0);
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
  if (file_ == nullptr) return 0;
  const std::size_t got = std::fread(out, 1, count, file_);
  if (got < count) note(!std::ferror(file_));
  return got;
}

bool SignalStream::readFailed() const { return file_ == nullptr || std::ferror(file_) != 0; }

bool SignalStream::write(const void* bytes, std::size_t count) {
  return file_ != nullptr && note(std::fwrite(bytes, 1, count, file_) == count);
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
      noteSystemError(result == RangeCopy::ReadFailed ? info_.nom : destination.info_.nom, errno);
    }
    break;
  }
  fseeko(file_, in, SEEK_SET);
  fseeko(destination.file_, out, SEEK_SET);
  return result;
}

}  // namespace ardv
