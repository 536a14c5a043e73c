// ardv-cli f0-corpus DIR [--ext EXT] [--jobs N] [--speaker any|female|male]
//   [--profile NAME] [--files-from LIST] [--shard I/N]:
// a pitch file beside every signal file of a directory with the extension
// (".wav" by default, case ignored, hidden entries skipped) or of the list,
// several files at a time; progress on standard error when it is a terminal.
#include <cstdio>
#include <string>
#include <thread>

#include <unistd.h>

#include "cli/commands.h"
#include "cli/corpus_files.h"
#include "cli/signal_options.h"
#include "prosody/pitch_corpus.h"
#include "signal/program.h"

namespace ardv::cli {

namespace {

struct F0CorpusOptions {
  CorpusOptions corpus;
  std::string ext = ".wav";
  std::optional<std::string> profile;
  int jobs = static_cast<int>(std::max(std::thread::hardware_concurrency(), 1u));
  int type = -1;
};

int runF0Corpus(const F0CorpusOptions& o) {
  const auto& profile = o.profile;
  const int jobs = o.jobs, type = o.type;
  std::string extension = o.ext;
  if (extension.empty() || extension[0] != '.') extension = "." + extension;
  if (extension == ".pit") return usageError("the signal files cannot have the extension \".pit\" of the pitch files");
  CorpusFiles corpus;
  if (const int status = corpusFiles(o.corpus, extension, corpus); status != 0) return status;
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

}  // namespace

void addF0Corpus(Commands& commands) {
  auto o = std::make_shared<F0CorpusOptions>();
  CLI::App* c = commands.add("f0-corpus", "a pitch file beside every signal file of DIR or of the list",
                             [o] { return runF0Corpus(*o); });
  c->add_option("DIR", o->corpus.dir, "the directory of signal files");
  c->add_option("--ext", o->ext, "extension of the signal files (default .wav, case ignored)")->type_name("EXT");
  c->add_option("--jobs", o->jobs, "files analysed at a time (default: every core)")
      ->transform(whole(1, 64))
      ->type_name("N");
  addThreadsOption(c);
  addSpeakerOption(c, o->type);
  addProfileOption(c, o->profile);
  addCorpusOptions(c, o->corpus);
}

}  // namespace ardv::cli
