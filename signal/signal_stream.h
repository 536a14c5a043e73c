// An open signal file as the transports use it: the description of the file
// (name, nb_bits, swap) with its open stream. A stream created for writing
// goes to a temporary file beside the target, which replaces the target only
// on commit() (see ReplacingFile), so that a failed save never loses the
// previous file. A failing system call leaves its reason for the next
// transport message about the file (noteSystemError).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "signal/infofile.h"
#include "signal/replacing_file.h"

namespace ardv {

class SignalStream {
 public:
  SignalStream() = default;
  // Closes the file; a written file that was not committed is removed.
  ~SignalStream();
  SignalStream(const SignalStream&) = delete;
  SignalStream& operator=(const SignalStream&) = delete;

  // Opens `info.nom` for reading. False (no report) when it cannot be opened.
  bool openRead(const infoFile& info);
  // Creates the temporary file beside `info.nom` for writing (or opens a
  // non-regular `info.nom` in place). False (no report) when the name has no
  // file part, names a directory, or the file cannot be created.
  bool create(const infoFile& info);
  // Closes the temporary file and renames it over the target. False (no
  // report) when closing or renaming fails; the temporary file is then removed
  // and the target untouched.
  bool commit();
  // Closes the file (a file being written is abandoned: only commit() keeps
  // it). False (no report) when the system reports a failure.
  bool close();

  bool isOpen() const { return file_ != nullptr; }
  const infoFile& info() const { return info_; }
  // Path actually written (the temporary file) or read.
  const std::filesystem::path& path() const { return path_; }

  // Moves to byte `offset`. False when the system refuses.
  bool seek(std::int64_t offset);
  // Current byte position, -1 on failure.
  std::int64_t tell();
  // Size of the open file in bytes, -1 on failure.
  std::int64_t size();
  // Reads up to `count` bytes; the number read (fewer at the end of the file
  // or on an error, see readFailed()).
  std::size_t read(void* out, std::size_t count);
  bool readFailed() const;
  // Writes `count` bytes; false when the system fails to write all of them.
  bool write(const void* bytes, std::size_t count);

  // Outcome of copyRangeTo.
  enum class RangeCopy { Done, Unsupported, SourceEnded, ReadFailed, WriteFailed };
  // Copies `count` bytes from byte `offset` of this file to the current
  // position of `destination` inside the kernel (no conversion), leaving both
  // positions after the bytes copied. Unsupported: nothing was copied, and the
  // caller copies through memory instead. No report.
  RangeCopy copyRangeTo(SignalStream& destination, std::int64_t offset, std::int64_t count);

 private:
  void discard();
  bool note(bool ok);
  std::FILE* file_ = nullptr;
  infoFile info_;
  std::filesystem::path path_;
  std::unique_ptr<ReplacingFile> replacing_;  // set while writing
};

}  // namespace ardv
