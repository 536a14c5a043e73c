#include "cli/corpus_files.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>

#include "annotation/corpus_search.h"
#include "cli/signal_options.h"
#include "platform/report.h"

namespace ardv::cli {
namespace {

bool readList(const std::string& name, std::vector<std::filesystem::path>& files) {
  std::ifstream file;
  if (name != "-") {
    std::error_code ec;
    if (std::filesystem::is_directory(name, ec)) {
      message(name + " is a directory, not a list of files.");
      return false;
    }
    file.open(name);
    if (!file) {
      message("Cannot read the list of files " + name + ".");
      return false;
    }
  }
  std::istream& in = name == "-" ? std::cin : file;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) files.emplace_back(line);
  }
  if (in.bad()) {
    message("Cannot read the list of files " + name + ".");
    return false;
  }
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

int takeCorpusFiles(Args& args, const std::string& ext, CorpusFiles& out) {
  bool missing = false;
  const auto list = takeOption(args, "--files-from", missing);
  const auto shard = takeOption(args, "--shard", missing);
  int index = 1;
  int count = 1;
  out = CorpusFiles{};
  if (args.size() == 1) out.dir = args[0];
  const auto& dir = out.dir;
  if (missing || args.size() > 1 || (shard && !parseShard(*shard, index, count)) || (!list && !dir)) {
    std::fprintf(stderr, "corpus files: give DIR or --files-from LIST (\"-\": standard input); --shard I/N with "
                         "1 <= I <= N\n");
    return 2;
  }
  if (list ? !readList(*list, out.files) : !listCorpus(*dir, ext, out.files, out.unreadable)) return 1;
  if (count > 1) out.files = shardOf(out.files, index, count);
  return 0;
}

}  // namespace ardv::cli
