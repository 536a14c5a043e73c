// Replace-on-success file writing.

#include "signal/replacing_file.h"

#include <system_error>
#include <utility>

namespace ardv {

ReplacingFile::ReplacingFile(std::filesystem::path target) : target_(std::move(target)) {
  temporary_ = target_;
  temporary_ += ".ardv-tmp";
}

ReplacingFile::~ReplacingFile() {
  if (!committed_) discard();
}

void ReplacingFile::discard() {
  if (out_.is_open()) out_.close();
  std::error_code ec;
  std::filesystem::remove(temporary_, ec);
}

bool ReplacingFile::open() {
  std::error_code ec;
  if (target_.filename().empty() || std::filesystem::is_directory(target_, ec)) return false;
  out_.open(temporary_, std::ios::binary | std::ios::trunc);
  return out_.is_open();
}

bool ReplacingFile::write(const void* bytes, std::size_t count) {
  if (!out_.is_open()) return false;
  out_.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(count));
  return static_cast<bool>(out_);
}

bool ReplacingFile::commit() {
  if (!out_.is_open()) return false;
  out_.flush();
  bool ok = static_cast<bool>(out_);
  out_.close();
  ok = ok && !out_.fail();
  if (ok) {
    std::error_code ec;
    std::filesystem::rename(temporary_, target_, ec);
    ok = !ec;
  }
  if (!ok) {
    discard();
    return false;
  }
  committed_ = true;
  return true;
}

}  // namespace ardv
