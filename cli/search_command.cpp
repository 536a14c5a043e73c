// ardv-cli search DIR (--phonemes "SEQ[;SEQ...]" | --word TEXT) [--ext EXT]
//   [--labels-dir D --labels-ext EXT --labels-kind K] [--profile NAME] [--max N]
//   [-o GATHERED.wav] [--list OUT.tsv] [--files-from LIST] [--shard I/N]:
// the corpus search from the command line. The results lines go to standard
// output, then "N files searched, M occurrences, K skipped"; the status is 1
// when something was skipped.
#include <cstdio>
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

struct SearchOptions {
  CorpusOptions corpus;
  std::optional<std::string> phonemes, word, ext, labelDir, labelExt, labelKind, profile, gathered, listName;
  std::optional<int> max;
};

int runSearch(const SearchOptions& o) {
  const auto& [corpusOptions, phonemes, word, ext, labelDir, labelExt, labelKind, profile, gathered, listName, max] = o;
  if (phonemes.has_value() == word.has_value()) return usageError("give --phonemes or --word");

  CorpusSearch request;
  request.words = word.has_value();
  if (max) request.maxCount = *max;
  request.labelKind = labelKind ? labelFileCodeByName(*labelKind, request.words) : 1;
  if (request.labelKind == 0)
    return usageError("--labels-kind " + *labelKind + " is not a layout of " + (request.words ? "words" : "phonemes") +
                      kLayouts);
  std::string extension = ext ? *ext : ".wav";
  if (extension.empty() || extension[0] != '.') extension = "." + extension;
  request.labelExt = labelExt ? *labelExt : (request.words ? ".wrd" : ".lab");
  if (request.labelExt[0] != '.') request.labelExt = "." + request.labelExt;

  CorpusFiles corpus;
  if (const int status = corpusFiles(corpusOptions, extension, corpus); status != 0) return status;
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

}  // namespace

void addSearch(Commands& commands) {
  auto o = std::make_shared<SearchOptions>();
  CLI::App* c = commands.add("search", "every occurrence of phoneme sequences or of a word in a corpus, gathered into one signal",
                             [o] { return runSearch(*o); });
  c->add_option("DIR", o->corpus.dir, "the directory of signal files");
  CLI::Option* phonemes =
      c->add_option("--phonemes", o->phonemes,
                    "sequences of phoneme labels and [class] names of the language file, comma-separated")
          ->type_name("\"SEQ[;SEQ...]\"");
  c->add_option("--word", o->word, "a word of the word tier")->type_name("TEXT")->excludes(phonemes);
  c->add_option("--ext", o->ext, "extension of the signal files (default .wav)")->type_name("EXT");
  c->add_option("--labels-dir", o->labelDir, "directory of the label files (default DIR)")->type_name("D");
  c->add_option("--labels-ext", o->labelExt, "extension of the label files (default .lab, or .wrd for words)")
      ->type_name("EXT");
  c->add_option("--labels-kind", o->labelKind, std::string("layout of the label files") + kLayouts)->type_name("K");
  addProfileOption(c, o->profile);
  c->add_option("--max", o->max, "stop after N occurrences")->transform(whole(1, 1000000000))->type_name("N");
  c->add_option("-o", o->gathered, "the occurrences gathered into one signal")->type_name("GATHERED.wav");
  c->add_option("--list", o->listName, "the occurrences listed, one a line")->type_name("OUT.tsv");
  addCorpusOptions(c, o->corpus);
}

}  // namespace ardv::cli
