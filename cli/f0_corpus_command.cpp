// ardv-cli f0-corpus DIR [--ext EXT] [--jobs N] [--speaker any|female|male]:
// a pitch file beside every signal file of a directory with the extension
// (".wav" by default), several files at a time; progress on standard error
// when it is a terminal.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include <unistd.h>

#include "cli/commands.h"
#include "cli/signal_options.h"
#include "prosody/pitch_corpus.h"

namespace ardv::cli {

bool speakerTypeByName(const std::string& name, int& type);

int runF0Corpus(const Args& arguments) {
  Args args = arguments;
  bool missing = false;
  const auto ext = takeOption(args, "--ext", missing);
  const auto jobsText = takeOption(args, "--jobs", missing);
  const auto speaker = takeOption(args, "--speaker", missing);
  int type = -1;
  int jobs = static_cast<int>(std::max(std::thread::hardware_concurrency(), 1u));
  if (jobsText) {
    char* end = nullptr;
    const long n = std::strtol(jobsText->c_str(), &end, 10);
    if (!end || *end || n < 1 || n > 64) missing = true;
    else jobs = static_cast<int>(n);
  }
  if (missing || args.size() != 1 || (speaker && !speakerTypeByName(*speaker, type))) {
    std::fprintf(stderr, "usage: ardv-cli f0-corpus DIR [--ext EXT] [--jobs N (1..64)] [--speaker any|female|male]\n");
    return 2;
  }
  std::string extension = ext ? *ext : ".wav";
  if (extension.empty() || extension[0] != '.') extension = "." + extension;
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
  const int written = f0Corpus(args[0], extension, jobs, speakerF0Params(type), watch, &result);
  if (shown) std::fprintf(stderr, "\n");
  if (written < 0) return 1;
  std::printf("%d pitch files written, %d failed\n", written, result.failed);
  return result.failed > 0 ? 1 : 0;
}

}  // namespace ardv::cli
