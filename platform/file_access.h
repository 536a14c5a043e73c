// File-system questions the core asks of the operating system.
#pragma once

#include <filesystem>

namespace ardv {

// True when the process may write the existing file or directory `path`:
// its owner-write permission bit is set (the read-only attribute) and the
// system grants write access.
bool mayWrite(const std::filesystem::path& path);

}  // namespace ardv
