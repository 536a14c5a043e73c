// Options shared by the subcommands that read or write signal files: the
// format profile of a file that is not read as WAV (--profile NAME).
#pragma once

#include <optional>
#include <string>

#include "signal/infofile.h"

namespace ardv::cli {

// Index of the profile `name` in the program's table (loaded if needed); -1
// after a message naming the known profiles.
int profileIndexByName(const std::string& name);

// Describes `file` for reading: a WAV file by its header, another through the
// profile `profile` (required for it: without one a message says so). A
// directory and an unknown profile name are refused. Returns false after the
// one message.
bool describeForReading(const std::string& file, const std::optional<std::string>& profile, infoFile& info);

}  // namespace ardv::cli
