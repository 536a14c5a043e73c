// Bounds-checked reading of RIFF files: the form header, chunk headers and
// chunk payloads. Every chunk handed out lies wholly inside the file; a size
// that runs past the end of the file is refused, never read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace ardv {

struct RiffChunk {
  std::string id;            // four-character identifier
  std::int64_t offset = 0;   // byte offset of the payload in the file
  std::int64_t size = 0;     // payload bytes (without the pad byte)
};

enum class RiffStatus {
  Ok,
  NotFound,  // no such chunk before the end of the form
  PastEnd,   // a chunk header or payload runs past the end of the file (see problem())
  ReadError  // the system failed to read
};

class RiffFile {
 public:
  // Opens `path` for reading. False (no report) when it cannot be opened.
  bool open(const std::filesystem::path& path);
  bool isOpen() const { return in_.is_open(); }
  // Closes the file; false when the system reports a failure.
  bool close();

  // Bytes in the file.
  std::int64_t fileSize() const { return size_; }

  // True when the file starts with "RIFF" and the form type `formType` (four
  // characters, e.g. "WAVE"). Also sets where chunk searches stop: the end the
  // RIFF size gives, or the end of the file when that size is larger than the
  // file or a streaming placeholder (0 or 0xFFFFFFFF).
  bool findForm(const char* formType);
  std::int64_t formEnd() const { return formEnd_; }

  // Reads the header of the chunk starting at byte `offset`, whatever its id.
  RiffStatus chunkAt(std::int64_t offset, RiffChunk& chunk);

  // Searches the chunk `id` (four characters) among the chunks that follow one
  // another from byte `from` (a pad byte follows each odd payload) up to the end
  // of the form. A chunk that runs past the end of the file stops the search
  // with PastEnd.
  RiffStatus findChunk(const char* id, std::int64_t from, RiffChunk& chunk);

  // Reads exactly `count` bytes at `offset` into `out`. False when any of them
  // lies outside the file or the system fails to read; nothing is read then.
  bool read(std::int64_t offset, void* out, std::size_t count);

  // What the last PastEnd was about, in words, for the message.
  const std::string& problem() const { return problem_; }

 private:
  std::ifstream in_;
  std::int64_t size_ = 0;
  std::int64_t formEnd_ = 0;
  std::string problem_;
};

// Little-endian integers from a byte array.
std::uint32_t readLe32(const unsigned char* p);
std::uint16_t readLe16(const unsigned char* p);

}  // namespace ardv
