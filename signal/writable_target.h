// May a file be written? Asked before saving signals and annotation files.
#pragma once

#include <sys/types.h>

#include <compare>
#include <string>

namespace ardv {

// Why `name` may not be written, as an errno value (0 when it may): an empty
// name or one without a file-name part, a directory, an existing file that
// may not be written, a new name whose directory is missing. Reports nothing.
int writeProblem(const std::string& name);
bool isWritableTarget(const std::string& name);

// The same, showing the warning "<name> <text 3601> (<system's reason>)"
// when the answer is false.
bool isWritableTargetWarn(const std::string& name);

// Whether `a` and `b` name the same file: the same file on disk when both
// exist, else the same absolute path. Reports nothing.
bool sameFile(const std::string& a, const std::string& b);

// What a name reads or writes, whatever its spelling: the device and inode
// of the file it leads to (symbolic links followed) when that exists, else
// those of its directory with the last name (`name` empty for an existing file).
struct FileKey {
  dev_t dev = 0;
  ino_t ino = 0;
  std::string name;
  auto operator<=>(const FileKey&) const = default;
};
// False when neither the file nor its directory can be examined.
bool fileKey(const std::string& path, FileKey& key);

// Whether the outputs `a` and `b` would write one file (any spelling, hard
// or symbolic links). Reports nothing.
bool sameOutput(const std::string& a, const std::string& b);

// False, after message 1017, when the output `name` is the signal file
// `signal` it is computed from: an output never replaces its signal.
bool isSeparateOutput(const std::string& name, const std::string& signal);

}  // namespace ardv
