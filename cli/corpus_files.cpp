#include "cli/corpus_files.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>

#include "platform/file_access.h"
#include "platform/report.h"
#include "search/corpus_search.h"

namespace ardv::cli {
namespace {

constexpr std::size_t kListLineBytes = 4096;    // PATH_MAX: no file name is longer
constexpr std::size_t kListBytes = 256u << 20;  // names and their paths: millions of files, never the whole memory

// Reads the names of `in` one a line, within the bounds above; a NUL byte
// means the input is not a list of names (/dev/zero, a signal file).
bool readNames(std::istream& in, const std::string& name, std::vector<std::filesystem::path>& files) {
  std::string line;
  std::size_t number = 1;
  std::size_t total = 0;
  const auto refuse = [&](const std::string& why) {
    message("The list of files " + name + " " + why + " (line " + std::to_string(number) + "): not a list of file names.");
    return false;
  };
  const auto add = [&] {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) return true;
    total += line.size() + sizeof(std::filesystem::path);
    if (total > kListBytes) return refuse("takes more than " + std::to_string(kListBytes >> 20) + " MB of memory");
    files.emplace_back(line);
    line.clear();
    return true;
  };
  std::vector<char> block(1 << 16);
  while (in) {
    in.read(block.data(), static_cast<std::streamsize>(block.size()));
    const auto got = static_cast<std::size_t>(in.gcount());
    for (std::size_t i = 0; i < got; ++i) {
      const char c = block[i];
      if (c == '\n') {
        if (!add()) return false;
        ++number;
      } else if (c == '\0') {
        return refuse("holds a NUL byte");
      } else if (line.size() >= kListLineBytes) {
        return refuse("has a line longer than " + std::to_string(kListLineBytes) + " bytes");
      } else {
        line += c;
      }
    }
  }
  if (in.bad()) {
    message("Cannot read the list of files " + name + ".");
    return false;
  }
  return add();
}

bool readList(const std::string& name, std::vector<std::filesystem::path>& files) {
  std::ifstream file;
  if (name != "-") {
    // Checked before opening: a FIFO would block the open, a device has no end.
    if (const std::string problem = regularFileProblem(name); !problem.empty()) {
      message("Cannot read the list of files " + name + ": " + problem + ".");
      return false;
    }
    file.open(name, std::ios::binary);
    if (!file) {
      message("Cannot read the list of files " + name + ".");
      return false;
    }
  }
  if (!readNames(name == "-" ? std::cin : file, name, files)) return false;
  std::sort(files.begin(), files.end());
  return true;
}

bool parseShard(const std::string& text, int& index, int& count) {
  char slash = 0;
  char extra = 0;
  return std::sscanf(text.c_str(), "%d%c%d%c", &index, &slash, &count, &extra) == 3 && slash == '/' && count >= 1 &&
         index >= 1 && index <= count;
}

}  // namespace

void addCorpusOptions(CLI::App* command, CorpusOptions& options) {
  command->add_option("--files-from", options.list, "the files, one a line (\"-\": standard input), instead of DIR")
      ->type_name("LIST");
  command
      ->add_option_function<std::string>(
          "--shard", [&options](const std::string& text) { parseShard(text, options.shardIndex, options.shardCount); },
          "only the I-th of N interleaved parts of the files")
      ->check(CLI::Validator(
          [](std::string& text) -> std::string {
            int index = 0, count = 0;
            return parseShard(text, index, count) ? std::string() : "\"" + text + "\" is not I/N with 1 <= I <= N";
          },
          "", "shard"))
      ->type_name("I/N");
}

int corpusFiles(const CorpusOptions& options, const std::string& ext, CorpusFiles& out) {
  const auto& list = options.list;
  out = CorpusFiles{};
  out.dir = options.dir;
  const auto& dir = out.dir;
  if (!list && !dir) return usageError("give DIR or --files-from LIST (\"-\": standard input)");
  if (list && *list != "-") out.list = *list;
  if (list ? !readList(*list, out.files) : !listCorpus(*dir, ext, out.files, out.unreadable)) return 1;
  if (options.shardCount > 1) out.files = shardOf(out.files, options.shardIndex, options.shardCount);
  return 0;
}

}  // namespace ardv::cli
