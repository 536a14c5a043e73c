// May a file be written? Asked before saving signals and annotation files.
#pragma once

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

// False, after message 1017, when the output `name` is the signal file
// `signal` it is computed from: an output never replaces its signal.
bool isSeparateOutput(const std::string& name, const std::string& signal);

}  // namespace ardv
