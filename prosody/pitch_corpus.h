// F0 for a corpus: a pitch file beside every signal file of a directory that
// has a given extension, the files shared among worker threads.
#pragma once

#include <filesystem>
#include <string>

#include "prosody/pitch_types.h"

namespace ardv {

// Writes "<name>.pit" beside every regular file of `dir` whose extension is
// `extension` (with its dot, compared exactly), using `jobs` threads (at
// least 1). Each file is described as a signal file (a non-WAV one through
// the profile of the current signal); warnings and analysis messages are
// suppressed; failures to read or write a file are still reported. The
// current signal is not touched. Returns the number of pitch files written,
// or -1 after text 7306 when the directory cannot be read.
int f0Corpus(const std::filesystem::path& dir, const std::string& extension, int jobs,
             const SpeakerF0Params& params);

}  // namespace ardv
