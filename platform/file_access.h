// File-system questions the core asks of the operating system, and the
// bounded reading of small text files (settings, interface texts, profiles).
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace ardv {

// True when the process may write the existing file or directory `path`:
// its owner-write permission bit is set (the read-only attribute) and the
// system grants write access.
bool mayWrite(const std::filesystem::path& path);

// Largest settings, country, language or profile file read (bytes): the
// shipped ones are below 100 KB.
constexpr std::size_t kSmallFileMaxBytes = 4u << 20;

// Reads the whole of `path` into `content` when it is a regular file (after
// symbolic links) of at most `maxBytes` bytes. A device, a FIFO or a
// directory is never opened for reading, so it cannot block or feed bytes
// without end. Returns false, with `content` unchanged and `why` saying in
// words what was wrong ("not a regular file", "larger than ... bytes", or
// the system's reason), without reporting.
bool readSmallFile(const std::filesystem::path& path, std::size_t maxBytes, std::string& content, std::string& why);

// Empty when `path` is a regular file (after symbolic links) that exists;
// otherwise the reason in words, as above.
std::string regularFileProblem(const std::filesystem::path& path);

}  // namespace ardv
