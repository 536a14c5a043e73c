// May a file be written? Asked before saving signals and annotation files.
#pragma once

#include <string>

namespace ardv {

// False for an empty name and a name without a file-name part; an existing
// name must be a file that may be written; a new name needs an existing
// directory. Reports nothing.
bool isWritableTarget(const std::string& name);

// The same, showing the warning "<name> <text 3601>" when the answer is false.
bool isWritableTargetWarn(const std::string& name);

// Whether `a` and `b` name the same file: the same file on disk when both
// exist, else the same absolute path. Reports nothing.
bool sameFile(const std::string& a, const std::string& b);

// False, after message 1017, when the output `name` is the signal file
// `signal` it is computed from: an output never replaces its signal.
bool isSeparateOutput(const std::string& name, const std::string& signal);

}  // namespace ardv
