// ardv-cli search DIR (--phonemes "SEQ[;SEQ...]" | --word TEXT) [--ext EXT]
//   [--labels-dir D --labels-ext EXT --labels-kind K] [--profile NAME] [--max N]
//   [-o GATHERED.wav] [--list OUT.tsv] [--files-from LIST] [--shard I/N]:
// the corpus search from the command line. The results lines go to standard
// output, then "N files searched, M occurrences, K skipped"; the status is 1
// when something was skipped.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "annotation/label_files.h"
#include "cli/commands.h"
#include "cli/corpus_files.h"
#include "cli/signal_options.h"
#include "platform/report.h"
#include "search/corpus_search.h"
#include "signal/replacing_file.h"
#include "signal/wavfile.h"
#include "signal/writable_target.h"

namespace ardv::cli {
namespace {

int usage() {
  std::fprintf(stderr,
               "usage: ardv-cli search DIR (--phonemes \"SEQ[;SEQ...]\" | --word TEXT) [--ext EXT]\n"
               "         [--labels-dir D] [--labels-ext EXT] [--labels-kind K] [--profile NAME] [--max N]\n"
               "         [-o GATHERED.wav] [--list OUT.tsv] [--files-from LIST] [--shard I/N]\n"
               "  SEQ: phoneme labels and [class] names of the language file, comma-separated\n"
               "  K: qern nist sam align (phonemes), vecsys nist sam noisex (words)\n");
  return 2;
}

// False, after a message, when an output would replace one of the files the
// search reads (the recordings, their label files, the list of files) or
// -o and --list name one file.
bool outputsApart(const CorpusSearch& request, const std::optional<std::string>& list,
                  const std::vector<std::optional<std::string>>& outputs) {
  std::map<FileKey, std::string> inputs;
  const auto add = [&](const std::string& name) {
    FileKey key;
    if (fileKey(name, key) && key.name.empty()) inputs.emplace(key, name);
  };
  if (list) add(*list);
  for (const auto& file : request.files) {
    add(file.string());
    if (!isWavName(file.string())) add((request.labelDir / file.stem()).string() + request.labelExt);
  }
  for (const auto& out : outputs) {
    FileKey key;
    if (!out || !fileKey(*out, key)) continue;
    if (const auto it = inputs.find(key); it != inputs.end()) {
      message("Cannot write " + *out + ": it is " + it->second + ", which the search reads.");
      return false;
    }
  }
  if (outputs[0] && outputs[1] && sameOutput(*outputs[0], *outputs[1])) {
    message("-o " + *outputs[0] + " and --list " + *outputs[1] + " name the same file: give each its own.");
    return false;
  }
  return true;
}

}  // namespace

int runSearch(const Args& arguments) {
  Args args = arguments;
  bool missing = false;
  const auto phonemes = takeOption(args, "--phonemes", missing);
  const auto word = takeOption(args, "--word", missing);
  const auto ext = takeOption(args, "--ext", missing);
  const auto labelDir = takeOption(args, "--labels-dir", missing);
  const auto labelExt = takeOption(args, "--labels-ext", missing);
  const auto labelKind = takeOption(args, "--labels-kind", missing);
  const auto profile = takeOption(args, "--profile", missing);
  const auto maxText = takeOption(args, "--max", missing);
  const auto gathered = takeOption(args, "-o", missing);
  const auto listName = takeOption(args, "--list", missing);
  if (missing || phonemes.has_value() == word.has_value()) return usage();

  CorpusSearch request;
  request.words = word.has_value();
  if (maxText) {
    char* end = nullptr;
    const long n = std::strtol(maxText->c_str(), &end, 10);
    if (!end || *end || n < 1 || n > 1000000000) return usage();
    request.maxCount = static_cast<int>(n);
  }
  request.labelKind = labelKind ? labelFileCodeByName(*labelKind, request.words) : 1;
  if (request.labelKind == 0) return usage();
  std::string extension = ext ? *ext : ".wav";
  if (extension.empty() || extension[0] != '.') extension = "." + extension;
  request.labelExt = labelExt ? *labelExt : (request.words ? ".wrd" : ".lab");
  if (request.labelExt[0] != '.') request.labelExt = "." + request.labelExt;

  CorpusFiles corpus;
  if (const int status = takeCorpusFiles(args, extension, corpus); status != 0) return status == 2 ? usage() : status;
  const auto& dir = corpus.dir;
  request.files = std::move(corpus.files);
  request.labelDir = labelDir ? *labelDir : (dir ? *dir : std::string("."));
  if (profile && (request.formatIndex = profileIndexByName(*profile)) < 0) return 1;
  if (request.words) {
    request.word = *word;
  } else {
    std::string unknown;
    request.sequences = parseSequences(*phonemes, unknown);
    if (!unknown.empty()) {
      message("Not phonemes or classes of the language file: " + unknown);
      return 1;
    }
  }
  if (gathered) request.gathered = *gathered;
  if (!outputsApart(request, corpus.list, {gathered, listName})) return 1;

  std::optional<ReplacingFile> list;
  bool listFailed = false;
  if (listName) {
    list.emplace(*listName);
    if (!list->open()) {
      message("Cannot write " + *listName + ": " + list->error());
      return 1;
    }
  }
  SearchSinks sinks;
  sinks.results = [](const std::string& line) { std::printf("%s\n", line.c_str()); };
  if (list) {
    sinks.list = [&](const std::string& line) { listFailed = !list->write(line + "\n") || listFailed; };
  }
  CorpusOutcome outcome;
  const bool ok = searchCorpus(request, sinks, outcome);
  // A search that could not run leaves a previous list as it was.
  if (list && ok && (listFailed || !list->commit())) {
    message("Cannot write " + *listName + ": " + list->error());
    listFailed = true;
  }
  const int skipped = outcome.skipped + corpus.unreadable;
  std::printf("%d files searched, %d occurrences%s, %d skipped\n", outcome.files, outcome.occurrences,
              outcome.maxReached ? " (the maximum)" : "", skipped);
  return ok && !listFailed && skipped == 0 ? 0 : 1;
}

}  // namespace ardv::cli
