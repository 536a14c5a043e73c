// Writing a file without risking the previous one: the content goes to a
// temporary file of a unique name beside the target, which replaces the
// target only when every byte has been written. Every output of the program
// goes through this one writer.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace ardv {

// What open() does with the name it is given:
// - a regular file (through any chain of symbolic links): the temporary file
//   is made beside the file the links lead to, gets its mode (and owner where
//   the system allows), and is renamed over it; the links stay links;
// - a new name (or a link to one): the file is made with the usual mode
//   (0666 less the umask);
// - an existing file that is not regular (a device such as /dev/null, a
//   FIFO, /dev/stdout on a pipe): written in place, never replaced; what
//   goes to a pipe or FIFO waits in an unnamed temporary file until
//   commit(), so that it may seek and that a failure sends nothing;
// - a regular file named through a descriptor of the process (/dev/stdout
//   redirected to a file, /dev/fd/N): the content is appended on commit();
// - a directory, or a name without a file part: refused.
// While a temporary file exists, SIGINT, SIGTERM, SIGHUP and SIGXFSZ remove
// it before the program ends (when those signals have their default action).
class ReplacingFile {
 public:
  explicit ReplacingFile(std::filesystem::path target);
  // Removes the temporary file unless commit() succeeded.
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // Creates the temporary file (or opens a non-regular target). False (no
  // report) when it cannot; error() then says why.
  bool open();
  // Appends `count` bytes. False (no report) when the system fails to write.
  bool write(const void* bytes, std::size_t count);
  bool write(std::string_view text) { return write(text.data(), text.size()); }
  // Moves to byte `offset` of the new content. False when the system refuses.
  bool seek(std::int64_t offset);
  // Closes the temporary file (after fdatasync) and renames it over the
  // target. False (no report) when writing, closing or renaming fails; the
  // target is then untouched and the temporary file removed.
  bool commit();
  // The first half of commit(): every byte written, synced and closed, the
  // rename left to commit(), so that several outputs are replaced only when
  // all are complete. False (no report) as commit(); the destructor still
  // removes a completed file that was never committed.
  bool complete();
  // Before open(), for content that is never sought: a pipe, FIFO, device
  // or descriptor of the process written in place gets every write at once,
  // with nothing held back in a temporary file.
  void streamInPlace() { streaming_ = true; }

  // The open file descriptor, after the bytes held back are written, for
  // callers that write through it themselves (-1 when not open or failed).
  int descriptor();
  bool isOpen() const { return fd_ >= 0; }
  // True when a non-regular target is written in place.
  bool inPlace() const { return inPlace_; }
  // The system's reason for the last failure ("No space left on device"),
  // empty when nothing failed.
  const std::string& error() const { return error_; }

  const std::filesystem::path& target() const { return target_; }
  // The file actually written: the temporary file, or the target in place.
  const std::filesystem::path& temporaryPath() const { return temporary_; }

 private:
  bool fail(int errnum);
  bool flushPending();
  bool writeAll(const char* bytes, std::size_t count);
  bool openInPlace(int flags, bool spool);
  bool sendSpool();
  bool createBeside(const std::filesystem::path& real, const struct ::stat* previous);
  void discard();
  std::filesystem::path target_;
  std::filesystem::path temporary_;
  std::filesystem::path final_;  // where the temporary file is renamed to
  std::vector<char> pending_;
  std::string error_;
  int fd_ = -1;
  int sink_ = -1;  // a pipe written in place, fed from fd_ on commit()
  int slot_ = -1;  // entry in the list the signal handler removes
  bool inPlace_ = false;
  bool failed_ = false;
  bool completed_ = false;
  bool committed_ = false;
  bool streaming_ = false;
};

// Removes every temporary file still being written (what the signal handler
// does before the program ends). Async-signal-safe.
void removeLiveTemporaries();

}  // namespace ardv
