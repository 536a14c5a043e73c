// Bounds-checked reading of RIFF files: the form header and one walk over
// the chunks that salvages what a damaged or unfinished file still holds.
// Every chunk handed out lies wholly inside the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace ardv {

struct RiffChunk {
  std::string id;            // four-character identifier
  std::int64_t offset = 0;   // byte offset of the payload in the file
  std::int64_t size = 0;     // payload bytes (without the pad byte)
};

// What one walk over the chunks found.
struct RiffWalk {
  std::vector<RiffChunk> chunks;     // the first of each wanted kind, in file order
  std::vector<std::string> repairs;  // what was mended to read them, in words
  std::string damage;                // why the walk stopped before the end of the form; empty if it did not
  std::int64_t damageOffset = 0;     // where it stopped
};

class RiffFile {
 public:
  // Opens `path` for reading. False (no report, problem() says why) when it
  // is not a regular file or cannot be opened: a FIFO is never opened, so
  // it cannot block.
  bool open(const std::filesystem::path& path);
  bool isOpen() const { return in_.is_open(); }
  // Closes the file; false when the system reports a failure.
  bool close();

  // Bytes in the file.
  std::int64_t fileSize() const { return size_; }

  // True when the file starts with "RIFF" and the form type `formType` (four
  // characters, e.g. "WAVE"). Also sets where the walk stops: the end the
  // RIFF size gives, or the end of the file when that size is larger than the
  // file or a streaming placeholder (0 or 0xFFFFFFFF).
  bool findForm(const char* formType);
  std::int64_t formEnd() const { return formEnd_; }

  // Walks the chunks that follow one another from byte `from` (a zero pad
  // byte after each odd payload) to the end of the form, keeping the first
  // chunk of each kind in `wanted` (so memory does not grow with the number
  // of chunks). Mended, with a line
  // in `out.repairs`:
  //  - a missing pad byte: the pad byte is not zero and a well-formed header
  //    starts one byte earlier (of a common kind, when the usual place holds
  //    one too);
  //  - the chunk `streamId` (e.g. "data") whose size runs past the end of the
  //    file, or is 0 although no chunk follows it (an unfinished recording):
  //    it is taken to the end of the file.
  // A header whose identifier is not printable, or any other chunk that runs
  // past the end of the file, stops the walk (`out.damage`). Returns false
  // only when the system fails to read.
  bool walk(std::int64_t from, const char* streamId, const std::vector<std::string>& wanted, RiffWalk& out);

  // Reads exactly `count` bytes at `offset` into `out`. False when any of them
  // lies outside the file or the system fails to read; nothing is read then.
  bool read(std::int64_t offset, void* out, std::size_t count);

  // Why the last open failed, in words.
  const std::string& problem() const { return problem_; }

 private:
  struct Header {
    std::string id;
    std::int64_t payload = 0;  // offset of the payload
    std::int64_t claimed = 0;  // the size written in the header
  };
  // The header at `offset` when one fits there and its identifier is printable.
  bool headerAt(std::int64_t offset, Header& header);
  bool fits(const Header& header) const { return header.claimed <= size_ - header.payload; }

  std::ifstream in_;
  std::int64_t size_ = 0;
  std::int64_t formEnd_ = 0;
  std::string problem_;
};

// Little-endian integers from a byte array.
std::uint32_t readLe32(const unsigned char* p);
std::uint16_t readLe16(const unsigned char* p);

}  // namespace ardv
