// ardv-cli f0-corpus DIR [--ext EXT] [--jobs N] [--speaker any|female|male]
//   [--profile NAME] [--files-from LIST] [--shard I/N]:
// a pitch file beside every signal file of a directory with the extension
// (".wav" by default, case ignored, hidden entries skipped) or of the list,
// several files at a time; progress on standard error when it is a terminal.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include <unistd.h>

#include "cli/commands.h"
#include "cli/corpus_files.h"
#include "cli/signal_options.h"
#include "prosody/pitch_corpus.h"
#include "signal/program.h"

namespace ardv::cli {

bool speakerTypeByName(const std::string& name, int& type);

int runF0Corpus(const Args& arguments) {
  Args args = arguments;
  bool missing = false;
  const auto ext = takeOption(args, "--ext", missing);
  const auto jobsText = takeOption(args, "--jobs", missing);
  const auto speaker = takeOption(args, "--speaker", missing);
  const auto profile = takeOption(args, "--profile", missing);
  int type = -1;
  int jobs = static_cast<int>(std::max(std::thread::hardware_concurrency(), 1u));
  if (jobsText) {
    char* end = nullptr;
    const long n = std::strtol(jobsText->c_str(), &end, 10);
    if (!end || *end || n < 1 || n > 64) missing = true;
    else jobs = static_cast<int>(n);
  }
  const auto usage = [] {
    std::fprintf(stderr, "usage: ardv-cli f0-corpus DIR [--ext EXT] [--jobs N (1..64)] [--speaker any|female|male]\n"
                         "         [--profile NAME] [--files-from LIST] [--shard I/N]\n");
    return 2;
  };
  if (missing || (speaker && !speakerTypeByName(*speaker, type))) return usage();
  std::string extension = ext ? *ext : ".wav";
  if (extension.empty() || extension[0] != '.') extension = "." + extension;
  if (extension == ".pit") {
    std::fprintf(stderr, "f0-corpus: the signal files cannot have the extension \".pit\" of the pitch files\n");
    return 2;
  }
  CorpusFiles corpus;
  if (const int status = takeCorpusFiles(args, extension, corpus); status != 0) return status == 2 ? usage() : status;
  // Files not read as WAV need the profile, as everywhere on the command line.
  program().en_cours.formatIndex = -1;
  if (profile && (program().en_cours.formatIndex = profileIndexByName(*profile)) < 0) return 1;
  // Progress on a terminal only: "done/total" rewritten in place.
  CorpusWatcher watch;
  bool shown = false;
  if (::isatty(STDERR_FILENO)) {
    watch = [&shown](const CorpusProgress& p) {
      std::fprintf(stderr, "\r%d/%d files", p.done, p.total);
      shown = true;
      return true;
    };
  }
  CorpusProgress result;
  std::vector<std::filesystem::path> list;
  if (corpus.list) list.emplace_back(*corpus.list);
  const int written = f0CorpusFiles(corpus.files, jobs, speakerF0Params(type), watch, &result, list);
  if (shown) std::fprintf(stderr, "\n");
  if (written < 0) return 1;
  result.failed += corpus.unreadable;
  std::printf("%d pitch files written, %d failed\n", written, result.failed);
  return result.failed > 0 ? 1 : 0;
}

}  // namespace ardv::cli
