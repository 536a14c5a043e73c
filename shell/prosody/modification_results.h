// The results of the prosody modifications: each a WAV file of the temporary
// directory named after the signal it was made from and what was done to it
// ("example-time1.50.wav"), opened as the current signal and kept until the
// user discards it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "shell/prosody/modification_dialog.h"

namespace ardv::shell {

struct ModificationResult {
  std::filesystem::path path;
  std::string source;    // the signal it was made from (a result itself, maybe)
  std::string original;  // the recording at the start of that chain
};

// `dir`/<stem of `signal`>-<tag>.wav, or the first of "-2", "-3", ... before
// ".wav" that names no file yet: a result never replaces a file.
std::filesystem::path resultPath(const std::filesystem::path& dir, const std::string& signal, const std::string& tag);

// What a result of `c` is named after: "time<alpha>" and "f0<k>" (those that
// are not 1, "time1.00" when neither is) for PSOLA, "vocoder<alpha>" for the
// phase vocoder; factors with two decimals.
std::string modificationTag(const ModificationChoice& c);

// The results of this session, oldest first.
std::vector<ModificationResult>& modificationResults();
// The result whose file is `signal`; nullptr when it is none.
const ModificationResult* resultFor(const std::string& signal);
// Whether `signal` is `from` or a result made from it, directly or through
// other results.
bool madeFrom(const std::string& signal, const std::string& from);

}  // namespace ardv::shell
