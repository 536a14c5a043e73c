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

}  // namespace ardv
