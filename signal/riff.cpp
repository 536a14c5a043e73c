// Bounds-checked RIFF chunk reading.

#include "signal/riff.h"

#include <cstring>
#include <system_error>

#include "annotation/text_format.h"

namespace ardv {
namespace {

constexpr std::int64_t kChunkHeaderBytes = 8;
constexpr std::int64_t kFormHeaderBytes = 12;

// The identifier as it may be shown: unprintable bytes become '?'.
std::string printableId(const unsigned char* p) {
  std::string id(4, '?');
  for (int i = 0; i < 4; ++i)
    if (p[i] >= 0x20 && p[i] < 0x7F) id[static_cast<std::size_t>(i)] = static_cast<char>(p[i]);
  return id;
}

}  // namespace

std::uint32_t readLe32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t readLe16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

bool RiffFile::open(const std::filesystem::path& path) {
  if (in_.is_open()) in_.close();
  size_ = formEnd_ = 0;
  problem_.clear();
  std::error_code ec;
  // A directory opens as a stream on some systems but cannot be read.
  if (std::filesystem::is_directory(path, ec)) return false;
  in_.open(path, std::ios::binary);
  if (!in_.is_open()) return false;
  in_.seekg(0, std::ios::end);
  std::streamoff end = in_.tellg();
  if (!in_ || end < 0) {
    in_.close();
    return false;
  }
  size_ = static_cast<std::int64_t>(end);
  formEnd_ = size_;
  return true;
}

bool RiffFile::close() {
  if (!in_.is_open()) return true;
  in_.close();
  return !in_.fail();
}

bool RiffFile::read(std::int64_t offset, void* out, std::size_t count) {
  if (!in_.is_open() || offset < 0 || offset > size_ || static_cast<std::int64_t>(count) > size_ - offset)
    return false;
  if (count == 0) return true;
  in_.clear();
  in_.seekg(static_cast<std::streamoff>(offset));
  in_.read(static_cast<char*>(out), static_cast<std::streamsize>(count));
  bool ok = in_.gcount() == static_cast<std::streamsize>(count);
  in_.clear();
  return ok;
}

bool RiffFile::findForm(const char* formType) {
  unsigned char head[kFormHeaderBytes];
  if (!read(0, head, sizeof head)) return false;
  if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, formType, 4) != 0) return false;
  std::uint32_t riffSize = readLe32(head + 4);
  std::int64_t end = kChunkHeaderBytes + static_cast<std::int64_t>(riffSize);
  bool placeholder = riffSize == 0 || riffSize == 0xFFFFFFFFu;
  formEnd_ = (placeholder || end > size_) ? size_ : end;
  return true;
}

RiffStatus RiffFile::chunkAt(std::int64_t offset, RiffChunk& chunk) {
  unsigned char head[kChunkHeaderBytes];
  if (offset < 0 || offset > size_ - kChunkHeaderBytes) {
    problem_ = formatText("no chunk header at byte %lld: the file ends at byte %lld",
                          {static_cast<long long>(offset), static_cast<long long>(size_)});
    return RiffStatus::PastEnd;
  }
  if (!read(offset, head, sizeof head)) return RiffStatus::ReadError;
  std::int64_t size = readLe32(head + 4);
  std::int64_t payload = offset + kChunkHeaderBytes;
  if (size > size_ - payload) {
    problem_ = formatText("chunk \"%s\" at byte %lld claims %lld bytes, but the file ends at byte %lld",
                          {printableId(head), static_cast<long long>(offset), static_cast<long long>(size),
                           static_cast<long long>(size_)});
    return RiffStatus::PastEnd;
  }
  chunk.id.assign(reinterpret_cast<const char*>(head), 4);
  chunk.offset = payload;
  chunk.size = size;
  return RiffStatus::Ok;
}

RiffStatus RiffFile::findChunk(const char* id, std::int64_t from, RiffChunk& chunk) {
  std::int64_t pos = from;
  while (pos >= 0 && pos <= formEnd_ - kChunkHeaderBytes) {
    RiffChunk here;
    RiffStatus status = chunkAt(pos, here);
    if (status != RiffStatus::Ok) return status;
    if (std::memcmp(here.id.data(), id, 4) == 0) {
      chunk = here;
      return RiffStatus::Ok;
    }
    pos = here.offset + here.size + (here.size & 1);
  }
  return RiffStatus::NotFound;
}

}  // namespace ardv
