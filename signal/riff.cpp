// Bounds-checked RIFF chunk reading.

#include "signal/riff.h"

#include <algorithm>
#include <cstring>
#include <system_error>

#include "platform/file_access.h"
#include "texts/text_format.h"

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

// Chunk kinds WAV files commonly hold.
bool isCommonId(const std::string& id) {
  static const char* const kCommon[] = {"fmt ", "data", "phon", "word", "LIST", "fact", "cue ",
                                        "smpl", "bext", "id3 ", "JUNK", "PAD ", "inst", "iXML"};
  for (const char* common : kCommon)
    if (id == common) return true;
  return false;
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
  // A directory cannot be read, a device may never end, a FIFO blocks.
  problem_ = regularFileProblem(path);
  if (!problem_.empty()) return false;
  in_.open(path, std::ios::binary);
  if (!in_.is_open()) {
    problem_ = "it cannot be opened";
    return false;
  }
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

bool RiffFile::headerAt(std::int64_t offset, Header& header) {
  unsigned char head[kChunkHeaderBytes];
  if (offset < 0 || offset > size_ - kChunkHeaderBytes || !read(offset, head, sizeof head)) return false;
  for (int i = 0; i < 4; ++i)
    if (head[i] < 0x20 || head[i] >= 0x7F) return false;
  if (head[0] == ' ') return false;
  header.id.assign(reinterpret_cast<const char*>(head), 4);
  header.payload = offset + kChunkHeaderBytes;
  header.claimed = readLe32(head + 4);
  return true;
}

bool RiffFile::walk(std::int64_t from, const char* streamId, const std::vector<std::string>& wanted,
                    RiffWalk& out) {
  out = RiffWalk{};
  std::int64_t pos = from;
  bool afterOdd = false;
  std::string previous;
  while (pos >= 0) {
    // A pad byte that is not zero, with a header one byte earlier, is a pad
    // byte some writer left out.
    if (afterOdd && pos - 1 <= formEnd_ - kChunkHeaderBytes) {
      unsigned char pad = 0;
      if (!read(pos - 1, &pad, 1)) return false;
      Header early, here;
      // Where both places hold a header, the one of a known kind wins.
      const bool hereGood = headerAt(pos, here) && (fits(here) || here.id == streamId);
      if (pad != 0 && headerAt(pos - 1, early) && (fits(early) || early.id == streamId) &&
          (!hereGood || isCommonId(early.id))) {
        out.repairs.push_back(formatText("chunk \"%s\" has an odd size but no pad byte", {previous}));
        --pos;
      }
    }
    if (pos > formEnd_ - kChunkHeaderBytes) break;
    Header h;
    if (!headerAt(pos, h)) {
      unsigned char raw[4] = {0, 0, 0, 0};
      const bool got = read(pos, raw, 4);
      out.damage = formatText("unreadable chunk header at byte %lld (\"%s\")",
                              {static_cast<long long>(pos), got ? printableId(raw) : std::string("????")});
      out.damageOffset = pos;
      return true;
    }
    std::int64_t size = h.claimed;
    const std::int64_t rest = size_ - h.payload;
    if (h.id == streamId) {
      Header next;
      if (!fits(h)) {
        size = rest;
        out.repairs.push_back(formatText(
            "the \"%s\" chunk claims %lld bytes, but only %lld follow its header (an unfinished or cut "
            "recording?)",
            {h.id, static_cast<long long>(h.claimed), static_cast<long long>(rest)}));
      } else if (size == 0 && rest >= 2 && !(headerAt(h.payload, next) && fits(next))) {
        size = rest;
        out.repairs.push_back(formatText(
            "the \"%s\" chunk claims 0 bytes, but %lld bytes follow its header (an unfinished recording?)",
            {h.id, static_cast<long long>(rest)}));
      }
    } else if (!fits(h)) {
      out.damage = formatText("chunk \"%s\" at byte %lld claims %lld bytes, but the file ends at byte %lld",
                              {h.id, static_cast<long long>(pos), static_cast<long long>(h.claimed),
                               static_cast<long long>(size_)});
      out.damageOffset = pos;
      return true;
    }
    const auto kept = [&h](const RiffChunk& c) { return c.id == h.id; };
    if (std::find(wanted.begin(), wanted.end(), h.id) != wanted.end() &&
        std::none_of(out.chunks.begin(), out.chunks.end(), kept))
      out.chunks.push_back(RiffChunk{h.id, h.payload, size});
    previous = h.id;
    afterOdd = (size & 1) != 0;
    pos = h.payload + size + (size & 1);
  }
  return true;
}

}  // namespace ardv
