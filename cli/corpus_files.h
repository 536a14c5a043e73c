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

// The options that name the files: the positional DIR (declared by each
// command, as it takes other things too), --files-from and --shard.
struct CorpusOptions {
  std::optional<std::string> dir;
  std::optional<std::string> list;
  int shardIndex = 1, shardCount = 1;
};

// The label-file layouts of --labels-kind, for help and errors.
inline constexpr const char* kLayouts = " (K: qern nist sam align for phonemes, vecsys nist sam noisex for words)";

// Declares --files-from and --shard.
void addCorpusOptions(CLI::App* command, CorpusOptions& options);

struct CorpusFiles {
  std::vector<std::filesystem::path> files;
  int unreadable = 0;  // directory entries that could not be examined
  std::optional<std::string> dir;  // the positional DIR, when given
  std::optional<std::string> list;  // the file of --files-from (not standard input)
};

// The files of DIR or of the list (one of them is needed). Without
// --files-from, DIR is listed (listCorpus). A list is read within bounds: a
// regular file or standard input, lines of at most 4096 bytes, no NUL byte,
// at most 256 MB of memory for the names. Returns 0, 1 after a message
// (missing directory or list), or 2 after the usage error.
int corpusFiles(const CorpusOptions& options, const std::string& ext, CorpusFiles& out);

}  // namespace ardv::cli
