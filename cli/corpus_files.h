// The files of a corpus command: the sorted files of a directory with an
// extension, or the list given with --files-from LIST (one path a line, "-"
// for standard input), of which --shard I/N keeps the I-th of N interleaved
// parts.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace ardv::cli {

struct CorpusFiles {
  std::vector<std::filesystem::path> files;
  int unreadable = 0;  // directory entries that could not be examined
  std::optional<std::string> dir;  // the positional DIR, when given
  std::optional<std::string> list;  // the file of --files-from (not standard input)
};

// Takes --files-from and --shard out of `args` (other options already
// taken); what remains is DIR or nothing. Without --files-from, DIR is
// listed (listCorpus). A list is read within bounds: a regular file or
// standard input, lines of at most 4096 bytes, no NUL byte, at most 256 MB
// of memory for the names. Returns 0, 1 after a message (missing
// directory or list), or 2 after a usage line on a malformed option.
int takeCorpusFiles(Args& args, const std::string& ext, CorpusFiles& out);

}  // namespace ardv::cli
