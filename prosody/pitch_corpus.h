// F0 for a corpus: a pitch file beside every signal file of a directory that
// has a given extension, the files shared among worker threads.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "prosody/pitch_types.h"

namespace ardv {

// Where a corpus run stands, as its watcher sees it.
struct CorpusProgress {
  int total = 0;        // signal files described
  int done = 0;         // files finished, written or not
  int written = 0;      // pitch files written
  int failed = 0;       // files named with the extension that gave no pitch file
  std::string current;  // the signal file started last
};

// Called on the thread that runs f0Corpus before the first file, when files
// are finished and about every kCorpusWatchMs while the workers run (with one
// worker: before each file); returns false to stop the run. The files being
// analysed are finished; no other file is started.
using CorpusWatcher = std::function<bool(const CorpusProgress&)>;
constexpr int kCorpusWatchMs = 100;

// Writes "<name>.pit" beside every regular file of `dir` whose extension is
// `extension` (with its dot, compared exactly), using `jobs` threads (at
// least 1; with 1 the calling thread does the work between watcher calls).
// Each file is described as a signal file (a non-WAV one through the profile
// of the current signal); warnings and analysis messages are suppressed;
// failures to read or write a file are still reported, always on the calling
// thread, each naming its file. Entries with the extension that are not
// regular files (directories, FIFOs, broken links) are reported and count as
// failed. A pitch file is written under a temporary name and replaces the
// previous one only when complete. The current signal is not touched.
// Returns the number of pitch files written (also when `watch` stopped the
// run), or -1 after text 7306 when the directory cannot be read or after a
// message when `extension` is ".pit". `result`, when given, receives the
// final counts (written and failed).
int f0Corpus(const std::filesystem::path& dir, const std::string& extension, int jobs,
             const SpeakerF0Params& params, const CorpusWatcher& watch = {}, CorpusProgress* result = nullptr);

// The same over the files `names`, in that order. Reported and counted as
// failed: a name with the extension ".pit"; a file not read as WAV when the
// current signal has no profile (formatIndex < 0); a pitch file name that is
// a symbolic link, that is one of `names` or `otherInputs` (hard links
// included), or that an earlier name of the run already writes ("a.wav",
// "a.WAV"). Returns the number written.
int f0CorpusFiles(const std::vector<std::filesystem::path>& names, int jobs, const SpeakerF0Params& params,
                  const CorpusWatcher& watch = {}, CorpusProgress* result = nullptr,
                  const std::vector<std::filesystem::path>& otherInputs = {});

}  // namespace ardv
