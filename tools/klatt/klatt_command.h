// The synthesizer's command line (-r -i -o -t -f -s -F -v) and the synthesis
// of a whole parameter file, shared by the program `klatt` and `ardv-cli synth`
// so that both give the same samples.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "tools/klatt/klatt_synth.h"

namespace ardv::klatt {

struct Command {
  std::filesystem::path input;   // -i: parameter file (.kla, .klf, .kle)
  std::filesystem::path output;  // -o: raw 16-bit samples
  bool bigEndian = false;        // -r 2 "High byte" first; -r 1 low byte first
  SynthOptions options;          // -t -f -s -F -v
};

// Parses the arguments after the program name. Empty on success, else the
// reason ("-s needs a number", "unknown option -x", "-i is required").
std::string parseCommand(const std::vector<std::string>& args, Command& command);

// One line of usage for the program.
std::string usage();

// Reads `params` record by record (missing columns from the default record)
// and hands the samples of each frame to `sink`. Returns the number of
// records synthesised, or -1 with `error` set ("cannot open: <reason>", "not
// a Klatt parameter file: ...", "frame N: "TOKEN" is not a number", or the
// sink's failure, when it returns false). A record cut short by the end of
// the file is ignored. `warning`, when given, gets the first frame whose
// date does not follow the one before by options.frameMs. Nothing is
// reported: the callers word the message.
std::int64_t synthesizeFile(const std::filesystem::path& params, const SynthOptions& options,
                            const std::function<bool(std::span<const std::int16_t>)>& sink, std::string& error,
                            std::string* warning = nullptr);

// The frame duration the dates of `params` advance by (second date minus the
// first), or 0 when the file has fewer than two records or does not advance.
int frameStepOfFile(const std::filesystem::path& params);

}  // namespace ardv::klatt
